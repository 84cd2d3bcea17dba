#include "components/tabbarcontrol/VTTabBarControl.h"

#include "components/tabbarcontrol/VTTabBarAccessibility.h"
#include "components/tabbarcontrol/VTTabBarArtwork.h"
#include "components/tabbarcontrol/VTTabStyleRegistry.h"
#include "platform/drawing/WindowChrome.h"
#include "platform/foundation/Bindings.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/layers/AnimationDriver.h"
#include "platform/layers/TimedAnimation.h"

#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace {

const QString IsProcessingKey = QStringLiteral("isProcessing");
const QString IconKey = QStringLiteral("icon");
const QString ObjectCountKey = QStringLiteral("objectCount");
const QString CountColorKey = QStringLiteral("countColor");
const QString LargeImageKey = QStringLiteral("largeImage");
const QString IsEditedKey = QStringLiteral("isEdited");

platform::KeyValueObservable *modelOf(const platform::TabViewItemPtr &item)
{
    return item ? platform::KeyValueObservable::toObservable(item->identifier()) : nullptr;
}

} // namespace

// What binds one cell to its item and the item's model: the observations the control
// removes again when the cell goes or is bound anew.
struct VTTabBarControl::CellBinding
{
    std::weak_ptr<platform::TabViewItem> item;
    platform::ObservationToken identifierToken = 0;
    platform::KeyValueObservable *model = nullptr;
    std::weak_ptr<const void> modelLifetime;
    std::vector<platform::ObservationToken> modelTokens;
    std::unique_ptr<platform::BindingObserver> animate;
    std::unique_ptr<platform::BindingObserver> hidden;

    void releaseModel()
    {
        animate.reset();
        hidden.reset();
        if (model && !modelLifetime.expired())
            for (const platform::ObservationToken token : modelTokens)
                model->removeObserver(token);
        modelTokens.clear();
        model = nullptr;
    }
    ~CellBinding()
    {
        releaseModel();
        if (auto owner = item.lock(); owner && identifierToken)
            owner->removeObserver(identifierToken);
    }
};

VTTabBarControl::VTTabBarControl(QWidget *parent)
    : QWidget(parent)
    , m_controller(std::make_unique<VTTabBarController>(this))
    , m_style(VTTabStyleRegistry::styleNamed(QStringLiteral("Metal")))
    , m_tracking(new platform::TrackingAreas(this))
{
    VTTabBarAccessibility::install();
    const qreal right = m_style->rightMarginForTabBarControl();

    m_overflowPopUpButton = new VTOverflowPopUpButton(QRect(int(width() - right + 1), 0, int(right - 1), height()), true, this);
    m_overflowPopUpButton->setVisible(false);
    connectOverflowPopUpButton();
    positionOverflowMenu();

    m_addTabButton = new VTRolloverButton(this);
    m_addTabButton->setGeometry(int(width() - right + 1), 3, 16, 16);
    m_addTabButton->cell()->setTitle(QString());
    setStyle(m_style);
    m_addTabButton->setVisible(m_showAddTabButton);

    m_draggedTypes = {DraggedType};
    setAcceptDrops(true);
}

VTTabBarControl::~VTTabBarControl()
{
    m_animationTimer.reset();
    m_showHideAnimationTimer.reset();
    m_springTimer.reset();
    if (m_tabView && m_tabView->delegate() == this)
        m_tabView->setDelegate(nullptr);
    const Cells copy = m_cells;
    for (const CellPtr &cell : copy)
        removeTabForCell(cell.get());
    if (m_watchedWindow)
        m_watchedWindow->removeEventFilter(this);
}

QString VTTabBarControl::bundle()
{
    return VTTabBarArtwork::BundleName;
}

// ---- Accessors ----

void VTTabBarControl::setDelegate(VTTabBarControlDelegate *delegate)
{
    m_delegate = delegate;
    m_draggedTypes = {DraggedType};
    if (delegate)
        if (const auto extra = delegate->allowedDraggedTypesForTabView(m_tabView))
            m_draggedTypes += *extra;
}

void VTTabBarControl::setStyle(const std::shared_ptr<VTTabStyle> &style)
{
    if (!style)
        return;
    m_style = style;
    if (m_addTabButton) {
        if (const QIcon image = style->addTabButtonImage(); !image.isNull())
            m_addTabButton->setUsualImage(image);
        if (const QIcon image = style->addTabButtonPressedImage(); !image.isNull())
            m_addTabButton->setAlternateImage(image);
        if (const QIcon image = style->addTabButtonRolloverImage(); !image.isNull())
            m_addTabButton->setRolloverImage(image);
    }
    updateTabBar();
}

QString VTTabBarControl::styleName() const
{
    return m_style ? m_style->name() : QString();
}

