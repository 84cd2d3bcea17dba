#include "components/tabbarcontrol/VTTabBarArtwork.h"

#include "AppKitExtensions/NTXNSImage_Extension.h"
#include "components/tabbarartwork/TabBarArtwork.h"
#include "platform/drawing/BundleImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace VTTabBarArtwork {

namespace {

using platform::BundleImages;

// 0 at rest, 1 under the pointer, 2 pressed.
QColor closeBackground(int look)
{
    static const int alphas[] = {0, 80, 150};
    return QColor(40, 40, 40, alphas[look]);
}

void drawCloseButton(QPainter &p, const QSizeF &s, int look, bool dirty)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(closeBackground(look));
    p.drawEllipse(QRectF(0.5, 0.5, s.width() - 1, s.height() - 1));
    const QColor ink = look == 0 ? QColor(90, 90, 90) : QColor(255, 255, 255);
    if (dirty && look == 0) {
        p.setBrush(ink);
        p.drawEllipse(QPointF(s.width() / 2, s.height() / 2), s.width() / 5, s.height() / 5);
        return;
    }
    p.setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::FlatCap));
    const qreal a = s.width() * 0.3, b = s.width() * 0.7;
    p.drawLine(QPointF(a, a), QPointF(b, b));
    p.drawLine(QPointF(b, a), QPointF(a, b));
}

void drawAddButton(QPainter &p, const QSizeF &s, int look)
{
    p.setRenderHint(QPainter::Antialiasing);
    if (look > 0) {
        p.setPen(Qt::NoPen);
        p.setBrush(closeBackground(look));
        p.drawEllipse(QRectF(1, 1, s.width() - 2, s.height() - 2));
    }
    p.setPen(QPen(look == 0 ? QColor(50, 50, 50) : QColor(255, 255, 255), 2.0, Qt::SolidLine, Qt::FlatCap));
    const qreal c = s.width() / 2, r = s.width() / 4;
    p.drawLine(QPointF(c - r, c), QPointF(c + r, c));
    p.drawLine(QPointF(c, c - r), QPointF(c, c + r));
}

void drawChevrons(QPainter &p, const QSizeF &s, bool pressed)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(pressed ? QColor(20, 20, 20) : QColor(80, 80, 80), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (const qreal x : {3.0, 8.0}) {
        QPainterPath chevron;
        chevron.moveTo(x, s.height() / 2 - 4);
        chevron.lineTo(x + 3.5, s.height() / 2);
        chevron.lineTo(x, s.height() / 2 + 4);
        p.drawPath(chevron);
    }
}

void drawProgressMark(QPainter &p, const QSizeF &s)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(s.width() / 2, s.height() / 2);
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(45.0 * i);
        p.setPen(QPen(QColor(60, 60, 60, 70 + 23 * i), 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0, -s.height() * 0.22), QPointF(0, -s.height() * 0.42));
        p.restore();
    }
}

} // namespace

void registerImages()
{
    static const bool registered = [] {
        const QString bundle = BundleName;
        // The pictures shared with the tab bar view first; the control's own drawings
        // of the same names then take their place.
        TabBarArtwork::registerImages(bundle);
        const char *suffixes[] = {"", "_Rollover", "_Pressed"};
        for (int look = 0; look < 3; ++look) {
            const QString suffix = QLatin1String(suffixes[look]);
            BundleImages::registerImage(bundle, QStringLiteral("TabClose_Front") + suffix, QSizeF(12, 12),
                                        [look](QPainter &p, const QSizeF &s) { drawCloseButton(p, s, look, false); });
            BundleImages::registerImage(bundle, QStringLiteral("TabClose_Dirty") + suffix, QSizeF(12, 12),
                                        [look](QPainter &p, const QSizeF &s) { drawCloseButton(p, s, look, true); });
        }
        const struct
        {
            const char *name;
            int look;
        } adds[] = {{"TabNewMetal", 0}, {"TabNewMetalRollover", 1}, {"TabNewMetalPressed", 2}};
        for (const auto &add : adds) {
            const int look = add.look;
            BundleImages::registerImage(bundle, QLatin1String(add.name), QSizeF(16, 16),
                                        [look](QPainter &p, const QSizeF &s) { drawAddButton(p, s, look); });
        }
        BundleImages::registerImage(bundle, QStringLiteral("overflowImage"), QSizeF(14, 16),
                                    [](QPainter &p, const QSizeF &s) { drawChevrons(p, s, false); });
        BundleImages::registerImage(bundle, QStringLiteral("overflowImagePressed"), QSizeF(14, 16),
                                    [](QPainter &p, const QSizeF &s) { drawChevrons(p, s, true); });
        BundleImages::registerImage(bundle, QStringLiteral("pi"), QSizeF(16, 16), drawProgressMark);
        return true;
    }();
    Q_UNUSED(registered);
}

QIcon imageNamed(const QString &name)
{
    registerImages();
    return BundleImages::imageNamed(BundleName, name);
}

QSizeF sizeOf(const QIcon &image)
{
    return image.isNull() ? QSizeF() : BundleImages::naturalSize(image);
}

QVariant archivedImage(const QIcon &image)
{
    return image.isNull() ? QVariant() : QVariant(BundleImages::rendered(image));
}

QIcon imageFromArchive(const QVariant &value)
{
    const QImage picture = value.value<QImage>();
    return picture.isNull() ? QIcon() : QIcon(QPixmap::fromImage(picture));
}

bool isArchivedImage(const QVariant &value)
{
    return !value.isValid() || value.metaType() == QMetaType::fromType<QImage>();
}

void drawAtPoint(const QIcon &image, QPainter &painter, const QPointF &point, qreal fraction)
{
    if (image.isNull())
        return;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    NTXNSImage_Extension::drawAtPoint(BundleImages::rendered(image, ratio), painter, point,
                                      QPainter::CompositionMode_SourceOver, fraction);
}

} // namespace VTTabBarArtwork
