// How the flow view answers the mouse, the wheel and the keyboard; dragging the
// selected item out and taking drops; hover over the selected item; and the shared
// preview panel. Points of Qt's events are y-down widget points; the layer tree's
// are y-up (toViewLayer()).
#include "components/flowview/KZFlowView.h"

#include "components/flowview/KZButtonLayer.h"
#include "components/flowview/KZFlowViewImageCache.h"
#include "components/flowview/KZVideoOverlayLayer.h"
#include "platform/drawing/TrackingAreas.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/KeyValueObserving.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDrag>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

using platform::LayerPtr;

namespace {

// A wheel notch, in eighths of a degree.
constexpr qreal NotchAngle = 120;

QUrl fileUrlOf(const QVariant &representation)
{
    const QString path = KZFlowView::pathOfRepresentation(representation);
    return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
}

} // namespace

QPointF KZFlowView::toViewLayer(const QPointF &widgetPoint) const
{
    return QPointF(widgetPoint.x(), height() - widgetPoint.y());
}

// ---- Mouse ----

void KZFlowView::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton) {
        LayerHostWidget::mousePressEvent(event);
        return;
    }
    const QPointF p = toViewLayer(event->position());
    const LayerPtr hit = hitLayerAtPoint(p);
    const quint32 index = indexOfItemAtPoint(p);
    m_pressOnSelected.reset();
    if (index != NotFound && index == m_selectedIndex) {
        // A press on the selected item stays a click until the pointer moves the
        // drag distance with the button down.
        m_pressOnSelected = event->position().toPoint();
        m_pressIndex = index;
    } else if (index != NotFound) {
        setSelectedIndex(index);
    } else if (hit && m_scrollBarLayer) {
        const LayerPtr knob = m_scrollBarLayer->sublayers().isEmpty() ? nullptr : m_scrollBarLayer->sublayers().first();
        if (hit->name() == ScrollBarLayerName && knob) {
            const QPointF inBar = m_scrollBarLayer->convertPointFromLayer(p, m_backgroundLayer.get());
            if (inBar.x() < knob->frame().x())
                moveLeft();
            else
                moveRight();
        } else if (hit->name() == ScrollKnobLayerName) {
            setMouseDownInKnob(float(hit->convertPointFromLayer(p, m_backgroundLayer.get()).x()));
            setDraggingKnob(true);
        }
    }
    setSelectedLayer(hit);
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void KZFlowView::mouseMoveEvent(QMouseEvent *event)
try {
    if (!(event->buttons() & Qt::LeftButton))
        return;
    if (m_pressOnSelected
        && (event->position().toPoint() - *m_pressOnSelected).manhattanLength() >= QApplication::startDragDistance()) {
        m_pressOnSelected.reset();
        startDrag(m_pressIndex);
        return;
    }
    const QPointF p = toViewLayer(event->position());
    setSelectedLayer(hitLayerAtPoint(p));
    if (!m_draggingKnob || !m_scrollBarLayer || m_scrollBarLayer->sublayers().isEmpty())
        return;
    const LayerPtr knob = m_scrollBarLayer->sublayers().first();
    const qreal travel = m_scrollBarLayer->bounds().width() - knob->bounds().width();
    // A knob as wide as its bar cannot be dragged anywhere.
    if (travel <= 0)
        return;
    const qreal x = m_scrollBarLayer->convertPointFromLayer(p, m_backgroundLayer.get()).x();
    const qreal position = std::clamp(x - m_mouseDownInKnob, qreal(0), travel);
    setSelectedIndex(quint32(m_numberOfItems * (position / travel)));
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

void KZFlowView::mouseReleaseEvent(QMouseEvent *event)
try {
    if (event->button() == Qt::RightButton) {
        const quint32 index = indexOfItemAtPoint(toViewLayer(event->position()));
        if (index != NotFound && m_delegate)
            m_delegate->flowViewItemWasRightClickedAtIndex(*this, index, *event);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    m_pressOnSelected.reset();
    setDraggingKnob(false);
    if (auto *button = dynamic_cast<KZButtonLayer *>(m_selectedLayer.get()))
        button->performClick();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

void KZFlowView::mouseDoubleClickEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton) {
        LayerHostWidget::mouseDoubleClickEvent(event);
        return;
    }
    const quint32 index = indexOfItemAtPoint(toViewLayer(event->position()));
    m_pressOnSelected.reset();
    if (index == NotFound || index != m_selectedIndex)
        return;
    if (m_delegate && m_delegate->flowViewItemWasDoubleClickedAtIndex(*this, index))
        return;
    if (m_action) {
        m_action(*this);
        return;
    }
    platform::KeyValueObservable *item = imageItemForIndex(index);
    if (!isPathType(imageRepresentationTypeForItem(item).toString()))
        return;
    const QUrl url = fileUrlOf(imageRepresentationForItem(item));
    if (!url.isEmpty())
        QDesktopServices::openUrl(url);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseDoubleClickEvent");
}

// ---- Wheel and keys ----

void KZFlowView::scrollByDelta(qreal delta)
{
    if (m_selectedIndex == NotFound || !std::isfinite(delta))
        return;
    const double target = std::trunc(double(m_selectedIndex) + delta);
    if (target < 0 || target >= double(m_numberOfItems))
        return;
    setSelectedIndex(quint32(target));
}

void KZFlowView::wheelEvent(QWheelEvent *event)
try {
    const QPoint angle = event->angleDelta();
    const qreal delta = std::abs(angle.x()) > std::abs(angle.y()) ? angle.x() : angle.y();
    // Partial notches add up, whichever way they turn; only whole ones move.
    m_wheelRemainder += delta / NotchAngle;
    const qreal notches = std::trunc(m_wheelRemainder);
    m_wheelRemainder -= notches;
    if (notches != 0)
        scrollByDelta(notches);
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "wheelEvent");
}

