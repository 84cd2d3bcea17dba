#include "FoundationExtensions/NTXCSVAdditions.h"
#include "FoundationExtensions/NTXCSVParser.h"
#include "FoundationExtensions/NTXCSVParserDelegate.h"
#include "FoundationExtensions/NTXStringEncodings.h"
#include "platform/foundation/Exception.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>

using namespace NTXStringEncodings;

namespace {

// Renders the events compactly: "1(a|b)2(c)." — line number, fields, "." at the
// end of the document or "!code" on failure.
struct Recorder : NTXCSVParserDelegate
{
    QString out;
    int cancelAtField = -1;
    int fields = 0;
    QStringList lineFields;
    void parserDidStartLine(NTXCSVParser *, qsizetype line) override
    {
        out += QString::number(line) + u'(';
        lineFields.clear();
    }
    void parserDidReadField(NTXCSVParser *parser, const QString &field) override
    {
        lineFields << field;
        if (++fields == cancelAtField)
            parser->cancelParsing();
    }
    void parserDidEndLine(NTXCSVParser *, qsizetype) override { out += lineFields.join(u'|') + u')'; }
    void parserDidEndDocument(NTXCSVParser *, const QString &) override { out += u'.'; }
    void parserDidFailWithError(NTXCSVParser *, const NTXCSVError &error) override
    {
        out += u'!' + QString::number(error.code);
    }
};

QString parseBytes(const QByteArray &bytes, quint32 encoding, qsizetype chunk = NTXCSVParser::DefaultChunkSize,
                   const QString &delimiter = QStringLiteral(","), bool trim = false)
{
    QBuffer buffer;
    buffer.setData(bytes);
    auto parser = NTXCSVParser::parserWithDevice(&buffer, encoding);
    Recorder recorder;
    parser->setDelegate(&recorder);
    parser->setDelimiter(delimiter);
    parser->setTrimSpaces(trim);
    parser->setChunkSize(chunk);
    parser->parse();
    return recorder.out;
}

} // namespace

