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
// taken then, as the tabs show them, and again at every opening (a label that changed
// with no pass since shows as it is), and so is the list: whatever the bar hides then
// (the overflow button's item and every item without a button), each once, also
// after a move of the bar's own that no pass followed. Icons of identifiers that have one are set when
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
    // The menu built since the last layout no longer lists what the bar hides (a
    // held tab stopped being the overflow button): the next ask builds it again.
    void overflowMenuOutdated();
    // Whether the last layout sent tabs to the overflow menu (builds nothing).
    bool hasOverflowMenu() const { return m_overflow.overflows; }
    // Counts the layouts whose menu was built (each build replaces the menu).
    int overflowMenuBuilds() const { return m_menuBuilds; }
    // Lays out the bar's buttons in item order; with itemsWithoutButtons, the row is
    // every item of the tab view (but the one whose button is out of the bar during a
    // drag), and an item without a button gets one
    // (KZTabBarView::insertAttachedButtonForTabViewItem) only when the width
    // computation reaches it. The row is walked only as far as the computation goes:
    // the items past the shown ones go to the overflow menu as a range of the tab view,
    // without a button and without being visited (unless a delegate hears of each), so
    // a pass costs what the shown tabs cost, however many overflow.
    void layoutButtons(bool itemsWithoutButtons = false);

    std::vector<double> generateWidthsFromAttachedButtons(const std::vector<KZAttachedTabBarButton *> &buttons);
    // Lowers entries by whole points toward the minimum; answers the points taken.
    static int shrinkWidths(std::vector<double> &widths, int minimum, double available);
    void setupAttachedButtons(const std::vector<KZAttachedTabBarButton *> &buttons, const std::vector<double> &widths);
    // The tab view item an overflow menu action stands for (held by the tab view, or null).
    platform::TabViewItemPtr itemOfAction(const QAction *action) const;
    // Sets each item's icon from its identifier's "icon" (run when the menu shows).
    void updateOverflowMenuItems();
    // Gives the menu's items the titles their tabs show now (a label may have changed
    // since the menu was built, with no pass since); the pull-down asks when it opens.
    void updateOverflowMenuTitles();

    static constexpr int MenuTitleLength = 60;
    // The title a button bound to the item shows: its identifier's "title" when it
    // has one (the item's label then follows it, as a bound button makes it), else the
    // item's label.
    static QString titleOfTabViewItem(platform::TabViewItem &item);

private:
    using ButtonAt = std::function<KZAttachedTabBarButton *(size_t)>;
    using WeakItem = std::weak_ptr<platform::TabViewItem>;
    // The items of the overflow menu, in order: the listed ones, then (from index
    // tailFrom on, when set) the tab view's items but tailSkip, with draggedItem put in
    // at draggedAt among them, then the trailing ones. The tail is read from the tab
    // view when the menu is built or the delegate told; a change of the tab view's
    // count asks for a pass, which notes the menu again.
    struct OverflowNote
    {
        bool overflows = false;
        std::vector<WeakItem> listed;
        static constexpr size_t NoTail = static_cast<size_t>(-1);
        size_t tailFrom = NoTail;
        const platform::TabViewItem *tailSkip = nullptr;
        size_t draggedAt = NoTail;
        WeakItem draggedItem;
        std::vector<WeakItem> trailing;
    };
    std::vector<double> generateWidths(size_t n, const ButtonAt &buttonAt);
    // Lays out the first shown buttons; the others of the bar leave it, and the note
    // (with the overflow button's item put first) becomes the menu's.
    void setupButtons(size_t shown, const ButtonAt &buttonAt, const std::vector<double> &widths, OverflowNote note);
    void forEachOverflowItem(const std::function<void(const platform::TabViewItemPtr &)> &visit) const;
    // The items the menu lists when it is built: what the bar hides at that moment,
    // the overflow button's of the last layout first and the others in the tab view's
    // order then (during a drag, in the note's order).
    void forEachHiddenItem(const std::function<void(const platform::TabViewItemPtr &)> &visit) const;

    void buildOverflowMenu();

    KZTabBarView *m_bar;
    // What the last layout sent to the menu; the menu built from it (null until asked
    // for) and its actions' items.
    OverflowNote m_overflow;
    std::unique_ptr<QMenu> m_overflowMenu;
    bool m_menuBuilt = false;
    int m_menuBuilds = 0;
    std::vector<std::pair<QAction *, std::weak_ptr<platform::TabViewItem>>> m_items;
};
