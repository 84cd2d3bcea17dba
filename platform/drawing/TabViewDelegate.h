#pragma once
// What a TabView asks and tells its delegate. Every operation has a default that
// does what a tab view without a delegate does, so a delegate overrides only what it
// needs. The tab view does not own its delegate. Main thread only.
namespace platform {

class TabView;
class TabViewItem;

class TabViewDelegate
{
public:
    virtual ~TabViewDelegate() = default;

    // Whether the item may become the selected one (default yes).
    virtual bool tabViewShouldSelectTabViewItem(TabView *tabView, TabViewItem *item) { return true; }
    // Before and after the selection changes to the item.
    virtual void tabViewWillSelectTabViewItem(TabView *tabView, TabViewItem *item) {}
    virtual void tabViewDidSelectTabViewItem(TabView *tabView, TabViewItem *item) {}
    // After an item was added or removed.
    virtual void tabViewDidChangeNumberOfTabViewItems(TabView *tabView) {}
};

} // namespace platform
