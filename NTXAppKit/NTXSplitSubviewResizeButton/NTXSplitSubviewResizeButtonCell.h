#pragma once
// The cell of a split-pane resize button: the resize image of the NTXAppKit bundle
// on a small square bezel. Its image position tells the direction: image right means
// dragging to the right makes the pane larger, anything else the opposite.
//
// Tracking runs in the steps the button drives with the events of one press:
// beginTracking() at the press, moved() for every drag, ended() at the release. Each
// movement of the pointer counts once. A press that is released without a drag
// changes nothing. GUI thread only.
#include "platform/drawing/ButtonCell.h"

class QWidget;
class ZQSplitSubview;

class NTXSplitSubviewResizeButtonCell : public platform::ButtonCell
{
public:
    NTXSplitSubviewResizeButtonCell();
    ~NTXSplitSubviewResizeButtonCell() override;

    std::unique_ptr<platform::Cell> clone() const override;
    // A bezeled cell draws the small square bezel, then the image.
    void drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;

    // The first ancestor of the view (from its parent up) whose class is exactly
    // ZQSplitSubview, a subclass not counting; null when there is none.
    static ZQSplitSubview *superZQSplitSubviewOfView(const QWidget *view);

    // The press on the control view at a global x.
    void beginTracking(QWidget *controlView, qreal globalX);
    // A drag to a global x: the pane grows or shrinks by the movement since the last
    // event, within its limits; past its minimum it collapses when it may, and
    // tracking ends. Answers whether tracking goes on.
    bool moved(qreal globalX);
    // The release.
    void ended() { m_pane = nullptr; m_tracking = false; }
    bool isTracking() const { return m_tracking; }

protected:
    NTXSplitSubviewResizeButtonCell(const NTXSplitSubviewResizeButtonCell &other) = default;

private:
    ZQSplitSubview *m_pane = nullptr;
    bool m_tracking = false;
    qreal m_lastX = 0;
};
