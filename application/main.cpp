// Chronark: the application object, the application controller (defaults, document
// type, menus, hot key, services), then the launch: the documents named on the
// command line, the last edited document or an untitled one.
#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "application/AppController.h"
#include "application/ApplicationImages.h"
#include "application/BuildInfo.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral(CHRONARK_BUNDLE_NAME));
    QCoreApplication::setOrganizationName(QStringLiteral(CHRONARK_BUNDLE_NAME));
    QCoreApplication::setApplicationVersion(QStringLiteral(CHRONARK_VERSION_STRING));
    QGuiApplication::setDesktopFileName(QStringLiteral("chronark"));
    QGuiApplication::setWindowIcon(ApplicationImages::iconNamed(QStringLiteral("application.icns")));

    // Every outline view of the process gets the outline key and menu handling.
    NTXOutlineViewExtension::install();

    // The shared document controller; it puts the front document and itself at the
    // end of the responder chain.
    AppController *controller = AppController::create(AppController::Services(), &app);

    QStringList files;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (const QString &argument : arguments) {
        if (!argument.isEmpty() && !argument.startsWith(QLatin1Char('-')))
            files.append(argument);
    }
    controller->launch(files);
    return app.exec();
}
