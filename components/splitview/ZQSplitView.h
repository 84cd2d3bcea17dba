#pragma once
// A split view: panes (ZQSplitSubview) side by side (vertical: vertical dividers,
// left to right) or one above the other (horizontal, top to bottom), with a divider
// between each two visible panes. It keeps the panes within their limits while its
// size changes and carries rounding remainders so that repeated resizing doesn't
// drift. When the room is shorter than the minimums of the panes that may not
// collapse, they share it in proportion (whole pixels, at least one each, never a
// negative size); such a squeezed layout saves no state, and the panes come back to
// the sizes they had before it when there is room again. The shown panes and the
// dividers fill the view exactly: what rounding leaves over (or takes too much) goes
// to the last shown pane and, as far as that pane's limits don't let it, to the
// panes before it, last first, within theirs; a limit gives way only for what no
// pane can take. When the panes leave room, a collapsed pane shows again at its
// minimum only if that fits; otherwise the shown panes take the room, so that a
// layout at an unchanged size changes nothing. Panes get whole sizes: a part of a
// pixel (a pane set to 148.5) stays in the pane's remainder, and whole sizes that fill
// the view within their limits are kept as they stand. Collapsing or expanding a pane
// keeps the other panes' remainders, so that collapsing it again puts them back where
// they were (as far as no limit held one of them meanwhile); a collapsed pane keeps
// the share of its own size, remainder included, so that expanding it puts every
// pane back where it was (within the same proviso).
// Being a pane itself, a split view nests in another; a nested one always
// runs across its parent and, when coupled, shares its parent's divider image and
// background and is drawn and dragged through the parent's dividers.
//
// The delegate is a QObject with Q_INVOKABLE methods named after the operations it
// implements, each sent only when platform::respondsToMethod finds it (not owned):
//   bool splitViewCanCollapse(ZQSplitView *, ZQSplitSubview *)
//   double splitViewWillAnimateSubviewWithDimension(ZQSplitView *, ZQSplitSubview *, float)
//   void willAdjustSubviews(ZQSplitView *), void didAdjustSubviews(ZQSplitView *)
//   void splitViewChangedFrameOfSubviewFromTo(ZQSplitView *, ZQSplitSubview *, QRectF, QRectF)
//   void splitViewDidCollapse(ZQSplitView *, ZQSplitSubview *), splitViewDidExpand(same)
//   void splitViewWasResizedFromTo(ZQSplitView *, float, float)
//   void splitViewWillDrawSubviewInRect(ZQSplitView *, ZQSplitSubview *, QRectF)
//   QRectF splitViewWillDrawDividerInRectBetweenViewAndViewWithProposedRect(ZQSplitView *,
//          QRectF, ZQSplitSubview *, ZQSplitSubview *, QRectF)
//   QRectF splitViewCursorRectForDivider(ZQSplitView *, QRectF, uint)
//   uint splitViewDividerForPointInSubview(ZQSplitView *, QPointF, ZQSplitSubview *)
//   bool splitViewShouldHandleEventInDividerBetweenViewAndView(ZQSplitView *, QPointF, uint,
//          ZQSplitSubview *, ZQSplitSubview *)
//   ZQSplitSubview *splitViewCollapseLeadingOrTrailing(ZQSplitView *, ZQSplitSubview *, ZQSplitSubview *)
//   bool splitViewShouldResizeWindowForDividerBetweenViewAndViewWillGrow(ZQSplitView *, uint,
//          ZQSplitSubview *, ZQSplitSubview *, bool)
//
// Saved state: with an autosave name the pane sizes go to platform::UserDefaults
// under "ZQSplitView V <name>" or "ZQSplitView H <name>". State texts are untrusted
// (the user may edit the defaults file): one that doesn't match is refused whole and
// changes nothing. A state restored at the size it was saved at gives every shown pane
// the size it had (also in a new view, before or after it is shown, and in one read
// from the view's archive); at another size the panes share the difference. A view
// that is not shown yet gets its size from its window only when that shows: until
// then (or until its panes are changed otherwise) every layout starts again from the
// restored text, so that sizes it passes through on the way lose nothing. A collapsed
// pane comes back with the size the text gives, remainder included, so saving again
// gives the same text.
//
// Mouse: press, move and release drive divider drags and double clicks; no nested
// event loops. Main thread only; the layout never re-enters itself.
#include "components/splitview/ZQSplitSubview.h"
#include "platform/drawing/CursorRects.h"

