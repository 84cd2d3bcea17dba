#pragma once
// A cell that shows one image, scaled and aligned in its frame, drawn through the
// widget style (disabled images in the style's disabled look). The image is the
// cell's image(); the object value is not used.
//
// Threading: GUI thread, like every cell.
#include "platform/drawing/Cell.h"
#include "platform/drawing/ImageScaling.h"

namespace platform {

class ImageCell : public Cell
{
public:
    explicit ImageCell(const QIcon &image = QIcon());

    std::unique_ptr<Cell> clone() const override;

    ImageScaling imageScaling() const { return m_imageScaling; }
    void setImageScaling(ImageScaling scaling) { m_imageScaling = scaling; }
    Qt::Alignment imageAlignment() const { return m_imageAlignment; }
    void setImageAlignment(Qt::Alignment alignment) { m_imageAlignment = alignment; }

    // The image's own size (at the largest size the icon offers) or zero.
    QSizeF naturalImageSize() const;
    // Where the image goes inside the drawing rectangle of the bounds.
    QRectF imageRectForBounds(const QRectF &bounds) const override;
    void drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    QSizeF cellSize() const override;

    // The cell's settings, then the scaling and alignment.
    void encodeWithCoder(Coder &coder) const override;
    bool initWithCoder(Coder &coder) override;

protected:
    ImageCell(const ImageCell &other) = default;

private:
    ImageScaling m_imageScaling = ImageScaling::ProportionallyDown;
    Qt::Alignment m_imageAlignment = Qt::AlignCenter;
};

} // namespace platform
