#include "components/tabbarview/KZTabDragAssistant.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZSlideButtonsAnimation.h"
#include "components/tabbarview/KZTabBarController.h"
#include "components/tabbarview/KZTabBarExtensions.h"
#include "components/tabbarview/KZTabBarView.h"
#include "platform/drawing/TabView.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/layers/DragSession.h"
#include "platform/layers/DragWindow.h"
#include "platform/layers/DragWindowFade.h"

#include <QCursor>
#include <QMimeData>
#include <QPainter>
#include <QPropertyAnimation>
#include <QtDebug>
#include <algorithm>

namespace {

platform::NotificationCenter &center()
{
    return platform::NotificationCenter::defaultCenter();
}

bool vertical(const KZTabBarView *bar)
{
    return bar->orientation() == KZTabBarView::Vertical;
}

QRect whole(const QRectF &frame)
{
    return QRect(qRound(frame.x()), qRound(frame.y()), std::max(0, qRound(frame.width())),
                 std::max(0, qRound(frame.height())));
}

} // namespace

KZTabDragAssistant *KZTabDragAssistant::sharedDragAssistant()
{
    static KZTabDragAssistant *shared = new KZTabDragAssistant;
    return shared;
}

KZTabDragAssistant::KZTabDragAssistant() : m_fade(new platform::DragWindowFade(this))
{
}

void KZTabDragAssistant::logFailure(const QString &text)
{
    qWarning().noquote() << text;
}

bool KZTabDragAssistant::isTabDrag(const platform::DragInfo &info) const
{
    return info.session() && m_pasteboardItem && info.session()->localObject() == m_pasteboardItem.get()
        && info.hasPasteboardType(KZTabBarView::AttachedTabBarButtonPasteboardType);
}

// ---- The slide ----

bool KZTabDragAssistant::shouldStartDraggingAttachedTabBarButton(KZAttachedTabBarButton *button, KZTabBarView *bar,
                                                                  QPointF pressPoint, QPointF currentPoint) const
{
    if (!button || !bar || m_isSliding || m_isDragging)
        return false;
    return std::abs(currentPoint.x() - pressPoint.x()) >= DragThreshold
        || std::abs(currentPoint.y() - pressPoint.y()) >= DragThreshold;
}

void KZTabDragAssistant::startDraggingAttachedTabBarButton(KZAttachedTabBarButton *button, KZTabBarView *bar,
                                                           QPointF pressPoint)
{
    if (!button || !bar || !button->tabViewItem() || m_isSliding || m_isDragging)
        return;
    auto item = std::make_unique<KZTabPasteboardItem>();
    item->setSourceTabBar(bar);
    item->setAttachedTabBarButton(button);
    item->setTabViewItem(button->tabViewItem());
    item->setSourceIndex(bar->indexOfTabViewItem(button->tabViewItem().get()));
    m_pasteboardItem = std::move(item);
    center().post(DidBeginNotification, m_pasteboardItem.get());

    m_currentIndex = bar->indexOfAttachedButton(button);
    m_proposedIndex = NotFound;
    m_passesAtStart = m_passesSeen = bar->updateCount();
    m_startIndex = m_currentIndex;
    m_grabOffset = pressPoint - QPointF(button->geometry().topLeft());
    m_isSliding = true;
    // A held tab shows its own item: were it the overflow button, a selection from the
    // menu would pin another item to it under the pointer.
    m_heldOverflowButton = button->isOverflowButton();
    if (m_heldOverflowButton) {
        button->setIsOverflowButton(false);
        bar->controller()->overflowMenuOutdated(); // its item is no longer the menu's
    }
    button->setIsInDraggedSlide(true);
    bar->updateTabStateMaskOfAttachedButton(button, m_currentIndex);
    KZTabBarExtensions::orderFront(button);
}

void KZTabDragAssistant::endSlide()
{
    m_isSliding = false;
    if (KZAttachedTabBarButton *button = m_pasteboardItem ? m_pasteboardItem->attachedTabBarButton() : nullptr)
        button->setIsInDraggedSlide(false);
}

