#pragma once
// A tab view without tabs of its own: it holds an ordered list of TabViewItems and
// shows the selected item's view over its whole area. Something else (a tab bar)
// draws the tabs and asks the tab view to select.
//
// Selection: selecting an item asks the delegate whether it may
// (tabViewShouldSelectTabViewItem), tells it before and after, and shows that item's
// view; adding the first item selects it; removing the selected item selects the one
// that took its place (or the new last one); when the delegate refuses that one,
// nothing is selected. Every change of the selected item, to nothing as well, emits
// selectionChanged once. Adding or removing an item tells the delegate that the
// number changed (and emits numberOfTabViewItemsChanged once). Selecting the selected
// item again does nothing.
//
// Ownership: items are shared (TabViewItemPtr) and belong to one tab view at a time:
// adding an item that is in another tab view takes it out of that one first. The
// views of the held items are child widgets of the tab view while they are held and
// are handed back to their items (no parent) when removed or when the tab view is
// destroyed. The delegate is not owned. Main thread only. Failure: an index out of
// range or an item that is not held is refused (null, -1 or false), never undefined;
// an item is looked for by its address alone, so the address of an item gone since
// is simply not held.
//
// Cost: finding an item's index, removing an item and changing the selection do
// not visit every item. Membership is a hash of addresses; each item keeps its index,
// renumbered lazily from the first place an insertion or removal moved (a removal
// at either end and the lookups after it cost what they touch); a selection change
// hides the old item's view and shows the new one's. An insertion or removal shifts
// the items between its place and the nearer end of the list.
#include "platform/drawing/TabViewItem.h"

#include <QWidget>
#include <deque>
#include <unordered_set>

namespace platform {

class TabViewDelegate;

class TabView : public QWidget
{
    Q_OBJECT
public:
    explicit TabView(QWidget *parent = nullptr);
    ~TabView() override;

    TabViewDelegate *delegate() const { return m_delegate; }
    void setDelegate(TabViewDelegate *delegate) { m_delegate = delegate; }

    // The items in order; a double-ended queue, so an item leaves either end at once.
    using Items = std::deque<TabViewItemPtr>;

    int numberOfTabViewItems() const { return static_cast<int>(m_items.size()); }
    const Items &tabViewItems() const { return m_items; }
    TabViewItemPtr tabViewItemAtIndex(int index) const;
    // The index of the item, -1 when it is not held.
    int indexOfTabViewItem(const TabViewItem *item) const;

    void addTabViewItem(const TabViewItemPtr &item);
    // An index past the end appends; a negative one is refused.
    bool insertTabViewItem(const TabViewItemPtr &item, int index);
    bool removeTabViewItem(const TabViewItem *item);

    TabViewItemPtr selectedTabViewItem() const { return m_selected.lock(); }
    // Answers whether the item is now the selected one.
    bool selectTabViewItem(const TabViewItem *item);
    bool selectTabViewItemAtIndex(int index);

Q_SIGNALS:
    void selectionChanged();
    void numberOfTabViewItemsChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class TabViewItem;
    void itemViewChanged(TabViewItem *item);
    void adopt(TabViewItem &item);
    void release(TabViewItem &item);
    void showView(TabViewItem &item);
    void numberChanged();

    Items m_items;
    std::unordered_set<const TabViewItem *> m_held;
    // The items before this place know their index (TabViewItem::m_index); the
    // others are renumbered when one of them is looked for.
    mutable int m_indexedUpTo = 0;
    std::weak_ptr<TabViewItem> m_selected;
    TabViewDelegate *m_delegate = nullptr;
};

} // namespace platform
