#pragma once
// Images of a bundle by name. A component registers each of its pictures once, as a
// drawing with a natural size in points; imageNamed() answers an icon that draws the
// picture afresh at whatever size and device pixel ratio it is painted at, so it is
// sharp on every screen. A name nobody registered answers the null icon: its size is
// zero and painting it draws nothing.
//
// The registry lives for the process; icons for the same name share one engine
// (equal cacheKey()). Registration and look-up are thread-safe; painting follows
// QIcon's rules (GUI thread). Failure: registering an empty name or a drawing without
// a function is refused.
#include <QIcon>
#include <QSizeF>
#include <QString>
#include <functional>

class QPainter;

namespace platform {

class Bundle;

class BundleImages
{
public:
    // Draws the picture into (0, 0, size) of the painter's current space (y down).
    using Drawing = std::function<void(QPainter &painter, const QSizeF &size)>;

    static bool registerImage(const QString &bundleName, const QString &imageName, const QSizeF &naturalSize,
                              Drawing drawing);
    static QIcon imageNamed(const Bundle &bundle, const QString &imageName);
    static QIcon imageNamed(const QString &bundleName, const QString &imageName);

    // A PNG resource of the bundle by name (type "png"), with its "@2x" file for dense
    // screens when there is one; the null icon when the bundle has no such file.
    static QIcon pngNamed(const Bundle &bundle, const QString &imageName);

    // The natural size of an icon made here (or the first size of any other icon); an
    // empty size for the null icon.
    static QSizeF naturalSize(const QIcon &icon);
    // The picture at its natural size (or the given one) and a device pixel ratio: a
    // transparent premultiplied image of size × ratio pixels that carries the ratio;
    // null for the null icon.
    static QImage rendered(const QIcon &icon, qreal devicePixelRatio = 1.0, const QSizeF &size = QSizeF());
};

} // namespace platform
