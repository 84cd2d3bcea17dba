#include "components/tabbarview/KZRolloverButton.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QCursor>
#include <QEnterEvent>
#include <QGuiApplication>

KZRolloverButton::KZRolloverButton(QWidget *parent)
    : KZRolloverButton(std::make_unique<KZRolloverButtonCell>(), parent)
{
}

KZRolloverButton::KZRolloverButton(std::unique_ptr<KZRolloverButtonCell> cell, QWidget *parent)
    : platform::Control(std::move(cell), parent)
{
    rolloverCell()->setControlView(this);
}

KZRolloverButton::~KZRolloverButton() = default;

KZRolloverButtonCell *KZRolloverButton::rolloverCell() const
{
    return static_cast<KZRolloverButtonCell *>(cell());
}

void KZRolloverButton::setRolloverImage(const QIcon &image)
{
    rolloverCell()->setRolloverImage(image);
    update();
}

void KZRolloverButton::setImage(const QIcon &image)
{
    rolloverCell()->setImage(image);
    update();
}

void KZRolloverButton::setAlternateImage(const QIcon &image)
{
    rolloverCell()->setAlternateImage(image);
    update();
}

void KZRolloverButton::updateTrackingAreas()
{
    if (mouseHovered())
        rolloverCell()->mouseExited();
    m_assumeInside = rect().contains(mapFromGlobal(QCursor::pos()));
}

void KZRolloverButton::enterEvent(QEnterEvent *event)
try {
    platform::Control::enterEvent(event);
    rolloverCell()->mouseEntered(QGuiApplication::queryKeyboardModifiers());
} catch (...) {
    platform::ExceptionBoundary::caught(this, "enterEvent");
}

void KZRolloverButton::leaveEvent(QEvent *event)
try {
    platform::Control::leaveEvent(event);
    m_assumeInside = false;
    rolloverCell()->mouseExited();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "leaveEvent");
}
