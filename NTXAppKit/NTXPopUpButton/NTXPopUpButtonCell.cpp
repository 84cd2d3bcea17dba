#include "NTXAppKit/NTXPopUpButton/NTXPopUpButtonCell.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>

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

void NTXPopUpButtonCell::drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    if (isBordered()) {
        platform::PopUpButtonCell::drawBezelWithFrame(painter, frame, controlView);
        return;
    }
    if (arrowPosition() == ArrowPosition::NoArrow)
        return;
    // The style's button panel is a border; only the arrow is drawn, where the style
    // puts it.
    QStyleOptionComboBox option;
    initStyleOption(option, frame, controlView);
    option.editable = false;
    option.frame = false;
    option.subControls = QStyle::SC_All;
    QStyle *style = styleFor(controlView);
    QStyleOption arrow(option);
    arrow.rect = style->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, controlView);
    painter.save();
    style->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &painter, controlView);
    painter.restore();
}
