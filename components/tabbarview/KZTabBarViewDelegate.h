#pragma once
// What a tab bar asks and tells its delegate. Every operation is optional: the
// defaults do what a bar without a delegate does. An operation whose answer changes
// the bar's behaviour when "not implemented" answers std::optional (empty: not
// implemented); the bar then takes its own default (selection and overflow items are
// allowed, closing and dragging go ahead, a tab may not leave its bar).
//
// The tab view argument is always the bar's own tab view. The bar does not own its
// delegate. A delegate that can be written to an archive answers
// codingForArchive() (the object the archive holds and reads back); any other is
// left out of archives. Main thread only.
#include "platform/archive/Coding.h"
#include "platform/layers/DragInfo.h"

#include <QImage>
#include <QPoint>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <optional>

class QAction;
class QMenu;
class KZTabBarView;

namespace platform {
class TabView;
class TabViewItem;
} // namespace platform

class KZTabBarViewDelegate
{
public:
    using TabView = platform::TabView;
    using TabViewItem = platform::TabViewItem;

    virtual ~KZTabBarViewDelegate() = default;

    // ---- Selection and the number of items (passed on from the tab view) ----
    virtual std::optional<bool> tabViewShouldSelectTabViewItem(TabView *, TabViewItem *) { return {}; }
    virtual void tabViewWillSelectTabViewItem(TabView *, TabViewItem *) {}
    virtual void tabViewDidSelectTabViewItem(TabView *, TabViewItem *) {}
    virtual void tabViewDidChangeNumberOfTabViewItems(TabView *) {}

    // ---- Closing ----
    virtual std::optional<bool> tabViewShouldCloseTabViewItem(TabView *, TabViewItem *) { return {}; }
    virtual void tabViewWillCloseTabViewItem(TabView *, TabViewItem *) {}
    virtual void tabViewDidCloseTabViewItem(TabView *, TabViewItem *) {}
    // The update pass found a tab whose item left the tab view; the tab goes next.
    virtual void tabViewDidDetachTabViewItem(TabView *, TabViewItem *) {}
    // true: the tab shows no close button.
    virtual bool tabViewDisableTabCloseForTabViewItem(TabView *, TabViewItem *) { return false; }

    // ---- Adding, menus, tool tips ----
    virtual void addNewTabToTabView(TabView *) {}
    // The context menu of a tab (not owned by the bar), or null for none.
    virtual QMenu *tabViewMenuForTabViewItem(TabView *, TabViewItem *) { return nullptr; }
    virtual std::optional<bool> tabViewValidateOverflowMenuItem(TabView *, QAction *, TabViewItem *) { return {}; }
    virtual void tabViewTabViewItemIsInOverflowMenu(TabView *, TabViewItem *, bool) {}
    virtual std::optional<QString> tabViewToolTipForTabViewItem(TabView *, TabViewItem *) { return {}; }

    // ---- Hiding ----
    virtual void tabViewTabBarViewDidHide(TabView *, KZTabBarView *) {}
    virtual void tabViewTabBarViewDidUnhide(TabView *, KZTabBarView *) {}

    // ---- Dragging ----
    virtual std::optional<bool> tabViewShouldDragTabViewItem(TabView *, TabViewItem *, KZTabBarView *) { return {}; }
    virtual std::optional<bool> tabViewShouldAllowTabViewItemToLeaveTabBarView(TabView *, TabViewItem *,
                                                                                KZTabBarView *) { return {}; }
    virtual std::optional<QStringList> allowedDraggedTypesForTabView(TabView *) { return {}; }
    // Each step of a slide inside the source bar: false refuses the proposed index.
    virtual std::optional<bool> tabViewValidateSlideOfProposedItem(TabView *, TabViewItem *, int /*proposedIndex*/,
                                                                   KZTabBarView *) { return {}; }
    // The picture of a tab's content for a detached drag; fills the offset of the tab's
    // picture inside it and a style mask (0 borderless, else titled).
    virtual std::optional<QImage> tabViewImageForTabViewItem(TabView *, TabViewItem *, QSizeF & /*offset*/,
                                                             unsigned & /*styleMask*/) { return {}; }
    // Asked of the bar under a tab drag: Qt::IgnoreAction refuses the bar.
    virtual std::optional<Qt::DropAction> tabViewValidateDrop(TabView *, const platform::DragInfo &, TabViewItem *,
                                                              int /*proposedIndex*/, KZTabBarView *) { return {}; }
    // Told to the source bar's delegate after a drop that changed bar or place, and
    // after a tear-off into a new bar.
    virtual void tabViewDidDropTabViewItem(TabView *, TabViewItem *, KZTabBarView *) {}
    // A tab released outside every bar (screen point): the bar to put it in, or null.
    // Empty: not implemented (tabs cannot be torn off).
    virtual std::optional<KZTabBarView *> tabViewNewTabBarViewForDraggedTabViewItem(TabView *, TabViewItem *,
                                                                                   QPoint) { return {}; }
    // Whether tabViewNewTabBarViewForDraggedTabViewItem is implemented (asked before a
    // drag of the only tab hides its window).
    virtual bool implementsNewTabBarViewForDraggedTabViewItem() const { return false; }
    // A finished drag left the source tab view empty.
    virtual void tabViewCloseWindowForLastTabViewItem(TabView *, TabViewItem *) {}
    // A foreign drag dropped on a tab: whether it was taken.
    virtual std::optional<bool> tabViewAcceptedDraggingInfo(TabView *, const platform::DragInfo &, TabViewItem *)
    {
        return {};
    }

    // ---- Archiving ----
    virtual platform::CodingPtr codingForArchive() const { return {}; }
};