void VTTabBarControl::setStyleNamed(const QString &name)
{
    setStyle(VTTabStyleRegistry::styleNamed(name));
}

void VTTabBarControl::setOrientation(int orientation)
{
    if (m_tabBarWidth <= 9)
        m_tabBarWidth = 120;
    if (orientation == m_orientation)
        return;
    m_orientation = orientation;
    if (m_style)
        m_style->setOrientation(orientation);
    positionOverflowMenu();
    updateTabBar(false);
}

void VTTabBarControl::setLastMouseDownEvent(const QMouseEvent *event)
{
    m_lastMouseDownEvent.reset(event ? static_cast<QMouseEvent *>(event->clone()) : nullptr);
}

void VTTabBarControl::setCanCloseOnlyTab(bool value)
{
    m_canCloseOnlyTab = value;
    if (m_cells.size() == 1)
        updateTabBar();
}

#define VT_SETTER_WITH_UPDATE(Setter, field, Type)                                                                 \
    void VTTabBarControl::Setter(Type value)                                                                        \
    {                                                                                                               \
        field = value;                                                                                              \
        updateTabBar();                                                                                             \
    }
VT_SETTER_WITH_UPDATE(setDisableTabClose, m_disableTabClose, bool)
VT_SETTER_WITH_UPDATE(setHideForSingleTab, m_hideForSingleTab, bool)
VT_SETTER_WITH_UPDATE(setSizeCellsToFit, m_sizeCellsToFit, bool)
VT_SETTER_WITH_UPDATE(setUseOverflowMenu, m_useOverflowMenu, bool)
VT_SETTER_WITH_UPDATE(setCellMinWidth, m_cellMinWidth, int)
VT_SETTER_WITH_UPDATE(setCellMaxWidth, m_cellMaxWidth, int)
VT_SETTER_WITH_UPDATE(setCellOptimumWidth, m_cellOptimumWidth, int)
#undef VT_SETTER_WITH_UPDATE

void VTTabBarControl::setShowAddTabButton(bool value)
{
    m_showAddTabButton = value;
    if (!m_controller->addButtonRect().isEmpty())
        m_addTabButton->setGeometry(m_controller->addButtonRect().toRect());
    m_addTabButton->setVisible(value);
    m_addTabButton->update();
    updateTabBar();
}

// ---- Geometry ----

qreal VTTabBarControl::availableCellWidth() const
{
    return width() - m_style->leftMarginForTabBarControl() - m_style->rightMarginForTabBarControl()
        - m_resizeAreaCompensation;
}

QRectF VTTabBarControl::genericCellRect() const
{
    return QRectF(m_style->leftMarginForTabBarControl(), 0, availableCellWidth(), m_style->tabCellHeight());
}

VTTabBarCell *VTTabBarControl::cellForPoint(const QPointF &point, QRectF *cellFrame) const
{
    if (m_orientation == 0 && !genericCellRect().contains(point))
        return nullptr;
    // A tab in the menu is not drawn: its frame lies past the row.
    for (const CellPtr &cell : m_cells) {
        if (cell->isInOverflowMenu())
            continue;
        if (cell->frame().contains(point)) {
            if (cellFrame)
                *cellFrame = cell->frame();
            return cell.get();
        }
    }
    return nullptr;
}

std::vector<platform::TabViewItemPtr> VTTabBarControl::representedTabViewItems() const
{
    std::vector<platform::TabViewItemPtr> items;
    for (const CellPtr &cell : m_cells)
        if (cell->representedObject())
            items.push_back(cell->representedObject());
    return items;
}

VTTabBarCell *VTTabBarControl::lastVisibleTab() const
{
    if (m_cells.empty() || m_cells.front()->isInOverflowMenu())
        return nullptr;
    for (size_t i = 1; i < m_cells.size(); ++i)
        if (m_cells[i]->isInOverflowMenu())
            return m_cells[i - 1].get();
    return m_cells.back().get();
}

int VTTabBarControl::numberOfVisibleTabs() const
{
    int count = 0;
    for (const CellPtr &cell : m_cells) {
        if (cell->isInOverflowMenu())
            break;
        if (!cell->isPlaceholder())
            ++count;
    }
    return count;
}

qsizetype VTTabBarControl::indexOfCell(const VTTabBarCell *cell) const
{
    const auto it = std::find_if(m_cells.begin(), m_cells.end(), [cell](const CellPtr &entry) { return entry.get() == cell; });
    return it == m_cells.end() ? -1 : qsizetype(it - m_cells.begin());
}

// ---- Cells ----

