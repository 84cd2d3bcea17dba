#include "components/tabbarview/KZTabBarView.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZTabStyle.h"
#include "platform/drawing/TabView.h"

#include <algorithm>

KZTabBarView::KZTabBarView(QWidget *parent)
    : QWidget(parent)
{
}

KZTabBarView::~KZTabBarView() = default;

void KZTabBarView::setStyle(std::shared_ptr<KZTabStyle> style)
{
    m_style = std::move(style);
    if (m_style) {
        const bool horizontal = m_style->supportsOrientation(Horizontal, this).value_or(true);
        const bool vertical = m_style->supportsOrientation(Vertical, this).value_or(true);
        if (m_orientation == Horizontal && !horizontal)
            m_orientation = Vertical;
        else if (m_orientation == Vertical && !vertical)
            m_orientation = Horizontal;
    }
    for (KZAttachedTabBarButton *button : attachedButtons())
        button->setStyle(m_style);
    update();
}

void KZTabBarView::setOrientation(unsigned orientation)
{
    m_orientation = orientation == Vertical ? Vertical : Horizontal;
    update();
}

void KZTabBarView::setTabBarHidden(bool hidden)
{
    m_tabBarHidden = hidden;
    updateTabBar();
}

void KZTabBarView::setOnlyShowCloseOnHover(bool only)
{
    m_onlyShowCloseOnHover = only;
    updateTabBar();
}

void KZTabBarView::setAllowsScrubbing(bool allows)
{
    m_allowsScrubbing = allows;
    for (KZAttachedTabBarButton *button : attachedButtons())
        button->setSimulateClickOnMouseHovered(allows);
}

std::vector<KZAttachedTabBarButton *> KZTabBarView::attachedButtons() const
{
    std::vector<KZAttachedTabBarButton *> buttons;
    for (QObject *child : children()) {
        if (auto *button = qobject_cast<KZAttachedTabBarButton *>(child))
            buttons.push_back(button);
    }
    const bool vertical = m_orientation == Vertical;
    std::stable_sort(buttons.begin(), buttons.end(), [vertical](const QWidget *a, const QWidget *b) {
        return vertical ? a->y() < b->y() : a->x() < b->x();
    });
    return buttons;
}

KZAttachedTabBarButton *KZTabBarView::selectedAttachedButton() const
{
    for (KZAttachedTabBarButton *button : attachedButtons()) {
        if (button->state() == platform::Cell::State::On)
            return button;
    }
    return nullptr;
}

void KZTabBarView::updateTabBar()
{
    ++m_updateCount;
    for (QObject *child : children()) {
        if (auto *button = qobject_cast<KZTabBarButton *>(child))
            button->calcSize();
    }
    update();
    Q_EMIT tabBarUpdated();
}

QMenu *KZTabBarView::menuForTabBarButton(KZTabBarButton *, QContextMenuEvent *)
{
    return nullptr;
}

bool KZTabBarView::shouldStartDraggingAttachedTabBarButton(KZAttachedTabBarButton *, QMouseEvent *)
{
    return false;
}

void KZTabBarView::startDraggingAttachedTabBarButton(KZAttachedTabBarButton *, QMouseEvent *)
{
}
