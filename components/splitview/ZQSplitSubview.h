#pragma once
// One pane of a split view (ZQSplitView). It knows its limits, collapses to zero and
// expands again (at once or animated), remembers its share of the split view while
// collapsed, and lays its content out (autoresizing masks) only while its size stays
// within its limits, so a squeezed pane clips its content instead of squashing it.
//
// Geometry: frame() is the pane's rectangle in the split view's y-down space, in
// floats; the widget gets the nearest whole pixels. "Dimension" is the size along
// the split direction of the enclosing split view.
//
// Ownership: a pane belongs to its parent widget. At most one pane of the process
// animates at a time; the animation steps on a 60 Hz timer of the main thread and
// takes its time from platform::Clock::mediaTime(). Main thread only, not re-entrant.
// Requests that don't apply (collapse a collapsed pane, operations outside a split
// view) do nothing and answer NO or 0.
#include "platform/drawing/WindowBackgroundDrag.h"

#include <QRectF>
#include <QString>
#include <QWidget>

#include <cstdint>

class ZQSplitView;

namespace platform {
class Coder;
}

class ZQSplitSubview : public QWidget
{
    Q_OBJECT
public:
    static constexpr unsigned NotFound = 0x7FFFFFFFu;
    // The largest limit a pane takes (a larger or infinite one is cut to it), which
    // is also the largest frame an archive may give: what a split view writes of its
    // panes always reads back.
    static constexpr float LargestDimension = 1.0e7f;
    // The record of the one running animation (opaque).
    struct AnimationData;

    explicit ZQSplitSubview(const QRectF &frame = QRectF(0, 0, 100, 100), QWidget *parent = nullptr);
    ~ZQSplitSubview() override;

    // Frame in the parent's (y-down) coordinates; setFrame moves the widget too.
    QRectF frame() const { return m_frame; }
    virtual void setFrame(const QRectF &frame);
    void setFrameSize(const QSizeF &size) { setFrame(QRectF(m_frame.topLeft(), size)); }

    virtual bool isFlipped() const { return false; }
    virtual bool isCoupled() const { return false; }
    virtual void setCoupled(bool) {}
    virtual ZQSplitView *asSplitView() { return nullptr; }
    virtual ZQSplitView *coupledSplitView() { return nullptr; }
    bool autoresizesSubviews() const { return true; }
    void setAutoresizesSubviews(bool) {}

    // Relations.
    ZQSplitView *splitView() const;
    virtual ZQSplitView *couplingSplitView() const;
    ZQSplitView *outermostSplitView() const;
    bool splitViewIsHorizontal() const;
    virtual bool isOpaque() const;
    unsigned position() const;
    void setPosition(unsigned position);
    unsigned numberOfSubviews() const;
    virtual QString description() const;

    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    QString identifier() const { return m_identifier; }
    void setIdentifier(const QString &identifier) { m_identifier = identifier.isNull() ? QString(u""_qs) : identifier; }

    // State.
    bool isCollapsed() const { return ZQ___visibleDimension() <= 0; }
    bool canShrink() const;
    bool canExpand() const { return m_maxDimension > ZQ___visibleDimension(); }
    int status() const;
    bool canCollapse() const;
    void setCanCollapse(bool flag) { m_canCollapse = flag; }

    // Limits and dimension.
    float minDimension() const { return m_minDimension; }
    float maxDimension() const { return m_maxDimension; }
    // Whole numbers, at least 1, at most LargestDimension; a maximum below 1 (or not
    // a number) is 1000000, one below the minimum the minimum.
    void setMinDimension(float minimum, float maximum);
    float dimension() const;
    void setDimension(float value);

    // Collapse and expand.
    float collapse() { return ZQ___collapse(); }
    float expand() { return ZQ___expandAndSetToMinimum(false); }
    bool collapseWithAnimation() { return collapseWithAnimation(true, true); }
    bool expandWithAnimation() { return expandWithAnimation(true, true); }
    bool collapseWithAnimation(bool animate, bool resize);
    bool expandWithAnimation(bool animate, bool resize);
    float changeDimensionBy(float increment, bool mayCollapse, bool move);
    static bool animating();

    // Redraws the pane; a pane of a split view with a pending layout lets the split
    // view lay out and redraw instead.
    virtual void display();

    // Hiding and showing take part in the layout (the split view adjusts).
    void setVisible(bool visible) override;
    // Hidden by the owner (not merely not shown yet because the window isn't).
    bool isHiddenPane() const;

    // Content layout within the limits.
    void resizeSubviewsWithOldSize(const QSizeF &oldSize);

    // Hit testing as the split view's delegate sees it: answers the pane itself when
    // the delegate assigns a divider to the point, else the normal hit. The pane's
    // content widgets are watched (an event filter) so that a press on one of them
    // inside such a divider strip drags the divider instead of reaching the widget.
    QWidget *hitTest(const QPointF &point);

