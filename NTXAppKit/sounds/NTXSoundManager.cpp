#include "NTXAppKit/sounds/NTXSoundManager.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QMenu>
#include <QStandardPaths>
#include <QUrl>

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
    if (QMediaDevices::defaultAudioOutput().isNull()) {
        static bool reported = false;
        if (!reported) {
            reported = true;
            qCInfo(lcSoundManager) << "No audio output: sounds are not played";
        }
        return;
    }
    m_output = std::make_unique<QAudioOutput>();
    m_sound = std::make_unique<QMediaPlayer>();
    m_sound->setAudioOutput(m_output.get());
    m_sound->setSource(QUrl::fromLocalFile(path));
    m_soundPath = path;
    m_sound->play();
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
        m_sound->stop();
    m_sound.reset();
    m_output.reset();
    m_soundPath.clear();
}
