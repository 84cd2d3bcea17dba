#pragma once
// The signals that end a process from outside (SIGTERM from a shutdown, `systemctl` or
// `kill`, SIGHUP when the session or terminal goes, SIGINT from Control+C), turned into
// an ordinary Qt signal on the GUI thread, so that the end goes through the
// application's own quit. The handler does no work: it writes the signal's number into
// a pipe (async-signal-safe, errno kept), and a socket notifier on the pipe's other end
// emits received() in a later pass of the event loop.
//
// Once install()ed the handler stays for the life of the process: a second signal,
// while the first one's work runs, is noted in the pipe and never cuts that work short
// (received() comes again for it, after the work, if the loop still runs). A full pipe
// drops the byte; the signal then counts as one before it.
//
// Ownership: one object per process, made by install(), owned by the parent given (the
// application object); destroying it puts the default actions back, unless
// ignoreFromNow() was called. Failure: when the
// pipe cannot be made, install() answers null and the signals keep their default
// action (they end the process). Threads: install() and the object on the GUI thread;
// the handler on whichever thread the kernel picks.
#include <QObject>

class QSocketNotifier;

namespace platform {

class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    // The signals handled, in this order.
    static constexpr int Signals[] = {15 /* SIGTERM */, 1 /* SIGHUP */, 2 /* SIGINT */};

    // Installs the handler (once: a second call answers the first object).
    static TerminationSignals *install(QObject *parent);
    // The object install() made, or null.
    static TerminationSignals *installed();
    ~TerminationSignals() override;

    // The process is ending (its event loop is done): from now on the signals are
    // ignored, also once the object is gone, so that none cuts the end short.
    static void ignoreFromNow();

    // The name of a handled signal ("SIGTERM"), for the log.
    static const char *name(int signal);

Q_SIGNALS:
    // A termination signal arrived (its number).
    void received(int signal);

private:
    TerminationSignals(int readEnd, QObject *parent);
    void readPipe();

    int m_readEnd;
    QSocketNotifier *m_notifier;
};

} // namespace platform
