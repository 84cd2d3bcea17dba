#include "components/tabbarcontrol/VTTabDragAssistant.h"

#include "components/tabbarcontrol/VTTabBarControl.h"
#include "components/tabbarcontrol/VTProgressIndicator.h"
#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/layers/DragInfo.h"
#include "platform/layers/DragSession.h"
#include "platform/layers/DragWindowFade.h"
#include "platform/layers/WindowGrowth.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QtDebug>

#include <algorithm>
#include <cmath>

namespace {

const bool registered = platform::CodingRegistry::registerClass<VTTabDragAssistant>(VTTabDragAssistant::ClassName);

qreal along(const QRectF &frame, int orientation)
{
    return orientation == 0 ? frame.width() : frame.height();
}

} // namespace

VTTabDragAssistant *VTTabDragAssistant::sharedDragAssistant()
{
    static VTTabDragAssistant *assistant = new VTTabDragAssistant; // lives until the process ends
    return assistant;
}

VTTabDragAssistant::VTTabDragAssistant() : m_fade(new platform::DragWindowFade(this))
{
    m_sineCurveWidths.reserve(8);
    m_animationTimer.setInterval(AnimationIntervalMs);
    connect(&m_animationTimer, &QTimer::timeout, this,
        platform::ExceptionBoundary::guarded(this, "animateDrag", &VTTabDragAssistant::animateDrag));
}

VTTabDragAssistant::~VTTabDragAssistant()
{
    m_fade->stop();
}

QList<VTTabBarControl *> VTTabDragAssistant::participatingTabBars() const
{
    QList<VTTabBarControl *> bars;
    for (const QPointer<VTTabBarControl> &bar : m_participatingTabBars)
        if (bar)
            bars.append(bar);
    return bars;
}

void VTTabDragAssistant::postNotification(const QString &name)
{
    platform::NotificationCenter::defaultCenter().post(name);
}

// ---- Starting ----

std::vector<int> VTTabDragAssistant::sineCurveWidthsFor(const QRectF &frame, int orientation)
{
    const float s = orientation == 0 ? float(frame.width() + 6) : float(frame.height() + 1);
    const double size = s;
    std::vector<int> widths;
    widths.reserve(8);
    for (int k = 0; k < 7; ++k) {
        const double x = double(float(k * 0.125f)) * 3.1417 + 1.57085;
        widths.push_back(int(std::trunc(size - (std::sin(x) * size * 0.5 + 0.5 * size))));
    }
    widths.push_back(int(std::trunc(along(frame, orientation))));
    return widths;
}

void VTTabDragAssistant::rearranging(VTTabBarControl *bar)
{
    // The drag moves cells in and out of the bar's list itself: the next layout visits
    // every cell.
    if (bar)
        bar->controller()->layoutEveryCellNextTime();
}

void VTTabDragAssistant::startDraggingCell(VTTabBarCell *cell, VTTabBarControl *bar, const QMouseEvent *mouseDown)
{
    if (!cell || !bar || m_isDragging)
        return;
    rearranging(bar);
    const qsizetype index = bar->indexOfCell(cell);
    if (index < 0)
        return;
    m_isDragging = true;
    m_sourceTabBar = bar;
    m_destinationTabBar = bar;
    m_participatingTabBars = {bar};
    m_draggedCell = bar->m_cells[size_t(index)];
    m_draggedCellIndex = int(index);

    const QRectF frame = cell->frame();
    m_sineCurveWidths = sineCurveWidthsFor(frame, bar->orientation());

    bar->overflowPopUpButton()->setVisible(false);
    bar->addTabButton()->setVisible(false);
    bar->setCursor(Qt::ClosedHandCursor);

    const QImage image = cell->dragImage();
    if (VTProgressIndicator *indicator = cell->indicatorIfMade())
        indicator->placeIn(nullptr);
    distributePlaceholdersInTabBar(bar, cell);
    cell->setHighlighted(false);

    const QPointF pressPoint = mouseDown ? mouseDown->position() : frame.topLeft();
    m_grabOffset = pressPoint - frame.topLeft();
    const QPoint screenPoint = mouseDown ? mouseDown->globalPosition().toPoint() : bar->mapToGlobal(pressPoint.toPoint());
    m_currentScreenPoint = screenPoint;

    auto data = std::make_unique<QMimeData>();
    data->setData(platform::DragInfo::formatForPasteboardType(VTTabBarControl::DraggedType),
                  QByteArray::number(m_draggedCellIndex));

    m_animationTimer.start();
    postNotification(DidBeginNotification);

    const QPointer<VTTabBarControl> keep = bar;
    platform::DragPicture picture;
    VTTabBarControlDelegate *delegate = bar->delegate();
    if (delegate && delegate->tabViewShouldDropTabViewItemInTabBar(bar->tabView(), cell->representedObject().get(), nullptr).value_or(false)) {
        m_currentTearOffStyle = bar->tearOffStyle();
        m_draggedTab = std::make_unique<VTTabDragWindowController>(image, 0, unsigned(m_currentTearOffStyle));
    } else {
        picture = {image, m_grabOffset.toPoint(), true};
    }
    if (!platform::DragSession::begin(bar, bar, std::move(data), screenPoint, picture, this)) {
        qWarning().noquote() << QStringLiteral("VTTabBarControl/VTTabDragAssistant: a drag is already running; the tab goes back to its bar.");
        removeAllPlaceholdersFromTabBar(bar);
        if (m_draggedCellIndex <= qsizetype(bar->m_cells.size()))
            bar->m_cells.insert(bar->m_cells.begin() + m_draggedCellIndex, m_draggedCell);
        finishDrag();
    }
}

