#include "platform/drawing/RulerView.h"

#include "platform/archive/Coder.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAbstractScrollArea>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace platform {

namespace {
const QString ThicknessKey = QStringLiteral("ruleThickness");
}

RulerView::RulerView(QAbstractScrollArea *scrollView, QWidget *parent)
    : QWidget(parent)
    , m_scrollView(scrollView)
{
}

RulerView::~RulerView() = default;

void RulerView::setClientView(QWidget *client)
{
    m_clientView = client;
    update();
}

void RulerView::setRuleThickness(qreal thickness)
{
    if (!std::isfinite(thickness) || thickness < 0)
        thickness = 0;
    if (thickness == m_thickness)
        return;
    m_thickness = thickness;
    updateGeometry();
    Q_EMIT ruleThicknessChanged(thickness);
    update();
}

void RulerView::addMarker(const RulerMarkerPtr &marker)
{
    if (!marker || m_markers.contains(marker))
        return;
    marker->setRuler(this);
    m_markers.append(marker);
    update();
}

void RulerView::removeMarker(const RulerMarkerPtr &marker)
{
    if (m_markers.removeAll(marker) > 0)
        update();
}

void RulerView::setMarkers(const QList<RulerMarkerPtr> &markers)
{
    m_markers.clear();
    for (const RulerMarkerPtr &marker : markers)
        RulerView::addMarker(marker);
    update();
}

qreal RulerView::viewportTop() const
{
    if (!m_scrollView || parentWidget() != m_scrollView)
        return 0;
    return m_scrollView->viewport()->geometry().top() - geometry().top();
}

QSize RulerView::sizeHint() const
{
    return QSize(int(std::ceil(m_thickness)), 100);
}

void RulerView::encodeWithCoder(Coder &coder) const
{
    if (coder.allowsKeyedCoding())
        coder.encodeDouble(m_thickness, ThicknessKey);
}

bool RulerView::readFromCoder(Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    const double thickness = coder.containsValueForKey(ThicknessKey) ? coder.decodeDouble(ThicknessKey) : m_thickness;
    if (coder.failed())
        return false;
    if (!std::isfinite(thickness) || thickness < 0) {
        coder.failWithError(QStringLiteral("ruler: thickness not a finite number ≥ 0"));
        return false;
    }
    m_thickness = thickness;
    return true;
}

void RulerView::drawHashMarksAndLabelsInRect(QPainter &, const QRectF &)
{
}

void RulerView::drawMarkersInRect(QPainter &painter, const QRectF &)
{
    for (const RulerMarkerPtr &marker : std::as_const(m_markers)) {
        const QImage image = marker->image();
        if (image.isNull())
            continue;
        const QSizeF size = image.deviceIndependentSize();
        // the origin is measured up from the image's bottom edge
        const QPointF topLeft(width() - size.width() - 1,
                              marker->markerLocation() - (size.height() - marker->imageOrigin().y()));
        painter.drawImage(QRectF(topLeft, size), image);
    }
}

void RulerView::paintEvent(QPaintEvent *event)
try {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    drawHashMarksAndLabelsInRect(painter, QRectF(event->rect()));
    drawMarkersInRect(painter, QRectF(event->rect()));
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

void RulerView::mousePressEvent(QMouseEvent *event)
try {
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void RulerView::mouseReleaseEvent(QMouseEvent *event)
try {
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

} // namespace platform
