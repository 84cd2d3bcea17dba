#include "platform/drawing/ScreenFit.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace platform::ScreenFit {

QRect availableAreaFor(const QRect &frame)
{
    QRect best;
    qint64 bestArea = 0;
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect overlap = screen->availableGeometry().intersected(frame);
        const qint64 area = qint64(overlap.width()) * overlap.height();
        if (area > bestArea) {
            bestArea = area;
            best = screen->availableGeometry();
        }
    }
    if (bestArea == 0) {
        if (const QScreen *primary = QGuiApplication::primaryScreen())
            best = primary->availableGeometry();
    }
    return best;
}

QRect fittedFrame(const QRect &frame)
{
    const QRect area = availableAreaFor(frame);
    if (area.isEmpty())
        return frame;
    QRect fitted(frame.topLeft(), frame.size().boundedTo(area.size()));
    fitted.moveLeft(std::clamp(fitted.left(), area.left(), area.right() + 1 - fitted.width()));
    fitted.moveTop(std::clamp(fitted.top(), area.top(), area.bottom() + 1 - fitted.height()));
    return fitted;
}

namespace {

QMargins ownDecorations(const QWidget *window)
{
    if (!window || !window->isWindow() || !window->testAttribute(Qt::WA_WState_Created) || window->isHidden())
        return {};
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    const QMargins margins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                           frame.bottom() - client.bottom());
    // Margins that no decoration has (a window in the middle of being reparented).
    const auto usable = [](int side) { return side >= 0 && side < 200; };
    if (!usable(margins.left()) || !usable(margins.top()) || !usable(margins.right()) || !usable(margins.bottom()))
        return {};
    return margins;
}

} // namespace

QMargins decorationMargins(const QWidget *window)
{
    QMargins margins = ownDecorations(window);
    if (!margins.isNull())
        return margins;
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return {};
    for (const QWidget *other : QApplication::topLevelWidgets()) {
        if (other == window || other->windowType() != Qt::Window)
            continue;
        margins = ownDecorations(other);
        if (!margins.isNull())
            return margins;
    }
    // The first window on an X display: a title bar is to be expected (a window as
    // large as the screen would be taken for a full-screen one); the real margins
    // correct this once the window manager framed the window.
    if (window && QGuiApplication::platformName() == QLatin1String("xcb"))
        return QMargins(0, window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window), 0, 0);
    return {};
}

QRect fittedClientGeometry(const QRect &frame, const QMargins &decorations)
{
    const QRect fitted = fittedFrame(frame);
    return fitted.marginsRemoved(decorations);
}

bool fitWindowFrame(QWidget *window)
{
    if (!window || !window->isWindow() || window->isHidden())
        return false;
    const QRect frame = window->frameGeometry();
    const QRect fitted = fittedFrame(frame);
    if (fitted == frame)
        return false;
    const QMargins decorations = decorationMargins(window);
    if (fitted.size() != frame.size())
        window->resize(fitted.marginsRemoved(decorations).size());
    window->move(fitted.topLeft());
    return true;
}

QPoint cascadedTopLeft(const QRect &previous, const QSize &frameSize, int step)
{
    QPoint place = previous.topLeft() + QPoint(step, step);
    const QRect area = availableAreaFor(QRect(place, frameSize));
    if (area.isEmpty())
        return place;
    if (place.x() + frameSize.width() > area.right() + 1 || place.x() < area.left())
        place.setX(area.left());
    if (place.y() + frameSize.height() > area.bottom() + 1 || place.y() < area.top())
        place.setY(area.top());
    return place;
}

} // namespace platform::ScreenFit
