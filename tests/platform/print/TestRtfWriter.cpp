// The RTF of a small formatted text: the bytes against a file, and what unrtf reads
// back from them, braces, backslashes and an emoji included.
#include "platform/print/PagedTextPrinter.h"
#include "platform/print/RtfWriter.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFontInfo>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

namespace {

QTextBlockFormat style(QList<QTextOption::Tab> tabs, qreal left, qreal right)
{
    QTextBlockFormat format;
    format.setTabPositions(platform::PagedTextPrinter::layoutTabs(tabs, left));
    format.setLeftMargin(left);
    format.setRightMargin(right);
    return format;
}

std::unique_ptr<QTextDocument> sampleDocument()
{
    auto document = std::make_unique<QTextDocument>();
    QFont font(QStringLiteral("Helvetica"));
    font.setPointSizeF(12);
    document->setDefaultFont(font);
    QTextCursor cursor(document.get());
    cursor.setBlockFormat(style({{390, QTextOption::CenterTab}, {490, QTextOption::CenterTab}}, 0, 0));
    cursor.insertText(QStringLiteral("Name \tTurnover \tDuration"));
    cursor.insertBlock(style({{400, QTextOption::RightTab}, {500, QTextOption::RightTab}}, 40, 0));
    cursor.insertText(QStringLiteral("Braces {} and \\ backslash, caf\u00e9 \U0001F600 \t$1.50 \t  1:30 "));
    cursor.insertBlock(style({{400, QTextOption::RightTab}}, 50, 145.5));
    cursor.insertText(QStringLiteral("lone ") + QChar(0xd800) + QStringLiteral(" end"));
    QTextCharFormat red;
    red.setForeground(QColor(200, 0, 0));
    red.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral(" red"), red);
    cursor.insertBlock();
    return document;
}

} // namespace

TEST(RtfWriter, WritesTheExpectedBytes)
{
    const QByteArray rtf = platform::RtfWriter::write(*sampleDocument());
    const QString path = testsupport::dataPath(QStringLiteral("export/sample.rtf"));
    // The font table names the family the font resolves to on this system (the one
    // a PDF of the text embeds); the file holds the requested name in its place.
    const QByteArray requested = "{\\f0\\fnil Helvetica;}";
    const QByteArray resolved = "{\\f0\\fnil " + QFontInfo(QFont(QStringLiteral("Helvetica"))).family().toLatin1() + ";}";
    ASSERT_TRUE(rtf.contains(resolved)) << rtf.left(120).constData();
    if (qEnvironmentVariableIsSet("CHRONARK_WRITE_GOLDEN"))
        testsupport::writeFile(path, QByteArray(rtf).replace(resolved, requested));
    EXPECT_EQ(QString::fromLatin1(rtf), QString::fromLatin1(testsupport::readFile(path).replace(requested, resolved)));
    for (char c : rtf)
        EXPECT_LT(static_cast<unsigned char>(c), 0x80);
}

TEST(RtfWriter, TheFontTableNamesResolvedFamiliesNotAliases)
{
    QTextDocument document;
    QFont alias(QStringLiteral("Sans Serif"));
    alias.setStyleHint(QFont::SansSerif);
    document.setDefaultFont(alias);
    QTextCursor cursor(&document);
    cursor.insertText(QStringLiteral("plain "));
    QTextCharFormat serif;
    serif.setFontFamilies({QStringLiteral("Serif")});
    cursor.insertText(QStringLiteral("serif"), serif);
    const QByteArray rtf = platform::RtfWriter::write(document);
    const QString sans = QFontInfo(alias).family();
    const QString roman = QFontInfo(QFont(QStringLiteral("Serif"))).family();
    ASSERT_NE(sans, QStringLiteral("Sans Serif")) << "the font system resolved no family";
    EXPECT_TRUE(rtf.contains(QByteArray("{\\f0\\fnil " + sans.toLatin1() + ";}"))) << rtf.constData();
    EXPECT_TRUE(rtf.contains(QByteArray("\\fnil " + roman.toLatin1() + ";}"))) << rtf.constData();
    EXPECT_FALSE(rtf.contains("Sans Serif;")) << rtf.constData();
}

TEST(RtfWriter, UnrtfReadsTheTextBack)
{
    const QString unrtf = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
    if (unrtf.isEmpty())
        GTEST_SKIP() << "unrtf is not installed (tools/dev setup)";
    QTemporaryDir dir;
    // unrtf's text output as installed, printing characters outside its character
    // map as numeric references ("&#N;", one per UTF-16 unit) instead of "?".
    for (const QString &name : QDir(QStringLiteral("/usr/share/unrtf")).entryList(QDir::Files))
        QFile::copy(QStringLiteral("/usr/share/unrtf/") + name, dir.filePath(name));
    QFile config(dir.filePath(QStringLiteral("text.conf")));
    ASSERT_TRUE(config.open(QIODevice::Append));
    config.write("unisymbol_print\n\t&#%;\n");
    config.close();
    const QString path = dir.filePath(QStringLiteral("sample.rtf"));
    ASSERT_TRUE(testsupport::writeFile(path, platform::RtfWriter::write(*sampleDocument())));
    QProcess process;
    process.start(unrtf, {QStringLiteral("-P"), dir.path(), QStringLiteral("--text"), path});
    ASSERT_TRUE(process.waitForFinished(30000));
    QString text = QString::fromUtf8(process.readAllStandardOutput());
    static const QRegularExpression reference(QStringLiteral("&#(\\d+);"));
    QString decoded;
    qsizetype last = 0;
    for (const QRegularExpressionMatch &m : reference.globalMatch(text)) {
        decoded += QStringView(text).mid(last, m.capturedStart() - last);
        decoded += QChar(char16_t(m.captured(1).toUInt()));
        last = m.capturedEnd();
    }
    decoded += QStringView(text).mid(last);
    // unrtf sets tab stops as runs of blanks and line breaks: compare words.
    decoded = decoded.simplified();
    EXPECT_TRUE(decoded.contains(QStringLiteral("Name Turnover Duration"))) << decoded.toStdString();
    EXPECT_TRUE(decoded.contains(QStringLiteral("Braces {} and \\ backslash, caf\u00e9 \U0001F600 $1.50 1:30")))
        << decoded.toStdString();
    EXPECT_TRUE(decoded.contains(QStringLiteral("lone \uFFFD end red"))) << decoded.toStdString();
}
