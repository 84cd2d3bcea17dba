#include "components/tabbarcontrol/styles/VTMetalTabStyle.h"

#include "components/tabbarcontrol/VTTabBarArtwork.h"
#include "components/tabbarcontrol/VTTabBarCell.h"
#include "components/tabbarcontrol/VTTabBarControl.h"
#include "components/tabbarcontrol/styles/VTTabStyleDrawing.h"
#include "platform/drawing/Shadow.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/TabView.h"

#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace colors = platform::SystemColors;
using namespace VTTabStyleDrawing;

namespace {

constexpr qreal MarginY = 3;

qreal selectedShift(const VTTabBarCell *cell)
{
    return isSelected(cell) ? -1.0 : 0.0;
}

} // namespace

VTMetalTabStyle::VTMetalTabStyle()
    : VTImageTabStyle({"TabClose_Front", "TabClose_Front_Pressed", "TabClose_Front_Rollover", "TabClose_Dirty",
                       "TabClose_Dirty_Pressed", "TabClose_Dirty_Rollover", "TabNewMetal", "TabNewMetalPressed",
                       "TabNewMetalRollover"})
{
}

VTMetalTabStyle::~VTMetalTabStyle() = default;

QRectF VTMetalTabStyle::closeButtonRectForTabCell(const VTTabBarCell *cell, const QRectF &frame) const
{
    if (!cell || !cell->hasCloseButton())
        return {};
    const QSizeF size = VTTabBarArtwork::sizeOf(m_close[0]);
    return QRectF(frame.x() + MarginX, frame.y() + 5 + selectedShift(cell), size.width(), size.height());
}

QRectF VTMetalTabStyle::iconRectForTabCell(const VTTabBarCell *cell) const
{
    return iconRectAt(cell, MarginY + selectedShift(cell));
}

QRectF VTMetalTabStyle::indicatorRectForTabCell(const VTTabBarCell *cell) const
{
    return indicatorRectAt(cell, MarginY + selectedShift(cell));
}

QRectF VTMetalTabStyle::dragRectForTabCell(const VTTabBarCell *cell, int orientation) const
{
    QRectF rect = frameOf(cell);
    rect.setWidth(rect.width() + 1);
    if (cell && (cell->tabState() & VTTabBarCell::SelectedTab)) {
        if (orientation != 0) {
            rect = QRectF(rect.x() + 2, rect.y() - 1, rect.width() - 3, rect.height() + 1);
        } else {
            rect.setHeight(rect.height() - 2);
        }
    } else if (orientation == 1) {
        rect.moveLeft(rect.x() - 1);
    }
    return rect;
}

VTAttributedString VTMetalTabStyle::attributedStringValueForTabCell(const VTTabBarCell *cell) const
{
    VTAttributedString text;
    text.string = cell ? cell->stringValue() : QString();
    QFont font = systemFont11();
    font.setBold(true);
    text.attributes.font = font;
    text.attributes.color = colors::withAlpha(colors::controlTextColor(), 0.75);
    const bool bright = isSelected(cell) || (cell && cell->isHighlighted());
    text.attributes.shadow = platform::Shadow(QSizeF(0, -1.0), 1.0, colors::calibratedWhite(1.0, bright ? 0.8 : 0.5));
    text.alignment = NTXNSStringExtension::CenterTextAlignment;
    return text;
}

