#include "components/tabbarview/KZTabBarController.h"
#include "components/tabbarview/KZTabDragAssistant.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZRolloverButton.h"
#include "components/tabbarview/KZTabBarItem.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabBarViewExtensions.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QMenu>
#include <QVariant>
#include <QtDebug>
#include <algorithm>
#include <cmath>
#include <climits>
#include <numeric>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

// Every number that reaches the widths passes through here: a frame, a margin or a
// width read from an archive may be anything.
double finiteOrZero(double value)
{
    return std::isfinite(value) ? value : 0.0;
}

// A whole number of points, clamped to what an int holds.
long long whole(double value)
{
    value = finiteOrZero(value);
    constexpr double limit = 1e15;
    return static_cast<long long>(std::clamp(std::trunc(value), -limit, limit));
}

long long wholeSum(const std::vector<double> &widths)
{
    long long sum = 0;
    for (const double width : widths)
        sum += whole(width);
    return sum;
}

// Shares a leftover over the entries from the last to the first.
void shareLeftover(std::vector<double> &widths, long long leftover)
{
    for (size_t k = widths.size(); k >= 1; --k) {
        const long long share = leftover / static_cast<long long>(k);
        widths[k - 1] = static_cast<double>(whole(widths[k - 1]) + share);
        leftover -= share;
    }
}

bool isOn(const KZAttachedTabBarButton *button)
{
    return button->state() == platform::Cell::State::On;
}

} // namespace

KZTabBarController::KZTabBarController(KZTabBarView *bar)
    : m_bar(bar)
{
}

KZTabBarController::~KZTabBarController() = default;

