#pragma once
// The overflow pull-down at the right end of a scope bar: a borderless pull-down
// that shows only the image of its first menu item; the items after it are the
// objects that did not fit. Always pulls down.
//
// Archived as an object of its own class ("SROverflowPullDownCell"): the pop-up
// cell's settings (item icons are not archived, so a decoded cell gets the image
// again from its owner).
// Ownership: a plain cell value, copied by clone(). Threads: GUI thread only.
// Failures: decoding answers false for a coder without keys or one that failed.
#include "platform/archive/Coding.h"
#include "platform/drawing/PopUpButtonCell.h"

class SROverflowPullDownCell : public platform::PopUpButtonCell, public platform::Coding
{
public:
    // The flag is ignored: the cell always pulls down.
    explicit SROverflowPullDownCell(const QString &title = QString(), bool pullsDown = true);

    std::unique_ptr<platform::Cell> clone() const override;

    void drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    // The first item's image size widened by 12; empty without an item or image.
    QSizeF cellSize() const override;

    QString classNameForCoder() const override { return QStringLiteral("SROverflowPullDownCell"); }
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

protected:
    SROverflowPullDownCell(const SROverflowPullDownCell &other) = default;

private:
    QSizeF firstImageSize() const;
};
