#include "platform/media/PdfPage.h"

#include <QFile>
#include <QPainter>
#include <algorithm>
#include <memory>
#include <mutex>

#include <poppler-qt6.h>

namespace platform {

namespace {

// Poppler's messages about broken documents say nothing a caller can use: a broken
// document already answers a null picture.
void quietPoppler()
{
    static std::once_flag once;
    std::call_once(once, [] { Poppler::setDebugErrorFunction([](const QString &, const QVariant &) {}, QVariant()); });
}

} // namespace


PdfPage PdfPage::fromFile(const QString &path, int pageIndex)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxFileBytes)
        return PdfPage();
    return PdfPage(file.readAll(), pageIndex);
}

QSizeF PdfPage::cropBoxSize() const
{
    quietPoppler();
    std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(m_document);
    if (!document || document->isLocked() || m_index < 0 || m_index >= document->numPages())
        return QSizeF();
    const std::unique_ptr<Poppler::Page> page = document->page(m_index);
    return page ? page->pageSizeF() : QSizeF();
}

QImage PdfPage::render(const QSize &wanted, bool transparentBackground) const
{
    const int width = wanted.width();
    const int height = wanted.height();
    if (width <= 0 || height <= 0 || width > MaxSide || height > MaxSide || qint64(width) * height > MaxPixels)
        return QImage();
    quietPoppler();
    std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(m_document);
    if (!document || document->isLocked() || m_index < 0 || m_index >= document->numPages())
        return QImage();
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    if (transparentBackground)
        document->setPaperColor(Qt::transparent);
    const std::unique_ptr<Poppler::Page> page = document->page(m_index);
    if (!page)
        return QImage();
    const QSizeF crop = page->pageSizeF();
    if (crop.width() <= 0 || crop.height() <= 0)
        return QImage();

    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return QImage();
    image.fill(transparentBackground ? Qt::transparent : Qt::white);

    qreal scale = 0;
    QPointF origin;
    if (width <= crop.width()) {
        scale = std::min(width / crop.width(), height / crop.height());
        origin = QPointF((width - crop.width() * scale) / 2, (height - crop.height() * scale) / 2);
    } else {
        scale = width / crop.width();
        origin = QPointF(0, height - crop.height() * scale);
    }
    // Only the part that lands on the picture is rendered.
    const QRectF placed(origin, crop * scale);
    const QRect visible = placed.toAlignedRect().intersected(image.rect());
    if (visible.isEmpty())
        return image;
    const QPoint inPage = visible.topLeft() - placed.topLeft().toPoint();
    const QImage drawn = page->renderToImage(72.0 * scale, 72.0 * scale, inPage.x(), inPage.y(), visible.width(),
                                             visible.height());
    if (drawn.isNull())
        return QImage();
    QPainter painter(&image);
    painter.drawImage(visible.topLeft(), drawn);
    return image;
}

} // namespace platform