void KZFlowView::keyPressEvent(QKeyEvent *event)
try {
    if (m_canControlQuickLookPanel && event->text() == QLatin1String(" ")) {
        togglePreviewPanel();
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
        moveLeft();
        event->accept();
        return;
    case Qt::Key_Right:
        moveRight();
        event->accept();
        return;
    default:
        LayerHostWidget::keyPressEvent(event);
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "keyPressEvent");
}

// ---- Hover ----

void KZFlowView::setupTrackingAreas()
{
    if (!m_trackingAreas)
        return;
    m_trackingAreas->removeAllAreas();
    if (m_selectedIndex == NotFound)
        return;
    const LayerPtr content = imageLayerAtIndex(m_selectedIndex);
    if (!content)
        return;
    const QRectF r = rectInViewForLayer(content.get());
    if (r.isEmpty())
        return;
    m_trackingAreas->addArea(QRectF(r.x(), height() - r.y() - r.height(), r.width(), r.height()));
}

void KZFlowView::mouseEnteredLayerAtIndex(quint32 index)
{
    if (const auto overlay = overlayLayerAtIndex(index)) {
        overlay->setHidden(false);
        overlay->setNeedsDisplay();
    }
}

void KZFlowView::mouseExitedLayerAtIndex(quint32 index)
{
    if (const auto overlay = overlayLayerAtIndex(index))
        overlay->setHidden(true);
}

// ---- Drag source ----

std::unique_ptr<QMimeData> KZFlowView::dragDataForIndex(quint32 index)
{
    auto payload = std::make_unique<QMimeData>();
    platform::KeyValueObservable *item = imageItemForIndex(index);
    if (m_dataSource && m_dataSource->flowViewWriteItemAtIndex(*this, index, *payload).has_value())
        return payload;
    if (isPathType(imageRepresentationTypeForItem(item).toString())) {
        const QUrl url = fileUrlOf(imageRepresentationForItem(item));
        if (!url.isEmpty())
            payload->setUrls({url});
    }
    return payload;
}

void KZFlowView::startDrag(quint32 index)
{
    std::unique_ptr<QMimeData> payload = dragDataForIndex(index);
    // A drag of an item nothing was written for would carry nothing: none starts.
    if (payload->formats().isEmpty())
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(payload.release());
    const LayerPtr content = imageLayerAtIndex(index);
    QImage picture;
    if (const auto key = KZFlowViewImageCache::keyFor(imageUIDForItem(imageItemForIndex(index))))
        picture = m_imageCache->image(*key);
    if (!picture.isNull() && content && !content->bounds().isEmpty())
        drag->setPixmap(QPixmap::fromImage(picture.scaled(content->bounds().size().toSize(), Qt::KeepAspectRatio,
                                                          Qt::SmoothTransformation)));
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

void KZFlowView::draggedItemWasDeleted()
{
    if (m_dataSource && m_selectedIndex != NotFound)
        m_dataSource->flowViewRemoveItemAtIndex(*this, m_selectedIndex);
}

// ---- Drop target ----

bool KZFlowView::isOwnDrag(const QDropEvent *event) const
{
    return event->source() == this;
}

quint32 KZFlowView::dropIndexAt(const QPointF &widgetPoint) const
{
    return indexOfItemAtPoint(toViewLayer(widgetPoint));
}

void KZFlowView::dragEnterEvent(QDragEnterEvent *event)
try {
    if (!event->mimeData()->hasUrls() && !isOwnDrag(event)) {
        event->ignore();
        return;
    }
    if (!isOwnDrag(event))
        setHighlightedLayer(m_backgroundLayer);
    // The drag is followed; whether a drop is taken is decided where it stands.
    event->acceptProposedAction();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "dragEnterEvent");
}

