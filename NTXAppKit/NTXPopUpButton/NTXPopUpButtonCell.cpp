#include "NTXAppKit/NTXPopUpButton/NTXPopUpButtonCell.h"

NTXPopUpButtonCell::NTXPopUpButtonCell(const QString &title, bool pullsDown)
    : platform::PopUpButtonCell(title, pullsDown)
{
}

std::unique_ptr<platform::Cell> NTXPopUpButtonCell::clone() const
{
    return std::unique_ptr<platform::Cell>(new NTXPopUpButtonCell(*this));
}

QRectF NTXPopUpButtonCell::titleRectForBounds(const QRectF &bounds) const
{
    QRectF rect = platform::PopUpButtonCell::titleRectForBounds(bounds);
    rect.moveLeft(rect.left() - 2);
    rect.setWidth(rect.width() + 6);
    if (!isBordered())
        rect.setWidth(rect.width() + 4);
    if (!image().isNull()) {
        switch (imagePosition()) {
        case ImagePosition::ImageRight:
            if (alignment() & Qt::AlignRight)
                rect.moveLeft(rect.left() - 3);
            break;
        case ImagePosition::ImageLeft:
        case ImagePosition::NoImage:
            rect.moveLeft(rect.left() + 2);
            break;
        default:
            break;
        }
    }
    return rect;
}
