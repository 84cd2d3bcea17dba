#pragma once
// What names a tab drag: the bar it started in, the dragged button (gone once the tab
// leaves its bar; the item stays), the tab's item and its index in the source bar when
// the drag started (NotFound until set). The drag session carries it as its local
// object; the title travels as the data of the private tab type, which no receiver
// reads.
//
// Owned by the drag assistant from the start of a drag until it finishes (after a drag
// that stayed a slide, until the next drag). Bar and button are held weakly. Main
// thread only; no failure cases.
#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZTabBarView.h"
#include "platform/drawing/TabViewItem.h"

#include <QObject>
#include <QPointer>

class KZTabPasteboardItem : public QObject
{
    Q_OBJECT
public:
    static constexpr int NotFound = -1;

    KZTabPasteboardItem() = default;

    KZTabBarView *sourceTabBar() const { return m_sourceTabBar; }
    void setSourceTabBar(KZTabBarView *bar) { m_sourceTabBar = bar; }
    KZAttachedTabBarButton *attachedTabBarButton() const { return m_attachedTabBarButton; }
    void setAttachedTabBarButton(KZAttachedTabBarButton *button) { m_attachedTabBarButton = button; }
    platform::TabViewItemPtr tabViewItem() const { return m_item; }
    void setTabViewItem(platform::TabViewItemPtr item) { m_item = std::move(item); }
    int sourceIndex() const { return m_sourceIndex; }
    void setSourceIndex(int index) { m_sourceIndex = index; }

private:
    QPointer<KZTabBarView> m_sourceTabBar;
    QPointer<KZAttachedTabBarButton> m_attachedTabBarButton;
    platform::TabViewItemPtr m_item;
    int m_sourceIndex = NotFound;
};
