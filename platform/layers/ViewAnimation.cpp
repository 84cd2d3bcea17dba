#include "platform/layers/ViewAnimation.h"

namespace platform {

ViewAnimation::ViewAnimation(std::vector<ViewAnimationEntry> entries, QObject *parent)
    : TimedAnimation(0.5, parent)
    , m_entries(std::move(entries))
{
}

ViewAnimation::~ViewAnimation() = default;

QRect ViewAnimation::interpolatedFrame(const QRectF &start, const QRectF &end, double value)
{
    const auto mix = [value](qreal a, qreal b) { return a + (b - a) * value; };
    return QRectF(mix(start.x(), end.x()), mix(start.y(), end.y()), mix(start.width(), end.width()),
                  mix(start.height(), end.height()))
        .toRect();
}

void ViewAnimation::progressChanged()
{
    const double value = currentValue();
    for (ViewAnimationEntry &entry : m_entries) {
        if (!entry.target)
            continue;
        if (!entry.startFrame)
            entry.startFrame = QRectF(entry.target->geometry());
        const QRectF end = entry.endFrame.value_or(*entry.startFrame);
        entry.target->setGeometry(interpolatedFrame(*entry.startFrame, end, value));
    }
}

} // namespace platform
