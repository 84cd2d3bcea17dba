#include "components/keyrecorder/KRSharedImageProvider.h"

#include "platform/drawing/Shadow.h"
#include "platform/drawing/YUpPainter.h"

#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTransform>

#include <cmath>

namespace {

const QString Snapback = QStringLiteral("KRSnapback");
const QString RemoveShortcut = QStringLiteral("KRRemoveShortcut");
const QString RemoveShortcutRollover = QStringLiteral("KRRemoveShortcutRollover");
const QString RemoveShortcutPressed = QStringLiteral("KRRemoveShortcutPressed");

constexpr qreal NaturalSide = 14.0;
// Largest side in pixels an image is drawn at (bad sizes never allocate gigabytes).
constexpr qreal MaximumPixels = 4096.0;

// An icon that draws one of the symbols at the size it is asked for.
class SupportingImageEngine : public QIconEngine
{
public:
    explicit SupportingImageEngine(const QString &name)
        : m_name(name)
    {
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode, QIcon::State) override
    {
        if (painter)
            KRSharedImageProvider::drawImage(m_name, *painter, QRectF(rect));
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    // `size` is in device pixels; the pixmap carries the scale as its ratio.
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode, QIcon::State, qreal scale) override
    {
        if (size.isEmpty() || !(scale > 0))
            return QPixmap();
        const QImage image = KRSharedImageProvider::renderedImage(m_name, QSizeF(size) / scale, scale);
        return QPixmap::fromImage(image);
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override { return size; }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {KRSharedImageProvider::sizeOfImage(m_name).toSize()};
    }

    QString key() const override { return QStringLiteral("KRSharedImageProvider"); }
    QIconEngine *clone() const override { return new SupportingImageEngine(m_name); }
    QString iconName() override { return m_name; }

private:
    QString m_name;
};

QHash<QString, QIcon> &cache()
{
    static QHash<QString, QIcon> images;
    return images;
}

} // namespace

QStringList KRSharedImageProvider::imageNames()
{
    return {Snapback, RemoveShortcut, RemoveShortcutRollover, RemoveShortcutPressed};
}

QSizeF KRSharedImageProvider::sizeOfImage(const QString &name)
{
    return imageNames().contains(name) ? QSizeF(NaturalSide, NaturalSide) : QSizeF();
}

QIcon KRSharedImageProvider::supportingImageWithName(const QString &name)
{
    QHash<QString, QIcon> &images = cache();
    const auto it = images.constFind(name);
    if (it != images.constEnd())
        return *it;
    if (!imageNames().contains(name))
        return QIcon();
    const QIcon icon(new SupportingImageEngine(name));
    images.insert(name, icon);
    return icon;
}

bool KRSharedImageProvider::drawNamed(const QString &name, QPainter &painter, const QSizeF &size)
{
    if (name == Snapback)
        drawSnapback(painter, size);
    else if (name == RemoveShortcut)
        drawARemoveShortcutBox(painter, size, 0.75);
    else if (name == RemoveShortcutRollover)
        drawARemoveShortcutBox(painter, size, 0.65);
    else if (name == RemoveShortcutPressed)
        drawARemoveShortcutBox(painter, size, 0.55);
    else
        return false;
    return true;
}

QImage KRSharedImageProvider::renderedImage(const QString &name, const QSizeF &size, qreal devicePixelRatio)
{
    if (!imageNames().contains(name) || !(size.width() > 0) || !(size.height() > 0)
        || !(devicePixelRatio > 0) || !std::isfinite(devicePixelRatio))
        return QImage();
    const qreal pixelWidth = std::ceil(size.width() * devicePixelRatio);
    const qreal pixelHeight = std::ceil(size.height() * devicePixelRatio);
    if (!(pixelWidth <= MaximumPixels) || !(pixelHeight <= MaximumPixels))
        return QImage();
    QImage image(int(pixelWidth), int(pixelHeight), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return QImage();
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    platform::YUpPainter::apply(painter, size.height());
    drawNamed(name, painter, size);
    painter.end();
    return image;
}

void KRSharedImageProvider::drawImage(const QString &name, QPainter &painter, const QRectF &rect, qreal opacity)
{
    if (rect.isEmpty() || !imageNames().contains(name))
        return;
    qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QTransform world = painter.worldTransform();
    ratio *= std::max(std::hypot(world.m11(), world.m12()), std::hypot(world.m21(), world.m22()));
    if (!(ratio > 0) || !std::isfinite(ratio))
        ratio = 1.0;
    const QImage image = renderedImage(name, rect.size(), ratio);
    if (image.isNull())
        return;
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    platform::YUpPainter::drawImageUpright(painter, rect, image);
    painter.restore();
}

void KRSharedImageProvider::drawSnapback(QPainter &painter, const QSizeF &size)
{
    const qreal w = size.width();
    const qreal h = size.height();
    auto p = [w, h](qreal x, qreal y) { return QPointF(x * w, y * h); };
    QPainterPath path;
    path.moveTo(p(0.0489685, 0.6181513));
    path.lineTo(p(0.408575, 0.9469318));
    path.lineTo(p(0.408575, 0.7226146));
    path.cubicTo(p(0.408575, 0.7226146), p(0.8371143, 0.7491841), p(0.8508247, 0.4836237));
    path.cubicTo(p(0.8677834, 0.1545071), p(0.5507195, 0.0530682), p(0.5507195, 0.0530682));
    path.cubicTo(p(0.5507195, 0.0530682), p(0.7458685, 0.1913146), p(0.7421721, 0.3391942));
    path.cubicTo(p(0.7383412, 0.4930328), p(0.408575, 0.515413), p(0.408575, 0.515413));
    path.lineTo(p(0.408575, 0.2654));
    path.closeSubpath();

    // Scale first, then move: a point p becomes (0.9 (x + 0.5), y − 0.5).
    QTransform transform;
    transform.scale(0.9, 1.0);
    transform.translate(0.5, -0.5);
    path = transform.map(path);

    const platform::Shadow shadow(QSizeF(0, -1), 1.0, QColor::fromRgbF(0, 0, 0, 0.45));
    shadow.drawWithShadow(painter, QRectF(0, 0, w, h), [&path](QPainter &shadowed) {
        shadowed.save();
        shadowed.setRenderHint(QPainter::Antialiasing);
        shadowed.fillPath(path, Qt::white);
        shadowed.restore();
    });
}

void KRSharedImageProvider::drawARemoveShortcutBox(QPainter &painter, const QSizeF &size, qreal opacity)
{
    const qreal w = size.width();
    const qreal h = size.height();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, std::clamp(1.0 - opacity, 0.0, 1.0)));
    painter.drawEllipse(QRectF(0, 0, w, h));

    QPen pen(Qt::white, 1.2 * w / NaturalSide);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal ux = w / NaturalSide;
    const qreal uy = h / NaturalSide;
    painter.drawLine(QPointF(4 * ux, 4 * uy), QPointF(10 * ux, 10 * uy));
    painter.drawLine(QPointF(10 * ux, 4 * uy), QPointF(4 * ux, 10 * uy));
    painter.restore();
}
