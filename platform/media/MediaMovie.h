#pragma once
// A movie file played by Qt Multimedia (QMediaPlayer into a QVideoSink): the
// platform::Movie that movie layers show. Times are in milliseconds (time scale
// 1000); the duration is indefinite until the file's length is known. stop() pauses
// where the movie stands; autoplay() plays on from there (from the start again once
// it reached its end). Sound goes to the default audio output once the file turns
// out to have any, so a silent movie never opens the audio device.
//
// A playback error is logged once ("Error: <reason>") and leaves the movie stopped
// on its last picture.
//
// Owned through std::shared_ptr (the layers that show it); GUI thread only.
#include "platform/layers/Movie.h"

#include <QImage>
#include <QObject>
#include <QUrl>
#include <memory>

class QAudioOutput;
class QMediaPlayer;
class QVideoFrame;
class QVideoSink;

namespace platform {

class MediaMovie : public QObject, public Movie
{
    Q_OBJECT
public:
    // A movie of a local file that exists and can be read; null otherwise.
    static std::shared_ptr<MediaMovie> open(const QUrl &url);
    ~MediaMovie() override;

    QUrl url() const { return m_url; }
    Time currentTime() const override;
    Time duration() const override;
    double rate() const override;
    void autoplay() override;
    void stop() override;
    QImage currentFrame() const override { return m_frame; }

    // How many pictures the sink delivered so far.
    quint64 frameCount() const { return m_frames; }

private:
    explicit MediaMovie(const QUrl &url);
    void takeFrame(const QVideoFrame &frame);

    QUrl m_url;
    std::unique_ptr<QVideoSink> m_sink;
    std::unique_ptr<QMediaPlayer> m_player;
    std::unique_ptr<QAudioOutput> m_audio;
    QImage m_frame;
    quint64 m_frames = 0;
    bool m_failed = false;
};

} // namespace platform
