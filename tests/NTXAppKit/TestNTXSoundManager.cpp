// The sound catalogue: which files it lists, in which order, names, positions, menu.
// Nothing here plays a sound (the playing tests run with a private audio server).
#include "NTXAppKit/sounds/NTXSoundManager.h"

#include "tests/support/TestSupport.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void touch(const QString &folder, const QString &name)
{
    ASSERT_TRUE(testsupport::writeFile(folder + QLatin1Char('/') + name, QByteArrayLiteral("RIFF")));
}

QStringList names(const NTXSoundManager &manager)
{
    QStringList result;
    for (unsigned i = 0; i < manager.count(); ++i)
        result.append(manager.getSoundNameAtIndex(int(i)));
    return result;
}

class SoundCatalogue : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(system.isValid());
        ASSERT_TRUE(user.isValid());
    }
    QTemporaryDir system;
    QTemporaryDir user;
};

TEST_F(SoundCatalogue, AcceptsClassicAndOggExtensionsWhateverTheirCase)
{
    for (const char *name : {"Ping.AIFF", "ping.aiff", "x.Wav", "y.snd", "bell.oga", "Chime.OGG", "z.mp3", "z.aif",
                             "README", ".wav", "notes.wav.txt", "two.dots.wav"})
        touch(system.path(), QString::fromLatin1(name));
    ASSERT_TRUE(QDir(system.path()).mkdir(QStringLiteral("folder.wav")));

    NTXSoundManager manager({system.path()});
    QStringList found = names(manager);
    found.sort(Qt::CaseSensitive);
    EXPECT_EQ(found, (QStringList{"Chime", "Ping", "bell", "ping", "two.dots", "x", "y"}));
    // The Ogg Vorbis sounds of the Linux sound theme are found.
    EXPECT_TRUE(found.contains(QStringLiteral("bell")));
    EXPECT_TRUE(found.contains(QStringLiteral("Chime")));
}

TEST_F(SoundCatalogue, EntriesKeepNameAndFileName)
{
    touch(system.path(), QStringLiteral("Glass.aiff"));
    NTXSoundManager manager({system.path()});
    ASSERT_EQ(manager.count(), 1u);
    EXPECT_EQ(manager.dataArray().first().soundName(), QStringLiteral("Glass"));
    EXPECT_EQ(manager.dataArray().first().soundFileName(), QStringLiteral("Glass.aiff"));
    EXPECT_EQ(manager.pathOfSoundNamed(QStringLiteral("Glass")), QDir(system.path()).filePath(QStringLiteral("Glass.aiff")));
    EXPECT_TRUE(manager.pathOfSoundNamed(QStringLiteral("glass")).isEmpty());

    NTXSoundManagerData fresh;
    EXPECT_TRUE(fresh.soundName().isEmpty());
    EXPECT_TRUE(fresh.soundFileName().isEmpty());
}

TEST_F(SoundCatalogue, SystemSoundsComeFirstAndDuplicateNamesFindTheSystemEntry)
{
    touch(system.path(), QStringLiteral("Basso.aiff"));
    touch(system.path(), QStringLiteral("Glass.aiff"));
    touch(user.path(), QStringLiteral("Alpha.wav"));
    touch(user.path(), QStringLiteral("Glass.oga"));

    NTXSoundManager manager({system.path(), user.path()});
    EXPECT_EQ(names(manager), (QStringList{"Basso", "Glass", "Alpha", "Glass"}));
    EXPECT_EQ(manager.indexOfSound(QStringLiteral("Glass")), 1);
    EXPECT_EQ(manager.indexOfSound(QStringLiteral("Alpha")), 2);
    EXPECT_EQ(manager.dataArray().at(3).soundFileName(), QStringLiteral("Glass.oga"));
    // The named lookup plays the system's Glass for either entry.
    EXPECT_EQ(manager.pathOfSoundNamed(QStringLiteral("Glass")), QDir(system.path()).filePath(QStringLiteral("Glass.aiff")));
}

TEST_F(SoundCatalogue, UnknownOrMiscasedNamesStandForTheFirstSound)
{
    touch(system.path(), QStringLiteral("Basso.aiff"));
    touch(system.path(), QStringLiteral("Glass.aiff"));
    NTXSoundManager manager({system.path()});
    EXPECT_EQ(manager.indexOfSound(QStringLiteral("Glass")), 1);
    EXPECT_EQ(manager.indexOfSound(QStringLiteral("glass")), 0);
    EXPECT_EQ(manager.indexOfSound(QStringLiteral("GLASS")), 0);
    EXPECT_EQ(manager.indexOfSound(QStringLiteral("Nothing")), 0);
    EXPECT_EQ(manager.indexOfSound(QString()), 0);
}

TEST_F(SoundCatalogue, FoldersThatCannotBeListedAddNothing)
{
    touch(system.path(), QStringLiteral("Ping.aiff"));
    touch(system.path(), QStringLiteral("plain.txt"));
    NTXSoundManager manager({QStringLiteral("/nonexistent/sounds"), system.path() + QStringLiteral("/plain.txt"),
                             QString(), system.path()});
    EXPECT_EQ(names(manager), QStringList{QStringLiteral("Ping")});
    manager.addSoundsFromPath(QStringLiteral("/nonexistent/again"));
    EXPECT_EQ(manager.count(), 1u);
    // Reading a folder again appends its sounds again.
    manager.addSoundsFromPath(system.path());
    EXPECT_EQ(manager.count(), 2u);
}

