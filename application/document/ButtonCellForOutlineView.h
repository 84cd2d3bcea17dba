#pragma once
// The check box of the outline's "outlineStatus" column: a button cell drawn into a
// frame of the row's origin and width and a height of 18 points, whatever height
// the row has. A transparent cell (days and time entries have no check box) draws
// nothing.
#include "platform/drawing/ButtonCell.h"

class ButtonCellForOutlineView : public platform::ButtonCell
{
public:
    static constexpr qreal DrawingHeight = 18.0;

    ButtonCellForOutlineView();

    std::unique_ptr<platform::Cell> clone() const override;

    bool isTransparent() const { return m_transparent; }
    void setTransparent(bool transparent) { m_transparent = transparent; }

    void drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;

protected:
    ButtonCellForOutlineView(const ButtonCellForOutlineView &other) = default;

private:
    bool m_transparent = false;
};
