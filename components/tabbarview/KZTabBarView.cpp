#include "components/tabbarview/KZTabBarView.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZOverflowPopUpButton.h"
#include "components/tabbarview/KZRolloverButton.h"
#include "components/tabbarview/KZSlideButtonsAnimation.h"
#include "components/tabbarview/KZTabBarAccessibility.h"
#include "components/tabbarview/KZTabBarArtwork.h"
#include "components/tabbarview/KZTabBarController.h"
#include "components/tabbarview/KZTabBarDivider.h"
#include "components/tabbarview/KZTabDragAssistant.h"
#include "components/tabbarview/KZTabStyle.h"
#include "components/tabbarview/KZTabStyleRegistry.h"
#include "components/tabbarview/styles/KZMetalTabStyle.h"
#include "platform/drawing/Cell.h"
#include "platform/drawing/WindowChrome.h"
#include "platform/drawing/WindowChromeObserver.h"
#include "platform/drawing/YUpPainter.h"
#include "platform/foundation/Bindings.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/layers/DragDestinationAdapter.h"
#include "platform/layers/ViewAnimation.h"

#include <QAction>
#include <QDebug>
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPaintEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace {

bool isOn(const KZAttachedTabBarButton *button)
{
    return button->state() == platform::Cell::State::On;
}

qreal finiteOr(qreal value, qreal fallback)
{
    return std::isfinite(value) ? value : fallback;
}

} // namespace

KZTabBarView::KZTabBarView(QWidget *parent)
    : QWidget(parent)
    , m_controller(std::make_unique<KZTabBarController>(this))
    , m_style(std::make_shared<KZMetalTabStyle>())
{
    KZTabBarAccessibility::install();
    updateOverflowPopUpButton();
    updateAddTabButton();
    m_draggedTypes = {AttachedTabBarButtonPasteboardType};
    m_chromeObserver = new platform::WindowChromeObserver(this, this);
    connect(m_chromeObserver, &platform::WindowChromeObserver::toolbarVisibleChanged, this,
            platform::ExceptionBoundary::guarded(this, "toolbarVisibleChanged", [this] { updateTabBar(false); }));
    connect(m_chromeObserver, &platform::WindowChromeObserver::baselineSeparatorChanged, this,
        platform::ExceptionBoundary::guarded(this, "baselineSeparatorChanged", [this] { update(); }));
    platform::DragDestinationAdapter::install(this);
    m_divider = new KZTabBarDivider(this);
    positionDivider();
}

KZTabBarView::~KZTabBarView()
{
    // The window may be going too: its chrome changing now must not lay out a bar
    // that is half gone.
    delete m_chromeObserver;
    m_chromeObserver = nullptr;
    stopSpring();
    delete m_slideAnimation;
    delete m_hideShowAnimation;
    m_slideAnimation = nullptr;
    m_hideShowAnimation = nullptr;
    for (KZAttachedTabBarButton *button : orderedAttachedButtons())
        unbindPropertiesOfAttachedButton(button);
    m_identifierObservers.clear();
    // Buttons waiting for the event loop to delete them go with the bar.
    delete m_retiredButtons;
}

// ---- Tab view ----

void KZTabBarView::setTabView(platform::TabView *tabView)
{
    if (tabView == m_tabView)
        return;
    m_tabView = tabView;
    if (!tabView)
        return;
    const std::vector<platform::TabViewItemPtr> visible = visibleTabViewItems();
    for (const platform::TabViewItemPtr &item : tabView->tabViewItems()) {
        if (std::find(visible.begin(), visible.end(), item) == visible.end())
            addAttachedButtonForTabViewItem(item);
    }
}

int KZTabBarView::numberOfTabViewItems() const
{
    return m_tabView ? m_tabView->numberOfTabViewItems() : 0;
}

platform::TabViewItemPtr KZTabBarView::selectedTabViewItem() const
{
    return m_tabView ? m_tabView->selectedTabViewItem() : nullptr;
}

void KZTabBarView::selectTabViewItem(const platform::TabViewItem *item)
{
    if (m_tabView)
        m_tabView->selectTabViewItem(item);
}

void KZTabBarView::removeTabViewItem(const platform::TabViewItem *item)
{
    if (m_tabView)
        m_tabView->removeTabViewItem(item);
}

int KZTabBarView::indexOfTabViewItem(const platform::TabViewItem *item) const
{
    if (!m_tabView || !item)
        return NotFound;
    return m_tabView->indexOfTabViewItem(item);
}

void KZTabBarView::moveTabViewItem(const platform::TabViewItemPtr &item, int index)
{
    if (!m_tabView || !item)
        return;
    const platform::TabViewItemPtr keep = item;
    m_isReorderingTabViewItems = true;
    m_tabView->removeTabViewItem(keep.get());
    m_tabView->insertTabViewItem(keep, index);
    m_tabView->selectTabViewItem(keep.get());
    m_isReorderingTabViewItems = false;
    // A menu built before the move lists the old order: the next opening builds it anew.
    m_controller->overflowMenuOutdated();
}

std::vector<platform::TabViewItemPtr> KZTabBarView::visibleTabViewItems() const
{
    std::vector<platform::TabViewItemPtr> items;
    for (KZAttachedTabBarButton *button : orderedAttachedButtons()) {
        if (button->tabViewItem())
            items.push_back(button->tabViewItem());
    }
    return items;
}

platform::TabViewItemPtr KZTabBarView::tabViewItemPinnedToOverflowButton() const
{
    KZAttachedTabBarButton *overflow = overflowAttachedButton();
    return overflow ? overflow->tabViewItem() : nullptr;
}

void KZTabBarView::setTabViewItemPinnedToOverflowButton(const platform::TabViewItemPtr &item)
{
    // The overflow button; the last button when the layout made none.
    KZAttachedTabBarButton *button = overflowAttachedButton();
    if (!button)
        button = lastAttachedButton();
    if (!button)
        return;
    unbindPropertiesOfAttachedButton(button);
    button->setTabViewItem(item);
    bindPropertiesOfAttachedButton(button);
}

// ---- Attached buttons ----