// ---- Placeholders ----

void VTTabDragAssistant::distributePlaceholdersInTabBar(VTTabBarControl *bar)
{
    rearranging(bar);
    const int visible = bar->numberOfVisibleTabs();
    const QRectF frame = m_draggedCell ? m_draggedCell->frame() : QRectF();
    VTTabBarControl::Cells &cells = bar->m_cells;
    for (int i = 0; i < visible; ++i)
        cells.insert(cells.begin() + 2 * i, VTTabBarCell::placeholder(frame, false, bar));
    const CellPtr last = VTTabBarCell::placeholder(frame, false, bar);
    if (cells.size() > size_t(2 * visible))
        cells.insert(cells.begin() + 2 * visible, last);
    else
        cells.push_back(last);
}

void VTTabDragAssistant::distributePlaceholdersInTabBar(VTTabBarControl *bar, VTTabBarCell *cell)
{
    distributePlaceholdersInTabBar(bar);
    VTTabBarControl::Cells &cells = bar->m_cells;
    const qsizetype i = bar->indexOfCell(cell);
    if (i < 0)
        return;
    bar->removeTrackingRectsOfCell(cell);
    cells[size_t(i)] = VTTabBarCell::placeholder(cell->frame(), true, bar);
    if (size_t(i + 1) < cells.size())
        cells.erase(cells.begin() + i + 1);
    if (i - 1 >= 0)
        cells.erase(cells.begin() + i - 1);
    if (i - 2 >= 0)
        cells[size_t(i - 2)]->setTabState(~cells[size_t(i - 2)]->tabState() & 8);
}

void VTTabDragAssistant::removeAllPlaceholdersFromTabBar(VTTabBarControl *bar)
{
    if (!bar)
        return;
    rearranging(bar);
    for (qsizetype i = qsizetype(bar->m_cells.size()) - 1; i >= 0; --i) {
        const CellPtr cell = bar->m_cells[size_t(i)];
        if (cell->isPlaceholder())
            bar->removeTabForCell(cell.get());
    }
    bar->updateTabBar(false);
}

// ---- The animation ----

