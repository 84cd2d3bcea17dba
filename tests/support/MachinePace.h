#pragma once
// How much slower the machine runs the tests now than a quiet one: the time limits of
// the tests (the GUI thread's 250 ms, each test's own) judge the program, and time the
// machine took (a processor slowed by the programs beside it, page faults under memory
// pressure, a host that took the processors, processors shared among more threads than
// there are) is not the program's.
//
// What is measured: a fixed reference work (writing fresh pages of memory, which the
// kernel must find, and reading them back in a scattered order), timed by the thread
// that calls sample() (the GUI-thread watchdog's watcher, every tenth of a second), less
// the time that thread waited for a processor. Its time over the quietest it was ever
// seen (ReferenceWorkQuietNs, the time on a quiet reference machine, or this process's
// own fastest where that is faster) is the processor's factor; the processors the
// machine has over the threads that were ready to run (/proc/loadavg) is the share a
// thread gets of one. Both are kept for the latest minute.
//
// holdFactor() is for a hold of the GUI thread, whose time waiting for a processor the
// watchdog already leaves out: the processor's factor alone (the median over the hold).
// testFactor() is for a test's whole run: the processor's factor times the threads' share
// (the means over the test). Each is at least 1 (a machine faster than the reference
// makes no limit shorter) and at most its cap: a hold or a test longer than the limit
// times the cap fails however loaded the machine.
//
// Threads: sample() from one thread at a time; the factors from any thread (a mutex
// guards the samples). Nothing here throws; a machine whose /proc cannot be read gives
// factor 1.
#include <QtGlobal>

namespace testsupport::MachinePace {

// The most a hold's limit and a test's time limit are stretched.
constexpr double HoldFactorCap = 3.0;
constexpr double TestFactorCap = 4.0;

// Runs the reference work once on the calling thread and keeps its time (about a
// millisecond on a quiet machine).
void sample();

// The factors over the steady clock's nanoseconds [from, to] (the sample before `from`
// taken in); 1 when no sample was taken then.
double holdFactor(qint64 fromNs, qint64 toNs);
double testFactor(qint64 fromNs, qint64 toNs);

// The steady clock's nanoseconds, as the factors take them.
qint64 nowNs();

// A time limit of a test's own wait (a player that reports nothing for 30 s has
// stalled) stretched by the machine's pace since the wait began at `sinceNs`, as each
// test's time limit is (testFactor()); in milliseconds.
qint64 stretchedMs(qint64 ms, qint64 sinceNs);

} // namespace testsupport::MachinePace
