#include "components/flowview/NTXCoverFlowImages.h"

#include "platform/drawing/Gradient.h"
#include "platform/drawing/YUpPainter.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

using platform::Gradient;

namespace NTXCoverFlowImages {

namespace {

QImage clearImage(const QSize &size)
{
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

QImage fade(const QSize &size, qreal angle)
{
    QImage image = clearImage(size);
    QPainter painter(&image);
    platform::YUpPainter yUp(painter, image.height());
    Gradient(QColor(0, 0, 0, 255), QColor(0, 0, 0, 0)).drawInRect(painter, QRectF(QPointF(0, 0), image.size()), angle);
    return image;
}

QImage reflectionShadow(const QSize &size)
{
    // The reflection is upside down: the bottom of this image (its own minimum y)
    // shows next to the picture.
    QImage image = clearImage(size);
    QPainter painter(&image);
    platform::YUpPainter yUp(painter, image.height());
    Gradient(Gradient::clampedWhite(0, 0.6), Gradient::clampedWhite(0, 1.0))
        .drawInRect(painter, QRectF(QPointF(0, 0), image.size()), 90);
    return image;
}

QImage placeholder(const QSizeF &itemSize, const QImage &icon)
{
    const qreal h = PlaceholderHeight;
    const qreal w = itemSize.height() > 0 ? itemSize.width() * h / itemSize.height() : h;
    const qreal width = std::clamp<qreal>(std::isfinite(w) ? w : h, 1, 8 * h);
    QImage image = clearImage(QSize(qRound(width), PlaceholderHeight));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    platform::YUpPainter yUp(painter, h);
    const QRectF all(0, 0, width, h);
    Gradient(Gradient::clampedWhite(0.15), Gradient::clampedWhite(0)).drawInRectRelativeCenterPosition(painter, all, {0, 1.0});
    painter.fillRect(QRectF(0, h - 5, width, 5), Gradient::clampedWhite(0.3));
    painter.fillRect(QRectF(0, 0, width, 5), Gradient::clampedWhite(0.1));

    if (icon.isNull() || icon.width() <= 0 || icon.height() <= 0)
        return image;
    qreal iconHeight = 300;
    qreal iconWidth = qreal(icon.width()) / icon.height() * iconHeight;
    if (iconWidth > 0.666 * width) {
        iconWidth = 0.5 * width;
        iconHeight = qreal(icon.height()) / icon.width() * iconWidth;
    }
    const QSize tintedSize(std::max(1, qRound(iconWidth)), std::max(1, qRound(iconHeight)));
    QImage tinted = clearImage(tintedSize);
    {
        QPainter tint(&tinted);
        platform::YUpPainter tintUp(tint, tinted.height());
        Gradient(Gradient::clampedColor(0.38, 0.4, 0.427), Gradient::clampedColor(0.224, 0.255, 0.302))
            .drawInRect(tint, QRectF(QPointF(0, 0), tinted.size()), -90);
        tint.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        platform::YUpPainter::drawImageUpright(tint, QRectF(QPointF(0, 0), tinted.size()), icon);
    }
    platform::YUpPainter::drawImageUpright(
        painter, QRectF((width - iconWidth) / 2, (h - iconHeight) / 2, iconWidth, iconHeight), tinted);
    return image;
}

QImage defaultPlaceholderIcon()
{
    // An eye: the sign of something that can be looked at once it has loaded.
    QImage image = clearImage(QSize(128, 80));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath eye;
    eye.moveTo(4, 40);
    eye.quadTo(64, -22, 124, 40);
    eye.quadTo(64, 102, 4, 40);
    eye.closeSubpath();
    QPainterPath pupil;
    pupil.addEllipse(QPointF(64, 40), 22, 22);
    QPainterPath iris;
    iris.addEllipse(QPointF(64, 40), 10, 10);
    painter.fillPath(eye.subtracted(pupil).united(iris), Qt::black);
    return image;
}

} // namespace NTXCoverFlowImages
