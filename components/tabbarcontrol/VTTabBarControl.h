#pragma once
// The tab bar control: one tab (VTTabBarCell) for every item of a platform::TabView,
// in a row (orientation 0) or a column (1), y down. The control owns its cells in tab
// order, asks its width controller (VTTabBarController) where each goes and which
// overflow into the menu of the overflow button, and asks its style (VTTabStyle) for
// margins, the tab height, the add-tab images and all drawing. Beside the cells it has
// two child widgets: the overflow pull-down (VTOverflowPopUpButton) and the add-tab
// button (VTRolloverButton).
//
// The control is the tab view's delegate (set by its owner: tabView->setDelegate())
// and keeps its cells in step with the tab view's items: items that left lose their
// cell (the delegate hears tabViewDidCloseTabViewItem first), new items get one at
// their place in the tab view's order (starting 30 wide right of the last tab, or 0
// high under it in a vertical bar), and the delegate then hears of the change. The
// usual report, one item added or removed, is followed where it happened (found
// from both ends of the list, so a tab added at the end or a shown tab closed costs
// what the shown tabs cost, however many wait in the menu); any other change is
// followed by comparing every cell with every item. A
// selection marks the cell of the selected item. Each cell is bound to its item: the title to
// "label"; when the item's identifier is a model with the keys "isProcessing",
// "icon", "objectCount", "countColor", "largeImage", "isEdited", the indicator, icon,
// count, count colour, large-image and edited flags follow them; a changed identifier
// binds the cell again. A model change asks for one deferred update: all requests of
// one event-loop pass make one layout.
//
// Layout (update): nothing while the tab view and the cells differ in number;
// otherwise the width controller lays out, the overflow button shows exactly while
// some tab overflows, and the cells move to their frames at once, or in 0.5 s at 30
// steps a second (each step covers the animation's progress of the remaining way).
// Visible cells get tracking rectangles (platform::TrackingAreas: the cell and its
// close button) and a tool-tip rectangle answered by the delegate; a layout moves
// those already installed where they stand and keeps them in the cells' order.
//
// Show and hide (VTTabBarControlHiding.cpp): the bar collapses to a strip of 1 point
// (vertical) or loses 21 points (horizontal) and gives the room to its partner view,
// or to its window when it has no partner; showing takes it back. A change runs in
// four steps of 1/30 s (one without animation) and the delegate hears of its end.
// hideTabBar() does nothing until the bar is awake: the first window update (a call
// from the event loop once the bar is shown in a window, once per window it enters)
// wakes it, and collapses it at once when it starts with one tab and
// hideForSingleTab. A bar that moves to another window during a change finishes the
// change at once, so it never stays stuck in it.
//
// Archive (VTTabBarControlCoding.cpp; the control travels in a keyed archive as a
// VTArchivedView): its 26 settings after the view's frame, only for keyed coders. The
// cells, the style, the buttons, the tab view and the partner view are archived
// objects; the last mouse-down is a record (position, button, modifiers, time); the
// delegate is written when it is itself an archived object. The decoded cells stand
// for the decoded tab view's items in its order (when their counts match), so a copy
// draws what the original draws. A decoded control keeps
// the archived objects of its tab view, partner view and delegate alive; it never
// comes back in the middle of a show or hide. A value of the wrong kind, a cells
// array holding anything but cells, an orientation other than 0 or 1 or a width
// outside 0..MaximumCellWidth, or cells, a partner view or a delegate that would
// close a cycle of strong references (platform::Coder::valueRefersBack: the control
// itself, or an object that took a reference back to it or to an object enclosing
// it) fails the decode, so no archive leaves objects keeping each other alive.
//
// Accessibility: the control is a grouping whose children are its cells (buttons
// with the help text, focused only at tab state 2, pressing selects).
//
// Ownership: a widget owned by its parent; owns its cells, buttons, controller and
// timers, shares its style (std::shared_ptr). It does not own the tab view, the
// partner view or the delegate (QPointer / plain pointer). Main thread only.
#include "components/tabbarcontrol/VTOverflowPopUpButton.h"
#include "components/tabbarcontrol/VTRolloverButton.h"
#include "components/tabbarcontrol/VTTabBarCell.h"
#include "components/tabbarcontrol/VTTabBarControlDelegate.h"
#include "components/tabbarcontrol/VTTabBarController.h"
#include "components/tabbarcontrol/VTTabStyle.h"
#include "platform/archive/Coding.h"
#include "platform/drawing/TabView.h"
#include "platform/foundation/SpringLoading.h"
#include "platform/drawing/TabViewDelegate.h"
#include "platform/drawing/TrackingAreas.h"
#include "platform/foundation/KeyValueObserving.h"
#include "platform/layers/DragDestination.h"
#include "platform/layers/DragSource.h"

