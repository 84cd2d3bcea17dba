#pragma once
// Makes a test fail when Qt or a system library warns during it.
//
// A warning from Qt (a connection to a missing signal, a painter on a null device,
// a widget given a second layout) points at a fault of ours, even when the test's
// own assertions pass. The test main installs the check once; it lets through the
// log messages of our own code (built with QT_MESSAGELOGCONTEXT, so they name a
// source file of this tree) and the few messages of the platform plug-ins that say
// nothing about the code under test. A test that provokes a Qt warning on purpose
// says so with an ExpectedQtWarning for the scope of the provocation. An exception that
// a net of the program caught (a report on "chronark.exceptions") fails the test too,
// with the stack of its throw (ThrowSites.h), unless an ExpectedQtWarning or an
// ExceptionLog holds it. The nets' own count (platform::ExceptionBoundary::caughtCount())
// is held against the reports seen too: when a test ends with more exceptions caught
// than reports seen (a logging filter turned the category off meanwhile), it fails,
// with the stack of the process's latest throw. A logging rule that would turn the
// category off (QT_LOGGING_RULES, the file QT_LOGGING_CONF names, a qtlogging.ini of
// the configuration folders) is refused when the program starts: it says which and
// ends with status 1. A test that reads
// what was logged holds a CapturedLog for as long as it listens: no test installs a
// message handler of its own, so the check stays in place even when an assertion
// ends the test early.
//
// Thread-safety: messages may come from any thread; the list of expectations is
// guarded. Failures are reported through GoogleTest's ADD_FAILURE, which is
// thread-safe.
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QStringList>

namespace testsupport {

// Installs the check as the process's message handler (messages are still printed),
// and the count of the nets' exceptions against their reports; refuses (ends the
// program) a logging rule that turns the reports of "chronark.exceptions" off.
void installQtWarningCheck();

// While it lives, Qt warnings matching the pattern are allowed (and counted).
class ExpectedQtWarning
{
public:
    explicit ExpectedQtWarning(const QString &pattern);
    ~ExpectedQtWarning();
    ExpectedQtWarning(const ExpectedQtWarning &) = delete;
    ExpectedQtWarning &operator=(const ExpectedQtWarning &) = delete;

    // How many messages it allowed so far.
    int count() const;

private:
    QRegularExpression m_pattern;
    int m_count = 0;
    friend struct QtWarningCheckState;
};

// While it lives, every message logged (any type, any thread; of one logging category
// when it is given one) is also kept in it, in order; the check above and the printing
// go on as before. Captures may nest.
class CapturedLog
{
public:
    explicit CapturedLog(const char *category = nullptr);
    ~CapturedLog();
    CapturedLog(const CapturedLog &) = delete;
    CapturedLog &operator=(const CapturedLog &) = delete;

    QStringList lines() const;
    // The lines holding the text.
    QStringList linesContaining(const QString &text) const;
    // The lines so far, leaving none.
    QStringList take();

private:
    QByteArray m_category;
    QStringList m_lines;
    friend struct QtWarningCheckState;
};

// While it lives, the process's logging-category filter is `filter`; the filter before
// it comes back when it ends, also when an assertion ends the test early. A test turns
// categories on or off through this, never through QLoggingCategory::installFilter
// itself. Filters nest in the order they were made.
class ScopedLoggingFilter
{
public:
    explicit ScopedLoggingFilter(QLoggingCategory::CategoryFilter filter);
    ~ScopedLoggingFilter();
    ScopedLoggingFilter(const ScopedLoggingFilter &) = delete;
    ScopedLoggingFilter &operator=(const ScopedLoggingFilter &) = delete;

    // The filter that was in place before this one (call it for what it would decide).
    QLoggingCategory::CategoryFilter previous() const { return m_previous; }

private:
    QLoggingCategory::CategoryFilter m_previous;
};

// While it lives, messages are printed with `pattern` (qSetMessagePattern); the
// pattern of the run (QT_MESSAGE_PATTERN, else Qt's default) comes back when it ends.
class ScopedMessagePattern
{
public:
    explicit ScopedMessagePattern(const QString &pattern);
    ~ScopedMessagePattern();
    ScopedMessagePattern(const ScopedMessagePattern &) = delete;
    ScopedMessagePattern &operator=(const ScopedMessagePattern &) = delete;
};

} // namespace testsupport
