#pragma once
// A movie file played by Qt Multimedia (QMediaPlayer into a QVideoSink): the
// platform::Movie that movie layers show. Times are in milliseconds (time scale
// 1000); the duration is indefinite until the file's length is known. stop() pauses
// where the movie stands; autoplay() plays on from there (from the start again once
// it reached its end). Sound goes to the default audio output once the file turns
// out to have any, so a silent movie never opens the audio device.
//
// The player, its sink and its audio output live on a thread of the movie's own, with
// its own event loop, for their whole life: GStreamer's pipeline makes the thread that
// drives it wait (a state change, stopping and ending wait for the streaming threads,
// up to a second and more on a busy machine), and the video sink's renderer hands
// each set-up and picture to its thread's event loop and gives up after a time (then
// the pipeline stops with "Internal data stream error"). On the GUI thread the one
// would freeze the window and the other fail whenever the window is busy. Each
// picture is turned into an image on that thread too. The GUI thread only asks (play,
// pause) and reads what the player last reported. The pool of platform::BackgroundTask
// runs no event loops, so the movie has a thread of its own; it ends after the
// movie went and the player was torn down there, and the application's end waits for
// it (at most TeardownWaitMs).
//
// A playback error is logged once ("Error: <reason>") and leaves the movie stopped
// on its last picture; errorString() tells it.
//
// Owned through std::shared_ptr (the layers that show it); its functions are for
// the GUI thread. Failures: a thread that cannot be started leaves a movie that never
// plays and says so in errorString().
#include "platform/layers/Movie.h"

#include <QImage>
#include <QObject>
#include <QUrl>
#include <memory>

class QThread;

namespace platform {

class MediaMovie : public QObject, public Movie
{
    Q_OBJECT
public:
    static constexpr unsigned long TeardownWaitMs = 5000;

    // A movie of a local file that exists and can be read; null otherwise.
    static std::shared_ptr<MediaMovie> open(const QUrl &url);
    ~MediaMovie() override;

    QUrl url() const { return m_url; }
    Time currentTime() const override;
    Time duration() const override;
    double rate() const override;
    void autoplay() override;
    void stop() override;
    QImage currentFrame() const override;

    // How many pictures the sink delivered so far.
    quint64 frameCount() const;
    // The player's error (empty while there is none).
    QString errorString() const;
    // Goes up with every report of the player (a status, a state, a position, a
    // length, a picture, an error): one who waits on the movie tells a player that
    // moves on, however slowly, from one that stands still.
    quint64 progress() const;

    // What the player's thread and the movie share (opaque).
    struct Shared;
    class Engine;

private:
    explicit MediaMovie(const QUrl &url);
    void pictureArrived();

    QUrl m_url;
    std::shared_ptr<Shared> m_shared;
    Engine *m_engine = nullptr; // lives on m_thread; deleted there
    QThread *m_thread = nullptr;
};

} // namespace platform
