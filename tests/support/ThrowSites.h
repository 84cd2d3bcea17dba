#pragma once
// Makes an exception that reaches one of the program's nets fail the test that caused
// it, naming where it was thrown.
//
// Our entries from Qt stop exceptions at their boundary (platform::ExceptionBoundary),
// and the application object's notify() is the last one; both report on
// "chronark.exceptions" and let the program go on, which in a test would hide the fault.
// The Qt-warning check (QtWarningCheck.h) fails the test on such a report unless the test
// expects it (an ExceptionLog or an ExpectedQtWarning holds it), and adds the stack of the
// throw. A throw that ends the process (out of a task of a thread pool, out of a paint,
// out of a noexcept function) is reported by the terminate handler installed here: the
// test, the exception and the stack of its throw, before the process aborts, so that
// ctest names the test and the report names the line; it is in place before the test
// program's static initializers run, so that a throw of one names its line too. An
// exception that leaves the test body (a slot the test calls itself) fails the test
// through GoogleTest, and a listener installed here adds the stack of its throw.
//
// How the stack of a throw is known: the program's own __cxa_throw, which every throw
// of the process (ours, the standard library's, Qt's) calls, keeps the return addresses
// of the latest throw of each thread before it hands the exception on to the C++
// runtime. A rethrow keeps the stack of the first throw.
//
// Thread-safety: the record is per thread; lastThrowSite() reads the calling thread's.
// A copy of the latest of all threads is kept under a spin lock that a throw holds for
// the copy only.
#include <QString>

namespace testsupport {

// The named stack of the latest throw on the calling thread ("" when none was seen).
QString lastThrowSite();
// The same for the latest throw of any thread of the process.
QString latestThrowSiteOfTheProcess();

// Installs the terminate handler and the listener (once, from main).
void installThrowReport();

} // namespace testsupport