#include <QColor>
#include <QCursor>
#include <QImage>
#include <QPointer>
#include <QVariantList>

#include <memory>
#include <vector>

class ZQSplitView : public ZQSplitSubview
{
    Q_OBJECT
public:
    explicit ZQSplitView(const QRectF &frame = QRectF(0, 0, 100, 100), QWidget *parent = nullptr);
    ZQSplitView(const QRectF &frame, unsigned numberOfPanes, QWidget *parent = nullptr);
    ~ZQSplitView() override;

    // Structure. A widget that is not a pane is wrapped in a new pane.
    ZQSplitSubview *addSubview(QWidget *view);
    ZQSplitSubview *addSubview(QWidget *view, unsigned position);
    ZQSplitSubview *subviewAtPosition(unsigned position) const;
    ZQSplitSubview *subviewWithIdentifier(const QString &identifier) const;
    QList<ZQSplitSubview *> allSubviews() const;
    void removeSubview(ZQSplitSubview *pane);
    void viewDidMoveToSuperview();
    bool isFlipped() const override { return true; }
    bool mouseDownCanMoveWindow() const { return false; }
    bool acceptsFirstMouse(Qt::KeyboardModifiers modifiers) const { return !(modifiers & Qt::ControlModifier); }
    bool shouldDelayWindowOrdering(Qt::KeyboardModifiers modifiers) const { return modifiers & Qt::ControlModifier; }
    QString description() const override;

    // Nesting and coupling.
    ZQSplitView *asSplitView() override { return this; }
    bool isCoupled() const override;
    void setCoupled(bool coupled) override;
    ZQSplitView *couplingSplitView() const override;
    ZQSplitView *coupledSplitView() override { return isCoupled() ? this : nullptr; }
    bool isHorizontal() const;
    bool isVertical() const { return !isHorizontal(); }
    void setHorizontal(bool horizontal);
    void setVertical(bool vertical) { setHorizontal(!vertical); }

    // Appearance.
    QObject *delegate() const { return m_delegate; }
    void setDelegate(QObject *delegate) { m_delegate = delegate; }
    QColor background() const;
    void setBackground(const QColor &colour);
    bool isOpaque() const override;
    QImage divider() const;
    void setDivider(const QImage &image);
    float dividerThickness() const;
    void setDividerThickness(float thickness);

    // Layout.
    void setMustAdjust();
    bool mustAdjust() const { return m_mustAdjust; }
    bool isDragging() const { return m_isDragging; }
    bool isInScrollView() const { return m_isInScrollView; }
    bool isAdjusting() const { return m_isAdjusting; }
    void adjustSubviews();
    void adjustSubviewsExcepting(ZQSplitSubview *pane);
    bool needsDisplay();
    void display() override;
    void setFrame(const QRectF &frame) override;
    void awakeFromNib();

    // Saved state.
    static QString defaultsKeyForName(const QString &name, bool horizontal);
    static void removeStateUsingName(const QString &name);
    QString autosaveName() const { return m_autosaveName; }
    void setAutosaveName(const QString &name, bool recursively);
    bool saveState(bool recursively);
    bool restoreState(bool recursively);
    QString stringWithSavedState() const;
    bool setStateFromString(const QString &state);
    QVariantList arrayWithStates() const;
    bool setStatesFromArray(const QVariantList &states);

    // Keyed archives: the pane part first (with the panes under "subviews", each a
    // ZQSplitSubviewCoding object), then "autosaveName", "divider" (a PNG image),
    // "background", "dividerThickness", "isHorizontal", "isCoupled": the split view's
    // own values, not those inherited from a coupling parent. The delegate (a
    // QObject, not archivable) is not written.
    void encodeWithCoder(platform::Coder &coder) const override;
    // A new split view from an archive, with its panes (no state saving until
    // restoreState); the same with or without a parent. At the size it was written
    // at, its panes come back with the sizes they had. None when the archive can't
    // be used, as for a pane, or when "subviews" holds more than 256 entries,
    // anything but panes, a pane twice or a view that encloses this one.
    static ZQSplitView *fromCoder(platform::Coder &coder, QWidget *parent = nullptr);