void VTTabBarControl::awakeFromNib()
{
    if (!m_tabView)
        return;
    // Decoded cells stand for their items unbound (see representDecodedItems()).
    for (const CellPtr &cell : Cells(m_cells))
        if (cell->representedObject() && !m_bindings.contains(cell.get()))
            bindPropertiesForCell(cell.get(), cell->representedObject());
    const std::vector<platform::TabViewItemPtr> represented = representedTabViewItems();
    for (const platform::TabViewItemPtr &item : m_tabView->tabViewItems())
        if (std::find(represented.begin(), represented.end(), item) == represented.end())
            addTabViewItem(item);
}

void VTTabBarControl::addTabViewItem(const platform::TabViewItemPtr &item)
{
    if (!item)
        return;
    insertCellForItem(item, cellIndexForNewItem(item.get()));
}

void VTTabBarControl::insertCellForItem(const platform::TabViewItemPtr &item, qsizetype index)
{
    auto cell = std::make_shared<VTTabBarCell>(this);
    const QRectF last = m_cells.empty() ? QRectF() : m_cells.back()->frame();
    const QRectF generic = genericCellRect();
    const QRectF start = m_orientation == 0 ? QRectF(last.x() + last.width(), generic.y(), 30, generic.height())
                                            : QRectF(generic.x(), last.y() + last.height(), last.width(), 0);
    cell->setRepresentedObject(item);
    cell->setFrame(start);
    bindPropertiesForCell(cell.get(), item);
    m_cells.insert(m_cells.begin() + index, cell);
    m_controller->cellInserted(cell);
    if (m_tabView && qsizetype(m_cells.size()) == m_tabView->numberOfTabViewItems())
        updateTabBar();
}

qsizetype VTTabBarControl::cellIndexForNewItem(const platform::TabViewItem *item) const
{
    // Right after the cell of the nearest item before it in the tab view; before every
    // cell when no earlier item has one; at the end for an item the tab view lacks.
    const int index = m_tabView ? m_tabView->indexOfTabViewItem(item) : -1;
    if (index < 0)
        return qsizetype(m_cells.size());
    const platform::TabView::Items &items = m_tabView->tabViewItems();
    for (int k = index - 1; k >= 0; --k) {
        const platform::TabViewItem *earlier = items[size_t(k)].get();
        for (qsizetype c = qsizetype(m_cells.size()) - 1; c >= 0; --c)
            if (m_cells[size_t(c)]->representedObject().get() == earlier)
                return c + 1;
    }
    return 0;
}

qsizetype VTTabBarControl::indexOfCellForItem(const platform::TabViewItem *item) const
{
    if (!item)
        return -1;
    for (size_t c = 0; c < m_cells.size(); ++c)
        if (m_cells[c]->representedObject().get() == item)
            return qsizetype(c);
    return -1;
}