TEST(CSVParser, EdgeCasesAndMends)
{
    struct Case
    {
        const char *name;
        QByteArray input; // UTF-8
        QString expected;
        QString delimiter = QStringLiteral(",");
        bool trim = false;
    };
    const Case cases[] = {
        {"quoted fields", "a,\"b,c\",\"d\"\"e\"\n", QStringLiteral("1(a|b,c|d\"e).")},
        {"separator before line break", "a,b,\n", QStringLiteral("1(a|b|).")},
        {"separator at the very end", "a,b,", QStringLiteral("1(a|b|).")},
        {"backslash keeps the comma", "a\\,b\n", QStringLiteral("1(a\\,b).")},
        {"comment line", "#x,y\na\n#z\nb", QStringLiteral("1(a)2(b).")},
        {"quoted line break", "\"a\nb\",c\nd\n", QStringLiteral("1(a\nb|c)2(d).")},
        {"CR LF comments and final CR LF", "# head\r\na,b\r\n# mid\r\nc\r\n", QStringLiteral("1(a|b)2(c).")},
        {"empty lines", "a\n\n\r\n\nb\n\n", QStringLiteral("1(a)2(b).")},
        {"lone quote at the end", "a,\"", QStringLiteral("1(a|\").")},
        {"quoted field beginning with the separator", "\",x\",\";\"\n", QStringLiteral("1(,x|;).")},
        {"other newlines", "a\xc2\x85" "b\xe2\x80\xa8" "c\xe2\x80\xa9" "d\x0b" "e\x0c" "f",
         QStringLiteral("1(a)2(b)3(c)4(d)5(e)6(f).")},
        {"trimmed spaces", " a ;\t\"b\" \n", QStringLiteral("1(a|\"b\").") , QStringLiteral(";"), true},
        {"vertical bar", "a|b,c\n", QStringLiteral("1(a|b,c)."), QStringLiteral("|")},
        {"undecodable bytes", "a,b\n\xff,c\n", QStringLiteral("1(a|b)!1")},
        // Only fields that were read: no empty field after the last separator read.
        {"undecodable bytes after a separator", "a,\xff\xfe,b", QStringLiteral("1(a)!1")},
        {"undecodable bytes after two separators", "a,,\xff", QStringLiteral("1(a|)!1")},
        // A field the bad bytes cut is not reported, nothing of it: only the fields before it.
        {"undecodable bytes inside a field", "a,b\xff,c", QStringLiteral("1(a)!1")},
        {"undecodable bytes at the end of a field", "a,x\xff", QStringLiteral("1(a)!1")},
        {"undecodable bytes inside quotes", "a,\"x\xff\"", QStringLiteral("1(a)!1")},
        {"undecodable bytes after a quoted separator", "a,\"x,y\xff\",b", QStringLiteral("1(a)!1")},
        {"undecodable bytes in a later line's field", "a\nb,c\xff", QStringLiteral("1(a)2(b)!1")},
        {"undecodable bytes in a line's first field", "a\nbc\xff", QStringLiteral("1(a)2()!1")},
        {"cut character in the last field", "a,b\nc\xc3", QStringLiteral("1(a|b)2()!1")},
        // Empty quoted fields are empty, wherever they stand.
        {"empty quoted field between two", "a,\"\",b\n", QStringLiteral("1(a||b).")},
        {"empty quoted fields alone", "\"\",\"\"\n\"\"\n", QStringLiteral("1(|)2().")},
        {"empty quoted field at the end", "a,\"\"", QStringLiteral("1(a|).")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseBytes(c.input, UTF8StringEncoding, NTXCSVParser::DefaultChunkSize, c.delimiter, c.trim),
                  c.expected);
        // Wherever a chunk ends.
        for (qsizetype chunk : {1, 2, 3, 5})
            EXPECT_EQ(parseBytes(c.input, UTF8StringEncoding, chunk, c.delimiter, c.trim), c.expected) << chunk;
    }

    // A string parser's second parse is an empty document.
    auto parser = NTXCSVParser::parserWithString(QStringLiteral("a,b\n"), UTF8StringEncoding);
    Recorder first, second;
    parser->setDelegate(&first);
    EXPECT_TRUE(parser->parse());
    parser->setDelegate(&second);
    EXPECT_TRUE(parser->parse());
    EXPECT_EQ(first.out, QStringLiteral("1(a|b)."));
    EXPECT_EQ(second.out, QStringLiteral("."));
    EXPECT_EQ(parser->detectedLineEnd(), qsizetype(NTXCSVParser::NotFound));

    // Delimiters and separator codes.
    EXPECT_THROW(parser->setDelimiter(QStringLiteral("ab")), platform::Exception);
    EXPECT_THROW(parser->setDelimiter(QStringLiteral("#")), platform::Exception);
    EXPECT_THROW(parser->setDelimiter(QStringLiteral("\n")), platform::Exception);
    parser->setSeparatorType(1);
    EXPECT_EQ(parser->separatorType(), 1);
    parser->setSeparatorType(2);
    EXPECT_EQ(parser->separatorType(), 2);
    parser->setDelimiter(QStringLiteral("|"));
    EXPECT_EQ(parser->separatorType(), qsizetype(NTXCSVParser::NotFound));

    // Separator guessing from the first line.
    QTemporaryDir dir;
    const QString semicolon = dir.filePath(QStringLiteral("s.csv"));
    const QString oneColumn = dir.filePath(QStringLiteral("o.csv"));
    ASSERT_TRUE(testsupport::writeFile(semicolon, "x;y,z\n1,2\n"));
    ASSERT_TRUE(testsupport::writeFile(oneColumn, "x\n1,2\n"));
    EXPECT_EQ(NTXCSVParser::autodetectSeparatorForCSVFile(semicolon), 1);
    EXPECT_EQ(NTXCSVParser::autodetectSeparatorForCSVFile(oneColumn), qsizetype(NTXCSVParser::NotFound));

    // A file parser reads its file again; a missing file gives no parser.
    auto fileParser = NTXCSVParser::parserWithContentsOfFile(semicolon, UTF8StringEncoding);
    Recorder once, twice;
    fileParser->setDelegate(&once);
    fileParser->setSeparatorType(1);
    fileParser->parse();
    fileParser->setDelegate(&twice);
    fileParser->parse();
    EXPECT_EQ(once.out, QStringLiteral("1(x|y,z)2(1,2)."));
    EXPECT_EQ(twice.out, once.out);
    NTXCSVError error;
    EXPECT_EQ(NTXCSVParser::parserWithContentsOfFile(dir.filePath(QStringLiteral("none")), UTF8StringEncoding, &error),
              nullptr);
    EXPECT_EQ(error.code, 1);
    EXPECT_EQ(error.description, QStringLiteral("Unable to open file for reading"));

    // Trimming a string too short for both ends leaves nothing.
    QString shortText = QStringLiteral("\"");
    NTXCSVAdditions::trimString_csv(shortText, u"\"");
    EXPECT_EQ(shortText, QString());
    QString quoted = QStringLiteral("\"ab\"");
    NTXCSVAdditions::trimString_csv(quoted, u"\"");
    EXPECT_EQ(quoted, QStringLiteral("ab"));
}