#include <QHash>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QContextMenuEvent;
class QMenu;
class QMouseEvent;

namespace platform {
class Coder;
class BindingObserver;
class TimedAnimation;
} // namespace platform

class VTTabBarControl : public QWidget,
                        public platform::TabViewDelegate,
                        public platform::DragDestination,
                        public platform::DragSource
{
    Q_OBJECT
public:
    using CellPtr = std::shared_ptr<VTTabBarCell>;
    // The cells in tab order; a double-ended queue, so a tab leaves either end at once.
    using Cells = std::deque<CellPtr>;
    static inline const QString DraggedType = QStringLiteral("VTTabBarControlItemPBType");
    static constexpr int AnimationFrameMs = 1000 / 30;
    static constexpr double AnimationDuration = 0.5;

    static constexpr int MaximumCellWidth = 100000;

    explicit VTTabBarControl(QWidget *parent = nullptr);
    ~VTTabBarControl() override;

    // The bundle of the control's images.
    static QString bundle();

    // ---- Accessors ----
    const Cells &cells() const { return m_cells; }
    platform::TabView *tabView() const { return m_tabView; }
    void setTabView(platform::TabView *tabView) { m_tabView = tabView; }
    VTTabBarControlDelegate *delegate() const { return m_delegate; }
    void setDelegate(VTTabBarControlDelegate *delegate);
    QStringList registeredDraggedTypes() const { return m_draggedTypes; }
    const std::shared_ptr<VTTabStyle> &style() const { return m_style; }
    void setStyle(const std::shared_ptr<VTTabStyle> &style);
    QString styleName() const;
    // The registered style of the name, else Metal.
    void setStyleNamed(const QString &name);
    int orientation() const { return m_orientation; }
    void setOrientation(int orientation);
    bool canCloseOnlyTab() const { return m_canCloseOnlyTab; }
    void setCanCloseOnlyTab(bool value);
    bool disableTabClose() const { return m_disableTabClose; }
    void setDisableTabClose(bool value);
    bool hideForSingleTab() const { return m_hideForSingleTab; }
    void setHideForSingleTab(bool value);
    bool showAddTabButton() const { return m_showAddTabButton; }
    void setShowAddTabButton(bool value);
    bool sizeCellsToFit() const { return m_sizeCellsToFit; }
    void setSizeCellsToFit(bool value);
    bool useOverflowMenu() const { return m_useOverflowMenu; }
    void setUseOverflowMenu(bool value);
    bool alwaysShowActiveTab() const { return m_alwaysShowActiveTab; }
    void setAlwaysShowActiveTab(bool value) { m_alwaysShowActiveTab = value; }
    bool allowsScrubbing() const { return m_allowsScrubbing; }
    void setAllowsScrubbing(bool value) { m_allowsScrubbing = value; }
    int resizeAreaCompensation() const { return m_resizeAreaCompensation; }
    bool automaticallyAnimates() const { return m_automaticallyAnimates; }
    void setAutomaticallyAnimates(bool value) { m_automaticallyAnimates = value; }
    int tearOffStyle() const { return m_tearOffStyle; }
    void setTearOffStyle(int value) { m_tearOffStyle = value; }
    bool allowsBackgroundTabClosing() const { return m_allowsBackgroundTabClosing; }
    void setAllowsBackgroundTabClosing(bool value) { m_allowsBackgroundTabClosing = value; }
    bool selectsTabsOnMouseDown() const { return m_selectsTabsOnMouseDown; }
    void setSelectsTabsOnMouseDown(bool value) { m_selectsTabsOnMouseDown = value; }
    bool allowsResizing() const { return m_allowsResizing; }
    void setAllowsResizing(bool value) { m_allowsResizing = value; }
    bool isResizing() const { return m_resizing; }
    int cellMinWidth() const { return m_cellMinWidth; }
    void setCellMinWidth(int value);
    int cellMaxWidth() const { return m_cellMaxWidth; }
    void setCellMaxWidth(int value);
    int cellOptimumWidth() const { return m_cellOptimumWidth; }
    void setCellOptimumWidth(int value);
    int tabBarWidth() const { return m_tabBarWidth; }
    QWidget *partnerView() const { return m_partnerView; }
    void setPartnerView(QWidget *view) { m_partnerView = view; }
    bool isAwake() const { return m_awakenedFromNib; }
    // A copy of the last mouse-down (null before the first).
    const QMouseEvent *lastMouseDownEvent() const { return m_lastMouseDownEvent.get(); }
    void setLastMouseDownEvent(const QMouseEvent *event);

    VTRolloverButton *addTabButton() const { return m_addTabButton; }
    VTOverflowPopUpButton *overflowPopUpButton() const { return m_overflowPopUpButton; }
    VTTabBarController *controller() const { return m_controller.get(); }
    platform::TrackingAreas *trackingAreas() const { return m_tracking; }
    bool isTabBarHidden() const { return m_isHidden; }
    bool isAnimating() const { return m_animationTimer != nullptr; }

    // ---- Geometry ----
    qreal availableCellWidth() const;
    QRectF genericCellRect() const;
    VTTabBarCell *cellForPoint(const QPointF &point, QRectF *cellFrame = nullptr) const;
    std::vector<platform::TabViewItemPtr> representedTabViewItems() const;
    // Null when the bar has no cell or its first cell overflowed.
    VTTabBarCell *lastVisibleTab() const;
    int numberOfVisibleTabs() const;

    // ---- Cells ----
    void awakeFromNib();
    void addTabViewItem(const platform::TabViewItemPtr &item);
    void removeTabForCell(VTTabBarCell *cell);
    void bindPropertiesForCell(VTTabBarCell *cell, const platform::TabViewItemPtr &item);

    // ---- Layout ----
    void updateTabBar() { updateTabBar(m_automaticallyAnimates); }
    void updateTabBar(bool animate);
    // One updateTabBar() from the event loop, however often this is called in a pass.
    void scheduleUpdate();
    bool hasScheduledUpdate() const { return m_updateScheduled; }
    // Hiding and showing of the bar; does nothing until the bar is awake.
    void hideTabBar(bool hide, bool animate);
    // The step of the running show or hide (0..3), -1 when none runs.
    int currentShowHideStep() const { return m_currentStep; }
    bool isShowHideRunning() const { return m_currentStep != -1; }

    // ---- Container sizing ----
    QSizeF minimumFrameSizeFromKnobPosition(int) const { return QSizeF(100, 22); }
    QSizeF maximumFrameSizeFromKnobPosition(int) const { return QSizeF(10000, 22); }
    void placeView(const QRect &frame);

    // ---- Actions ----
    // A tab chosen from the overflow menu, a tab clicked, scrubbed or pressed through
    // accessibility: the tab view selects its item.
    void overflowMenuAction(platform::TabViewItem *item);
    void tabClick(VTTabBarCell *cell);

    // ---- The tab view's delegate ----
    bool tabViewShouldSelectTabViewItem(platform::TabView *tabView, platform::TabViewItem *item) override;
    void tabViewWillSelectTabViewItem(platform::TabView *tabView, platform::TabViewItem *item) override;
    void tabViewDidSelectTabViewItem(platform::TabView *tabView, platform::TabViewItem *item) override;
    void tabViewDidChangeNumberOfTabViewItems(platform::TabView *tabView) override;

    // ---- Archive (VTTabBarControlCoding.cpp) ----
    void encodeWithCoder(platform::Coder &coder) const;
    bool initWithCoder(platform::Coder &coder);
    // The archived objects a decoded control refers to (null otherwise).
    const platform::CodingPtr &archivedTabView() const { return m_archivedTabView; }
    const platform::CodingPtr &archivedPartnerView() const { return m_archivedPartnerView; }
    const platform::CodingPtr &archivedDelegate() const { return m_archivedDelegate; }

    // The window-frame check: room for the window's resize indicator.
    void checkWindowFrame();

    // ---- Mouse input, drops and spring-loading (VTTabBarControlInput.cpp) ----
    // Command is Ctrl, Option is Alt. Points are in the control's coordinates.
    static constexpr qreal DragStartDistance = 10;
    static constexpr double DefaultSpringingDelay = platform::SpringLoading::DefaultDelay;
    static inline const QString SpringingDelayKey = platform::SpringLoading::DelayKey;
    // A foreign drag resting over a tab selects it after springingDelay(): the user
    // default "SpringingDelayMilliseconds" / 1000 when set, else 0.668 s. The space bar
    // (no modifier) selects it at once, also when the drag arrives with the space bar
    // already down and no delay is counting yet.
    static double springingDelay();
    void closeTabClick(VTTabBarCell *cell);
    void tabNothing(VTTabBarCell *) {}
    bool isClosePressed() const { return m_closeClicked; }
    bool didDrag() const { return m_didDrag; }
    QTimer *springTimer() const { return m_springTimer.get(); }
    // What the spring timer does when it fires; a timer other than the control's own
    // is logged as an internal inconsistency and changes nothing.
    void fireSpring(QTimer *timer);
    // The context menu of the tab under a point (null: none) and its tool tip.
    QMenu *menuForPoint(const QPointF &point);
    std::optional<QString> toolTipForPoint(const QPointF &point);
    // The state and enabled answer of an overflow menu item.
    bool validateMenuItem(QAction *action);

    // A tab drag is this process's drag session run by the tab drag assistant.
    static bool isTabDrag(const platform::DragInfo &info);
    Qt::DropAction dragEntered(const platform::DragInfo &info) override;
    Qt::DropAction dragUpdated(const platform::DragInfo &info) override;
    void dragExited(const platform::DragInfo &info) override;
    bool prepareForDrop(const platform::DragInfo &info) override;
    bool performDrop(const platform::DragInfo &info) override;
    Qt::DropActions draggingSourceOperationMask(bool local) override;
    void draggedImageBeganAt(platform::DragSession &session, QPoint screenPoint) override;
    void draggedImageMovedTo(platform::DragSession &session, QPoint screenPoint) override;
    void draggedImageEndedAt(platform::DragSession &session, QPoint screenPoint, Qt::DropAction operation) override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // Lets the decoded cells stand for the decoded tab view's items, in order.
    void representDecodedItems();
    Qt::DropAction tabDragAnswer(const platform::DragInfo &info, bool entering);
    void cancelSpring();
    bool closeAllowedFor(const VTTabBarCell *cell) const;
    bool isSelectedItemOf(const VTTabBarCell *cell) const;

    friend class VTTabDragAssistant; // moves cells in and out during a tab drag
    struct CellBinding;

    void positionOverflowMenu();
    // The tool tip of a shown cell.
    struct CellToolTip
    {
        const VTTabBarCell *address = nullptr;
        std::weak_ptr<VTTabBarCell> cell; // tells a cell from a later one at its address
        int tag = 0;
    };
    // One pass over the shown cells' tracking rectangles and tool tips: where the
    // pointer is, the tool tips of the pass before (in the cells' order then) and the
    // first of them not yet met, and the last tags placed (each list keeps the cells'
    // order).
    struct TrackingPass
    {
        QPointF mouse;
        bool underMouse = false;
        std::vector<CellToolTip> &before;
        size_t next = 0;
        int lastTrackingTag = 0;
        int lastToolTipTag = 0;
    };
    // The shown cells among the first end (stopping at the first in the menu when
    // untilTheMenu) get their rectangles; the tool tips of other cells go.
    void setupTrackingRectsOfShownCells(qsizetype end, bool untilTheMenu);
    // The cell at index i of the cells.
    void setupTrackingRectsForCell(VTTabBarCell *cell, qsizetype i, TrackingPass &pass);
    // The rectangle of the tag moved in place, or installed anew; answers its tag.
    int placeTrackingRect(int tag, VTTabBarCell *cell, const QRectF &rect, bool inside, TrackingPass &pass);
    void connectOverflowPopUpButton();
    // Gives the pull-down the last layout's menu (built now when not yet built).
    void handOverOverflowMenu();
    void removeTrackingRectsOfCell(VTTabBarCell *cell);
    void animateCells(const QList<QRectF> &targets);
    void stopCellAnimation();
    void frameDidChange();
    void hoverCell(VTTabBarCell *cell, const QPointF &mouse);
    QPointF mouseLocation() const;
    qsizetype indexOfCell(const VTTabBarCell *cell) const;
    qsizetype indexOfCellForItem(const platform::TabViewItem *item) const;
    // Where a new item's cell goes so that the cells keep the tab view's order.
    qsizetype cellIndexForNewItem(const platform::TabViewItem *item) const;
    void unbindCell(VTTabBarCell *cell);
    void insertCellForItem(const platform::TabViewItemPtr &item, qsizetype index);
    void removeCellAt(qsizetype index);
    // Brings the cells in step with the tab view: one item added or removed (answers
    // false when the change is not that), or any change.
    bool followOneChange(platform::TabView *tabView);
    void followEveryChange(platform::TabView *tabView);
    void watchWindow();

    // ---- Show and hide (VTTabBarControlHiding.cpp) ----
    // Start and target of a change along the orientation's axis (x and width, or y
    // and height) in unflipped superview or screen space, and whom they move.
    struct ShowHideFrames
    {
        double myOriginalOrigin = 0, partnerOriginalOrigin = 0, myOriginalSize = 0, partnerOriginalSize = 0;
        double myTargetOrigin = 0, partnerTargetOrigin = 0, myTargetSize = 0, partnerTargetSize = 0;
        QPointer<QWidget> neighbour;
        bool neighbourIsWindow = false;
        bool vertical = false;
    };
    void animateShowHide();
    void windowDidUpdate();
    void scheduleFirstWindowUpdate();
    void finishShowHideAtOnce();

    Cells m_cells;
    QPointer<platform::TabView> m_tabView;
    QPointer<VTOverflowPopUpButton> m_overflowPopUpButton;
    QPointer<VTRolloverButton> m_addTabButton;
    std::unique_ptr<VTTabBarController> m_controller;
    std::unique_ptr<QTimer> m_springTimer;
    platform::TabViewItem *m_tabViewItemWithSpring = nullptr;
    std::shared_ptr<VTTabStyle> m_style;
    bool m_canCloseOnlyTab = false;
    bool m_disableTabClose = false;
    bool m_hideForSingleTab = false;
    bool m_showAddTabButton = false;
    bool m_sizeCellsToFit = false;
    bool m_useOverflowMenu = true;
    bool m_alwaysShowActiveTab = false;
    bool m_allowsScrubbing = false;
    int m_resizeAreaCompensation = 0;
    int m_orientation = 0;
    bool m_automaticallyAnimates = false;
    std::unique_ptr<QTimer> m_animationTimer;
    int m_tearOffStyle = 0;
    bool m_allowsBackgroundTabClosing = true;
    bool m_selectsTabsOnMouseDown = false;
    bool m_allowsResizing = false;
    bool m_resizing = false;
    int m_cellMinWidth = 100;
    int m_cellMaxWidth = 280;
    int m_cellOptimumWidth = 130;
    int m_currentStep = -1;
    bool m_isHidden = false;
    QPointer<QWidget> m_partnerView;
    bool m_awakenedFromNib = false;
    int m_tabBarWidth = 0;
    std::unique_ptr<QTimer> m_showHideAnimationTimer;
    std::unique_ptr<ShowHideFrames> m_showHideFrames;
    bool m_windowUpdatePending = false;
    platform::CodingPtr m_archivedTabView;
    platform::CodingPtr m_archivedPartnerView;
    platform::CodingPtr m_archivedDelegate;
    std::unique_ptr<QMouseEvent> m_lastMouseDownEvent;
    bool m_didDrag = false;
    bool m_closeClicked = false;
    QPointF m_lastResizePoint;
    QPointF m_springLocation;
    VTTabBarControlDelegate *m_delegate = nullptr;

    QStringList m_draggedTypes;
    platform::TrackingAreas *m_tracking = nullptr;
    std::unique_ptr<platform::TimedAnimation> m_animation;
    QHash<const VTTabBarCell *, std::shared_ptr<CellBinding>> m_bindings;
    // The tool tips of the shown cells in their order, and those of the pass before.
    std::vector<CellToolTip> m_toolTips;
    std::vector<CellToolTip> m_toolTipsBefore;
    QPointer<QWidget> m_watchedWindow;
    bool m_updateScheduled = false;
};
