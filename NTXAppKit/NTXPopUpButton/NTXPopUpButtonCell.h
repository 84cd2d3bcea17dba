#pragma once
// A pop-up button cell whose title rectangle is moved and widened: 2 points
// further left and 6 wider than the base cell's (10 wider without a border), and
// shifted again for an image beside the title (3 left for an image on the right
// with right-aligned text, 2 right for an image on the left or no image position).
// A borderless cell draws no bezel: only its arrow stands beside the title.
// Ownership and threads: as platform::PopUpButtonCell.
#include "platform/drawing/PopUpButtonCell.h"

class NTXPopUpButtonCell : public platform::PopUpButtonCell
{
public:
    explicit NTXPopUpButtonCell(const QString &title = QString(), bool pullsDown = false);

    std::unique_ptr<platform::Cell> clone() const override;
    QRectF titleRectForBounds(const QRectF &bounds) const override;
    void drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;

protected:
    NTXPopUpButtonCell(const NTXPopUpButtonCell &other) = default;
};
