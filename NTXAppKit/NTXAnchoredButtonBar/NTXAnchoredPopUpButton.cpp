#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredPopUpButton.h"

#include "AppKitExtensions/NTXNSViewExtension.h"
#include "platform/foundation/ExceptionBoundary.h"

NTXAnchoredPopUpButton::NTXAnchoredPopUpButton(bool pullsDown, QWidget *parent)
    : PopUpButton(std::make_unique<NTXAnchoredPopUpButtonCell>(QString(), pullsDown), parent)
{
    setFixedHeight(Height);
}

NTXAnchoredPopUpButtonCell *NTXAnchoredPopUpButton::anchoredCell() const
{
    return static_cast<NTXAnchoredPopUpButtonCell *>(popUpCell());
}

void NTXAnchoredPopUpButton::mousePressEvent(QMouseEvent *event)
try {
    NTXNSViewExtension::bwBringToFront(this);
    PopUpButton::mousePressEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}
