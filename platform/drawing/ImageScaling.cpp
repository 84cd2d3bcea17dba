#include "platform/drawing/ImageScaling.h"

#include <algorithm>

namespace platform {

QRectF scaledImageRect(const QSizeF &imageSize, const QRectF &frame, ImageScaling scaling, Qt::Alignment alignment)
{
    if (imageSize.isEmpty() || frame.isEmpty())
        return QRectF(frame.center(), QSizeF());
    QSizeF size = imageSize;
    switch (scaling) {
    case ImageScaling::AxesIndependently:
        size = frame.size();
        break;
    case ImageScaling::None:
        break;
    case ImageScaling::ProportionallyDown:
        if (size.width() > frame.width() || size.height() > frame.height())
            size.scale(frame.size(), Qt::KeepAspectRatio);
        break;
    case ImageScaling::ProportionallyUpOrDown:
        size.scale(frame.size(), Qt::KeepAspectRatio);
        break;
    }
    qreal x = frame.x() + (frame.width() - size.width()) / 2;
    qreal y = frame.y() + (frame.height() - size.height()) / 2;
    if (alignment & Qt::AlignLeft)
        x = frame.x();
    else if (alignment & Qt::AlignRight)
        x = frame.right() - size.width();
    if (alignment & Qt::AlignTop)
        y = frame.y();
    else if (alignment & Qt::AlignBottom)
        y = frame.bottom() - size.height();
    return QRectF(QPointF(x, y), size);
}

} // namespace platform
