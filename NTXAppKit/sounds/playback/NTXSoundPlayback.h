#pragma once
// One sound file played once through Qt Multimedia, in a module of its own that the
// sound catalogue loads when it first plays a sound: a launch does not load Qt
// Multimedia and the audio libraries below it (PulseAudio, the codecs), which took
// more of the launch than any other library.
//
// The catalogue knows this class only through Qt's meta-object system (the module's
// one exported function makes it; play, stop, "ended" and "errorString" are reached
// by name), so the two are built apart and the program links no multimedia library.
//
// Ownership: the caller owns the object made (a QObject; delete it to stop and give
// up the sound). GUI thread only, as Qt Multimedia is. Failures: no audio output means
// no object (chronarkCreateSoundPlayback() returns null); a file that cannot be
// played ends at once with the player's reason in errorString.
#include <QObject>
#include <QString>

#include <memory>

class QAudioOutput;
class QMediaPlayer;

class NTXSoundPlayback : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool ended READ hasEnded)
    Q_PROPERTY(QString errorString READ errorString)

public:
    NTXSoundPlayback();
    ~NTXSoundPlayback() override;

    // Starts the file and returns at once.
    Q_INVOKABLE void play(const QString &path);
    Q_INVOKABLE void stop();

    // The end was reached, or the file could not be played.
    bool hasEnded() const;
    QString errorString() const;

private:
    std::unique_ptr<QAudioOutput> m_output; // declared before the player: outlives it
    std::unique_ptr<QMediaPlayer> m_player;
};

// The module's entry point: a new playback on the default audio output, or null when
// the machine has no audio output.
extern "C" Q_DECL_EXPORT QObject *chronarkCreateSoundPlayback();