void VTTabDragAssistant::calculateDragAnimationForTabBar(VTTabBarControl *bar)
{
    const std::shared_ptr<VTTabStyle> &style = bar->style();
    const int orientation = bar->orientation();
    qreal position = orientation == 1 ? style->topMarginForTabBarControl() : style->leftMarginForTabBarControl();
    const QPointF mouse = m_currentMouseLoc;
    VTTabBarControl::Cells &cells = bar->m_cells;

    bool mayRelease = bar != m_destinationTabBar;
    m_targetCell = nullptr;
    if (!mayRelease && !cells.empty()) {
        QRectF frame;
        if (mouse.x() < style->leftMarginForTabBarControl()) {
            m_targetCell = cells.front();
        } else if (VTTabBarCell *under = bar->cellForPoint(mouse, &frame)) {
            const qsizetype j = bar->indexOfCell(under);
            if (under->isPlaceholder()) {
                m_targetCell = cells[size_t(j)];
            } else {
                const bool nearStart = orientation == 1 ? frame.y() + 0.5 * frame.height() > mouse.y()
                                                        : frame.x() + 0.5 * frame.width() > mouse.x();
                const qsizetype t = nearStart ? j - 1 : j + 1;
                if (t >= 0 && size_t(t) < cells.size())
                    m_targetCell = cells[size_t(t)];
            }
        } else if (VTTabBarCell *last = bar->lastVisibleTab()) {
            m_targetCell = cells[size_t(bar->indexOfCell(last))];
        }
    }

    for (const CellPtr &cell : cells) {
        if (cell->isInOverflowMenu())
            break;
        QRectF frame = cell->frame();
        if (cell->isPlaceholder()) {
            const bool isTarget = cell == m_targetCell;
            cell->setCurrentStep(cell->currentStep() + (isTarget ? 1 : -1));
            if (!isTarget && cell->currentStep() > 0)
                mayRelease = false;
            const int size = m_sineCurveWidths.empty() ? 0 : m_sineCurveWidths[size_t(std::clamp(cell->currentStep(), 0, int(m_sineCurveWidths.size()) - 1))];
            if (orientation == 1)
                frame.setHeight(size);
            else
                frame.setWidth(size);
        }
        if (orientation == 1)
            frame.moveTop(position);
        else
            frame.moveLeft(position);
        cell->setFrame(frame);
        if (VTProgressIndicator *indicator = cell->indicator())
            indicator->setGeometry(style->indicatorRectForTabCell(cell.get()).toRect());
        position += along(frame, orientation);
    }

    if (mayRelease) {
        m_participatingTabBars.removeAll(QPointer<VTTabBarControl>(bar));
        removeAllPlaceholdersFromTabBar(bar);
    }
}

void VTTabDragAssistant::animateDrag()
{
    for (VTTabBarControl *bar : participatingTabBars()) {
        calculateDragAnimationForTabBar(bar);
        bar->update();
    }
}

// ---- Entering and leaving bars ----

void VTTabDragAssistant::draggingEnteredTabBar(VTTabBarControl *bar, QPointF point)
{
    if (m_currentTearOffStyle == 1 && !m_destinationTabBar && m_draggedTab)
        m_draggedTab->switchImages();
    m_destinationTabBar = bar;
    m_currentMouseLoc = point;
    bar->overflowPopUpButton()->setVisible(false);
    bar->addTabButton()->setVisible(false);
    if (bar->m_cells.empty() || !bar->m_cells.front()->isPlaceholder())
        distributePlaceholdersInTabBar(bar);
    if (!m_participatingTabBars.contains(QPointer<VTTabBarControl>(bar)))
        m_participatingTabBars.append(bar);
    if (m_currentTearOffStyle == 0 && m_draggedView && m_draggedTab) {
        m_fade->stop();
        m_draggedTab->window()->raise();
        m_fade->start(platform::DragWindowFade::Direction::Out, m_draggedTab->window(), m_draggedView->window());
    }
}

void VTTabDragAssistant::draggingUpdatedInTabBar(VTTabBarControl *bar, QPointF point)
{
    if (m_destinationTabBar != bar)
        m_destinationTabBar = bar;
    m_currentMouseLoc = point;
}

void VTTabDragAssistant::setSourceWindowTransparent(VTTabBarControl *source)
{
    m_transparentSourceWindow = source->window();
    platform::WindowGrowth::setAlpha(source->window(), 0);
}