    // Keyed archives: the frame under "frame" (a collapsed pane's with x moved by
    // 1000000 and its last size within limits, so that it comes back collapsed),
    // "hidden" (hidden by its owner), for a split view its panes under "subviews",
    // then "identifier", "tag", "minDimension", "maxDimension", "fraction",
    // "canCollapse". A pane's content widgets are its owner's and are not written.
    // Nothing for a coder without keyed coding.
    virtual void encodeWithCoder(platform::Coder &coder) const;
    // A new pane from an archive; none for a coder without keyed coding, a failed
    // decode, a frame with a negative place or size (written, they are zero) or a
    // limit, fraction or size that is not finite (a limit also once it is narrowed to
    // a float). The pane is read on its
    // own and then placed in the parent, so it is the same with or without one (a
    // pane written collapsed comes back collapsed in a split view either way).
    static ZQSplitSubview *fromCoder(platform::Coder &coder, QWidget *parent = nullptr);

    // Expanded: the rounding remainder the layout carries (for a pane that takes
    // what rounding leaves over also that, negative when it is stretched past its size);
    // collapsed: the share of the split view it comes back with (within 0…1).
    double ZQ___fraction() const { return m_fraction; }
    unsigned actDivider() const { return m_actDivider; }
    bool canDragWindow() const { return m_canDragWindow; }
    QSizeF savedSize() const { return m_savedSize; }
    QRectF previousReportedFrame() const { return m_previous; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    // The split view's own drawing after the pane part.
    void drawPane(QPainter &painter, const QRectF &rect);
    void ZQ___setHidden(bool hidden) { QWidget::setVisible(!hidden); }
    void applyWidgetGeometry();
    bool event(QEvent *event) override;
    // Reads the pane's part of an archive into this pane (fields as encodeWithCoder
    // writes them); answers NO and changes nothing when they can't be used.
    bool readPane(platform::Coder &coder);
    // Writes the panes of a split view (none for a plain pane).
    virtual void encodeSubviews(platform::Coder &) const {}
    // Puts a pane just read into its parent (nothing without one).
    void placeIn(QWidget *parent);

private:
    friend class ZQSplitView;

    float ZQ___visibleDimension() const;
    void ZQ___setFrame(const QRectF &frame, double fraction, bool notify);
    void ZQ___setFrameSize(const QSizeF &size, double fraction);
    float ZQ___setMinAndMaxTo(float value, float *savedMin, float *savedMax);
    bool ZQ___clearResponder();
    float ZQ___collapse();
    float ZQ___expandAndSetToMinimum(bool toMinimum);
    void ZQ___finishCollapse(const QRectF &frame, double fraction);
    void ZQ___finishExpand(const QRectF &frame, double fraction);
    AnimationData *ZQ___animationData(bool start, bool resize);
    void ZQ___stepAnimation();
    bool ZQ___stopAnimation();
    bool ownsAnimation() const;
    // The delegate's or the pane's own permission to collapse, however many panes
    // are shown (canCollapse() adds that a pane alone in the layout never collapses).
    bool mayCollapse() const;
    float splitSize(const QSizeF &size) const;
    // Dragging a divider that the delegate assigned to a point of the pane.
    bool beginDividerDrag(const QPointF &globalPosition);
    void followDividerDrag(const QPointF &globalPosition);
    void endDividerDrag();
    // Installs the pane's filter on a content widget and its descendants.
    void watchContent(QObject *object);
    void setSplitSize(QSizeF &size, float value) const;
    // A collapsed pane's share of a room for the given dimension: never negative,
    // never more than all.
    static double share(double dimension, double total);

    QRectF m_frame;
    QString m_identifier = u""_qs;
    std::int32_t m_tag = 0;
    float m_minDimension = 1.0f;
    float m_maxDimension = 1000000.0f;
    double m_fraction = 0.0;
    QRectF m_previous;
    QSizeF m_savedSize;
    unsigned m_actDivider = NotFound;
    bool m_canDragWindow = false;
    bool m_canCollapse = false;
    bool m_notInLimits = false;
    // Squeezed below its minimum for want of room: the size the squeeze gave it
    // (negative when not squeezed) and the size with remainder it had before.
    float m_squeezedSize = -1;
    double m_userSize = 0;
    // Decoded collapsed: collapses along the split direction once in a split view.
    bool m_collapseWhenPlaced = false;
    // Moving the window from a pane: the pointer's last global position.
    platform::WindowBackgroundDrag m_windowDrag;
    // Dragging a divider of the split view assigned by the delegate.
    bool m_draggingDivider = false;
    QPointF m_dragStart;
    float m_dragOrigin = 0;
};