void KZTabDragAssistant::slideMovedTo(QPointF p)
{
    if (!m_isSliding || !m_pasteboardItem)
        return;
    KZAttachedTabBarButton *button = m_pasteboardItem->attachedTabBarButton();
    KZTabBarView *bar = m_pasteboardItem->sourceTabBar();
    if (!button || !bar) {
        endSlide();
        return;
    }
    // A pass of the bar since the last move (an edit, a resize) may have changed the
    // row: the button's place is read from the row again.
    if (bar->updateCount() != m_passesSeen) {
        m_passesSeen = bar->updateCount();
        const int index = bar->indexOfAttachedButton(button);
        if (index != NotFound)
            m_currentIndex = index;
    }
    const QPointF origin = p - m_grabOffset;
    if (vertical(bar))
        button->move(button->x(), qRound(origin.y()));
    else
        button->setSlidingFrame(QRect(QPoint(qRound(origin.x()), button->y()), button->size()));

    int index = destinationIndexForButton(button, p, bar);
    if (KZTabBarViewDelegate *delegate = bar->delegate()) {
        if (!delegate->tabViewValidateSlideOfProposedItem(bar->tabView(), button->tabViewItem().get(), index, bar)
                 .value_or(true))
            index = NotFound;
    }
    if (index != NotFound && index != m_currentIndex) {
        m_currentIndex = moveAttachedTabBarButton(button, bar, m_currentIndex, index);
        m_proposedIndex = m_currentIndex;
    } else {
        m_proposedIndex = index;
    }

    if (bar->allowsDetachedDraggingOfTabViewItem(button->tabViewItem().get())) {
        const QRectF zone = vertical(bar) ? QRectF(bar->rect()).adjusted(-StayZone, 0, StayZone, 0)
                                          : QRectF(bar->rect()).adjusted(0, -StayZone, 0, StayZone);
        if (!zone.contains(p)) {
            endSlide();
            detach(button, bar, bar->mapToGlobal(p.toPoint()));
        }
    }
}

void KZTabDragAssistant::slideReleased()
{
    if (!m_isSliding || !m_pasteboardItem)
        return;
    KZAttachedTabBarButton *button = m_pasteboardItem->attachedTabBarButton();
    KZTabBarView *bar = m_pasteboardItem->sourceTabBar();
    // The row as the user leaves it: read while the button still slides (the row is
    // then in the order of the places the drag gave the buttons).
    const std::vector<KZAttachedTabBarButton *> row = bar ? bar->orderedAttachedButtons() : std::vector<KZAttachedTabBarButton *>();
    endSlide();
    if (!button || !bar)
        return;
    const platform::TabViewItemPtr item = button->tabViewItem();
    const int target = droppedIndex(row, button, bar);
    // Tabs added, removed or laid out again while the button was held: the row the drag
    // saw is no longer the bar's.
    // So is a row in which the button stands elsewhere than it started, although its
    // item keeps its index (dropped past the overflow button, whose item is from the
    // menu).
    // And so are tabs still sliding out of the way (stopping them would leave them
    // half-way), and a held overflow button (the bar needs one again).
    const bool changed = bar->needsUpdate() || bar->updateCount() != m_passesAtStart || m_currentIndex != m_startIndex
        || m_slideAnimation || m_heldOverflowButton;
    if (target != NotFound && target != bar->indexOfTabViewItem(item.get())) {
        bar->moveTabViewItem(item, target);
        bar->updateTabBar(false);
    } else if (changed) {
        bar->updateTabBar(false);
    } else if (m_proposedIndex != NotFound && m_proposedIndex == m_currentIndex) {
        if (bar->automaticallyAnimates())
            slideBack(button, bar);
        else
            button->setGeometry(whole(button->stackingFrame()));
    }
}

int KZTabDragAssistant::droppedIndex(const std::vector<KZAttachedTabBarButton *> &row, KZAttachedTabBarButton *button,
                                     KZTabBarView *bar)
{
    // The tab view index that puts the item where the user dropped it: right after the
    // item of the nearest button before it in the row, else right before the item of
    // the nearest button after it (the overflow button aside). Row places and tab view indexes differ as soon as
    // a tab was added or removed during the drag, or some tabs wait in the menu.
    platform::TabView *tabView = bar->tabView();
    const platform::TabViewItemPtr item = button->tabViewItem();
    const auto at = std::find(row.begin(), row.end(), button);
    if (!tabView || !item || at == row.end())
        return NotFound;
    const int own = tabView->indexOfTabViewItem(item.get());
    if (own < 0)
        return NotFound;
    // The overflow button shows an item of the menu (the selected one may be pinned
    // to it from anywhere): its item does not stand at its place.
    const auto heldIndex = [tabView](const KZAttachedTabBarButton *other) {
        if (other->isOverflowButton())
            return -1;
        const platform::TabViewItemPtr otherItem = other->tabViewItem();
        return otherItem && otherItem->tabView() == tabView ? tabView->indexOfTabViewItem(otherItem.get()) : -1;
    };
    for (auto before = at; before != row.begin();) {
        const int index = heldIndex(*--before);
        if (index >= 0)
            return index < own ? index + 1 : index;
    }
    for (auto after = at + 1; after != row.end(); ++after) {
        const int index = heldIndex(*after);
        if (index >= 0)
            return index < own ? index : index - 1;
    }
    return NotFound;
}

