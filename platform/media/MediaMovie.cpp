#include "platform/media/MediaMovie.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/ThreadHandOff.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QMutex>
#include <QThread>
#include <QVideoFrame>
#include <QVideoSink>

#include <algorithm>
#include <utility>
#include <vector>

namespace platform {

namespace {

// The movies' threads that have not ended yet; the application's end waits for them,
// so that no player is torn down while the process ends. Never destroyed (the post
// routine may run late in the end).
struct MovieThreads
{
    QMutex mutex;
    std::vector<QThread *> running; // guarded by mutex
};

MovieThreads &movieThreads()
{
    static MovieThreads *threads = new MovieThreads;
    return *threads;
}

void endMovieThreads()
{
    std::vector<QThread *> threads;
    {
        QMutexLocker lock(&movieThreads().mutex);
        threads = movieThreads().running;
    }
    // The thread objects are deleted on the GUI thread, which is here.
    for (QThread *thread : threads)
        thread->wait(MediaMovie::TeardownWaitMs);
}

} // namespace

struct MediaMovie::Shared
{
    mutable QMutex mutex;
    // Cleared by the movie's destructor: nothing more is posted to it after that.
    MediaMovie *movie = nullptr;
    // What the player last reported.
    qint64 position = 0;
    qint64 length = 0;
    bool playing = false;
    double playbackRate = 1.0;
    QString error;
    QImage frame;
    quint64 frames = 0;
    quint64 progress = 0;
    bool picturePosted = false;
    // The GUI thread's requests: how many were made, what the last one wants, how
    // many the player carried out.
    quint64 requests = 0;
    bool wantsPlay = false;
    quint64 handled = 0;
};

// The player, its sink and its audio output, on the movie's thread.
class MediaMovie::Engine : public QObject
{
public:
    Engine(const QUrl &url, std::shared_ptr<Shared> shared)
        : m_url(url)
        , m_shared(std::move(shared))
    {
    }
    ~Engine() override
    {
        // The player lets go of its sink and output before they go; its pipeline stops
        // here, on this thread.
        if (!m_player)
            return;
        m_player->stop();
        m_player->setVideoSink(nullptr);
        m_player->setAudioOutput(nullptr);
    }

    void setUp()
    {
        m_sink = std::make_unique<QVideoSink>();
        m_player = std::make_unique<QMediaPlayer>();
        m_player->setVideoSink(m_sink.get());
        connect(m_sink.get(), &QVideoSink::videoFrameChanged, this,
                ExceptionBoundary::guarded(this, "videoFrameChanged", [this](const QVideoFrame &frame) { takeFrame(frame); }));
        connect(m_player.get(), &QMediaPlayer::hasAudioChanged, this, ExceptionBoundary::guarded(this, "hasAudioChanged", [this](bool hasAudio) {
            if (hasAudio && !m_audio) {
                m_audio = std::make_unique<QAudioOutput>();
                m_player->setAudioOutput(m_audio.get());
            }
        }));
        connect(m_player.get(), &QMediaPlayer::errorOccurred, this,
                ExceptionBoundary::guarded(this, "errorOccurred", [this](QMediaPlayer::Error, const QString &reason) {
                    const QString text = reason.isEmpty() ? QStringLiteral("the movie cannot be played") : reason;
                    bool first = false;
                    report([&](Shared &s) {
                        first = s.error.isEmpty();
                        if (first)
                            s.error = text;
                    });
                    if (first)
                        qWarning("Error: %s", qUtf8Printable(text));
                }));
        connect(m_player.get(), &QMediaPlayer::positionChanged, this, ExceptionBoundary::guarded(this, "positionChanged", [this](qint64 position) {
            report([position](Shared &s) { s.position = position; });
        }));
        connect(m_player.get(), &QMediaPlayer::durationChanged, this, ExceptionBoundary::guarded(this, "durationChanged", [this](qint64 length) {
            report([length](Shared &s) { s.length = length; });
        }));
        connect(m_player.get(), &QMediaPlayer::playbackStateChanged, this,
                ExceptionBoundary::guarded(this, "playbackStateChanged", [this](QMediaPlayer::PlaybackState state) {
                    report([state](Shared &s) { s.playing = state == QMediaPlayer::PlayingState; });
                }));
        connect(m_player.get(), &QMediaPlayer::playbackRateChanged, this, ExceptionBoundary::guarded(this, "playbackRateChanged", [this](qreal rate) {
            report([rate](Shared &s) { s.playbackRate = rate; });
        }));
        connect(m_player.get(), &QMediaPlayer::mediaStatusChanged, this,
                ExceptionBoundary::guarded(this, "mediaStatusChanged", [this](QMediaPlayer::MediaStatus) { report([](Shared &) {}); }));
        m_player->setSource(m_url);
    }

    void play(quint64 request)
    {
        if (m_player->mediaStatus() == QMediaPlayer::EndOfMedia)
            m_player->setPosition(0);
        m_player->play();
        report([request](Shared &s) { s.handled = std::max(s.handled, request); });
    }

    void pause(quint64 request)
    {
        m_player->pause();
        report([request](Shared &s) { s.handled = std::max(s.handled, request); });
    }

private:
    template <typename Change>
    void report(Change &&change)
    {
        QMutexLocker lock(&m_shared->mutex);
        change(*m_shared);
        ++m_shared->progress;
    }

