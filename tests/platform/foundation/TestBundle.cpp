#include "platform/foundation/Bundle.h"

#include "tests/support/TestSupport.h"

#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QResource>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::Bundle;

namespace {

using Table = QHash<QString, QString>;

std::optional<Table> parse(const char *utf8)
{
    return Bundle::parseStrings(QString::fromUtf8(utf8));
}

TEST(BundleStrings, ParsesPairsCommentsAndEscapes)
{
    const auto t = parse(
        "/* Menu titles */\n"
        "\"LSstart\" = \"Start\";\n"
        "// a line comment\n"
        "\"Customize Encodings List\\U2026\" = \"Customize Encodings List\\u2026\";\n"
        "\"LSquote\"=\"He said \\\"hi\\\"\\\\ \\n\\t\\r\";  /* trailing */\n"
        "LSUDdeleteEntry = Delete_Entry.v2;\n"
        "\"LSbare\";\n");
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->value("LSstart"), QStringLiteral("Start"));
    EXPECT_EQ(t->value(QStringLiteral("Customize Encodings List\u2026")), QStringLiteral("Customize Encodings List\u2026"));
    EXPECT_EQ(t->value("LSquote"), QStringLiteral("He said \"hi\"\\ \n\t\r"));
    EXPECT_EQ(t->value("LSUDdeleteEntry"), QStringLiteral("Delete_Entry.v2"));
    EXPECT_EQ(t->value("LSbare"), QStringLiteral("LSbare"));
    EXPECT_EQ(t->size(), 5);
}

TEST(BundleStrings, SingleQuotesAndEdgeCases)
{
    const auto t = parse("'single' = 'it\\'s'; \"LSdup\" = \"first\"; \"LSdup\" = \"second\";"
                         "\"emoji\" = \"\\UD83D\\UDE00\"; \"\" = \"empty key\"; \"oct\" = \"\\101\\x\";");
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->value("single"), QStringLiteral("it's"));
    EXPECT_EQ(t->value("LSdup"), QStringLiteral("second"));
    EXPECT_EQ(t->value("emoji"), QStringLiteral("\U0001F600"));
    EXPECT_EQ(t->value(""), QStringLiteral("empty key"));
    EXPECT_EQ(t->value("oct"), QStringLiteral("Ax"));

    EXPECT_EQ(parse("")->size(), 0);
    EXPECT_EQ(parse("  /* only */ // comments\n")->size(), 0);
    EXPECT_EQ(Bundle::parseStrings(QStringLiteral("\uFEFF\"a\" = \"b\";"))->value("a"), QStringLiteral("b"));
}

TEST(BundleStrings, MalformedTextAnswersNothing)
{
    for (const char *bad : {
             "\"a\" = \"b\"",          // missing semicolon
             "\"a\" \"b\";",           // missing equals
             "\"a\" = \"b;",           // unterminated string
             "\"a\" = \"b\"; /* open", // unterminated comment
             "\"a\" = \"\\U\";",       // escape without digits
             "\"a\" = ;",              // missing value
             "= \"b\";",               // missing key
             "\"a\" = \"b\" junk;",    // stray token
             "{ \"a\" = \"b\"; }",     // a dictionary is not a table
             "\"a\" = (\"b\");",       // nor are arrays values
             "\"a\" = \"b\\",          // backslash at the end
             "'single' = 'it''s';",    // adjacent strings
         }) {
        EXPECT_FALSE(parse(bad).has_value()) << bad;
    }
}

TEST(BundleStrings, DecodesUtf8AndUtf16WithByteOrderMark)
{
    const QString text = QStringLiteral("\"LSstop\" = \"Stopp \u00e4\u2026\";");
    QByteArray le("\xFF\xFE");
    QByteArray be("\xFE\xFF");
    for (QChar c : text) {
        le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    }
    const QByteArray withBom = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    for (const QByteArray &bytes : {text.toUtf8(), withBom, le, be}) {
        const auto t = Bundle::parseStringsData(bytes);
        ASSERT_TRUE(t.has_value());
        EXPECT_EQ(t->value("LSstop"), QStringLiteral("Stopp \u00e4\u2026"));
    }
    EXPECT_FALSE(Bundle::parseStringsData(le.left(le.size() - 1)).has_value()); // odd UTF-16 length
    EXPECT_FALSE(Bundle::parseStringsData(QByteArray("\"a\" = \"\xC3\x28\";")).has_value()); // bad UTF-8

    QByteArray huge = "\"k\" = \"";
    huge += QByteArray(Bundle::MaxTableBytes, 'x');
    huge += "\";";
    EXPECT_FALSE(Bundle::parseStringsData(huge).has_value());
    EXPECT_FALSE(Bundle::parseStrings(QString::fromLatin1(huge)).has_value());
}

