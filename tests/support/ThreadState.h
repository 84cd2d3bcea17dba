#pragma once
// What the kernel says of this process's threads (/proc/self/task): which there are, and
// the system call one of them sleeps in. Tests ask it to know that a thread waits where
// they expect (in open(), on a condition's futex) before they go on.
//
// Reentrant; a thread that ends meanwhile reads as not sleeping.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QString>

#include <sys/types.h>

namespace testsupport {

// The threads of this process now, by their kernel ids.
inline QSet<pid_t> threadsOfProcess()
{
    QSet<pid_t> ids;
    for (const QString &id : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        ids.insert(pid_t(id.toInt()));
    return ids;
}

// The number of the system call (SYS_…) the thread sleeps in now; -1 when it does not sleep.
inline long systemCallSleptIn(pid_t thread)
{
    const QString task = QStringLiteral("/proc/self/task/%1/").arg(thread);
    QFile stat(task + QStringLiteral("stat"));
    QFile syscall(task + QStringLiteral("syscall"));
    if (!stat.open(QIODevice::ReadOnly) || !syscall.open(QIODevice::ReadOnly))
        return -1;
    // "ID (name) S …": the state follows the name's closing parenthesis.
    const QByteArray status = stat.readAll();
    const qsizetype close = status.lastIndexOf(')');
    if (close < 0 || status.mid(close + 2, 1) != "S")
        return -1;
    bool number = false;
    const long call = syscall.readAll().split(' ').value(0).trimmed().toLong(&number);
    return number ? call : -1;
}

} // namespace testsupport
