#include "platform/drawing/Control.h"

#include <QPointer>

#include "platform/drawing/ActionDispatch.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace platform {

Control::Control(QWidget *parent)
    : Control(std::make_unique<Cell>(), parent)
{
}

Control::Control(std::unique_ptr<Cell> cell, QWidget *parent)
    : QWidget(parent)
    , m_cell(cell ? std::move(cell) : std::make_unique<Cell>())
{
    m_cell->setEnabled(isEnabled());
    updateFocusPolicy();
}

Control::~Control() = default;

void Control::setCell(std::unique_ptr<Cell> cell)
{
    m_cell = cell ? std::move(cell) : std::make_unique<Cell>();
    m_cell->setEnabled(isEnabled());
    m_tracking = false;
    updateFocusPolicy();
    updateGeometry();
    update();
}

void Control::updateFocusPolicy()
{
    setFocusPolicy(m_cell->acceptsFirstResponder() ? Qt::StrongFocus : Qt::NoFocus);
}

void Control::setObjectValue(const QVariant &value)
{
    m_cell->setObjectValue(value);
    updateGeometry();
    update();
}

void Control::setState(Cell::State state)
{
    m_cell->setState(state);
    update();
}

void Control::setAlignment(Qt::Alignment alignment)
{
    m_cell->setAlignment(alignment);
    update();
}

void Control::setCellFont(const QFont &font)
{
    m_cell->setFont(font);
    updateGeometry();
    update();
}

bool Control::sendAction(const QByteArray &action, QObject *target)
{
    if (action.isEmpty())
        return false;
    return platform::sendAction(action.constData(), target, this);
}

void Control::performClick(QObject *)
{
    if (!isEnabled() || !m_cell->isEnabled())
        return;
    m_cell->activate(this);
    update();
    // A handler of the signal may close and delete the control.
    const QPointer<Control> alive(this);
    Q_EMIT activated();
    if (alive)
        m_cell->sendAction(this);
}

QSize Control::sizeHint() const
{
    const QSizeF size = m_cell->cellSize();
    return QSize(static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height())));
}

QSize Control::minimumSizeHint() const
{
    return sizeHint();
}

void Control::sizeToFit()
{
    resize(sizeHint());
}

void Control::paintEvent(QPaintEvent *)
try {
    QPainter painter(this);
    m_cell->drawWithFrame(painter, QRectF(rect()), this);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

void Control::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_lastPoint = event->position();
    m_tracking = m_cell->startTrackingAt(m_lastPoint, QRectF(rect()), this);
    update();
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void Control::mouseMoveEvent(QMouseEvent *event)
try {
    if (!m_tracking) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPointF current = event->position();
    if (!m_cell->continueTracking(m_lastPoint, current, this)) {
        m_cell->stopTracking(m_lastPoint, current, this, false);
        m_tracking = false;
    }
    m_lastPoint = current;
    update();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

void Control::mouseReleaseEvent(QMouseEvent *event)
try {
    if (!m_tracking || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_tracking = false;
    const QPointF point = event->position();
    m_cell->stopTracking(m_lastPoint, point, this, true);
    update();
    if (rect().contains(point.toPoint()))
        performClick();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

void Control::keyPressEvent(QKeyEvent *event)
try {
    const int key = event->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Select)
        && !event->isAutoRepeat() && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        performClick();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "keyPressEvent");
}

void Control::enterEvent(QEnterEvent *event)
try {
    m_cell->mouseEntered(this);
    update();
    QWidget::enterEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "enterEvent");
}

void Control::leaveEvent(QEvent *event)
try {
    m_cell->mouseExited(this);
    update();
    QWidget::leaveEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "leaveEvent");
}

void Control::changeEvent(QEvent *event)
try {
    if (event->type() == QEvent::EnabledChange) {
        m_cell->setEnabled(isEnabled());
        if (!isEnabled() && m_tracking) {
            m_cell->stopTracking(m_lastPoint, m_lastPoint, this, false);
            m_tracking = false;
        }
        updateFocusPolicy();
        update();
    } else if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
    QWidget::changeEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "changeEvent");
}

} // namespace platform
