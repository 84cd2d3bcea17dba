#include "FoundationExtensions/NTXCSVExport.h"
#include "FoundationExtensions/NTXCSVParser.h"
#include "FoundationExtensions/NTXCSVParserDelegate.h"
#include "FoundationExtensions/NTXStringEncodings.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDateTime>

#include <random>

using namespace NTXStringEncodings;

namespace {

const QString Separators[] = {QStringLiteral(","), QStringLiteral(";"), QStringLiteral("\t")};
const QString LineEnds[] = {QStringLiteral("\r\n"), QStringLiteral("\r"), QStringLiteral("\n")};

// The expected bytes, encoded by hand: the texts below are ASCII but for "é".
QByteArray bytesOf(const QString &text, quint32 encoding)
{
    QByteArray out;
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        switch (encoding) {
        case UTF8StringEncoding:
            out += QString(ch).toUtf8();
            break;
        case UnicodeStringEncoding:
            out += char(u >> 8);
            out += char(u & 0xFF);
            break;
        case WindowsCP1252StringEncoding:
            out += u == 0xE9 ? '\xe9' : char(u);
            break;
        case MacOSRomanStringEncoding:
            out += u == 0xE9 ? '\x8e' : char(u);
            break;
        }
    }
    return out;
}

QByteArray written(quint32 encoding, int separator, int lineEnd, const QList<QVariantList> &rows,
                   bool forceQuotes = false, const QVariantList &afterwards = {})
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    NTXCSVExport writer(&buffer);
    writer.setEncoding(encoding);
    writer.setSeparatorType(separator);
    writer.setLineEndType(lineEnd);
    writer.setForceQuotes(forceQuotes);
    EXPECT_TRUE(writer.writeRows(rows));
    if (!afterwards.isEmpty()) {
        EXPECT_TRUE(writer.writeRow(afterwards));
    }
    return buffer.data();
}

class FailingDevice : public QIODevice
{
public:
    FailingDevice() { open(QIODevice::WriteOnly); }
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 size) override { return size > 2 ? 2 : size; }
};

// Refuses one write, the one numbered `refused` (from 0), and takes every other whole:
// a disk that was full for a moment.
class OneRefusedWrite : public QIODevice
{
public:
    explicit OneRefusedWrite(int refused) : m_refused(refused) { open(QIODevice::WriteOnly); }
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 size) override { return m_writes++ == m_refused ? -1 : size; }

private:
    int m_refused;
    int m_writes = 0;
};

struct Rows : NTXCSVParserDelegate
{
    QList<QStringList> rows;
    bool ended = false;
    void parserDidStartLine(NTXCSVParser *, qsizetype) override { rows.append(QStringList()); }
    void parserDidReadField(NTXCSVParser *, const QString &field) override { rows.last().append(field); }
    void parserDidEndDocument(NTXCSVParser *, const QString &) override { ended = true; }
};

} // namespace

