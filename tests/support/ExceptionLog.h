#pragma once
// Collects what the exception boundary reports on "chronark.exceptions" while it
// lives (every message is passed on to the handler installed before it), so that a
// test tells an exception stopped at its entry ("An exception escaped <entry> of …")
// from one that reached the application object ("… the delivery of event …").
//
// While it lives, the exceptions it collects are expected: they do not fail the test
// (QtWarningCheck.h).
//
// One at a time, GUI thread only (the messages of other threads are collected too).
#include "tests/support/QtWarningCheck.h"

#include <QMutex>
#include <QStringList>
#include <QtGlobal>

namespace testsupport {

class ExceptionLog
{
public:
    ExceptionLog()
    {
        current = this;
        previous = qInstallMessageHandler(&ExceptionLog::handle);
    }
    ~ExceptionLog()
    {
        qInstallMessageHandler(previous);
        current = nullptr;
    }
    ExceptionLog(const ExceptionLog &) = delete;
    ExceptionLog &operator=(const ExceptionLog &) = delete;

    QStringList messages() const
    {
        QMutexLocker lock(&mutex);
        return m_messages;
    }
    // Whether every message came from an entry's own boundary (none from the
    // application object's).
    bool allStoppedAtTheirEntries() const
    {
        const QStringList all = messages();
        for (const QString &message : all)
            if (message.contains(QLatin1String("the delivery of event")))
                return false;
        return true;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (current && context.category && qstrcmp(context.category, "chronark.exceptions") == 0) {
            QMutexLocker lock(&current->mutex);
            current->m_messages.append(message);
        }
        if (previous)
            previous(type, context, message);
    }
    static inline QtMessageHandler previous = nullptr;
    static inline ExceptionLog *current = nullptr;
    ExpectedQtWarning m_expected{QStringLiteral("^An exception escaped ")};
    mutable QMutex mutex;
    QStringList m_messages;
};

} // namespace testsupport
