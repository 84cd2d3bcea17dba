#pragma once
// Makes a test fail when one delivery of the GUI thread's event loop holds the thread
// longer than the limit (250 ms): an event, a queued call, a timer or a slot that the
// loop runs. The report names the test, the hold's length and the GUI thread's stack at
// the moment the hold passed four fifths of the limit (so that a hold that ends just past
// the limit has one too), as a Qt warning's report does.
//
// What is measured: each stretch of work that the GUI thread does without coming back
// to an event loop. A delivery that the application's notify() makes (an event, a queued
// call, a timer or a slot; one that QTest's keys and clicks or the test's sendEvent make
// as well) is one, from its start until it returns or until the thread runs a nested
// loop pass (a modal dialog it opened, processEvents), whichever comes first; the
// deliveries of that nested loop are measured on their own, and so is the rest of the
// delivery once the nested loop returns. A loop or pass that leaves out the person's
// input (QEventLoop::ExcludeUserInputEvents) answers nobody: the delivery that runs it
// goes on through it. Every emission of a signal outside a delivery is a delivery too,
// its slots measured: one the test makes itself (click(), trigger(), a Q_EMIT of a
// field's returnPressed() or of a model's dataChanged(), a plain object's signal, a
// timer's timeout called directly), whatever its sender. The slots of a signal that
// product code emits inside a call the test makes (a model's rows inserted by the
// document's call) are that call's own work: when such a hold passes the limit, the
// code that emitted the signal is told from the held stack (the first frame of this
// program's own past Qt's activate(), not moc's; the test's own code lies under
// tests/), and a hold of product code's emission is printed, not failed. A widget's,
// an action's or a timer's signal is a delivery whoever emits it. An event that a
// delivery's code sends is part of that delivery. The test's own code between
// deliveries is not measured.
//
// What counts is the program's own: the time the GUI thread works, or waits on what
// the program controls (its locks, a pool, a file, another program it calls). The time
// it was ready to run but waited for a processor (the kernel's scheduler statistics:
// other programs had the machine) does not count, nor its share of the time the host of
// a virtual machine took the machine's processors (the kernel's "steal", shared evenly
// among them), nor the time it was blocked while other threads of the program were
// ready to run and waited for a processor (it waits on them: a pool's work, a thread it
// joins; the watcher reads their waits once a delivery has run a fifth of the limit; at
// most the sum of their waits), nor, up to two seconds a delivery and
// three seconds a test, the time it waited for the display server's replies where Qt's
// own frames wait (a server that a loaded machine starves answers late): the watcher
// looks every few milliseconds whether the thread waits in a system call that the
// display server's client library (libxcb, libwayland-client) made, called from Qt's
// event dispatch or its backing store's flush with no function of this program in
// between (a wait that our code causes, calling the client library or a Qt call that
// waits for the server, is the program's own and counts; so is one in a pass of the
// loop that a delivery of ours pumps itself, through processEvents(): our code may have
// flooded the server just before), and counts the time between
// two such looks that the thread spent neither on a processor nor waiting for one. The
// report tells both.
//
// The limit is CHRONARK_GUI_HOLD_LIMIT_MS when set (the AddressSanitizer run, whose code
// runs several times slower, raises it; the ThreadSanitizer run turns the watchdog off,
// since its thread would make every test process multi-threaded before the tests that
// fork), else 250. 0 turns the watchdog off. The limit is stretched by the machine's pace
// over the hold (MachinePace.h: how much slower than on a quiet machine a processor runs
// a fixed reference work then, which the watcher times every tenth of a second; at least
// 1, at most 3), and a failure tells the pace: a processor that the programs beside the
// tests slow down, page faults under memory pressure, are the machine's time. A hold
// longer than the limit times 3 fails however loaded the machine (longestLimitMs()).
//
// Each test's own time limit: a test that runs longer than its limit (ctest's for its
// kind of test, which CMake builds into each test program; CHRONARK_TEST_CASE_TIME_LIMIT
// seconds when set; none while a debugger holds the program), stretched by the
// machine's pace over the test (the processor's, times the threads ready to run over the
// processors; at most 4), ends the program with a report that names the test and the
// pace; ctest's own limit is that limit times 4 (and more), for a program whose watcher
// cannot run.
//
// Threads: install() once from main, on the GUI thread, after the application object
// exists. A watcher thread looks at the GUI thread's progress every few milliseconds
// and, when a hold passes four fifths of the limit, takes a copy of the GUI thread's stack without
// changing what the thread does: while the thread waits in a system call (a sleep, a
// lock, a read) the watcher reads its registers from /proc and copies its stack itself,
// so the wait is not cut short; while it runs its own code it is sent a signal whose
// handler only copies its registers and its stack's bytes (async-signal-safe). The
// return addresses in the copy are named when the hold ends (a word left on the stack by
// a call that already returned may be named too), and the failure is reported on the
// GUI thread then, through GoogleTest's ADD_FAILURE.
#include "platform/drawing/Application.h"

namespace testsupport {

// The application object of a test program: the program's own (with its exception
// boundary), each GUI-thread delivery watched.
class WatchedApplication : public platform::Application
{
    Q_OBJECT
public:
    WatchedApplication(int &argc, char **argv);
    ~WatchedApplication() override;

    bool notify(QObject *receiver, QEvent *event) override;
};

// While it lives, a hold of the GUI thread inside the named call (a live frame of the
// held stack holds `call`, "QVideoFrame::toImage": the frames are walked by the code's
// call-frame information, StackUnwind.h, so that words a call which returned left on
// the stack do not count) is printed with its reason instead of failing the test: a hold inside a library that the test cannot avoid and the program
// knows of (said where it is used). Any other hold fails as before. Nests; GUI thread
// only.
class KnownGuiThreadHold
{
public:
    KnownGuiThreadHold(const char *call, const char *reason);
    ~KnownGuiThreadHold();
    KnownGuiThreadHold(const KnownGuiThreadHold &) = delete;
    KnownGuiThreadHold &operator=(const KnownGuiThreadHold &) = delete;
};

namespace GuiThreadWatchdog {

// The limit in milliseconds (0: off), before the machine's pace stretches it.
int limitMs();
// The most the limit can be stretched to: a hold longer than this fails on any machine.
int longestLimitMs();
// Starts watching the GUI thread's deliveries (the application object must exist).
void install();
// Stops the watcher thread (the program's end).
void uninstall();

} // namespace GuiThreadWatchdog

} // namespace testsupport
