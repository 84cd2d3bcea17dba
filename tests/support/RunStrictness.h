#pragma once
// Makes a test program fail where a green run would hide that nothing was tested.
//
// Two things pass silently under GoogleTest: a program whose name filter matches no
// test (a suite renamed under a filter runs nothing and exits 0), and a test that
// skips itself (GTEST_SKIP counts as a pass). With strictness on (the environment
// variable CHRONARK_STRICT_TESTS set to 1, as CI does), a program that ran no test
// fails, and so does every skip whose reason is not on the allowlist
// tests/support/skip-allowlist.txt (one reason a line, matched whole: a reason that
// only begins with a listed one is refused; '#' starts a comment; the variable
// CHRONARK_SKIP_ALLOWLIST names another file, for the check of this matching).
// Listing tests (--gtest_list_tests, ctest's discovery) is never judged.
//
// Thread-safety: installed once from main before the tests run; the listener is
// called by GoogleTest on the thread that runs the tests.
#include <QStringList>

namespace testsupport {

// Installs the listener when strictness is on. Call after InitGoogleTest.
void installRunStrictness();

// The verdict for a finished run: 0 if the run stands, 1 otherwise (the reasons
// are printed). Combine with RUN_ALL_TESTS' own result.
int runStrictnessVerdict();

// Whether a skip reason is on the allowlist (exposed for the support's own test).
bool skipReasonAllowed(const QString &reason, const QStringList &allowlist);

} // namespace testsupport
