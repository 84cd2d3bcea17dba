#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredButton.h"

#include "AppKitExtensions/NTXNSViewExtension.h"
#include "platform/foundation/ExceptionBoundary.h"

NTXAnchoredButton::NTXAnchoredButton(QWidget *parent)
    : NTXAnchoredButton(std::make_unique<NTXAnchoredButtonCell>(), parent)
{
}

NTXAnchoredButton::NTXAnchoredButton(std::unique_ptr<NTXAnchoredButtonCell> cell, QWidget *parent)
    : Control(cell ? std::move(cell) : std::make_unique<NTXAnchoredButtonCell>(), parent)
{
    setFixedHeight(Height);
}

NTXAnchoredButtonCell *NTXAnchoredButton::buttonCell() const
{
    return static_cast<NTXAnchoredButtonCell *>(cell());
}

void NTXAnchoredButton::mousePressEvent(QMouseEvent *event)
try {
    NTXNSViewExtension::bwBringToFront(this);
    Control::mousePressEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}