void VTTabBarControl::bindPropertiesForCell(VTTabBarCell *cell, const platform::TabViewItemPtr &item)
{
    auto &binding = m_bindings[cell];
    if (!binding) {
        binding = std::make_shared<CellBinding>();
        binding->item = item;
        std::weak_ptr<CellBinding> weak = binding;
        binding->identifierToken = item->addObserver(QStringLiteral("identifier"),
            [this, weak](platform::KeyValueObservable &, const QString &, bool prior) {
                if (prior || weak.expired())
                    return;
                for (const CellPtr &each : m_cells)
                    if (m_bindings.value(each.get()) == weak.lock())
                        bindPropertiesForCell(each.get(), each->representedObject());
            });
    }
    binding->releaseModel();
    for (const QString &key : {QStringLiteral("hasIcon"), QStringLiteral("count"), QStringLiteral("countColor"),
                               QStringLiteral("hasLargeImage"), QStringLiteral("isEdited")})
        platform::unbind(static_cast<platform::KeyValueObservable *>(cell), key);

    platform::KeyValueObservable *model = modelOf(item);
    // An indicator is made only for a model that can show progress.
    VTProgressIndicator *indicator = model && model->hasKey(IsProcessingKey) ? cell->indicator() : cell->indicatorIfMade();
    binding->model = model;
    if (model)
        binding->modelLifetime = model->lifetime();
    const auto observe = [&binding, model, cell](const QString &key) {
        binding->modelTokens.push_back(model->addObserver(key, [cell](platform::KeyValueObservable &, const QString &, bool prior) {
            if (!prior)
                cell->observedValueChanged();
        }));
    };

    if (indicator)
        indicator->setHidden(true);
    if (indicator && model && model->hasKey(IsProcessingKey)) {
        platform::bind(static_cast<QObject *>(indicator), QStringLiteral("animate"), model, IsProcessingKey);
        platform::bind(static_cast<QObject *>(indicator), QStringLiteral("hidden"), model, IsProcessingKey,
                       {{platform::ValueTransformerNameBindingOption, QStringLiteral("NSNegateBoolean")}});
        QPointer<VTProgressIndicator> guarded = indicator;
        const auto applyAnimate = [guarded] {
            if (!guarded)
                return;
            if (platform::valueForBinding(static_cast<QObject *>(guarded.data()), QStringLiteral("animate")).toBool())
                guarded->startAnimation();
            else
                guarded->stopAnimation();
        };
        const auto applyHidden = [guarded] {
            if (guarded)
                guarded->setHidden(platform::valueForBinding(static_cast<QObject *>(guarded.data()), QStringLiteral("hidden")).toBool());
        };
        binding->animate = std::make_unique<platform::BindingObserver>(static_cast<const void *>(static_cast<QObject *>(indicator)), QStringLiteral("animate"), applyAnimate);
        binding->hidden = std::make_unique<platform::BindingObserver>(static_cast<const void *>(static_cast<QObject *>(indicator)), QStringLiteral("hidden"), applyHidden);
        applyHidden();
        applyAnimate();
        observe(IsProcessingKey);
    }
    const QVariantMap notNil = {{platform::ValueTransformerNameBindingOption, QStringLiteral("NSIsNotNil")}};
    cell->setHasIcon(false);
    if (model && model->hasKey(IconKey)) {
        platform::bindFollowing(cell, QStringLiteral("hasIcon"), model, IconKey, notNil);
        observe(IconKey);
    }
    cell->setCount(0);
    if (model && model->hasKey(ObjectCountKey)) {
        platform::bindFollowing(cell, QStringLiteral("count"), model, ObjectCountKey);
        observe(ObjectCountKey);
    }
    cell->setCountColor(QColor());
    if (model && model->hasKey(CountColorKey)) {
        platform::bindFollowing(cell, QStringLiteral("countColor"), model, CountColorKey);
        observe(CountColorKey);
    }
    cell->setHasLargeImage(false);
    if (model && model->hasKey(LargeImageKey)) {
        platform::bindFollowing(cell, QStringLiteral("hasLargeImage"), model, LargeImageKey, notNil);
        observe(LargeImageKey);
    }
    cell->setIsEdited(false);
    if (model && model->hasKey(IsEditedKey)) {
        platform::bindFollowing(cell, QStringLiteral("isEdited"), model, IsEditedKey);
        observe(IsEditedKey);
    }
    platform::bindFollowing(cell, QStringLiteral("title"), item.get(), QStringLiteral("label"));
}

void VTTabBarControl::unbindCell(VTTabBarCell *cell)
{
    if (VTProgressIndicator *indicator = cell->indicatorIfMade()) {
        platform::unbind(static_cast<QObject *>(indicator), QStringLiteral("animate"));
        platform::unbind(static_cast<QObject *>(indicator), QStringLiteral("hidden"));
    }
    for (const QString &key : {QStringLiteral("hasIcon"), QStringLiteral("hasLargeImage"), QStringLiteral("title"),
                               QStringLiteral("count"), QStringLiteral("countColor"), QStringLiteral("isEdited")})
        platform::unbind(static_cast<platform::KeyValueObservable *>(cell), key);
    m_bindings.remove(cell);
}

void VTTabBarControl::removeTrackingRectsOfCell(VTTabBarCell *cell)
{
    if (cell->closeButtonTrackingTag() != 0) {
        m_tracking->removeTrackingRect(cell->closeButtonTrackingTag());
        cell->setCloseButtonTrackingTag(0);
    }
    if (cell->cellTrackingTag() != 0) {
        m_tracking->removeTrackingRect(cell->cellTrackingTag());
        cell->setCellTrackingTag(0);
    }
}

void VTTabBarControl::removeTabForCell(VTTabBarCell *cell)
{
    removeCellAt(indexOfCell(cell));
}

void VTTabBarControl::removeCellAt(qsizetype index)
{
    if (index < 0 || index >= qsizetype(m_cells.size()))
        return;
    VTTabBarCell *cell = m_cells[size_t(index)].get();
    const CellPtr keep = m_cells[size_t(index)];
    unbindCell(cell);
    if (VTProgressIndicator *indicator = cell->indicatorIfMade(); indicator && indicator->parentWidget() == this)
        indicator->placeIn(nullptr);
    removeTrackingRectsOfCell(cell);
    m_cells.erase(m_cells.begin() + index);
    updateTabBar();
}

// ---- Layout ----

void VTTabBarControl::scheduleUpdate()
{
    if (m_updateScheduled)
        return;
    m_updateScheduled = true;
    QMetaObject::invokeMethod(this, platform::ExceptionBoundary::guarded(this, "a queued call", [this] {
        m_updateScheduled = false;
        updateTabBar();
    }), Qt::QueuedConnection);
}