void KZTabDragAssistant::slideCancelled()
{
    if (!m_isSliding || !m_pasteboardItem)
        return;
    endSlide();
    dropSlideAnimation();
    if (KZTabBarView *bar = m_pasteboardItem->sourceTabBar()) {
        for (KZAttachedTabBarButton *button : bar->orderedAttachedButtons())
            button->slideAnimationDidEnd();
        // A pass that takes the button away ends the slide from inside the pass: the
        // bar is laid out once more when it is done.
        if (bar->isUpdatingTabBar())
            bar->setNeedsUpdate(true);
        else
            bar->updateTabBar(false);
    }
}

void KZTabDragAssistant::stopSlideAnimationOf(KZTabBarView *bar)
{
    KZSlideButtonsAnimation *animation = m_slideAnimation;
    if (!animation || !bar)
        return;
    for (const platform::ViewAnimationEntry &entry : animation->viewAnimations()) {
        if (entry.target && entry.target->parent() == bar) {
            dropSlideAnimation();
            return;
        }
    }
}

int KZTabDragAssistant::destinationIndexForButton(KZAttachedTabBarButton *button, QPointF point,
                                                  KZTabBarView *bar) const
{
    if (!bar)
        return NotFound;
    const bool isVertical = vertical(bar);
    if ((isVertical && point.y() < bar->topMargin()) || (!isVertical && point.x() < bar->leftMargin()))
        return 0;
    std::vector<KZAttachedTabBarButton *> buttons;
    for (QObject *child : bar->children()) {
        if (auto *attached = qobject_cast<KZAttachedTabBarButton *>(child))
            buttons.push_back(attached);
    }
    std::stable_sort(buttons.begin(), buttons.end(), [isVertical](auto *a, auto *b) {
        return isVertical ? a->stackingFrame().y() < b->stackingFrame().y()
                          : a->stackingFrame().x() < b->stackingFrame().x();
    });
    const QRectF bounds(bar->rect());
    const QPointF projected = isVertical ? QPointF(bounds.x() + bounds.width() / 2, point.y())
                                         : QPointF(point.x(), bounds.y() + bounds.height() / 2);
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (!buttons[i]->stackingFrame().contains(projected))
            continue;
        const int index = static_cast<int>(i);
        if (buttons[i] == button)
            return index;
        const QRectF frame(buttons[i]->geometry());
        const qreal middle = isVertical ? frame.y() + frame.height() * 0.5 : frame.x() + frame.width() * 0.5;
        return middle > (isVertical ? point.y() : point.x()) ? index : index + 1;
    }
    if (m_isSliding)
        return bar->numberOfVisibleTabViewItems() - 1;
    if (!m_isDragging)
        return NotFound;
    if (bar->destinationIndexForDraggedItem() != KZTabBarView::NotFound)
        return bar->destinationIndexForDraggedItem();
    KZAttachedTabBarButton *last = bar->lastAttachedButton();
    if (!last)
        return bar->numberOfVisibleTabViewItems();
    const QRectF lastFrame(last->geometry());
    const bool beyond = isVertical ? point.y() > lastFrame.bottom() : point.x() > lastFrame.right();
    return beyond ? bar->numberOfVisibleTabViewItems() : NotFound;
}

