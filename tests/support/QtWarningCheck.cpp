#include "tests/support/QtWarningCheck.h"

#include "tests/support/ThrowSites.h"

#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QtGlobal>
#include <utility>

#include <gtest/gtest.h>

namespace testsupport {

struct QtWarningCheckState
{
    QMutex mutex;
    QList<ExpectedQtWarning *> expected;
    QList<CapturedLog *> captures;
    QtMessageHandler previous = nullptr;

    // Claims a message for an expectation; answers whether one took it.
    bool claim(const QString &message)
    {
        QMutexLocker lock(&mutex);
        for (ExpectedQtWarning *e : expected) {
            if (e->m_pattern.match(message).hasMatch()) {
                ++e->m_count;
                return true;
            }
        }
        return false;
    }

    void capture(const QMessageLogContext &context, const QString &message)
    {
        QMutexLocker lock(&mutex);
        for (CapturedLog *c : std::as_const(captures)) {
            if (c->m_category.isEmpty() || c->m_category == QByteArrayView(context.category ? context.category : ""))
                c->m_lines.append(message);
        }
    }
};

namespace {

QtWarningCheckState &state()
{
    static QtWarningCheckState s;
    return s;
}

// Messages of the platform plug-ins and of the desktop that say nothing about our code.
bool harmless(const QString &message)
{
    static const QRegularExpression patterns[] = {
        // The offscreen and xcb plug-ins on a server without a window manager.
        QRegularExpression(QStringLiteral("^This plugin does not support ")),
        QRegularExpression(QStringLiteral("^QStandardPaths: XDG_RUNTIME_DIR not set")),
        QRegularExpression(QStringLiteral("^QStandardPaths: wrong permissions on runtime directory")),
        QRegularExpression(QStringLiteral("^qt\\.qpa\\.xcb: could not connect to display")),
        // QSystemTrayIcon connects to a signal that Qt 6.4's platform native interface
        // no longer has (a fault inside Qt; the tray works without it).
        QRegularExpression(QStringLiteral("^QObject::connect: No such signal QPlatformNativeInterface::systemTrayWindowChanged")),
    };
    for (const QRegularExpression &p : patterns) {
        if (p.match(message).hasMatch())
            return true;
    }
    return false;
}

// A message of this tree's code names one of its source files; Qt's own (and
// inline code of Qt's headers) name none or a system header.
bool fromOurCode(const QMessageLogContext &context)
{
    if (!context.file)
        return false;
    const char *file = context.file;
    return !(qstrncmp(file, "/usr/", 5) == 0);
}

// A net of the program caught an exception (platform::ExceptionBoundary, the
// application object's notify()): a fault of the code under test, unless the test
// provoked it on purpose and says so.
bool exceptionReport(const QMessageLogContext &context)
{
    return context.category && qstrcmp(context.category, "chronark.exceptions") == 0;
}

void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    QtWarningCheckState &s = state();
    if (s.previous)
        s.previous(type, context, message);
    s.capture(context, message);
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    if (exceptionReport(context)) {
        if (!s.claim(message))
            ADD_FAILURE() << "An exception reached a net of the program: " << message.toStdString()
                          << "\nIt was thrown at\n" << lastThrowSite().toStdString();
        return;
    }
    if (fromOurCode(context) || harmless(message) || s.claim(message))
        return;
    const char *kind = type == QtWarningMsg ? "warning" : type == QtCriticalMsg ? "critical message" : "fatal message";
    ADD_FAILURE() << "Unexpected Qt " << kind << " (category " << (context.category ? context.category : "?")
                  << "): " << message.toStdString();
}

} // namespace

void installQtWarningCheck()
{
    state().previous = qInstallMessageHandler(handler);
}

ExpectedQtWarning::ExpectedQtWarning(const QString &pattern)
    : m_pattern(pattern)
{
    QMutexLocker lock(&state().mutex);
    state().expected.append(this);
}

ExpectedQtWarning::~ExpectedQtWarning()
{
    QMutexLocker lock(&state().mutex);
    state().expected.removeOne(this);
}

int ExpectedQtWarning::count() const
{
    QMutexLocker lock(&state().mutex);
    return m_count;
}

CapturedLog::CapturedLog(const char *category)
    : m_category(category)
{
    QMutexLocker lock(&state().mutex);
    state().captures.append(this);
}

CapturedLog::~CapturedLog()
{
    QMutexLocker lock(&state().mutex);
    state().captures.removeOne(this);
}

QStringList CapturedLog::lines() const
{
    QMutexLocker lock(&state().mutex);
    return m_lines;
}

QStringList CapturedLog::linesContaining(const QString &text) const
{
    return lines().filter(text);
}

QStringList CapturedLog::take()
{
    QMutexLocker lock(&state().mutex);
    return std::exchange(m_lines, {});
}

ScopedLoggingFilter::ScopedLoggingFilter(QLoggingCategory::CategoryFilter filter)
    : m_previous(QLoggingCategory::installFilter(filter))
{
}

ScopedLoggingFilter::~ScopedLoggingFilter()
{
    QLoggingCategory::installFilter(m_previous);
}

ScopedMessagePattern::ScopedMessagePattern(const QString &pattern)
{
    qSetMessagePattern(pattern);
}

ScopedMessagePattern::~ScopedMessagePattern()
{
    // The environment's pattern when it sets one, else Qt's default (an empty pattern
    // would print every message as an empty line).
    const QString run = qEnvironmentVariable("QT_MESSAGE_PATTERN");
    qSetMessagePattern(run.isEmpty() ? QStringLiteral("%{if-category}%{category}: %{endif}%{message}") : run);
}

} // namespace testsupport
