#pragma once
// The catalogue of alert sounds the user can choose from: the sound files of the
// system's sound theme followed by those of the user's own sound folder, known by
// name (file name without extension) and by position. Filled once, when created.
//
// Sounds play through Qt Multimedia, which needs an audio server (PulseAudio or
// PipeWire's PulseAudio service); without one nothing plays. Qt Multimedia is loaded
// with the playback module (playback/NTXSoundPlayback.h) when the first sound plays,
// not with the program: a missing module is reported once and nothing plays.
#include "NTXAppKit/sounds/NTXSoundManagerData.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QMenu;
class QObject;

class NTXSoundManager
{
public:
    // The one catalogue of the application, over defaultSoundFolders(); the first
    // call creates and fills it. Main thread only.
    static NTXSoundManager *getSharedSoundManager();

    // The system's sound folders (the freedesktop theme under every XDG data folder)
    // followed by the user's ($XDG_DATA_HOME/sounds).
    static QStringList defaultSoundFolders();
    static QStringList systemSoundFolders();
    static QString userSoundFolder();

    // A catalogue of its own over the given folders, read in order (tests, and the
    // shared catalogue over the default folders).
    explicit NTXSoundManager(const QStringList &folders);
    ~NTXSoundManager();
    NTXSoundManager(const NTXSoundManager &) = delete;
    NTXSoundManager &operator=(const NTXSoundManager &) = delete;

    // Appends one entry per sound file of the folder, in the order the folder is
    // listed; a folder that cannot be listed adds nothing.
    void addSoundsFromPath(const QString &path);

    unsigned int count() const;
    // The entry's name; an empty name for a position outside the catalogue (so "the
    // first sound" of an empty catalogue is the empty name).
    QString getSoundNameAtIndex(int index) const;
    // Position of the first entry of exactly this name; 0 when there is none.
    int indexOfSound(const QString &name) const;

    // Starts the sound of the entry and returns at once; the sound played before is
    // given up. A negative position, or one outside the catalogue, plays nothing and
    // keeps the sound played before.
    void playSoundAtIndex(int index);
    // playSoundAtIndex(indexOfSound(name)): an unknown name plays the first sound.
    void playSoundWithName(const QString &name);

    // A new menu for the caller: one item per entry, title = name, data = position.
    std::unique_ptr<QMenu> getSoundMenu() const;

    const QList<NTXSoundManagerData> &dataArray() const { return m_dataArray; }
    // The playback of the sound played last (null before the first one, and when
    // nothing could play it), whether it has ended (or failed), and the player's reason
    // when it failed.
    QObject *sound() const { return m_sound.get(); }
    bool soundHasEnded() const;
    QString soundErrorString() const;
    // The file of the sound played last (empty before the first one).
    QString soundPath() const { return m_soundPath; }

    // Stops and gives up the sound played last.
    void releaseSound();

    // The file that the named-sound lookup finds for a name: the first entry of
    // that name in its folder. Empty when no entry has the name.
    QString pathOfSoundNamed(const QString &name) const;

    // Accepted file name extensions (compared without regard to case).
    static const QStringList &acceptedExtensions();

    // Where the playback module is looked for: lib/chronark beside the program's
    // folder, as installed (bin/chronark) and in the build folder alike.
    static QString playbackModulePath();

private:
    QList<NTXSoundManagerData> m_dataArray;
    QStringList m_entryFolders;                 // the folder of each entry
    std::unique_ptr<QObject> m_sound;
    QString m_soundPath;
};