int KZTabDragAssistant::moveAttachedTabBarButton(KZAttachedTabBarButton *button, KZTabBarView *bar, int from, int to)
{
    if (from == to)
        return to;
    dropSlideAnimation();
    const std::vector<KZAttachedTabBarButton *> buttons = bar->orderedAttachedButtons();
    const int n = static_cast<int>(buttons.size());
    const bool forward = to > from;
    const int newIndex = forward ? std::min(n - 1, to) : to;
    const int first = forward ? from + 1 : newIndex;
    const int last = forward ? newIndex : from - 1;
    if (first < 0 || last >= n || first > last)
        return from;
    const bool isVertical = vertical(bar);
    const qreal shift = (isVertical ? button->height() : button->width()) * (forward ? -1 : 1);
    std::vector<KZAttachedTabBarButton *> affected;
    for (int i = first; i <= last; ++i) {
        KZAttachedTabBarButton *moved = buttons[static_cast<size_t>(i)];
        moved->setStackingFrame(moved->stackingFrame().translated(isVertical ? 0 : shift, isVertical ? shift : 0));
        moved->slideAnimationWillStart();
        affected.push_back(moved);
    }
    QRectF own = button->stackingFrame();
    if (forward) {
        const QRectF far = affected.back()->stackingFrame();
        isVertical ? own.moveTop(far.bottom()) : own.moveLeft(far.right());
    } else {
        const QRectF near = affected.front()->stackingFrame();
        isVertical ? own.moveTop(near.top() - button->height()) : own.moveLeft(near.left() - button->width());
    }
    button->setStackingFrame(own);
    bar->updateTabStateMaskOfAttachedButtons();
    startSlideAnimation(new KZSlideButtonsAnimation(affected, bar));
    return newIndex;
}

void KZTabDragAssistant::startSlideAnimation(KZSlideButtonsAnimation *animation)
{
    m_slideAnimation = animation;
    connect(animation, &platform::TimedAnimation::didEnd, this,
        platform::ExceptionBoundary::guarded(this, "didEnd", [this, animation] { finalizeAnimation(animation); }));
    animation->start();
}

void KZTabDragAssistant::slideBack(KZAttachedTabBarButton *button, KZTabBarView *bar)
{
    dropSlideAnimation();
    button->slideAnimationWillStart();
    auto *animation = new KZSlideButtonsAnimation({button}, bar);
    animation->setDuration(SlideBackDuration);
    startSlideAnimation(animation);
}

void KZTabDragAssistant::dropSlideAnimation()
{
    KZSlideButtonsAnimation *animation = m_slideAnimation;
    if (!animation)
        return;
    animation->stop();
    // The buttons it moved are no longer sliding.
    finalizeAnimation(animation);
}

void KZTabDragAssistant::finalizeAnimation(KZSlideButtonsAnimation *animation)
{
    if (animation != m_slideAnimation || !animation)
        return;
    m_slideAnimation = nullptr;
    KZTabBarView *bar = nullptr;
    for (const platform::ViewAnimationEntry &entry : animation->viewAnimations()) {
        if (auto *button = qobject_cast<KZAttachedTabBarButton *>(entry.target.data())) {
            button->slideAnimationDidEnd();
            bar = KZTabBarExtensions::enclosingTabBarView(button);
        }
    }
    if (bar) {
        bar->updateTabStateMaskOfAttachedButtons();
        const std::vector<KZAttachedTabBarButton *> buttons = bar->orderedAttachedButtons();
        const bool overflow = static_cast<int>(buttons.size()) < bar->numberOfTabViewItems();
        // The last button is the overflow button; while a tab is still held, the one the
        // layout marked keeps the mark (an item of the menu may be pinned to it), and the
        // held tab never takes it.
        const bool held = std::any_of(buttons.begin(), buttons.end(), [](auto *b) { return b->isInDraggedSlide(); });
        const bool keep = held && std::any_of(buttons.begin(), buttons.end(), [](auto *b) {
            return b->isOverflowButton() && !b->isInDraggedSlide();
        });
        KZAttachedTabBarButton *marked = nullptr;
        for (auto last = buttons.rbegin(); !keep && !marked && last != buttons.rend(); ++last)
            if (!(*last)->isInDraggedSlide())
                marked = *last;
        bool remarked = false;
        for (KZAttachedTabBarButton *button : buttons) {
            if (keep && !button->isInDraggedSlide())
                continue;
            const bool mark = !keep && overflow && button == marked;
            remarked = remarked || mark != button->isOverflowButton();
            button->setIsOverflowButton(mark);
        }
        if (remarked)
            bar->controller()->overflowMenuOutdated(); // another item stands for the menu
    }
    animation->deleteLater();
}

// ---- The detached drag ----

