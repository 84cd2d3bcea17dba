#pragma once
// A tab view without tabs of its own: it holds an ordered list of TabViewItems and
// shows the selected item's view over its whole area. Something else (a tab bar)
// draws the tabs and asks the tab view to select.
//
// Selection: selecting an item asks the delegate whether it may
// (tabViewShouldSelectTabViewItem), tells it before and after, and shows that item's
// view; adding the first item selects it; removing the selected item selects the one
// that took its place (or the new last one). Adding or removing an item tells the
// delegate that the number changed. Selecting the selected item again does nothing.
//
// Ownership: items are shared (TabViewItemPtr) and belong to one tab view at a time:
// adding an item that is in another tab view takes it out of that one first. The
// views of the held items are child widgets of the tab view while they are held and
// are handed back to their items (no parent) when removed or when the tab view is
// destroyed. The delegate is not owned. Main thread only. Failure: an index out of
// range or an item that is not held is refused (null, -1 or false), never undefined.
#include "platform/drawing/TabViewItem.h"

#include <QWidget>
#include <vector>

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

    int numberOfTabViewItems() const { return static_cast<int>(m_items.size()); }
    const std::vector<TabViewItemPtr> &tabViewItems() const { return m_items; }
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
    void showSelectedView();
    void numberChanged();

    std::vector<TabViewItemPtr> m_items;
    std::weak_ptr<TabViewItem> m_selected;
    TabViewDelegate *m_delegate = nullptr;
};

} // namespace platform
