// Fuzz target: what the crash reporter reads from files it did not write itself (a
// crash log and the console log, any bytes, invalid UTF-8 included), and the link
// detection over the same text.
#include "FoundationExtensions/NTXNSMutableAttributedStringExtensions.h"
#include "NTXAppKit/reporting/NTXCrashReporter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

struct Place
{
    QTemporaryDir dir;
    QString crashLog;
    QString consoleLog;
    Place()
    {
        crashLog = dir.filePath(QStringLiteral("CrashReporter/chronark_1_1.crash"));
        consoleLog = dir.filePath(QStringLiteral("console.log"));
        QDir().mkpath(dir.filePath(QStringLiteral("CrashReporter")));
        NTXCrashReporter::setFolders(dir.filePath(QStringLiteral("CrashReporter")), consoleLog);
    }
};

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Place place;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    write(place.crashLog, bytes);
    write(place.consoleLog, bytes);

    const QString report = NTXCrashReporter::lastCrashReport();
    // The last piece never holds the separator, and nothing longer than the file comes back.
    if (report.contains(NTXCrashReporter::ReportSeparator) || report.size() > qsizetype(size) + 1)
        std::abort();
    const QString console = NTXCrashReporter::consoleLog();
    if (!console.isEmpty() && !console.contains(QStringLiteral("chronark[")))
        std::abort();

    platform::AttributedString text(QString::fromUtf8(bytes));
    NTXNSMutableAttributedStringExtensions::detectURLs(text, QColor(Qt::blue));
    for (const platform::AttributedString::Run &run : text.runs()) {
        const QVariant link = run.attributes.value(platform::AttributedString::LinkAttribute);
        if (link.isValid() && (!link.toUrl().isValid() || link.toUrl().scheme().isEmpty()))
            std::abort();
    }
    if (text.string() != QString::fromUtf8(bytes))
        std::abort();
    return 0;
}
