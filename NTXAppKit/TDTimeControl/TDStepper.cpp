#include "NTXAppKit/TDTimeControl/TDStepper.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>
#include <cmath>

TDStepper::TDStepper(QWidget *parent)
    : platform::Control(parent)
{
    setDoubleValue(0);
    setFocusPolicy(Qt::NoFocus);
    resize(sizeHint());
}

void TDStepper::setMinValue(double value)
{
    if (!std::isfinite(value))
        return;
    m_minValue = value;
    if (m_maxValue < m_minValue)
        m_maxValue = m_minValue;
    setValue(this->value());
}

void TDStepper::setMaxValue(double value)
{
    if (!std::isfinite(value))
        return;
    m_maxValue = value;
    if (m_minValue > m_maxValue)
        m_minValue = m_maxValue;
    setValue(this->value());
}

void TDStepper::setValue(double value)
{
    if (!std::isfinite(value))
        value = m_minValue;
    setDoubleValue(std::clamp(value, m_minValue, m_maxValue));
}

void TDStepper::stepBy(double delta)
{
    double next = value() + delta;
    if (next > m_maxValue)
        next = m_valueWraps ? m_minValue : m_maxValue;
    else if (next < m_minValue)
        next = m_valueWraps ? m_maxValue : m_minValue;
    setValue(next);
    update();
    cell()->sendAction(this);
}

void TDStepper::stepUp()
{
    if (isEnabled())
        stepBy(m_increment);
}

void TDStepper::stepDown()
{
    if (isEnabled())
        stepBy(-m_increment);
}

QSize TDStepper::sizeHint() const
{
    return QSize(15, 22);
}

void TDStepper::paintEvent(QPaintEvent *)
try {
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    const int half = height() / 2;
    const QRect upper(0, 0, width(), half);
    const QRect lower(0, half, width(), height() - half);
    for (int arrow : {1, -1}) {
        QStyleOption o = option;
        o.rect = arrow > 0 ? upper : lower;
        if (m_pressedArrow == arrow)
            o.state |= QStyle::State_Sunken;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &o, &painter, this);
        style()->drawPrimitive(arrow > 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &o, &painter,
                               this);
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

void TDStepper::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        event->ignore();
        return;
    }
    m_pressedArrow = event->position().y() < height() / 2.0 ? 1 : -1;
    update();
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void TDStepper::mouseMoveEvent(QMouseEvent *event)
try {
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

void TDStepper::mouseReleaseEvent(QMouseEvent *event)
try {
    const int arrow = m_pressedArrow;
    m_pressedArrow = 0;
    update();
    if (event->button() != Qt::LeftButton || arrow == 0 || !rect().contains(event->position().toPoint()))
        return;
    if (arrow > 0)
        stepUp();
    else
        stepDown();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

void TDStepper::keyPressEvent(QKeyEvent *event)
try {
    if (event->key() == Qt::Key_Up)
        stepUp();
    else if (event->key() == Qt::Key_Down)
        stepDown();
    else
        QWidget::keyPressEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "keyPressEvent");
}
