#include "components/tabbarcontrol/styles/VTCardTabStyle.h"

#include "components/tabbarcontrol/VTShading.h"
#include "components/tabbarcontrol/VTTabBarArtwork.h"
#include "components/tabbarcontrol/VTTabBarCell.h"
#include "components/tabbarcontrol/VTTabBarControl.h"
#include "components/tabbarcontrol/styles/VTTabStyleDrawing.h"
#include "platform/drawing/SystemColors.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace VTTabStyleDrawing;
using platform::SystemColors::calibratedWhite;

namespace {

QRectF cardRect(const QRectF &f)
{
    return QRectF(f.x(), f.y() + 3, f.width(), f.height() - 3);
}

} // namespace

VTCardTabStyle::VTCardTabStyle() : VTImageTabStyle(AquaButtonImages) {}

QRectF VTCardTabStyle::dragRectForTabCell(const VTTabBarCell *cell, int) const
{
    QRectF rect = frameOf(cell);
    rect.setWidth(rect.width() + 1);
    return rect;
}

QRectF VTCardTabStyle::closeButtonRectForTabCell(const VTTabBarCell *cell, const QRectF &frame) const
{
    if (!showsCloseButton(cell))
        return {};
    return QRectF(QPointF(frame.x() + MarginX, frame.y() + 4), VTTabBarArtwork::sizeOf(m_close[0]));
}

QRectF VTCardTabStyle::iconRectForTabCell(const VTTabBarCell *cell) const
{
    return iconRectAt(cell, 2);
}

QRectF VTCardTabStyle::indicatorRectForTabCell(const VTTabBarCell *cell) const
{
    return indicatorRectAt(cell, 5);
}

VTAttributedString VTCardTabStyle::attributedStringValueForTabCell(const VTTabBarCell *cell) const
{
    VTAttributedString text;
    text.string = cell ? cell->stringValue() : QString();
    text.attributes.font = systemFont11();
    text.attributes.color = platform::SystemColors::blackColor();
    return text;
}

qreal VTCardTabStyle::cardRadius(const QRectF &frame)
{
    const QRectF k = cardRect(frame);
    const qreal half = std::min(k.width() - 1, k.height() - 1) / 2;
    return half <= 6.0 ? std::max<qreal>(0, half - 0.5) : 5.5;
}

QPainterPath VTCardTabStyle::roundedTop(qreal left, qreal top, qreal right, qreal bottom, qreal radius)
{
    const qreal r = std::max<qreal>(0, std::min({radius, (right - left) / 2, bottom - top}));
    QPainterPath path;
    path.moveTo(left, bottom);
    path.lineTo(left, top + r);
    path.arcTo(QRectF(left, top, 2 * r, 2 * r), 180, -90);
    path.lineTo(right - r, top);
    path.arcTo(QRectF(right - 2 * r, top, 2 * r, 2 * r), 90, -90);
    path.lineTo(right, bottom);
    return path;
}

void VTCardTabStyle::drawTabCell(const VTTabBarCell *cell, QPainter &painter)
{
    if (!cell)
        return;
    const QRectF k = cardRect(cell->frame());
    const qreal left = k.x() + 0.5, top = k.y() + 0.5;
    const QPainterPath path = roundedTop(left, top, left + k.width() - 1, top + k.height() - 1, cardRadius(cell->frame()));
    if (applicationIsActive()) {
        const qreal from = isSelected(cell) ? 0.9 : cell->isHighlighted() ? 0.94 : 0.8;
        const qreal to = isSelected(cell) ? 0.9 : cell->isHighlighted() ? 0.94 : 0.65;
        VTShading::linearGradientFill(painter, path, calibratedWhite(from), calibratedWhite(to));
    }
    painter.save();
    painter.setPen(QPen(calibratedWhite(0.576), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.restore();
    drawInteriorWithTabCell(cell, cell->controlView(), painter);
}

void VTCardTabStyle::drawInteriorWithTabCell(const VTTabBarCell *cell, QWidget *, QPainter &painter)
{
    if (!cell)
        return;
    const QRectF k = cardRect(cell->frame());
    const qreal s = cell->attributedStringValue().size().height();
    drawInterior(cell, k, k.y() + (k.height() - s) / 2 + 1, painter);
}

void VTCardTabStyle::drawInterior(const VTTabBarCell *cell, const QRectF &k, qreal titleY, QPainter &painter)
{
    drawContents(cell, k, titleY, cell->attributedStringValue().size().height(), -1, calibratedWhite(0.3, 0.6), painter);
}

void VTCardTabStyle::drawBackgroundInRect(QPainter &painter, const QRectF &)
{
    const QRectF b = m_tabBar ? QRectF(m_tabBar->rect()) : QRectF();
    const QRectF r(b.x(), b.y(), b.width(), b.height() - 1);
    QPainterPath path;
    path.addRect(r);
    VTShading::linearGradientFill(painter, path, calibratedWhite(0.45), calibratedWhite(0.6));
    if (!isKeyWindow(m_tabBar))
        painter.fillRect(r, windowBackgroundColor());
}

void VTCardTabStyle::drawTabBar(VTTabBarControl *control, QPainter &painter, const QRectF &rect)
{
    if (!control)
        return;
    painter.save();
    painter.setPen(QPen(calibratedWhite(0.576), 1.0));
    const qreal y = rect.y() + rect.height() - 0.5;
    for (const auto &cell : control->cells()) {
        if (cell->state() != platform::Cell::State::On)
            continue;
        const QRectF f = cell->frame();
        painter.drawLine(QLineF(rect.x(), y, f.x(), y));
        painter.drawLine(QLineF(f.x() + f.width(), y, rect.x() + rect.width(), y));
    }
    m_tabBar = control;
    drawBackgroundInRect(painter, rect);
    drawCells(control, painter, rect);
    painter.restore();
}
