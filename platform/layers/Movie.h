#pragma once
// A movie as the layers see it: where it stands, how long it is, how fast it plays,
// start and stop, and the picture it shows now. Times are a count of units of a
// time scale (units per second); seconds() turns one into seconds and fails for a
// time that is not known (no time scale, a negative count, or marked indefinite).
//
// Whoever shows the movie (a MovieLayer) asks to hear of new pictures through
// setFrameHandler(); an implementation calls frameChanged() when its picture
// changes. Owned through std::shared_ptr by those who show it; main thread only.
#include <QImage>
#include <functional>
#include <optional>

namespace platform {

class Movie
{
public:
    struct Time
    {
        qint64 value = 0;
        qint64 timeScale = 0;
        bool indefinite = false;
    };

    virtual ~Movie() = default;

    virtual Time currentTime() const = 0;
    virtual Time duration() const = 0;
    // Playback speed: 0 while stopped, 1 while playing at normal speed.
    virtual double rate() const = 0;
    // Plays from where it stands at the movie's preferred rate.
    virtual void autoplay() = 0;
    virtual void stop() = 0;
    virtual QImage currentFrame() const = 0;

    static std::optional<double> seconds(const Time &time);

    void setFrameHandler(std::function<void()> handler) { m_frameHandler = std::move(handler); }

protected:
    void frameChanged()
    {
        if (m_frameHandler)
            m_frameHandler();
    }

private:
    std::function<void()> m_frameHandler;
};

} // namespace platform
