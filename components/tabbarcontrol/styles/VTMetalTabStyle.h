#pragma once
// The Metal look of the tab bar control, and the style a new control gets: a grey
// bar with a darker line at its top and bottom, the selected tab cut out of it with
// the window's background and a dark outline, the other tabs separated by lines.
// Margins: left 10, right 24, top 10; tab height 22. Inside a tab: a close button
// (its size the image's), an icon and an indicator of 16 × 16, a counter 14 high
// with round ends, the title centred in bold system font 11.
//
// Images of the control's bundle (VTImageTabStyle): "TabClose_Front",
// "TabClose_Dirty" (each also "_Pressed" and "_Rollover"), "TabNewMetal",
// "TabNewMetalPressed", "TabNewMetalRollover". No archive keys: a decoded Metal style
// is a fresh one. Keeps the control last drawn as a plain pointer (never dereferenced
// after that control is gone: a QPointer). Main thread only.
#include "components/tabbarcontrol/styles/VTImageTabStyle.h"

class VTMetalTabStyle : public VTImageTabStyle
{
public:
    VTMetalTabStyle();
    ~VTMetalTabStyle() override;

    QString name() const override { return QStringLiteral("Metal"); }
    qreal leftMarginForTabBarControl() const override { return 10.0; }
    qreal topMarginForTabBarControl() const override { return 10.0; }
    void setOrientation(int orientation) override { m_orientation = orientation; }
    QRectF dragRectForTabCell(const VTTabBarCell *cell, int orientation) const override;
    QRectF closeButtonRectForTabCell(const VTTabBarCell *cell, const QRectF &frame) const override;
    QRectF iconRectForTabCell(const VTTabBarCell *cell) const override;
    QRectF indicatorRectForTabCell(const VTTabBarCell *cell) const override;
    VTAttributedString attributedStringValueForTabCell(const VTTabBarCell *cell) const override;
    void drawTabCell(const VTTabBarCell *cell, QPainter &painter) override;
    void drawBackgroundInRect(QPainter &painter, const QRectF &rect) override;
    void drawTabBar(VTTabBarControl *control, QPainter &painter, const QRectF &rect) override;
    void drawInteriorWithTabCell(const VTTabBarCell *cell, QWidget *view, QPainter &painter) override;

    int orientation() const { return m_orientation; }

private:
    int m_orientation = 0;
};
