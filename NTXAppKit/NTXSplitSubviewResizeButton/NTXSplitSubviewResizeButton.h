#pragma once
// A button inside a pane of a split view (ZQSplitSubview) that resizes the pane when
// dragged sideways, and collapses it when dragged past its minimum if the pane may
// collapse. A click without a drag changes nothing. The cell
// (NTXSplitSubviewResizeButtonCell) does the work; the button feeds it the press,
// the drags and the release. GUI thread only.
#include "NTXAppKit/NTXSplitSubviewResizeButton/NTXSplitSubviewResizeButtonCell.h"
#include "platform/drawing/Control.h"

class NTXSplitSubviewResizeButton : public platform::Control
{
    Q_OBJECT
public:
    explicit NTXSplitSubviewResizeButton(QWidget *parent = nullptr);
    ~NTXSplitSubviewResizeButton() override;

    NTXSplitSubviewResizeButtonCell *resizeCell() const;

    // In a pane (of the class or a subclass): the image goes left for any pane but the
    // first, right for the first.
    void awakeFromNib();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};