TEST(CSVExport, EdgeCasesByteForByteInEveryCodeAndEncoding)
{
    const QList<QVariantList> rows = {
        {QStringLiteral("a"), QStringLiteral("b c"), QStringLiteral("5\"3")},
        {QStringLiteral("x,y"), QStringLiteral("caf\u00e9"), QStringLiteral("l1\nl2"), QStringLiteral("cr\rcr"),
         QStringLiteral("t\tu;v")},
        {},
        {qint64(-42), 2.5, QDateTime(QDate(2024, 3, 5), QTime(8, 30), Qt::OffsetFromUTC, 3600), QString()},
    };
    for (const quint32 encoding : {quint32(UTF8StringEncoding), quint32(UnicodeStringEncoding),
                                   quint32(WindowsCP1252StringEncoding), quint32(MacOSRomanStringEncoding)}) {
        for (int separator = 0; separator < 4; ++separator) {
            for (int lineEnd = 0; lineEnd < 4; ++lineEnd) {
                SCOPED_TRACE(testing::Message() << encoding << " " << separator << " " << lineEnd);
                const QString s = Separators[separator % 3];
                const QString e = LineEnds[lineEnd % 3];
                const QString expected = u'a' + s + u"\"b c\"" + s + u"\"5\"\"3\"" + e
                    + u"\"x,y\"" + s + u"caf\u00e9" + s + u"\"l1\nl2\"" + s + u"\"cr\rcr\"" + s + u"\"t\tu;v\"" + e
                    + e
                    + u"-42" + s + u"2.5" + s + u"2024-03-05T08:30:00+01:00" + s + e;
                EXPECT_EQ(written(encoding, separator, lineEnd, rows), bytesOf(expected, encoding));
            }
        }
        // Nothing for no rows; forced quotes around empty fields; the line end stays for writeRow().
        EXPECT_EQ(written(encoding, 0, 0, {}), QByteArray());
        EXPECT_EQ(written(encoding, 2, 2, {{QString(), QStringLiteral("a")}}, true, {QStringLiteral("b")}),
                  bytesOf(QStringLiteral("\"\"\t\"a\"\n\"b\"\n"), encoding));
    }
    // A writer on which only writeRow() is called ends lines with CR.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    NTXCSVExport plain(&buffer);
    plain.setEncoding(UTF8StringEncoding);
    plain.setSeparatorType(2);
    EXPECT_TRUE(plain.writeRow({QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(buffer.data(), QByteArray("a,b\r"));
}

TEST(CSVExport, LossyRow)
{
    const QByteArray bytes = written(WindowsCP1252StringEncoding, 0, 2,
                                     {{QStringLiteral("a")}, {QStringLiteral("\u65e5\u672c"), QStringLiteral("\u20ac")},
                                      {QStringLiteral("z")}});
    EXPECT_EQ(bytes, QByteArray("a\n??,\x80\nz\n"));
}

TEST(CSVExport, AByteOrderMarkOnlyWhenTheCallerAsksForOne)
{
    const QList<QVariantList> rows = {{QStringLiteral("a"), QStringLiteral("b")}};
    for (const quint32 encoding : {UnicodeStringEncoding, UTF8StringEncoding, UTF16LittleEndianStringEncoding}) {
        SCOPED_TRACE(encoding);
        const QByteArray plain = written(encoding, 0, 2, rows);
        EXPECT_EQ(plain, encode(QStringLiteral("a,b\n"), encoding));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        NTXCSVExport writer(&buffer);
        writer.setEncoding(encoding);
        writer.setLineEndType(2);
        writer.setWritesByteOrderMark(true);
        ASSERT_TRUE(writer.writeRows(rows));
        EXPECT_EQ(buffer.data(), encode(QString(QChar(0xFEFF)), encoding) + plain);
    }
    // Big-endian UTF-16 for the platform's Unicode: FE FF.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    NTXCSVExport writer(&buffer);
    writer.setEncoding(UnicodeStringEncoding);
    writer.setWritesByteOrderMark(true);
    ASSERT_TRUE(writer.writeRows({}));
    EXPECT_EQ(buffer.data(), QByteArray("\xfe\xff"));
}

TEST(CSVExport, FailingDeviceOrEncoding)
{
    FailingDevice device;
    NTXCSVExport writer(&device);
    writer.setEncoding(UTF8StringEncoding);
    EXPECT_FALSE(writer.writeRows({{QStringLiteral("abc")}}));
    EXPECT_TRUE(writer.writeRows({{}})); // two bytes fit
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    NTXCSVExport unset(&buffer);
    EXPECT_FALSE(unset.writeRows({{QStringLiteral("a")}}));
    EXPECT_EQ(buffer.data(), QByteArray());
}

TEST(CSVExport, ARowThatFailsAnywhereFailsTheWhole)
{
    const QList<QVariantList> rows = {{QStringLiteral("a"), 1}, {QStringLiteral("b"), 2}, {QStringLiteral("c"), 3},
                                      {QStringLiteral("d"), 4}};
    for (const bool mark : {false, true}) {
        // Every write there is: the mark, when asked for, then one a row.
        const int writes = int(rows.size()) + (mark ? 1 : 0);
        for (int refused = 0; refused <= writes; ++refused) {
            OneRefusedWrite device(refused);
            NTXCSVExport writer(&device);
            writer.setEncoding(UTF8StringEncoding);
            writer.setWritesByteOrderMark(mark);
            EXPECT_EQ(writer.writeRows(rows), refused == writes) << "mark " << mark << ", write " << refused << " refused";
        }
    }
}

TEST(CSVExport, EveryLineEndAReaderSeesIsQuotedAndReadBack)
{
    // Each character the reader takes for a line end, alone, doubled and at either end
    // of a field, a lone CR among them.
    const QString ends[] = {QStringLiteral("\n"), QStringLiteral("\r"), QStringLiteral("\r\n"), QStringLiteral("\v"),
                            QStringLiteral("\f"), QStringLiteral("\u0085"), QStringLiteral("\u2028"),
                            QStringLiteral("\u2029")};
    QList<QVariantList> rows;
    QList<QStringList> expected;
    for (const QString &end : ends) {
        const QStringList row = {QStringLiteral("a") + end + QStringLiteral("b"), end + end + QStringLiteral("c"),
                                 QStringLiteral("d") + end};
        rows.append(QVariantList(row.begin(), row.end()));
        expected.append(row);
    }
    for (int separator = 0; separator < 3; ++separator) {
        for (int lineEnd = 0; lineEnd < 3; ++lineEnd) {
            const QByteArray bytes = written(UTF8StringEncoding, separator, lineEnd, rows);
            EXPECT_TRUE(bytes.startsWith("\"a\nb\"")) << bytes.constData();
            QBuffer buffer;
            buffer.setData(bytes);
            auto parser = NTXCSVParser::parserWithDevice(&buffer, UTF8StringEncoding);
            parser->setSeparatorType(separator);
            Rows back;
            parser->setDelegate(&back);
            EXPECT_TRUE(parser->parse());
            EXPECT_EQ(back.rows, expected) << "codes " << separator << lineEnd;
        }
    }
}

TEST(CSVExport, RandomRowsRoundTripInEveryCode)
{
    std::mt19937 random(18);
    const QString alphabet = QStringLiteral("ab Z09\",;\t\n\r\v\f\u0085\u2028\u2029\u00e9\u20ac\u65e5#'");
    for (const quint32 encoding : {quint32(UTF8StringEncoding), quint32(UnicodeStringEncoding)}) {
        for (int separator = 0; separator < 3; ++separator) {
            for (int lineEnd = 0; lineEnd < 3; ++lineEnd) {
                // Quoted only where needed, then every field quoted (an empty one as "").
                for (const bool forceQuotes : {false, true}) {
                    QList<QVariantList> rows;
                    QList<QStringList> expected;
                    for (int r = 0; r < 40; ++r) {
                        QStringList row;
                        const int fields = 1 + int(random() % 6);
                        for (int f = 0; f < fields; ++f) {
                            QString field;
                            const int length = int(random() % 7);
                            for (int i = 0; i < length; ++i)
                                field += alphabet.at(qsizetype(random() % alphabet.size()));
                            row << field;
                        }
                        if (row.first().startsWith(u'#'))
                            row.first().prepend(u'x');
                        if (row.size() == 1 && row.first().isEmpty())
                            row.first() = QStringLiteral("e");
                        rows.append(QVariantList(row.begin(), row.end()));
                        expected.append(row);
                    }
                    const QByteArray bytes = written(encoding, separator, lineEnd, rows, forceQuotes);
                    QBuffer buffer;
                    buffer.setData(bytes);
                    auto parser = NTXCSVParser::parserWithDevice(&buffer, encoding);
                    parser->setSeparatorType(separator);
                    Rows back;
                    parser->setDelegate(&back);
                    EXPECT_TRUE(parser->parse());
                    EXPECT_TRUE(back.ended);
                    EXPECT_EQ(back.rows, expected)
                        << "encoding " << encoding << " codes " << separator << lineEnd << " forced " << forceQuotes;
                }
            }
        }
    }
}
