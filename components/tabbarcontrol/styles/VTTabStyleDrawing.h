#pragma once
// What the Aqua, Adium, Card and Unified tab styles share: reading a cell (a null cell
// reads as a cell with the zero frame), the counter badge, the placeholder text of a
// bar without a tab view and the drawing of the visible cells. Stateless functions;
// main thread (painting) only.
#include "components/tabbarcontrol/VTAttributedString.h"

#include <QColor>
#include <QIcon>
#include <QPainterPath>
#include <QRectF>

class QPainter;
class VTTabBarCell;
class VTTabBarControl;
class VTTabStyle;

namespace VTTabStyleDrawing {

// Inside a tab of the Metal, Aqua and Card styles: margins of 6 at both ends, gaps of
// 4 after the close button, the icon and the counter, icons and indicators 16 × 16 in
// a 20-point slot, and at least 30 points for the title.
constexpr qreal MarginX = 6;
constexpr qreal Gap = 4;
constexpr qreal IconSize = 16;
constexpr qreal IndicatorSlot = 20;
constexpr qreal MinimumTitleWidth = 30;

QRectF frameOf(const VTTabBarCell *cell);
bool isSelected(const VTTabBarCell *cell);
bool showsIndicator(const VTTabBarCell *cell);
// The cell has a close button that is not suppressed.
bool showsCloseButton(const VTTabBarCell *cell);
// The icon of the cell's item's model ("icon"), or the null icon.
QIcon tabIcon(const VTTabBarCell *cell);
QIcon largeImage(const VTTabBarCell *cell);
// The close picture by the cell's edited, rollover and pressed flags (pressed wins).
QIcon closeImage(const VTTabBarCell *cell, const QIcon images[6]);
// The width of a tab by that rule without its title: the close button (when shown,
// closeWidth wide), the icon, the style's counter rectangle and the indicator slot.
qreal widthWithoutTitle(const VTTabStyle &style, const VTTabBarCell *cell, qreal closeWidth);
// That width with MinimumTitleWidth, or with the cell's whole title; rounded up.
qreal minimumWidth(const VTTabStyle &style, const VTTabBarCell *cell, qreal closeWidth);
qreal desiredWidth(const VTTabStyle &style, const VTTabBarCell *cell, qreal closeWidth);
// The counter of those styles: the style's digits and 8 (at least 20) wide, 14 high,
// 4 below the frame's top, against the right margin or left of the indicator slot.
// The zero rectangle without a count.
QRectF counterRect(const VTTabStyle &style, const VTTabBarCell *cell);
// The badge outline of a counter rectangle: straight top and bottom, ends of radius 7.
QPainterPath counterPath(const QRectF &c);
// Fills the badge (the cell's count colour, else `fallback`) and centres the digits in it.
void drawCounter(QPainter &painter, const QRectF &c, const VTTabBarCell *cell, const QColor &fallback,
                 const VTAttributedString &digits);
// The icon centred in a 16 × 16 box at the point.
void drawIcon(QPainter &painter, const QIcon &icon, QPointF point);
// Black at alpha 0.1 over the rectangle, source-atop: the tab under the mouse.
void drawHighlight(QPainter &painter, const QRectF &rect);
// "VTTabBarControl" in the system font 11, centred in the rectangle less 4 at its top.
void drawPlaceholder(QPainter &painter, const QRectF &rect);
// The placeholder without a tab view; else every cell while the control animates,
// or every cell in the bar whose frame meets the rectangle.
void drawCells(VTTabBarControl *control, QPainter &painter, const QRectF &rect);
// The counter digits: bold Helvetica 11, white at alpha 0.85.
VTAttributedString countString(const VTTabBarCell *cell);
// The system font at 11 points: the small control size's font, which follows the
// user's font size.
QFont systemFont11();
// The platform window background colour.
QColor windowBackgroundColor();
// The window of the control's tab view (else of the control) is the active window.
bool isKeyWindow(const VTTabBarControl *control);
// The application is the active one (QGuiApplication::applicationState()).
bool applicationIsActive();

} // namespace VTTabStyleDrawing
