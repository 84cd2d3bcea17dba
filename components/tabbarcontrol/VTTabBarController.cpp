#include "components/tabbarcontrol/VTTabBarController.h"

#include "components/tabbarcontrol/AITruncation.h"
#include "components/tabbarcontrol/VTTabBarCell.h"
#include "components/tabbarcontrol/VTTabBarControl.h"
#include "components/tabbarcontrol/VTTabStyle.h"
#include "platform/drawing/TabView.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAction>
#include <QDebug>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double IntegerBound = 1e9;

// A float made an integer as C truncation does, kept within a sane range (the
// inputs come from frames and archived settings).
qint64 truncated(double value)
{
    if (!std::isfinite(value))
        return value > 0 ? qint64(IntegerBound) : (value < 0 ? -qint64(IntegerBound) : 0);
    return qint64(std::clamp(value, -IntegerBound, IntegerBound));
}

qint64 integerSum(const QList<qreal> &widths)
{
    qint64 sum = 0;
    for (const qreal width : widths)
        sum += truncated(width);
    return sum;
}

QRectF checkedAt(const QList<QRectF> &rects, qsizetype index, const char *operation)
{
    if (index < 0 || index >= rects.size()) {
        qWarning("%s: Invalid index (%ld)", operation, long(index));
        return {};
    }
    return rects.at(index);
}

} // namespace

VTTabBarController::VTTabBarController(VTTabBarControl *control) : m_control(control)
{
}

VTTabBarController::~VTTabBarController()
{
    delete m_overflowMenu.data();
}

QRectF VTTabBarController::cellFrameAtIndex(qsizetype index) const
{
    // A cell in the menu: one step further on from the place after the row per cell.
    if (index >= m_visible && index < m_cellCount) {
        QRectF frame = m_overflowFrame;
        frame.moveLeft(frame.x() + m_overflowStep * qreal(index - m_visible + 1));
        return frame;
    }
    return checkedAt(m_cellFrames, index, "cellFrameAtIndex");
}

void VTTabBarController::cellInserted(const std::shared_ptr<VTTabBarCell> &cell)
{
    m_changedCells.push_back(cell);
}

QRectF VTTabBarController::cellTrackingRectAtIndex(qsizetype index) const
{
    return checkedAt(m_cellTrackingRects, index, "cellTrackingRectAtIndex");
}

QRectF VTTabBarController::closeButtonTrackingRectAtIndex(qsizetype index) const
{
    return checkedAt(m_closeButtonTrackingRects, index, "closeButtonTrackingRectAtIndex");
}

void VTTabBarController::layoutCells()
{
    platform::TabView *tabView = m_control->tabView();
    const auto &cells = m_control->cells();
    if (!tabView || tabView->numberOfTabViewItems() != qsizetype(cells.size()))
        return;
    m_cellTrackingRects.clear();
    m_closeButtonTrackingRects.clear();
    m_cellFrames.clear();
    const QList<qreal> widths = generateWidthsFromCells();
    setupCells(widths);

    QRectF add = m_control->genericCellRect();
    add.setSize(m_control->addTabButton() ? QSizeF(m_control->addTabButton()->size()) : QSizeF());
    if (m_control->orientation() == 0) {
        qreal sum = 0;
        for (const qreal width : widths)
            sum += float(width);
        add.moveTo(sum + 2 + m_control->genericCellRect().x(), 3);
    } else {
        add.moveTo(0, widths.isEmpty() ? add.y() : widths.last());
    }
    m_addButtonRect = add;
}

int VTTabBarController::shrinkWidths(QList<qreal> &widths, int minimum, qreal available)
{
    const qint64 start = integerSum(widths);
    qint64 total = start;
    // Pass after pass, every entry that stays at or above the minimum loses one pixel;
    // runs of passes that take from the same entries are done at once.
    do {
        qsizetype shrinkable = 0;
        qint64 slack = std::numeric_limits<qint64>::max();
        for (const qreal width : widths) {
            if (width - 1 >= minimum) {
                ++shrinkable;
                slack = std::min(slack, qint64(std::floor(std::min(width - minimum, IntegerBound))));
            }
        }
        if (shrinkable == 0)
            break;
        qint64 passes = 1;
        if (total > available) {
            const double needed = std::ceil((double(total) - available) / double(shrinkable));
            passes = std::max<qint64>(1, std::min<qint64>(slack, truncated(needed)));
        }
        for (qreal &width : widths)
            if (width - 1 >= minimum)
                width -= passes;
        total -= passes * shrinkable;
    } while (total > available);
    return int(start - total);
}

