#include "platform/drawing/ScreenCoordinates.h"

#include <QGuiApplication>
#include <QScreen>

namespace platform {

namespace {

std::optional<QList<ScreenCoordinates::Screen>> &injectedScreens()
{
    static std::optional<QList<ScreenCoordinates::Screen>> screens;
    return screens;
}

} // namespace

QList<ScreenCoordinates::Screen> ScreenCoordinates::screens()
{
    if (injectedScreens())
        return *injectedScreens();
    QList<Screen> result;
    if (!qGuiApp)
        return result;
    QScreen *primary = QGuiApplication::primaryScreen();
    if (primary)
        result.append({primary->geometry(), primary->availableGeometry()});
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen != primary)
            result.append({screen->geometry(), screen->availableGeometry()});
    }
    return result;
}

void ScreenCoordinates::setScreens(std::optional<QList<Screen>> screens)
{
    injectedScreens() = std::move(screens);
}

qreal ScreenCoordinates::primaryHeight()
{
    const QList<Screen> all = screens();
    return all.isEmpty() ? 0 : all.first().frame.height();
}

QPointF ScreenCoordinates::pointFromQt(const QPointF &point)
{
    return QPointF(point.x(), primaryHeight() - point.y());
}

QPointF ScreenCoordinates::pointToQt(const QPointF &point)
{
    return QPointF(point.x(), primaryHeight() - point.y());
}

QRectF ScreenCoordinates::rectFromQt(const QRectF &rect)
{
    return QRectF(rect.x(), primaryHeight() - rect.y() - rect.height(), rect.width(), rect.height());
}

QRectF ScreenCoordinates::rectToQt(const QRectF &rect)
{
    return QRectF(rect.x(), primaryHeight() - rect.y() - rect.height(), rect.width(), rect.height());
}

QRectF ScreenCoordinates::visibleFrameAt(const QPointF &point)
{
    const QList<Screen> all = screens();
    if (all.isEmpty())
        return {};
    const QPointF qtPoint = pointToQt(point);
    for (const Screen &screen : all) {
        if (QRectF(screen.frame).contains(qtPoint))
            return rectFromQt(screen.visibleFrame);
    }
    return rectFromQt(all.first().visibleFrame);
}

QRectF ScreenCoordinates::mainVisibleFrame()
{
    const QList<Screen> all = screens();
    return all.isEmpty() ? QRectF() : rectFromQt(all.first().visibleFrame);
}

} // namespace platform
