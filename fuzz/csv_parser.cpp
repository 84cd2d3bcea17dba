// Fuzz target: CSV parsing of any bytes. The first bytes choose the encoding, the
// delimiter, trimming and the chunk size; the rest is the input. Checks the order of
// the events, that any input gives the same events read 4 bytes at a time, that
// a second parse of the same buffer is an empty document, and the separator guess.
#include "FoundationExtensions/NTXCSVParser.h"
#include "FoundationExtensions/NTXCSVParserDelegate.h"
#include "FoundationExtensions/NTXStringEncodings.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryFile>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using namespace NTXStringEncodings;

constexpr quint32 Encodings[] = {UTF8StringEncoding, UnicodeStringEncoding, UTF16LittleEndianStringEncoding,
                                 UTF16BigEndianStringEncoding, UTF32StringEncoding, WindowsCP1252StringEncoding,
                                 MacOSRomanStringEncoding, ShiftJISStringEncoding};
const char16_t Delimiters[] = {u',', u';', u'\t', u'|', u' ', u'a', u'\u00e9', u'\u0301'};

struct Recorder : NTXCSVParserDelegate
{
    QStringList events;
    void parserDidStartDocument(NTXCSVParser *, const QString &) override { events << QStringLiteral("<doc"); }
    void parserDidStartLine(NTXCSVParser *, qsizetype line) override { events << QStringLiteral("<%1").arg(line); }
    void parserDidReadField(NTXCSVParser *, const QString &field) override { events << QLatin1Char('=') + field; }
    void parserDidEndLine(NTXCSVParser *, qsizetype line) override { events << QStringLiteral(">%1").arg(line); }
    void parserDidEndDocument(NTXCSVParser *, const QString &) override { events << QStringLiteral("doc>"); }
    void parserDidFailWithError(NTXCSVParser *, const NTXCSVError &e) override
    {
        events << QStringLiteral("fail%1").arg(e.code);
    }
};

// start-document (start-line field+ end-line)* (end-document | fail1), lines numbered upwards;
// before a failure the last line may end with no field (the one it was in was cut).
void checkGrammar(const QStringList &events, bool ok)
{
    if (events.size() < 2 || events.front() != QLatin1String("<doc"))
        std::abort();
    if (events.back() != (ok ? QLatin1String("doc>") : QLatin1String("fail1")))
        std::abort();
    qsizetype lastLine = 0;
    qsizetype i = 1;
    while (i < events.size() - 1) {
        if (!events[i].startsWith(u'<'))
            std::abort();
        const qsizetype line = events[i].mid(1).toLongLong();
        if (line <= lastLine)
            std::abort();
        lastLine = line;
        ++i;
        qsizetype fields = 0;
        while (i < events.size() - 1 && events[i].startsWith(u'=')) {
            ++fields;
            ++i;
        }
        const bool lastBeforeFailure = !ok && i == events.size() - 2;
        if ((fields == 0 && !lastBeforeFailure) || i >= events.size() - 1 || events[i] != QStringLiteral(">%1").arg(line))
            std::abort();
        ++i;
    }
}

QStringList parse(const QByteArray &bytes, quint32 encoding, char16_t delimiter, bool trim, qsizetype chunk,
                  bool *ok)
{
    QBuffer buffer;
    buffer.setData(bytes);
    auto parser = NTXCSVParser::parserWithDevice(&buffer, encoding);
    if (!parser)
        std::abort();
    Recorder recorder;
    parser->setDelegate(&recorder);
    parser->setDelimiter(QString(QChar(delimiter)));
    parser->setTrimSpaces(trim);
    parser->setChunkSize(chunk);
    *ok = parser->parse();
    checkGrammar(recorder.events, *ok);
    // The buffer was read: a second parse finds nothing.
    Recorder again;
    parser->setDelegate(&again);
    if (!parser->parse() || again.events != QStringList{QStringLiteral("<doc"), QStringLiteral("doc>")})
        std::abort();
    return recorder.events;
}

void checkSeparatorGuess(const QByteArray &bytes)
{
    // One file for the run, removed when the program ends.
    static QTemporaryFile *file = [] {
        static QTemporaryFile f;
        if (!f.open())
            std::abort();
        return &f;
    }();
    file->resize(0);
    file->seek(0);
    file->write(bytes);
    file->flush();
    qsizetype expected = NTXCSVParser::NotFound;
    for (qsizetype i = 0; i < std::min<qsizetype>(bytes.size(), NTXCSVParser::SeparatorSniffBytes); ++i) {
        const char b = bytes[i];
        if (b == 0 || b == '\n' || b == '\r')
            break;
        if (b == ',' || b == ';' || b == '\t') {
            expected = b == ',' ? 0 : b == ';' ? 1 : 2;
            break;
        }
    }
    if (NTXCSVParser::autodetectSeparatorForCSVFile(file->fileName()) != expected)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    const quint32 encoding = Encodings[data[0] % std::size(Encodings)];
    const char16_t delimiter = Delimiters[data[1] % std::size(Delimiters)];
    const bool trim = data[1] & 0x80;
    const qsizetype chunk = 4 + (qsizetype(data[2]) * 257) % (65536 - 4 + 1);
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 3, qsizetype(size - 3));

    // Decoding failures are reported where the parse reaches them, so even input
    // that does not decode gives the same events read 4 bytes at a time.
    bool ok = false;
    const QStringList events = parse(bytes, encoding, delimiter, trim, chunk, &ok);
    bool smallOk = false;
    if (parse(bytes, encoding, delimiter, trim, 4, &smallOk) != events || smallOk != ok)
        std::abort();
    if (bytes.size() <= 4096)
        checkSeparatorGuess(bytes);
    return 0;
}