void VTTabBarControl::updateTabBar(bool animate)
{
    if (!m_tabView || m_tabView->numberOfTabViewItems() != qsizetype(m_cells.size()))
        return;
    if (m_hideForSingleTab && m_cells.size() <= 1) {
        hideTabBar(true, true);
        return;
    }
    hideTabBar(false, true);
    m_controller->layoutCells();
    // The menu is handed over when the pull-down is pressed (built then).
    m_overflowPopUpButton->setOverflowMenu(nullptr);
    m_overflowPopUpButton->setVisible(m_controller->hasOverflowMenu());
    stopCellAnimation();

    // The cells the layout set: the shown ones and those just sent to the menu (the
    // others stay where they went with it).
    const qsizetype laidOut = std::min(qsizetype(m_cells.size()), m_controller->numberOfLaidOutCells());
    if (animate) {
        // The tool tips come back when the cells have reached their places.
        m_tracking->removeAllToolTips();
        m_toolTips.clear();
        QList<QRectF> targets;
        for (qsizetype i = 0; i < laidOut; ++i)
            targets.append(m_controller->cellFrameAtIndex(i));
        if (!m_showAddTabButton)
            m_addTabButton->setVisible(false);
        platform::AnimationDriver::instance();
        m_animation = std::make_unique<platform::TimedAnimation>(AnimationDuration);
        m_animation->start();
        m_animationTimer = std::make_unique<QTimer>();
        m_animationTimer->setInterval(AnimationFrameMs);
        connect(m_animationTimer.get(), &QTimer::timeout, this,
            platform::ExceptionBoundary::guarded(this, "timeout", [this, targets] { animateCells(targets); }));
        m_animationTimer->start();
        animateCells(targets);
        return;
    }
    for (qsizetype i = 0; i < laidOut; ++i)
        m_cells[size_t(i)]->setFrame(m_controller->cellFrameAtIndex(i));
    setupTrackingRectsOfShownCells(laidOut, false);
    m_addTabButton->setGeometry(m_controller->addButtonRect().toRect());
    m_addTabButton->setVisible(m_showAddTabButton);
    update();
}

void VTTabBarControl::stopCellAnimation()
{
    m_animationTimer.reset();
    m_animation.reset();
}

QPointF VTTabBarControl::mouseLocation() const
{
    return QPointF(mapFromGlobal(QCursor::pos()));
}

void VTTabBarControl::hoverCell(VTTabBarCell *cell, const QPointF &mouse)
{
    cell->setHighlighted(cell->frame().contains(mouse));
    cell->setCloseButtonOver(cell->closeButtonRectForFrame(cell->frame()).contains(mouse));
}

void VTTabBarControl::animateCells(const QList<QRectF> &targets)
{
    const qsizetype n = qsizetype(m_cells.size());
    const qsizetype m = std::min(n, targets.size());
    const bool vertical = m_orientation == 1;
    if (m_animation && m_animation->isAnimating() && n > 0) {
        const qreal p = m_animation->currentValue();
        for (qsizetype i = 0; i < m; ++i) {
            VTTabBarCell *cell = m_cells[size_t(i)].get();
            QRectF frame = cell->frame();
            const QRectF &target = targets.at(i);
            if (!vertical) {
                frame.moveLeft(frame.x() + (target.x() - frame.x()) * p);
                frame.setWidth(frame.width() + (target.width() - frame.width()) * p);
            } else {
                frame.moveTop(frame.y() + (target.y() - frame.y()) * p);
                frame.setHeight(frame.height() + (target.height() - frame.height()) * p);
            }
            cell->setFrame(frame);
            hoverCell(cell, mouseLocation());
        }
        if (m_showAddTabButton) {
            QRect button = m_addTabButton->geometry();
            button.moveLeft(int(button.x() + (m_controller->addButtonRect().x() - button.x()) * p));
            m_addTabButton->setGeometry(button);
        }
        update();
        return;
    }
    for (qsizetype i = 0; i < m; ++i) {
        VTTabBarCell *cell = m_cells[size_t(i)].get();
        QRectF frame = cell->frame();
        const QRectF &target = targets.at(i);
        if (!vertical) {
            frame.moveLeft(target.x());
            frame.setWidth(target.width());
        } else {
            frame.moveTop(target.y());
            frame.setHeight(target.height());
        }
        cell->setFrame(frame);
        hoverCell(cell, mouseLocation());
    }
    if (m_showAddTabButton) {
        QRect button = m_addTabButton->geometry();
        button.moveLeft(int(m_controller->addButtonRect().x()));
        m_addTabButton->setGeometry(button);
    }
    // The timer goes last: this may run from its own timeout.
    m_animation.reset();
    if (m_animationTimer) {
        m_animationTimer->stop();
        m_animationTimer.release()->deleteLater();
    }
    setupTrackingRectsOfShownCells(qsizetype(m_cells.size()), true);
    update();
}