void KZTabDragAssistant::detach(KZAttachedTabBarButton *button, KZTabBarView *bar, QPoint screenPoint)
{
    m_isDragging = true;
    const QImage image = button->dragImage();
    dropSlideAnimation();
    m_detachedButton.reset(bar->detachAttachedButton(button));
    bar->updateTabBar();
    m_currentTearOffStyle = bar->tearOffStyle();
    m_draggedTab = std::make_unique<KZTabDragWindowController>(image, 0, m_currentTearOffStyle);
    auto data = std::make_unique<QMimeData>();
    data->setData(platform::DragInfo::formatForPasteboardType(KZTabBarView::AttachedTabBarButtonPasteboardType),
                  button->title().toUtf8());
    KZTabPasteboardItem *item = m_pasteboardItem.get();
    platform::DragSession *session = platform::DragSession::begin(bar, bar, std::move(data), screenPoint, {}, item);
    if (!session) {
        logFailure(QStringLiteral("A drag is already running; the tab goes back to its bar."));
        putBack(item);
        finishDragOfPasteboardItem(item);
        return;
    }
}

Qt::DropActions KZTabDragAssistant::draggingSourceOperationMask(bool local, KZTabBarView *) const
{
    return local ? Qt::DropActions(Qt::MoveAction) : Qt::DropActions(Qt::IgnoreAction);
}

void KZTabDragAssistant::draggedImageBeganAt(QPoint screenPoint, KZTabBarView *bar)
{
    if (!m_draggedTab || !m_pasteboardItem)
        return;
    m_draggedTab->window()->setTopLeft(screenPoint);
    m_draggedTab->window()->show();
    m_draggedTab->window()->raise();
    if (bar && bar->tabView() && bar->tabView()->numberOfTabViewItems() == 1)
        draggingExited(bar, m_pasteboardItem.get());
}

void KZTabDragAssistant::draggedImageMovedTo(QPoint p)
{
    if (!m_draggedTab)
        return;
    KZTabDragWindow *tab = m_draggedTab->window();
    if (m_centersDragWindows) {
        if (!m_draggedTab->isAnimating())
            tab->centreOn(QCursor::pos());
    } else {
        tab->setTopLeft(p);
    }
    placeContentWindow();
}

void KZTabDragAssistant::placeContentWindow()
{
    if (!m_draggedView || !m_draggedTab)
        return;
    const QRect tab = m_draggedTab->window()->geometry();
    m_draggedView->window()->setTopLeft(QPoint(qRound(tab.left() - m_dragWindowOffset.width()),
                                               qRound(tab.top() + tab.height() - m_dragWindowOffset.height())));
}

void KZTabDragAssistant::draggedImageEndedAt(QPoint p, Qt::DropAction)
{
    if (!m_isDragging || !m_pasteboardItem)
        return;
    KZTabPasteboardItem *item = m_pasteboardItem.get();
    KZTabBarView *source = item->sourceTabBar();
    const platform::TabViewItemPtr tabItem = item->tabViewItem();
    std::optional<KZTabBarView *> made;
    if (!m_destinationTabBar && source && source->delegate() && tabItem)
        made = source->delegate()->tabViewNewTabBarViewForDraggedTabViewItem(source->tabView(), tabItem.get(), p);
    if (made && *made) {
        KZTabBarView *bar = *made;
        source->setDetachedTabViewItem(nullptr);
        source->removeTabViewItem(tabItem.get());
        source->updateTabBar(false);
        bar->insertAttachedButtonForTabViewItem(tabItem, 0);
        bar->updateTabBar(false);
        if (QWidget *window = bar->window()) {
            if (m_currentTearOffStyle != 0) {
                expandWindow(window, QCursor::pos());
            } else {
                window->show();
                window->raise();
                window->activateWindow();
            }
        }
        source->delegate()->tabViewDidDropTabViewItem(source->tabView(), tabItem.get(), bar);
    } else {
        if (made)
            logFailure(QStringLiteral("Delegate returned no control to add to."));
        putBack(item);
    }
    center().post(DidEndNotification);
    finishDragOfPasteboardItem(item);
}

void KZTabDragAssistant::putBack(KZTabPasteboardItem *item)
{
    KZTabBarView *source = item ? item->sourceTabBar() : nullptr;
    const platform::TabViewItemPtr tabItem = item ? item->tabViewItem() : nullptr;
    if (!source || !tabItem)
        return;
    source->setDetachedTabViewItem(nullptr);
    if (!source->attachedButtonForTabViewItem(tabItem.get()))
        source->insertAttachedButtonForTabViewItem(tabItem, item->sourceIndex());
    if (source->indexOfTabViewItem(tabItem.get()) >= 0)
        source->selectTabViewItem(tabItem.get());
    source->updateTabBar(false);
}

