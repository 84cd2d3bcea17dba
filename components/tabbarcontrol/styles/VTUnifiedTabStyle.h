#pragma once
// The Unified look of the tab bar control, for a window whose toolbar is unified
// with its title bar: a light grey bar with a grey line along its bottom. When the
// window's toolbar shows its baseline separator (platform::WindowChrome) the
// unselected tabs are flat, parted by thin grey lines with a white highlight, and
// only the selected tab is a rounded tab; otherwise every tab is a rounded tab one
// point lower than its cell. Tabs are filled only while the application is active.
// The rest (images, margins, widths, counter) is the Card style's, except that a
// suppressed close button keeps its rectangle and the indicator stands at y + 2.
// Ownership, archive and threads as VTCardTabStyle.
#include "components/tabbarcontrol/styles/VTCardTabStyle.h"

class VTUnifiedTabStyle : public VTCardTabStyle
{
public:
    QString name() const override { return QStringLiteral("Unified"); }
    QRectF closeButtonRectForTabCell(const VTTabBarCell *cell, const QRectF &frame) const override;
    QRectF indicatorRectForTabCell(const VTTabBarCell *cell) const override;
    void drawTabCell(const VTTabBarCell *cell, QPainter &painter) override;
    void drawBackgroundInRect(QPainter &painter, const QRectF &rect) override;
    void drawTabBar(VTTabBarControl *control, QPainter &painter, const QRectF &rect) override;
    void drawInteriorWithTabCell(const VTTabBarCell *cell, QWidget *view, QPainter &painter) override;
};
