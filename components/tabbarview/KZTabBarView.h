#pragma once
// The tab bar: one attached button (KZAttachedTabBarButton) for each item of a
// platform::TabView, kept in step with it, with an overflow pull-down for the tabs
// that do not fit and an optional add-tab button. The bar is the tab view's delegate
// (the application connects that) and passes every call on to its own delegate
// (KZTabBarViewDelegate).
//
// Looks: every metric and drawing step asks the style (KZTabStyle) first and uses
// the bar's built-in (the operation with a leading underscore) when the style does
// not answer. Styles are registered by name (KZTabStyleRegistry); a new bar draws
// with the Metal style.
//
// The update pass (updateTabBar(animate)) hides or shows the bar, removes the tabs
// whose items left the tab view, adds tabs for new items, lays them out through the
// KZTabBarController (widths, overflow menu), syncs the selection and places the
// overflow and add-tab buttons; a pass first stops a slide an earlier animated pass
// left running. setNeedsUpdate(true) asks for one deferred pass: it
// queues a single call on the event loop, and requests made while one is pending add
// nothing; requests made while a pass runs (a delegate answering the hide the pass
// reports) queue one more pass when it ends. A tab's model change asks for a pass
// this way; the rebinding a pass does itself asks for none. A pass gives buttons only
// to the tabs it shows: the items that overflow go to the menu without one. A bar
// without a tab view has nothing to mirror: its pass only redraws.
//
// moveTabViewItem() moves an item inside the tab view and selects it without a pass
// (the end of a tab drag runs one): until the next pass the buttons keep their places
// and the item order may put the overflow button anywhere. Exactly one tab is drawn
// selected all the same: a selected item without a button is shown by the button the
// layout made the overflow button, wherever it sorts. The overflow menu opened
// meanwhile lists the tabs in their order after the move (the tab the last pass gave
// the overflow button first).
//
// Tab state mask of each attached button (the bits the styles read): 0x100 first,
// 0x200 middle, 0x400 last, 0x800 single (with 0x100 and 0x400), 0x4/0x8 left/right
// neighbour selected, 0x10/0x20 neighbour sliding, 0x40/0x80 neighbour at the drop
// index. Other bits belong to the button and are left alone.
//
// Hiding (hideTabBar) gives the bar's room to the partner view, or to the window when
// there is none; the arithmetic runs in y-up coordinates (the partner's superview, or
// the screen for the window). A horizontal bar collapses by 22 points whatever its
// height; a hidden window-sized bar keeps the window's top edge.
//
// Accessibility (KZTabBarAccessibility): a grouping whose children are the attached
// tab buttons (page tabs named by their titles, selected with their tab); a hit test
// answers the tab being pressed, else the bar.
//
// Archives: encodeWithCoder() writes the 23 settings keys after nothing else (keyed
// coders only); fromCoder() makes a bar from them or answers null when the archive
// holds a value of the wrong kind. A missing key reads as none, 0 or NO: an archive
// without "KZstyle" gives a bar without a style (built-in metrics and drawing); a
// maximum or optimum width of 0 or less (or none) is refused, logged, and the bar
// keeps its own.
// Widgets referred to by the archive (tab view, partner view, the two built-in
// buttons) travel as KZArchivedView objects.
//
// Ownership: owns its child buttons, its controller and its style (shared with its
// tabs); the tab view and partner view are held weakly, the delegate not at all
// (except a delegate read from an archive, which the bar keeps). GUI thread only: no
// locks. Failures: a refused close sounds the beep; an unregistered style name
// changes nothing.
#include "components/tabbarview/KZTabBarViewDelegate.h"
#include "platform/drawing/TabView.h"
#include "platform/foundation/SpringLoading.h"
#include "platform/drawing/TabViewDelegate.h"
#include "platform/layers/DragDestination.h"
#include "platform/layers/DragSource.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QContextMenuEvent;
class QMenu;
class QMouseEvent;
class KZAttachedTabBarButton;
class KZOverflowPopUpButton;
class KZRolloverButton;
class KZSlideButtonsAnimation;
class KZTabBarButton;
class KZTabBarController;
class KZTabBarDivider;
class KZTabStyle;

