#include "NTXAppKit/NTXAnchoredButtonBar/NTXUnanchoredButton.h"

#include "AppKitExtensions/NTXNSViewExtension.h"
#include "platform/foundation/ExceptionBoundary.h"

NTXUnanchoredButton::NTXUnanchoredButton(QWidget *parent)
    : NTXUnanchoredButton(std::make_unique<NTXUnanchoredButtonCell>(), parent)
{
}

NTXUnanchoredButton::NTXUnanchoredButton(std::unique_ptr<NTXUnanchoredButtonCell> cell, QWidget *parent)
    : Control(cell ? std::move(cell) : std::make_unique<NTXUnanchoredButtonCell>(), parent)
{
    setFixedHeight(Height);
}

NTXUnanchoredButtonCell *NTXUnanchoredButton::buttonCell() const
{
    return static_cast<NTXUnanchoredButtonCell *>(cell());
}

void NTXUnanchoredButton::mousePressEvent(QMouseEvent *event)
try {
    NTXNSViewExtension::bwBringToFront(this);
    Control::mousePressEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}
