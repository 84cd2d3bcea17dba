#pragma once
// The cell of a free-standing bar-look button: the anchored button cell's title,
// image and highlight over a bezel of its own (the gradient between light lines at
// the top and darker ones at the bottom and the sides); the highlight spares one
// pixel at the top and the bottom.
// Threads: GUI thread, like every cell.
#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredButtonCell.h"

class NTXUnanchoredButtonCell : public NTXAnchoredButtonCell
{
public:
    NTXUnanchoredButtonCell() = default;
    explicit NTXUnanchoredButtonCell(const QString &title);

    std::unique_ptr<platform::Cell> clone() const override;

    void drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    QRectF highlightRectForBounds(const QRectF &bounds) const override { return bounds.adjusted(0, 1, 0, -1); }

    QString classNameForCoder() const override;

protected:
    NTXUnanchoredButtonCell(const NTXUnanchoredButtonCell &other) = default;
};
