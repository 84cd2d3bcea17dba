#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelWidget.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

NTXColorLabelWidget::NTXColorLabelWidget(QWidget *parent)
    : NTXColorLabelWidget(makeCell(), parent)
{
}

NTXColorLabelWidget::NTXColorLabelWidget(std::unique_ptr<NTXColorLabelWidgetCell> cell, QWidget *parent)
    : platform::Control(cell ? std::move(cell) : makeCell(), parent)
{
}

NTXColorLabelWidget::~NTXColorLabelWidget() = default;

std::unique_ptr<NTXColorLabelWidgetCell> NTXColorLabelWidget::makeCell()
{
    return std::make_unique<NTXColorLabelWidgetCell>();
}

NTXColorLabelWidgetCell *NTXColorLabelWidget::colorLabelCell() const
{
    return dynamic_cast<NTXColorLabelWidgetCell *>(cell());
}

int NTXColorLabelWidget::colorLabelType() const
{
    return cell()->intValue();
}

void NTXColorLabelWidget::setColorLabelType(int type)
{
    setIntValue(type);
}

void NTXColorLabelWidget::paintEvent(QPaintEvent *event)
try {
    platform::Control::paintEvent(event);
    const NTXColorLabelWidgetCell *labelCell = colorLabelCell();
    if (hasFocus() && labelCell && labelCell->showsFirstResponder()) {
        QPainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect();
        option.backgroundColor = palette().color(QPalette::Window);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

void NTXColorLabelWidget::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    m_lastPoint = event->position();
    m_tracking = cell()->startTrackingAt(m_lastPoint, QRectF(rect()), this);
    update();
    if (m_tracking) // sent on mouse down
        cell()->sendAction(this);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void NTXColorLabelWidget::mouseMoveEvent(QMouseEvent *event)
try {
    if (!m_tracking || !(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    event->accept();
    const QPointF current = event->position();
    const bool goesOn = cell()->continueTracking(m_lastPoint, current, this);
    m_lastPoint = current;
    update();
    if (!goesOn) {
        cell()->stopTracking(m_lastPoint, current, this, false);
        m_tracking = false;
        return;
    }
    if (cell()->isContinuous()) // sent on every drag
        cell()->sendAction(this);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

void NTXColorLabelWidget::mouseReleaseEvent(QMouseEvent *event)
try {
    if (!m_tracking || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    m_tracking = false;
    // the release is not among the events the cell sends its action on
    cell()->stopTracking(m_lastPoint, event->position(), this, true);
    update();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

void NTXColorLabelWidget::keyPressEvent(QKeyEvent *event)
try {
    // The picker defines no keys: not even the click that space or return give a
    // platform control.
    QWidget::keyPressEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "keyPressEvent");
}
