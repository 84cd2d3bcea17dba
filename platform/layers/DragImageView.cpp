#include "platform/layers/DragImageView.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QPainter>
#include <algorithm>

namespace platform {

DragImageView::DragImageView(const QImage &image, QWidget *parent) : QWidget(parent), m_image(image)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(pointSize(image));
}

QSize DragImageView::pointSize(const QImage &image)
{
    return image.isNull() ? QSize() : image.deviceIndependentSize().toSize();
}

void DragImageView::setImage(const QImage &image)
{
    m_image = image;
    update();
}

void DragImageView::setAlternateImage(const QImage &image)
{
    m_alternateImage = image;
    update();
}

void DragImageView::setFadeValue(double value)
{
    m_fadeValue = std::clamp(value, 0.0, 1.0);
    update();
}

void DragImageView::paintEvent(QPaintEvent *)
try {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const auto draw = [&](const QImage &image, double opacity) {
        if (image.isNull())
            return;
        painter.setOpacity(std::clamp(opacity, 0.0, 1.0));
        painter.drawImage(QRectF(rect()), image, QRectF(image.rect()));
    };
    draw(m_image, m_fadeValue + 0.001);
    draw(m_alternateImage, 1.001 - m_fadeValue);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

} // namespace platform