void VTMetalTabStyle::drawTabCell(const VTTabBarCell *cell, QPainter &painter)
{
    if (!cell)
        return;
    const QRectF f = cell->frame();
    const bool vertical = m_orientation == 1;
    QPainterPath path;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (cell->state() == platform::Cell::State::On && !vertical) {
        painter.fillRect(QRectF(f.x() + 1, f.y(), f.width() - 1, f.height() - 3), windowBackgroundColor());
        const QRectF r(f.x() + 0.5, f.y(), f.width(), f.height() - 2.5);
        path.moveTo(r.x(), r.y());
        path.lineTo(r.x(), r.y() + r.height() - 1.5);
        path.lineTo(r.x() + 1.5, r.y() + r.height());
        path.lineTo(r.x() + r.width() - 2.5, r.y() + r.height());
        path.lineTo(r.x() + r.width(), r.y() + r.height() - 1.5);
        path.lineTo(r.x() + r.width(), r.y());
        if (cell->controlView() && cell->controlView()->height() < 2) {
            path.moveTo(r.x(), r.y() + 0.5);
            path.lineTo(r.x() + r.width(), r.y() + 0.5);
        }
    } else if (cell->state() == platform::Cell::State::On) {
        painter.fillRect(QRectF(f.x() + 3, f.y(), f.width() - 2, f.height() - 1), windowBackgroundColor());
        const QRectF r(f.x() + 2, f.y(), f.width() - 2, f.height());
        path.moveTo(r.x() + r.width(), r.y());
        path.lineTo(r.x() + 2, r.y());
        path.lineTo(r.x() + 0.5, r.y() + 2);
        path.lineTo(r.x() + 0.5, r.y() + r.height() - 3);
        path.lineTo(r.x() + 3, r.y() + r.height());
        path.lineTo(r.x() + r.width(), r.y() + r.height());
    } else {
        QRectF r(f.x() + 1.5, f.y() + 0.5, f.width() - 1, f.height());
        if (cell->isHighlighted())
            drawHighlight(painter, r);
        if (!vertical) {
            r = QRectF(f.x() + 0.5, f.y() + 0.5, f.width(), f.height());
            path.moveTo(r.x(), r.y());
            path.lineTo(r.x() + r.width(), r.y());
            if (!(cell->tabState() & VTTabBarCell::RightIsSelected))
                path.lineTo(r.x() + r.width(), r.y() + r.height());
        } else {
            if (!(cell->tabState() & VTTabBarCell::LeftIsSelected)) {
                path.moveTo(r.x(), r.y());
                path.lineTo(r.x() + r.width(), r.y());
            }
            if (!(cell->tabState() & VTTabBarCell::RightIsSelected)) {
                path.moveTo(r.x(), r.y() + r.height());
                path.lineTo(r.x() + r.width(), r.y() + r.height());
            }
        }
    }
    painter.setPen(QPen(colors::darkGrayColor(), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.restore();
    drawInteriorWithTabCell(cell, cell->controlView(), painter);
}

void VTMetalTabStyle::drawInteriorWithTabCell(const VTTabBarCell *cell, QWidget *, QPainter &painter)
{
    if (!cell)
        return;
    const QRectF f = cell->frame();
    drawContents(cell, f, f.y() + (isSelected(cell) ? 3 : 4), f.height(), selectedShift(cell),
                 colors::calibratedWhite(0.3, 0.6), painter);
}

void VTMetalTabStyle::drawBackgroundInRect(QPainter &painter, const QRectF &)
{
    const QRectF bounds = m_tabBar ? QRectF(m_tabBar->rect()) : QRectF();
    if (m_orientation == 1 && (!m_tabBar || m_tabBar->width() < 2))
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(bounds, QColor(0, 0, 0, qRound(0.2 * 255)));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(QPen(colors::darkGrayColor(), 1.0));
    const qreal x = bounds.x(), y = bounds.y(), w = bounds.width(), h = bounds.height();
    if (m_orientation != 1) {
        painter.drawLine(QLineF(x, y + 0.5, x + w, y + 0.5));
        painter.drawLine(QLineF(x, y + h - 0.5, x + w, y + h - 0.5));
    } else {
        painter.drawLine(QLineF(x, y + 0.5, x, y + h + 0.5));
        painter.drawLine(QLineF(x + w, y + 0.5, x + w, y + h + 0.5));
    }
    painter.restore();
}

void VTMetalTabStyle::drawTabBar(VTTabBarControl *control, QPainter &painter, const QRectF &rect)
{
    if (!control)
        return;
    if (control->orientation() != m_orientation)
        m_orientation = control->orientation();
    if (m_tabBar != control)
        m_tabBar = control;
    drawBackgroundInRect(painter, rect);
    drawCells(control, painter, rect);
}
