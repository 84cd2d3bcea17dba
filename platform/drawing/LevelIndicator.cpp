#include "platform/drawing/LevelIndicator.h"

#include "platform/drawing/SystemColors.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace platform {

using namespace SystemColors;

namespace {

QPainterPath starPath(const QRectF &box)
{
    QPainterPath path;
    const QPointF centre = box.center();
    const qreal outer = std::min(box.width(), box.height()) / 2.0;
    const qreal inner = outer * 0.45;
    for (int i = 0; i < 10; ++i) {
        const qreal radius = (i % 2) ? inner : outer;
        const qreal angle = qDegreesToRadians(-90.0 + 36.0 * i);
        const QPointF point(centre.x() + radius * std::cos(angle), centre.y() + radius * std::sin(angle));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    path.closeSubpath();
    return path;
}

} // namespace

LevelIndicator::LevelIndicator(QWidget *parent)
    : Control(std::make_unique<Cell>(), parent)
{
    setIntValue(0);
    resize(sizeHint());
}

LevelIndicator::~LevelIndicator() = default;

void LevelIndicator::setBounds(int minimum, int maximum)
{
    m_minValue = minimum;
    m_maxValue = std::max(minimum, maximum);
    setLevel(level());
}

void LevelIndicator::setLevel(int level)
{
    setIntValue(std::clamp(level, m_minValue, m_maxValue));
}

void LevelIndicator::setEditable(bool editable)
{
    cell()->setEditable(editable);
    setFocusPolicy(editable ? Qt::StrongFocus : Qt::NoFocus);
    update();
}

int LevelIndicator::levelAt(qreal x) const
{
    const int steps = m_maxValue - m_minValue;
    if (steps <= 0 || width() <= 0)
        return m_minValue;
    const qreal starWidth = qreal(width()) / steps;
    return std::clamp(m_minValue + int(std::ceil(x / starWidth)), m_minValue, m_maxValue);
}

void LevelIndicator::paintEvent(QPaintEvent *)
try {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int steps = m_maxValue - m_minValue;
    if (steps <= 0)
        return;
    const qreal starWidth = qreal(width()) / steps;
    const qreal side = std::min(starWidth, qreal(height()));
    const QColor filled = isEnabled() ? controlTextColor() : disabledControlTextColor();
    for (int i = 0; i < steps; ++i) {
        const QRectF box(i * starWidth + (starWidth - side) / 2, (height() - side) / 2, side, side);
        if (m_minValue + i < level()) {
            painter.fillPath(starPath(box.adjusted(1, 1, -1, -1)), filled);
        } else if (isEditable()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(disabledControlTextColor());
            painter.drawEllipse(box.center(), 1.5, 1.5);
        }
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

void LevelIndicator::mousePressEvent(QMouseEvent *event)
try {
    event->accept();
    if (event->button() != Qt::LeftButton || !isEditable() || !isEnabled())
        return;
    setLevel(levelAt(event->position().x()));
    sendAction(action(), target());
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void LevelIndicator::mouseReleaseEvent(QMouseEvent *event)
try {
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

} // namespace platform
