#include "platform/drawing/Scroller.h"

#include "platform/drawing/ActionDispatch.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr qreal DefaultArrowWidth = 16;
// Delay before a held arrow repeats, and the pace of the repeats, in milliseconds.
constexpr int RepeatDelay = 350;
constexpr int RepeatInterval = 60;

double clampedUnit(double value)
{
    return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
}

} // namespace

Scroller::Scroller(QWidget *parent)
    : QWidget(parent)
{
    m_repeat.setSingleShot(false);
    connect(&m_repeat, &QTimer::timeout, this, platform::ExceptionBoundary::guarded(this, "timeout", [this] {
        m_repeat.setInterval(RepeatInterval);
        sendScrollerAction();
    }));
}

Scroller::~Scroller() = default;

void Scroller::setDoubleValue(double value)
{
    value = clampedUnit(value);
    if (value == m_value)
        return;
    m_value = value;
    update();
}

void Scroller::setKnobProportion(double proportion)
{
    proportion = std::isfinite(proportion) ? std::clamp(proportion, 0.0, 1.0) : 1.0;
    if (proportion == m_proportion)
        return;
    m_proportion = proportion;
    update();
}

QRectF Scroller::rectForPart(Part part) const
{
    const qreal w = width();
    const qreal h = height();
    const QRectF slot(DefaultArrowWidth, 0, std::max<qreal>(w - 2 * DefaultArrowWidth, 0), h);
    switch (part) {
    case Part::KnobSlot:
        return slot;
    case Part::DecrementLine:
        return QRectF(0, 0, DefaultArrowWidth, h);
    case Part::IncrementLine:
        return QRectF(w - DefaultArrowWidth, 0, DefaultArrowWidth, h);
    case Part::Knob: {
        const qreal knobWidth = std::min(slot.width(), std::max<qreal>(m_proportion * slot.width(), h));
        return QRectF(slot.x() + m_value * (slot.width() - knobWidth), 0, knobWidth, h);
    }
    case Part::DecrementPage: {
        const QRectF knob = rectForPart(Part::Knob);
        return QRectF(slot.x(), 0, knob.x() - slot.x(), h);
    }
    case Part::IncrementPage: {
        const QRectF knob = rectForPart(Part::Knob);
        return QRectF(knob.right(), 0, slot.right() - knob.right(), h);
    }
    case Part::None:
        break;
    }
    return {};
}

Scroller::Part Scroller::testPart(const QPointF &point) const
{
    for (Part part : {Part::DecrementLine, Part::IncrementLine, Part::Knob, Part::DecrementPage, Part::IncrementPage}) {
        if (rectForPart(part).contains(point))
            return part;
    }
    return Part::None;
}

QRectF Scroller::knobTrack() const
{
    return rectForPart(Part::KnobSlot);
}

void Scroller::drawScroller(QPainter &painter)
{
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.fillRect(rectForPart(Part::KnobSlot), palette().color(QPalette::Mid));
    for (Part arrow : {Part::DecrementLine, Part::IncrementLine})
        painter.fillRect(rectForPart(arrow), palette().color(m_hitPart == arrow ? QPalette::Highlight : QPalette::Button));
    if (m_proportion < 1)
        painter.fillRect(rectForPart(Part::Knob), palette().color(QPalette::Dark));
}

void Scroller::paintEvent(QPaintEvent *)
try {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    drawScroller(painter);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

void Scroller::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    const Part part = testPart(event->position());
    switch (part) {
    case Part::DecrementLine:
    case Part::IncrementLine:
    case Part::DecrementPage:
    case Part::IncrementPage:
        m_hitPart = part;
        update();
        sendScrollerAction();
        m_repeat.start(RepeatDelay);
        break;
    case Part::Knob:
        m_hitPart = part;
        m_grabOffset = event->position().x() - rectForPart(Part::Knob).x();
        update();
        break;
    case Part::KnobSlot:
    case Part::None:
        break;
    }
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void Scroller::mouseMoveEvent(QMouseEvent *event)
try {
    if (m_hitPart != Part::Knob) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QRectF track = knobTrack();
    const qreal travel = track.width() - rectForPart(Part::Knob).width();
    if (travel <= 0)
        return;
    const double value = clampedUnit((event->position().x() - m_grabOffset - track.x()) / travel);
    if (value != m_value) {
        setDoubleValue(value);
        sendScrollerAction();
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

void Scroller::mouseReleaseEvent(QMouseEvent *event)
try {
    if (m_hitPart == Part::None) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    endTracking();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

void Scroller::endTracking()
{
    m_repeat.stop();
    m_hitPart = Part::None;
    update();
}

void Scroller::sendScrollerAction()
{
    if (!m_action.isEmpty())
        sendAction(m_action.constData(), m_target, this);
}

} // namespace platform
