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
// items carry their tab view items (see itemOfAction()). A layout only notes which
// items overflow (and tells the delegate); the menu is built from that note when it
// is first asked for after the layout (overflowMenu(), which the pull-down asks when
// it is about to open), so a pass costs no menu item per overflowing tab. Titles are
// taken then, as the tabs show them. Icons of identifiers that have one are set when
// the menu is about to show.
//
// Owned by its bar (a plain reference back); owns the current menu. GUI thread only.
// A width computation that cannot fit even the minimum widths logs its failure and
// keeps the widths it has.
#include "platform/drawing/TabViewItem.h"

#include <QString>
#include <functional>
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

    // The overflow menu of the last layout (built now when the layout has not been
    // asked for it yet), or null when every tab fits.
    QMenu *overflowMenu();
    // Whether the last layout sent tabs to the overflow menu (builds nothing).
    bool hasOverflowMenu() const { return !m_overflowItems.empty(); }
    // Counts the layouts whose menu was built (each build replaces the menu).
    int overflowMenuBuilds() const { return m_menuBuilds; }
    // An item of the tab view that has no button yet, with its index there.
    struct PendingItem
    {
        platform::TabViewItemPtr item;
        int index = 0;
    };
    // Lays out the bar's buttons and the pending items in item order. A pending item
    // gets its button (KZTabBarView::insertAttachedButtonForTabViewItem) only when the
    // width computation reaches it; the items past the shown ones go to the overflow
    // menu without one, so a pass over many overflowing tabs makes and drops no widget
    // for them.
    void layoutButtons(std::vector<PendingItem> pending = {});

    std::vector<double> generateWidthsFromAttachedButtons(const std::vector<KZAttachedTabBarButton *> &buttons);
    // Lowers entries by whole points toward the minimum; answers the points taken.
    static int shrinkWidths(std::vector<double> &widths, int minimum, double available);
    void setupAttachedButtons(const std::vector<KZAttachedTabBarButton *> &buttons, const std::vector<double> &widths);
    // Notes the item for the overflow menu and tells the delegate it is there.
    void addItemToOverflowMenu(const platform::TabViewItemPtr &item);
    // The tab view item an overflow menu action stands for (held by the tab view, or null).
    platform::TabViewItemPtr itemOfAction(const QAction *action) const;
    // Sets each item's icon from its identifier's "icon" (run when the menu shows).
    void updateOverflowMenuItems();

    static constexpr int MenuTitleLength = 60;
    // The title a button bound to the item shows: its identifier's "title" when it
    // has one (the item's label then follows it, as a bound button makes it), else the
    // item's label.
    static QString titleOfTabViewItem(platform::TabViewItem &item);

private:
    using ButtonAt = std::function<KZAttachedTabBarButton *(size_t)>;
    struct Slot
    {
        KZAttachedTabBarButton *button = nullptr;
        platform::TabViewItemPtr item;
        int index = 0;
    };
    struct OverflowEntry
    {
        KZAttachedTabBarButton *button = nullptr; // null: the item has no button
        platform::TabViewItemPtr item;
    };
    std::vector<double> generateWidths(size_t n, const ButtonAt &buttonAt);
    void setupButtons(size_t shown, const ButtonAt &buttonAt, const std::vector<double> &widths,
                      const std::vector<OverflowEntry> &rest);

    void buildOverflowMenu();

    KZTabBarView *m_bar;
    // The items the last layout sent to the menu, in menu order; the menu built from
    // them (null until asked for) and its actions' items.
    std::vector<std::weak_ptr<platform::TabViewItem>> m_overflowItems;
    std::unique_ptr<QMenu> m_overflowMenu;
    bool m_menuBuilt = false;
    int m_menuBuilds = 0;
    std::vector<std::pair<QAction *, std::weak_ptr<platform::TabViewItem>>> m_items;
};