std::vector<KZAttachedTabBarButton *> KZTabBarView::orderedAttachedButtons() const
{
    std::vector<KZAttachedTabBarButton *> buttons;
    for (QObject *child : children()) {
        if (auto *button = qobject_cast<KZAttachedTabBarButton *>(child))
            buttons.push_back(button);
    }
    // While a tab of this bar is dragged along the row, the row is what the drag has
    // made of it (the tab view follows at the drop): position order. An animated pass
    // only moves the buttons to the places of the item order, which stays the order.
    const bool dragging = std::any_of(buttons.begin(), buttons.end(), [](auto *b) { return b->isInDraggedSlide(); });
    if (dragging) {
        const bool vertical = m_orientation == Vertical;
        std::stable_sort(buttons.begin(), buttons.end(), [vertical](auto *a, auto *b) {
            return vertical ? a->stackingFrame().y() < b->stackingFrame().y()
                            : a->stackingFrame().x() < b->stackingFrame().x();
        });
        return buttons;
    }
    std::vector<KZAttachedTabBarButton *> ordered;
    ordered.reserve(buttons.size());
    for (const auto &[index, button] : indexedAttachedButtons(std::move(buttons)))
        ordered.push_back(button);
    return ordered;
}

std::vector<std::pair<int, KZAttachedTabBarButton *>> KZTabBarView::indexedAttachedButtons() const
{
    std::vector<KZAttachedTabBarButton *> buttons;
    for (QObject *child : children()) {
        if (auto *button = qobject_cast<KZAttachedTabBarButton *>(child))
            buttons.push_back(button);
    }
    return indexedAttachedButtons(std::move(buttons));
}

std::vector<std::pair<int, KZAttachedTabBarButton *>>
KZTabBarView::indexedAttachedButtons(std::vector<KZAttachedTabBarButton *> buttons) const
{
    // Item order; a button whose item is not in the tab view compares equal to every
    // other, so it is never moved past one (an insertion sort on precomputed indexes).
    // The indexes come from one walk of the tab view that ends once every button's item
    // is found: the shown tabs are the first items, so the walk seldom goes far.
    std::unordered_map<const platform::TabViewItem *, int> indexes;
    indexes.reserve(buttons.size());
    for (KZAttachedTabBarButton *button : buttons)
        if (button->tabViewItem())
            indexes.emplace(button->tabViewItem().get(), NotFound);
    size_t missing = indexes.size();
    if (m_tabView) {
        const auto &items = m_tabView->tabViewItems();
        for (size_t i = 0; i < items.size() && missing > 0; ++i) {
            const auto found = indexes.find(items[i].get());
            if (found != indexes.end() && found->second == NotFound) {
                found->second = static_cast<int>(i);
                --missing;
            }
        }
    }
    std::vector<std::pair<int, KZAttachedTabBarButton *>> keyed;
    keyed.reserve(buttons.size());
    for (KZAttachedTabBarButton *button : buttons)
        keyed.emplace_back(button->tabViewItem() ? indexes.at(button->tabViewItem().get()) : NotFound, button);
    for (size_t i = 1; i < keyed.size(); ++i) {
        for (size_t j = i; j > 0; --j) {
            const int before = keyed[j - 1].first, here = keyed[j].first;
            if (before == NotFound || here == NotFound || before <= here)
                break;
            std::swap(keyed[j - 1], keyed[j]);
        }
    }
    return keyed;
}

int KZTabBarView::numberOfAttachedButtons() const
{
    int count = 0;
    for (QObject *child : children())
        count += qobject_cast<KZAttachedTabBarButton *>(child) ? 1 : 0;
    return count;
}

KZAttachedTabBarButton *KZTabBarView::selectedAttachedButton() const
{
    KZAttachedTabBarButton *selected = nullptr;
    for (QObject *child : children()) {
        if (auto *button = qobject_cast<KZAttachedTabBarButton *>(child); button && isOn(button))
            selected = button;
    }
    return selected;
}

KZAttachedTabBarButton *KZTabBarView::lastAttachedButton() const
{
    const std::vector<KZAttachedTabBarButton *> buttons = orderedAttachedButtons();
    return buttons.empty() ? nullptr : buttons.back();
}

KZAttachedTabBarButton *KZTabBarView::overflowAttachedButton() const
{
    // The layout marks one button at most, the last it lays out. A move between two
    // passes does not move the buttons, so the marked one need not be the last in item
    // order then: it is found by its mark.
    for (QObject *child : children()) {
        if (auto *button = qobject_cast<KZAttachedTabBarButton *>(child); button && button->isOverflowButton())
            return button;
    }
    return nullptr;
}

int KZTabBarView::indexOfAttachedButton(const KZAttachedTabBarButton *button) const
{
    const std::vector<KZAttachedTabBarButton *> buttons = orderedAttachedButtons();
    const auto found = std::find(buttons.begin(), buttons.end(), button);
    return found == buttons.end() ? NotFound : static_cast<int>(found - buttons.begin());
}

KZAttachedTabBarButton *KZTabBarView::attachedButtonForTabViewItem(const platform::TabViewItem *item) const
{
    for (QObject *child : children()) {
        if (auto *button = qobject_cast<KZAttachedTabBarButton *>(child); button && button->tabViewItem().get() == item)
            return button;
    }
    return nullptr;
}

KZAttachedTabBarButton *KZTabBarView::insertAttachedButtonForTabViewItem(const platform::TabViewItemPtr &item, int index)
{
    QRectF frame = genericButtonRect();
    if (KZAttachedTabBarButton *last = lastAttachedButton()) {
        const QRectF lastFrame = last->stackingFrame();
        if (m_orientation == Horizontal) {
            frame.moveLeft(lastFrame.right());
            frame.setWidth(30);
        } else {
            frame = QRectF(frame.x(), lastFrame.bottom(), lastFrame.width(), 0);
        }
    }
    const QRect provisional(qRound(finiteOr(frame.x(), 0)), qRound(finiteOr(frame.y(), 0)),
                            std::clamp(qRound(finiteOr(frame.width(), 0)), 0, QWIDGETSIZE_MAX),
                            std::clamp(qRound(finiteOr(frame.height(), 0)), 0, QWIDGETSIZE_MAX));
    auto *button = new KZAttachedTabBarButton(provisional, item, this);
    button->setRolloverButtonType(1);
    button->setSimulateClickOnMouseHovered(m_allowsScrubbing);
    button->setStyle(m_style);
    bindPropertiesOfAttachedButton(button);
    if (!isHidden())
        button->show();
    if (m_tabView && item && m_tabView->indexOfTabViewItem(item.get()) < 0) {
        m_tabView->insertTabViewItem(item, index);
        m_tabView->selectTabViewItem(item.get());
    }
    return button;
}

KZAttachedTabBarButton *KZTabBarView::addAttachedButtonForTabViewItem(const platform::TabViewItemPtr &item)
{
    return insertAttachedButtonForTabViewItem(item, numberOfAttachedButtons());
}