int VTTabBarController::distributeLeftover(QList<qreal> &widths, qsizetype k, int leftover)
{
    int handed = 0;
    for (qsizetype j = std::min(k, widths.size()) - 1; j >= 0; --j) {
        const int share = leftover / int(j + 1);
        widths[j] = qreal(truncated(widths[j]) + share);
        leftover -= share;
        handed += share;
    }
    return handed;
}

QList<qreal> VTTabBarController::generateWidthsFromCells()
{
    const auto &cells = m_control->cells();
    const qsizetype n = qsizetype(cells.size());
    const bool vertical = m_control->orientation() == 1;
    const bool horizontal = !vertical;
    qreal available = m_control->availableCellWidth();
    qsizetype visible = horizontal ? 1 : 0;
    const QRectF cellRect = m_control->genericCellRect();
    const VTTabStyle *style = m_control->style().get();
    qreal origin = vertical && style ? style->topMarginForTabBarControl() : 0;
    if (m_control->showAddTabButton())
        available -= m_addButtonRect.width();
    qreal total = 0;
    const int minWidth = m_control->cellMinWidth();
    const qreal frameHeight = m_control->height();
    VTTabBarControlDelegate *delegate = m_control->delegate();
    QList<qreal> widths;

    // The close button of every tab this layout shows is decided before its width is
    // read (a shown close button widens a tab), whichever rule shows it: the row, the
    // equal shares without a menu or the two-tab rule. Tabs in the menu show none.
    // The cells are decided in order, so the decided ones are the first `decided`.
    qsizetype decided = 0;
    const auto decideCloseButton = [&](qsizetype i) {
        if (i < decided)
            return;
        decided = i + 1;
        VTTabBarCell *cell = cells[size_t(i)].get();
        bool suppressed = false;
        if (n == 1 && !m_control->canCloseOnlyTab())
            suppressed = true;
        else if (m_control->disableTabClose())
            suppressed = true;
        else if (delegate)
            suppressed = delegate->tabViewDisableTabCloseForTabViewItem(m_control->tabView(), cell->representedObject().get())
                             .value_or(false);
        cell->setCloseButtonSuppressed(suppressed);
    };

    for (qsizetype i = 0; i < n; ++i) {
        VTTabBarCell *cell = cells[size_t(i)].get();
        decideCloseButton(i);

        if (vertical) {
            if (origin + cellRect.height() <= frameHeight) {
                widths.append(origin);
                ++visible;
                origin += cellRect.height();
                continue;
            }
            if (!widths.isEmpty() && frameHeight - origin < 17) {
                widths.removeLast();
                --visible;
            }
            break;
        }

        qreal width = m_control->sizeCellsToFit() ? std::min(cell->desiredWidthOfCell(), qreal(m_control->cellMaxWidth()))
                                                  : qreal(m_control->cellOptimumWidth());
        width = std::ceil(float(width));
        if (total + width < available) {
            widths.append(width);
            total += width;
            visible = n;
            continue;
        }
        if (!m_control->useOverflowMenu()) {
            const qint64 w = truncated(available / qreal(n));
            widths.clear();
            for (qsizetype j = 0; j < n; ++j) {
                decideCloseButton(j);
                const qreal desired = cells[size_t(j)]->desiredWidthOfCell();
                widths.append(m_control->sizeCellsToFit() && qreal(w) > desired ? desired : qreal(w));
            }
            visible = n;
            break;
        }
        if (!m_control->sizeCellsToFit()) {
            const qint64 w = truncated(available / qreal(i + 1));
            if (w < minWidth) {
                visible = i;
                break;
            }
            for (qreal &entry : widths)
                entry = qreal(w);
            widths.append(qreal(w));
            total = qreal(w * (i + 1));
            visible = i + 1;
            continue;
        }
        const qint64 occupied = integerSum(widths);
        qreal floor = 0;
        for (const qreal entry : widths)
            floor += std::min(entry, qreal(minWidth));
        if (available >= floor + std::min(width, qreal(minWidth))) {
            widths.append(width);
            total = qreal(occupied) + width;
            total -= shrinkWidths(widths, int(truncated(qreal(integerSum(widths)) / qreal(widths.size()))), available);
            bool failure = false;
            if (total > available) {
                qint64 smallest = std::numeric_limits<qint64>::max();
                for (const qreal entry : widths)
                    smallest = std::min(smallest, truncated(entry));
                if (smallest > minWidth)
                    total -= shrinkWidths(widths, int(smallest), available);
            }
            if (total > available)
                total -= shrinkWidths(widths, minWidth, available);
            if (total > available) {
                qWarning("**** -[VTTabBarController generateWidthsFromCells:] This is a failure (available %f, total %f, "
                         "width is %f)",
                         double(available), double(total), double(width));
                failure = true;
            }
            if (available > total)
                total += distributeLeftover(widths, widths.size(), int(truncated(available - total)));
            visible = i + 1;
            if (failure)
                break;
            continue;
        }
        if (i > 0)
            distributeLeftover(widths, i, int(truncated(available - qreal(occupied))));
        visible = i;
        break;
    }

    if (horizontal && visible <= 1 && n >= 2) {
        decideCloseButton(0);
        decideCloseButton(1);
        qreal w0 = std::min(cells[0]->desiredWidthOfCell(), available / 2);
        const qreal desired1 = cells[1]->desiredWidthOfCell();
        const qreal w1 = desired1 < available - w0 ? desired1 : available - w0;
        if (w0 + w1 < available)
            w0 = available - w1;
        widths = {w0, w1};
    }
    return widths;
}

