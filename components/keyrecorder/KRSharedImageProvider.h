#pragma once
// The small symbols the shortcut recorder draws, drawn in code at any size and
// device pixel ratio: "KRSnapback" (the arrow that cancels recording) and
// "KRRemoveShortcut", "KRRemoveShortcutRollover", "KRRemoveShortcutPressed" (a white
// cross in a dark disc, darker for rollover and pressed). Each is 14 × 14 points.
//
// supportingImageWithName() hands out one shared icon per name for the life of the
// process (copies share it: their cacheKey() is equal); the icon draws the symbol
// afresh at whatever size and pixel ratio it is asked for. Main thread only.
#include <QIcon>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

class QPainter;

class KRSharedImageProvider
{
public:
    // The shared icon of a name; a null icon for a name that is not one of the four.
    static QIcon supportingImageWithName(const QString &name);
    // The natural size of the image (points); an empty size for an unknown name.
    static QSizeF sizeOfImage(const QString &name);
    // The four names.
    static QStringList imageNames();

    // The image drawn at a size (points) and device pixel ratio: a transparent
    // premultiplied ARGB image of size × ratio pixels carrying the ratio; a null image
    // for an unknown name or an empty size.
    static QImage renderedImage(const QString &name, const QSizeF &size, qreal devicePixelRatio = 1.0);
    // Draws the image into a rectangle of the painter's current space (y down).
    static void drawImage(const QString &name, QPainter &painter, const QRectF &rect, qreal opacity = 1.0);

    // The drawings themselves, in a y-up space whose origin is the image's bottom-left
    // corner and whose extent is the size.
    static void drawSnapback(QPainter &painter, const QSizeF &size);
    static void drawARemoveShortcutBox(QPainter &painter, const QSizeF &size, qreal opacity);

private:
    static bool drawNamed(const QString &name, QPainter &painter, const QSizeF &size);
};
