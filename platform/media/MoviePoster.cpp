#include "platform/media/MoviePoster.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/GuiThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>

namespace platform {

namespace {

// How often a wait asks whether it was cancelled.
constexpr int CancelCheckMs = 20;

// A player of the calling thread that takes the first picture and ends there.
class PosterGrab : public QObject
{
public:
    PosterGrab(const QUrl &url, int timeoutMs, const MoviePoster::CancelCheck &cancelled)
    {
        m_player.setVideoSink(&m_sink);
        // The sink calls while GStreamer's renderer waits for the hand-off (a slow one
        // fails the pipeline): the picture is kept and turned into an image after the
        // loop.
        connect(&m_sink, &QVideoSink::videoFrameChanged, this, ExceptionBoundary::guarded(this, "videoFrameChanged", [this](const QVideoFrame &frame) {
            if (!frame.isValid() || m_finished)
                return;
            m_frame = frame;
            finish();
        }));
        connect(&m_player, &QMediaPlayer::errorOccurred, this,
                ExceptionBoundary::guarded(this, "errorOccurred", [this] { finish(); }));
        connect(&m_player, &QMediaPlayer::mediaStatusChanged, this, ExceptionBoundary::guarded(this, "mediaStatusChanged", [this](QMediaPlayer::MediaStatus status) {
            if (status == QMediaPlayer::InvalidMedia || status == QMediaPlayer::EndOfMedia)
                finish();
        }));
        m_deadline.setSingleShot(true);
        connect(&m_deadline, &QTimer::timeout, this, ExceptionBoundary::guarded(this, "timeout", [this] { finish(); }));
        m_deadline.start(timeoutMs);
        if (cancelled) {
            m_cancelCheck.setInterval(CancelCheckMs);
            connect(&m_cancelCheck, &QTimer::timeout, this, ExceptionBoundary::guarded(this, "timeout", [this, cancelled] {
                if (cancelled())
                    finish();
            }));
            m_cancelCheck.start();
        }
        m_player.setSource(url);
        m_player.play();
    }
    ~PosterGrab() override
    {
        m_player.stop();
        m_player.setVideoSink(nullptr);
    }

    QImage picture()
    {
        if (!m_finished)
            m_loop.exec();
        return m_frame.isValid() ? m_frame.toImage() : QImage();
    }

private:
    void finish()
    {
        if (m_finished)
            return;
        m_finished = true;
        m_deadline.stop();
        m_cancelCheck.stop();
        m_loop.quit();
    }

    QEventLoop m_loop;
    QVideoSink m_sink;
    QMediaPlayer m_player;
    QTimer m_deadline;
    QTimer m_cancelCheck;
    QVideoFrame m_frame;
    bool m_finished = false;
};

} // namespace

QImage MoviePoster::posterFrame(const QUrl &url, int timeoutMs, const CancelCheck &cancelled)
{
    if (!QCoreApplication::instance() || GuiThread::isCurrent() || !url.isLocalFile() || timeoutMs <= 0)
        return QImage();
    const QFileInfo info(url.toLocalFile());
    if (!info.isFile() || !info.isReadable())
        return QImage();
    if (cancelled && cancelled())
        return QImage();
    PosterGrab grab(url, timeoutMs, cancelled);
    return grab.picture();
}

} // namespace platform
