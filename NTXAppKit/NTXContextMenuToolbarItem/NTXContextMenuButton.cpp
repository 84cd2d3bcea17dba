#include "NTXAppKit/NTXContextMenuToolbarItem/NTXContextMenuButton.h"

#include "NTXAppKit/NTXContextMenuToolbarItem/NTXNewContextMenuButtonCell.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QMouseEvent>

NTXContextMenuButton::NTXContextMenuButton(QWidget *parent)
    : platform::Control(makeCell(), parent)
{
}

NTXContextMenuButton::~NTXContextMenuButton() = default;

bool NTXContextMenuButton::actsOnPress() const
{
    return dynamic_cast<NTXContextMenuButtonCell *>(cell()) || dynamic_cast<NTXNewContextMenuButtonCell *>(cell());
}

void NTXContextMenuButton::mousePressEvent(QMouseEvent *event)
try {
    if (!actsOnPress() || event->button() != Qt::LeftButton) {
        platform::Control::mousePressEvent(event);
        return;
    }
    event->accept();
    if (isEnabled() && cell()->isEnabled())
        NTXContextMenuButtonCell::trackMouse(*cell(), this);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void NTXContextMenuButton::mouseMoveEvent(QMouseEvent *event)
try {
    if (!actsOnPress()) {
        platform::Control::mouseMoveEvent(event);
        return;
    }
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

void NTXContextMenuButton::mouseReleaseEvent(QMouseEvent *event)
try {
    if (!actsOnPress()) {
        platform::Control::mouseReleaseEvent(event);
        return;
    }
    event->accept(); // the press did it all
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}