void VTTabBarControl::setupTrackingRectsOfShownCells(qsizetype end, bool untilTheMenu)
{
    // Every shown cell has its tracking rectangles and its tool tip over the place the
    // layout gave it. Those already installed move where they stand: a pass touches the
    // shown cells, not the whole lists. Their turn in the lists (which cell hears of the
    // pointer first, whose tool tip wins on a shared edge) stays the cells' order: a
    // rectangle found before the one of the cell before it is installed anew, last.
    m_toolTipsBefore.swap(m_toolTips);
    m_toolTips.clear();
    TrackingPass pass{mouseLocation(), underMouse(), m_toolTipsBefore};
    for (qsizetype i = 0; i < end; ++i) {
        VTTabBarCell *cell = m_cells[size_t(i)].get();
        if (cell->isInOverflowMenu()) {
            if (untilTheMenu)
                break;
            continue;
        }
        setupTrackingRectsForCell(cell, i, pass);
    }
    // Cells that went to the menu or left the bar since.
    for (size_t k = pass.next; k < pass.before.size(); ++k)
        m_tracking->removeToolTip(pass.before[k].tag);
    m_toolTipsBefore.clear();
}

int VTTabBarControl::placeTrackingRect(int tag, VTTabBarCell *cell, const QRectF &rect, bool inside, TrackingPass &pass)
{
    if (tag <= pass.lastTrackingTag || !m_tracking->moveTrackingRect(tag, cell, rect, inside)) {
        if (tag != 0)
            m_tracking->removeTrackingRect(tag);
        tag = m_tracking->addTrackingRect(rect, cell, QVariant(), inside);
    }
    pass.lastTrackingTag = tag;
    return tag;
}

void VTTabBarControl::setupTrackingRectsForCell(VTTabBarCell *cell, qsizetype i, TrackingPass &pass)
{
    if (i < 0 || i >= qsizetype(m_cells.size()) || m_cells[size_t(i)].get() != cell)
        return;
    const QRectF rect = m_controller->cellTrackingRectAtIndex(i);
    const bool inside = pass.underMouse && rect.contains(pass.mouse);
    cell->setCellTrackingTag(placeTrackingRect(cell->cellTrackingTag(), cell, rect, inside, pass));
    cell->setHighlighted(inside);

    if (cell->hasCloseButton() && !cell->isCloseButtonSuppressed()) {
        const QRectF close = m_controller->closeButtonTrackingRectAtIndex(i);
        const bool overClose = pass.underMouse && close.contains(pass.mouse);
        cell->setCloseButtonTrackingTag(placeTrackingRect(cell->closeButtonTrackingTag(), cell, close, overClose, pass));
        cell->setCloseButtonOver(overClose);
    }

    // The cell's tool tip of the pass before, looked for from the first not yet met:
    // those passed over belong to cells that left the row (or come later now, and are
    // installed anew then).
    int toolTip = 0;
    const auto found = std::find_if(pass.before.begin() + qsizetype(pass.next), pass.before.end(),
                                    [cell](const CellToolTip &had) { return had.address == cell; });
    if (found != pass.before.end()) {
        for (auto skipped = pass.before.begin() + qsizetype(pass.next); skipped != found; ++skipped)
            m_tracking->removeToolTip(skipped->tag);
        pass.next = size_t(found - pass.before.begin()) + 1;
        if (found->cell.lock().get() == cell)
            toolTip = found->tag;
        else
            m_tracking->removeToolTip(found->tag);
    }
    if (toolTip <= pass.lastToolTipTag || !m_tracking->moveToolTipRect(toolTip, cell->frame())) {
        if (toolTip != 0)
            m_tracking->removeToolTip(toolTip);
        std::weak_ptr<VTTabBarCell> weak = m_cells[size_t(i)];
        toolTip = m_tracking->addToolTipRect(cell->frame(), [this, weak](int, const QPointF &, const QVariant &) {
            const CellPtr tab = weak.lock();
            if (!tab || !m_delegate)
                return QString();
            return m_delegate->tabViewToolTipForTabViewItem(m_tabView, tab->representedObject().get()).value_or(QString());
        });
    }
    pass.lastToolTipTag = toolTip;
    m_toolTips.push_back(CellToolTip{cell, m_cells[size_t(i)], toolTip});
}

void VTTabBarControl::connectOverflowPopUpButton()
{
    connect(m_overflowPopUpButton, &VTOverflowPopUpButton::menuWillPopUp, this,
            &VTTabBarControl::handOverOverflowMenu, Qt::UniqueConnection);
}

void VTTabBarControl::handOverOverflowMenu()
try {
    if (m_overflowPopUpButton)
        m_overflowPopUpButton->setOverflowMenu(m_controller->overflowMenu());
} catch (...) {
    platform::ExceptionBoundary::caught(this, "handOverOverflowMenu");
}