void VTTabDragAssistant::draggingExitedTabBar(VTTabBarControl *bar)
{
    if (!bar || !m_draggedCell)
        return;
    if (VTTabBarControlDelegate *delegate = bar->delegate())
        if (!delegate->tabViewShouldAllowTabViewItemToLeaveTabBar(bar->tabView(), m_draggedCell->representedObject().get(), bar).value_or(true))
            return;
    m_destinationTabBar = nullptr;
    m_currentMouseLoc = QPointF(-1, -1);
    if (!m_fade->isRunning()) {
        if (!m_draggedTab)
            return;
        if (m_currentTearOffStyle == 1) {
            if (m_draggedTab->alternateImage().isNull()) {
                QImage image = miniwindowImageOfWindow(bar->window());
                if (image.isNull()) {
                    image = imageForViewOfCell(m_draggedCell.get(), nullptr);
                    if (!image.isNull())
                        image = image.scaled(platform::DragWindow::MiniatureSide, platform::DragWindow::MiniatureSide,
                                             Qt::KeepAspectRatio, Qt::SmoothTransformation);
                }
                m_draggedTab->setAlternateImage(image);
            }
        } else if (!m_draggedView) {
            unsigned mask = 0;
            const QImage image = imageForViewOfCell(m_draggedCell.get(), &mask);
            m_draggedView = std::make_unique<VTTabDragWindowController>(image, mask, 0);
            m_draggedView->window()->setAlpha(0);
            const QPoint origin = bar->window()->frameGeometry().topLeft();
            m_draggedView->window()->move(origin.x() - qRound(m_dragWindowOffset.width()),
                                          origin.y() - qRound(m_dragWindowOffset.height()));
            m_draggedView->window()->show();
            m_draggedTab->window()->raise();
        }
        VTTabBarControl *source = m_sourceTabBar;
        VTTabBarControlDelegate *sourceDelegate = source ? source->delegate() : nullptr;
        if (source && source->tabView() && source->tabView()->numberOfTabViewItems() == 1 && bar == source
            && sourceDelegate && sourceDelegate->canMakeNewTabBarForDraggedTabViewItem()) {
            setSourceWindowTransparent(source);
            if (m_currentTearOffStyle == 0 && m_draggedView)
                m_draggedView->window()->setAlpha(VTTabDragWindowController::InitialAlpha);
            return;
        }
        if (source && source->tearOffStyle() != 0) {
            m_draggedTab->switchImages();
            m_centersDragWindows = true;
            return;
        }
    } else {
        m_fade->stop();
    }
    if (m_draggedTab)
        m_fade->start(platform::DragWindowFade::Direction::In, m_draggedTab->window(),
                      m_draggedView ? m_draggedView->window() : nullptr);
}

// ---- The drag windows ----

void VTTabDragAssistant::draggingBeganAt(QPoint screenPoint)
{
    m_currentScreenPoint = screenPoint;
    if (m_draggedTab) {
        m_draggedTab->window()->setTopLeft(screenPoint - m_grabOffset.toPoint());
        m_draggedTab->window()->show();
        m_draggedTab->window()->raise();
        if (m_sourceTabBar && m_sourceTabBar->tabView() && m_sourceTabBar->tabView()->numberOfTabViewItems() == 1) {
            draggingExitedTabBar(m_sourceTabBar);
            m_draggedTab->window()->setAlpha(0);
        }
    }
}

void VTTabDragAssistant::draggingMovedTo(QPoint screenPoint)
{
    m_currentScreenPoint = screenPoint;
    if (!m_draggedTab)
        return;
    platform::DragWindow *tab = m_draggedTab->window();
    if (m_centersDragWindows) {
        if (!m_draggedTab->isAnimating())
            tab->centreOn(screenPoint);
    } else {
        tab->setTopLeft(screenPoint - m_grabOffset.toPoint());
    }
    if (m_draggedView)
        m_draggedView->window()->setTopLeft(tab->pos() - QPoint(qRound(m_dragWindowOffset.width()),
                                                                 qRound(m_dragWindowOffset.height())));
}

QImage VTTabDragAssistant::imageForViewOfCell(VTTabBarCell *cell, unsigned *styleMask)
{
    VTTabBarControl *control = cell ? cell->controlView() : nullptr;
    if (styleMask)
        *styleMask = 0;
    if (!control || !cell->representedObject())
        return {};
    QImage viewImage;
    std::optional<QImage> answer;
    QPointF offset;
    if (VTTabBarControlDelegate *delegate = control->delegate())
        answer = delegate->tabViewImageForTabViewItem(control->tabView(), cell->representedObject().get(), &offset, styleMask);
    if (answer) {
        const QImage tab = m_draggedTab ? m_draggedTab->image() : cell->dragImage();
        viewImage = answer->convertToFormat(QImage::Format_ARGB32_Premultiplied);
        m_dragWindowOffset = QSizeF(offset.x(), offset.y());
        QPainter painter(&viewImage);
        if (control->orientation() == 1)
            painter.drawImage(QPointF(offset.x() + control->width() - tab.width(), offset.y()), tab);
        else
            painter.drawImage(offset, tab);
    } else if (QWidget *view = cell->representedObject()->view()) {
        viewImage = view->grab().toImage();
    }
    if (styleMask && *styleMask != 0)
        m_dragWindowOffset.rheight() += platform::DragWindow::TitleBarHeight;
    return viewImage;
}

QImage VTTabDragAssistant::miniwindowImageOfWindow(QWidget *window)
{
    return platform::DragWindow::miniature(window, platform::DragWindow::MiniatureSide);
}

void VTTabDragAssistant::expandWindow(QWidget *window, QPoint screenPoint)
{
    m_growth = platform::WindowGrowth::start(window, screenPoint);
}

// ---- Drops ----

