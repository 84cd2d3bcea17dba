#pragma once
// What the arguments of the chronark command ask for: to run with the documents they
// name, to print the help or the version and exit, or nothing at all because an option
// is unknown. An argument that starts with "-" is an option; "--" ends the options, so
// that a file whose name starts with "-" can be named after it.
//
// Qt takes its own options (-platform, -style, …) out of the arguments when the
// application object is made; but the command line is decided before that, so that
// --help, --version and an unknown option answer without a display. The first parse
// (QtOptions::Present) knows Qt's options and passes over them with their values; the
// arguments that remain once Qt took its own are parsed again (QtOptions::Taken) to
// refuse what this Qt did not take after all (-geometry, -display … belong to the X
// platform only).
//
// A value type; no shared state, re-entrant.
#include <QString>
#include <QStringList>

class CommandLine
{
public:
    enum class Action {
        Run, // open files() (or the launch's usual document)
        ShowHelp,
        ShowVersion,
        Refuse // unknownOption() names what was not understood
    };

    enum class QtOptions {
        Present, // the program's arguments: Qt's options are passed over
        Taken // what is left once Qt took its own: every other option is refused
    };

    // The arguments without the program's name.
    static CommandLine parse(const QStringList &arguments, QtOptions qtOptions);

    // How many arguments a Qt option at the start of `arguments` spans (the option and
    // its value, when it takes one); 0 when the first argument is no option of Qt's.
    static int qtOptionLength(const QStringList &arguments, qsizetype at);

    Action action() const { return m_action; }
    const QStringList &files() const { return m_files; }
    const QString &unknownOption() const { return m_unknownOption; }

    // What --help prints (on standard output), --version prints, and what a refused
    // command line prints on standard error; each ends with a line break.
    static QString helpText(const QString &programName);
    static QString versionText();
    static QString refusalText(const QString &programName, const QString &unknownOption);

    // The exit status of a refused command line (as of a usage error).
    static constexpr int RefusedExitCode = 2;

private:
    Action m_action = Action::Run;
    QStringList m_files;
    QString m_unknownOption;
};
