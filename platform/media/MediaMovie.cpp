#include "platform/media/MediaMovie.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QVideoFrame>
#include <QVideoSink>

namespace platform {

std::shared_ptr<MediaMovie> MediaMovie::open(const QUrl &url)
{
    if (!url.isLocalFile())
        return nullptr;
    const QFileInfo info(url.toLocalFile());
    if (!info.isFile() || !info.isReadable())
        return nullptr;
    return std::shared_ptr<MediaMovie>(new MediaMovie(url));
}

MediaMovie::MediaMovie(const QUrl &url)
    : m_url(url)
    , m_sink(std::make_unique<QVideoSink>())
    , m_player(std::make_unique<QMediaPlayer>())
{
    m_player->setVideoSink(m_sink.get());
    connect(m_sink.get(), &QVideoSink::videoFrameChanged, this,
        platform::ExceptionBoundary::guarded(this, "takeFrame", &MediaMovie::takeFrame));
    connect(m_player.get(), &QMediaPlayer::hasAudioChanged, this, platform::ExceptionBoundary::guarded(this, "hasAudioChanged", [this](bool hasAudio) {
        if (hasAudio && !m_audio) {
            m_audio = std::make_unique<QAudioOutput>();
            m_player->setAudioOutput(m_audio.get());
        }
    }));
    connect(m_player.get(), &QMediaPlayer::errorOccurred, this,
            platform::ExceptionBoundary::guarded(this, "errorOccurred", [this](QMediaPlayer::Error, const QString &reason) {
                if (m_failed)
                    return;
                m_failed = true;
                qWarning("Error: %s", qUtf8Printable(reason));
            }));
    m_player->setSource(url);
}

MediaMovie::~MediaMovie()
{
    // The player lets go of its sink and output before they go.
    m_player->stop();
    m_player->setVideoSink(nullptr);
    m_player->setAudioOutput(nullptr);
}

Movie::Time MediaMovie::currentTime() const
{
    return {m_player->position(), 1000};
}

Movie::Time MediaMovie::duration() const
{
    const qint64 length = m_player->duration();
    if (length <= 0)
        return {0, 1000, true};
    return {length, 1000};
}

double MediaMovie::rate() const
{
    return m_player->playbackState() == QMediaPlayer::PlayingState ? m_player->playbackRate() : 0.0;
}

void MediaMovie::autoplay()
{
    if (m_player->mediaStatus() == QMediaPlayer::EndOfMedia)
        m_player->setPosition(0);
    m_player->play();
}

void MediaMovie::stop()
{
    m_player->pause();
}

void MediaMovie::takeFrame(const QVideoFrame &frame)
{
    if (!frame.isValid())
        return;
    const QImage image = frame.toImage();
    if (image.isNull())
        return;
    m_frame = image;
    ++m_frames;
    frameChanged();
}

} // namespace platform
