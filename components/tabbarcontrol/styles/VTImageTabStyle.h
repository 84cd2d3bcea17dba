#pragma once
// What the Metal, Aqua and Card styles (and Unified, through Card) have in common:
// close and add-tab buttons drawn from pictures of the control's bundle
// (VTTabBarArtwork), the right margin of 24 for the add-tab button, tabs 22 high, the
// widths and the counter of VTTabStyleDrawing, and the inside of a tab drawn in one
// order: the close button, the icon, the counter, the title. Each style gives the
// pictures' names, and where the title and the counter stand in its tab.
//
// Keeps the control last drawn (tabBar()) as a QPointer. No archive keys. Main thread
// only.
#include "components/tabbarcontrol/VTTabStyle.h"

#include <QColor>
#include <QPointer>

#include <array>

class VTImageTabStyle : public VTTabStyle
{
public:
    // The close pictures (plain, pressed, rollover; then the edited tab's three), then
    // the add-tab pictures (plain, pressed, rollover).
    using ButtonImageNames = std::array<const char *, 9>;
    // The Aqua buttons, which the Aqua and Card styles show.
    static constexpr ButtonImageNames AquaButtonImages = {
        "AquaTabClose_Front",      "AquaTabClose_Front_Pressed",      "AquaTabClose_Front_Rollover",
        "AquaTabCloseDirty_Front", "AquaTabCloseDirty_Front_Pressed", "AquaTabCloseDirty_Front_Rollover",
        "AquaTabNew",              "AquaTabNewPressed",               "AquaTabNewRollover"};

    qreal rightMarginForTabBarControl() const override { return 24.0; }
    QIcon addTabButtonImage() const override { return m_addTabButtonImage; }
    QIcon addTabButtonPressedImage() const override { return m_addTabButtonPressedImage; }
    QIcon addTabButtonRolloverImage() const override { return m_addTabButtonRolloverImage; }
    QRectF objectCounterRectForTabCell(const VTTabBarCell *cell) const override;
    qreal minimumWidthOfTabCell(const VTTabBarCell *cell) const override;
    qreal desiredWidthOfTabCell(const VTTabBarCell *cell) const override;
    qreal tabCellHeight() const override { return 22.0; }
    VTAttributedString attributedObjectCountValueForTabCell(const VTTabBarCell *cell) const override;

    VTTabBarControl *tabBar() const;

protected:
    explicit VTImageTabStyle(const ButtonImageNames &names);

    // The width of the plain close picture.
    qreal closeWidth() const;
    // The icon's rectangle, after the close button where one shows, and the
    // indicator's, against the right margin: 16 × 16, `top` below the frame's top; the
    // zero rectangle without an icon or a shown indicator.
    QRectF iconRectAt(const VTTabBarCell *cell, qreal top) const;
    QRectF indicatorRectAt(const VTTabBarCell *cell, qreal top) const;
    // The inside of the tab on the rectangle k (the cell's frame, or the part of it the
    // tab's shape takes): the title's rectangle starts at titleY and is titleHeight
    // high; the counter stands counterShift below its rectangle and is filled with
    // counterFill unless the cell has a colour of its own.
    void drawContents(const VTTabBarCell *cell, const QRectF &k, qreal titleY, qreal titleHeight, qreal counterShift,
                      const QColor &counterFill, QPainter &painter) const;

    QIcon m_close[6];
    QIcon m_addTabButtonImage;
    QIcon m_addTabButtonPressedImage;
    QIcon m_addTabButtonRolloverImage;
    QPointer<VTTabBarControl> m_tabBar;
};