TEST(BundleLookup, AddedTablesAndMissingKeys)
{
    Bundle &b = Bundle::bundleNamed(QStringLiteral("TestLookupBundle"));
    EXPECT_EQ(&b, &Bundle::bundleNamed(QStringLiteral("TestLookupBundle")));
    EXPECT_EQ(b.name(), QStringLiteral("TestLookupBundle"));
    EXPECT_EQ(b.resourceRoot(), QStringLiteral(":/bundles/TestLookupBundle"));

    EXPECT_EQ(b.localizedString(QStringLiteral("LSmissing")), QStringLiteral("LSmissing"));
    EXPECT_TRUE(b.addStringsTable(QString(), u"\"LSstart\" = \"Start\";"));
    EXPECT_TRUE(b.addStringsTable(QStringLiteral("NTXPageFormat"), u"A4 = \"DIN A4\";"));
    EXPECT_EQ(b.localizedString(QStringLiteral("LSstart")), QStringLiteral("Start"));
    EXPECT_EQ(b.localizedString(QStringLiteral("LSstart"), QStringLiteral("Localizable")), QStringLiteral("Start"));
    EXPECT_EQ(b.localizedString(QStringLiteral("A4"), QStringLiteral("NTXPageFormat")), QStringLiteral("DIN A4"));
    EXPECT_EQ(b.localizedString(QStringLiteral("A4")), QStringLiteral("A4"));
    EXPECT_EQ(b.localizedString(QStringLiteral("x"), QStringLiteral("NoSuchTable")), QStringLiteral("x"));

    EXPECT_FALSE(b.addStringsTable(QString(), u"\"LSstart\" = "));
    EXPECT_EQ(b.localizedString(QStringLiteral("LSstart")), QStringLiteral("Start")); // kept

    EXPECT_EQ(Bundle::mainBundle().name(), QStringLiteral("Chronark"));
    EXPECT_EQ(&Bundle::mainBundle(), &Bundle::bundleNamed(QStringLiteral("Chronark")));
}

TEST(BundleLookup, LoadsTablesAndFilesFromResources)
{
    const QString rcc = QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + QStringLiteral("/rcc");
    if (!QFileInfo(rcc).isExecutable())
        GTEST_SKIP() << "rcc not available";
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/res");
    QByteArray utf16("\xFF\xFE");
    const QString text = QStringLiteral("/* UTF-16 */ \"LSabout\" = \"\u00dcber\";");
    for (QChar c : text)
        utf16.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    ASSERT_TRUE(testsupport::writeFile(root + QStringLiteral("/Localizable.strings"), utf16));
    ASSERT_TRUE(testsupport::writeFile(root + QStringLiteral("/Broken.strings"), "\"a\" = "));
    ASSERT_TRUE(testsupport::writeFile(root + QStringLiteral("/sounds/Ping.oga"), "OggS"));
    ASSERT_TRUE(testsupport::writeFile(dir.path() + QStringLiteral("/t.qrc"),
                                       "<RCC><qresource prefix=\"/bundles/TestResourceBundle\">"
                                       "<file alias=\"Localizable.strings\">res/Localizable.strings</file>"
                                       "<file alias=\"Broken.strings\">res/Broken.strings</file>"
                                       "<file alias=\"sounds/Ping.oga\">res/sounds/Ping.oga</file>"
                                       "</qresource></RCC>"));
    const QString rccFile = dir.path() + QStringLiteral("/t.rcc");
    QProcess proc;
    proc.setWorkingDirectory(dir.path());
    proc.start(rcc, {QStringLiteral("--binary"), QStringLiteral("-o"), rccFile, QStringLiteral("t.qrc")});
    ASSERT_TRUE(proc.waitForFinished(30000));
    ASSERT_EQ(proc.exitCode(), 0) << proc.readAllStandardError().constData();
    ASSERT_TRUE(QResource::registerResource(rccFile));

    const Bundle &b = Bundle::bundleNamed(QStringLiteral("TestResourceBundle"));
    EXPECT_EQ(b.localizedString(QStringLiteral("LSabout")), QStringLiteral("\u00dcber"));
    EXPECT_EQ(b.localizedString(QStringLiteral("a"), QStringLiteral("Broken")), QStringLiteral("a"));
    EXPECT_EQ(b.pathForResource(QStringLiteral("sounds/Ping.oga")), QStringLiteral(":/bundles/TestResourceBundle/sounds/Ping.oga"));
    EXPECT_TRUE(b.pathForResource(QStringLiteral("sounds")).isEmpty());
    EXPECT_TRUE(b.pathForResource(QStringLiteral("Missing.png")).isEmpty());

    // Tables are read once and cached.
    QResource::unregisterResource(rccFile);
    EXPECT_EQ(b.localizedString(QStringLiteral("LSabout")), QStringLiteral("\u00dcber"));
}

} // namespace
