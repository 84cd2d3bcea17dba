#pragma once
// Geometry and text helpers shared by the tab bar, its buttons and its styles, and
// the tab properties every platform::TabViewItem gains from this library.
//
// - Outline paths of tabs with rounded corners on chosen sides (cap mask below); the
//   "y edge" of a rectangle is its top edge in the bar's y-down coordinates.
// - kz_flipVertical(): the transform that turns a rectangle upside down in place.
// - kz_scaleImageWithSize(): an image size fitted into a box.
// - stringByTruncatingToLength(): a title shortened for a menu, never cutting a
//   surrogate pair apart.
// - The seven tab properties of a TabViewItem (largeImage, icon, isProcessing,
//   objectCount, objectCountColor, isEdited, hasCloseButton): observable keys of every
//   item, nil, 0 or NO until set. registerTabViewItemKeys() registers them; every
//   accessor here does so itself first.
//
// Stateless functions: any thread, except the item properties (main thread, like
// the items).
#include "platform/drawing/TabViewItem.h"

#include <QColor>
#include <QIcon>
#include <QPainterPath>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTransform>

namespace KZTabBarViewExtensions {

enum KZCapMask : unsigned {
    KZCapLeft = 0x1,
    KZCapRight = 0x2,
    KZCapFlipVertical = 0x1000,
    KZCapDrawSides = 0x2000,
};

// The platform's image scaling values.
enum KZImageScaling : unsigned {
    KZImageScaleProportionallyDown = 0,
    KZImageScaleAxesIndependently = 1,
    KZImageScaleNone = 2,
    KZImageScaleProportionallyUpOrDown = 3,
};

// Maps a point at height y' to 2y + height - y' (x unchanged).
QTransform kz_flipVertical(const QRectF &rect);

// An open path along the y edge with rounded corners on the capped sides (the edge at
// y + height stays open); with KZCapFlipVertical the finished path is flipped within
// its own bounds.
QPainterPath bezierPathWithCardInRect(const QRectF &rect, qreal radius, unsigned capMask);
// A closed path around the rectangle with rounded corners on the capped sides.
QPainterPath bezierPathWithRoundedRect(const QRectF &rect, qreal radius, unsigned capMask);

QSizeF kz_scaleImageWithSize(const QSizeF &imageSize, const QSizeF &boxSize, unsigned scalingType);

// Shorter than n: the string itself; otherwise its first n - 10 characters (one
// fewer when that would split a surrogate pair) and "…". n below 10 counts as 10.
QString stringByTruncatingToLength(const QString &string, unsigned n);

// ---- Tab properties of a TabViewItem ----
void registerTabViewItemKeys();

QIcon largeImage(const platform::TabViewItem &item);
void setLargeImage(platform::TabViewItem &item, const QIcon &image);
QIcon icon(const platform::TabViewItem &item);
void setIcon(platform::TabViewItem &item, const QIcon &image);
bool isProcessing(const platform::TabViewItem &item);
void setIsProcessing(platform::TabViewItem &item, bool processing);
int objectCount(const platform::TabViewItem &item);
void setObjectCount(platform::TabViewItem &item, int count);
QColor objectCountColor(const platform::TabViewItem &item);
void setObjectCountColor(platform::TabViewItem &item, const QColor &color);
bool isEdited(const platform::TabViewItem &item);
void setIsEdited(platform::TabViewItem &item, bool edited);
bool hasCloseButton(const platform::TabViewItem &item);
void setHasCloseButton(platform::TabViewItem &item, bool hasCloseButton);

} // namespace KZTabBarViewExtensions
