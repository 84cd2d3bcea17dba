#pragma once
// The cell of a bar button: a small momentary push-in button (textured square bezel)
// with the anchored gradient face, whose edge lines depend on where the button sits
// in its bar (see NTXAnchoredButtonDrawing), a dark highlight while pressed, an
// 11-pixel title with an engraved shadow, and the action gear sized 10 × 10.
//
// The control size is always small. Archiving (keyed): the button cell's settings;
// decoding makes the cell a bordered momentary push-in button again.
// Threads: GUI thread, like every cell.
#include "platform/archive/Coding.h"
#include "platform/drawing/ButtonCell.h"

class NTXAnchoredButtonCell : public platform::ButtonCell, public platform::Coding
{
public:
    NTXAnchoredButtonCell();
    explicit NTXAnchoredButtonCell(const QString &title);

    std::unique_ptr<platform::Cell> clone() const override;

    void drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    void drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    void drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    virtual QRectF highlightRectForBounds(const QRectF &bounds) const { return bounds; }
    QRectF titleRectForBounds(const QRectF &bounds) const override;

    QColor textColor() const;
    QColor imageColor() const;

    QString classNameForCoder() const override;
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

protected:
    NTXAnchoredButtonCell(const NTXAnchoredButtonCell &other) = default;
    void configure();
};
