#pragma once
// A split view: panes side by side with a divider between each two, over QSplitter.
// "Vertical" means vertical dividers (panes left to right, Qt::Horizontal), the
// default; a horizontal split view stacks its panes (Qt::Vertical). Geometry is the
// split view's own, y down.
//
// The divider drags are the split view's own: a press inside a divider's effective
// rectangle (the drawn handle, or what the delegate makes of it) or inside the
// additional rectangle a delegate gives for it, anywhere in the split view's
// descendants, drags that divider; the event is not passed on. A double click there
// may collapse a pane.
//
// The delegate is a QObject with Q_INVOKABLE methods named after the operations it
// implements, each asked only when platform::respondsToMethod finds it (not owned):
//   QRectF splitViewAdditionalEffectiveRectOfDividerAtIndex(platform::SplitView *, int)
//   double splitViewConstrainMinCoordinate(platform::SplitView *, double proposed, int index)
//   double splitViewConstrainMaxCoordinate(platform::SplitView *, double proposed, int index)
//   double splitViewConstrainSplitPosition(platform::SplitView *, double proposed, int index)
//   void splitViewResizeSubviewsWithOldSize(platform::SplitView *, QSizeF oldSize)
//   bool splitViewCanCollapseSubview(platform::SplitView *, QWidget *pane)
//   QRectF splitViewEffectiveRectForDrawnRectOfDividerAtIndex(platform::SplitView *, QRectF proposed,
//          QRectF drawn, int index)
//   bool splitViewShouldCollapseSubviewForDoubleClickOnDividerAtIndex(platform::SplitView *, QWidget *pane,
//          int index)
//   bool splitViewShouldHideDividerAtIndex(platform::SplitView *, int index)
// Without a delegate nothing collapses and every divider shows.
//
// Ownership: a widget owned by its Qt parent; panes are its children. GUI thread only.
#include <QPointer>
#include <QSplitter>

namespace platform {

class SplitView : public QSplitter
{
    Q_OBJECT
public:
    explicit SplitView(QWidget *parent = nullptr);
    ~SplitView() override;

    bool isVertical() const { return orientation() == Qt::Horizontal; }
    void setVertical(bool vertical);

    QObject *delegate() const { return m_delegate; }
    void setDelegate(QObject *delegate);

    int numberOfDividers() const { return count() > 1 ? count() - 1 : 0; }
    // Where divider index (between pane index and index + 1) is drawn.
    QRectF dividerRect(int index) const;
    // The divider's leading edge along the split direction.
    qreal dividerPosition(int index) const;
    // Moves the divider's leading edge towards the position, within the limits the
    // delegate sets and the panes' own minimum sizes.
    void moveDivider(int index, qreal position);
    // Lays the panes out again in their proportions.
    void adjustSubviews();
    // Asks the delegate again which panes may collapse and which dividers hide.
    void updateDividers();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void childEvent(QChildEvent *event) override;

private:
    // The divider whose effective or additional rectangle holds the point, or -1 (not
    // const: the delegate is handed this split view).
    int dividerHitBy(const QPointF &point);
    qreal along(const QPointF &point) const { return isVertical() ? point.x() : point.y(); }
    bool handleMouse(QObject *watched, QEvent *event);

    QPointer<QObject> m_delegate;
    int m_dragDivider = -1;
    qreal m_grab = 0;
};

} // namespace platform
