#include "NTXAppKit/NTXContextMenuToolbarItem/NTXDelayedPopUpButton.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QMouseEvent>

NTXDelayedPopUpButton::NTXDelayedPopUpButton(QWidget *parent)
    : platform::Control(std::make_unique<NTXDelayedPopUpButtonCell>(QString()), parent)
{
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(0);
    connect(&m_deadline, &QTimer::timeout, this,
        platform::ExceptionBoundary::guarded(this, "deliverDeadline", &NTXDelayedPopUpButton::deliverDeadline));
}

NTXDelayedPopUpButton::NTXDelayedPopUpButton(const QRect &frame, QWidget *parent)
    : NTXDelayedPopUpButton(parent)
{
    setGeometry(frame);
}

NTXDelayedPopUpButton::~NTXDelayedPopUpButton() = default;

NTXDelayedPopUpButtonCell *NTXDelayedPopUpButton::popUpCell() const
{
    // setCell() keeps the cell's class; the base's own setCell is the only way around
    // it, and then the cell is put right here
    auto *popUp = dynamic_cast<NTXDelayedPopUpButtonCell *>(cell());
    if (!popUp) {
        auto *self = const_cast<NTXDelayedPopUpButton *>(this);
        self->setCell(std::make_unique<NTXDelayedPopUpButtonCell>(cell()->title()));
        popUp = static_cast<NTXDelayedPopUpButtonCell *>(cell());
    }
    return popUp;
}

void NTXDelayedPopUpButton::setCell(std::unique_ptr<platform::Cell> newCell)
{
    m_deadline.stop();
    if (newCell && !dynamic_cast<NTXDelayedPopUpButtonCell *>(newCell.get())) {
        const QString title = newCell->title();
        newCell = std::make_unique<NTXDelayedPopUpButtonCell>(title);
    }
    if (!newCell)
        newCell = std::make_unique<NTXDelayedPopUpButtonCell>(QString());
    platform::Control::setCell(std::move(newCell));
}

void NTXDelayedPopUpButton::armDeadline()
{
    if (popUpCell()->waitsForDeadline())
        m_deadline.start();
    else
        m_deadline.stop();
}

void NTXDelayedPopUpButton::deliverDeadline()
{
    m_deadline.stop();
    NTXDelayedPopUpButtonCell *popUp = popUpCell();
    if (!popUp->isTracking())
        return;
    if (popUp->deadlinePassed(this))
        trackingEnded();
}

void NTXDelayedPopUpButton::trackingEnded()
{
    m_deadline.stop();
    update();
}

void NTXDelayedPopUpButton::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton || !isEnabled() || !cell()->isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    NTXDelayedPopUpButtonCell *popUp = popUpCell();
    popUp->beginTracking(event->position(), QRectF(rect()), this, TracksUntilMouseUp);
    update();
    armDeadline();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void NTXDelayedPopUpButton::mouseMoveEvent(QMouseEvent *event)
try {
    NTXDelayedPopUpButtonCell *popUp = popUpCell();
    if (!popUp->isTracking() || !(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    event->accept();
    if (popUp->trackEvent(false, event->position(), this))
        trackingEnded();
    else
        armDeadline();
    update();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

void NTXDelayedPopUpButton::mouseReleaseEvent(QMouseEvent *event)
try {
    NTXDelayedPopUpButtonCell *popUp = popUpCell();
    if (!popUp->isTracking() || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    // a mouse-up always ends tracking
    popUp->trackEvent(true, event->position(), this);
    trackingEnded();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

void NTXDelayedPopUpButton::changeEvent(QEvent *event)
try {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        popUpCell()->cancelTracking(this);
        trackingEnded();
    }
    platform::Control::changeEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "changeEvent");
}

void NTXDelayedPopUpButton::hideEvent(QHideEvent *event)
try {
    popUpCell()->cancelTracking(this);
    trackingEnded();
    platform::Control::hideEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "hideEvent");
}
