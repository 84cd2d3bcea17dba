#include "platform/layers/AnimationDriver.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/layers/Layer.h"

#include <QCoreApplication>
#include <QPointer>
#include <algorithm>

namespace platform {

namespace {
QPointer<AnimationDriver> &theInstance()
{
    static QPointer<AnimationDriver> driver;
    return driver;
}
} // namespace

AnimationDriver *AnimationDriver::instance()
{
    QPointer<AnimationDriver> &driver = theInstance();
    if (!driver) {
        driver = new AnimationDriver;
        if (QCoreApplication *app = QCoreApplication::instance())
            driver->setParent(app);
        driver->install();
    }
    return driver;
}

AnimationDriver::AnimationDriver()
{
    m_timer.setInterval(TickIntervalMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this,
        platform::ExceptionBoundary::guarded(this, "tick", &AnimationDriver::tick));
}

AnimationDriver::~AnimationDriver()
{
    for (Layer *layer : m_layers)
        layer->m_inDriver = false;
    uninstall();
}

bool AnimationDriver::runLater(std::function<void()> work)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || !work)
        return false;
    return QMetaObject::invokeMethod(app, platform::ExceptionBoundary::guarded(app, "a queued call", std::move(work)),
                                     Qt::QueuedConnection);
}

qint64 AnimationDriver::elapsed() const
{
    return static_cast<qint64>((Clock::mediaTime() - m_startTime) * 1000.0);
}

void AnimationDriver::start()
{
    m_startTime = Clock::mediaTime();
    QAnimationDriver::start();
    updateTimer();
}

void AnimationDriver::stop()
{
    QAnimationDriver::stop();
    updateTimer();
}

void AnimationDriver::layerAnimating(Layer *layer)
{
    if (!layer->m_inDriver) {
        layer->m_inDriver = true;
        m_layers.push_back(layer);
    }
    updateTimer();
}

void AnimationDriver::layerGone(Layer *layer)
{
    std::erase(m_layers, layer);
    layer->m_inDriver = false;
    updateTimer();
}

void AnimationDriver::tick()
{
    ++m_ticks;
    if (isRunning())
        advance(); // Qt's animations
    const double now = Clock::mediaTime();
    // A layer's delegate calls are queued, so nothing here changes the list but the
    // layers themselves (a layer that has stopped animating leaves it).
    const std::vector<Layer *> layers = m_layers;
    for (Layer *layer : layers) {
        if (std::find(m_layers.begin(), m_layers.end(), layer) == m_layers.end())
            continue;
        if (!layer->advanceAnimations(now)) {
            std::erase(m_layers, layer);
            layer->m_inDriver = false;
        }
    }
    updateTimer();
}

void AnimationDriver::updateTimer()
{
    const bool wanted = isRunning() || !m_layers.empty();
    if (wanted && !m_timer.isActive())
        m_timer.start();
    else if (!wanted && m_timer.isActive())
        m_timer.stop();
}

} // namespace platform
