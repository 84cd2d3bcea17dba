// Chronark: starts with an untitled document window, or with the documents named on
// the command line.
#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "application/ApplicationImages.h"
#include "application/BuildInfo.h"
#include "application/MyDocument.h"
#include "platform/Bundle.h"
#include "platform/DocumentController.h"

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

    platform::DocumentController controller;
    controller.addDocumentType(MyDocument::documentType());

    bool opened = false;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (const QString &argument : arguments) {
        if (argument.isEmpty() || argument.startsWith(QLatin1Char('-')))
            continue;
        if (controller.openDocumentWithContentsOfFile(argument, true))
            opened = true;
    }
    if (!opened)
        controller.openUntitledDocument(true);
    return app.exec();
}