void KZTabBarView::removeAttachedButton(KZAttachedTabBarButton *button)
{
    if (!button)
        return;
    if (button->parent() == this)
        unbindPropertiesOfAttachedButton(button);
    if (button->parentWidget()) {
        // The button may be sending an event right now: it leaves the bar at once and
        // is deleted when control returns to the event loop. The buttons one pass (or
        // one call) retires share one deferred deletion: each deferred deletion of a
        // widget with events pending scans the whole posted-event queue.
        button->hide();
        if (!m_retiredButtons) {
            m_retiredButtons = new QWidget(this);
            m_retiredButtons->hide();
        }
        button->setParent(m_retiredButtons);
        if (!isUpdatingTabBar())
            deleteRetiredButtonsLater();
    }
}

void KZTabBarView::leaveUpdate()
{
    if (--m_updateDepth > 0)
        return;
    deleteRetiredButtonsLater();
    if (m_updateRequestedDuringPass) {
        m_updateRequestedDuringPass = false;
        setNeedsUpdate(true);
    }
}

void KZTabBarView::deleteRetiredButtonsLater()
{
    if (QWidget *retired = m_retiredButtons) {
        m_retiredButtons = nullptr;
        retired->deleteLater();
    }
}

void KZTabBarView::removeAttachedButton(KZAttachedTabBarButton *button, bool synchronizeTabViewItems)
{
    if (synchronizeTabViewItems && button && m_tabView && button->tabViewItem()
        && m_tabView->indexOfTabViewItem(button->tabViewItem().get()) >= 0) {
        m_tabView->removeTabViewItem(button->tabViewItem().get());
        return;
    }
    removeAttachedButton(button);
}

KZTabBarButton *KZTabBarView::tabBarButtonAtPoint(const QPointF &point) const
{
    if (m_orientation == Horizontal) {
        const QRectF generic = const_cast<KZTabBarView *>(this)->genericButtonRect();
        if (!generic.contains(point))
            return nullptr;
    }
    for (QWidget *hit = childAt(point.toPoint()); hit && hit != this; hit = hit->parentWidget()) {
        if (auto *button = qobject_cast<KZTabBarButton *>(hit))
            return button;
    }
    return nullptr;
}

KZAttachedTabBarButton *KZTabBarView::attachedButtonAtPoint(const QPointF &point) const
{
    return qobject_cast<KZAttachedTabBarButton *>(tabBarButtonAtPoint(point));
}

// ---- Tab state ----

void KZTabBarView::updateTabStateMaskOfAttachedButton(KZAttachedTabBarButton *button, int index,
                                                      KZAttachedTabBarButton *previous, KZAttachedTabBarButton *next)
{
    if (!button)
        return;
    unsigned mask = button->tabState() & ~0xF00u;
    if (previous && next)
        mask |= KZTabStateMiddle;
    else if (previous)
        mask |= KZTabStateLast;
    else if (next)
        mask |= KZTabStateFirst;
    else
        mask |= KZTabStateFirst | KZTabStateLast | KZTabStateSingle;
    // A side without a neighbour has none selected, sliding or at the drop index: marks
    // left from a neighbour the button had before a move or a removal go.
    if (!previous)
        mask &= ~(KZTabStateLeftNeighbourSelected | KZTabStateLeftNeighbourSliding | KZTabStateLeftNeighbourAtDropIndex);
    if (!next)
        mask &= ~(KZTabStateRightNeighbourSelected | KZTabStateRightNeighbourSliding
                  | KZTabStateRightNeighbourAtDropIndex);
    button->setTabState(mask);

    unsigned previousMask = previous ? previous->tabState() : 0;
    unsigned nextMask = next ? next->tabState() : 0;
    const auto apply = [&](bool on, unsigned nextBit, unsigned previousBit) {
        if (on) {
            nextMask |= nextBit;
            previousMask |= previousBit;
        } else {
            nextMask &= ~nextBit;
            previousMask &= ~previousBit;
        }
    };
    apply(isOn(button), KZTabStateLeftNeighbourSelected, KZTabStateRightNeighbourSelected);
    apply(button->isSliding(), KZTabStateLeftNeighbourSliding, KZTabStateRightNeighbourSliding);
    apply(m_destinationIndexForDraggedItem == index, KZTabStateLeftNeighbourAtDropIndex,
          KZTabStateRightNeighbourAtDropIndex);
    if (previous)
        previous->setTabState(previousMask);
    if (next)
        next->setTabState(nextMask);
}

void KZTabBarView::updateTabStateMaskOfAttachedButton(KZAttachedTabBarButton *button, int index)
{
    const std::vector<KZAttachedTabBarButton *> buttons = orderedAttachedButtons();
    if (index < 0 || index >= static_cast<int>(buttons.size()))
        return;
    KZAttachedTabBarButton *previous = index > 0 ? buttons[static_cast<size_t>(index) - 1] : nullptr;
    KZAttachedTabBarButton *next = index + 1 < static_cast<int>(buttons.size()) ? buttons[static_cast<size_t>(index) + 1] : nullptr;
    updateTabStateMaskOfAttachedButton(button, index, previous, next);
}

void KZTabBarView::updateTabStateMaskOfAttachedButtons()
{
    enumerateAttachedButtons(UpdateTabStates, nullptr);
}

void KZTabBarView::enumerateAttachedButtons(const std::vector<KZAttachedTabBarButton *> &buttons, int from, int length,
                                            unsigned options, const EnumerationBlock &block)
{
    const int count = static_cast<int>(buttons.size());
    from = std::clamp(from, 0, count);
    const int end = from + std::clamp(length, 0, count - from);
    const platform::TabViewItemPtr selected = (options & UpdateButtonStates) ? selectedTabViewItem() : nullptr;
    KZAttachedTabBarButton *previous = nullptr;
    for (int index = from; index < end; ++index) {
        KZAttachedTabBarButton *button = buttons[static_cast<size_t>(index)];
        KZAttachedTabBarButton *next = index + 1 < end ? buttons[static_cast<size_t>(index) + 1] : nullptr;
        if (options & UpdateButtonStates) {
            const bool on = selected && button->tabViewItem() == selected;
            button->setState(on ? platform::Cell::State::On : platform::Cell::State::Off);
        }
        if (options & UpdateTabStates)
            updateTabStateMaskOfAttachedButton(button, index, previous, next);
        bool stop = false;
        if (block)
            block(button, index, previous, next, stop);
        if (stop)
            break;
        previous = button;
    }
}

void KZTabBarView::enumerateAttachedButtons(unsigned options, const EnumerationBlock &block)
{
    const std::vector<KZAttachedTabBarButton *> buttons = orderedAttachedButtons();
    enumerateAttachedButtons(buttons, 0, static_cast<int>(buttons.size()), options, block);
}

// ---- Style ----

