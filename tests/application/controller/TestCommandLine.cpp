// The command line as chronark reads it: files, the options it knows, "--", and
// the options it does not know once Qt has taken its own.
#include "application/controller/CommandLine.h"

#include <gtest/gtest.h>

namespace {

using Action = CommandLine::Action;

CommandLine parsed(const QStringList &arguments, CommandLine::QtOptions qtOptions = CommandLine::QtOptions::Taken)
{
    return CommandLine::parse(arguments, qtOptions);
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

// Before the application object is made, Qt's options are passed over with their
// values (so a value is never taken for a file), and an unknown option is refused
// already: that needs no display.
TEST(CommandLine, BeforeQtTookItsOptionsTheyArePassedOverWithTheirValues)
{
    const auto present = CommandLine::QtOptions::Present;
    struct Case
    {
        QStringList arguments;
        Action action;
        QStringList files;
        QString unknown;
    };
    const QString a = QStringLiteral("a.chronark");
    const Case cases[] = {
        {{QStringLiteral("-platform"), QStringLiteral("offscreen"), a}, Action::Run, {a}, {}},
        {{QStringLiteral("--platform"), QStringLiteral("xcb"), a}, Action::Run, {a}, {}},
        {{a, QStringLiteral("-style"), QStringLiteral("fusion")}, Action::Run, {a}, {}},
        {{QStringLiteral("-style=fusion"), QStringLiteral("-reverse"), a}, Action::Run, {a}, {}},
        {{QStringLiteral("-display"), QStringLiteral(":3"), QStringLiteral("-name"), QStringLiteral("x"), a},
         Action::Run, {a}, {}},
        // A value that looks like an option is still the option's value.
        {{QStringLiteral("-style"), QStringLiteral("--help")}, Action::Run, {}, {}},
        // A Qt option without its value at the end.
        {{a, QStringLiteral("-platform")}, Action::Run, {a}, {}},
        {{QStringLiteral("--bogus"), a}, Action::Refuse, {a}, QStringLiteral("--bogus")},
        {{QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("--nope")}, Action::Refuse, {},
         QStringLiteral("--nope")},
        {{QStringLiteral("-platformx")}, Action::Refuse, {}, QStringLiteral("-platformx")},
        {{QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("--help")}, Action::ShowHelp, {}, {}},
        // After "--" a name like Qt's option is a file.
        {{QStringLiteral("--"), QStringLiteral("-style"), a}, Action::Run, {QStringLiteral("-style"), a}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const CommandLine line = parsed(c.arguments, present);
        EXPECT_EQ(line.action(), c.action);
        EXPECT_EQ(line.files(), c.files);
        if (c.action == Action::Refuse) {
            EXPECT_EQ(line.unknownOption(), c.unknown);
        }
    }
    // Once Qt took its own, what it left is refused.
    EXPECT_EQ(parsed({QStringLiteral("-geometry"), QStringLiteral("10x10")}).action(), Action::Refuse);
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
