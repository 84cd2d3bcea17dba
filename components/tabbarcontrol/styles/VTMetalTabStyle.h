#pragma once
// The Metal look of the tab bar control, and the style a new control gets: a grey
// bar with a darker line at its top and bottom, the selected tab cut out of it with
// the window's background and a dark outline, the other tabs separated by lines.
// Margins: left 10, right 24, top 10; tab height 22. Inside a tab: a close button
// (its size the image's), an icon and an indicator of 16 × 16, a counter 14 high
// with round ends, the title centred in bold system font 11.
//
// Images of the control's bundle: "TabClose_Front", "TabClose_Dirty" (each also
// "_Pressed" and "_Rollover"), "TabNewMetal", "TabNewMetalPressed",
// "TabNewMetalRollover". No archive keys: a decoded Metal style is a fresh one.
// Keeps the control last drawn as a plain pointer (never dereferenced after that
// control is gone: a QPointer). Main thread only.
#include "components/tabbarcontrol/VTTabStyle.h"

#include <QPointer>

class VTMetalTabStyle : public VTTabStyle
{
public:
    VTMetalTabStyle();
    ~VTMetalTabStyle() override;

    QString name() const override { return QStringLiteral("Metal"); }
    qreal leftMarginForTabBarControl() const override { return 10.0; }
    qreal rightMarginForTabBarControl() const override { return 24.0; }
    qreal topMarginForTabBarControl() const override { return 10.0; }
    void setOrientation(int orientation) override { m_orientation = orientation; }
    QIcon addTabButtonImage() const override { return m_addTabButtonImage; }
    QIcon addTabButtonPressedImage() const override { return m_addTabButtonPressedImage; }
    QIcon addTabButtonRolloverImage() const override { return m_addTabButtonRolloverImage; }
    QRectF dragRectForTabCell(const VTTabBarCell *cell, int orientation) const override;
    QRectF closeButtonRectForTabCell(const VTTabBarCell *cell, const QRectF &frame) const override;
    QRectF iconRectForTabCell(const VTTabBarCell *cell) const override;
    QRectF indicatorRectForTabCell(const VTTabBarCell *cell) const override;
    QRectF objectCounterRectForTabCell(const VTTabBarCell *cell) const override;
    qreal minimumWidthOfTabCell(const VTTabBarCell *cell) const override;
    qreal desiredWidthOfTabCell(const VTTabBarCell *cell) const override;
    qreal tabCellHeight() const override { return 22.0; }
    VTAttributedString attributedObjectCountValueForTabCell(const VTTabBarCell *cell) const override;
    VTAttributedString attributedStringValueForTabCell(const VTTabBarCell *cell) const override;
    void drawTabCell(const VTTabBarCell *cell, QPainter &painter) override;
    void drawBackgroundInRect(QPainter &painter, const QRectF &rect) override;
    void drawTabBar(VTTabBarControl *control, QPainter &painter, const QRectF &rect) override;
    void drawInteriorWithTabCell(const VTTabBarCell *cell, QWidget *view, QPainter &painter) override;

    int orientation() const { return m_orientation; }
    VTTabBarControl *tabBar() const;

private:
    QIcon m_metalCloseButton;
    QIcon m_metalCloseButtonDown;
    QIcon m_metalCloseButtonOver;
    QIcon m_metalCloseDirtyButton;
    QIcon m_metalCloseDirtyButtonDown;
    QIcon m_metalCloseDirtyButtonOver;
    QIcon m_addTabButtonImage;
    QIcon m_addTabButtonPressedImage;
    QIcon m_addTabButtonRolloverImage;
    int m_orientation = 0;
    QPointer<VTTabBarControl> m_tabBar;
};