void VTTabBarControl::positionOverflowMenu()
{
    if (!m_overflowPopUpButton || !m_style)
        return;
    const qreal h = m_style->tabCellHeight();
    const qreal r = m_style->rightMarginForTabBarControl();
    if (m_orientation == 0)
        m_overflowPopUpButton->setGeometry(QRectF(width() - r + 1 - m_resizeAreaCompensation, 0, r, h).toRect());
    else
        m_overflowPopUpButton->setGeometry(QRectF(0, height() - h, width(), h).toRect());
}

void VTTabBarControl::checkWindowFrame()
{
    QWidget *win = window();
    if (!win || win == this)
        return;
    const QRect corner(win->width() - 22, win->height() - 22, 22, 22);
    const QRect frame(mapTo(win, QPoint(0, 0)), size());
    if (platform::WindowChrome::showsResizeIndicator(win) && frame.intersects(corner))
        m_resizeAreaCompensation = platform::WindowChrome::hasTexturedBackground(win) ? 20 : 8;
    else
        m_resizeAreaCompensation = 0;
    positionOverflowMenu();
}

void VTTabBarControl::frameDidChange()
{
    checkWindowFrame();
    for (const CellPtr &cell : m_cells) {
        if (VTProgressIndicator *indicator = cell->indicatorIfMade(); indicator && indicator->isAnimating()) {
            indicator->stopAnimation();
            indicator->startAnimationLater();
        }
    }
    updateTabBar(false);
}

void VTTabBarControl::placeView(const QRect &frame)
{
    setGeometry(frame);
    updateTabBar(false);
}

// ---- Actions and the tab view's delegate ----

void VTTabBarControl::overflowMenuAction(platform::TabViewItem *item)
{
    if (m_tabView)
        m_tabView->selectTabViewItem(item);
}

void VTTabBarControl::tabClick(VTTabBarCell *cell)
{
    if (m_tabView && cell && cell->representedObject())
        m_tabView->selectTabViewItem(cell->representedObject().get());
}

bool VTTabBarControl::tabViewShouldSelectTabViewItem(platform::TabView *tabView, platform::TabViewItem *item)
{
    return m_delegate ? m_delegate->tabViewShouldSelectTabViewItem(tabView, item).value_or(true) : true;
}

void VTTabBarControl::tabViewWillSelectTabViewItem(platform::TabView *tabView, platform::TabViewItem *item)
{
    if (m_delegate)
        m_delegate->tabViewWillSelectTabViewItem(tabView, item);
}

void VTTabBarControl::tabViewDidSelectTabViewItem(platform::TabView *tabView, platform::TabViewItem *item)
{
    // The cell of the item, wherever it stands (an insertion or removal in the tab view
    // may be reported before the cells followed it).
    const qsizetype i = indexOfCellForItem(item);
    if (tabView && i >= 0) {
        const CellPtr cell = m_cells[size_t(i)];
        if (m_alwaysShowActiveTab && cell->isInOverflowMenu()) {
            platform::TabViewDelegate *saved = tabView->delegate();
            tabView->setDelegate(nullptr);
            const platform::TabViewItemPtr held = tabView->tabViewItemAtIndex(tabView->indexOfTabViewItem(item));
            tabView->removeTabViewItem(item);
            tabView->insertTabViewItem(held, 0);
            m_cells.erase(m_cells.begin() + i);
            m_cells.insert(m_cells.begin(), cell);
            m_controller->layoutEveryCellNextTime();
            cell->setIsInOverflowMenu(false);
            m_cells.back()->setIsInOverflowMenu(true);
            // Taken out, the item lost the selection; it gets it back before the delegate
            // returns, so that the delegate hears of this one change once (below).
            tabView->selectTabViewItem(item);
            tabView->setDelegate(saved);
            m_controller->setSelectedCell(cell.get());
            updateTabBar();
        } else {
            m_controller->setSelectedCell(cell.get());
            update();
        }
    }
    if (m_delegate)
        m_delegate->tabViewDidSelectTabViewItem(tabView, item);
}

void VTTabBarControl::tabViewDidChangeNumberOfTabViewItems(platform::TabView *tabView)
{
    if (!tabView)
        return;
    if (!followOneChange(tabView))
        followEveryChange(tabView);
    if (m_delegate)
        m_delegate->tabViewDidChangeNumberOfTabViewItems(tabView);
    m_addTabButton->resetCursorRects();
}

