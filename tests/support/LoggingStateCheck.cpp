#include "tests/support/LoggingStateCheck.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <array>

namespace testsupport {
namespace {

constexpr const char *kVariables[] = {"QT_LOGGING_RULES", "QT_MESSAGE_PATTERN", "QT_LOGGING_CONF",
                                      "QT_LOGGING_TO_CONSOLE", "QT_FATAL_WARNINGS"};
constexpr QtMsgType kKinds[] = {QtDebugMsg, QtInfoMsg, QtWarningMsg, QtCriticalMsg};

// Categories whose enabled kinds tell a change of the rules or the filter: the default
// one, one under our prefix, one under Qt's, and the one the program's exception nets
// report on (a rule that turns its critical messages off turns the nets off).
QLoggingCategory &ours()
{
    static QLoggingCategory category("chronark.logging-state-probe");
    return category;
}

QLoggingCategory &qts()
{
    static QLoggingCategory category("qt.logging-state-probe");
    return category;
}

// A category of the same name shares the rules and the filter's decisions with the
// program's own.
QLoggingCategory &exceptionReports()
{
    static QLoggingCategory category("chronark.exceptions");
    return category;
}

struct LoggingState
{
    QtMessageHandler handler = nullptr;
    QLoggingCategory::CategoryFilter filter = nullptr;
    std::array<QByteArray, std::size(kVariables)> variables;
    std::array<bool, std::size(kVariables)> variablesSet{};
    QString printed;
    std::array<bool, 4 * std::size(kKinds)> enabled{};

    static LoggingState now()
    {
        LoggingState s;
        // The kinds first: putting the filter back decides them anew for every category.
        QLoggingCategory *categories[] = {QLoggingCategory::defaultCategory(), &ours(), &qts(), &exceptionReports()};
        std::size_t k = 0;
        for (QLoggingCategory *c : categories) {
            for (QtMsgType kind : kKinds)
                s.enabled[k++] = c->isEnabled(kind);
        }
        s.handler = qInstallMessageHandler(nullptr);
        qInstallMessageHandler(s.handler);
        s.filter = QLoggingCategory::installFilter(nullptr);
        QLoggingCategory::installFilter(s.filter);
        for (std::size_t i = 0; i < std::size(kVariables); ++i) {
            s.variablesSet[i] = qEnvironmentVariableIsSet(kVariables[i]);
            s.variables[i] = qgetenv(kVariables[i]);
        }
        const QMessageLogContext context("probe.cpp", 1, "probe()", "probe");
        s.printed = qFormatLogMessage(QtWarningMsg, context, QStringLiteral("probe"));
        return s;
    }

    QStringList differencesFrom(const LoggingState &before) const
    {
        QStringList changed;
        if (handler != before.handler)
            changed << QStringLiteral("the message handler");
        if (filter != before.filter)
            changed << QStringLiteral("the logging-category filter");
        for (std::size_t i = 0; i < std::size(kVariables); ++i) {
            if (variablesSet[i] != before.variablesSet[i] || variables[i] != before.variables[i])
                changed << QString::fromLatin1(kVariables[i]);
        }
        if (printed != before.printed)
            changed << QStringLiteral("the message pattern");
        static const char *const names[] = {"the default category", "our categories", "Qt's categories",
                                            "the exception reports (chronark.exceptions)"};
        static const char *const kinds[] = {"debug", "info", "warning", "critical"};
        for (std::size_t k = 0; k < enabled.size(); ++k) {
            if (enabled[k] != before.enabled[k])
                changed << QStringLiteral("%1 messages of %2 turned %3")
                               .arg(QLatin1String(kinds[k % std::size(kKinds)]),
                                    QLatin1String(names[k / std::size(kKinds)]),
                                    enabled[k] ? QStringLiteral("on") : QStringLiteral("off"));
        }
        return changed;
    }

    // Puts this state back.
    void restore() const
    {
        for (std::size_t i = 0; i < std::size(kVariables); ++i) {
            if (variablesSet[i])
                qputenv(kVariables[i], variables[i]);
            else
                qunsetenv(kVariables[i]);
        }
        qInstallMessageHandler(handler);
        const QString pattern = qEnvironmentVariable("QT_MESSAGE_PATTERN");
        qSetMessagePattern(pattern.isEmpty() ? QStringLiteral("%{if-category}%{category}: %{endif}%{message}") : pattern);
        // Rules set in code are gone with empty ones; the filter then decides again for
        // every category.
        QLoggingCategory::setFilterRules(QString());
        QLoggingCategory::installFilter(filter);
        QLoggingCategory *def = QLoggingCategory::defaultCategory();
        for (std::size_t k = 0; k < std::size(kKinds); ++k)
            def->setEnabled(kKinds[k], enabled[k]);
    }
};

class LoggingStateListener : public testing::EmptyTestEventListener
{
public:
    void OnTestStart(const testing::TestInfo &) override { m_before = LoggingState::now(); }

    // GoogleTest calls the listeners' OnTestEnd in the reverse order of their installing,
    // so this runs before the printer reports the test, and a failure added here is the
    // test's own.
    void OnTestEnd(const testing::TestInfo &) override
    {
        const QStringList changed = LoggingState::now().differencesFrom(m_before);
        if (changed.isEmpty())
            return;
        m_before.restore();
        ADD_FAILURE() << "The test left the logging state changed (" << changed.join(QStringLiteral(", ")).toStdString()
                      << "): the Qt-warning check would not see what the tests after it log. "
                         "Change it for a test's duration through the scopes of tests/support/QtWarningCheck.h.";
    }

private:
    LoggingState m_before;
};

} // namespace

void installLoggingStateCheck()
{
    if (GTEST_FLAG_GET(list_tests))
        return;
    testing::UnitTest::GetInstance()->listeners().Append(new LoggingStateListener);
}

} // namespace testsupport
