#include "NTXAppKit/NTXContextMenuToolbarItem/NTXContextMenuButton.h"

#include "NTXAppKit/NTXContextMenuToolbarItem/NTXNewContextMenuButtonCell.h"

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
{
    if (!actsOnPress() || event->button() != Qt::LeftButton) {
        platform::Control::mousePressEvent(event);
        return;
    }
    event->accept();
    if (isEnabled() && cell()->isEnabled())
        NTXContextMenuButtonCell::trackMouse(*cell(), this);
}

void NTXContextMenuButton::mouseMoveEvent(QMouseEvent *event)
{
    if (!actsOnPress()) {
        platform::Control::mouseMoveEvent(event);
        return;
    }
    event->accept();
}

void NTXContextMenuButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (!actsOnPress()) {
        platform::Control::mouseReleaseEvent(event);
        return;
    }
    event->accept(); // the press did it all
}
