#include "tests/support/QtWarningCheck.h"

#include "tests/support/ThrowSites.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QFile>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QtGlobal>

#include <atomic>
#include <cstdio>
#include <cstdlib>
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
        // Qt Multimedia's GStreamer backend when a movie file it cannot read fails to
        // preroll: said on the movie's own thread, whenever its pipeline gets there (in
        // whichever test then runs); the movie reports the same failure as its error,
        // which the tests check.
        QRegularExpression(QStringLiteral("^Unable to set the pipeline to the paused state\\.$")),
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
constexpr const char *ExceptionReports = "chronark.exceptions";

bool exceptionReport(const QMessageLogContext &context)
{
    return context.category && qstrcmp(context.category, ExceptionReports) == 0;
}

// The reports of the nets that reached the handler, on any thread.
std::atomic<int> reportsSeen{0};

// Whether a logging rule's category pattern ("chronark.*", "*.exceptions", "*") takes
// in the category, as Qt matches them: a star at either end stands for anything.
bool ruleTakesIn(QString pattern, const QString &category)
{
    for (const char *kind : {".debug", ".info", ".warning", ".critical"}) {
        if (pattern.endsWith(QLatin1String(kind))) {
            pattern.chop(int(qstrlen(kind)));
            break;
        }
    }
    const bool anyBefore = pattern.startsWith(QLatin1Char('*'));
    const bool anyAfter = pattern.endsWith(QLatin1Char('*')) && pattern.size() > (anyBefore ? 1 : 0);
    const QString core = pattern.mid(anyBefore ? 1 : 0, pattern.size() - (anyBefore ? 1 : 0) - (anyAfter ? 1 : 0));
    if (anyBefore && anyAfter)
        return category.contains(core);
    if (anyBefore)
        return category.endsWith(core);
    if (anyAfter)
        return category.startsWith(core);
    return category == core;
}

// The rules of a text (the variable's, separated by semicolons, or a file's lines) that
// turn a kind of the exception reports' messages off.
QStringList rulesHidingReports(const QString &rules)
{
    QStringList found;
    for (QString rule : rules.split(QRegularExpression(QStringLiteral("[;\n]")), Qt::SkipEmptyParts)) {
        rule = rule.trimmed();
        const qsizetype equals = rule.indexOf(QLatin1Char('='));
        if (equals <= 0 || rule.startsWith(QLatin1Char('[')))
            continue;
        if (rule.mid(equals + 1).trimmed() == QLatin1String("false")
            && ruleTakesIn(rule.left(equals).trimmed(), QLatin1String(ExceptionReports)))
            found << rule;
    }
    return found;
}

// Ends the program when a logging rule would turn the nets' reports off: the tests
// would pass over exceptions that their nets caught.
void refuseRulesHidingReports()
{
    QStringList found;
    for (const QString &rule : rulesHidingReports(qEnvironmentVariable("QT_LOGGING_RULES")))
        found << QStringLiteral("\"%1\" (QT_LOGGING_RULES)").arg(rule);
    if (const QString conf = qEnvironmentVariable("QT_LOGGING_CONF"); !conf.isEmpty()) {
        QFile file(conf);
        if (file.open(QIODevice::ReadOnly))
            for (const QString &rule : rulesHidingReports(QString::fromUtf8(file.readAll())))
                found << QStringLiteral("\"%1\" (%2)").arg(rule, conf);
    }
    // And whatever else decides (a qtlogging.ini of the configuration folders).
    const QLoggingCategory reports(ExceptionReports);
    if (found.isEmpty() && !reports.isCriticalEnabled())
        found << QStringLiteral("a rule of the logging configuration");
    if (found.isEmpty())
        return;
    std::fprintf(stderr,
                 "The test program refuses the logging rule %s: it turns off the reports of \"%s\", "
                 "the messages of the program's exception nets. Leave that category out of the rules.\n",
                 qPrintable(found.join(QStringLiteral(", "))), ExceptionReports);
    std::fflush(stderr);
    std::exit(1);
}

// Holds the nets' own count of caught exceptions against the reports the handler saw,
// for each test: a report that a filter hid fails the test all the same.
class UnreportedExceptionsListener : public testing::EmptyTestEventListener
{
public:
    void OnTestStart(const testing::TestInfo &) override
    {
        m_caught = platform::ExceptionBoundary::caughtCount();
        m_seen = reportsSeen.load();
    }

    void OnTestEnd(const testing::TestInfo &) override
    {
        const int unreported = (platform::ExceptionBoundary::caughtCount() - m_caught) - (reportsSeen.load() - m_seen);
        if (unreported <= 0)
            return;
        ADD_FAILURE() << unreported << " exception(s) reached a net of the program whose report on \""
                      << ExceptionReports
                      << "\" never came (a logging filter turned the category off). The latest throw was at\n"
                      << latestThrowSiteOfTheProcess().toStdString();
    }

private:
    int m_caught = 0;
    int m_seen = 0;
};

void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    QtWarningCheckState &s = state();
    if (s.previous)
        s.previous(type, context, message);
    s.capture(context, message);
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    if (exceptionReport(context)) {
        ++reportsSeen;
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
    refuseRulesHidingReports();
    state().previous = qInstallMessageHandler(handler);
    if (!GTEST_FLAG_GET(list_tests))
        testing::UnitTest::GetInstance()->listeners().Append(new UnreportedExceptionsListener);
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
