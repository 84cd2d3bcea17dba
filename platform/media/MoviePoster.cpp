#include "platform/media/MoviePoster.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/GuiThread.h"
#include "platform/foundation/ThreadHandOff.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QMutex>
#include <QSemaphore>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>
#include <atomic>
#include <memory>

namespace platform {

namespace {

// What the asking thread and the GUI thread share.
struct PosterRequest
{
    QSemaphore done;
    QMutex mutex;
    QImage image; // guarded by mutex
    std::atomic<bool> abandoned{false};
};

// Lives on the GUI thread from the first picture's request to its end.
class PosterGrab : public QObject
{
public:
    PosterGrab(const QUrl &url, int timeoutMs, std::shared_ptr<PosterRequest> request)
        : QObject(QCoreApplication::instance())
        , m_request(std::move(request))
    {
        m_player.setVideoSink(&m_sink);
        connect(&m_sink, &QVideoSink::videoFrameChanged, this, platform::ExceptionBoundary::guarded(this, "videoFrameChanged", [this](const QVideoFrame &frame) {
            if (frame.isValid())
                finish(frame.toImage());
        }));
        connect(&m_player, &QMediaPlayer::errorOccurred, this,
            platform::ExceptionBoundary::guarded(this, "errorOccurred", [this] { finish(QImage()); }));
        connect(&m_player, &QMediaPlayer::mediaStatusChanged, this, platform::ExceptionBoundary::guarded(this, "mediaStatusChanged", [this](QMediaPlayer::MediaStatus status) {
            if (status == QMediaPlayer::InvalidMedia || status == QMediaPlayer::EndOfMedia)
                finish(QImage());
        }));
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this,
            platform::ExceptionBoundary::guarded(this, "timeout", [this] { finish(QImage()); }));
        m_timer.start(timeoutMs);
        m_player.setSource(url);
        m_player.play();
    }
    ~PosterGrab() override
    {
        m_player.stop();
        m_player.setVideoSink(nullptr);
    }

private:
    void finish(const QImage &image)
    {
        if (m_finished)
            return;
        m_finished = true;
        {
            QMutexLocker lock(&m_request->mutex);
            m_request->image = image;
        }
        m_request->done.release();
        m_timer.stop();
        deleteLater();
    }

    std::shared_ptr<PosterRequest> m_request;
    QVideoSink m_sink;
    QMediaPlayer m_player;
    QTimer m_timer;
    bool m_finished = false;
};

} // namespace

QImage MoviePoster::posterFrame(const QUrl &url, int timeoutMs, const CancelCheck &cancelled)
{
    QCoreApplication *application = QCoreApplication::instance();
    if (!application || GuiThread::isCurrent() || !url.isLocalFile() || timeoutMs <= 0)
        return QImage();
    const QFileInfo info(url.toLocalFile());
    if (!info.isFile() || !info.isReadable())
        return QImage();
    auto request = std::make_shared<PosterRequest>();
    platform::postToThreadOf(application, "a queued call", [url, timeoutMs, request] {
        if (!request->abandoned.load())
            new PosterGrab(url, timeoutMs, request); // deletes itself when done
    });
    // The GUI thread may be busy before it starts the grab: allow it as long again.
    constexpr int SliceMs = 20;
    bool done = false;
    for (int waited = 0; !done && waited < 2 * timeoutMs; waited += SliceMs) {
        done = request->done.tryAcquire(1, SliceMs);
        if (!done && cancelled && cancelled())
            break;
    }
    if (!done) {
        request->abandoned.store(true);
        return QImage();
    }
    QMutexLocker lock(&request->mutex);
    return request->image;
}

} // namespace platform
