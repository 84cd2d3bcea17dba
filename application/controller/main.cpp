// Chronark: the crash handler and console log, the application object (the exception
// boundary of the event loop), one running instance per session (a later
// launch hands its files to the running one and exits, or says that the running one
// does not answer), the application controller
// (defaults, document type, menus, hot key, services), then the launch: the
// documents named on the command line, the last edited document or an untitled one,
// the named ones read on a pool thread from the start while the rest is made.
#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "NTXAppKit/reporting/NTXCrashReporter.h"
#include "application/controller/AppController.h"
#include "application/controller/ApplicationInfo.h"
#include "application/controller/CommandLine.h"
#include "application/document/DocumentServices.h"
#include "application/base/BuildInfo.h"
#include "application/tree/DocumentReadAhead.h"
#include "platform/desktop/ApplicationInstance.h"
#include "platform/desktop/DesktopServiceProbe.h"
#include "platform/desktop/DisplayAvailability.h"
#include "platform/drawing/Application.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/PoolThreads.h"
#include "platform/foundation/TerminationSignals.h"
#include "platform/foundation/ThreadHeap.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QScopeGuard>
#include <QStringList>

#include <cstdio>
#include <new>

namespace {

// The exit status of a launch whose files the running instance did not take in time.
constexpr int NotAnsweringExitCode = 3;

void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// The launch proper, once the process may show windows: see the top of this file.
int launch(int &argc, char **argv, const CommandLine &early, const QString &programName)
{
    // The documents named are read on a pool thread from the start, while the
    // application object, the controller and a window are made; the launch goes on
    // once they are read.
    DocumentReadAhead readAhead;
    readAhead.read(early.files());

    platform::Application app(argc, argv);
    // From here on SIGTERM, SIGHUP and SIGINT end the application through its quit
    // (AppController::sessionEnds()), once its event loop runs.
    platform::TerminationSignals::install(&app);
    // The application object waits for the pool's threads when it goes: a launch that
    // ends early (memory ran out) lets the reads go on to their ends first.
    const auto endReads = qScopeGuard([&readAhead] {
        readAhead.cancel();
        readAhead.applicationStarted();
    });
    // The first window shows icons and measures text: the icons are drawn and the font
    // configuration is read meanwhile.
    DocumentServices::prepareWindowImages();
    platform::Application::prepareFontsInBackground();
    readAhead.applicationStarted();
    QCoreApplication::setApplicationName(QStringLiteral(CHRONARK_BUNDLE_NAME));
    QCoreApplication::setOrganizationName(QStringLiteral(CHRONARK_BUNDLE_NAME));
    QCoreApplication::setApplicationVersion(QStringLiteral(CHRONARK_VERSION_STRING));
    QGuiApplication::setDesktopFileName(QStringLiteral("chronark"));

    // What is left once Qt took its own options: an option this Qt did not take after
    // all (one of another platform's) is refused.
    const CommandLine line = CommandLine::parse(QCoreApplication::arguments().mid(1), CommandLine::QtOptions::Taken);
    if (line.action() == CommandLine::Action::Refuse) {
        print(stderr, CommandLine::refusalText(programName, line.unknownOption()));
        return CommandLine::RefusedExitCode;
    }
    const QStringList &files = line.files();

    // A document opened again comes to the front of the instance that runs.
    platform::ApplicationInstance instance(QStringLiteral(CHRONARK_BUNDLE_IDENTIFIER));
    const platform::ApplicationInstance::Role role = instance.claim(files);
    if (role == platform::ApplicationInstance::Role::HandedOver)
        return 0;
    // A running instance that does not answer (busy or stopped) has the request: it
    // opens the files when it goes on. This launch says so instead of opening them a
    // second time in a second instance.
    if (role == platform::ApplicationInstance::Role::NotAnswering) {
        const QString text = QStringLiteral("%1 is already running but does not answer.").arg(QStringLiteral(CHRONARK_BUNDLE_NAME));
        const QString detail = (files.isEmpty() ? QStringLiteral("It was asked to come forward and does so as soon as it answers again.")
                                                : QStringLiteral("It was handed the files and opens them as soon as it answers again."))
                               + QStringLiteral(" If it stays unresponsive, quit it and try again.");
        print(stderr, QStringLiteral("%1: %2 %3\n").arg(programName, text, detail));
        QMessageBox box(QMessageBox::Warning, QStringLiteral(CHRONARK_BUNDLE_NAME), text, QMessageBox::Ok);
        box.setInformativeText(detail);
        box.exec();
        return NotAnsweringExitCode;
    }

    // The desktop's services that Qt asks and waits for (the tray, the global menu, the
    // accessibility bus) are asked now, each without waiting, so that their answers are
    // in when the tray icon, the first window and the event loop need them.
    using Probe = platform::DesktopServiceProbe;
    for (const Probe::Service service :
         {Probe::Service::Accessibility, Probe::Service::MenuRegistrar, Probe::Service::StatusNotifierWatcher})
        Probe::shared(service);

    // Every outline view of the process gets the outline key and menu handling.
    NTXOutlineViewExtension::install();

    // The shared document controller; it puts the front document and itself at the
    // end of the responder chain.
    AppController *controller = AppController::create(AppController::Services(), &app);
    QObject::connect(&instance, &platform::ApplicationInstance::openRequested, controller,
                     platform::ExceptionBoundary::guarded(controller, "openRequested", [controller](const QStringList &paths) {
                         controller->openDocumentsWhenRead(paths, true);
                     }));
    QObject::connect(&instance, &platform::ApplicationInstance::activateRequested, controller,
                     platform::ExceptionBoundary::guarded(controller, "activateRequested", [controller] { controller->applicationShouldHandleReopen(); }));
    // Before the first menu bar is made and the loop starts, the probes of the global
    // menu's registrar and of the accessibility bus have answered (long since, as a
    // rule) or have timed out. A menu bar registers itself with the registrar and
    // waits for its answer: with a registrar that holds its answers, the windows keep
    // their menu bars. When the loop starts, Qt's accessibility bridge asks the
    // accessibility bus whether accessibility is on, twice, each time waiting: a bus
    // that holds its answers is taken to have accessibility on, so that the bridge
    // does not ask, and only asks for the accessibility bus's address, without waiting.
    Probe &registrar = Probe::shared(Probe::Service::MenuRegistrar);
    registrar.waitUntilKnown();
    if (registrar.state() == Probe::State::Silent)
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    Probe &accessibility = Probe::shared(Probe::Service::Accessibility);
    accessibility.waitUntilKnown();
    if (accessibility.state() == Probe::State::Silent)
        qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    // A quit that comes from outside (the X11 session manager's end, the last window
    // closed) is the quit too.
    controller->takeQuitRequests();
    controller->launch(files, &readAhead);
    const int status = app.exec();
    // The quit has done its work: a signal now would only cut the end short.
    platform::TerminationSignals::ignoreFromNow();
    // The controller and its windows (the hot key's status window among them) go while
    // the application object, and with it the display's connection, is whole: as a
    // child of the application they would go only after it had shut the display down.
    delete controller;
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    // The command line is decided before a display is needed: --help, --version and an
    // unknown option answer without one (Qt's own options are passed over here and
    // taken by the application object below).
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const QString programName =
        argc > 0 ? QFileInfo(QString::fromLocal8Bit(argv[0])).fileName() : QStringLiteral(CHRONARK_EXECUTABLE_NAME);
    const CommandLine early = CommandLine::parse(arguments, CommandLine::QtOptions::Present);
    if (early.action() == CommandLine::Action::ShowHelp) {
        print(stdout, CommandLine::helpText(programName));
        return 0;
    }
    if (early.action() == CommandLine::Action::ShowVersion) {
        print(stdout, CommandLine::versionText());
        return 0;
    }
    if (early.action() == CommandLine::Action::Refuse) {
        print(stderr, CommandLine::refusalText(programName, early.unknownOption()));
        return CommandLine::RefusedExitCode;
    }
    // Without a display that answers (a start from an ssh shell, a console, a display
    // gone) there is nothing to show: say which in one line and stop, before Qt would
    // print its own lines and abort. Should Qt fail all the same, the application
    // object says so (platform::Application).
    if (const QString problem = platform::DisplayAvailability::problem(arguments); !problem.isEmpty()) {
        print(stderr, QStringLiteral("%1: %2\n").arg(programName, problem));
        return platform::Application::DisplayUnavailableExitCode;
    }

    // A crash from here on leaves a report, offered at the next launch.
    ApplicationInfo::install();
    NTXCrashReporter::installCrashHandler();

    // Under a limit of the address space, what the threads take of it is what they hold.
    platform::ThreadHeap::shareHeapsUnderALimit();
    // A tree freed on a pool thread leaves the GUI thread nothing to merge later.
    platform::ThreadHeap::mergeFreedBlocksWhereFreed();
    // The pool's threads (the reads and saves of documents, and Qt's painting, which
    // hands bands of a large fill to them and waits) are made now, while the process is
    // small, and kept: no later work waits for a thread the system refuses.
    if (platform::PoolThreads::prepare() == 0) {
        print(stderr, QStringLiteral("%1: cannot start: the system refuses to make threads\n").arg(programName));
        return AppController::NoThreadsExitCode;
    }
    // Memory that runs out while the launch makes its objects (the event loop's
    // deliveries stop their own exceptions) ends it with a line, not a crash report.
    const QByteArray said = (programName + QStringLiteral(": cannot start: there is not enough memory\n")).toLocal8Bit();
    try {
        return launch(argc, argv, early, programName);
    } catch (const std::bad_alloc &) {
        std::fputs(said.constData(), stderr);
        return AppController::OutOfMemoryExitCode;
    }
}
