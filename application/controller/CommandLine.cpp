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

// Qt's own options, as QCoreApplication, QGuiApplication, QApplication and the X
// platform take them out of the arguments ("--name" is read as "-name").
const char *const QtOptionsWithValue[] = {
    "-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-session",
    "-qwindowgeometry", "-qwindowtitle", "-qwindowicon", "-geometry", "-title", "-icon",
    "-style", "-stylesheet", "-qmljsdebugger", "-display", "-name", "-visual",
};
const char *const QtFlags[] = {
    "-reverse", "-widgetcount", "-testability", "-nograb", "-dograb", "-sync", "-qdevel", "-qdebug",
};
const char *const QtOptionsWithJoinedValue[] = {"-style=", "-stylesheet=", "-qmljsdebugger="};

} // namespace

int CommandLine::qtOptionLength(const QStringList &arguments, qsizetype at)
{
    if (at < 0 || at >= arguments.size())
        return 0;
    QString option = arguments.at(at);
    if (option.startsWith(QLatin1String("--")))
        option.remove(0, 1);
    if (option.size() < 2 || option == QLatin1String("--") || !option.startsWith(QLatin1Char('-')))
        return 0;
    for (const char *name : QtOptionsWithValue)
        if (option == QLatin1String(name))
            return at + 1 < arguments.size() ? 2 : 1;
    for (const char *name : QtFlags)
        if (option == QLatin1String(name))
            return 1;
    for (const char *prefix : QtOptionsWithJoinedValue)
        if (option.startsWith(QLatin1String(prefix)))
            return 1;
    return 0;
}

CommandLine CommandLine::parse(const QStringList &arguments, QtOptions qtOptions)
{
    CommandLine line;
    bool options = true;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument.isEmpty())
            continue;
        if (options && qtOptions == QtOptions::Present) {
            if (const int length = qtOptionLength(arguments, i)) {
                i += length - 1;
                continue;
            }
        }
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
        if (line.m_action == Action::Run) {
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