void KZTabBarView::setStyle(std::shared_ptr<KZTabStyle> style)
{
    if (style == m_style || !style)
        return;
    m_style = std::move(style);
    if (m_orientation == Horizontal && !supportsOrientation(Horizontal))
        m_orientation = Vertical;
    else if (m_orientation == Vertical && !supportsOrientation(Vertical))
        m_orientation = Horizontal;
    updateAddTabButton();
    updateOverflowPopUpButton();
    for (KZAttachedTabBarButton *button : orderedAttachedButtons())
        button->setStyle(m_style);
    updateTabBar(false);
}

QString KZTabBarView::styleName() const
{
    return m_style ? m_style->name() : QString();
}

void KZTabBarView::setStyleNamed(const QString &name)
{
    if (std::shared_ptr<KZTabStyle> style = KZTabStyleRegistry::styleNamed(name))
        setStyle(std::move(style));
}

// ---- Metrics ----

qreal KZTabBarView::heightOfTabBarButtons()
{
    if (m_style)
        if (const auto value = m_style->heightOfTabBarButtonsForTabBarView(this))
            return *value;
    return _heightOfTabBarButtons();
}

qreal KZTabBarView::leftMargin()
{
    if (m_style)
        if (const auto value = m_style->leftMarginForTabBarView(this))
            return *value;
    return _leftMargin();
}

qreal KZTabBarView::rightMargin()
{
    if (m_style)
        if (const auto value = m_style->rightMarginForTabBarView(this))
            return *value;
    return _rightMargin();
}

qreal KZTabBarView::topMargin()
{
    if (m_style)
        if (const auto value = m_style->topMarginForTabBarView(this))
            return *value;
    return _topMargin();
}

qreal KZTabBarView::bottomMargin()
{
    if (m_style)
        if (const auto value = m_style->bottomMarginForTabBarView(this))
            return *value;
    return _bottomMargin();
}

QSizeF KZTabBarView::addTabButtonSize()
{
    if (m_style)
        if (const auto value = m_style->addTabButtonSizeForTabBarView(this))
            return *value;
    return _addTabButtonSize();
}

QRectF KZTabBarView::addTabButtonRect()
{
    if (m_style)
        if (const auto value = m_style->addTabButtonRectForTabBarView(this))
            return *value;
    return _addTabButtonRect();
}

QSizeF KZTabBarView::overflowButtonSize()
{
    if (m_style)
        if (const auto value = m_style->overflowButtonSizeForTabBarView(this))
            return *value;
    return _overflowButtonSize();
}

QRectF KZTabBarView::overflowButtonRect()
{
    if (m_style)
        if (const auto value = m_style->overflowButtonRectForTabBarView(this))
            return *value;
    return _overflowButtonRect();
}

bool KZTabBarView::supportsOrientation(unsigned orientation)
{
    if (m_style)
        if (const auto value = m_style->supportsOrientation(orientation, this))
            return *value;
    return _supportsOrientation(orientation);
}

QSizeF KZTabBarView::_addTabButtonSize() const
{
    return m_orientation == Horizontal ? QSizeF(12, height()) : QSizeF(width(), 18);
}

QSizeF KZTabBarView::_overflowButtonSize() const
{
    return m_orientation == Horizontal ? QSizeF(14, height()) : QSizeF(width(), 18);
}

QRectF KZTabBarView::_addTabButtonRect()
{
    if (!m_showAddTabButton)
        return {};
    const QSizeF size = addTabButtonSize();
    KZAttachedTabBarButton *last = lastAttachedButton();
    if (m_orientation == Horizontal) {
        qreal x = 4;
        if (last) {
            x = last->stackingFrame().right() + 4;
            if (last->isOverflowButton())
                x += 4 + overflowButtonSize().width();
        }
        return QRectF(QPointF(x, rect().y()), size);
    }
    return QRectF(QPointF(rect().x(), last ? last->stackingFrame().bottom() : 0), size);
}

QRectF KZTabBarView::_overflowButtonRect()
{
    if (!m_useOverflowMenu)
        return {};
    const QSizeF size = overflowButtonSize();
    KZAttachedTabBarButton *last = lastAttachedButton();
    if (m_orientation == Horizontal)
        return QRectF(QPointF(last ? last->stackingFrame().right() : 0, rect().y()), size);
    return QRectF(QPointF(rect().x(), last ? last->stackingFrame().bottom() : 0), size);
}

qreal KZTabBarView::availableWidthForButtons()
{
    qreal available = width() - leftMargin() - rightMargin() - m_resizeAreaCompensation;
    if (m_showAddTabButton)
        available -= addTabButtonSize().width() + 8;
    return available;
}

qreal KZTabBarView::availableHeightForButtons()
{
    qreal available = height() - topMargin() - bottomMargin() - m_resizeAreaCompensation;
    if (m_showAddTabButton)
        available -= addTabButtonRect().height();
    if (m_useOverflowMenu && m_overflowPopUpButton && !m_overflowPopUpButton->isHidden())
        available -= overflowButtonRect().height();
    return available;
}

QRectF KZTabBarView::genericButtonRect()
{
    return QRectF(leftMargin(), topMargin(), availableWidthForButtons(), heightOfTabBarButtons());
}

// ---- Options ----

void KZTabBarView::setOrientation(unsigned orientation)
{
    const unsigned old = m_orientation;
    m_orientation = orientation;
    if (m_tabBarWidth <= 9)
        m_tabBarWidth = 120;
    if (old != orientation)
        updateTabBar(false);
}

void KZTabBarView::setOnlyShowCloseOnHover(bool only)
{
    m_onlyShowCloseOnHover = only;
    setNeedsUpdate(true);
}

void KZTabBarView::setCanCloseOnlyTab(bool can)
{
    // Always kept; only a lone tab shows the difference at once.
    m_canCloseOnlyTab = can;
    if (numberOfAttachedButtons() == 1)
        setNeedsUpdate(true);
}

void KZTabBarView::setDisableTabClose(bool disable)
{
    m_disableTabClose = disable;
    setNeedsUpdate(true);
}

void KZTabBarView::setHideForSingleTab(bool hide)
{
    m_hideForSingleTab = hide;
    setNeedsUpdate(true);
}

void KZTabBarView::setShowAddTabButton(bool show)
{
    m_showAddTabButton = show;
    setNeedsUpdate(true);
}

void KZTabBarView::setButtonMinWidth(int width)
{
    m_buttonMinWidth = width;
    setNeedsUpdate(true);
}

bool KZTabBarView::refusesButtonWidth(int width, const char *what)
{
    if (width > 0)
        return false;
    qWarning().noquote() << QStringLiteral("KZTabBarView/KZTabBarView: %1 of %2 refused: a tab needs a width above 0")
                                .arg(QLatin1String(what))
                                .arg(width);
    return true;
}

