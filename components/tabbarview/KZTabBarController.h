#pragma once
// The layout of a tab bar: how wide each attached button is, which tabs go to the
// overflow menu and that menu itself.
//
// Widths: in a horizontal bar one width per shown button (whole points), computed
// from scratch on every layout from the optimum width (or each button's desired
// width, capped at the maximum, when buttons are sized to fit); when the row is full
// the buttons share the room down to the minimum width, and the rest go to the
// overflow menu (the last shown button becomes the overflow button and shows the
// first of them). Without the overflow menu every button gets the same share. In a
// vertical bar the list holds each shown button's y.
//
// The overflow menu's first item is the empty title line of the pull-down; the other
// items carry their tab view items (QAction data: the item's address, see
// itemOfAction()). Icons of identifiers that have one are set when the menu is about
// to show.
//
// Owned by its bar (a plain reference back); owns the current menu. GUI thread only.
// A width computation that cannot fit even the minimum widths logs its failure and
// keeps the widths it has.
#include "platform/drawing/TabViewItem.h"

#include <QString>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class KZAttachedTabBarButton;
class KZTabBarView;

class KZTabBarController
{
public:
    explicit KZTabBarController(KZTabBarView *bar);
    ~KZTabBarController();

    // The current overflow menu, or null when every tab fits.
    QMenu *overflowMenu() const { return m_overflowMenu.get(); }
    void layoutButtons();

    std::vector<double> generateWidthsFromAttachedButtons(const std::vector<KZAttachedTabBarButton *> &buttons);
    // Lowers entries by whole points toward the minimum; answers the points taken.
    static int shrinkWidths(std::vector<double> &widths, int minimum, double available);
    void setupAttachedButtons(const std::vector<KZAttachedTabBarButton *> &buttons, const std::vector<double> &widths);
    void addItemToOverflowMenu(const platform::TabViewItemPtr &item, const QString &title);
    // The tab view item an overflow menu action stands for (held by the tab view, or null).
    platform::TabViewItemPtr itemOfAction(const QAction *action) const;
    // Sets each item's icon from its identifier's "icon" (run when the menu shows).
    void updateOverflowMenuItems();

    static constexpr int MenuTitleLength = 60;

private:
    KZTabBarView *m_bar;
    std::unique_ptr<QMenu> m_overflowMenu;
    std::vector<std::pair<QAction *, std::weak_ptr<platform::TabViewItem>>> m_items;
};