void VTTabBarController::setupCells(const QList<qreal> &widths)
{
    const auto &cells = m_control->cells();
    const qsizetype n = qsizetype(cells.size());
    QRectF r = m_control->genericCellRect();
    const platform::TabViewItemPtr selected = m_control->tabView()->selectedTabViewItem();
    const bool vertical = m_control->orientation() == 1;
    const VTTabStyle *style = m_control->style().get();
    if (m_overflowMenu)
        m_overflowMenu->deleteLater();
    m_overflowMenu = nullptr;
    m_menuBuilt = false;
    const qsizetype visible = std::min(qsizetype(widths.size()), n);

    for (qsizetype i = 0; i < visible; ++i) {
        VTTabBarCell *cell = cells[size_t(i)].get();
        VTTabBarCell *previous = i > 0 ? cells[size_t(i - 1)].get() : nullptr;
        if (!vertical) {
            r.setWidth(widths[i]);
        } else {
            r.setWidth(m_control->width());
            r.moveTo(0, widths[i]);
        }
        m_cellFrames.append(r);
        m_closeButtonTrackingRects.append(cell->closeButtonRectForFrame(r));
        m_cellTrackingRects.append(r);

        int tabState = 0;
        if (selected && cell->representedItem() == selected.get()) {
            cell->setState(platform::Cell::State::On);
            tabState = VTTabBarCell::SelectedTab;
            if (previous)
                previous->setTabState(previous->tabState() | VTTabBarCell::RightIsSelected);
        } else {
            cell->setState(platform::Cell::State::Off);
            tabState = previous && previous->state() == platform::Cell::State::On ? VTTabBarCell::LeftIsSelected : 0;
        }
        if (widths.size() == 1)
            tabState |= VTTabBarCell::OnlyVisibleTab;
        else if (i == 0)
            tabState |= VTTabBarCell::FirstVisibleTab;
        else if (i == widths.size() - 1)
            tabState |= VTTabBarCell::LastVisibleTab;
        cell->setTabState(tabState);
        cell->setIsInOverflowMenu(false);

        VTProgressIndicator *indicator = cell->indicatorIfMade();
        if (indicator && !indicator->isHidden() && !m_control->isTabBarHidden() && indicator->parentWidget() != m_control) {
            indicator->placeIn(m_control);
            indicator->startAnimation();
        }
        r.moveLeft(r.x() + widths[i]);
    }

    // The cells past the row go to the menu, each frame one step further on. Only the
    // ones that may not be there yet are visited: every cell after a rearrangement,
    // else those the last layout showed (shifted by the insertions since) and the
    // inserted ones; the others stayed in the menu since an earlier layout.
    if (vertical)
        r.moveTop(m_control->height() + 2);
    m_overflowFrame = r;
    m_overflowStep = vertical ? 0 : (style ? style->rightMarginForTabBarControl() : 0) + 20;
    const auto sendToMenu = [this, &cells](qsizetype i) {
        VTTabBarCell *cell = cells[size_t(i)].get();
        cell->setState(platform::Cell::State::Off);
        cell->setIsInOverflowMenu(true);
        if (VTProgressIndicator *indicator = cell->indicatorIfMade())
            indicator->placeIn(nullptr);
        cell->setFrame(cellFrameAtIndex(i));
    };
    const qsizetype previouslyVisible = m_visible;
    m_cellCount = n;
    m_visible = visible;
    const qsizetype end
        = m_everyCell ? n : std::min(n, std::max(previouslyVisible, visible) + qsizetype(m_changedCells.size()));
    for (qsizetype i = visible; i < end; ++i)
        sendToMenu(i);
    for (const std::weak_ptr<VTTabBarCell> &weak : m_changedCells) {
        const std::shared_ptr<VTTabBarCell> cell = weak.lock();
        if (!cell || std::find(cells.begin(), cells.begin() + visible, cell) != cells.begin() + visible)
            continue; // gone, or shown by this layout
        if (cell->isInOverflowMenu()) {
            // Selected while in the menu: a tab of the menu is drawn by no cell.
            cell->setState(platform::Cell::State::Off);
            continue;
        }
        // Not in the menu yet: sent there now (looked for from the end, where new tabs
        // mostly go).
        for (qsizetype i = n - 1; i >= end; --i) {
            if (cells[size_t(i)] == cell) {
                sendToMenu(i);
                break;
            }
        }
    }
    m_changedCells.clear();
    m_everyCell = false;
    m_laidOut = end;
}