TEST(CSVParser, ByteOrderMarks)
{
    struct Case
    {
        QByteArray bytes;
        quint32 encoding;
    };
    const Case cases[] = {
        {QByteArray("\xff\xfe" "a\0,\0b\0\n\0", 10), UnicodeStringEncoding},
        {QByteArray("\xfe\xff" "\0a\0,\0b\0\n", 10), UnicodeStringEncoding},
        {QByteArray("\xff\xfe\0\0" "a\0\0\0,\0\0\0b\0\0\0", 16), UTF32StringEncoding},
        {QByteArray("\0\0\xfe\xff" "\0\0\0a\0\0\0,\0\0\0b", 16), UTF32StringEncoding},
        // A UTF-16 mark wins over the UTF-32 chosen, as a UTF-32 one over UTF-16.
        {QByteArray("\xff\xfe" "a\0,\0b\0\n\0", 10), UTF32StringEncoding},
        {QByteArray("\xfe\xff" "\0a\0,\0b\0\n", 10), UTF32StringEncoding},
        {QByteArray("\0\0\xfe\xff" "\0\0\0a\0\0\0,\0\0\0b", 16), UnicodeStringEncoding},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parseBytes(c.bytes, c.encoding), QStringLiteral("1(a|b).")) << c.bytes.toHex().constData();
}

namespace {

// Gives its bytes, then fails every read.
class FailingAfterBytes : public QIODevice
{
public:
    explicit FailingAfterBytes(QByteArray bytes) : m_bytes(std::move(bytes)) { open(QIODevice::ReadOnly); }
    bool atEnd() const override { return false; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_bytes.isEmpty()) {
            setErrorString(QStringLiteral("the disk went away"));
            return -1;
        }
        const qint64 n = std::min<qint64>(maxSize, m_bytes.size());
        std::memcpy(data, m_bytes.constData(), size_t(n));
        m_bytes.remove(0, n);
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
};

} // namespace

TEST(CSVParser, AReadErrorReportsTheFieldsBeforeTheOneItCut)
{
    for (qsizetype chunk : {qsizetype(4), qsizetype(5), NTXCSVParser::DefaultChunkSize}) {
        FailingAfterBytes device(QByteArray("a,bcdefgh"));
        auto parser = NTXCSVParser::parserWithDevice(&device, UTF8StringEncoding);
        Recorder recorder;
        parser->setDelegate(&recorder);
        parser->setChunkSize(chunk);
        EXPECT_FALSE(parser->parse());
        EXPECT_EQ(recorder.out, QStringLiteral("1(a)!1")) << chunk;
        ASSERT_TRUE(parser->error().has_value());
        EXPECT_EQ(parser->error()->underlyingError, QStringLiteral("the disk went away"));
    }
}

TEST(CSVParser, CancelFromACallback)
{
    QBuffer buffer;
    buffer.setData("a,b\nc,d\n");
    auto parser = NTXCSVParser::parserWithDevice(&buffer, UTF8StringEncoding);
    Recorder recorder;
    recorder.cancelAtField = 2; // "b", finished by the line break: its line still ends
    parser->setDelegate(&recorder);
    EXPECT_FALSE(parser->parse());
    EXPECT_EQ(recorder.out, QStringLiteral("1(a|b)!3"));
    EXPECT_EQ(parser->state(), NTXCSVParser::Cancelled);
    ASSERT_TRUE(parser->error().has_value());
    EXPECT_EQ(parser->error()->code, 3);
}

TEST(CSVParser, ChunkSizesOverMultiByteText)
{
    const QString text = QStringLiteral("\u00e9t\u00e9,\"\u65e5\u672c\r\n\U0001F600\",e\u0301\u0323\r\n"
                                        "# \u00fc\r\n\u20ac\u20ac,\"x\"\"\u00df\"\r\n\u3042\u0301,x");
    const QString japanese = QStringLiteral("\u65e5\u672c,\"\u3042\r\n\u30a2\"\r\n# \u6f22\r\nx,\uff71\uff72");
    struct Form
    {
        quint32 encoding;
        QByteArray bytes;
    };
    const Form forms[] = {
        {UTF8StringEncoding, text.toUtf8()},
        {UTF16LittleEndianStringEncoding, encode(text, UTF16LittleEndianStringEncoding)},
        {UTF32StringEncoding, encode(text, UTF32StringEncoding)},
        {ShiftJISStringEncoding, encode(japanese, ShiftJISStringEncoding)},
    };
    for (const Form &f : forms) {
        ASSERT_FALSE(f.bytes.isEmpty());
        const QString expected = parseBytes(f.bytes, f.encoding);
        EXPECT_TRUE(expected.endsWith(u'.')) << qPrintable(expected);
        for (qsizetype chunk = 4; chunk <= 17; ++chunk)
            EXPECT_EQ(parseBytes(f.bytes, f.encoding, chunk), expected) << "encoding " << f.encoding << " chunk " << chunk;
    }
    EXPECT_EQ(parseBytes(text.toUtf8(), UTF8StringEncoding),
              QStringLiteral("1(\u00e9t\u00e9|\u65e5\u672c\r\n\U0001F600|e\u0301\u0323)"
                             "2(\u20ac\u20ac|x\"\u00df)3(\u3042\u0301|x)."));
    EXPECT_EQ(parseBytes(encode(japanese, ShiftJISStringEncoding), ShiftJISStringEncoding),
              QStringLiteral("1(\u65e5\u672c|\u3042\r\n\u30a2)2(x|\uff71\uff72)."));
}

