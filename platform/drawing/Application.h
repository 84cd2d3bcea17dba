#pragma once
// The application object: a QApplication whose event delivery is the exception
// boundary of the process. Every slot, event handler, timer, queued call and item
// model method that the event loop reaches runs inside notify(); an exception that
// escapes one of them (platform::Exception from an index check, key-value observing
// or a hot-key registration, std::exception from anywhere) is caught there, logged
// with qCritical (the receiver's class and name, the event type and what() said), and
// the event counts as not handled. The process goes on; nothing unwinds into Qt's
// event loop. It is the last resort, not a way to report errors: Qt's own frames
// between this boundary and the thrower are built without exception support, so what
// they held is not released (a key handler that throws leaks a few bytes of Qt's
// bookkeeping); code that expects a failure catches it where it happens. Code that
// runs outside the loop (main() before exec()) catches its own.
//
// One per process, made by main() (and by the tests' main). GUI thread only.
#include <QApplication>

namespace platform {

class Application : public QApplication
{
    Q_OBJECT
public:
    Application(int &argc, char **argv);
    ~Application() override;

    bool notify(QObject *receiver, QEvent *event) override;

    // Exceptions caught by notify() in this process so far.
    static int caughtExceptionCount();
};

} // namespace platform
