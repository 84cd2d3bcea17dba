#pragma once
// The cell of a bar pop-up or pull-down button: the anchored face of the bar buttons
// with the pull-down arrow at its right (one arrow for a pull-down, two pointing away
// from each other for a pop-up), tinted in the image colour and shadowed like the
// title. The title is inset 3 points at each side; the gear is sized 10 × 10.
//
// The control size is always small. Archiving (keyed): the pop-up cell's settings.
// Threads: GUI thread, like every cell.
#include "platform/archive/Coding.h"
#include "platform/drawing/PopUpButtonCell.h"

class NTXAnchoredPopUpButtonCell : public platform::PopUpButtonCell, public platform::Coding
{
public:
    explicit NTXAnchoredPopUpButtonCell(const QString &title = QString(), bool pullsDown = false);

    std::unique_ptr<platform::Cell> clone() const override;

    void drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    // The face, then the arrows.
    void drawBorderAndBackgroundWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const;
    void drawArrowInFrame(QPainter &painter, const QRectF &frame) const;
    void drawImageWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const;
    QRectF highlightRectForBounds(const QRectF &bounds) const { return bounds; }
    QRectF titleRectForBounds(const QRectF &bounds) const override;
    QRectF imageRectForBounds(const QRectF &bounds) const override;

    QColor textColor() const;
    QColor imageColor() const;

    QString classNameForCoder() const override;
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

protected:
    NTXAnchoredPopUpButtonCell(const NTXAnchoredPopUpButtonCell &other) = default;
};
