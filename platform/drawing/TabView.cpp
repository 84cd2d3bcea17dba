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
    const auto found = std::find_if(m_items.begin(), m_items.end(),
                                    [item](const TabViewItemPtr &held) { return held.get() == item; });
    return found == m_items.end() ? -1 : static_cast<int>(found - m_items.begin());
}

void TabView::addTabViewItem(const TabViewItemPtr &item)
{
    insertTabViewItem(item, numberOfTabViewItems());
}

bool TabView::insertTabViewItem(const TabViewItemPtr &item, int index)
{
    if (!item || index < 0 || indexOfTabViewItem(item.get()) >= 0)
        return false;
    if (TabView *other = item->tabView())
        other->removeTabViewItem(item.get());
    index = std::min(index, numberOfTabViewItems());
    m_items.insert(m_items.begin() + index, item);
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
    release(*held);
    if (wasSelected) {
        m_selected.reset();
        if (!m_items.empty())
            selectTabViewItemAtIndex(std::min(index, numberOfTabViewItems() - 1));
        else
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
    m_selected = target;
    showSelectedView();
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
    showSelectedView();
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

void TabView::showSelectedView()
{
    const TabViewItemPtr selected = selectedTabViewItem();
    for (const TabViewItemPtr &item : m_items) {
        QWidget *view = item->view();
        if (!view)
            continue;
        if (item == selected) {
            view->setGeometry(rect());
            view->show();
        } else {
            view->hide();
        }
    }
}

void TabView::numberChanged()
{
    if (m_delegate)
        m_delegate->tabViewDidChangeNumberOfTabViewItems(this);
    Q_EMIT numberOfTabViewItemsChanged();
}

} // namespace platform
