#include "platform/print/PrinterQueue.h"

#include <QCoreApplication>
#include <QFile>

#include <cups/cups.h>

namespace platform {

bool PrinterQueue::submit(const Job &job, const QString &pdfPath, QString *errorReason, int *idOut)
{
    if (job.printer.isEmpty()) {
        if (errorReason)
            *errorReason = QCoreApplication::translate("platform::PrinterQueue", "No printer was chosen.");
        return false;
    }
    cups_option_t *options = nullptr;
    int count = 0;
    for (const auto &[name, value] : job.options)
        count = cupsAddOption(name.constData(), value.constData(), count, &options);
    const QByteArray printer = job.printer.toLocal8Bit();
    const QByteArray file = QFile::encodeName(pdfPath);
    const QByteArray title = job.title.toUtf8();
    const int id = cupsPrintFile2(CUPS_HTTP_DEFAULT, printer.constData(), file.constData(), title.constData(), count,
                                  options);
    cupsFreeOptions(count, options);
    if (idOut)
        *idOut = id;
    if (id > 0)
        return true;
    if (errorReason) {
        const char *why = cupsLastErrorString();
        *errorReason = why && *why ? QString::fromUtf8(why)
                                   : QCoreApplication::translate("platform::PrinterQueue", "The printer did not take the job.");
    }
    return false;
}

} // namespace platform