void KZTabBarView::setButtonMaxWidth(int width)
{
    if (refusesButtonWidth(width, "a maximum button width"))
        return;
    m_buttonMaxWidth = width;
    setNeedsUpdate(true);
}

void KZTabBarView::setButtonOptimumWidth(int width)
{
    if (refusesButtonWidth(width, "an optimum button width"))
        return;
    m_buttonOptimumWidth = width;
    setNeedsUpdate(true);
}

void KZTabBarView::setSizeButtonsToFit(bool fit)
{
    m_sizeButtonsToFit = fit;
    setNeedsUpdate(true);
}

void KZTabBarView::setUseOverflowMenu(bool use)
{
    m_useOverflowMenu = use;
    setNeedsUpdate(true);
}

void KZTabBarView::setAllowsBackgroundTabClosing(bool allows)
{
    m_allowsBackgroundTabClosing = allows;
    setNeedsUpdate(true);
}

void KZTabBarView::setAllowsScrubbing(bool allows)
{
    m_allowsScrubbing = allows;
    for (KZAttachedTabBarButton *button : orderedAttachedButtons())
        button->setSimulateClickOnMouseHovered(allows);
}

void KZTabBarView::setDelegate(KZTabBarViewDelegate *delegate)
{
    m_delegate = delegate;
    m_archivedDelegate.reset();
    m_draggedTypes = {AttachedTabBarButtonPasteboardType};
    if (delegate) {
        if (const std::optional<QStringList> types = delegate->allowedDraggedTypesForTabView(m_tabView))
            m_draggedTypes += *types;
    }
}

// ---- Queries ----

bool KZTabBarView::isWindowActive() const
{
    return platform::WindowChrome::isWindowActive(this);
}

bool KZTabBarView::isOverflowButtonVisible() const
{
    return m_overflowPopUpButton && m_overflowPopUpButton->width() > 0 && m_overflowPopUpButton->height() > 0
        && !m_overflowPopUpButton->isHidden();
}

bool KZTabBarView::allowsDetachedDraggingOfTabViewItem(platform::TabViewItem *item)
{
    if (!m_delegate)
        return false;
    return m_delegate->tabViewShouldAllowTabViewItemToLeaveTabBarView(m_tabView, item, this).value_or(false);
}

// ---- Actions ----

void KZTabBarView::_didClickTabButton(QObject *sender)
{
    auto *button = qobject_cast<KZAttachedTabBarButton *>(sender);
    if (button && button->tabViewItem())
        selectTabViewItem(button->tabViewItem().get());
}

void KZTabBarView::_didClickCloseButton(QObject *sender)
{
    KZAttachedTabBarButton *button = nullptr;
    for (auto *widget = qobject_cast<QWidget *>(sender); widget && !button; widget = widget->parentWidget())
        button = qobject_cast<KZAttachedTabBarButton *>(widget);
    const platform::TabViewItemPtr item = button ? button->tabViewItem() : nullptr;
    if (!item || (numberOfAttachedButtons() == 1 && !m_canCloseOnlyTab)) {
        beep();
        return;
    }
    if (m_delegate && !m_delegate->tabViewShouldCloseTabViewItem(m_tabView, item.get()).value_or(true))
        return;
    if (m_delegate)
        m_delegate->tabViewWillCloseTabViewItem(m_tabView, item.get());
    removeTabViewItem(item.get());
    if (m_delegate)
        m_delegate->tabViewDidCloseTabViewItem(m_tabView, item.get());
}

void KZTabBarView::_addNewTab(QObject *)
{
    if (m_delegate)
        m_delegate->addNewTabToTabView(m_tabView);
}

void KZTabBarView::_overflowMenuAction(QObject *sender)
{
    if (const platform::TabViewItemPtr item = m_controller->itemOfAction(qobject_cast<QAction *>(sender)))
        selectTabViewItem(item.get());
}

bool KZTabBarView::validateMenuItem(QAction *action)
{
    const platform::TabViewItemPtr item = m_controller->itemOfAction(action);
    action->setCheckable(true);
    action->setChecked(item && item == selectedTabViewItem());
    if (m_delegate)
        return m_delegate->tabViewValidateOverflowMenuItem(m_tabView, action, item.get()).value_or(true);
    return true;
}

QMenu *KZTabBarView::menuForTabBarButton(KZTabBarButton *button, QContextMenuEvent *)
{
    auto *attached = qobject_cast<KZAttachedTabBarButton *>(button);
    if (!attached || !attached->tabViewItem())
        return nullptr;
    return menuForTabViewItem(attached->tabViewItem().get());
}

QMenu *KZTabBarView::menuForTabViewItem(platform::TabViewItem *item)
{
    if (!item || !m_delegate)
        return nullptr;
    return m_delegate->tabViewMenuForTabViewItem(m_tabView, item);
}

void KZTabBarView::beep()
{
    QApplication::beep();
}

// ---- Update ----

void KZTabBarView::setNeedsUpdate(bool needs)
{
    if (!needs) {
        m_needsUpdate = false;
        return;
    }
    if (isUpdatingTabBar()) {
        // Asked while a pass runs (a delegate answering the hide it reports, say): one
        // more pass follows this one. The running pass may be the queued one, whose
        // flag stays set until its last step: the request must not count as pending.
        m_updateRequestedDuringPass = true;
        return;
    }
    if (m_needsUpdate)
        return;
    m_needsUpdate = true;
    QMetaObject::invokeMethod(this,
        platform::ExceptionBoundary::guarded(this, "a queued call", [this] { updateTabBar(); }), Qt::QueuedConnection);
}

void KZTabBarView::tabButtonContentDidChange()
{
    if (m_sizeButtonsToFit && !isUpdatingTabBar())
        setNeedsUpdate(true);
}

void KZTabBarView::updateTabBar()
{
    const bool visible = window() && window()->isVisible() && !isHidden();
    updateTabBar(visible && m_automaticallyAnimates);
}

