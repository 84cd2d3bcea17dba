#include "platform/drawing/BundleImages.h"

#include "platform/foundation/Bundle.h"

#include <QHash>
#include <QIconEngine>
#include <QImage>
#include <QMutex>
#include <QPainter>
#include <QPixmap>
#include <QtMath>

namespace platform {

namespace {

class DrawnIconEngine : public QIconEngine
{
public:
    DrawnIconEngine(const QSizeF &size, BundleImages::Drawing drawing)
        : m_size(size)
        , m_drawing(std::move(drawing))
    {
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        if (mode == QIcon::Disabled)
            painter->setOpacity(painter->opacity() * 0.5);
        m_drawing(*painter, QSizeF(rect.size()));
        painter->restore();
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        QImage image(QSize(qCeil(size.width() * scale), qCeil(size.height() * scale)),
                     QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        }
        return QPixmap::fromImage(std::move(image));
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override { return size; }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return {m_size.toSize()}; }
    QString key() const override { return QStringLiteral("platform::BundleImages"); }
    QIconEngine *clone() const override { return new DrawnIconEngine(m_size, m_drawing); }
    bool isNull() override { return false; }

    QSizeF naturalSize() const { return m_size; }

private:
    QSizeF m_size;
    BundleImages::Drawing m_drawing;
};

struct Registry
{
    QMutex mutex;
    QHash<QString, QIcon> icons; // "bundle/name"
};

Registry &registry()
{
    static Registry instance;
    return instance;
}

QString registryKey(const QString &bundleName, const QString &imageName)
{
    return bundleName + QLatin1Char('/') + imageName;
}

} // namespace

bool BundleImages::registerImage(const QString &bundleName, const QString &imageName, const QSizeF &naturalSize,
                                 Drawing drawing)
{
    if (imageName.isEmpty() || !drawing)
        return false;
    Registry &r = registry();
    QMutexLocker locker(&r.mutex);
    r.icons.insert(registryKey(bundleName, imageName), QIcon(new DrawnIconEngine(naturalSize, std::move(drawing))));
    return true;
}

QIcon BundleImages::pngNamed(const Bundle &bundle, const QString &imageName)
{
    QIcon icon;
    const QString path = bundle.pathForResource(imageName + QStringLiteral(".png"));
    if (path.isEmpty())
        return icon;
    const QImage single(path);
    if (single.isNull())
        return icon;
    icon.addPixmap(QPixmap::fromImage(single));
    const QString doubled = bundle.pathForResource(imageName + QStringLiteral("@2x.png"));
    if (!doubled.isEmpty()) {
        QImage dense(doubled);
        dense.setDevicePixelRatio(2);
        icon.addPixmap(QPixmap::fromImage(dense));
    }
    return icon;
}

QIcon BundleImages::imageNamed(const Bundle &bundle, const QString &imageName)
{
    return imageNamed(bundle.name(), imageName);
}

QIcon BundleImages::imageNamed(const QString &bundleName, const QString &imageName)
{
    Registry &r = registry();
    QMutexLocker locker(&r.mutex);
    return r.icons.value(registryKey(bundleName, imageName));
}

QSizeF BundleImages::naturalSize(const QIcon &icon)
{
    if (icon.isNull())
        return {};
    const QList<QSize> sizes = icon.availableSizes();
    return sizes.isEmpty() ? QSizeF() : QSizeF(sizes.first());
}

QImage BundleImages::rendered(const QIcon &icon, qreal devicePixelRatio, const QSizeF &size)
{
    const QSizeF points = size.isEmpty() ? naturalSize(icon) : size;
    if (icon.isNull() || points.isEmpty())
        return {};
    QImage image(QSize(qCeil(points.width() * devicePixelRatio), qCeil(points.height() * devicePixelRatio)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, QRect(QPoint(0, 0), points.toSize()));
    return image;
}

} // namespace platform
