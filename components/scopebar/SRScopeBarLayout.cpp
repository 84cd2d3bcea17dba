// The scope bar's layout: fitting the groups into the width by collapsing them,
// peeling objects into the overflow menu and squeezing them in proportion.
#include "components/scopebar/SRScopeBar.h"

#include "components/scopebar/SRScopeBarGroupHelper.h"

#include <QAction>
#include <QMenu>
#include <cmath>

namespace {
qint64 truncated(double value)
{
    return qint64(std::trunc(value));
}
} // namespace

void SRScopeBar::resetOverflowPullDownCell_()
{
    for (int i = m_overflowCell->numberOfItems() - 1; i >= 1; --i)
        m_overflowCell->removeItemAtIndex(i);
}

qsizetype SRScopeBar::countOfUnpeeledGroups_() const
{
    return std::count_if(m_helpers.begin(), m_helpers.end(), [](const auto &helper) { return !helper->isPeeled(); });
}

qint64 SRScopeBar::sumOfMaximumWidthForAllGroups_() const
{
    qint64 sum = 0;
    for (const auto &helper : m_helpers)
        sum += helper->maximumWidth();
    return sum;
}

qint64 SRScopeBar::sumOfMinimumWidthForAllGroups_() const
{
    qint64 sum = 0;
    for (const auto &helper : m_helpers)
        sum += helper->minimumWidth();
    return sum;
}

void SRScopeBar::resetGroupsToMaxWidth_()
{
    const QRectF bounds = rect();
    qint64 x = margin();
    for (const auto &helper : m_helpers) {
        helper->setFrame(QRectF(x, bounds.y(), helper->maximumWidth(), bounds.height()));
        x = truncated(margin() + double(helper->maximumWidth()) + x);
    }
}

bool SRScopeBar::collapseRightMostGroup_()
{
    for (auto it = m_helpers.rbegin(); it != m_helpers.rend(); ++it) {
        const auto &group = (*it)->group();
        if (group->isCollapsed())
            continue;
        group->setCollapsed(true);
        if (group->isCollapsed()) {
            (*it)->updateGroupDimensions();
            return true;
        }
    }
    return false;
}

void SRScopeBar::peelOffItemsToFitInWidth_(qint64 width)
{
    for (qsizetype i = numberOfGroups() - 1; i >= 0; --i) {
        SRScopeBarGroupHelper *helper = m_helpers.at(size_t(i)).get();
        qint64 minimum = 0;
        std::optional<QList<SRMenuItem>> items;
        do {
            items = helper->peelOffNextItem();
            minimum = sumOfMinimumWidthForAllGroups_();
            if (!items)
                break;
            // Last item first at index 1, so they keep their order after the image item.
            for (qsizetype k = items->size() - 1; k >= 0; --k) {
                const SRMenuItem &item = items->at(k);
                QAction *action = m_overflowCell->insertItemWithTitle(item.title, 1);
                action->setIcon(item.image);
                action->setData(item.representedObject);
                action->setCheckable(item.selected);
                action->setChecked(item.selected);
            }
        } while (minimum > width);
        if (i != 0)
            width += margin();
        if (minimum <= width)
            break;
        QMenu *menu = m_overflowCell->menu();
        const QList<QAction *> actions = menu->actions();
        menu->insertSeparator(actions.size() > 1 ? actions.at(1) : nullptr);
    }
}

void SRScopeBar::calcSize()
{
    m_groupsNeedUpdate = false;
    for (const auto &helper : m_helpers)
        helper->unpeel();
    resetOverflowPullDownCell_();
    for (const auto &helper : m_helpers) {
        if (m_autoResizesGroups)
            helper->group()->setCollapsed(false);
        helper->updateGroupDimensions();
    }

    const QRectF bounds = rect();
    const qint64 s = margin();
    const qint64 groups = numberOfGroups();
    qint64 right = truncated(bounds.x() + bounds.width() - s);
    qint64 available = truncated(bounds.width() - 2 * s - (groups - 1) * s);
    qint64 accessory = 0;
    if (m_accessoryView) {
        const qint64 w = truncated(m_accessoryView->width());
        const qint64 h = truncated(m_accessoryView->height());
        m_accessoryView->setGeometry(int(right - w), int(truncated((bounds.height() - h) * 0.5)), int(w), int(h));
        right -= w + s;
        available -= w + s;
        accessory = w + s;
    }
    if (!m_autoResizesGroups) {
        resetGroupsToMaxWidth_();
        return;
    }

    qint64 minimum = sumOfMinimumWidthForAllGroups_();
    bool fits = true;
    while (minimum > available) {
        if (!collapseRightMostGroup_()) {
            fits = false;
            break;
        }
        minimum = sumOfMinimumWidthForAllGroups_();
    }
    if (!fits) {
        const QSizeF size = m_overflowCell->cellSize();
        const qint64 pw = truncated(size.width());
        const qint64 ph = truncated(size.height());
        m_overflowPullDownRect = QRectF(right - pw, (bounds.height() - ph) * 0.5, pw, ph);
        const qint64 reserve = available - pw - OverflowGap;
        if (minimum > reserve) {
            peelOffItemsToFitInWidth_(reserve);
            minimum = sumOfMinimumWidthForAllGroups_();
            const qint64 unpeeled = countOfUnpeeledGroups_();
            available = truncated(bounds.width() - 2 * s - accessory - (unpeeled - 1) * s - pw);
            if (minimum > 0)
                available -= OverflowGap;
        } else {
            available = reserve;
        }
    }

    const qint64 maximum = sumOfMaximumWidthForAllGroups_();
    // Unsigned, as the widths are: a negative available width reads as very large.
    if (quint64(maximum) <= quint64(available)) {
        resetGroupsToMaxWidth_();
        return;
    }
    const qint64 span = maximum - minimum;
    const qint64 excess = maximum - available;
    qint64 remaining = excess;
    qint64 x = s;
    for (size_t i = 0; i < m_helpers.size(); ++i) {
        SRScopeBarGroupHelper *helper = m_helpers[i].get();
        const qint64 give = qint64(helper->maximumWidth()) - qint64(helper->minimumWidth());
        // Groups that cannot give keep their widths; the last takes the rest.
        qint64 shrink = span > 0 ? qint64(std::round(float(give) / float(span) * float(excess))) : 0;
        remaining -= shrink;
        if (i + 1 == m_helpers.size())
            shrink += remaining;
        const qint64 width = std::max<qint64>(0, qint64(helper->maximumWidth()) - shrink);
        helper->setFrame(QRectF(x, bounds.y(), width, bounds.height()));
        x = truncated(double(s + width + x));
    }
}
