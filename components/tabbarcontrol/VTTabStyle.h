#pragma once
// The look and geometry of a tab bar control: every style answers all 21 operations
// below (the control, its cells and its width controller ask nothing else), plus
// drawInteriorWithTabCell(), which only the style's own drawTabCell() calls.
//
// Geometry is in points, y down (the control is a flipped view). A null cell measures
// as a cell with the zero frame. Orientation: 0 horizontal, 1 vertical. A style reads
// of a cell its frame, state, tab state bits (2 selected, 4 the one before is
// selected, 8 the one after is), highlight, close-button flags, edited flag, icon,
// indicator, count and colour, title and represented item; and of the control it
// draws its orientation, cells, tab view and whether it animates.
//
// Images the style answers are icons of the control's bundle (VTTabBarArtwork); a
// null icon means "none" and leaves a button's image as it was.
//
// Archives: a style is an archived object (platform::Coding) under
// classNameForCoder(), "VT<name>TabStyle" unless the style says otherwise; a style
// without settings writes nothing and reads back as a fresh style. The control holds
// its style in a std::shared_ptr; a style keeps no owning reference to a control or
// cell. Main thread only.
#include "components/tabbarcontrol/VTAttributedString.h"
#include "platform/archive/Coding.h"

#include <QIcon>
#include <QRectF>
#include <QString>

class QPainter;
class QWidget;
class VTTabBarCell;
class VTTabBarControl;

class VTTabStyle : public platform::Coding
{
public:
    ~VTTabStyle() override = default;

    QString classNameForCoder() const override { return QStringLiteral("VT%1TabStyle").arg(name()); }
    void encodeWithCoder(platform::Coder &) const override {}
    bool initWithCoder(platform::Coder &) override { return true; }

    virtual QString name() const = 0;                                                       // 1
    virtual qreal leftMarginForTabBarControl() const = 0;                                   // 2
    virtual qreal rightMarginForTabBarControl() const = 0;                                  // 3
    virtual qreal topMarginForTabBarControl() const = 0;                                    // 4
    virtual void setOrientation(int orientation) = 0;                                       // 5
    virtual QIcon addTabButtonImage() const = 0;                                            // 6
    virtual QIcon addTabButtonPressedImage() const = 0;                                     // 7
    virtual QIcon addTabButtonRolloverImage() const = 0;                                    // 8
    virtual QRectF dragRectForTabCell(const VTTabBarCell *cell, int orientation) const = 0; // 9
    virtual QRectF closeButtonRectForTabCell(const VTTabBarCell *cell, const QRectF &frame) const = 0; // 10
    virtual QRectF iconRectForTabCell(const VTTabBarCell *cell) const = 0;                  // 11
    virtual QRectF indicatorRectForTabCell(const VTTabBarCell *cell) const = 0;             // 12
    virtual QRectF objectCounterRectForTabCell(const VTTabBarCell *cell) const = 0;         // 13
    virtual qreal minimumWidthOfTabCell(const VTTabBarCell *cell) const = 0;                // 14
    virtual qreal desiredWidthOfTabCell(const VTTabBarCell *cell) const = 0;                // 15
    virtual qreal tabCellHeight() const = 0;                                                // 16
    virtual VTAttributedString attributedObjectCountValueForTabCell(const VTTabBarCell *cell) const = 0; // 17
    virtual VTAttributedString attributedStringValueForTabCell(const VTTabBarCell *cell) const = 0;      // 18
    virtual void drawTabCell(const VTTabBarCell *cell, QPainter &painter) = 0;              // 19
    virtual void drawBackgroundInRect(QPainter &painter, const QRectF &rect) = 0;           // 20
    virtual void drawTabBar(VTTabBarControl *control, QPainter &painter, const QRectF &rect) = 0; // 21

    // The content of one tab (close button, icon, counter, title) in the view.
    virtual void drawInteriorWithTabCell(const VTTabBarCell *cell, QWidget *view, QPainter &painter) = 0;
};
