#pragma once
// The poster of a movie file: its first picture, taken by Qt Multimedia on the GUI
// thread (where the media objects live) for a caller on any other thread. The caller
// waits at most the given time; the GUI thread gives up on the movie after the same
// time, so a file that never shows a picture costs one wait and no thread.
//
// A caller that may be cancelled passes a check; it is asked every few milliseconds
// while waiting, and a cancelled wait answers a null picture at once.
//
// Threads: a worker thread asks and blocks; on the GUI thread (or without an
// application object) it answers a null picture at once, since it must never wait
// there. Failures (no such file, no picture, the time ran out): a null picture.
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