    // Drawing and cursors.
    void drawDivider(QPainter &painter, const QImage &image, const QRectF &rect, ZQSplitSubview *leading,
                     ZQSplitSubview *trailing);
    static QCursor cursor(int type);
    static void setCursor(int type, const QCursor &cursor);
    void resetCursorRects();
    const platform::CursorRects &cursorRects() const { return m_cursorRects; }

    // Divider geometry (split view coordinates).
    QList<QRectF> dividerRects() const { return m_dividers; }
    QRectF ZQ___dividerRect(unsigned i, const QWidget *relativeTo) const;
    unsigned ZQ___dividerHitBy(const QPointF &point, const QWidget *relativeTo, float thickness) const;
    QList<ZQSplitSubview *> ZQ___subviews() const;
    unsigned ZQ___numberOfSubviews() const;
    float ZQ___dimensionWithoutDividers() const;

    // The layout's steps, in the order adjustSubviews takes them (each one on its own
    // for the tests). A pane during a layout: the pane's size along the split and its
    // remainder (a collapsed pane: its share of the room), whether a limit fixed it.
    struct SubviewCache
    {
        QRectF rect;
        double fraction = 0;
        ZQSplitSubview *pane = nullptr;
        float size = 0;
        bool constrained = false;
        // The pane's size along the split that the layout starts from (zero: collapsed).
        float visible = 0;
        // A pane collapsed when the layout starts: its share of the room, which it keeps
        // when it ends collapsed (a pass may expand it and a later one collapse it again).
        double share = 0;
        // Squeezed by an earlier layout and untouched since; the size with remainder
        // the layout started from (zero: collapsed).
        bool remembered = false;
        double before = 0;
    };
    // One pane of a state text applied before the view was shown: the text's size with
    // its remainder and whether the text collapsed it, and the pane as the text or the
    // last layout left it (any other change to it ends the wait).
    struct PendingPane
    {
        QPointer<ZQSplitSubview> pane;
        double size = 0;
        bool collapsed = false;
        QRectF frame;
        double fraction = 0;
        bool hidden = false;
    };
    // 1. The state text still waiting for the view's size (none when it no longer holds).
    std::vector<PendingPane> ZQ___takePendingState();
    // 2. The shown panes as they stand, or as the waiting text left them.
    std::vector<SubviewCache> ZQ___cachePanes(const QList<ZQSplitSubview *> &panes,
                                              const std::vector<PendingPane> &state) const;
    void ZQ___copyIntoCache(SubviewCache &cache, ZQSplitSubview *pane, const PendingPane *state) const;
    // 3. Whole sizes within their limits that fill the room exactly: kept as they stand.
    static bool ZQ___fillsAsTheyStand(const std::vector<SubviewCache> &cache, double room);
    //    Else the panes scaled to the room within their limits, collapsing panes that don't
    //    fit and showing collapsed ones that do, in a few passes; YES when a state
    //    text's sizes were taken as they stand.
    bool ZQ___distribute(std::vector<SubviewCache> &cache, float room, const ZQSplitSubview *excepted,
                         bool stateSizes) const;
    // One pass's scaling of the panes' sizes with remainders from `total` to `room`
    // (the excepted pane, one that animates and those at a limit keep their sizes).
    static void ZQ___scale(std::vector<SubviewCache> &cache, double total, double room,
                           const ZQSplitSubview *excepted);
    // Collapses panes at a limit while the sizes overflow the room by a pixel or more,
    // shows collapsed ones at their minimum while they fall short by one; YES when the
    // sizes are within a pixel of the room.
    static bool ZQ___collapseOrExpand(std::vector<SubviewCache> &cache, double room,
                                      const ZQSplitSubview *excepted);
    // A size in whole pixels and a remainder: more than a half rounds up, a half or
    // less down (as a state text's size reads back).
    static void ZQ___round(SubviewCache &cache, double size);
    // The shown panes' sizes added up, with their remainders or without.
    static double ZQ___shownTotal(const std::vector<SubviewCache> &cache, bool withRemainders);
    // 4. Shares a room too short for the panes' minimums among them; YES when it did.
    static bool ZQ___squeeze(std::vector<SubviewCache> &cache, float room);
    // 5. Makes the shown panes' sizes fill the room (see the class comment); after a
    //    layout that dropped the remainders the sizes given are the panes' own.
    static void ZQ___fill(std::vector<SubviewCache> &cache, double room, bool remaindersDropped);
    // 6. Gives the panes their frames and the dividers theirs.
    void ZQ___place(std::vector<SubviewCache> &cache, const QRectF &bounds, float room);
    void ZQ___updateFromCache(SubviewCache &cache, float total);
    // 7. A squeeze remembers the sizes from before it; a layout with room forgets them.
    static void ZQ___rememberSqueeze(const std::vector<SubviewCache> &cache, bool squeezed);
    // 8. The nested split views' layouts, the saved state and the delegate's word.
    void ZQ___finishLayout(const QList<ZQSplitSubview *> &panes, bool squeezed, bool textWaits);

protected:
    void encodeSubviews(platform::Coder &coder) const override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void childEvent(QChildEvent *event) override;
    bool event(QEvent *event) override;

private:
    friend class ZQSplitSubview;
    // A divider drag in progress: the divider, the grab offsets and the start points of
    // this split view and of the coupled nested split views dragged along.
    struct Drag
    {
        unsigned divider = 0;
        float grab = 0;
        QPointF start;
        struct Nested
        {
            ZQSplitView *view = nullptr;
            unsigned divider = NotFound;
            float grab = 0;
            QPointF start;
        } nested[2];
    };