bool VTTabBarControl::followOneChange(platform::TabView *tabView)
{
    // The tab view reports each item added or removed: the cells, in step before,
    // differ from its items by one. The place is found by comparing the two from both
    // ends at once, so a change costs the distance to the nearer end (a tab added at
    // the end, a shown tab closed: what is shown), not every cell. Anything else is
    // left to the full comparison.
    const platform::TabView::Items &items = tabView->tabViewItems();
    const qsizetype nc = qsizetype(m_cells.size()), ni = qsizetype(items.size());
    if (ni != nc + 1 && ni + 1 != nc)
        return false;
    const qsizetype shorter = std::min(nc, ni);
    const auto cellItem = [this](qsizetype c) { return m_cells[size_t(c)]->representedItem(); };
    qsizetype at = -1;
    for (qsizetype k = 0; k < shorter && at < 0; ++k) {
        if (cellItem(k) != items[size_t(k)].get())
            at = k;
        else if (cellItem(nc - 1 - k) != items[size_t(ni - 1 - k)].get())
            at = (ni > nc ? ni : nc) - 1 - k;
    }
    if (at < 0)
        at = shorter; // the one past the common run: the last
    if (ni > nc) {
        // items[at] is new when the cells around it hold its neighbours.
        const platform::TabViewItem *fresh = items[size_t(at)].get();
        if ((at > 0 && cellItem(at - 1) != items[size_t(at - 1)].get())
            || (at < nc && cellItem(at) != items[size_t(at + 1)].get()) || (at < nc && cellItem(at) == fresh))
            return false;
        insertCellForItem(items[size_t(at)], at);
        return true;
    }
    // cells[at] went when the items around its place are the cells' neighbours.
    const VTTabBarCell *gone = m_cells[size_t(at)].get();
    if (gone->isPlaceholder() || !gone->representedItem() || gone->representedItem()->tabView() == tabView
        || (at > 0 && cellItem(at - 1) != items[size_t(at - 1)].get())
        || (at < ni && cellItem(at + 1) != items[size_t(at)].get()))
        return false;
    const platform::TabViewItemPtr item = m_cells[size_t(at)]->representedObject();
    if (m_delegate)
        m_delegate->tabViewDidCloseTabViewItem(tabView, item.get());
    // The delegate may have changed the tabs meanwhile: the cell is looked for again.
    const qsizetype index = at < qsizetype(m_cells.size()) && m_cells[size_t(at)].get() == gone ? at : indexOfCell(gone);
    removeCellAt(index);
    return true;
}

void VTTabBarControl::followEveryChange(platform::TabView *tabView)
{
    const platform::TabView::Items &items = tabView->tabViewItems();
    std::unordered_set<const platform::TabViewItem *> held;
    held.reserve(items.size());
    for (const platform::TabViewItemPtr &item : items)
        held.insert(item.get());
    const Cells copy = m_cells;
    for (const CellPtr &cell : copy) {
        // A drag's placeholders stand for no item: the drag removes them itself.
        if (cell->isPlaceholder())
            continue;
        const platform::TabViewItemPtr item = cell->representedObject();
        if (held.count(item.get()))
            continue;
        if (m_delegate)
            m_delegate->tabViewDidCloseTabViewItem(tabView, item.get());
        removeTabForCell(cell.get());
    }
    std::unordered_set<const platform::TabViewItem *> represented;
    represented.reserve(m_cells.size());
    for (const CellPtr &cell : m_cells)
        if (cell->representedObject())
            represented.insert(cell->representedObject().get());
    for (const platform::TabViewItemPtr &item : platform::TabView::Items(items))
        if (!represented.count(item.get()))
            addTabViewItem(item);
}

// ---- Events ----

void VTTabBarControl::paintEvent(QPaintEvent *event)
try {
    QPainter painter(this);
    if (m_style)
        m_style->drawTabBar(this, painter, QRectF(event->rect()));
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

void VTTabBarControl::resizeEvent(QResizeEvent *event)
try {
    QWidget::resizeEvent(event);
    frameDidChange();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

void VTTabBarControl::changeEvent(QEvent *event)
try {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ParentChange)
        watchWindow();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "changeEvent");
}

bool VTTabBarControl::event(QEvent *event)
try {
    if (event->type() == QEvent::Show) {
        watchWindow();
        scheduleFirstWindowUpdate();
    }
    return QWidget::event(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "event");
    return false;
}

void VTTabBarControl::watchWindow()
{
    QWidget *win = window();
    if (win == m_watchedWindow)
        return;
    if (m_watchedWindow)
        m_watchedWindow->removeEventFilter(this);
    m_watchedWindow = win != this ? win : nullptr;
    if (m_watchedWindow)
        m_watchedWindow->installEventFilter(this);
    finishShowHideAtOnce();
    m_windowUpdatePending = m_watchedWindow != nullptr;
    scheduleFirstWindowUpdate();
    checkWindowFrame();
}

bool VTTabBarControl::eventFilter(QObject *watched, QEvent *event)
try {
    if (watched == m_watchedWindow) {
        switch (event->type()) {
        case QEvent::Resize:
            checkWindowFrame();
            break;
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate:
        case QEvent::Move:
            update();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}
