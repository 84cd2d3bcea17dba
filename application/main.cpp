#include <QApplication>
#include <QMainWindow>

#include "application/BuildInfo.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral(CHRONARK_BUNDLE_NAME));
    QCoreApplication::setOrganizationName(QStringLiteral(CHRONARK_BUNDLE_NAME));
    QCoreApplication::setApplicationVersion(QStringLiteral(CHRONARK_VERSION_STRING));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral(CHRONARK_BUNDLE_NAME));
    window.resize(640, 400);
    window.show();
    return app.exec();
}