    void init();
    void willRemoveSubview(ZQSplitSubview *pane);
    void ZQ___adjustSubviewsExcepting(ZQSplitSubview *excepted);
    // Takes the panes as they are now as the state text left them.
    void markPendingState();
    // The text still waits: no pane was added, removed, resized or hidden since.
    bool pendingStateHolds() const;
    void ZQ___adjustOutermostIfNeeded();
    void ZQ___setDragging(bool dragging);
    void ZQ___setMustClearFractions() { m_mustClearFractions = true; }
    float ZQ___dividerOrigin(unsigned i) const;
    float ZQ___dividerThickness() const { return m_dividerThickness; }
    void sizeDidChange(const QSizeF &oldSize);

    // Dragging.
    void ZQ___trackMouseEvent(const QPointF &position, const QPointF &start, const QPointF &base, unsigned divider);
    void ZQ___tryToExpandLeading(ZQSplitSubview *leading, unsigned divider, ZQSplitSubview *trailing, float delta);
    void ZQ___tryToShortenLeading(ZQSplitSubview *leading, unsigned divider, ZQSplitSubview *trailing, float delta,
                                  bool always);
    void ZQ___tryToShortenTrailing(ZQSplitSubview *trailing, unsigned divider, ZQSplitSubview *leading, float delta,
                                   bool always);
    void ZQ___tryToExpandTrailing(ZQSplitSubview *trailing, ZQSplitSubview *leading, float delta);
    bool ZQ___shouldResizeWindowForDivider(unsigned divider, ZQSplitSubview *leading, ZQSplitSubview *trailing,
                                           bool willGrow);
    float windowRoom(bool grow) const;
    void applyWindowChange(float change);
    void doubleClickDivider(unsigned i);
    void dragMove(const QPointF &position);
    void endDrag();

    // Drawing and cursors.
    void ZQ___drawDividersIn(QPainter &painter, ZQSplitView *view, const QRectF &rect, float thickness);
    void ZQ___addCursorRectsTo(ZQSplitView *view, const QRectF &rect, float thickness);

    QPointer<QObject> m_delegate;
    QString m_autosaveName = u""_qs;
    QColor m_background;
    QImage m_divider;
    QList<QRectF> m_dividers;
    float m_dividerThickness = 0.0f;
    bool m_mustAdjust = false;
    bool m_mustClearFractions = false;
    bool m_isHorizontal = false;
    bool m_canSaveState = false;
    bool m_isCoupled = true;
    bool m_isAdjusting = false;
    bool m_isDragging = false;
    bool m_isInScrollView = false;
    // Set by a state text: the next layout takes its sizes as they stand when they
    // fill the room to within a pixel, so that a state restored at the size it was
    // saved at gives the sizes it was saved with.
    bool m_takesStateSizes = false;
    // The state text restored before the view was shown, one entry a pane (none when
    // nothing waits).
    std::vector<PendingPane> m_pendingState;
    platform::CursorRects m_cursorRects;
    std::unique_ptr<Drag> m_drag;
};
