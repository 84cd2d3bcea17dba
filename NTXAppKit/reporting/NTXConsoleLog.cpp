#include "NTXAppKit/reporting/NTXConsoleLog.h"

#include "NTXAppKit/reporting/NTXCrashHandler.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/RegularFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex mutex;
QString logPath;
QString executableName;
QtMessageHandler previous = nullptr;
bool active = false;

void write(const QString &text)
{
    QMutexLocker lock(&mutex);
    if (!active)
        return;
    if (QFileInfo(logPath).size() >= NTXConsoleLog::MaxBytes) {
        const QString old = logPath + QStringLiteral(".old");
        QFile::remove(old);
        QFile::rename(logPath, old);
    }
    // Only into a regular file: a pipe or a link put in its place is never opened.
    QFile file;
    if (!platform::RegularFile::openForAppending(file, logPath))
        return;
    const QString line = platform::Clock::now().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz ")) + executableName
                         + QLatin1Char('[') + QString::number(QCoreApplication::applicationPid())
                         + QStringLiteral("]: ") + text + QLatin1Char('\n');
    file.write(line.toUtf8());
}

void handler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    write(text);
    QtMessageHandler next;
    {
        QMutexLocker lock(&mutex);
        next = previous;
    }
    if (next)
        next(type, context, text);
}

} // namespace

QString NTXConsoleLog::defaultPath()
{
    return QFileInfo(NTXCrashHandler::defaultFolder()).absolutePath() + QStringLiteral("/console.log");
}

void NTXConsoleLog::install(const QString &path, const QString &executable)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    bool first;
    {
        QMutexLocker lock(&mutex);
        logPath = path;
        executableName = executable;
        first = !active;
        active = true;
    }
    if (first) {
        QtMessageHandler before = qInstallMessageHandler(handler);
        QMutexLocker lock(&mutex);
        previous = before;
    }
}

void NTXConsoleLog::uninstall()
{
    QtMessageHandler before;
    {
        QMutexLocker lock(&mutex);
        if (!active)
            return;
        active = false;
        before = previous;
        previous = nullptr;
    }
    qInstallMessageHandler(before);
}

void NTXConsoleLog::append(const QString &text)
{
    write(text);
}
