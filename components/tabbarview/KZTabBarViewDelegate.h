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

    // ---- Archiving ----
    virtual platform::CodingPtr codingForArchive() const { return {}; }
};
