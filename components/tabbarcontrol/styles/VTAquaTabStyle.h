#pragma once
// The Aqua look of the tab bar control: the bar and the selected tab are stretched
// one-column slices of 22-point strips ("AquaTabsBackground"; "AquaTabsDown", its
// graphite variant, or its non-key variant chosen by the cell's control tint, the
// system tint and whether the window is active), a divider ("AquaTabsSeparator")
// stands at the right edge of every tab. No vertical layout: the orientation is
// ignored. Margins: left 0, right 24, top 0; tab height 22. Inside a tab as the Metal
// style, without the selected tab's 1-point lift; the title in the system font 11.
// The bar's background is drawn only for a dirty rectangle at most 22 high.
//
// Images of the control's bundle (VTTabBarArtwork), the buttons the Aqua ones
// (VTImageTabStyle). No archive keys: a decoded Aqua style is a fresh one. Keeps the
// control last drawn as a QPointer. Main thread only.
#include "components/tabbarcontrol/styles/VTImageTabStyle.h"

class VTAquaTabStyle : public VTImageTabStyle
{
public:
    VTAquaTabStyle();

    QString name() const override { return QStringLiteral("Aqua"); }
    qreal leftMarginForTabBarControl() const override { return 0.0; }
    qreal topMarginForTabBarControl() const override { return 0.0; }
    void setOrientation(int) override {}
    QRectF dragRectForTabCell(const VTTabBarCell *cell, int orientation) const override;
    QRectF closeButtonRectForTabCell(const VTTabBarCell *cell, const QRectF &frame) const override;
    QRectF iconRectForTabCell(const VTTabBarCell *cell) const override;
    QRectF indicatorRectForTabCell(const VTTabBarCell *cell) const override;
    VTAttributedString attributedStringValueForTabCell(const VTTabBarCell *cell) const override;
    void drawTabCell(const VTTabBarCell *cell, QPainter &painter) override;
    void drawBackgroundInRect(QPainter &painter, const QRectF &rect) override;
    void drawTabBar(VTTabBarControl *control, QPainter &painter, const QRectF &rect) override;
    void drawInteriorWithTabCell(const VTTabBarCell *cell, QWidget *view, QPainter &painter) override;

    // The name of the selected tab's background for the cell in the control now.
    QString selectedImageName(const VTTabBarCell *cell) const;

private:
    QIcon m_aquaTabBg;
    QIcon m_aquaTabBgDown;
    QIcon m_aquaTabBgDownGraphite;
    QIcon m_aquaTabBgDownNonKey;
    QIcon m_aquaDividerDown;
    QIcon m_aquaDivider;
};