void KZTabBarView::updateTabBar(bool animate)
{
    ++m_updateDepth;
    ++m_updateCount;
    // A slide still running goes no further: the buttons stay where it left them and
    // this pass moves them on (at once or in a slide of its own). Left running, it
    // would carry them to the frames of an earlier layout.
    stopSlideAnimation();
    // So does a slide of the drag's own (buttons making way for a dragged tab).
    KZTabDragAssistant::sharedDragAssistant()->stopSlideAnimationOf(this);
    // 1. Hide or show the bar (not while a tab is dragged).
    const bool dragging = KZTabDragAssistant::sharedDragAssistant()->isDragging();
    if (dragging) {
    } else if (m_isHidden && shouldDisplayTabBar()) {
        hideTabBar(false, animate);
    } else if (!m_isHidden && !shouldDisplayTabBar()) {
        hideTabBar(true, animate);
        setNeedsUpdate(false);
        leaveUpdate();
        return;
    }
    if (!m_tabView) {
        // Nothing to mirror: the tabs stay as they are.
        setNeedsUpdate(false);
        leaveUpdate();
        update();
        Q_EMIT tabBarUpdated();
        return;
    }
    // 2. Tabs whose items left the tab view.
    for (const auto &[index, button] : indexedAttachedButtons()) {
        const platform::TabViewItemPtr item = button->tabViewItem();
        if (!item || index != NotFound)
            continue;
        if (m_delegate)
            m_delegate->tabViewDidDetachTabViewItem(m_tabView, item.get());
        removeAttachedButton(button);
    }
    // 3. Tabs for new items: the layout gives them buttons as far as the row reaches,
    // and the menu takes the rest as items.
    // 4. Layout and selection.
    m_controller->layoutButtons(true);
    synchronizeSelection();
    // 5. The overflow button; its menu is filled when it is about to open.
    if (m_overflowPopUpButton) {
        m_overflowPopUpButton->setVisible(m_controller->hasOverflowMenu());
        positionOverflowMenu();
    }
    // 6./7. Move the buttons to their stacking frames.
    const std::vector<KZAttachedTabBarButton *> buttons = orderedAttachedButtons();
    if (animate) {
        m_slideAnimation = new KZSlideButtonsAnimation(buttons, this);
        if (m_showAddTabButton && m_addTabButton)
            m_slideAnimation->addAnimationDictionary({m_addTabButton, QRectF(m_addTabButton->geometry()),
                                                      addTabButtonRect(), {}});
        else
            positionAddTabButton();
        for (KZAttachedTabBarButton *button : buttons)
            button->slideAnimationWillStart();
        connect(m_slideAnimation, &platform::TimedAnimation::didEnd, this,
            platform::ExceptionBoundary::guarded(this, "finalizeSlideAnimation", &KZTabBarView::finalizeSlideAnimation));
        connect(m_slideAnimation, &platform::TimedAnimation::didStop, this,
            platform::ExceptionBoundary::guarded(this, "finalizeSlideAnimation", &KZTabBarView::finalizeSlideAnimation));
        m_slideAnimation->start();
    } else {
        for (KZAttachedTabBarButton *button : buttons) {
            const QRectF frame = button->stackingFrame();
            button->setGeometry(qRound(finiteOr(frame.x(), 0)), qRound(finiteOr(frame.y(), 0)),
                                std::clamp(qRound(finiteOr(frame.width(), 0)), 0, QWIDGETSIZE_MAX),
                                std::clamp(qRound(finiteOr(frame.height(), 0)), 0, QWIDGETSIZE_MAX));
        }
        positionAddTabButton();
        updateTrackingAreas();
        update();
    }
    for (QObject *child : children()) {
        if (auto *button = qobject_cast<KZTabBarButton *>(child))
            button->calcSize();
    }
    positionDivider();
    // 8.
    setNeedsUpdate(false);
    leaveUpdate();
    Q_EMIT tabBarUpdated();
}

void KZTabBarView::stopSlideAnimation()
{
    if (!m_slideAnimation)
        return;
    m_slideAnimation->stop();
    finalizeSlideAnimation();
}

void KZTabBarView::finalizeSlideAnimation()
{
    if (!m_slideAnimation)
        return;
    KZSlideButtonsAnimation *animation = m_slideAnimation;
    m_slideAnimation = nullptr;
    for (KZAttachedTabBarButton *button : orderedAttachedButtons())
        button->slideAnimationDidEnd();
    // No neighbour slides any more.
    updateTabStateMaskOfAttachedButtons();
    animation->deleteLater();
    positionAddTabButton();
    updateTrackingAreas();
    update();
}

void KZTabBarView::updateTrackingAreas()
{
    for (QObject *child : children()) {
        if (auto *button = qobject_cast<KZRolloverButton *>(child))
            button->updateTrackingAreas();
    }
}

void KZTabBarView::layoutButtons()
{
    m_controller->layoutButtons();
    synchronizeSelection();
}

bool KZTabBarView::shouldDisplayTabBar() const
{
    return !(m_hideForSingleTab && numberOfTabViewItems() <= 1);
}

void KZTabBarView::synchronizeSelection()
{
    const platform::TabViewItemPtr selected = selectedTabViewItem();
    KZAttachedTabBarButton *button = selected ? attachedButtonForTabViewItem(selected.get()) : nullptr;
    if (!button && selected) {
        // A selected tab without a button of its own is shown by the overflow button.
        if (KZAttachedTabBarButton *overflow = overflowAttachedButton()) {
            setTabViewItemPinnedToOverflowButton(selected);
            button = overflow;
        }
    }
    for (KZAttachedTabBarButton *each : orderedAttachedButtons()) {
        each->setTabState(each->tabState() & ~(KZTabStateLeftNeighbourSelected | KZTabStateRightNeighbourSelected));
        const platform::Cell::State state = each == button ? platform::Cell::State::On : platform::Cell::State::Off;
        if (each->state() != state)
            each->setState(state);
    }
    if (button) {
        const int index = indexOfAttachedButton(button);
        if (index != NotFound)
            updateTabStateMaskOfAttachedButton(button, index);
    }
}

void KZTabBarView::positionOverflowMenu()
{
    const QRectF frame = overflowButtonRect();
    if (frame.isNull() || !m_overflowPopUpButton)
        return;
    m_overflowPopUpButton->setFrame(QRect(qRound(finiteOr(frame.x(), 0)), qRound(finiteOr(frame.y(), 0)),
                                          std::clamp(qRound(finiteOr(frame.width(), 0)), 0, QWIDGETSIZE_MAX),
                                          std::clamp(qRound(finiteOr(frame.height(), 0)), 0, QWIDGETSIZE_MAX)));
}

void KZTabBarView::positionAddTabButton()
{
    if (!m_addTabButton)
        return;
    const QRectF frame = addTabButtonRect();
    if (!frame.isEmpty())
        m_addTabButton->setGeometry(qRound(finiteOr(frame.x(), 0)), qRound(finiteOr(frame.y(), 0)),
                                    std::clamp(qRound(finiteOr(frame.width(), 0)), 0, QWIDGETSIZE_MAX),
                                    std::clamp(qRound(finiteOr(frame.height(), 0)), 0, QWIDGETSIZE_MAX));
    m_addTabButton->setHidden(!m_showAddTabButton);
    m_addTabButton->update();
}

