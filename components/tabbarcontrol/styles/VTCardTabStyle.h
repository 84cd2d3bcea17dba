#pragma once
// The Card look of the tab bar control: every tab a grey card with rounded top
// corners standing on the bar, its top 3 points below the cell's, outlined in mid
// grey; the bar a darker grey gradient with a line along its bottom that breaks under
// the selected tab. Cards are filled only while the application is active; in a
// window that is not active the bar takes the window's background colour. The
// orientation is ignored (always horizontal). Margins: left 5 (settable), right 24,
// top 10; tab height 22. A suppressed close button has no rectangle and takes no room.
//
// Images of the control's bundle: the Aqua close and add-tab buttons
// (VTImageTabStyle). No archive keys: a decoded Card style is a fresh one. Keeps the
// control last drawn as a QPointer. Main thread only. VTUnifiedTabStyle builds on
// this class.
#include "components/tabbarcontrol/styles/VTImageTabStyle.h"

#include <QPainterPath>

class VTCardTabStyle : public VTImageTabStyle
{
public:
    VTCardTabStyle();

    QString name() const override { return QStringLiteral("Card"); }
    qreal leftMarginForTabBarControl() const override { return m_leftMargin; }
    void setLeftMarginForTabBarControl(qreal margin) { m_leftMargin = margin; }
    qreal topMarginForTabBarControl() const override { return 10.0; }
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

    // The corner radius of the card of a tab frame (never below 0).
    static qreal cardRadius(const QRectF &frame);
    // A shape from (left, bottom) up, over two rounded top corners, down to (right, bottom).
    static QPainterPath roundedTop(qreal left, qreal top, qreal right, qreal bottom, qreal radius);

protected:
    // The interior on the rectangle k; the title's y from the title's height.
    void drawInterior(const VTTabBarCell *cell, const QRectF &k, qreal titleY, QPainter &painter);

    qreal m_leftMargin = 5.0;
};