// The first line end of the text names the kind the file uses, also when it is the
// only one and at either end of the text.
TEST(CSVParser, TheFirstLineEndIsTheDetectedOne)
{
    struct Case
    {
        QByteArray input;
        qsizetype expected;
    };
    const Case cases[] = {
        {"a,b\r\nc,d", NTXCSVParser::CRLF},  {"a,b\r\n", NTXCSVParser::CRLF}, {"\r\na", NTXCSVParser::CRLF},
        {"a,b\r\nc\r\n", NTXCSVParser::CRLF}, {"a,b\rc,d", NTXCSVParser::CR},   {"a\r", NTXCSVParser::CR},
        {"a,b\nc,d", NTXCSVParser::LF},       {"\n", NTXCSVParser::LF},       {"a,b", NTXCSVParser::NotFound},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.input.toStdString());
        QBuffer buffer;
        buffer.setData(c.input);
        auto parser = NTXCSVParser::parserWithDevice(&buffer, UTF8StringEncoding);
        ASSERT_NE(parser, nullptr);
        Recorder recorder;
        parser->setDelegate(&recorder);
        EXPECT_TRUE(parser->parse());
        EXPECT_EQ(parser->detectedLineEnd(), c.expected);
    }
    EXPECT_EQ(parseBytes("a,b\r\nc,d", UTF8StringEncoding), QStringLiteral("1(a|b)2(c|d)."));
}

// No device at all is a source that cannot be opened: no parser, a code-1 error.
TEST(CSVParser, NoDeviceGivesNoParser)
{
    NTXCSVError error;
    EXPECT_EQ(NTXCSVParser::parserWithDevice(nullptr, UTF8StringEncoding, &error), nullptr);
    EXPECT_EQ(error.code, 1);
    EXPECT_EQ(error.description, QStringLiteral("Unable to open file for reading"));
    EXPECT_EQ(NTXCSVParser::parserWithDevice(nullptr, UTF8StringEncoding), nullptr);
}

// The edits reach both ends of the string: a match at the very start and at the very
// end, a string made of nothing but the trimmed characters.
TEST(CSVAdditions, EditsReachBothEnds)
{
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    struct Trim
    {
        QString input;
        QString expected;
    };
    const Trim trims[] = {
        {QStringLiteral("  a b\t "), QStringLiteral("a b")}, {QStringLiteral("a b "), QStringLiteral("a b")},
        {QStringLiteral(" a b"), QStringLiteral("a b")},      {QStringLiteral("a"), QStringLiteral("a")},
        {QStringLiteral(" \t "), QString()},                  {QString(), QString()},
    };
    for (const Trim &t : trims) {
        QString s = t.input;
        NTXCSVAdditions::trimCharactersInSet_csv(s, blank);
        EXPECT_EQ(s, t.expected) << qPrintable(t.input);
    }

    struct Replace
    {
        QString input;
        QString target;
        QString replacement;
        QString expected;
    };
    const Replace replaces[] = {
        {QStringLiteral("\"\"a\"\""), QStringLiteral("\"\""), QStringLiteral("\""), QStringLiteral("\"a\"")},
        {QStringLiteral("xx"), QStringLiteral("x"), QStringLiteral("yz"), QStringLiteral("yzyz")},
        {QStringLiteral("abc"), QStringLiteral("abc"), QString(), QString()},
        {QStringLiteral("abc"), QStringLiteral("d"), QStringLiteral("e"), QStringLiteral("abc")},
        {QStringLiteral("aaa"), QStringLiteral("aa"), QStringLiteral("b"), QStringLiteral("ba")},
        {QStringLiteral("abc"), QString(), QStringLiteral("e"), QStringLiteral("abc")},
    };
    for (const Replace &r : replaces) {
        QString s = r.input;
        NTXCSVAdditions::replaceOccurrencesOfString_csv(s, r.target, r.replacement);
        EXPECT_EQ(s, r.expected) << qPrintable(r.input + u'/' + r.target);
    }
}