TEST_F(SoundCatalogue, EmptyCatalogueAnswersAnEmptyNameAndPlaysNothing)
{
    NTXSoundManager manager({user.path()});
    EXPECT_EQ(manager.count(), 0u);
    // Callers take "the first sound" as a default: an empty name, no crash.
    EXPECT_TRUE(manager.getSoundNameAtIndex(0).isEmpty());
    EXPECT_EQ(manager.indexOfSound(QStringLiteral("Glass")), 0);
    manager.playSoundWithName(QStringLiteral("Glass"));
    manager.playSoundAtIndex(0);
    EXPECT_EQ(manager.sound(), nullptr);
    EXPECT_TRUE(manager.soundPath().isEmpty());
    EXPECT_TRUE(manager.getSoundMenu()->actions().isEmpty());
}

TEST_F(SoundCatalogue, PositionsOutsideTheCatalogueGiveNothing)
{
    touch(system.path(), QStringLiteral("Ping.aiff"));
    NTXSoundManager manager({system.path()});
    EXPECT_TRUE(manager.getSoundNameAtIndex(-1).isEmpty());
    EXPECT_TRUE(manager.getSoundNameAtIndex(1).isEmpty());
    manager.playSoundAtIndex(-1);
    manager.playSoundAtIndex(1);
    EXPECT_EQ(manager.sound(), nullptr);
}

TEST_F(SoundCatalogue, MenuItemsAreTitledByNameAndTaggedByPosition)
{
    touch(system.path(), QStringLiteral("Basso.aiff"));
    touch(system.path(), QStringLiteral("Glass.aiff"));
    touch(user.path(), QStringLiteral("Glass.wav"));
    NTXSoundManager manager({system.path(), user.path()});
    std::unique_ptr<QMenu> menu = manager.getSoundMenu();
    ASSERT_TRUE(menu);
    const QList<QAction *> items = menu->actions();
    ASSERT_EQ(items.size(), 3);
    for (int i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items.at(i)->data().toInt(), i);
        EXPECT_EQ(items.at(i)->text(), manager.getSoundNameAtIndex(items.at(i)->data().toInt()));
    }
    // Each call hands out a new menu.
    EXPECT_NE(manager.getSoundMenu().get(), menu.get());
}

TEST(SoundFolders, SystemThemeFoldersFollowXdgDataDirs)
{
    {
        testsupport::ScopedEnv dirs("XDG_DATA_DIRS", "/opt/a/share:/usr/share/:relative:/opt/a/share");
        EXPECT_EQ(NTXSoundManager::systemSoundFolders(),
                  (QStringList{"/opt/a/share/sounds/freedesktop/stereo", "/usr/share/sounds/freedesktop/stereo"}));
    }
    {
        testsupport::ScopedEnv dirs("XDG_DATA_DIRS", QByteArray());
        EXPECT_EQ(NTXSoundManager::systemSoundFolders(),
                  (QStringList{"/usr/local/share/sounds/freedesktop/stereo", "/usr/share/sounds/freedesktop/stereo"}));
    }
}

TEST(SoundFolders, UserFolderIsUnderXdgDataHome)
{
    {
        testsupport::ScopedEnv home("XDG_DATA_HOME", "/tmp/chronark-data");
        EXPECT_EQ(NTXSoundManager::userSoundFolder(), QStringLiteral("/tmp/chronark-data/sounds"));
        EXPECT_EQ(NTXSoundManager::defaultSoundFolders().last(), QStringLiteral("/tmp/chronark-data/sounds"));
    }
    {
        testsupport::ScopedEnv home("XDG_DATA_HOME", QByteArray());
        EXPECT_EQ(NTXSoundManager::userSoundFolder(), QDir::homePath() + QStringLiteral("/.local/share/sounds"));
    }
}

// The freedesktop theme installed here is Ogg Vorbis only: every one of its files
// is in the catalogue.
TEST(SoundFolders, InstalledThemeSoundsAreListed)
{
    const QString theme = QStringLiteral("/usr/share/sounds/freedesktop/stereo");
    const QStringList files = QDir(theme).entryList({QStringLiteral("*.oga")}, QDir::Files);
    ASSERT_FALSE(files.isEmpty()) << "the freedesktop sound theme is not installed";
    NTXSoundManager manager({theme});
    EXPECT_EQ(manager.count(), unsigned(files.size()));
    EXPECT_EQ(manager.getSoundNameAtIndex(manager.indexOfSound(QStringLiteral("bell"))), QStringLiteral("bell"));
}

TEST(SoundFolders, SharedCatalogueIsCreatedOnceOverTheDefaultFolders)
{
    testsupport::ScopedXdgHome home;
    ASSERT_TRUE(testsupport::writeFile(NTXSoundManager::userSoundFolder() + QStringLiteral("/Mine.wav"), "RIFF"));
    NTXSoundManager *shared = NTXSoundManager::getSharedSoundManager();
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(NTXSoundManager::getSharedSoundManager(), shared);
    NTXSoundManager fresh(NTXSoundManager::defaultSoundFolders());
    EXPECT_EQ(names(*shared), names(fresh));
    EXPECT_EQ(shared->getSoundNameAtIndex(int(shared->count()) - 1), QStringLiteral("Mine"));
    // Filled once: a sound added later is not seen.
    ASSERT_TRUE(testsupport::writeFile(NTXSoundManager::userSoundFolder() + QStringLiteral("/Later.wav"), "RIFF"));
    EXPECT_EQ(NTXSoundManager::getSharedSoundManager()->count(), fresh.count());
}

} // namespace
