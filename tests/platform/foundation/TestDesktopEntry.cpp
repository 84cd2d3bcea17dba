#include "platform/foundation/DesktopEntry.h"

#include <gtest/gtest.h>

using platform::DesktopEntry;

TEST(DesktopEntry, ExecQuotingRoundTrips)
{
    const QStringList cases[] = {
        {QStringLiteral("/usr/bin/prog")},
        {QStringLiteral("/tmp/a dir/it's $HOME `x` \"q\" \\b/stub"), QStringLiteral("--x=1"), QString()},
        {QStringLiteral("100%"), QStringLiteral("%f"), QStringLiteral("tab\there"), QStringLiteral("line\nbreak")},
        {QStringLiteral("ünïcödé"), QStringLiteral("a;b|c&d")},
    };
    for (const QStringList &arguments : cases) {
        const QString line = DesktopEntry::execLine(arguments);
        EXPECT_EQ(DesktopEntry::execArguments(line), arguments) << line.toStdString();
        DesktopEntry entry;
        entry.setValue(QStringLiteral("Exec"), line);
        const auto read = DesktopEntry::parse(entry.toBytes());
        ASSERT_TRUE(read);
        EXPECT_EQ(read->value(QStringLiteral("Exec")), line) << "the value escaping round-trips";
    }
    EXPECT_EQ(DesktopEntry::quoteExecArgument(QStringLiteral("a b")), QStringLiteral("\"a b\""));
    EXPECT_EQ(DesktopEntry::quoteExecArgument(QStringLiteral("$x")), QStringLiteral("\"\\$x\""));
    EXPECT_EQ(DesktopEntry::execArguments(QStringLiteral("prog %U --flag %%")), QStringList({"prog", "--flag", "%"}));
    for (const char *broken : {"\"open", "prog %z", "a\"b\\q\"", "prog $x", "prog \"%u\"", "trailing\\"})
        EXPECT_FALSE(DesktopEntry::execArguments(QString::fromLatin1(broken))) << broken;
}

TEST(DesktopEntry, ReadsTheGroupAndRefusesBadBytes)
{
    const auto entry = DesktopEntry::parse("# c\n[Desktop Entry]\r\nType=Application\nName=A\\sb\\\\c\n"
                                           "Hidden=true\n[Desktop Action x]\nExec=other\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->value(QStringLiteral("Name")), QStringLiteral("A b\\c"));
    EXPECT_TRUE(entry->isHidden());
    bool found = true;
    EXPECT_EQ(entry->value(QStringLiteral("Exec"), &found), QString()) << "other groups are not ours";
    EXPECT_FALSE(found);
    for (const QByteArray &bad : {QByteArray("Type=Application\n"), QByteArray("[Desktop Entry]\nno equals\n"),
                                  QByteArray("[Desktop Entry]\nA=1\nA=2\n"), QByteArray("[Desktop Entry]\nA=\xff\n"),
                                  QByteArray(QByteArray("[Desktop Entry]\n") + QByteArray(DesktopEntry::MaxBytes, '#'))})
        EXPECT_FALSE(DesktopEntry::parse(bad)) << bad.left(40).toStdString();
}