void VTTabDragAssistant::performDragOperation()
{
    VTTabBarControl *destination = m_destinationTabBar;
    VTTabBarControl *source = m_sourceTabBar;
    if (!m_isDragging || !destination || !source || !m_draggedCell) {
        finishDrag();
        return;
    }
    rearranging(destination);
    rearranging(source);
    const CellPtr dragged = m_draggedCell;
    const platform::TabViewItemPtr item = dragged->representedObject();
    VTTabBarControl::Cells &cells = destination->m_cells;
    qsizetype i = m_targetCell ? destination->indexOfCell(m_targetCell.get()) : -1;
    if (i < 0)
        i = qsizetype(cells.size()) - 1;
    if (i < 0)
        cells.push_back(dragged);
    else
        cells[size_t(i)] = dragged;
    dragged->setControlView(destination);

    if (source == destination) {
        removeAllPlaceholdersFromTabBar(destination);
        const qsizetype k = destination->indexOfCell(dragged.get());
        platform::TabView *tabView = destination->tabView();
        if (tabView && item) {
            platform::TabViewDelegate *saved = tabView->delegate();
            const bool wasSelected = tabView->selectedTabViewItem() == item;
            tabView->setDelegate(nullptr);
            tabView->removeTabViewItem(item.get());
            tabView->insertTabViewItem(item, int(k));
            if (wasSelected)
                tabView->selectTabViewItem(item.get());
            tabView->setDelegate(saved);
        }
    } else {
        source->removeTrackingRectsOfCell(dragged.get());
        source->unbindCell(dragged.get());
        int k = 0;
        for (const CellPtr &cell : cells) {
            if (cell == dragged)
                break;
            if (!cell->isPlaceholder())
                ++k;
        }
        if (item && source->tabView() && destination->tabView()) {
            source->tabView()->removeTabViewItem(item.get());
            destination->tabView()->insertTabViewItem(item, k);
        }
        if (destination->automaticallyAnimates() && k >= 1) {
            const QRectF before = cells[size_t(k - 1)]->frame();
            dragged->setFrame(before.translated(dragged->frame().width(), 0));
        }
        destination->bindPropertiesForCell(dragged.get(), item);
        if (destination->tabView() && item)
            destination->tabView()->selectTabViewItem(item.get());
    }
    if ((source != destination || source->indexOfCell(dragged.get()) != m_draggedCellIndex) && source->delegate())
        source->delegate()->tabViewDidDropTabViewItemInTabBar(source->tabView(), item.get(), destination);
    postNotification(DidEndNotification);
    finishDrag();
}

void VTTabDragAssistant::draggedImageEndedAt(QPoint screenPoint, Qt::DropAction operation)
{
    if (!m_isDragging || operation != Qt::IgnoreAction)
        return;
    m_currentScreenPoint = screenPoint;
    VTTabBarControl *source = m_sourceTabBar;
    if (!source || !m_draggedCell) {
        finishDrag();
        return;
    }
    const CellPtr dragged = m_draggedCell;
    const platform::TabViewItemPtr item = dragged->representedObject();
    VTTabBarControlDelegate *delegate = source->delegate();
    if (!m_destinationTabBar && delegate
        && delegate->tabViewShouldDropTabViewItemInTabBar(source->tabView(), item.get(), nullptr).value_or(false)) {
        if (const auto answer = delegate->tabViewNewTabBarForDraggedTabViewItemAtPoint(source->tabView(), item.get(), QPointF(screenPoint))) {
            VTTabBarControl *control = *answer;
            if (!control) {
                qWarning().noquote() << QStringLiteral("Delegate returned no control to add to.");
            } else {
                control->m_cells.insert(control->m_cells.begin(), dragged);
                rearranging(control);
                source->removeTrackingRectsOfCell(dragged.get());
                source->unbindCell(dragged.get());
                control->bindPropertiesForCell(dragged.get(), item);
                dragged->setControlView(control);
                if (source->tabView())
                    source->tabView()->removeTabViewItem(item.get());
                if (control->tabView())
                    control->tabView()->addTabViewItem(item);
                control->updateTabBar(false);
                if (m_currentTearOffStyle != 0) {
                    expandWindow(control->window(), screenPoint);
                } else {
                    control->window()->show();
                    control->window()->raise();
                    control->window()->activateWindow();
                }
                delegate->tabViewDidDropTabViewItemInTabBar(source->tabView(), item.get(), control);
                postNotification(DidEndNotification);
                finishDrag();
                return;
            }
        }
    }
    // Put back: the gap's placeholders go first, so the old index is an index among tabs.
    removeAllPlaceholdersFromTabBar(source);
    const size_t index = size_t(std::clamp<qsizetype>(m_draggedCellIndex, 0, qsizetype(source->m_cells.size())));
    source->m_cells.insert(source->m_cells.begin() + qsizetype(index), dragged);
    rearranging(source);
    postNotification(DidEndNotification);
    finishDrag();
}

