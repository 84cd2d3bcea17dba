#include "components/tabbarview/KZTabBarViewExtensions.h"

#include "components/tabbarview/KZTabBarItem.h"
#include "platform/drawing/BezierPathHelpers.h"

#include <algorithm>

namespace KZTabBarViewExtensions {

QTransform kz_flipVertical(const QRectF &rect)
{
    // (1, 0, 0, -1, 0, y + height), then a translation by (0, -y) first.
    return QTransform::fromTranslate(0, -rect.y()) * QTransform(1, 0, 0, -1, 0, rect.y() + rect.height());
}

namespace {

QPainterPath cardPath(const QRectF &r, qreal radius, unsigned caps)
{
    const qreal x = r.x(), y = r.y(), w = r.width(), h = r.height();
    QPainterPath path;
    if (caps & KZCapLeft) {
        path.moveTo(x, y + h);
        platform::BezierPathHelpers::appendArcFromPoint(path, QPointF(x, y), QPointF(x + w / 2, y), radius);
    } else if (caps & KZCapDrawSides) {
        path.moveTo(x, y + h);
        path.lineTo(x, y);
    } else {
        path.moveTo(x, y);
    }
    if (caps & KZCapRight) {
        platform::BezierPathHelpers::appendArcFromPoint(path, QPointF(x + w, y), QPointF(x + w, y + h), radius);
        path.lineTo(x + w, y + h);
    } else {
        path.lineTo(x + w, y);
        if (caps & KZCapDrawSides)
            path.lineTo(x + w, y + h);
    }
    return path;
}

QPainterPath roundedPath(const QRectF &r, qreal radius, unsigned caps)
{
    const qreal x = r.x(), y = r.y(), w = r.width(), h = r.height(), xm = x + w / 2;
    const bool sides = caps & KZCapDrawSides;
    QPainterPath path;
    path.moveTo(xm, y + h);
    if (caps & KZCapLeft) {
        platform::BezierPathHelpers::appendArcFromPoint(path, QPointF(x, y + h), QPointF(x, y), radius);
        platform::BezierPathHelpers::appendArcFromPoint(path, QPointF(x, y), QPointF(xm, y), radius);
    } else {
        path.lineTo(x, y + h);
        sides ? path.lineTo(x, y) : path.moveTo(x, y);
    }
    path.lineTo(xm, y);
    if (caps & KZCapRight) {
        platform::BezierPathHelpers::appendArcFromPoint(path, QPointF(x + w, y), QPointF(x + w, y + h), radius);
        platform::BezierPathHelpers::appendArcFromPoint(path, QPointF(x + w, y + h), QPointF(xm, y + h), radius);
    } else {
        path.lineTo(x + w, y);
        sides ? path.lineTo(x + w, y + h) : path.moveTo(x + w, y + h);
        path.lineTo(xm, y + h);
    }
    path.closeSubpath();
    return path;
}

QPainterPath flippedIfAsked(const QPainterPath &path, unsigned caps)
{
    if (!(caps & KZCapFlipVertical))
        return path;
    return kz_flipVertical(path.boundingRect()).map(path);
}

} // namespace

QPainterPath bezierPathWithCardInRect(const QRectF &rect, qreal radius, unsigned capMask)
{
    return flippedIfAsked(cardPath(rect, radius, capMask), capMask);
}

QPainterPath bezierPathWithRoundedRect(const QRectF &rect, qreal radius, unsigned capMask)
{
    return flippedIfAsked(roundedPath(rect, radius, capMask), capMask);
}

QSizeF kz_scaleImageWithSize(const QSizeF &imageSize, const QSizeF &boxSize, unsigned scalingType)
{
    const qreal w = imageSize.width(), h = imageSize.height();
    switch (scalingType) {
    case KZImageScaleProportionallyUpOrDown:
    case KZImageScaleProportionallyDown: {
        if (!(w > 0 && h > 0))
            return {0, 0};
        const qreal factor = std::min(boxSize.width() / w, boxSize.height() / h);
        if (scalingType == KZImageScaleProportionallyDown && !(factor < 1))
            return imageSize;
        return {w * factor, h * factor};
    }
    case KZImageScaleAxesIndependently:
        return boxSize;
    default:
        return imageSize;
    }
}

QString stringByTruncatingToLength(const QString &string, unsigned n)
{
    n = std::max(n, 10u);
    if (static_cast<qsizetype>(n) > string.size())
        return string;
    qsizetype keep = static_cast<qsizetype>(n) - 10;
    if (keep > 0 && string.at(keep - 1).isHighSurrogate())
        --keep;
    return string.left(keep) + QChar(0x2026);
}

// ---- Tab properties ----

void registerTabViewItemKeys()
{
    static const bool registered = [] {
        using platform::TabViewItem;
        TabViewItem::registerExtraKey(KZTabBarItem::LargeImageKey, QVariant::fromValue(QIcon()));
        TabViewItem::registerExtraKey(KZTabBarItem::IconKey, QVariant::fromValue(QIcon()));
        TabViewItem::registerExtraKey(KZTabBarItem::IsProcessingKey, false);
        TabViewItem::registerExtraKey(KZTabBarItem::ObjectCountKey, 0);
        TabViewItem::registerExtraKey(KZTabBarItem::ObjectCountColorKey, QVariant());
        TabViewItem::registerExtraKey(KZTabBarItem::IsEditedKey, false);
        TabViewItem::registerExtraKey(KZTabBarItem::HasCloseButtonKey, false);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace {

QVariant read(const platform::TabViewItem &item, const QString &key)
{
    registerTabViewItemKeys();
    return item.valueForKey(key);
}

void write(platform::TabViewItem &item, const QString &key, const QVariant &value)
{
    registerTabViewItemKeys();
    item.setValueForKey(value, key);
}

} // namespace

QIcon largeImage(const platform::TabViewItem &item) { return read(item, KZTabBarItem::LargeImageKey).value<QIcon>(); }
void setLargeImage(platform::TabViewItem &item, const QIcon &image) { write(item, KZTabBarItem::LargeImageKey, QVariant::fromValue(image)); }
QIcon icon(const platform::TabViewItem &item) { return read(item, KZTabBarItem::IconKey).value<QIcon>(); }
void setIcon(platform::TabViewItem &item, const QIcon &image) { write(item, KZTabBarItem::IconKey, QVariant::fromValue(image)); }
bool isProcessing(const platform::TabViewItem &item) { return read(item, KZTabBarItem::IsProcessingKey).toBool(); }
void setIsProcessing(platform::TabViewItem &item, bool processing) { write(item, KZTabBarItem::IsProcessingKey, processing); }
int objectCount(const platform::TabViewItem &item) { return read(item, KZTabBarItem::ObjectCountKey).toInt(); }
void setObjectCount(platform::TabViewItem &item, int count) { write(item, KZTabBarItem::ObjectCountKey, count); }
QColor objectCountColor(const platform::TabViewItem &item) { return read(item, KZTabBarItem::ObjectCountColorKey).value<QColor>(); }
void setObjectCountColor(platform::TabViewItem &item, const QColor &color) { write(item, KZTabBarItem::ObjectCountColorKey, color.isValid() ? QVariant(color) : QVariant()); }
bool isEdited(const platform::TabViewItem &item) { return read(item, KZTabBarItem::IsEditedKey).toBool(); }
void setIsEdited(platform::TabViewItem &item, bool edited) { write(item, KZTabBarItem::IsEditedKey, edited); }
bool hasCloseButton(const platform::TabViewItem &item) { return read(item, KZTabBarItem::HasCloseButtonKey).toBool(); }
void setHasCloseButton(platform::TabViewItem &item, bool hasCloseButton) { write(item, KZTabBarItem::HasCloseButtonKey, hasCloseButton); }

} // namespace KZTabBarViewExtensions
