#pragma once
// What the tab bar control, its cells, its width controller and its drag assistant
// ask and tell their delegate. Every operation is optional: the defaults do what a
// control without a delegate does. An operation whose "not implemented" changes the
// control's behaviour answers std::optional (empty: not implemented) and the caller
// then takes its own default.
//
// The tab view argument is the control's tab view. The control does not own its
// delegate. Main thread only.
#include <QImage>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <optional>

class QAction;
class QMenu;
class QMimeData;
class VTTabBarControl;

namespace platform {
class TabView;
class TabViewItem;
} // namespace platform

class VTTabBarControlDelegate
{
public:
    using TabView = platform::TabView;
    using TabViewItem = platform::TabViewItem;

    virtual ~VTTabBarControlDelegate() = default;

    // ---- Passed on from the tab view ----
    virtual std::optional<bool> tabViewShouldSelectTabViewItem(TabView *, TabViewItem *) { return {}; }
    virtual void tabViewWillSelectTabViewItem(TabView *, TabViewItem *) {}
    virtual void tabViewDidSelectTabViewItem(TabView *, TabViewItem *) {}
    virtual void tabViewDidChangeNumberOfTabViewItems(TabView *) {}
    // An item left the tab view; its cell is removed next.
    virtual void tabViewDidCloseTabViewItem(TabView *, TabViewItem *) {}

    // ---- The control ----
    // Extra dragged types the control accepts besides its own.
    virtual std::optional<QStringList> allowedDraggedTypesForTabView(TabView *) { return {}; }
    virtual std::optional<qreal> desiredWidthForVerticalTabBar(VTTabBarControl *) { return {}; }
    virtual void tabViewTabBarDidHide(TabView *, VTTabBarControl *) {}
    virtual void tabViewTabBarDidUnhide(TabView *, VTTabBarControl *) {}
    virtual void tabViewTabViewItemIsInOverflowMenu(VTTabBarControl *, TabViewItem *, bool) {}
    virtual std::optional<bool> tabViewDisableTabCloseForTabViewItem(TabView *, TabViewItem *) { return {}; }
    // The word after the count in a tab's accessibility help ("3 messages").
    virtual std::optional<QString> accessibilityStringForTabViewObjectCount(TabView *, int) { return {}; }

    // ---- Input ----
    virtual std::optional<bool> tabViewShouldCloseTabViewItem(TabView *, TabViewItem *) { return {}; }
    virtual QMenu *tabViewMenuForTabViewItem(TabView *, TabViewItem *) { return nullptr; }
    virtual std::optional<QString> tabViewToolTipForTabViewItem(TabView *, TabViewItem *) { return {}; }
    virtual std::optional<bool> tabViewValidateOverflowMenuItemForTabViewItem(TabView *, QAction *, TabViewItem *) { return {}; }
    virtual void tabViewAcceptedDraggingInfoOnTabViewItem(TabView *, const QMimeData *, TabViewItem *) {}

    // ---- Dragging ----
    virtual std::optional<bool> tabViewShouldDragTabViewItemFromTabBar(TabView *, TabViewItem *, VTTabBarControl *) { return {}; }
    virtual std::optional<bool> tabViewShouldDropTabViewItemInTabBar(TabView *, TabViewItem *, VTTabBarControl *) { return {}; }
    virtual std::optional<bool> tabViewShouldAllowTabViewItemToLeaveTabBar(TabView *, TabViewItem *, VTTabBarControl *) { return {}; }
    // A new bar (in a new window) for a tab dropped outside every bar, or null.
    // Empty: not implemented (the tab may then not leave every bar); a null answer
    // puts the tab back.
    virtual std::optional<VTTabBarControl *> tabViewNewTabBarForDraggedTabViewItemAtPoint(TabView *, TabViewItem *, const QPointF &) { return {}; }
    // Whether the delegate can make new bars (asked before a drag leaves its bar).
    virtual bool canMakeNewTabBarForDraggedTabViewItem() const { return false; }
    // A dragged tab landed in another bar or at another place of its own bar.
    virtual void tabViewDidDropTabViewItemInTabBar(TabView *, TabViewItem *, VTTabBarControl *) {}
    virtual void tabViewCloseWindowForLastTabViewItem(TabView *, TabViewItem *) {}
    // The picture of a dragged tab's window; offset and style mask are written back.
    virtual std::optional<QImage> tabViewImageForTabViewItem(TabView *, TabViewItem *, QPointF *offset, unsigned *styleMask) { return {}; }
};
