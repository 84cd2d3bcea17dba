#include "components/livelink/LiveLinkServerApplication.h"

#include "components/livelink/LiveLinkUserInterface.h"
#include "platform/foundation/DesktopEntry.h"
#include "platform/foundation/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

const QString BundleIdKey = QStringLiteral("X-LiveLink-BundleId");
const QString ServerKey = QStringLiteral("X-LiveLink-Server");
constexpr int DeepestLevel = 4;

std::optional<platform::DesktopEntry> readEntry(const QString &path)
{
    // A pipe among the entries is not waited for.
    QFile file;
    if (!platform::RegularFile::openForReading(file, path))
        return std::nullopt;
    return platform::DesktopEntry::parse(file.read(platform::DesktopEntry::MaxBytes + 1));
}

bool entryServes(const QString &path, const QString &bundleIdentifier, const QString &serverName)
{
    const std::optional<platform::DesktopEntry> entry = readEntry(path);
    return entry && entry->value(BundleIdKey) == bundleIdentifier
        && LiveLinkServerNamesContain(serverName, entry->value(ServerKey));
}

} // namespace

bool LiveLinkServerNamesContain(const QString &serverName, const QString &value)
{
    const QStringList names = value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (auto it = names.crbegin(); it != names.crend(); ++it) {
        if (*it == serverName)
            return true;
    }
    return false;
}

QString LiveLinkFindServerApplication(const QString &bundleIdentifier, const QString &serverName,
                                      const QString &folderPath, int depth)
{
    const QString folder = QDir::cleanPath(folderPath);
    const QFileInfo folderInfo(folder);
    if (!folderInfo.exists())
        return QString();
    QDir dir(folder);
    if (!folderInfo.isDir() || !dir.isReadable()) {
        LiveLinkUserInterface::current().presentError(
            QStringLiteral("The folder “%1” could not be searched.").arg(folderPath),
            folderInfo.isDir() ? QStringLiteral("You do not have permission to read it.")
                               : QStringLiteral("It is not a folder."));
        return QString();
    }
    qInfo("searching for %s in folder: %s", qUtf8Printable(serverName), qUtf8Printable(folderPath));

    const QFileInfoList entries = dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
        if (it->suffix() == QLatin1String("desktop") && it->isFile()
            && entryServes(it->filePath(), bundleIdentifier, serverName))
            return it->filePath();
    }
    if (depth >= DeepestLevel)
        return QString();
    for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
        if (it->isDir() && it->suffix() != QLatin1String("desktop")) {
            const QString found = LiveLinkFindServerApplication(bundleIdentifier, serverName, it->filePath(), depth + 1);
            if (!found.isEmpty())
                return found;
        }
    }
    return QString();
}

namespace LiveLinkServerApplication {

QString locate(const QString &bundleIdentifier, const QString &serverName)
{
    // The identifier comes with outside data: it names a file only inside the folders.
    const bool plainName = !bundleIdentifier.isEmpty() && !bundleIdentifier.contains(QLatin1Char('/'))
        && !bundleIdentifier.startsWith(QLatin1Char('.'));
    const QString own = plainName ? QStandardPaths::locate(QStandardPaths::ApplicationsLocation,
                                                           bundleIdentifier + QStringLiteral(".desktop"))
                                  : QString();
    if (!own.isEmpty()) {
        const std::optional<platform::DesktopEntry> entry = readEntry(own);
        if (entry && LiveLinkServerNamesContain(serverName, entry->value(ServerKey)))
            return own;
    }
    for (const QString &folder : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        const QString found = LiveLinkFindServerApplication(bundleIdentifier, serverName, folder, 0);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

bool launch(const QString &programName)
{
    if (programName.isEmpty() || programName.contains(QLatin1Char('/')) || programName.startsWith(QLatin1Char('-'))
        || programName.startsWith(QLatin1Char('.')))
        return false;
    const QString program = QStandardPaths::findExecutable(programName);
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, {});
}

} // namespace LiveLinkServerApplication
