#include "AppKitExtensions/NTXNSFileManagerExtension.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace NTXNSFileManagerExtension {

namespace {

QString firstLocation(QStandardPaths::StandardLocation location)
{
    const QStringList paths = QStandardPaths::standardLocations(location);
    return paths.isEmpty() ? QString(QLatin1String("")) : QDir::cleanPath(paths.first());
}

} // namespace

QString documentsDirectory() { return firstLocation(QStandardPaths::DocumentsLocation); }

QString preferencesDirectory() { return firstLocation(QStandardPaths::GenericConfigLocation); }

QString usersDirectory()
{
    const QString home = QDir::homePath();
    const QString parent = QFileInfo(home).absolutePath();
    return parent == home ? QString(QLatin1String("")) : QDir::cleanPath(parent);
}

QString applicationSupportDirectory() { return firstLocation(QStandardPaths::GenericDataLocation); }

QString temporaryFolder() { return QDir::cleanPath(QDir::tempPath()); }

} // namespace NTXNSFileManagerExtension