void KZTabDragAssistant::expandWindow(QWidget *window, QPoint p)
{
    window->move(p.x() - window->width() / 2, p.y() - window->height() / 2);
    const bool fades = platform::DragWindow::platformSupportsOpacity();
    if (fades)
        window->setWindowOpacity(0);
    window->show();
    window->raise();
    window->activateWindow();
    if (fades) {
        auto *animation = new QPropertyAnimation(window, "windowOpacity", window);
        animation->setDuration(250);
        animation->setEndValue(1.0);
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    }
}

// ---- Over the bars ----

Qt::DropAction KZTabDragAssistant::draggingEntered(const platform::DragInfo &info, KZTabBarView *bar)
{
    if (!isTabDrag(info) || !m_pasteboardItem->tabViewItem() || !bar)
        return Qt::IgnoreAction;
    const QPointF location = info.locationIn(bar);
    const int index = destinationIndexForButton(m_detachedButton.get(), location, bar);
    if (index == NotFound)
        return Qt::IgnoreAction;
    Qt::DropAction operation = Qt::MoveAction;
    if (KZTabBarViewDelegate *delegate = bar->delegate())
        operation = delegate->tabViewValidateDrop(bar->tabView(), info, m_pasteboardItem->tabViewItem().get(), index,
                                                  bar).value_or(Qt::MoveAction);
    if (operation == Qt::IgnoreAction)
        return Qt::IgnoreAction;
    if (m_draggedTab)
        endDraggingWindow();
    m_destinationTabBar = bar;
    m_currentMouseLocation = location;
    if (index != bar->destinationIndexForDraggedItem()) {
        bar->setDestinationIndexForDraggedItem(index);
        bar->updateTabBar(true);
    }
    return operation;
}

Qt::DropAction KZTabDragAssistant::draggingUpdated(const platform::DragInfo &info, KZTabBarView *bar)
{
    if (!isTabDrag(info) || !m_pasteboardItem->tabViewItem() || !bar)
        return Qt::IgnoreAction;
    const int previous = bar->destinationIndexForDraggedItem();
    const QPointF location = info.locationIn(bar);
    const int index = destinationIndexForButton(m_detachedButton.get(), location, bar);
    Qt::DropAction operation = Qt::MoveAction;
    if (index != NotFound) {
        if (KZTabBarViewDelegate *delegate = bar->delegate())
            operation = delegate->tabViewValidateDrop(bar->tabView(), info, m_pasteboardItem->tabViewItem().get(),
                                                      index, bar).value_or(Qt::MoveAction);
    }
    if (index == NotFound || operation == Qt::IgnoreAction) {
        m_destinationTabBar = nullptr;
        if (previous != KZTabBarView::NotFound)
            draggingExited(bar, m_pasteboardItem.get());
        return Qt::IgnoreAction;
    }
    m_destinationTabBar = bar;
    m_currentMouseLocation = location;
    if (previous == KZTabBarView::NotFound)
        draggingEntered(info, bar);
    if (index != bar->destinationIndexForDraggedItem()) {
        bar->setDestinationIndexForDraggedItem(index);
        bar->updateTabBar(true);
    }
    return operation;
}

void KZTabDragAssistant::draggingExitedTabBarView(KZTabBarView *bar, const platform::DragInfo &info)
{
    if (isTabDrag(info))
        draggingExited(bar, m_pasteboardItem.get());
}

void KZTabDragAssistant::draggingExited(KZTabBarView *bar, KZTabPasteboardItem *item)
{
    if (!item) {
        logFailure(QStringLiteral("Invalid parameter not satisfying: %1").arg(QStringLiteral("pasteboardItem != nil")));
        return;
    }
    if (!bar)
        return;
    const bool isSource = bar == item->sourceTabBar();
    if (isSource && bar->delegate()
        && !bar->delegate()
                ->tabViewShouldAllowTabViewItemToLeaveTabBarView(bar->tabView(), item->tabViewItem().get(), bar)
                .value_or(true))
        return;
    const bool lastTab = isSource && bar->tabView() && bar->tabView()->numberOfTabViewItems() == 1;
    if (!lastTab && bar->destinationIndexForDraggedItem() == KZTabBarView::NotFound)
        return;
    m_destinationTabBar = nullptr;
    bar->setDestinationIndexForDraggedItem(KZTabBarView::NotFound);
    bar->updateTabBar(true);
    beginDraggingWindow(item, lastTab);
}

