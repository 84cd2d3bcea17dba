#include "platform/drawing/TabView.h"

#include "platform/drawing/TabViewDelegate.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <algorithm>

namespace platform {

TabView::TabView(QWidget *parent)
    : QWidget(parent)
{
}

TabView::~TabView()
{
    for (const TabViewItemPtr &item : m_items)
        release(*item);
}

TabViewItemPtr TabView::tabViewItemAtIndex(int index) const
{
    if (index < 0 || index >= numberOfTabViewItems())
        return nullptr;
    return m_items[static_cast<size_t>(index)];
}

int TabView::indexOfTabViewItem(const TabViewItem *item) const
{
    if (!item || !m_held.contains(item))
        return -1;
    const int known = item->m_index;
    if (known >= 0 && known < m_indexedUpTo && m_items[size_t(known)].get() == item)
        return known;
    // Its index went stale with a change before it: the items from the first stale
    // one up to it learn theirs.
    for (int k = m_indexedUpTo; k < numberOfTabViewItems(); ++k) {
        TabViewItem &held = *m_items[size_t(k)];
        held.m_index = k;
        if (&held == item) {
            m_indexedUpTo = k + 1;
            return k;
        }
    }
    return -1; // not reached: every held item is in the list
}

void TabView::addTabViewItem(const TabViewItemPtr &item)
{
    insertTabViewItem(item, numberOfTabViewItems());
}

bool TabView::insertTabViewItem(const TabViewItemPtr &item, int index)
{
    if (!item || index < 0 || m_held.contains(item.get()))
        return false;
    if (TabView *other = item->tabView())
        other->removeTabViewItem(item.get());
    index = std::min(index, numberOfTabViewItems());
    m_items.insert(m_items.begin() + index, item);
    m_held.insert(item.get());
    // The items before it keep their index; those after it moved on by one.
    if (m_indexedUpTo >= index) {
        item->m_index = index;
        m_indexedUpTo = index + 1;
    }
    adopt(*item);
    numberChanged();
    if (!selectedTabViewItem())
        selectTabViewItem(item.get());
    return true;
}

bool TabView::removeTabViewItem(const TabViewItem *item)
{
    const int index = indexOfTabViewItem(item);
    if (index < 0)
        return false;
    const TabViewItemPtr held = m_items[static_cast<size_t>(index)]; // keeps it alive here
    const bool wasSelected = selectedTabViewItem() == held;
    m_items.erase(m_items.begin() + index);
    m_held.erase(held.get());
    m_indexedUpTo = std::min(m_indexedUpTo, index);
    held->m_index = -1;
    release(*held);
    if (wasSelected) {
        m_selected.reset();
        // Nothing selected now (no item left, or the delegate refused the one that took
        // its place) is a change too.
        if (m_items.empty() || !selectTabViewItemAtIndex(std::min(index, numberOfTabViewItems() - 1)))
            Q_EMIT selectionChanged();
    }
    numberChanged();
    return true;
}

bool TabView::selectTabViewItem(const TabViewItem *item)
{
    const TabViewItemPtr target = tabViewItemAtIndex(indexOfTabViewItem(item));
    if (!target)
        return false;
    if (selectedTabViewItem() == target)
        return true;
    if (m_delegate && !m_delegate->tabViewShouldSelectTabViewItem(this, target.get()))
        return false;
    if (m_delegate)
        m_delegate->tabViewWillSelectTabViewItem(this, target.get());
    // Only the selected item's view shows: the old one hides, the new one shows (when
    // the delegate left the item in this tab view).
    if (const TabViewItemPtr old = selectedTabViewItem(); old && old->m_tabView == this && old->view())
        old->view()->hide();
    m_selected = target;
    if (target->m_tabView == this)
        showView(*target);
    if (m_delegate)
        m_delegate->tabViewDidSelectTabViewItem(this, target.get());
    Q_EMIT selectionChanged();
    return true;
}

bool TabView::selectTabViewItemAtIndex(int index)
{
    const TabViewItemPtr item = tabViewItemAtIndex(index);
    return item && selectTabViewItem(item.get());
}

void TabView::resizeEvent(QResizeEvent *event)
try {
    QWidget::resizeEvent(event);
    if (const TabViewItemPtr selected = selectedTabViewItem(); selected && selected->view())
        selected->view()->setGeometry(rect());
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

void TabView::itemViewChanged(TabViewItem *item)
{
    adopt(*item);
    if (selectedTabViewItem().get() == item)
        showView(*item);
}

void TabView::adopt(TabViewItem &item)
{
    item.m_tabView = this;
    if (QWidget *view = item.view()) {
        view->hide();
        view->setParent(this);
    }
}

void TabView::release(TabViewItem &item)
{
    item.m_tabView = nullptr;
    if (QWidget *view = item.view()) {
        view->hide();
        view->setParent(nullptr);
    }
}

void TabView::showView(TabViewItem &item)
{
    if (QWidget *view = item.view()) {
        view->setGeometry(rect());
        view->show();
    }
}

void TabView::numberChanged()
{
    if (m_delegate)
        m_delegate->tabViewDidChangeNumberOfTabViewItems(this);
    Q_EMIT numberOfTabViewItemsChanged();
}

} // namespace platform