QMenu *VTTabBarController::overflowMenu()
{
    if (!m_menuBuilt)
        buildOverflowMenu();
    return m_overflowMenu;
}

void VTTabBarController::buildOverflowMenu()
{
    m_menuBuilt = true;
    if (!hasOverflowMenu())
        return;
    ++m_menuBuilds;
    // The cells past the shown ones: those the layout sent to the menu (a change of
    // the cells lays the bar out again before the menu can open).
    const auto &cells = m_control->cells();
    for (qsizetype i = m_visible; i < qsizetype(cells.size()); ++i) {
        VTTabBarCell *cell = cells[size_t(i)].get();
        if (!cell->isInOverflowMenu())
            continue;
        if (!m_overflowMenu) {
            m_overflowMenu = new QMenu(m_control);
            m_overflowMenu->addAction(QString());
            QMenu *menu = m_overflowMenu;
            QObject::connect(menu, &QMenu::aboutToShow, menu, platform::ExceptionBoundary::guarded(menu, "aboutToShow", [menu] {
                for (QAction *action : menu->actions()) {
                    auto *model = platform::KeyValueObservable::toObservable(action->data());
                    auto *item = dynamic_cast<platform::TabViewItem *>(model);
                    auto *identifier = item ? platform::KeyValueObservable::toObservable(item->identifier()) : nullptr;
                    if (identifier && identifier->hasKey(QStringLiteral("icon")))
                        action->setIcon(identifier->valueForKey(QStringLiteral("icon")).value<QIcon>());
                }
            }));
        }
        QString title = AITruncation::stringWithEllipsisByTruncatingToLength(cell->attributedStringValue().string, 60);
        if (cell->count() > 0)
            title += QStringLiteral(" (%1)").arg(qulonglong(ulong(cell->count())));
        QAction *action = m_overflowMenu->addAction(title);
        const platform::TabViewItemPtr item = cell->representedObject();
        action->setData(platform::KeyValueObservable::fromObservable(item.get()));
        QObject::connect(action, &QAction::triggered, m_control,
                         platform::ExceptionBoundary::guarded(m_control, "triggered", [control = m_control, weak = std::weak_ptr<platform::TabViewItem>(item)] {
                             if (auto chosen = weak.lock())
                                 control->overflowMenuAction(chosen.get());
                         }));
    }
}

void VTTabBarController::setSelectedCell(VTTabBarCell *cell)
{
    const auto &cells = m_control->cells();
    qsizetype oldIndex = -1;
    for (qsizetype i = 0; i < qsizetype(cells.size()); ++i) {
        if (cells[size_t(i)]->state() != platform::Cell::State::Off) {
            oldIndex = i;
            break;
        }
    }
    // No selected cell (a selected tab from the overflow menu is reset by the layout):
    // nothing to take the marks from.
    if (oldIndex >= 0) {
        VTTabBarCell *old = cells[size_t(oldIndex)].get();
        VTTabBarCell *before = oldIndex > 0 ? cells[size_t(oldIndex - 1)].get() : nullptr;
        old->setState(platform::Cell::State::Off);
        old->setTabState(VTTabBarCell::DeselectedTab);
        if (before && before != m_control->lastVisibleTab())
            before->setTabState(~before->tabState() & VTTabBarCell::RightIsSelected);
        if (oldIndex + 1 < qsizetype(cells.size())) {
            VTTabBarCell *after = cells[size_t(oldIndex + 1)].get();
            after->setTabState(~(before ? before->tabState() : 0) & VTTabBarCell::LeftIsSelected);
        }
    }
    if (!cell)
        return;
    cell->setState(platform::Cell::State::On);
    cell->setTabState(VTTabBarCell::SelectedTab);
    const auto it = std::find_if(cells.begin(), cells.end(), [cell](const auto &entry) { return entry.get() == cell; });
    if (it == cells.end())
        return;
    if (cell->isInOverflowMenu()) {
        m_changedCells.push_back(*it); // the next layout turns it off again
        return;
    }
    if (it != cells.begin())
        (*(it - 1))->setTabState((*(it - 1))->tabState() | VTTabBarCell::RightIsSelected);
    if (it + 1 != cells.end())
        (*(it + 1))->setTabState((*(it + 1))->tabState() | VTTabBarCell::LeftIsSelected);
}
