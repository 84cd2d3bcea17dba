// Chronark: the crash handler and console log, the application object (the exception
// boundary of the event loop), one running instance per session (a later
// launch hands its files to the running one and exits), the application controller
// (defaults, document type, menus, hot key, services), then the launch: the
// documents named on the command line, the last edited document or an untitled one,
// read on a pool thread from the start while the rest is made.
#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "NTXAppKit/reporting/NTXCrashReporter.h"
#include "application/AppController.h"
#include "application/ApplicationInfo.h"
#include "application/ApplicationImages.h"
#include "application/BuildInfo.h"
#include "application/DocumentReadAhead.h"
#include "platform/desktop/ApplicationInstance.h"
#include "platform/drawing/Application.h"

#include <QStringList>

int main(int argc, char **argv)
{
    // A crash from here on leaves a report, offered at the next launch.
    ApplicationInfo::install();
    NTXCrashReporter::installCrashHandler();

    platform::Application app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral(CHRONARK_BUNDLE_NAME));
    QCoreApplication::setOrganizationName(QStringLiteral(CHRONARK_BUNDLE_NAME));
    QCoreApplication::setApplicationVersion(QStringLiteral(CHRONARK_VERSION_STRING));
    QGuiApplication::setDesktopFileName(QStringLiteral("chronark"));

    QStringList files;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (const QString &argument : arguments) {
        if (!argument.isEmpty() && !argument.startsWith(QLatin1Char('-')))
            files.append(argument);
    }

    // A document opened again comes to the front of the instance that runs.
    platform::ApplicationInstance instance(QStringLiteral(CHRONARK_BUNDLE_IDENTIFIER));
    if (instance.claim(files) == platform::ApplicationInstance::Role::HandedOver)
        return 0;

    // The files are read on a pool thread while the rest starts; the launch goes on
    // once they are read.
    DocumentReadAhead readAhead;
    readAhead.read(files);

    QGuiApplication::setWindowIcon(ApplicationImages::iconNamed(QStringLiteral("application.icns")));

    // Every outline view of the process gets the outline key and menu handling.
    NTXOutlineViewExtension::install();

    // The shared document controller; it puts the front document and itself at the
    // end of the responder chain.
    AppController *controller = AppController::create(AppController::Services(), &app);
    QObject::connect(&instance, &platform::ApplicationInstance::openRequested, controller,
                     [controller](const QStringList &paths) {
                         controller->openDocumentsWithContentsOfFiles(paths, true);
                     });
    QObject::connect(&instance, &platform::ApplicationInstance::activateRequested, controller,
                     [controller] { controller->applicationShouldHandleReopen(); });
    controller->launch(files, &readAhead);
    return app.exec();
}