bool KZTabDragAssistant::performDragOperation(const platform::DragInfo &info, KZTabBarView *)
{
    if (!isTabDrag(info) || !m_pasteboardItem->tabViewItem() || !m_destinationTabBar)
        return false;
    KZTabPasteboardItem *item = m_pasteboardItem.get();
    KZTabBarView *destination = m_destinationTabBar;
    KZTabBarView *source = item->sourceTabBar();
    const platform::TabViewItemPtr tabItem = item->tabViewItem();
    int index = destinationIndexForButton(m_detachedButton.get(), info.locationIn(destination), destination);
    if (KZTabBarViewDelegate *delegate = destination->delegate()) {
        const std::optional<Qt::DropAction> answer =
            delegate->tabViewValidateDrop(destination->tabView(), info, tabItem.get(), index, destination);
        destination->setDestinationIndexForDraggedItem(KZTabBarView::NotFound);
        if (answer && *answer == Qt::IgnoreAction) {
            center().post(DidEndNotification);
            finishDragOfPasteboardItem(item);
            return false;
        }
    } else {
        destination->setDestinationIndexForDraggedItem(KZTabBarView::NotFound);
    }
    if (source) {
        source->setDetachedTabViewItem(nullptr);
        source->setIsReorderingTabViewItems(true);
        source->removeTabViewItem(tabItem.get());
        source->setIsReorderingTabViewItems(false);
    }
    if (index == NotFound)
        index = destination->numberOfTabViewItems();
    destination->setIsReorderingTabViewItems(true);
    destination->insertAttachedButtonForTabViewItem(tabItem, index);
    destination->setIsReorderingTabViewItems(false);
    destination->updateTabBar(false);
    if (source && source != destination)
        source->updateTabBar(false);
    if (source && source->delegate() && !(source == destination && index == item->sourceIndex()))
        source->delegate()->tabViewDidDropTabViewItem(source->tabView(), tabItem.get(), destination);
    center().post(DidEndNotification);
    finishDragOfPasteboardItem(item);
    return true;
}

void KZTabDragAssistant::finishDragOfPasteboardItem(KZTabPasteboardItem *item)
{
    if (!item || item != m_pasteboardItem.get())
        return;
    KZTabBarView *source = item->sourceTabBar();
    const platform::TabViewItemPtr tabItem = item->tabViewItem();
    platform::TabView *sourceTabView = source ? source->tabView() : nullptr;
    if (sourceTabView && sourceTabView->numberOfTabViewItems() == 0) {
        if (source->delegate())
            source->delegate()->tabViewCloseWindowForLastTabViewItem(sourceTabView, tabItem.get());
    } else if (source) {
        // The tab is still at home: its button and its window come back.
        source->setDetachedTabViewItem(nullptr);
        if (tabItem && source->indexOfTabViewItem(tabItem.get()) >= 0
            && !source->attachedButtonForTabViewItem(tabItem.get())) {
            source->insertAttachedButtonForTabViewItem(tabItem, source->indexOfTabViewItem(tabItem.get()));
            source->selectTabViewItem(tabItem.get());
            source->updateTabBar(false);
        }
        if (m_hiddenSourceWindow && m_hiddenSourceWindow == source->window())
            m_hiddenSourceWindow->show();
    }
    m_hiddenSourceWindow = nullptr;
    m_fade->stop();
    m_draggedTab.reset();
    m_draggedView.reset();
    m_detachedButton.reset();
    m_centersDragWindows = false;
    m_isDragging = false;
    KZTabBarView *former = m_destinationTabBar;
    m_destinationTabBar = nullptr;
    if (former)
        former->setDestinationIndexForDraggedItem(KZTabBarView::NotFound);
    m_pasteboardItem.reset();
}

// ---- Drag windows ----

