#pragma once
// The cell of the overflow button: an image at the right end of the cell, centred
// vertically and scaled down to its height; while pressed only the alternate image,
// otherwise the image with an optional second image laid over it at
// secondImageAlpha(). No title, no arrow. The bezel is whatever the bezel drawing
// function draws (nothing without one).
//
// Owned by its KZOverflowPopUpButton. Main thread only. Archiving (keyed coders
// only): "KZTabBarOverflowPopUpImage" and "KZTabBarOverflowPopUpSecondImage".
#include "platform/drawing/ButtonCell.h"

#include <QIcon>
#include <functional>

namespace platform {
class Coder;
}

class KZOverflowPopUpButtonCell : public platform::ButtonCell
{
public:
    using BezelDrawing = std::function<void(const KZOverflowPopUpButtonCell &cell, QPainter &painter,
                                            const QRectF &frame, QWidget *view)>;

    KZOverflowPopUpButtonCell();
    ~KZOverflowPopUpButtonCell() override;

    std::unique_ptr<platform::Cell> clone() const override;

    QIcon secondImage() const { return m_secondImage; }
    void setSecondImage(const QIcon &image) { m_secondImage = image; }
    qreal secondImageAlpha() const { return m_secondImageAlpha; }
    void setSecondImageAlpha(qreal alpha) { m_secondImageAlpha = alpha; }
    BezelDrawing bezelDrawingBlock() const { return m_bezelDrawing; }
    void setBezelDrawingBlock(BezelDrawing drawing) { m_bezelDrawing = std::move(drawing); }

    void drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const override;
    void drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const override;
    void drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const override;
    void drawImageWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const;
    using platform::ButtonCell::drawImage;
    void drawImage(QPainter &painter, const QIcon &image, const QRectF &frame, qreal alpha = 1.0) const;
    // Where an image of that natural size stands in the frame.
    QRectF _imageRectForBounds(const QRectF &frame, const QSizeF &imageSize) const;

    void encode(platform::Coder &coder) const;
    void decode(platform::Coder &coder);

protected:
    KZOverflowPopUpButtonCell(const KZOverflowPopUpButtonCell &other) = default;

private:
    QIcon m_secondImage;
    qreal m_secondImageAlpha = 0.0;
    BezelDrawing m_bezelDrawing;
};
