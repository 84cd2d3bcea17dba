#pragma once
// Makes a test fail when one delivery of the GUI thread's event loop holds the thread
// longer than the limit (250 ms): an event, a queued call, a timer or a slot that the
// loop runs. The report names the test, the hold's length and the GUI thread's stack at
// the moment the hold passed the limit, as a Qt warning's report does.
//
// What is measured: each delivery that the application's notify() makes on the GUI
// thread from inside an event-loop pass (QEventLoop::exec, processEvents: QTest::qWait,
// qWaitFor, QSignalSpy::wait, a dialog's exec), from its start until it returns or until
// the thread runs a nested loop pass (a modal dialog the delivery opened), whichever
// comes first; the next delivery of the nested loop starts a new interval. The test's own code between loop
// passes is not measured, and neither is an event the test sends itself (QTest's key
// and mouse events, sendEvent) outside a loop pass: a hold counts only when the GUI
// thread's stack shows an event loop under the delivery. The time the GUI thread was
// ready to run but waited for a processor (the kernel's scheduler statistics: other
// test programs had the machine) is not the delivery's and does not count; time spent
// blocked (sleeping, waiting on a lock, a process or a file) does.
//
// The limit is CHRONARK_GUI_HOLD_LIMIT_MS when set (the AddressSanitizer run, whose code
// runs several times slower, raises it; the ThreadSanitizer run turns the watchdog off,
// since its thread would make every test process multi-threaded before the tests that
// fork), else 250. 0 turns the watchdog off.
//
// Threads: install() once from main, on the GUI thread, after the application object
// exists. A watcher thread looks at the GUI thread's progress every few milliseconds
// and, when a hold passes the limit, has the GUI thread record its own stack (a signal
// sent to it, whose handler only copies return addresses); the failure is reported on
// the GUI thread when the hold ends, through GoogleTest's ADD_FAILURE.
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

// While it lives, a hold of the GUI thread is printed with its reason instead of failing
// the test: for a hold inside a library that the test cannot avoid and the program
// knows of (said where it is used). Nests; GUI thread only.
class KnownGuiThreadHold
{
public:
    explicit KnownGuiThreadHold(const char *reason);
    ~KnownGuiThreadHold();
    KnownGuiThreadHold(const KnownGuiThreadHold &) = delete;
    KnownGuiThreadHold &operator=(const KnownGuiThreadHold &) = delete;

private:
    const char *m_previous;
};

namespace GuiThreadWatchdog {

// The limit in milliseconds (0: off).
int limitMs();
// Starts watching the GUI thread's deliveries (the application object must exist).
void install();
// Stops the watcher thread (the program's end).
void uninstall();

} // namespace GuiThreadWatchdog

} // namespace testsupport