void KZTabBarView::updateAddTabButton()
{
    delete m_addTabButton;
    m_addTabButton = new KZRolloverButton(this);
    m_addTabButton->setImage(KZTabBarArtwork::imageNamed(QStringLiteral("AquaTabNew")));
    m_addTabButton->setAlternateImage(KZTabBarArtwork::imageNamed(QStringLiteral("AquaTabNewPressed")));
    m_addTabButton->setRolloverImage(KZTabBarArtwork::imageNamed(QStringLiteral("AquaTabNewRollover")));
    m_addTabButton->setRolloverButtonType(0);
    if (m_style)
        m_style->updateAddButton(m_addTabButton, this);
    m_addTabButton->setTarget(this);
    m_addTabButton->setAction("_addNewTab");
    m_addTabButton->setHidden(!m_showAddTabButton);
    positionAddTabButton();
}

void KZTabBarView::updateOverflowPopUpButton()
{
    delete m_overflowPopUpButton;
    m_overflowPopUpButton = new KZOverflowPopUpButton(this);
    m_overflowPopUpButton->setVisible(false);
    if (m_style)
        m_style->updateOverflowPopUpButton(m_overflowPopUpButton, this);
    connectOverflowPopUpButton();
    positionOverflowMenu();
    const bool show = m_useOverflowMenu && m_tabView && numberOfAttachedButtons() != numberOfTabViewItems();
    m_overflowPopUpButton->setVisible(show);
}

void KZTabBarView::connectOverflowPopUpButton()
{
    connect(m_overflowPopUpButton, &KZOverflowPopUpButton::menuWillPopUp, this, &KZTabBarView::fillOverflowMenu,
            Qt::UniqueConnection);
    connect(m_overflowPopUpButton->menu(), &QMenu::aboutToShow, this, &KZTabBarView::updateOverflowMenuImages,
            Qt::UniqueConnection);
}

void KZTabBarView::fillOverflowMenu()
try {
    // A pass asked for and not yet run first (the tab view's count changed): the menu
    // lists the tabs as they are.
    if (m_needsUpdate && !isUpdatingTabBar())
        updateTabBar(false);
    // The pull-down shows the actions of the last layout's menu; it takes them again
    // only after a layout or a rebuilt menu.
    QMenu *menu = m_controller->overflowMenu();
    // A label changed since the menu was built (its pass not run yet) shows as it is.
    m_controller->updateOverflowMenuTitles();
    QMenu *shown = m_overflowPopUpButton->menu();
    const QList<QAction *> actions = menu ? menu->actions() : QList<QAction *>();
    if (shown->actions() == actions)
        return;
    shown->clear();
    shown->addActions(actions);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "fillOverflowMenu");
}

void KZTabBarView::updateOverflowMenuImages()
try {
    fillOverflowMenu();
    m_controller->updateOverflowMenuItems();
    for (QAction *action : m_overflowPopUpButton->menu()->actions()) {
        if (m_controller->itemOfAction(action))
            action->setEnabled(validateMenuItem(action));
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "updateOverflowMenuImages");
}

void KZTabBarView::updateImages()
{
    for (KZAttachedTabBarButton *button : orderedAttachedButtons())
        button->updateImages();
    updateAddTabButton();
    updateOverflowPopUpButton();
}

// ---- Bindings ----

void KZTabBarView::bindPropertiesOfAttachedButton(KZAttachedTabBarButton *button)
{
    ++m_updateDepth; // values applied while binding ask for no pass of their own
    button->bindToTabViewItem();
    leaveUpdate();
    if (const platform::TabViewItemPtr item = button->tabViewItem()) {
        m_identifierObservers[button] = std::make_unique<platform::BindingObserver>(
            item.get(), QStringLiteral("identifier"), [this, button] { rebindAttachedButton(button); });
    }
}

void KZTabBarView::unbindPropertiesOfAttachedButton(KZAttachedTabBarButton *button)
{
    m_identifierObservers.erase(button);
    button->unbindFromTabViewItem();
}

void KZTabBarView::rebindAttachedButton(KZAttachedTabBarButton *button)
{
    ++m_updateDepth;
    button->bindToTabViewItem();
    leaveUpdate();
    tabButtonContentDidChange();
}

// ---- Tab view delegate ----

bool KZTabBarView::tabViewShouldSelectTabViewItem(platform::TabView *, platform::TabViewItem *item)
{
    return m_delegate ? m_delegate->tabViewShouldSelectTabViewItem(m_tabView, item).value_or(true) : true;
}

void KZTabBarView::tabViewWillSelectTabViewItem(platform::TabView *, platform::TabViewItem *item)
{
    if (m_delegate)
        m_delegate->tabViewWillSelectTabViewItem(m_tabView, item);
}

void KZTabBarView::tabViewDidSelectTabViewItem(platform::TabView *, platform::TabViewItem *item)
{
    synchronizeSelection();
    // Without background closing only the selected tab has a close button, which the
    // layout gives: the pass moves it to the new selection.
    if (!m_allowsBackgroundTabClosing)
        setNeedsUpdate(true);
    if (m_delegate)
        m_delegate->tabViewDidSelectTabViewItem(m_tabView, item);
}

void KZTabBarView::tabViewDidChangeNumberOfTabViewItems(platform::TabView *tabView)
{
    if (tabView != m_tabView || m_isReorderingTabViewItems)
        return;
    setNeedsUpdate(true);
    if (m_delegate)
        m_delegate->tabViewDidChangeNumberOfTabViewItems(m_tabView);
}

// ---- Hiding ----

