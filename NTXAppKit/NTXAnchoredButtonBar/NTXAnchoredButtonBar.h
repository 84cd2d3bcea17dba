#pragma once
// A strip of small square buttons (NTXAnchoredButton, NTXAnchoredPopUpButton) side by
// side on a grey gradient, along the bottom of a pane (23 high) or, bordered,
// elsewhere (24 high). Drawing is y-up (origin at the bottom left), as the bar is
// described.
//
// A resizable bar in a pane of a vertical platform::SplitView draws a resize handle
// (at its right end, or at its left end in the split view's last pane) and, when
// first shown there, makes itself the split view's delegate: it widens the divider's
// hit area over its handle end by 15 pixels and passes every other delegate question
// to the split view's previous delegate (splitViewDelegate, not owned), answering
// the defaults below where that delegate has no answer. It never gives the role back.
//
// Styles (selectedIndex): 0 at the bottom and resizable; 1 at the bottom, not
// resizable; 2 bordered, not resizable.
//
// Archiving (keyed only): "NTXABBIsResizable", "NTXABBIsAtBottom",
// "NTXABBHandleIsRightAligned", "NTXABBSelectedIndex", applied in that order, so the
// index's style overrides the first two.
// Ownership: a widget owned by its Qt parent. GUI thread only.
#include "platform/drawing/SplitView.h"

#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QWidget>

class QPainter;

namespace platform {
class Coder;
} // namespace platform

class NTXAnchoredButtonBar : public QWidget
{
    Q_OBJECT
public:
    static constexpr int BottomBarHeight = 23;
    static constexpr int BorderedBarHeight = 24;

    // Resizable and at the bottom.
    explicit NTXAnchoredButtonBar(QWidget *parent = nullptr);

    // A bar read from a keyed archive (none for another coder or a failed decode).
    static NTXAnchoredButtonBar *fromCoder(platform::Coder &coder, QWidget *parent = nullptr);
    void encodeWithCoder(platform::Coder &coder) const;

    bool isResizable() const { return m_isResizable; }
    void setResizable(bool resizable) { m_isResizable = resizable; }
    Q_INVOKABLE bool isAtBottom() const { return m_isAtBottom; }
    void setAtBottom(bool atBottom) { m_isAtBottom = atBottom; }
    // Stores the flag, makes the bar 23 high at the bottom and 24 otherwise, and
    // records for the class whether this last bar so set was bordered.
    void setIsAtBottom(bool atBottom);
    static bool wasBorderedBar();
    bool handleIsRightAligned() const { return m_handleIsRightAligned; }
    void setHandleIsRightAligned(bool rightAligned) { m_handleIsRightAligned = rightAligned; }
    int selectedIndex() const { return m_selectedIndex; }
    // 0, 1 and 2 set the style's flags (and height); any other index only is stored.
    void setSelectedIndex(int index);
    QObject *splitViewDelegate() const { return m_splitViewDelegate; }
    void setSplitViewDelegate(QObject *delegate) { m_splitViewDelegate = delegate; }

    // The nearest ancestor split view, or none.
    platform::SplitView *splitView() const;
    // Whether the bar's parent is the split view's last pane.
    bool isInLastSubview() const;
    // Take-over of a vertical split view's delegate (resizable bars), then in front of
    // the siblings. Runs at the first show.
    void awakeFromNib();
    // The handle side follows the pane. Runs when the parent changes.
    void viewDidMoveToSuperview();

    // ---- Drawing (y-up, in the bar's bounds) ----
    void drawRect(QPainter &painter);
    void drawResizeHandleInRect(QPainter &painter, const QRectF &rect, const QColor &color) const;
    // Marks the buttons at the bar's edges and draws the light line after the
    // rightmost button.
    void drawLastButtonInsetInRect(QPainter &painter, const QRectF &rect);
    // Where the handle is drawn (y-up).
    QRectF resizeHandleRect() const;
    // The divider's added hit area, in the split view's (y-down) coordinates.
    QRectF dividerHitRect(const platform::SplitView *splitView) const;

    // ---- Split view delegate ----
    Q_INVOKABLE QRectF splitViewAdditionalEffectiveRectOfDividerAtIndex(platform::SplitView *splitView, int index);
    Q_INVOKABLE double splitViewConstrainMinCoordinate(platform::SplitView *splitView, double proposed, int index);
    Q_INVOKABLE double splitViewConstrainMaxCoordinate(platform::SplitView *splitView, double proposed, int index);
    Q_INVOKABLE double splitViewConstrainSplitPosition(platform::SplitView *splitView, double proposed, int index);
    Q_INVOKABLE void splitViewResizeSubviewsWithOldSize(platform::SplitView *splitView, QSizeF oldSize);
    Q_INVOKABLE bool splitViewCanCollapseSubview(platform::SplitView *splitView, QWidget *pane);
    Q_INVOKABLE QRectF splitViewEffectiveRectForDrawnRectOfDividerAtIndex(platform::SplitView *splitView,
                                                                         QRectF proposed, QRectF drawn, int index);
    Q_INVOKABLE bool splitViewShouldCollapseSubviewForDoubleClickOnDividerAtIndex(platform::SplitView *splitView,
                                                                                 QWidget *pane, int index);
    Q_INVOKABLE bool splitViewShouldHideDividerAtIndex(platform::SplitView *splitView, int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;

private:
    bool m_isResizable = true;
    bool m_isAtBottom = true;
    bool m_handleIsRightAligned = false;
    int m_selectedIndex = 0;
    QPointer<QObject> m_splitViewDelegate;
    bool m_awoken = false;
};
