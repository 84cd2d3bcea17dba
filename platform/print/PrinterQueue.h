#pragma once
// The printers of the CUPS server (the one CUPS_SERVER or the client configuration
// names) and the hand-over of a finished PDF to one of them, as one job with the
// options a print dialog chose. A print is made whole first (into a file of its own,
// on any thread) and handed over only then, so that a print stopped before its end
// sends nothing to the printer.
//
// Every call that reaches the server goes through a connection of the call's own
// whose waits are bounded: a server that accepts and never answers (a network print
// server that hangs) ends the call after ServerBound of silence with a reason that
// names it, and a cancel predicate, asked at least every CancelPoll while the server
// is silent and between the pieces of a file, ends it then (libcups waits up to one
// second more for a server's go-ahead on each request, which nothing cuts short; a
// silent server thus costs about a second more for each request a call still makes).
// Meant for pool threads: printers() and submit() block up to those bounds. stopServerCallsOnThisThread()
// points the calling thread's own libcups (the one Qt's printer support uses) at no
// server, so that nothing there waits for one: the GUI thread calls it before it makes
// a QPrinter, and then never finds a printer through Qt.
//
// Re-entrant: each call owns its connection and everything it reads; libcups keeps
// its settings per thread and each call reads the server anew. Failure: printers()
// tells whether the server answered, could not be reached or was silent;
// submit() answers false with the reason (none when cancelled). A job the server
// made and that did not reach its end (a cancel, a failure while the file went over)
// is withdrawn, on a pool thread of its own within the same bound. The file is only
// read.
#include <QByteArray>
#include <QList>
#include <QString>
#include <chrono>
#include <functional>
#include <utility>

class QIODevice;

namespace platform {

class PrinterQueue
{
public:
    // How long a server may stay silent (and a connection take to be made).
    static constexpr std::chrono::milliseconds ServerBound{5000};
    // How often a cancel is looked at while the server is silent.
    static constexpr std::chrono::milliseconds CancelPoll{100};

    using Options = QList<std::pair<QByteArray, QByteArray>>;
    // Answers true when the call is to end now.
    using Cancelled = std::function<bool()>;

    // What a job is sent with: the printer's name (a queue, or "queue/instance"), the
    // job's title and its options (name and value, "copies" "2", "sides"
    // "two-sided-long-edge", "page-ranges" "1-3", ...). An instance's own options go
    // with it, under those given here.
    struct Job
    {
        QString printer;
        QString title;
        Options options;
    };

    // A printer the server offers: "queue" or "queue/instance".
    struct Printer
    {
        QString name;
        bool isDefault = false;
    };
    struct Printers
    {
        enum State {
            Answered,    // the server answered (with no printer, maybe)
            Unreachable, // no server there (refused, no such socket, no such host)
            Silent,      // the server did not answer within the bound
            Stopped,     // cancelled
        };
        State state = Unreachable;
        // The server asked, as a person would name it ("printhost:631", a socket's path).
        QString server;
        QList<Printer> printers;
        // Why there is no list (Unreachable, Silent), naming the server.
        QString reason;
    };

    // The printers of the server, the default one marked.
    static Printers printers(const Cancelled &cancelled = {});
    // Sends the PDF (read from its start to its end) to the printer as one job; the
    // job's id on the server when idOut is given. False with the reason when the
    // server refused it or could not take it, false without one when cancelled.
    static bool submit(const Job &job, QIODevice &pdf, QString *errorReason, const Cancelled &cancelled = {},
                       int *idOut = nullptr);

    // Points this thread's own libcups calls at no server: they answer at once, with
    // no printer.
    static void stopServerCallsOnThisThread();
};

} // namespace platform
