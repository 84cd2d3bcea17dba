#include "platform/drawing/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>

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

} // namespace platform::ScreenFit