void KZTabBarController::layoutButtons(bool itemsWithoutButtons)
{
    KZTabBarView &bar = *m_bar;
    static const platform::TabView::Items noItems;
    platform::TabView *tabView = bar.tabView();
    // While a tab is dragged along the row, the row is the buttons as the drag has
    // placed them; new items wait for the pass after the drop.
    std::vector<std::pair<int, KZAttachedTabBarButton *>> indexed = bar.indexedAttachedButtons();
    const bool slidingRow
        = std::any_of(indexed.begin(), indexed.end(), [](const auto &each) { return each.second->isInDraggedSlide(); });
    if (slidingRow) {
        itemsWithoutButtons = false;
        indexed.clear();
        // The overflow button stands for the menu, whatever item is pinned to it: it
        // stays at the end of the row (unless it is the tab being dragged).
        KZAttachedTabBarButton *overflowButton = nullptr;
        for (KZAttachedTabBarButton *button : bar.orderedAttachedButtons()) {
            if (button->isOverflowButton() && !button->isInDraggedSlide() && !overflowButton)
                overflowButton = button;
            else
                indexed.emplace_back(KZTabBarView::NotFound, button);
        }
        if (overflowButton)
            indexed.emplace_back(KZTabBarView::NotFound, overflowButton);
    }
    const platform::TabView::Items &items = tabView && itemsWithoutButtons ? tabView->tabViewItems() : noItems;
    // The buttons whose items the tab view holds take their items' places in the row;
    // the others follow the items (without items to walk: every button, in order).
    std::vector<std::pair<int, KZAttachedTabBarButton *>> placed;
    std::vector<KZAttachedTabBarButton *> unplaced;
    for (const auto &[index, button] : indexed) {
        if (itemsWithoutButtons && index != KZTabBarView::NotFound)
            placed.emplace_back(index, button);
        else
            unplaced.push_back(button);
    }
    std::stable_sort(placed.begin(), placed.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    size_t itemsWithButtons = 0;
    for (size_t k = 0; k < placed.size(); ++k)
        itemsWithButtons += k == 0 || placed[k].first != placed[k - 1].first ? 1 : 0;
    // The item whose button is out of the bar during a drag has no place.
    const platform::TabViewItem *detached = bar.detachedTabViewItem();
    const bool skipDetached = detached && !items.empty()
        && std::none_of(placed.begin(), placed.end(), [detached](const auto &p) { return p.second->tabViewItem().get() == detached; })
        && tabView->indexOfTabViewItem(detached) >= 0;
    size_t n = items.size() - itemsWithButtons - (skipDetached ? 1 : 0) + placed.size() + unplaced.size();
    // A tab dragged over the bar takes its place in the row, which opens the gap.
    KZAttachedTabBarButton *dragged = KZTabDragAssistant::sharedDragAssistant()->draggedButton();
    const int gap = bar.destinationIndexForDraggedItem();
    if (gap == KZTabBarView::NotFound)
        dragged = nullptr;
    const size_t gapAt = dragged ? static_cast<size_t>(std::clamp(gap, 0, static_cast<int>(n))) : 0;
    n += dragged ? 1 : 0;

    // The row, made as far as it is asked for.
    struct Slot
    {
        KZAttachedTabBarButton *button = nullptr;
        platform::TabViewItemPtr item;
        int index = KZTabBarView::NotFound;
    };
    std::vector<Slot> slots;
    size_t nextItem = 0, nextPlaced = 0, nextUnplaced = 0;
    int covered = KZTabBarView::NotFound; // the index whose item came with its button
    bool draggedPlaced = false;
    const auto makeSlot = [&]() -> Slot {
        if (dragged && !draggedPlaced && slots.size() == gapAt) {
            draggedPlaced = true;
            return {dragged, dragged->tabViewItem(), KZTabBarView::NotFound};
        }
        while (nextItem < items.size()) {
            if (nextPlaced < placed.size() && placed[nextPlaced].first == static_cast<int>(nextItem)) {
                covered = placed[nextPlaced].first;
                KZAttachedTabBarButton *button = placed[nextPlaced++].second;
                return {button, button->tabViewItem(), covered};
            }
            const size_t index = nextItem++;
            if (static_cast<int>(index) == covered || (skipDetached && items[index].get() == detached))
                continue;
            return {nullptr, items[index], static_cast<int>(index)};
        }
        if (nextPlaced < placed.size()) {
            KZAttachedTabBarButton *button = placed[nextPlaced++].second;
            return {button, button->tabViewItem(), KZTabBarView::NotFound};
        }
        if (nextUnplaced < unplaced.size()) {
            KZAttachedTabBarButton *button = unplaced[nextUnplaced++];
            return {button, button->tabViewItem(), KZTabBarView::NotFound};
        }
        draggedPlaced = true;
        return {dragged, dragged ? dragged->tabViewItem() : nullptr, KZTabBarView::NotFound};
    };
    const auto slotAt = [&](size_t i) -> Slot & {
        while (slots.size() <= i)
            slots.push_back(makeSlot());
        return slots[i];
    };
    const ButtonAt at = [this, &slotAt](size_t i) {
        Slot &slot = slotAt(i);
        if (!slot.button)
            slot.button = m_bar->insertAttachedButtonForTabViewItem(slot.item, slot.index);
        return slot.button;
    };
    const std::vector<double> widths = generateWidths(n, at);
    const size_t shown = std::min(widths.size(), n);
    if (shown > 0)
        slotAt(shown - 1);

    // The rest of the row goes to the menu: the slots made past the shown ones, then
    // the tab view's items from where the walk stopped (the dragged tab where its gap
    // falls among them), then the buttons without a place.
    OverflowNote note;
    note.overflows = shown < n;
    // While a tab slides along the row, items added meanwhile wait for a button until
    // the drop: they stand in the menu until then.
    if (!note.overflows && !itemsWithoutButtons && tabView && slidingRow) {
        size_t held = 0;
        for (size_t j = 0; j < shown; ++j) {
            const Slot &slot = slotAt(j);
            if (slot.button && slot.button->isOverflowButton() && !slot.button->isInDraggedSlide())
                continue; // its item is one of the menu's
            held += slot.item && slot.item->tabView() == tabView ? 1 : 0;
        }
        note.overflows = static_cast<size_t>(tabView->numberOfTabViewItems()) > held;
    }
    if (note.overflows) {
        for (size_t j = shown; j < slots.size(); ++j)
            note.listed.push_back(slots[j].item);
        const size_t from = nextItem + (static_cast<int>(nextItem) == covered ? 1 : 0);
        if (from < items.size()) {
            note.tailFrom = from;
            note.tailSkip = skipDetached ? detached : nullptr;
        }
        if (dragged && !draggedPlaced) {
            note.draggedAt = gapAt - slots.size();
            note.draggedItem = dragged->tabViewItem();
        }
        for (size_t k = nextUnplaced; k < unplaced.size(); ++k)
            note.trailing.push_back(unplaced[k]->tabViewItem());
    }
    setupButtons(shown, at, widths, std::move(note));
}

QString KZTabBarController::titleOfTabViewItem(platform::TabViewItem &item)
{
    // What a button bound to the item would show (and, as the button does, the item's
    // label follows a title its identifier supplies).
    KZTabBarViewExtensions::registerTabViewItemKeys();
    if (platform::KeyValueObservable *provider = KZTabBarItem::providerOf(item, KZTabBarItem::TitleKey)) {
        const QString title = provider->valueForKey(KZTabBarItem::TitleKey).toString();
        if (item.label() != title)
            item.setLabel(title);
        return title;
    }
    return item.label();
}

int KZTabBarController::shrinkWidths(std::vector<double> &widths, int minimum, double available)
{
    // Pass by pass, every entry that stays at or above the minimum after losing a
    // point loses it; passes go on while the total is above the available width and
    // a pass still lowered something. Entry e can lose floor(e - minimum) points in
    // all, so after p passes the total is start - sum(min(p, that)); the number of
    // passes is found by bisection instead of running them one by one.
    const long long start = wholeSum(widths);
    available = finiteOrZero(available);
    std::vector<long long> room(widths.size());
    long long most = 0;
    for (size_t k = 0; k < widths.size(); ++k) {
        const double spare = finiteOrZero(widths[k]) - minimum;
        room[k] = spare >= 1 ? whole(spare) : 0;
        most = std::max(most, room[k]);
    }
    const auto totalAfter = [&](long long passes) {
        long long taken = 0;
        for (const long long each : room)
            taken += std::min(passes, each);
        return start - taken;
    };
    long long low = 1, high = std::max<long long>(most, 1);
    while (low < high) {
        const long long middle = low + (high - low) / 2;
        if (static_cast<double>(totalAfter(middle)) <= available)
            high = middle;
        else
            low = middle + 1;
    }
    const long long passes = most == 0 ? 0 : low;
    for (size_t k = 0; k < widths.size(); ++k)
        widths[k] -= static_cast<double>(std::min(passes, room[k]));
    return static_cast<int>(std::clamp<long long>(start - totalAfter(passes), INT_MIN, INT_MAX));
}

std::vector<double> KZTabBarController::generateWidthsFromAttachedButtons(const std::vector<KZAttachedTabBarButton *> &buttons)
{
    return generateWidths(buttons.size(), [&buttons](size_t i) { return buttons[i]; });
}

std::vector<double> KZTabBarController::generateWidths(size_t n, const ButtonAt &buttonAt)
{
    KZTabBarView &bar = *m_bar;
    const bool vertical = bar.orientation() == KZTabBarView::Vertical;
    double available = finiteOrZero(bar.availableWidthForButtons());
    const double minimum = bar.buttonMinWidth();
    const double maximum = bar.buttonMaxWidth();
    const double optimum = bar.buttonOptimumWidth();
    const bool fit = bar.sizeButtonsToFit();
    const bool overflow = bar.useOverflowMenu();
    KZTabBarViewDelegate *delegate = bar.delegate();

    std::vector<double> widths;
    widths.reserve(n);
    size_t visible = vertical ? 0 : 1;
    double y = finiteOrZero(bar.topMargin());
    double total = 0;
    const double genericHeight = finiteOrZero(bar.genericButtonRect().height());
    const double availableHeight = vertical ? finiteOrZero(bar.availableHeightForButtons()) : 0;
    const auto overflowRoom = [&bar] {
        double room = finiteOrZero(bar.overflowButtonSize().width()) + 4;
        if (!bar.showAddTabButton())
            room += 4;
        return room;
    };

    for (size_t i = 0; i < n; ++i) {
        KZAttachedTabBarButton *button = buttonAt(i);
        bool suppress = (n == 1 && !bar.canCloseOnlyTab()) || bar.disableTabClose()
            || (!bar.allowsBackgroundTabClosing() && !isOn(button));
        if (!suppress && delegate && button->tabViewItem())
            suppress = delegate->tabViewDisableTabCloseForTabViewItem(bar.tabView(), button->tabViewItem().get());
        button->setSuppressCloseButton(suppress);

        if (vertical) {
            if (y + genericHeight > availableHeight)
                break;
            widths.push_back(y);
            ++visible;
            y += genericHeight;
            continue;
        }

        double w = fit ? std::min(finiteOrZero(button->desiredWidth()), maximum) : optimum;
        w = std::ceil(w);
        if (total + w < available) {
            widths.push_back(w);
            total += w;
            visible = n;
            continue;
        }

        // The row is full at this button.
        if (!overflow) {
            widths.clear();
            const double q = static_cast<double>(whole(available / static_cast<double>(n)));
            for (size_t k = 0; k < n; ++k) {
                const double desired = finiteOrZero(buttonAt(k)->desiredWidth());
                widths.push_back(fit && desired < q ? desired : q);
            }
            visible = n;
            break;
        }
        if (!fit) {
            double q = static_cast<double>(whole(available / static_cast<double>(i + 1)));
            if (q >= minimum) {
                std::fill(widths.begin(), widths.end(), q);
                widths.push_back(q);
                total = static_cast<double>(i + 1) * q;
                visible = i + 1;
                continue;
            }
            available -= overflowRoom();
            if (i == 0) {
                visible = 0;
                break;
            }
            q = static_cast<double>(whole(available / static_cast<double>(i)));
            if (q >= minimum) {
                std::fill(widths.begin(), widths.end(), q);
                visible = i;
                break;
            }
            shrinkWidths(widths, static_cast<int>(minimum), available);
            if (static_cast<double>(wholeSum(widths)) > available) {
                widths.pop_back();
                const bool divisible = i > 1;
                q = divisible ? static_cast<double>(whole(available / static_cast<double>(i - 1))) : 0;
                if (divisible && q >= minimum)
                    std::fill(widths.begin(), widths.end(), q);
                visible = i - 1;
            } else {
                visible = i;
            }
            break;
        }

        // Sized to fit, with the overflow menu.
        total = static_cast<double>(wholeSum(widths) + static_cast<long long>(widths.size()) - 1);
        double smallestSum = 0;
        for (const double width : widths)
            smallestSum += std::min(width, minimum);
        if (available < std::min(w, minimum) + smallestSum) {
            available -= overflowRoom();
            shareLeftover(widths, whole(available - total));
            visible = i;
            break;
        }
        widths.push_back(w);
        total += w;
        const double average = static_cast<double>(whole(static_cast<double>(wholeSum(widths))
                                                          / static_cast<double>(widths.size())));
        total -= shrinkWidths(widths, static_cast<int>(std::clamp(average, -1e9, 1e9)), available);
        const double smallest = *std::min_element(widths.begin(), widths.end());
        if (total > available && smallest > minimum)
            total -= shrinkWidths(widths, static_cast<int>(std::clamp(smallest, -1e9, 1e9)), available);
        if (total > available)
            total -= shrinkWidths(widths, static_cast<int>(minimum), available);
        if (total > available) {
            qInfo("**** -[KZTabBarController _generateWidthsFromAttachedButtons:] This is a failure "
                     "(available %f, total %f, width is %f)", available, total, w);
            visible = i + 1;
            break;
        }
        if (available > total)
            shareLeftover(widths, whole(available - total));
        visible = i + 1;
    }

    if (!vertical && visible <= 1 && n >= 2) {
        const double first = std::min(available / 2, finiteOrZero(buttonAt(0)->desiredWidth()));
        const double second = std::min(available - first, finiteOrZero(buttonAt(1)->desiredWidth()));
        widths = {first, second};
        if (first + second < available)
            widths[0] = available - second;
    }
    return widths;
}

void KZTabBarController::setupAttachedButtons(const std::vector<KZAttachedTabBarButton *> &buttons,
                                              const std::vector<double> &widths)
{
    const size_t m = std::min(widths.size(), buttons.size());
    OverflowNote note;
    note.overflows = m < buttons.size();
    for (size_t j = m; j < buttons.size(); ++j)
        note.listed.push_back(buttons[j]->tabViewItem());
    setupButtons(m, [&buttons](size_t i) { return buttons[i]; }, widths, std::move(note));
}

void KZTabBarController::setupButtons(size_t shown, const ButtonAt &buttonAt, const std::vector<double> &widths,
                                      OverflowNote note)
{
    KZTabBarView &bar = *m_bar;
    if (m_overflowMenu)
        m_overflowMenu.release()->deleteLater();
    m_items.clear();
    m_menuBuilt = false;
    const bool vertical = bar.orientation() == KZTabBarView::Vertical;
    const int m = static_cast<int>(shown);
    const bool overflows = note.overflows;
    QRectF frame = bar.genericButtonRect();
    KZTabBarViewDelegate *delegate = bar.delegate();
    platform::TabView *tabView = bar.tabView();
    std::vector<KZAttachedTabBarButton *> buttons;
    buttons.reserve(shown);
    for (size_t j = 0; j < shown; ++j)
        buttons.push_back(buttonAt(j));
    // The last shown button becomes the overflow button; while a tab is held, the one
    // before it when the held tab is last (the held tab shows itself).
    int overflowAt = m - 1;
    if (overflowAt > 0 && buttons[static_cast<size_t>(overflowAt)]->isInDraggedSlide())
        --overflowAt;

    bar.enumerateAttachedButtons(buttons, 0, m, KZTabBarView::UpdateButtonStates | KZTabBarView::UpdateTabStates,
                                 [&](KZAttachedTabBarButton *button, int j, KZAttachedTabBarButton *,
                                     KZAttachedTabBarButton *, bool &) {
        platform::TabViewItem *item = button->tabViewItem().get();
        if (delegate && item) {
            if (const std::optional<QString> tip = delegate->tabViewToolTipForTabViewItem(tabView, item))
                button->setToolTip(*tip);
        }
        button->setTarget(&bar);
        button->setAction("_didClickTabButton");
        if (button->shouldDisplayCloseButton()) {
            button->closeButton()->setTarget(&bar);
            button->closeButton()->setAction("_didClickCloseButton");
        } else {
            button->closeButton()->setTarget(nullptr);
            button->closeButton()->setAction(QByteArray());
        }
        const double entry = finiteOrZero(widths[static_cast<size_t>(j)]);
        if (vertical)
            frame = QRectF(0, entry, bar.width(), frame.height());
        else
            frame.setWidth(entry);
        button->setStackingFrame(frame);
        if (j == overflowAt && overflows) {
            button->setIsOverflowButton(true);
            note.listed.insert(note.listed.begin(), button->tabViewItem());
            if (delegate && item)
                delegate->tabViewTabViewItemIsInOverflowMenu(tabView, item, true);
        } else {
            button->setIsOverflowButton(false);
        }
        if (vertical)
            frame.translate(0, frame.height());
        else
            frame.translate(entry, 0);
        if (delegate && item)
            delegate->tabViewTabViewItemIsInOverflowMenu(tabView, item, false);
    });

    // The tabs that do not fit: a button the bar has leaves it (the tab view keeps the
    // item); the items go to the menu.
    std::unordered_set<const KZAttachedTabBarButton *> kept(buttons.begin(), buttons.end());
    // The button a slide holds stays under the pointer until the release lays the bar
    // out again.
    for (KZAttachedTabBarButton *button : bar.orderedAttachedButtons()) {
        if (kept.count(button))
            continue;
        if (button->isInDraggedSlide())
            button->setIsOverflowButton(false);
        else
            bar.removeAttachedButton(button, false);
    }
    if (KZAttachedTabBarButton *dragged = KZTabDragAssistant::sharedDragAssistant()->draggedButton();
        dragged && !kept.count(dragged) && dragged->parent() == &bar)
        bar.removeAttachedButton(dragged, false);
    if (!overflows)
        note = OverflowNote();
    m_overflow = std::move(note);
    if (delegate && m_overflow.overflows) {
        // The overflow button's item has heard already.
        bool first = m > 0;
        forEachOverflowItem([delegate, tabView, &first](const platform::TabViewItemPtr &item) {
            if (!std::exchange(first, false))
                delegate->tabViewTabViewItemIsInOverflowMenu(tabView, item.get(), true);
        });
    }
}

void KZTabBarController::forEachOverflowItem(const std::function<void(const platform::TabViewItemPtr &)> &visit) const
{
    const OverflowNote &note = m_overflow;
    if (!note.overflows)
        return;
    for (const WeakItem &weak : note.listed)
        if (const platform::TabViewItemPtr item = weak.lock())
            visit(item);
    size_t at = 0;
    const auto visitDragged = [&] {
        if (const platform::TabViewItemPtr item = note.draggedItem.lock())
            visit(item);
    };
    if (note.tailFrom != OverflowNote::NoTail) {
        if (platform::TabView *tabView = m_bar->tabView()) {
            const auto &items = tabView->tabViewItems();
            for (size_t k = note.tailFrom; k < items.size(); ++k) {
                if (items[k].get() == note.tailSkip)
                    continue;
                if (at++ == note.draggedAt)
                    visitDragged();
                visit(items[k]);
            }
        }
    }
    if (note.draggedAt != OverflowNote::NoTail && at <= note.draggedAt)
        visitDragged();
    for (const WeakItem &weak : note.trailing)
        if (const platform::TabViewItemPtr item = weak.lock())
            visit(item);
}

void KZTabBarController::forEachHiddenItem(const std::function<void(const platform::TabViewItemPtr &)> &visit) const
{
    // What the bar hides when the menu opens, each once: the item of the overflow
    // button and every item of the tab view without a button (an item pinned to the
    // overflow button too), the dragged tab where its gap falls. Read now, not from
    // indexes of the layout: the bar's own move reorders the tab view without a pass.
    const OverflowNote &note = m_overflow;
    if (!note.overflows)
        return;
    KZTabBarView &bar = *m_bar;
    platform::TabView *tabView = bar.tabView();
    KZAttachedTabBarButton *overflowButton = bar.overflowAttachedButton();
    std::unordered_set<const platform::TabViewItem *> shown;
    for (QObject *child : bar.children()) {
        auto *button = qobject_cast<KZAttachedTabBarButton *>(child);
        if (button && button != overflowButton && button->tabViewItem())
            shown.insert(button->tabViewItem().get());
    }
    const platform::TabViewItemPtr dragged = note.draggedItem.lock();
    KZAttachedTabBarButton *draggedButton = KZTabDragAssistant::sharedDragAssistant()->draggedButton();
    const platform::TabViewItem *draggedOver = draggedButton ? draggedButton->tabViewItem().get() : nullptr;
    std::unordered_set<const platform::TabViewItem *> seen;
    const auto offer = [&](const platform::TabViewItemPtr &item) {
        if (!item || shown.count(item.get()))
            return;
        if (item->tabView() != tabView && item != dragged && item.get() != draggedOver)
            return; // left the tab view since the layout
        if (seen.insert(item.get()).second)
            visit(item);
    };
    // The tab the layout gave the overflow button heads the menu. Outside a drag the
    // other tabs of the tab view follow in its order as it is now (the bar's own move
    // reorders it without a pass); during one, in the note's order, where the dragged
    // tab's gap was counted.
    const bool dragging = dragged || draggedOver;
    for (size_t k = 0; k < note.listed.size(); ++k) {
        const platform::TabViewItemPtr item = note.listed[k].lock();
        if (dragging || (k == 0 && overflowButton) || (item && item->tabView() != tabView))
            offer(item);
    }
    bool draggedDone = !dragged || seen.count(dragged.get());
    if (tabView) {
        const platform::TabViewItem *detached = bar.detachedTabViewItem();
        size_t at = 0;
        for (const platform::TabViewItemPtr &item : tabView->tabViewItems()) {
            if (item == dragged || item.get() == detached || shown.count(item.get()) || seen.count(item.get()))
                continue;
            if (!draggedDone && at == note.draggedAt) {
                offer(dragged);
                draggedDone = true;
            }
            ++at;
            offer(item);
        }
    }
    if (!draggedDone)
        offer(dragged);
    for (const WeakItem &weak : note.trailing)
        offer(weak.lock());
}

void KZTabBarController::overflowMenuOutdated()
{
    // The pull-down may be showing the old menu's actions: it goes later.
    if (m_overflowMenu)
        m_overflowMenu.release()->deleteLater();
    m_items.clear();
    m_menuBuilt = false;
}

QMenu *KZTabBarController::overflowMenu()
{
    if (!m_menuBuilt)
        buildOverflowMenu();
    return m_overflowMenu.get();
}

void KZTabBarController::buildOverflowMenu()
{
    m_menuBuilt = true;
    if (!m_overflow.overflows)
        return;
    ++m_menuBuilds;
    // A menu is built once per layout: the title line, then one item per tab, titled as
    // its tab shows it (the title of a button bound to the item).
    m_overflowMenu = std::make_unique<QMenu>();
    m_overflowMenu->addAction(QString()); // the title line of the pull-down
    KZTabBarView *bar = m_bar;
    forEachHiddenItem([this, bar](const platform::TabViewItemPtr &item) {
        QAction *action = m_overflowMenu->addAction(
            KZTabBarViewExtensions::stringByTruncatingToLength(titleOfTabViewItem(*item), MenuTitleLength));
        QObject::connect(action, &QAction::triggered, bar,
                         platform::ExceptionBoundary::guarded(bar, "triggered",
                                                              [bar, action] { bar->_overflowMenuAction(action); }));
        m_items.emplace_back(action, item);
    });
}

platform::TabViewItemPtr KZTabBarController::itemOfAction(const QAction *action) const
{
    for (const auto &[each, item] : m_items) {
        if (each == action)
            return item.lock();
    }
    return nullptr;
}

void KZTabBarController::updateOverflowMenuTitles()
{
    for (const auto &[action, weak] : m_items) {
        if (const platform::TabViewItemPtr item = weak.lock()) {
            const QString title = KZTabBarViewExtensions::stringByTruncatingToLength(titleOfTabViewItem(*item), MenuTitleLength);
            if (action->text() != title)
                action->setText(title);
        }
    }
}

void KZTabBarController::updateOverflowMenuItems()
{
    for (const auto &[action, weak] : m_items) {
        const platform::TabViewItemPtr item = weak.lock();
        if (!item)
            continue;
        auto *identifier = dynamic_cast<KZTabBarItem *>(platform::KeyValueObservable::toObservable(item->identifier()));
        if (identifier && identifier->hasKey(KZTabBarItem::IconKey))
            action->setIcon(identifier->valueForKey(KZTabBarItem::IconKey).value<QIcon>());
    }
}
