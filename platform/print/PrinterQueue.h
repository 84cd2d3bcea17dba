#pragma once
// Hands a finished PDF file to a printer of the CUPS server (the one CUPS_SERVER or
// the client configuration names), with the options a print dialog chose, as one job.
// A print is made whole first (into a file of its own, on any thread) and handed over
// only then, so that a print stopped before its end sends nothing to the printer.
//
// Stateless and reentrant: any thread may submit (libcups keeps its connection per
// thread). Failure: submit() answers false with the server's reason; nothing is
// printed then. The file is only read.
#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

namespace platform {

class PrinterQueue
{
public:
    // What a job is sent with: the printer's name (a queue, or "queue/instance"), the
    // job's title and its options (name and value, "copies" "2", "sides"
    // "two-sided-long-edge", "page-ranges" "1-3", ...).
    struct Job
    {
        QString printer;
        QString title;
        QList<std::pair<QByteArray, QByteArray>> options;
    };

    // Sends the PDF file to the printer as one job; the job's id on the server when
    // idOut is given.
    static bool submit(const Job &job, const QString &pdfPath, QString *errorReason, int *idOut = nullptr);
};

} // namespace platform
