#pragma once
// The poster of a movie file: its first picture, taken by Qt Multimedia on the
// calling thread (a worker), which runs an event loop of its own while it waits. The
// player lives and ends on that thread: GStreamer's pipeline makes the thread that
// drives it wait (stopping it, a second and more on a busy machine), and its video
// sink hands each picture to its thread's event loop, so neither may be the GUI
// thread's. A file that shows no picture within the given time costs that time.
//
// A caller that may be cancelled passes a check; it is asked every few milliseconds
// while waiting, and a cancelled wait answers a null picture at once (after the
// player stopped).
//
// Threads: a worker thread asks and waits; on the GUI thread (or without an
// application object) it answers a null picture at once, since it must never wait
// there. Failures (no such file, no picture, an error of the player, the time ran
// out): a null picture.
#include <QImage>
#include <QUrl>
#include <functional>

namespace platform {

class MoviePoster
{
public:
    static constexpr int DefaultTimeoutMs = 5000;

    using CancelCheck = std::function<bool()>;

    static QImage posterFrame(const QUrl &url, int timeoutMs = DefaultTimeoutMs, const CancelCheck &cancelled = {});
};

} // namespace platform
