// The property-list codec: every value written comes back the same, Python's
// plistlib reads what we write and we read what it writes, and malformed or
// oversized input is refused with a reason.
#include "platform/archive/PropertyList.h"
#include "tests/platform/archive/ArchiveTestValues.h"

#include <QDateTime>
#include <QPoint>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <limits>

using namespace platform;
using archivetest::sameValue;

namespace {

QVariantMap everyKind()
{
    QVariantList strings;
    for (const QString &s : archivetest::hardStrings())
        strings.append(s);
    QVariantList doubles;
    for (const double d : archivetest::edgeDoubles())
        doubles.append(d);
    return {
        {QStringLiteral("strings"), strings},
        {QStringLiteral("doubles"), doubles},
        {QStringLiteral("integers"),
         QVariantList{0, -1, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(),
                      std::numeric_limits<quint64>::max(), 7u}},
        {QStringLiteral("booleans"), QVariantList{true, false}},
        {QStringLiteral("data"), QVariantList{QByteArray(), QByteArray("\0\xff\r\n<&", 6)}},
        {QStringLiteral("date"), QDateTime(QDate(2026, 3, 29), QTime(2, 30, 0), QTimeZone::utc())},
        {QStringLiteral("nested"), QVariantList{QVariantList{}, QVariantMap{}, QVariantList{QVariantList{1.5}}}},
        {QStringLiteral("$dollar key, <markup> & line\nbreak"), QStringLiteral("value")},
        {QStringLiteral("escape-like map"), QVariantMap{{PropertyList::EscapedStringKey, QStringLiteral("text")}}},
    };
}

TEST(PropertyList, EveryValueComesBackTheSame)
{
    const QVariantMap original = everyKind();
    QString error;
    const auto bytes = PropertyList::write(original, &error);
    ASSERT_TRUE(bytes) << qPrintable(error);
    const auto back = PropertyList::read(*bytes, &error);
    ASSERT_TRUE(back) << qPrintable(error);
    EXPECT_TRUE(sameValue(original, *back)) << bytes->constData();

    // One by one as the whole list, too: a lone string or number is a property list.
    for (const QString &s : archivetest::hardStrings()) {
        const auto single = PropertyList::read(*PropertyList::write(s));
        ASSERT_TRUE(single);
        EXPECT_EQ(single->typeId(), QMetaType::QString);
        EXPECT_EQ(single->toString(), s);
    }
}

TEST(PropertyList, PythonReadsOursAndWeReadPythons)
{
    const QString script = QStringLiteral(R"(
import math, plistlib, sys
d = plistlib.loads(sys.stdin.buffer.read())
s = d['strings']
assert s[1] == 'line\r\nbreak and lone\rreturn\n', repr(s[1])
assert s[8] == 'pair \U0001F600, \u00e9t\u00e9, \u20ac'
assert s[2] == {'$utf16le': 'nul\0inside'.encode('utf-16-le')}, repr(s[2])
n = d['doubles']
assert math.isnan(n[0]) and math.copysign(1, n[2]) == -1 and n[3] == math.inf and n[5] == 1234.567
assert d['integers'][2] == -2**63 and d['integers'][4] == 2**64 - 1
assert d['data'][1] == b'\0\xff\r\n<&'
assert d['date'].isoformat() == '2026-03-29T02:30:00'
sys.stdout.buffer.write(plistlib.dumps({
    'text': 'caf\u00e9 & <tags>\ttab\nline', 'int': -2**63, 'big': 2**64 - 1,
    'real': -0.0, 'nan': math.nan, 'inf': -math.inf, 'exact': 1234.567,
    'data': bytes(range(256)), 'list': [True, False, [], {}], 'when': __import__('datetime').datetime(1999, 12, 31, 23, 59, 58)}))
)");
    const auto ours = PropertyList::write(everyKind());
    ASSERT_TRUE(ours);
    const QByteArray theirs = archivetest::runPython(script, *ours);
    ASSERT_FALSE(theirs.isNull());
    QString error;
    const auto read = PropertyList::read(theirs, &error);
    ASSERT_TRUE(read) << qPrintable(error);
    QByteArray allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes.append(char(i));
    const QVariantMap expected{
        {QStringLiteral("text"), QStringLiteral("caf\u00e9 & <tags>\ttab\nline")},
        {QStringLiteral("int"), std::numeric_limits<qint64>::min()},
        {QStringLiteral("big"), std::numeric_limits<quint64>::max()},
        {QStringLiteral("real"), -0.0},
        {QStringLiteral("nan"), std::nan("")},
        {QStringLiteral("inf"), -std::numeric_limits<double>::infinity()},
        {QStringLiteral("exact"), 1234.567},
        {QStringLiteral("data"), allBytes},
        {QStringLiteral("list"), QVariantList{true, false, QVariantList{}, QVariantMap{}}},
        {QStringLiteral("when"), QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58), QTimeZone::utc())},
    };
    EXPECT_TRUE(sameValue(expected, *read)) << theirs.constData();
}

