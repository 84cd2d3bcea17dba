// The command line as chronark reads it: files, the options it knows, "--", and
// the options it does not know once Qt has taken its own.
#include "application/controller/CommandLine.h"

#include <gtest/gtest.h>

namespace {

using Action = CommandLine::Action;

CommandLine parsed(const QStringList &arguments, bool unknownOptionsAllowed = false)
{
    return CommandLine::parse(arguments, unknownOptionsAllowed);
}

} // namespace

TEST(CommandLine, FilesOpenAndKnownOptionsAreToldApart)
{
    struct Case
    {
        QStringList arguments;
        Action action;
        QStringList files;
        QString unknown;
    };
    const QString a = QStringLiteral("a.chronark");
    const QString b = QStringLiteral("/tmp/b c.chronark");
    const Case cases[] = {
        {{}, Action::Run, {}, {}},
        {{a, b}, Action::Run, {a, b}, {}},
        {{QString(), a}, Action::Run, {a}, {}},
        {{QStringLiteral("--help")}, Action::ShowHelp, {}, {}},
        {{QStringLiteral("-h"), a}, Action::ShowHelp, {a}, {}},
        {{a, QStringLiteral("--version")}, Action::ShowVersion, {a}, {}},
        {{QStringLiteral("-v")}, Action::ShowVersion, {}, {}},
        // The first of the two wins.
        {{QStringLiteral("--version"), QStringLiteral("--help")}, Action::ShowVersion, {}, {}},
        // After "--" everything is a file, a name like an option too.
        {{QStringLiteral("--"), QStringLiteral("--help"), QStringLiteral("-x.chronark")}, Action::Run,
         {QStringLiteral("--help"), QStringLiteral("-x.chronark")}, {}},
        {{a, QStringLiteral("--"), QStringLiteral("--")}, Action::Run, {a, QStringLiteral("--")}, {}},
        // Anything else that looks like an option is refused, and named.
        {{QStringLiteral("--bogus"), a}, Action::Refuse, {a}, QStringLiteral("--bogus")},
        {{a, QStringLiteral("-"), QStringLiteral("--later")}, Action::Refuse, {a}, QStringLiteral("-")},
        {{QStringLiteral("--helpme")}, Action::Refuse, {}, QStringLiteral("--helpme")},
        // Help asked for anywhere is shown, even beside an unknown option.
        {{QStringLiteral("--bogus"), QStringLiteral("--help")}, Action::ShowHelp, {}, QStringLiteral("--bogus")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const CommandLine line = parsed(c.arguments);
        EXPECT_EQ(line.action(), c.action);
        EXPECT_EQ(line.files(), c.files);
        if (c.action == Action::Refuse) {
            EXPECT_EQ(line.unknownOption(), c.unknown);
        }
    }
}

TEST(CommandLine, BeforeQtTookItsOptionsNoneIsRefused)
{
    // -platform offscreen is Qt's: before the application object takes it, it must
    // not stop the launch; its value is taken for a file name, which does no harm
    // there (the read ahead of it is only ever used for files the launch opens).
    const CommandLine line = parsed({QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("x")}, true);
    EXPECT_EQ(line.action(), Action::Run);
    EXPECT_TRUE(line.unknownOption().isEmpty());
    EXPECT_EQ(parsed({QStringLiteral("-style"), QStringLiteral("--help")}, true).action(), Action::ShowHelp);
}

TEST(CommandLine, TextsNameTheProgramTheOptionsAndTheVersion)
{
    const QString help = CommandLine::helpText(QStringLiteral("chronark"));
    EXPECT_TRUE(help.startsWith(QStringLiteral("Usage: chronark [OPTION]... [FILE]...\n")));
    EXPECT_TRUE(help.contains(QStringLiteral("--help")));
    EXPECT_TRUE(help.contains(QStringLiteral("--version")));
    EXPECT_TRUE(help.endsWith(QLatin1Char('\n')));
    EXPECT_TRUE(CommandLine::versionText().startsWith(QStringLiteral("Chronark ")));
    const QString refusal = CommandLine::refusalText(QStringLiteral("chronark"), QStringLiteral("--bogus"));
    EXPECT_TRUE(refusal.contains(QStringLiteral("--bogus")));
    EXPECT_TRUE(refusal.contains(QStringLiteral("chronark --help")));
}