    // Called by the sink while GStreamer's renderer waits for the hand-off (at most
    // 300 ms: past that it takes the picture as failed and the pipeline stops with
    // "Internal data stream error"), so the picture is only kept here and turned into
    // an image in a later pass, after the hand-off (the first conversion sets up Qt's
    // converter, a second and more on a busy machine).
    void takeFrame(const QVideoFrame &frame)
    {
        if (!frame.isValid())
            return;
        m_pending = frame;
        if (m_conversionPosted)
            return;
        m_conversionPosted = true;
        postToThreadOf(this, "convertFrame", [this] { convertFrame(); });
    }

    void convertFrame()
    {
        m_conversionPosted = false;
        const QVideoFrame frame = std::exchange(m_pending, QVideoFrame());
        if (!frame.isValid())
            return;
        const QImage image = frame.toImage();
        if (image.isNull())
            return;
        QMutexLocker lock(&m_shared->mutex);
        m_shared->frame = image;
        ++m_shared->frames;
        ++m_shared->progress;
        // One call on its way at a time; the movie reads the newest picture then. The
        // movie cannot go while the lock is held (its destructor takes it first).
        if (MediaMovie *movie = m_shared->movie; movie && !m_shared->picturePosted) {
            m_shared->picturePosted = true;
            postToThreadOf(movie, "pictureArrived", [movie] { movie->pictureArrived(); });
        }
    }

    QUrl m_url;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<QVideoSink> m_sink;
    std::unique_ptr<QMediaPlayer> m_player;
    std::unique_ptr<QAudioOutput> m_audio;
    QVideoFrame m_pending;
    bool m_conversionPosted = false;
};

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
    , m_shared(std::make_shared<Shared>())
{
    m_shared->movie = this;
    static const bool waitsAtTheEnd = [] {
        qAddPostRoutine(endMovieThreads);
        return true;
    }();
    Q_UNUSED(waitsAtTheEnd);
    auto thread = std::make_unique<QThread>();
    thread->setObjectName(QStringLiteral("media movie"));
    auto engine = std::make_unique<Engine>(url, m_shared);
    engine->moveToThread(thread.get());
    QThread *raw = thread.get();
    // The engine goes on its thread (deleteLater from the destructor); the thread ends
    // then, leaves the list and its object goes on the GUI thread.
    connect(engine.get(), &QObject::destroyed, raw, ExceptionBoundary::guarded(raw, "destroyed", [raw] { raw->quit(); }),
            Qt::DirectConnection);
    connect(raw, &QThread::finished, raw, ExceptionBoundary::guarded(raw, "finished", [raw] {
                QMutexLocker lock(&movieThreads().mutex);
                auto &running = movieThreads().running;
                running.erase(std::remove(running.begin(), running.end(), raw), running.end());
            }), Qt::DirectConnection);
    connect(raw, &QThread::finished, raw, &QObject::deleteLater);
    {
        QMutexLocker lock(&movieThreads().mutex);
        movieThreads().running.push_back(raw);
    }
    raw->start();
    if (!raw->isRunning() && !raw->isFinished()) {
        {
            QMutexLocker lock(&movieThreads().mutex);
            auto &running = movieThreads().running;
            running.erase(std::remove(running.begin(), running.end(), raw), running.end());
        }
        engine.reset();
        QMutexLocker lock(&m_shared->mutex);
        m_shared->error = QStringLiteral("no thread could be started for the movie");
        return; // the thread object goes with `thread`
    }
    thread.release();
    m_thread = raw;
    m_engine = engine.release();
    Engine *running = m_engine;
    postToThreadOf(running, "setUp", [running] { running->setUp(); });
}

MediaMovie::~MediaMovie()
{
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->movie = nullptr;
    }
    if (m_engine)
        m_engine->deleteLater();
}

Movie::Time MediaMovie::currentTime() const
{
    QMutexLocker lock(&m_shared->mutex);
    return {m_shared->position, 1000};
}

Movie::Time MediaMovie::duration() const
{
    QMutexLocker lock(&m_shared->mutex);
    if (m_shared->length <= 0)
        return {0, 1000, true};
    return {m_shared->length, 1000};
}

double MediaMovie::rate() const
{
    QMutexLocker lock(&m_shared->mutex);
    if (!m_shared->error.isEmpty())
        return 0.0;
    // A request on its way counts as carried out: the player takes it in its thread's
    // next pass.
    const bool playing = m_shared->handled < m_shared->requests ? m_shared->wantsPlay : m_shared->playing;
    return playing ? m_shared->playbackRate : 0.0;
}

void MediaMovie::autoplay()
{
    quint64 request = 0;
    {
        QMutexLocker lock(&m_shared->mutex);
        request = ++m_shared->requests;
        m_shared->wantsPlay = true;
    }
    if (Engine *engine = m_engine)
        postToThreadOf(engine, "autoplay", [engine, request] { engine->play(request); });
}

void MediaMovie::stop()
{
    quint64 request = 0;
    {
        QMutexLocker lock(&m_shared->mutex);
        request = ++m_shared->requests;
        m_shared->wantsPlay = false;
    }
    if (Engine *engine = m_engine)
        postToThreadOf(engine, "stop", [engine, request] { engine->pause(request); });
}

QImage MediaMovie::currentFrame() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->frame;
}

quint64 MediaMovie::frameCount() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->frames;
}

QString MediaMovie::errorString() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->error;
}

quint64 MediaMovie::progress() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->progress;
}

void MediaMovie::pictureArrived()
{
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->picturePosted = false;
    }
    frameChanged();
}

} // namespace platform
