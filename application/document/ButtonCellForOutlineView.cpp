#include "application/document/ButtonCellForOutlineView.h"

ButtonCellForOutlineView::ButtonCellForOutlineView() = default;

std::unique_ptr<platform::Cell> ButtonCellForOutlineView::clone() const
{
    return std::unique_ptr<platform::Cell>(new ButtonCellForOutlineView(*this));
}

void ButtonCellForOutlineView::drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    if (m_transparent)
        return;
    QRectF drawn = frame;
    drawn.setHeight(DrawingHeight);
    platform::ButtonCell::drawWithFrame(painter, drawn, controlView);
}
