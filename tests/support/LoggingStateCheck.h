#pragma once
// Makes a test fail when it leaves the process's logging state other than it found it.
//
// The Qt-warning check (QtWarningCheck.h) sees a warning only while the logging state is
// the run's: a test that turns warnings off for the default category, installs a filter
// or a message handler of its own, sets QT_LOGGING_RULES or QT_MESSAGE_PATTERN, or gives
// messages another pattern, silences or changes the check for every test after it. The
// forms are linted (tools/check-test-hygiene); this check looks at the state itself:
// before each test it notes the message handler, the logging-category filter, the
// logging variables of the environment, the printed form of a message and the kinds of
// message each of a few categories lets through (the default one, one of ours, one of
// Qt's, and "chronark.exceptions", whose critical messages are the exception nets'
// reports: a rule that turns them off turns the nets off), and after it compares. A
// variable changed from one value to another is a change too. A change fails the test, names what changed, and the
// state of before is put back, so that the tests after it run under the run's state.
// Scopes that change the state for a test's duration (CapturedLog, ScopedLoggingFilter,
// ScopedMessagePattern, ExceptionLog) put it back when they end, and pass.
//
// Thread-safety: installed once from main on the GUI thread, after the Qt-warning check;
// the listener runs on the thread that runs the tests. The handler and the filter are read
// by putting them back at once; a message logged by another thread in that moment is
// printed by Qt's own handler.
namespace testsupport {

void installLoggingStateCheck();

} // namespace testsupport