void VTTabDragAssistant::finishDrag()
{
    VTTabBarControl *source = m_sourceTabBar;
    rearranging(source);
    rearranging(m_destinationTabBar);
    const CellPtr dragged = m_draggedCell;
    if (source && source->tabView() && source->tabView()->numberOfTabViewItems() == 0 && source->delegate())
        source->delegate()->tabViewCloseWindowForLastTabViewItem(source->tabView(), dragged ? dragged->representedObject().get() : nullptr);
    m_fade->stop();
    m_draggedTab.reset();
    m_draggedView.reset();
    m_centersDragWindows = false;
    m_isDragging = false;
    if (m_transparentSourceWindow) {
        const bool holdsTabs = !source || !source->tabView() || source->tabView()->numberOfTabViewItems() > 0;
        if (holdsTabs)
            platform::WindowGrowth::setAlpha(m_transparentSourceWindow, 1.0);
    }
    m_transparentSourceWindow = nullptr;
    removeAllPlaceholdersFromTabBar(source);
    if (source)
        source->unsetCursor();
    m_sourceTabBar = nullptr;
    m_destinationTabBar = nullptr;
    for (VTTabBarControl *bar : participatingTabBars())
        removeAllPlaceholdersFromTabBar(bar);
    m_participatingTabBars.clear();
    m_draggedCell = nullptr;
    m_animationTimer.stop();
    m_sineCurveWidths.clear();
    m_targetCell = nullptr;
}

// ---- Archive ----

void VTTabDragAssistant::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    // The bars are widgets of a window, not archived with the assistant.
    coder.encodeObject(QVariant(), QStringLiteral("sourceTabBar"));
    coder.encodeObject(QVariant(), QStringLiteral("destinationTabBar"));
    coder.encodeObject(QVariant(QVariantList()), QStringLiteral("participatingTabBars"));
    coder.encodeObject(platform::CodingPtr(m_draggedCell), QStringLiteral("draggedCell"));
    coder.encodeInt32(m_draggedCellIndex, QStringLiteral("draggedCellIndex"));
    coder.encodeBool(m_isDragging, QStringLiteral("isDragging"));
    coder.encodeObject(QVariant(), QStringLiteral("animationTimer"));
    QVariantList widths;
    for (int width : m_sineCurveWidths)
        widths.append(width);
    coder.encodeObject(QVariant(widths), QStringLiteral("sineCurveWidths"));
    coder.encodePoint(m_currentMouseLoc, QStringLiteral("currentMouseLoc"));
    coder.encodeObject(platform::CodingPtr(m_targetCell), QStringLiteral("targetCell"));
}

bool VTTabDragAssistant::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return true;
    coder.decodeObject(QStringLiteral("sourceTabBar"));
    coder.decodeObject(QStringLiteral("destinationTabBar"));
    coder.decodeObject(QStringLiteral("participatingTabBars"));
    const auto dragged = coder.decodeObject<VTTabBarCell>(QStringLiteral("draggedCell"));
    const qint32 index = coder.decodeInt32(QStringLiteral("draggedCellIndex"));
    coder.decodeBool(QStringLiteral("isDragging"));
    coder.decodeObject(QStringLiteral("animationTimer"));
    const QVariant widths = coder.decodeObject(QStringLiteral("sineCurveWidths"));
    const QPointF mouse = coder.decodePoint(QStringLiteral("currentMouseLoc"));
    const auto target = coder.decodeObject<VTTabBarCell>(QStringLiteral("targetCell"));
    if (coder.failed())
        return false;
    std::vector<int> decodedWidths;
    for (const QVariant &width : widths.toList()) {
        if (decodedWidths.size() >= 8)
            break;
        decodedWidths.push_back(width.toInt());
    }
    m_draggedCell = dragged;
    m_draggedCellIndex = index;
    // A running drag is never restored: its session, timer and windows are gone.
    m_isDragging = false;
    m_sineCurveWidths = std::move(decodedWidths);
    m_currentMouseLoc = mouse;
    m_targetCell = target;
    return true;
}
