#include "NTXAppKit/sounds/NTXSoundManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QLoggingCategory>
#include <QMenu>
#include <QStandardPaths>
#include <QVariant>

Q_LOGGING_CATEGORY(lcSoundManager, "chronark.sounds")

namespace {

NTXSoundManager *sharedManager = nullptr;

// Runs while the application object is being destroyed: the player must go before
// the multimedia back end does.
void releaseSharedSound()
{
    if (sharedManager)
        sharedManager->releaseSound();
}

using CreatePlayback = QObject *(*)();

// The playback module's entry point, loaded once; null (reported once) when the module
// cannot be loaded. The module stays loaded until the process ends: objects it made
// may outlive any owner here.
CreatePlayback playbackFactory()
{
    static const CreatePlayback factory = []() -> CreatePlayback {
        static QLibrary module(NTXSoundManager::playbackModulePath());
        if (!module.load()) {
            qCWarning(lcSoundManager).noquote() << "Sounds are not played: the playback module cannot be loaded:"
                                                << module.errorString();
            return nullptr;
        }
        const auto create = reinterpret_cast<CreatePlayback>(module.resolve("chronarkCreateSoundPlayback"));
        if (!create)
            qCWarning(lcSoundManager).noquote() << "Sounds are not played:" << module.fileName()
                                                << "is not the playback module:" << module.errorString();
        return create;
    }();
    return factory;
}

void appendUnique(QStringList &list, const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    if (!list.contains(clean))
        list.append(clean);
}

} // namespace

NTXSoundManager *NTXSoundManager::getSharedSoundManager()
{
    if (!sharedManager) {
        sharedManager = new NTXSoundManager(defaultSoundFolders());
        qAddPostRoutine(releaseSharedSound);
    }
    return sharedManager;
}

QStringList NTXSoundManager::systemSoundFolders()
{
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    QStringList folders;
    const QStringList dirs = dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &dir : dirs) {
        if (QDir::isAbsolutePath(dir))
            appendUnique(folders, dir + QStringLiteral("/sounds/freedesktop/stereo"));
    }
    return folders;
}

QString NTXSoundManager::userSoundFolder()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(dataHome + QStringLiteral("/sounds"));
}

QStringList NTXSoundManager::defaultSoundFolders()
{
    QStringList folders = systemSoundFolders();
    folders.append(userSoundFolder());
    return folders;
}

const QStringList &NTXSoundManager::acceptedExtensions()
{
    // The classic alert formats, and Ogg Vorbis, the format of the freedesktop theme.
    static const QStringList extensions = {QStringLiteral("AIFF"), QStringLiteral("WAV"), QStringLiteral("SND"),
                                           QStringLiteral("OGA"), QStringLiteral("OGG")};
    return extensions;
}

NTXSoundManager::NTXSoundManager(const QStringList &folders)
{
    for (const QString &folder : folders)
        addSoundsFromPath(folder);
}

NTXSoundManager::~NTXSoundManager()
{
    releaseSound();
}

void NTXSoundManager::addSoundsFromPath(const QString &path)
{
    const QDir dir(path);
    if (path.isEmpty() || !dir.exists() || !dir.isReadable())
        return;
    // QDir's own listing order (by name); hidden files count too.
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        const QString fileName = entry.fileName();
        const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
        if (dot <= 0)
            continue;   // no extension, or a dot file with no name before it
        const QString extension = fileName.mid(dot + 1);
        if (!acceptedExtensions().contains(extension, Qt::CaseInsensitive))
            continue;
        NTXSoundManagerData data;
        data.setSoundName(fileName.left(dot));
        data.setSoundFileName(fileName);
        m_dataArray.append(data);
        m_entryFolders.append(dir.absolutePath());
    }
}

unsigned int NTXSoundManager::count() const
{
    return static_cast<unsigned int>(m_dataArray.size());
}

QString NTXSoundManager::getSoundNameAtIndex(int index) const
{
    if (index < 0 || index >= m_dataArray.size())
        return QString();
    return m_dataArray.at(index).soundName();
}

int NTXSoundManager::indexOfSound(const QString &name) const
{
    for (qsizetype i = 0; i < m_dataArray.size(); ++i) {
        if (m_dataArray.at(i).soundName() == name)
            return int(i);
    }
    return 0;
}

QString NTXSoundManager::pathOfSoundNamed(const QString &name) const
{
    for (qsizetype i = 0; i < m_dataArray.size(); ++i) {
        if (m_dataArray.at(i).soundName() == name)
            return m_entryFolders.at(i) + QLatin1Char('/') + m_dataArray.at(i).soundFileName();
    }
    return QString();
}

void NTXSoundManager::playSoundAtIndex(int index)
{
    if (index < 0 || index >= m_dataArray.size())
        return;
    const QString path = pathOfSoundNamed(m_dataArray.at(index).soundName());
    releaseSound();
    const CreatePlayback create = playbackFactory();
    if (!create)
        return;
    m_sound.reset(create());
    if (!m_sound) {
        static bool reported = false;
        if (!reported) {
            reported = true;
            qCInfo(lcSoundManager) << "No audio output: sounds are not played";
        }
        return;
    }
    if (!QMetaObject::invokeMethod(m_sound.get(), "play", Qt::DirectConnection, Q_ARG(QString, path))) {
        static bool reported = false;
        if (!reported) {
            reported = true;
            qCWarning(lcSoundManager) << "Sounds are not played: the playback module's player cannot play";
        }
        m_sound.reset();
        return;
    }
    m_soundPath = path;
}

bool NTXSoundManager::soundHasEnded() const
{
    return m_sound && m_sound->property("ended").toBool();
}

QString NTXSoundManager::soundErrorString() const
{
    return m_sound ? m_sound->property("errorString").toString() : QString();
}

QString NTXSoundManager::playbackModulePath()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath()
                           + QStringLiteral("/../lib/chronark/libchronark_sound_playback.so"));
}

void NTXSoundManager::playSoundWithName(const QString &name)
{
    playSoundAtIndex(indexOfSound(name));
}

std::unique_ptr<QMenu> NTXSoundManager::getSoundMenu() const
{
    auto menu = std::make_unique<QMenu>();
    for (qsizetype i = 0; i < m_dataArray.size(); ++i) {
        QAction *item = menu->addAction(m_dataArray.at(i).soundName());
        item->setData(int(i));   // the item's tag
    }
    return menu;
}

void NTXSoundManager::releaseSound()
{
    if (m_sound)
        QMetaObject::invokeMethod(m_sound.get(), "stop", Qt::DirectConnection);
    m_sound.reset();
    m_soundPath.clear();
}
