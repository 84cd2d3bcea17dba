#include "NTXAppKit/NTXLineNumberRuler/NTXLineNumberRulerWithMarker.h"

#include "platform/drawing/SystemColors.h"
#include "platform/drawing/YUpPainter.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

NTXLineNumberRulerWithMarker::NTXLineNumberRulerWithMarker(QAbstractScrollArea *scrollView, QWidget *parent)
    : NTXLineNumberRuler(scrollView, parent)
{
    setEditable(true);
}

NTXLineNumberRulerWithMarker *NTXLineNumberRulerWithMarker::fromCoder(platform::Coder &coder, QWidget *parent)
{
    auto *ruler = new NTXLineNumberRulerWithMarker(Coded{}, parent);
    if (!ruler->readFromCoder(coder)) {
        delete ruler;
        return nullptr;
    }
    return ruler;
}

NTXLineNumberRulerWithMarker::~NTXLineNumberRulerWithMarker() = default;

void NTXLineNumberRulerWithMarker::setRuleThickness(qreal thickness)
{
    NTXLineNumberRuler::setRuleThickness(thickness);
    if (m_markerImage.isNull())
        return;
    // the markers share the image: each one of ours gets it at the new size
    const qint64 old = m_markerImage.cacheKey();
    m_markerImage = renderedMarkerImage(QSizeF(ruleThickness(), MarkerImageHeight));
    for (const platform::RulerMarkerPtr &marker : markers()) {
        if (marker->image().cacheKey() == old)
            marker->setImage(m_markerImage);
    }
}

QImage NTXLineNumberRulerWithMarker::markerImageWithSize(const QSizeF &size)
{
    if (m_markerImage.isNull())
        m_markerImage = renderedMarkerImage(size);
    return m_markerImage;
}

QImage NTXLineNumberRulerWithMarker::renderedMarkerImage(const QSizeF &size) const
{
    QImage image(QSize(std::max(1, int(std::ceil(size.width()))), std::max(1, int(std::ceil(size.height())))),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    drawMarkerImageIntoRep(image);
    return image;
}

void NTXLineNumberRulerWithMarker::drawMarkerImageIntoRep(QImage &image) const
{
    const qreal w = image.deviceIndependentSize().width();
    const qreal h = image.deviceIndependentSize().height();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    platform::YUpPainter yUp(painter, h);
    // arcs in y-up coordinates: angles run counter-clockwise from the x axis, which
    // QPainterPath (y down) spells with negated angles
    QPainterPath path;
    path.moveTo(w - 1, (h - 3) * 0.5 + 2);
    path.lineTo(w - 6, h - 1);
    path.arcTo(QRectF(4 - 3, h - 4 - 3, 6, 6), -90, -90);
    path.arcTo(QRectF(4 - 3, 5 - 3, 6, 6), -180, -90);
    path.lineTo(w - 6, 2);
    path.closeSubpath();
    painter.fillPath(path, platform::SystemColors::deviceRGB(0.003, 0.56, 0.85));
    painter.strokePath(path, QPen(platform::SystemColors::deviceRGB(0, 0.44, 0.8), 2));
}

std::shared_ptr<NTXLineNumberRulerMarker> NTXLineNumberRulerWithMarker::newMarker(quint64 line)
{
    const QImage image = markerImageWithSize(QSizeF(ruleThickness(), MarkerImageHeight));
    return std::make_shared<NTXLineNumberRulerMarker>(this, double(line), image, QPointF(0, MarkerImageOriginY));
}

void NTXLineNumberRulerWithMarker::addMarkerWithLineNumber(quint64 line)
{
    if (markerAtLine(line))
        return;
    addMarker(newMarker(line));
    update();
}

void NTXLineNumberRulerWithMarker::addSingleMarkerWithLineNumber(quint64 line)
{
    removeAllMarker();
    addMarkerWithLineNumber(line);
}

void NTXLineNumberRulerWithMarker::mousePressEvent(QMouseEvent *event)
try {
    if (!m_editable || event->button() != Qt::LeftButton) {
        NTXLineNumberRuler::mousePressEvent(event);
        return;
    }
    event->accept();
    const quint64 line = lineNumberForLocation(event->position().y());
    if (line == NotFound || line == 0)
        return; // no line, or below a table's last row
    if (const auto marker = markerAtLine(line))
        removeMarker(marker);
    else
        addMarker(newMarker(line));
    update();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}
