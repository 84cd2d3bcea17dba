#include "application/controller/CommandLine.h"

#include "application/base/BuildInfo.h"

namespace {

bool isHelp(const QString &argument)
{
    return argument == QLatin1String("-h") || argument == QLatin1String("--help");
}

bool isVersion(const QString &argument)
{
    return argument == QLatin1String("-v") || argument == QLatin1String("--version");
}

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments, bool unknownOptionsAllowed)
{
    CommandLine line;
    bool options = true;
    for (const QString &argument : arguments) {
        if (argument.isEmpty())
            continue;
        if (!options || !argument.startsWith(QLatin1Char('-'))) {
            line.m_files.append(argument);
            continue;
        }
        if (argument == QLatin1String("--")) {
            options = false;
            continue;
        }
        // The first of help and version wins, as it would in most programs; an
        // unknown option before it is not reported.
        if (line.m_action == Action::Run || line.m_action == Action::Refuse) {
            if (isHelp(argument)) {
                line.m_action = Action::ShowHelp;
                continue;
            }
            if (isVersion(argument)) {
                line.m_action = Action::ShowVersion;
                continue;
            }
        }
        if (!unknownOptionsAllowed && line.m_action == Action::Run) {
            line.m_action = Action::Refuse;
            line.m_unknownOption = argument;
        }
    }
    return line;
}

QString CommandLine::helpText(const QString &programName)
{
    return QStringLiteral(
               "Usage: %1 [OPTION]... [FILE]...\n"
               "Keep track of the time you work on jobs. Opens each FILE, a Chronark document;\n"
               "without one, the document edited last or a new one. A Chronark that runs\n"
               "already opens the files in its own windows.\n"
               "\n"
               "  -h, --help       show this help and exit\n"
               "  -v, --version    show the version and exit\n"
               "      --           take every argument after it as a file\n"
               "\n"
               "Qt's own options (such as -platform or -style) are understood as well.\n")
        .arg(programName);
}

QString CommandLine::versionText()
{
    return QStringLiteral(CHRONARK_BUNDLE_NAME " " CHRONARK_VERSION_STRING "\n");
}

QString CommandLine::refusalText(const QString &programName, const QString &unknownOption)
{
    return QStringLiteral("%1: unknown option \u201c%2\u201d\nTry \u201c%1 --help\u201d for more information.\n")
        .arg(programName, unknownOption);
}
