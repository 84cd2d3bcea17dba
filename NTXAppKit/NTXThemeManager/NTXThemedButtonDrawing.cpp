#include "NTXAppKit/NTXThemeManager/NTXThemedButtonDrawing.h"

#include "platform/drawing/Shadow.h"
#include "platform/drawing/SystemColors.h"

#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <algorithm>

using platform::ButtonCell;
using platform::Cell;

namespace NTXThemedButtonDrawing {

unsigned cellMask(const ButtonCell &cell)
{
    return (cell.isEnabled() ? 0u : NTXTheme::StateDisabled) + (cell.isHighlighted() ? NTXTheme::StateHighlighted : 0u);
}

bool highlightsByChangingBackground(const ButtonCell &cell)
{
    return cell.highlightsBy() & ButtonCell::ChangeBackgroundCellMask;
}

QRectF imageRectForBounds(const ButtonCell &cell, unsigned highlightMode, const QRectF &bounds)
{
    if (cell.imagePosition() != Cell::ImagePosition::ImageOnly || cell.isBordered())
        return cell.ButtonCell::imageRectForBounds(bounds);
    const qreal divisor = highlightsByChangingBackground(cell) && highlightMode == GlowingImage ? 3.5 : 7.0;
    const qreal dx = bounds.width() / divisor;
    const qreal dy = bounds.height() / divisor;
    return bounds.adjusted(dx, dy, -dx, -dy);
}

void drawStretchedImage(QPainter &painter, const QIcon &image, const QRectF &rect, qreal opacity,
                        QPainter::CompositionMode mode)
{
    if (image.isNull() || rect.isEmpty())
        return;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    const QPixmap pixmap = image.pixmap(rect.size().toSize().expandedTo(QSize(1, 1)), ratio);
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    painter.setCompositionMode(mode);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect, pixmap, QRectF(pixmap.rect()));
    painter.restore();
}

void drawImage(const ButtonCell &cell, unsigned highlightMode, QPainter &painter, const QIcon &image,
               const QRectF &frame, QWidget *controlView)
{
    const QRectF rect = imageRectForBounds(cell, highlightMode, frame);
    if (cell.highlightsBy() & ButtonCell::ChangeGrayCellMask)
        cell.ButtonCell::drawImage(painter, image, rect, controlView);
    else
        drawStretchedImage(painter, image, rect);
}

void drawHighlightedBackground(const ButtonCell &cell, const NTXTheme &theme, unsigned highlightMode, unsigned mask,
                               const QIcon &image, QPainter &painter, const QRectF &frame, QWidget *controlView)
{
    painter.save();
    painter.setClipRect(frame, Qt::IntersectClip);
    switch (highlightMode) {
    case FlatFill:
        if (const auto fill = theme.fillColorForStateMask(mask)) {
            painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
            painter.fillRect(frame, *fill);
        }
        break;
    case GlowingImage: {
        const QRectF rect = imageRectForBounds(cell, highlightMode, frame);
        QColor glow = theme.fillColorForStateMask(mask).value_or(QColor(Qt::transparent));
        if (theme.backgroundStyle() == NTXTheme::BackgroundStyle::Dark)
            glow = platform::SystemColors::blended(glow, 0.9, platform::SystemColors::whiteColor());
        const platform::Shadow shadow(QSizeF(0, 0), std::min(rect.width(), rect.height()) * 0.5, glow);
        shadow.drawWithShadow(painter, frame, [&](QPainter &p) {
            if (cell.highlightsBy() & ButtonCell::ChangeGrayCellMask)
                cell.drawImage(p, image, rect, controlView); // the cell's own, which places it in the rectangle
            else
                drawStretchedImage(p, image, rect);
        });
        break;
    }
    case GradientFill:
        if (const auto gradient = theme.gradientForStateMask(mask))
            gradient->drawInRect(painter, frame, theme.gradientAngleForStateMask(mask));
        break;
    default:
        break;
    }
    painter.restore();
}

void drawBorderSides(const NTXTheme &theme, unsigned mask, unsigned sides, QPainter &painter, const QRectF &r)
{
    if (sides == 0)
        return;
    const auto gradient = theme.borderSideGradientForStateMask(mask);
    if (!gradient)
        return;
    if (sides & MinXSide) {
        const QRectF inset = r.adjusted(0, 2, 0, -2);
        gradient->drawInRect(painter, QRectF(inset.x(), inset.y(), 1, inset.height()), 90);
    }
    if (sides & MaxXSide) {
        const QRectF inset = r.adjusted(1, 2, -1, -2);
        gradient->drawInRect(painter, QRectF(inset.x() + inset.width(), inset.y(), 1, inset.height()), 90);
    }
    if (sides & MinYSide) {
        const QRectF inset = r.adjusted(2, 0, -2, 0);
        gradient->drawInRect(painter, QRectF(inset.x(), inset.y(), inset.width(), 1), 90);
    }
    if (sides & MaxYSide) {
        const QRectF inset = r.adjusted(2, 1, -2, -1);
        gradient->drawInRect(painter, QRectF(inset.x(), inset.y() + inset.height(), inset.width(), 1), 90);
    }
}

} // namespace NTXThemedButtonDrawing