QImage KZTabDragAssistant::contentImage(KZTabPasteboardItem *item, unsigned &styleMask)
{
    styleMask = 0;
    KZTabBarView *source = item->sourceTabBar();
    const platform::TabViewItemPtr tabItem = item->tabViewItem();
    QImage image;
    std::optional<QImage> answered;
    if (source && source->delegate()) {
        m_dragWindowOffset = QSizeF();
        answered = source->delegate()->tabViewImageForTabViewItem(source->tabView(), tabItem.get(),
                                                                  m_dragWindowOffset, styleMask);
    }
    if (answered && !answered->isNull() && m_draggedTab) {
        image = answered->convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QImage tab = m_draggedTab->image();
        const QSizeF tabSize = platform::DragImageView::pointSize(tab);
        QPainter painter(&image);
        if (!vertical(source)) {
            const qreal buttons = source->heightOfTabBarButtons();
            painter.drawImage(QPointF(m_dragWindowOffset.width(), m_dragWindowOffset.height() - buttons), tab);
            m_dragWindowOffset.rheight() -= buttons - tabSize.height();
        } else {
            painter.drawImage(QPointF(m_dragWindowOffset.width() + source->width() - tabSize.width(),
                                      m_dragWindowOffset.height() - tabSize.height()),
                              tab);
        }
    } else if (answered) {
        image = *answered;
    } else if (tabItem && tabItem->view()) {
        image = tabItem->view()->grab().toImage();
    }
    if (styleMask != 0)
        m_dragWindowOffset.rheight() += platform::DragWindow::TitleBarHeight;
    return image;
}

void KZTabDragAssistant::beginDraggingWindow(KZTabPasteboardItem *item, bool isSourceWindow)
{
    KZTabBarView *source = item ? item->sourceTabBar() : nullptr;
    if (!item || !item->tabViewItem() || !source)
        return;
    if (m_fade->isRunning()) {
        m_fade->stop();
        if (m_draggedTab && m_draggedView)
            m_fade->start(platform::DragWindowFade::Direction::In, m_draggedTab->window(), m_draggedView->window());
        return;
    }
    if (!m_draggedTab)
        return;
    if (m_currentTearOffStyle == KZTabDragWindowController::KZTearOffStyleMiniwindow
        && m_draggedTab->alternateImage().isNull()) {
        QImage image = platform::DragWindow::miniature(source->window());
        if (image.isNull()) {
            unsigned mask = 0;
            const QImage content = contentImage(item, mask);
            if (!content.isNull()) {
                const QSize side = platform::DragImageView::pointSize(content)
                                       .scaled(platform::DragWindow::MiniatureSide, platform::DragWindow::MiniatureSide,
                                               Qt::KeepAspectRatio);
                image = content.scaled(side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            }
        }
        m_draggedTab->setAlternateImage(image);
    }
    if (m_currentTearOffStyle == KZTabDragWindowController::KZTearOffStyleContentWindow) {
        if (!m_draggedView) {
            unsigned mask = 0;
            const QImage content = contentImage(item, mask);
            if (!content.isNull())
                m_draggedView = std::make_unique<KZTabDragWindowController>(content, mask, 0);
        }
        if (m_draggedView) {
            placeContentWindow();
            m_draggedView->window()->show();
            m_draggedTab->window()->raise();
        }
    }
    const bool makesBars = source->delegate() && source->delegate()->implementsNewTabBarViewForDraggedTabViewItem();
    if (isSourceWindow && makesBars) {
        if (QWidget *window = source->window(); window && window != source) {
            m_hiddenSourceWindow = window;
            window->hide();
        }
        if (m_currentTearOffStyle != 0) {
            m_draggedTab->switchImages();
            m_centersDragWindows = true;
        } else if (m_draggedView) {
            m_draggedView->window()->setAlpha(KZTabDragWindowController::InitialAlpha);
        }
        return;
    }
    if (m_currentTearOffStyle != 0) {
        m_draggedTab->switchImages();
        m_centersDragWindows = true;
    } else if (m_draggedView) {
        m_fade->start(platform::DragWindowFade::Direction::In, m_draggedTab->window(), m_draggedView->window());
    }
}

void KZTabDragAssistant::endDraggingWindow()
{
    if (m_currentTearOffStyle == KZTabDragWindowController::KZTearOffStyleMiniwindow && m_draggedTab) {
        if (m_draggedTab->window()->isShowingAlternate())
            m_draggedTab->switchImages();
    } else if (m_currentTearOffStyle == KZTabDragWindowController::KZTearOffStyleContentWindow && m_draggedView) {
        m_fade->stop();
        m_draggedTab->window()->raise();
        m_fade->start(platform::DragWindowFade::Direction::Out, m_draggedTab->window(), m_draggedView->window());
    }
}