void KZFlowView::dragMoveEvent(QDragMoveEvent *event)
try {
    const quint32 index = dropIndexAt(event->position());
    if (index == NotFound) {
        setHighlightedLayer(isOwnDrag(event) ? nullptr : LayerPtr(m_backgroundLayer));
        event->ignore();
        return;
    }
    if (isOwnDrag(event) && index == m_selectedIndex) {
        setHighlightedLayer(nullptr);
        event->ignore();
        return;
    }
    setHighlightedLayer(imageLayerAtIndex(index));
    const std::optional<Qt::DropAction> action =
        m_dataSource ? m_dataSource->flowViewValidateDrop(*this, *event, index) : std::nullopt;
    if (!action || *action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(*action);
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "dragMoveEvent");
}

void KZFlowView::dragLeaveEvent(QDragLeaveEvent *event)
try {
    setHighlightedLayer(nullptr);
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "dragLeaveEvent");
}

void KZFlowView::dropEvent(QDropEvent *event)
try {
    setHighlightedLayer(nullptr);
    const quint32 index = dropIndexAt(event->position());
    const bool taken = index != NotFound && m_dataSource
        && m_dataSource->flowViewAcceptDrop(*this, *event, index).value_or(false);
    if (taken)
        event->acceptProposedAction();
    else
        event->ignore();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "dropEvent");
}

// ---- Preview panel ----

void KZFlowView::togglePreviewPanel()
{
    if (platform::PreviewPanel::sharedPreviewPanelExists() && platform::PreviewPanel::sharedPreviewPanel()->isVisible()) {
        platform::PreviewPanel::sharedPreviewPanel()->orderOut();
        return;
    }
    platform::PreviewPanel *panel = platform::PreviewPanel::sharedPreviewPanel();
    if (acceptsPreviewPanelControl())
        beginPreviewPanelControl(*panel);
    panel->makeKeyAndOrderFront();
}

bool KZFlowView::acceptsPreviewPanelControl()
{
    return isPathType(imageRepresentationTypeForItem(imageItemForIndex(m_selectedIndex)).toString());
}

void KZFlowView::beginPreviewPanelControl(platform::PreviewPanel &panel)
{
    panel.setDataSource(this);
    panel.setDelegate(this);
}

void KZFlowView::endPreviewPanelControl(platform::PreviewPanel &panel)
{
    Q_UNUSED(panel);
}

int KZFlowView::numberOfPreviewItemsInPreviewPanel(platform::PreviewPanel &panel)
{
    Q_UNUSED(panel);
    return 1;
}

QUrl KZFlowView::previewItemAtIndex(platform::PreviewPanel &panel, int index)
{
    Q_UNUSED(panel);
    Q_UNUSED(index);
    platform::KeyValueObservable *item = imageItemForIndex(m_selectedIndex);
    if (!isPathType(imageRepresentationTypeForItem(item).toString()))
        return QUrl();
    return fileUrlOf(imageRepresentationForItem(item));
}

bool KZFlowView::previewPanelHandleEvent(platform::PreviewPanel &panel, QEvent *event)
try {
    if (event->type() != QEvent::KeyPress)
        return false;
    keyPressEvent(static_cast<QKeyEvent *>(event));
    panel.reloadData();
    return true;
} catch (...) {
    platform::ExceptionBoundary::caught(this, "previewPanelHandleEvent");
    return false;
}

QRect KZFlowView::previewPanelSourceFrameOnScreen()
{
    const QRectF r = rectInViewForLayer(imageLayerAtIndex(m_selectedIndex).get());
    const QRect inWidget = QRectF(r.x(), height() - r.y() - r.height(), r.width(), r.height()).toAlignedRect();
    return QRect(mapToGlobal(inWidget.topLeft()), inWidget.size());
}