TEST(PropertyList, MalformedInputIsRefusedWithAReason)
{
    const QByteArray head = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    const QByteArray tail = "</plist>";
    const std::vector<std::pair<const char *, QByteArray>> cases = {
        {"not XML", "hello"},
        {"empty", ""},
        {"other root", "<dict/>"},
        {"no value", head + tail},
        {"two values", head + "<true/><false/>" + tail},
        {"second root", head + "<true/>" + tail + "<plist/>"},
        {"version", "<plist version=\"2.0\"><true/></plist>"},
        {"unknown element", head + "<number>1</number>" + tail},
        {"text between", head + "<array>x<true/></array>" + tail},
        {"element in string", head + "<string>a<b/></string>" + tail},
        {"bad integer", head + "<integer>12a</integer>" + tail},
        {"integer too large", head + "<integer>18446744073709551616</integer>" + tail},
        {"negative too small", head + "<integer>-9223372036854775809</integer>" + tail},
        {"bad real", head + "<real>1.2.3</real>" + tail},
        {"bad base64", head + "<data>!!!!</data>" + tail},
        {"bad date", head + "<date>2026-13-01T00:00:00Z</date>" + tail},
        {"date without zone", head + "<date>2026-01-01T00:00:00</date>" + tail},
        {"text in true", head + "<true>yes</true>" + tail},
        {"duplicate key", head + "<dict><key>a</key><true/><key>a</key><false/></dict>" + tail},
        {"key without value", head + "<dict><key>a</key></dict>" + tail},
        {"value without key", head + "<dict><true/></dict>" + tail},
        {"odd escaped string", head + "<dict><key>$utf16le</key><data>AA==</data></dict>" + tail},
        {"entities", "<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;\">]>"
                     "<plist><string>&b;</string></plist>"},
        {"undeclared entity", head + "<string>&nope;</string>" + tail},
        {"NUL reference", head + "<string>&#0;</string>" + tail},
        {"unclosed", head + "<array><true/>"},
        // Another encoding may decode to code units that XML cannot carry.
        {"UTF-7 unpaired surrogate", "<?xml version=\"1.0\" encoding=\"UTF-7\"?><plist version=\"1.0\">"
                                     "<string>a+2AA-b</string></plist>"},
        {"UTF-7 control key", "<?xml version=\"1.0\" encoding=\"UTF-7\"?><plist version=\"1.0\">"
                              "<dict><key>+AAE-</key><true/></dict></plist>"},
    };
    for (const auto &[name, bytes] : cases) {
        QString error;
        EXPECT_FALSE(PropertyList::read(bytes, &error)) << name;
        EXPECT_FALSE(error.isEmpty()) << name;
    }

    // The bounds.
    PropertyList::Limits small;
    small.maxDepth = 3;
    small.maxValueCount = 5;
    small.maxStringLength = 4;
    small.maxInputSize = 200;
    const std::vector<std::pair<const char *, QByteArray>> bounded = {
        {"depth", head + "<array><array><array><array/></array></array></array>" + tail},
        {"count", head + "<array><true/><true/><true/><true/><true/></array>" + tail},
        {"string length", head + "<string>12345</string>" + tail},
        {"size", head + QByteArray(200, ' ') + "<true/>" + tail},
    };
    for (const auto &[name, bytes] : bounded) {
        QString error;
        EXPECT_FALSE(PropertyList::read(bytes, &error, small)) << name;
        EXPECT_FALSE(error.isEmpty()) << name;
    }
    EXPECT_TRUE(PropertyList::read(head + "<array><array><true/></array></array>" + tail, nullptr, small));
    // Text that XML can carry reads in any encoding the reader knows.
    EXPECT_EQ(PropertyList::read("<?xml version=\"1.0\" encoding=\"UTF-7\"?><plist version=\"1.0\">"
                                 "<string>caf+AOk-</string></plist>"),
              QVariant(QStringLiteral("caf\u00e9")));
}

TEST(PropertyList, ValuesWithoutAFormAreRefusedWithAReason)
{
    QVariant deep = QVariantList{};
    for (int i = 0; i < 200; ++i)
        deep = QVariantList{deep};
    const std::vector<std::pair<const char *, QVariant>> cases = {
        {"empty", QVariant()},
        {"other type", QPoint(1, 2)},
        {"milliseconds", QDateTime(QDate(2026, 1, 1), QTime(0, 0, 0, 5), QTimeZone::utc())},
        {"year 10000", QDateTime(QDate(10000, 1, 1), QTime(0, 0), QTimeZone::utc())},
        {"escape shape", QVariantMap{{PropertyList::EscapedStringKey, QByteArray("ab")}}},
        {"key with NUL", QVariantMap{{QString::fromUtf16(u"a\0b", 3), 1}}},
        {"nested empty", QVariantList{1, QVariant()}},
        {"too deep", deep},
    };
    for (const auto &[name, value] : cases) {
        QString error;
        EXPECT_FALSE(PropertyList::write(value, &error)) << name;
        EXPECT_FALSE(error.isEmpty()) << name;
    }
}

} // namespace
