#include "components/tabbarview/KZOverflowPopUpButtonCell.h"

#include "components/tabbarview/KZTabBarButtonCell.h"
#include "components/tabbarview/KZTabBarViewExtensions.h"
#include "platform/archive/Coder.h"
#include "platform/drawing/BundleImages.h"

#include <QPainter>
#include <QPixmap>
#include <cmath>

namespace {

QVariant imageValue(const QIcon &icon)
{
    return icon.isNull() ? QVariant() : QVariant(platform::BundleImages::rendered(icon));
}

QIcon iconFromImage(const QImage &image)
{
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

} // namespace

KZOverflowPopUpButtonCell::KZOverflowPopUpButtonCell()
{
    setBordered(false);
    setImagePosition(ImagePosition::ImageOnly);
}

KZOverflowPopUpButtonCell::~KZOverflowPopUpButtonCell() = default;

std::unique_ptr<platform::Cell> KZOverflowPopUpButtonCell::clone() const
{
    return std::unique_ptr<KZOverflowPopUpButtonCell>(new KZOverflowPopUpButtonCell(*this));
}

void KZOverflowPopUpButtonCell::drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    drawBezelWithFrame(painter, frame, view);
    drawInteriorWithFrame(painter, frame, view);
}

void KZOverflowPopUpButtonCell::drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    if (m_bezelDrawing)
        m_bezelDrawing(*this, painter, frame, view);
}

void KZOverflowPopUpButtonCell::drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    drawImageWithFrame(painter, frame, view);
}

void KZOverflowPopUpButtonCell::drawImageWithFrame(QPainter &painter, const QRectF &frame, QWidget *) const
{
    if (isHighlighted()) {
        drawImage(painter, alternateImage(), frame);
        return;
    }
    drawImage(painter, image(), frame);
    if (!m_secondImage.isNull())
        drawImage(painter, m_secondImage, frame, m_secondImageAlpha);
}

void KZOverflowPopUpButtonCell::drawImage(QPainter &painter, const QIcon &icon, const QRectF &frame, qreal alpha) const
{
    if (icon.isNull())
        return;
    const QRectF target = _imageRectForBounds(frame, platform::BundleImages::naturalSize(icon));
    if (target.isEmpty())
        return;
    painter.save();
    painter.setOpacity(painter.opacity() * alpha);
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap pixmap = icon.pixmap(target.size().toSize(), ratio);
    painter.drawPixmap(target, pixmap, QRectF(pixmap.rect()));
    painter.restore();
}

QRectF KZOverflowPopUpButtonCell::_imageRectForBounds(const QRectF &frame, const QSizeF &imageSize) const
{
    const QRectF d = platform::ButtonCell::drawingRectForBounds(frame);
    const QSizeF size = KZTabBarViewExtensions::kz_scaleImageWithSize(
        imageSize, QSizeF(imageSize.width(), d.height()), KZTabBarViewExtensions::KZImageScaleProportionallyDown);
    const qreal x = d.x() + d.width() - size.width();
    qreal y = d.y();
    if (d.height() > size.height())
        y = d.y() + std::ceil((d.height() - size.height()) * 0.5);
    return KZTabBarButtonCell::integralRect({x, y, size.width(), size.height()});
}

void KZOverflowPopUpButtonCell::encode(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    coder.encodeObject(imageValue(image()), QStringLiteral("KZTabBarOverflowPopUpImage"));
    coder.encodeObject(imageValue(m_secondImage), QStringLiteral("KZTabBarOverflowPopUpSecondImage"));
}

void KZOverflowPopUpButtonCell::decode(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return;
    const QImage first = coder.decodeObject<QImage>(QStringLiteral("KZTabBarOverflowPopUpImage"));
    const QImage second = coder.decodeObject<QImage>(QStringLiteral("KZTabBarOverflowPopUpSecondImage"));
    if (coder.failed())
        return;
    setImage(iconFromImage(first));
    m_secondImage = iconFromImage(second);
}
