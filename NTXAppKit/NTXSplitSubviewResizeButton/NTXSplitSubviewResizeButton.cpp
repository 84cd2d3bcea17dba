#include "NTXAppKit/NTXSplitSubviewResizeButton/NTXSplitSubviewResizeButton.h"

#include "components/splitview/ZQSplitSubview.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QMouseEvent>

NTXSplitSubviewResizeButton::NTXSplitSubviewResizeButton(QWidget *parent)
    : platform::Control(std::make_unique<NTXSplitSubviewResizeButtonCell>(), parent)
{
}

NTXSplitSubviewResizeButton::~NTXSplitSubviewResizeButton() = default;

NTXSplitSubviewResizeButtonCell *NTXSplitSubviewResizeButton::resizeCell() const
{
    return dynamic_cast<NTXSplitSubviewResizeButtonCell *>(cell());
}

void NTXSplitSubviewResizeButton::awakeFromNib()
{
    auto *pane = qobject_cast<ZQSplitSubview *>(parentWidget());
    if (!pane)
        return;
    cell()->setImagePosition(pane->position() != 0 ? platform::Cell::ImagePosition::ImageLeft
                                                   : platform::Cell::ImagePosition::ImageRight);
    update();
}

void NTXSplitSubviewResizeButton::mousePressEvent(QMouseEvent *event)
try {
    NTXSplitSubviewResizeButtonCell *resize = resizeCell();
    if (!resize || event->button() != Qt::LeftButton || !isEnabled()) {
        platform::Control::mousePressEvent(event);
        return;
    }
    event->accept();
    resize->setHighlighted(true);
    resize->beginTracking(this, event->globalPosition().x());
    update();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void NTXSplitSubviewResizeButton::mouseMoveEvent(QMouseEvent *event)
try {
    NTXSplitSubviewResizeButtonCell *resize = resizeCell();
    if (!resize || !resize->isTracking()) {
        if (resize)
            event->accept();
        else
            platform::Control::mouseMoveEvent(event);
        return;
    }
    event->accept();
    resize->moved(event->globalPosition().x());
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

void NTXSplitSubviewResizeButton::mouseReleaseEvent(QMouseEvent *event)
try {
    NTXSplitSubviewResizeButtonCell *resize = resizeCell();
    if (!resize || event->button() != Qt::LeftButton) {
        platform::Control::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    resize->ended();
    resize->setHighlighted(false);
    update();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}