void KZTabBarView::hideTabBar(bool hide, bool animate)
{
    if (hide == m_isHidden)
        return;
    m_isHidden = hide;
    QWidget *partner = m_partnerView;
    QWidget *window = this->window();
    const bool useWindow = !partner && window && window != this;
    // Work in y-up coordinates: the partner's superview, or the screen for the window.
    QRectF frame;
    qreal spaceHeight = 0;
    if (partner) {
        spaceHeight = partner->parentWidget() ? partner->parentWidget()->height() : partner->height();
        frame = platform::YUpPainter::rectFromView(QRectF(partner->geometry()), spaceHeight);
    } else if (useWindow) {
        spaceHeight = window->screen() ? window->screen()->geometry().height() : 0;
        frame = platform::YUpPainter::rectFromView(QRectF(window->geometry()), spaceHeight);
    }
    QRectF bar = QRectF(geometry());
    if (partner && partner->parentWidget() && parentWidget() && partner->parentWidget() != parentWidget())
        bar.moveTopLeft(QPointF(parentWidget()->mapTo(partner->window(), geometry().topLeft()))
                        - QPointF(partner->parentWidget()->mapTo(partner->window(), QPoint(0, 0))));
    bar = platform::YUpPainter::rectFromView(bar, spaceHeight);

    if (m_orientation == Vertical) {
        if (hide)
            m_tabBarWidth = width();
        const qreal w = hide ? width() : -m_tabBarWidth;
        if (partner && frame.right() > bar.x()) {
            frame.translate(-w, 0);
            frame.setWidth(frame.width() + w);
        } else if (partner) {
            frame.setWidth(frame.width() + w);
        } else {
            frame.translate(w, 0);
            frame.setWidth(frame.width() - w);
        }
    } else {
        const qreal h = hide ? CollapsedHeight : -CollapsedHeight;
        if (partner && frame.y() < bar.y() - CollapsedHeight) {
            frame.setHeight(frame.height() + h);
        } else if (partner) {
            frame.setHeight(frame.height() + h);
            frame.translate(0, -h);
        } else {
            frame.setHeight(frame.height() - h);
            frame.translate(0, h);
        }
    }
    const QRectF target = platform::YUpPainter::rectToView(frame, spaceHeight);
    if (hide)
        setHidden(true);

    if (partner && animate) {
        if (m_hideShowAnimation) {
            platform::ViewAnimation *old = m_hideShowAnimation;
            m_hideShowAnimation = nullptr;
            old->stop();
            old->deleteLater();
        }
        platform::ViewAnimationEntry entry{partner, QRectF(partner->geometry()), target,
                                           {{QStringLiteral("hide"), hide}}};
        m_hideShowAnimation = new platform::ViewAnimation({entry}, this);
        m_hideShowAnimation->setDuration(HideShowDuration);
        platform::ViewAnimation *animation = m_hideShowAnimation;
        const auto finish = [this, animation, hide] {
            if (m_hideShowAnimation != animation)
                return;
            m_hideShowAnimation = nullptr;
            animation->deleteLater();
            updateTrackingAreas();
            finalizeHideShow(hide);
        };
        connect(animation, &platform::TimedAnimation::didEnd, this, platform::ExceptionBoundary::guarded(this, "didEnd", finish));
        connect(animation, &platform::TimedAnimation::didStop, this,
                platform::ExceptionBoundary::guarded(this, "didStop", finish));
        animation->start();
        return;
    }
    if (partner)
        partner->setGeometry(target.toRect());
    else if (useWindow)
        window->setGeometry(target.toRect());
    finalizeHideShow(hide);
}

void KZTabBarView::finalizeHideShow(bool hidden)
{
    if (!hidden)
        setHidden(false);
    for (QObject *child : children()) {
        if (auto *button = qobject_cast<KZTabBarButton *>(child))
            button->calcSize();
    }
    if (!m_delegate)
        return;
    if (hidden)
        m_delegate->tabViewTabBarViewDidHide(m_tabView, this);
    else
        m_delegate->tabViewTabBarViewDidUnhide(m_tabView, this);
}

void KZTabBarView::checkWindowFrame()
{
    QWidget *window = this->window();
    if (!window || window == this) {
        m_resizeAreaCompensation = 0;
        return;
    }
    const QRect content = window->rect();
    const QRect corner(content.right() - 21, content.bottom() - 21, 22, 22);
    const QRect frame(mapTo(window, QPoint(0, 0)), size());
    if (platform::WindowChrome::showsResizeIndicator(window) && frame.intersects(corner))
        m_resizeAreaCompensation = platform::WindowChrome::hasTexturedBackground(window) ? 20 : 8;
    else
        m_resizeAreaCompensation = 0;
}

// ---- Events ----

void KZTabBarView::resizeEvent(QResizeEvent *event)
try {
    QWidget::resizeEvent(event);
    positionDivider();
    checkWindowFrame();
    if (!isUpdatingTabBar())
        updateTabBar(false);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

void KZTabBarView::moveEvent(QMoveEvent *event)
try {
    QWidget::moveEvent(event);
    checkWindowFrame();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "moveEvent");
}

void KZTabBarView::showEvent(QShowEvent *event)
try {
    QWidget::showEvent(event);
    checkWindowFrame();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "showEvent");
}

void KZTabBarView::changeEvent(QEvent *event)
try {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        updateImages();
        positionOverflowMenu();
        update();
    } else if (event->type() == QEvent::ParentChange) {
        stopSlideAnimation();
        checkWindowFrame();
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "changeEvent");
}

// ---- Drawing ----

void KZTabBarView::paintEvent(QPaintEvent *event)
try {
    QPainter painter(this);
    drawRect(painter, QRectF(event->rect()));
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

void KZTabBarView::drawRect(QPainter &painter, const QRectF &rect)
{
    if (m_style && m_style->drawTabBarView(this, painter, rect))
        return;
    drawBezelInRect(painter, rect);
    if (height() >= 2) {
        drawButtonBezelsInRect(painter, rect);
        drawInteriorInRect(painter, rect);
    }
}

void KZTabBarView::drawBezelInRect(QPainter &painter, const QRectF &rect)
{
    if (m_style)
        m_style->drawBezelOfTabBarView(this, painter, rect);
}

void KZTabBarView::drawButtonBezelsInRect(QPainter &painter, const QRectF &rect)
{
    if (m_style && m_style->drawButtonBezelsOfTabBarView(this, painter, rect))
        return;
    const std::vector<KZAttachedTabBarButton *> buttons = orderedAttachedButtons();
    const auto selected = std::find_if(buttons.begin(), buttons.end(), [](auto *b) { return isOn(b); });
    const unsigned selectedIndex = selected == buttons.end() ? static_cast<unsigned>(NotFound)
                                                             : static_cast<unsigned>(selected - buttons.begin());
    for (size_t index = 0; index < buttons.size(); ++index) {
        painter.save();
        if (m_style)
            m_style->drawBezelOfButton(buttons[index], static_cast<unsigned>(index), buttons, selectedIndex, this,
                                       painter, rect);
        painter.restore();
    }
    if (isOverflowButtonVisible() && m_style)
        m_style->drawBezelOfOverflowButton(m_overflowPopUpButton, this, painter, rect);
}

void KZTabBarView::drawInteriorInRect(QPainter &painter, const QRectF &rect)
{
    if (m_style && m_style->drawInteriorOfTabBarView(this, painter, rect))
        return;
    if (m_tabView)
        return;
    const QFont font = platform::Cell::systemFontForControlSize(platform::Cell::ControlSize::Small);
    painter.save();
    painter.setFont(font);
    painter.drawText(rect.adjusted(0, 4, 0, 4), Qt::AlignCenter, QStringLiteral("KZTabBarView"));
    painter.restore();
}
