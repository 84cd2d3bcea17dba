#include "platform/drawing/ImageCell.h"

#include "platform/archive/Coder.h"

#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>
#include <cmath>

namespace platform {

namespace {
const QString ImageScalingKey = QStringLiteral("NSScale");
const QString ImageAlignmentKey = QStringLiteral("NSAlign");
} // namespace

ImageCell::ImageCell(const QIcon &image)
    : Cell(image)
{
}

std::unique_ptr<Cell> ImageCell::clone() const
{
    return std::unique_ptr<Cell>(new ImageCell(*this));
}

QSizeF ImageCell::naturalImageSize() const
{
    if (image().isNull())
        return QSizeF();
    const QList<QSize> sizes = image().availableSizes();
    if (sizes.isEmpty())
        return QSizeF(imageSize());
    QSize largest;
    for (const QSize &size : sizes)
        if (size.width() * size.height() > largest.width() * largest.height())
            largest = size;
    return QSizeF(largest);
}

QRectF ImageCell::imageRectForBounds(const QRectF &bounds) const
{
    return scaledImageRect(naturalImageSize(), drawingRectForBounds(bounds), m_imageScaling, m_imageAlignment);
}

void ImageCell::drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    const QRectF rect = imageRectForBounds(frame);
    if (image().isNull() || rect.isEmpty())
        return;
    QStyleOption option;
    initStyleOption(option, frame, controlView);
    QStyle *style = styleFor(controlView);
    const QSize pixels = rect.size().toSize().expandedTo(QSize(1, 1));
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    QPixmap pixmap = image().pixmap(pixels, ratio, QIcon::Normal);
    if (!isEnabled())
        pixmap = style->generatedIconPixmap(QIcon::Disabled, pixmap, &option);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect, pixmap, QRectF(pixmap.rect()));
    painter.restore();
}

QSizeF ImageCell::cellSize() const
{
    QSizeF size = naturalImageSize();
    if (isBezeled())
        size += QSizeF(6, 6);
    else if (isBordered())
        size += QSizeF(2, 2);
    return QSizeF(std::ceil(size.width()), std::ceil(size.height()));
}

void ImageCell::encodeWithCoder(Coder &coder) const
{
    Cell::encodeWithCoder(coder);
    if (!coder.allowsKeyedCoding())
        return;
    coder.encodeInt32(static_cast<qint32>(m_imageScaling), ImageScalingKey);
    coder.encodeInt32(static_cast<qint32>(m_imageAlignment.toInt()), ImageAlignmentKey);
}

bool ImageCell::initWithCoder(Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    const bool hasScaling = coder.containsValueForKey(ImageScalingKey);
    const qint32 scaling = coder.decodeInt32(ImageScalingKey);
    const bool hasAlignment = coder.containsValueForKey(ImageAlignmentKey);
    const qint32 alignment = coder.decodeInt32(ImageAlignmentKey);
    if (!coder.failed() && (scaling < 0 || scaling > 3))
        coder.failWithError(QStringLiteral("unknown image scaling %1").arg(scaling));
    if (coder.failed() || !Cell::initWithCoder(coder))
        return false;
    if (hasScaling)
        m_imageScaling = static_cast<ImageScaling>(scaling);
    if (hasAlignment)
        m_imageAlignment = Qt::Alignment::fromInt(alignment);
    return true;
}

} // namespace platform