namespace platform {
class BindingObserver;
class Coder;
class ViewAnimation;
class WindowChromeObserver;
} // namespace platform

class KZTabBarView : public QWidget,
                     public platform::TabViewDelegate,
                     public platform::DragSource,
                     public platform::DragDestination
{
    Q_OBJECT
public:
    enum Orientation : unsigned { Horizontal = 0, Vertical = 1 };
    enum TabStateBits : unsigned {
        KZTabStateLeftNeighbourSelected = 0x4,
        KZTabStateRightNeighbourSelected = 0x8,
        KZTabStateLeftNeighbourSliding = 0x10,
        KZTabStateRightNeighbourSliding = 0x20,
        KZTabStateLeftNeighbourAtDropIndex = 0x40,
        KZTabStateRightNeighbourAtDropIndex = 0x80,
        KZTabStateFirst = 0x100,
        KZTabStateMiddle = 0x200,
        KZTabStateLast = 0x400,
        KZTabStateSingle = 0x800,
    };
    enum EnumerationOptions : unsigned { UpdateTabStates = 2, UpdateButtonStates = 4 };
    static constexpr int NotFound = -1;
    static constexpr qreal CollapsedHeight = 22;
    static constexpr double HideShowDuration = 0.1;

    explicit KZTabBarView(QWidget *parent = nullptr);
    ~KZTabBarView() override;

    // ---- Tab view ----
    platform::TabView *tabView() const { return m_tabView; }
    void setTabView(platform::TabView *tabView);
    int numberOfTabViewItems() const;
    platform::TabViewItemPtr selectedTabViewItem() const;
    void selectTabViewItem(const platform::TabViewItem *item);
    void removeTabViewItem(const platform::TabViewItem *item);
    int indexOfTabViewItem(const platform::TabViewItem *item) const;
    void moveTabViewItem(const platform::TabViewItemPtr &item, int index);
    std::vector<platform::TabViewItemPtr> visibleTabViewItems() const;
    int numberOfVisibleTabViewItems() const { return numberOfAttachedButtons(); }
    platform::TabViewItemPtr tabViewItemPinnedToOverflowButton() const;
    void setTabViewItemPinnedToOverflowButton(const platform::TabViewItemPtr &item);

    // ---- Attached buttons ----
    // In item order (the index of each button's item in the tab view; a button whose
    // item is not there keeps its place), or left to right / top to bottom while one
    // of the bar's tabs is dragged along the row. An animated pass keeps the item
    // order: its slide only carries the buttons to their places.
    std::vector<KZAttachedTabBarButton *> attachedButtons() const { return orderedAttachedButtons(); }
    std::vector<KZAttachedTabBarButton *> orderedAttachedButtons() const;
    int numberOfAttachedButtons() const;
    KZAttachedTabBarButton *selectedAttachedButton() const;
    KZAttachedTabBarButton *lastAttachedButton() const;
    // The button the layout made the overflow button (it shows the overflow menu's
    // selected tab), or none.
    KZAttachedTabBarButton *overflowAttachedButton() const;
    int indexOfAttachedButton(const KZAttachedTabBarButton *button) const;
    KZAttachedTabBarButton *attachedButtonForTabViewItem(const platform::TabViewItem *item) const;
    KZAttachedTabBarButton *insertAttachedButtonForTabViewItem(const platform::TabViewItemPtr &item, int index);
    KZAttachedTabBarButton *addAttachedButtonForTabViewItem(const platform::TabViewItemPtr &item);
    void removeAttachedButton(KZAttachedTabBarButton *button);
    void removeAttachedButton(KZAttachedTabBarButton *button, bool synchronizeTabViewItems);
    // The tab button under a point of the bar, or null.
    KZTabBarButton *tabBarButtonAtPoint(const QPointF &point) const;
    KZAttachedTabBarButton *attachedButtonAtPoint(const QPointF &point) const;

    // ---- Tab state ----
    void updateTabStateMaskOfAttachedButton(KZAttachedTabBarButton *button, int index,
                                            KZAttachedTabBarButton *previous, KZAttachedTabBarButton *next);
    void updateTabStateMaskOfAttachedButton(KZAttachedTabBarButton *button, int index);
    void updateTabStateMaskOfAttachedButtons();
    using EnumerationBlock = std::function<void(KZAttachedTabBarButton *button, int index,
                                                KZAttachedTabBarButton *previous, KZAttachedTabBarButton *next,
                                                bool &stop)>;
    // Visits buttons[from, from + length) (the length is cut to the list) in order.
    void enumerateAttachedButtons(const std::vector<KZAttachedTabBarButton *> &buttons, int from, int length,
                                  unsigned options, const EnumerationBlock &block);
    void enumerateAttachedButtons(unsigned options, const EnumerationBlock &block);

    // ---- Style ----
    std::shared_ptr<KZTabStyle> style() const { return m_style; }
    void setStyle(std::shared_ptr<KZTabStyle> style);
    QString styleName() const;
    // An unregistered name changes nothing.
    void setStyleNamed(const QString &name);

    // ---- Metrics (style first, then the built-in) ----
    qreal heightOfTabBarButtons();
    qreal leftMargin();
    qreal rightMargin();
    qreal topMargin();
    qreal bottomMargin();
    QSizeF addTabButtonSize();
    QRectF addTabButtonRect();
    QSizeF overflowButtonSize();
    QRectF overflowButtonRect();
    bool supportsOrientation(unsigned orientation);
    qreal _heightOfTabBarButtons() const { return 22; }
    qreal _leftMargin() const { return m_orientation == Horizontal ? 6 : 0; }
    qreal _rightMargin() const { return _leftMargin(); }
    qreal _topMargin() const { return m_orientation == Horizontal ? 0 : 3; }
    qreal _bottomMargin() const { return _topMargin(); }
    QSizeF _addTabButtonSize() const;
    QRectF _addTabButtonRect();
    QSizeF _overflowButtonSize() const;
    QRectF _overflowButtonRect();
    bool _supportsOrientation(unsigned) const { return true; }
    qreal availableWidthForButtons();
    qreal availableHeightForButtons();
    QRectF genericButtonRect();

    // ---- Options ----
    unsigned orientation() const { return m_orientation; }
    void setOrientation(unsigned orientation);
    bool onlyShowCloseOnHover() const { return m_onlyShowCloseOnHover; }
    void setOnlyShowCloseOnHover(bool only);
    bool canCloseOnlyTab() const { return m_canCloseOnlyTab; }
    void setCanCloseOnlyTab(bool can);
    bool disableTabClose() const { return m_disableTabClose; }
    void setDisableTabClose(bool disable);
    bool hideForSingleTab() const { return m_hideForSingleTab; }
    void setHideForSingleTab(bool hide);
    bool showAddTabButton() const { return m_showAddTabButton; }
    void setShowAddTabButton(bool show);
    int buttonMinWidth() const { return m_buttonMinWidth; }
    void setButtonMinWidth(int width);
    // A maximum or optimum width of 0 or less would draw every tab 0 points wide: it
    // is refused (logged) and the width stays as it was.
    int buttonMaxWidth() const { return m_buttonMaxWidth; }
    void setButtonMaxWidth(int width);
    int buttonOptimumWidth() const { return m_buttonOptimumWidth; }
    void setButtonOptimumWidth(int width);
    // Logs the refusal of a width of 0 or less for the setting named; answers whether
    // it refused.
    static bool refusesButtonWidth(int width, const char *what);
    bool sizeButtonsToFit() const { return m_sizeButtonsToFit; }
    void setSizeButtonsToFit(bool fit);
    bool useOverflowMenu() const { return m_useOverflowMenu; }
    void setUseOverflowMenu(bool use);
    bool allowsBackgroundTabClosing() const { return m_allowsBackgroundTabClosing; }
    void setAllowsBackgroundTabClosing(bool allows);
    bool allowsScrubbing() const { return m_allowsScrubbing; }
    void setAllowsScrubbing(bool allows);
    bool allowsResizing() const { return m_allowsResizing; }
    void setAllowsResizing(bool allows) { m_allowsResizing = allows; }
    bool selectsTabsOnMouseDown() const { return m_selectsTabsOnMouseDown; }
    void setSelectsTabsOnMouseDown(bool onDown) { m_selectsTabsOnMouseDown = onDown; }
    bool automaticallyAnimates() const { return m_automaticallyAnimates; }
    void setAutomaticallyAnimates(bool animates) { m_automaticallyAnimates = animates; }
    bool alwaysShowActiveTab() const { return m_alwaysShowActiveTab; }
    void setAlwaysShowActiveTab(bool show) { m_alwaysShowActiveTab = show; }
    unsigned tearOffStyle() const { return m_tearOffStyle; }
    void setTearOffStyle(unsigned style) { m_tearOffStyle = style; }
    bool isResizing() const { return m_isResizing; }
    void setIsResizing(bool resizing) { m_isResizing = resizing; }
    bool isReorderingTabViewItems() const { return m_isReorderingTabViewItems; }
    void setIsReorderingTabViewItems(bool reordering) { m_isReorderingTabViewItems = reordering; }
    int destinationIndexForDraggedItem() const { return m_destinationIndexForDraggedItem; }
    void setDestinationIndexForDraggedItem(int index) { m_destinationIndexForDraggedItem = index; }
    int resizeAreaCompensation() const { return m_resizeAreaCompensation; }
    int tabBarWidth() const { return m_tabBarWidth; }
    QWidget *partnerView() const { return m_partnerView; }
    void setPartnerView(QWidget *partner) { m_partnerView = partner; }

    KZTabBarViewDelegate *delegate() const { return m_delegate; }
    void setDelegate(KZTabBarViewDelegate *delegate);
    // The drag types the bar accepts: the tab drag type and the delegate's.
    QStringList registeredDraggedTypes() const { return m_draggedTypes; }
    static inline const QString AttachedTabBarButtonPasteboardType =
        QStringLiteral("org.chronark.KZAttachedTabBarButtonPasteboardType");

    // ---- Queries ----
    bool isWindowActive() const;
    bool isOverflowButtonVisible() const;
    bool isTabBarHidden() const { return m_isHidden; }
    bool isAnimating() const { return m_slideAnimation || m_hideShowAnimation; }
    bool allowsDetachedDraggingOfTabViewItem(platform::TabViewItem *item);
    KZTabBarController *controller() const { return m_controller.get(); }
    KZOverflowPopUpButton *overflowPopUpButton() const { return m_overflowPopUpButton; }
    KZRolloverButton *addTabButton() const { return m_addTabButton; }

    // ---- Actions (targets set by the layout) ----
    Q_INVOKABLE void _didClickTabButton(QObject *sender);
    Q_INVOKABLE void _didClickCloseButton(QObject *sender);
    Q_INVOKABLE void _addNewTab(QObject *sender);
    Q_INVOKABLE void _overflowMenuAction(QObject *sender);
    // Checks the item of the selected tab; the delegate decides whether it is enabled.
    bool validateMenuItem(QAction *item);

    // ---- Menus and dragging hooks of the buttons ----
    virtual QMenu *menuForTabBarButton(KZTabBarButton *button, QContextMenuEvent *event);
    QMenu *menuForTabViewItem(platform::TabViewItem *item);
    virtual bool shouldStartDraggingAttachedTabBarButton(KZAttachedTabBarButton *button, QMouseEvent *event);
    virtual void startDraggingAttachedTabBarButton(KZAttachedTabBarButton *button, QMouseEvent *event);
    // Takes a button out of the bar without deleting it (the caller owns it); its item
    // stays in the tab view.
    KZAttachedTabBarButton *detachAttachedButton(KZAttachedTabBarButton *button);
    // The item whose button is out of the bar during a drag: update passes add no
    // button for it. Null for none.
    const platform::TabViewItem *detachedTabViewItem() const { return m_detachedItem; }
    void setDetachedTabViewItem(const platform::TabViewItem *item) { m_detachedItem = item; }

    // ---- Dragging source (passed to the drag assistant) ----
    Qt::DropActions draggingSourceOperationMask(bool local) override;
    void draggedImageBeganAt(platform::DragSession &session, QPoint screenPoint) override;
    void draggedImageMovedTo(platform::DragSession &session, QPoint screenPoint) override;
    void draggedImageEndedAt(platform::DragSession &session, QPoint screenPoint, Qt::DropAction operation) override;

    // ---- Dragging destination: tab drags go to the assistant; other drags spring-load
    // the tab under the pointer and may be dropped on a tab through the delegate ----
    Qt::DropAction dragEntered(const platform::DragInfo &info) override;
    Qt::DropAction dragUpdated(const platform::DragInfo &info) override;
    void dragExited(const platform::DragInfo &info) override;
    bool prepareForDrop(const platform::DragInfo &info) override;
    bool performDrop(const platform::DragInfo &info) override;
    // The delay before a drag hovering over a tab selects it: the user default
    // "SpringingDelayMilliseconds" / 1000 when set, else 0.668 s.
    static double springingDelay();
    static inline const QString SpringingDelayKey = platform::SpringLoading::DelayKey;
    static constexpr double DefaultSpringingDelay = platform::SpringLoading::DefaultDelay;
    QTimer *springTimer() const { return m_springTimer; }
    platform::TabViewItem *tabViewItemWithSpring() const { return m_tabViewItemWithSpring; }
    void fireSpring(QTimer *timer);

    // ---- Resizing a vertical bar by its right edge ----
    static constexpr int DividerWidth = 3;
    // (width - 3, 0, 3, height of the tab view) for a vertical bar that allows resizing,
    // else empty.
    QRect dividerRect() const;
    KZTabBarDivider *divider() const { return m_divider; }
    // The divider's cursor: resize-right (0) while the bar is at most the minimum
    // button width, resize-left (1) while it is at least the maximum, else left-right (2).
    int resizingMouseCursor() const;
    // One step of a divider drag: the pointer's x in the bar and the move since the last
    // step. Steps toward the edge's other side, or beyond the minimum and maximum button
    // widths, are ignored.
    void dividerDragged(qreal pointerX, qreal deltaX);

    // ---- Update ----
    bool needsUpdate() const { return m_needsUpdate; }
    void setNeedsUpdate(bool needs);
    // The deferred pass: animated when the bar animates automatically and is visible.
    void updateTabBar();
    void updateTabBar(bool animate);
    bool isUpdatingTabBar() const { return m_updateDepth > 0; }
    int updateCount() const { return m_updateCount; }
    void layoutButtons();
    // A tab's shown content changed (title, bound values): with sized-to-fit buttons
    // the row needs a pass, unless the bar's own pass made the change.
    void tabButtonContentDidChange();

    // ---- Hiding ----
    void hideTabBar(bool hide, bool animate);
    // Room kept for the window's resize indicator: 0, 8 or 20.
    void checkWindowFrame();

    // ---- Drawing (style first) ----
    void drawRect(QPainter &painter, const QRectF &rect);
    void drawBezelInRect(QPainter &painter, const QRectF &rect);
    void drawButtonBezelsInRect(QPainter &painter, const QRectF &rect);
    void drawInteriorInRect(QPainter &painter, const QRectF &rect);

    // ---- Archives ----
    void encodeWithCoder(platform::Coder &coder) const;
    // A bar made from an archive, or null (with the coder failed) on a value of the
    // wrong kind. Views the archive holds are made children of parent.
    static KZTabBarView *fromCoder(platform::Coder &coder, QWidget *parent = nullptr);

    // ---- platform::TabViewDelegate ----
    bool tabViewShouldSelectTabViewItem(platform::TabView *tabView, platform::TabViewItem *item) override;
    void tabViewWillSelectTabViewItem(platform::TabView *tabView, platform::TabViewItem *item) override;
    void tabViewDidSelectTabViewItem(platform::TabView *tabView, platform::TabViewItem *item) override;
    void tabViewDidChangeNumberOfTabViewItems(platform::TabView *tabView) override;

Q_SIGNALS:
    void tabBarUpdated();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // The system beep of a refused close.
    virtual void beep();

private:
    friend class KZTabBarController;

    void bindPropertiesOfAttachedButton(KZAttachedTabBarButton *button);
    void unbindPropertiesOfAttachedButton(KZAttachedTabBarButton *button);
    void rebindAttachedButton(KZAttachedTabBarButton *button);
    void synchronizeSelection();
    bool shouldDisplayTabBar() const;
    void positionOverflowMenu();
    void positionAddTabButton();
    void updateAddTabButton();
    void updateOverflowPopUpButton();
    void updateImages();
    void stopSlideAnimation();
    void finalizeSlideAnimation();
    void finalizeHideShow(bool hidden);
    void updateTrackingAreas();
    void connectOverflowPopUpButton();
    // The attached buttons in item order, each with its item's index in the tab view
    // (NotFound for none); the second form orders the given buttons.
    std::vector<std::pair<int, KZAttachedTabBarButton *>> indexedAttachedButtons() const;
    std::vector<std::pair<int, KZAttachedTabBarButton *>>
    indexedAttachedButtons(std::vector<KZAttachedTabBarButton *> buttons) const;
    // Gives the pull-down the actions of the controller's overflow menu (built now
    // when not yet built since the last layout).
    void fillOverflowMenu();
    void updateOverflowMenuImages();
    void stopSpring();
    void positionDivider();
    // Ends a pass or a binding: at the outermost, the buttons retired meanwhile go
    // to the event loop for deletion and a pass asked for meanwhile is queued.
    void leaveUpdate();
    void deleteRetiredButtonsLater();

    std::unique_ptr<KZTabBarController> m_controller;
    std::shared_ptr<KZTabStyle> m_style;
    QPointer<platform::TabView> m_tabView;
    QPointer<QWidget> m_partnerView;
    KZOverflowPopUpButton *m_overflowPopUpButton = nullptr;
    KZRolloverButton *m_addTabButton = nullptr;
    KZTabBarViewDelegate *m_delegate = nullptr;
    platform::CodingPtr m_archivedDelegate;
    std::vector<std::unique_ptr<QWidget>> m_archivedViews;
    // Holds the buttons removed by one pass (or one call), hidden, until the event loop
    // deletes it with them: moving a widget within its window leaves the window's focus
    // chain alone, which leaving the window would walk whole. A child of the bar.
    QWidget *m_retiredButtons = nullptr;
    std::map<const KZAttachedTabBarButton *, std::unique_ptr<platform::BindingObserver>> m_identifierObservers;
    platform::WindowChromeObserver *m_chromeObserver = nullptr;
    KZSlideButtonsAnimation *m_slideAnimation = nullptr;
    platform::ViewAnimation *m_hideShowAnimation = nullptr;
    QStringList m_draggedTypes;
    const platform::TabViewItem *m_detachedItem = nullptr;
    QTimer *m_springTimer = nullptr;
    platform::TabViewItem *m_tabViewItemWithSpring = nullptr;
    QPointF m_springLocation;
    KZTabBarDivider *m_divider = nullptr;

    bool m_onlyShowCloseOnHover = false;
    bool m_canCloseOnlyTab = false;
    bool m_disableTabClose = false;
    bool m_hideForSingleTab = false;
    bool m_showAddTabButton = false;
    bool m_sizeButtonsToFit = false;
    bool m_useOverflowMenu = true;
    bool m_alwaysShowActiveTab = false;
    bool m_allowsScrubbing = false;
    int m_resizeAreaCompensation = 0;
    unsigned m_orientation = Horizontal;
    bool m_automaticallyAnimates = false;
    unsigned m_tearOffStyle = 0;
    bool m_allowsBackgroundTabClosing = true;
    bool m_selectsTabsOnMouseDown = true;
    bool m_allowsResizing = true;
    bool m_isResizing = false;
    int m_buttonMinWidth = 100;
    int m_buttonMaxWidth = 280;
    int m_buttonOptimumWidth = 130;
    bool m_isHidden = false;
    int m_tabBarWidth = 0;
    bool m_isReorderingTabViewItems = false;
    bool m_needsUpdate = false;
    int m_destinationIndexForDraggedItem = NotFound;
    int m_updateDepth = 0;
    bool m_updateRequestedDuringPass = false;
    int m_updateCount = 0;
};
