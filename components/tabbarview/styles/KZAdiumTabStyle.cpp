#include "components/tabbarview/styles/KZAdiumTabStyle.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZOverflowPopUpButton.h"
#include "components/tabbarview/KZRolloverButton.h"
#include "components/tabbarview/KZTabBarArtwork.h"
#include "components/tabbarview/KZTabBarButtonCell.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabBarViewExtensions.h"
#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/drawing/BundleImages.h"
#include "platform/drawing/Gradient.h"
#include "platform/drawing/Shadow.h"
#include "platform/drawing/SystemColors.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

using namespace KZTabStyleDrawing;
using namespace KZTabBarViewExtensions;
namespace colors = platform::SystemColors;

namespace {

const bool registered = platform::CodingRegistry::registerClass<KZAdiumTabStyle>(QStringLiteral("KZAdiumTabStyle"));

const QStringList CloseKeys = {QStringLiteral("closeButton"),      QStringLiteral("closeButtonDown"),
                               QStringLiteral("closeButtonOver"),  QStringLiteral("closeDirtyButton"),
                               QStringLiteral("closeDirtyButtonDown"), QStringLiteral("closeDirtyButtonOver")};

QColor lineColour()
{
    return colors::grayColor();
}

QColor shadowColour()
{
    return colors::calibratedWhite(0.65, 1.0);
}

platform::Gradient unifiedGradient()
{
    return platform::Gradient(colors::calibratedWhite(0.835), colors::calibratedWhite(0.843));
}

// Strokes a path in the line colour, with the style's shadow at the offset when asked.
void stroke(QPainter &painter, const QPainterPath &path, qreal width, bool shadow, const QSizeF &offset)
{
    const QPen pen(lineColour(), width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    if (!shadow) {
        painter.strokePath(path, pen);
        return;
    }
    const QRectF bounds = path.boundingRect().adjusted(-8, -8, 8, 8);
    platform::Shadow(offset, 2.0, shadowColour()).drawWithShadow(painter, bounds, [&](QPainter &p) {
        p.strokePath(path, pen);
    });
}

bool hasIcon(const KZTabBarButtonCell &cell)
{
    return !cell.icon().isNull();
}

} // namespace

KZAdiumTabStyle::KZAdiumTabStyle()
    : m_close(closeImagesNamed(QStringLiteral("AquaTabClose_Front"), QStringLiteral("AquaTabCloseDirty_Front")))
    , m_gradientImage(KZTabBarArtwork::imageNamed(QStringLiteral("AdiumGradient")))
{
    Q_UNUSED(registered);
}

void KZAdiumTabStyle::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    encodeImages(coder, {&m_close[0], &m_close[2], &m_close[1], &m_close[3], &m_close[5], &m_close[4]}, CloseKeys);
    coder.encodeBool(m_drawsUnified, QStringLiteral("drawsUnified"));
    coder.encodeBool(m_drawsRight, QStringLiteral("drawsRight"));
}

bool KZAdiumTabStyle::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return true;
    CloseImages close;
    if (!decodeImages(coder, {&close[0], &close[2], &close[1], &close[3], &close[5], &close[4]}, CloseKeys))
        return false;
    const bool unified = coder.decodeBool(QStringLiteral("drawsUnified"));
    const bool right = coder.decodeBool(QStringLiteral("drawsRight"));
    if (coder.failed())
        return false;
    m_close = close;
    m_drawsUnified = unified;
    m_drawsRight = right;
    // The selected tab's fill is not archived: load it as a new style does.
    m_gradientImage = KZTabBarArtwork::imageNamed(QStringLiteral("AdiumGradient"));
    return true;
}

std::optional<qreal> KZAdiumTabStyle::leftMarginForTabBarView(KZTabBarView *bar)
{
    return horizontalMargin(bar, 3.0);
}

std::optional<qreal> KZAdiumTabStyle::rightMarginForTabBarView(KZTabBarView *bar)
{
    return horizontalMargin(bar, 3.0);
}

std::optional<qreal> KZAdiumTabStyle::topMarginForTabBarView(KZTabBarView *bar)
{
    return isVertical(bar) ? 10.0 : 0.0;
}

std::optional<qreal> KZAdiumTabStyle::heightOfTabBarButtonsForTabBarView(KZTabBarView *bar)
{
    return isVertical(bar) ? 28.0 : 22.0;
}

std::optional<QRectF> KZAdiumTabStyle::draggingRectForTabButton(KZAttachedTabBarButton *button, KZTabBarView *bar)
{
    QRectF rect = button ? button->stackingFrame() : QRectF();
    if (isSelected(button) && !isVertical(bar)) {
        rect.setWidth(rect.width() + 1.0);
        rect.setHeight(rect.height() - 2.0);
    }
    return rect;
}

std::optional<QIcon> KZAdiumTabStyle::closeButtonImageOfType(unsigned type, const KZTabBarButtonCell &)
{
    return closeImageOfType(m_close, type);
}

std::optional<QRectF> KZAdiumTabStyle::drawingRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell)
{
    if (isSelected(cell) && !isVertical(cell.tabBarView()))
        return QRectF(bounds.x() + 4.0, bounds.y() + 1.0, bounds.width() - 8.0, bounds.height() - 5.0);
    return bounds.adjusted(4.0, 2.0, -4.0, -2.0);
}

std::optional<QRectF> KZAdiumTabStyle::closeButtonRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell)
{
    const QRectF dr = cell.drawingRectForBounds(bounds);
    QRectF rect = fittedCloseButtonRect(cell, dr);
    if (KZTabBarButtonCell::isEmptyRect(rect))
        return rect;
    if (isVertical(cell.tabBarView())) {
        qreal width = dr.width();
        if (const QRectF indicator = cell.indicatorRectForBounds(bounds); !KZTabBarButtonCell::isEmptyRect(indicator))
            width -= indicator.width() + 4.0;
        rect.moveLeft(dr.x() + width - rect.width() - 4.0);
    }
    return KZTabBarButtonCell::integralRect(rect);
}

std::optional<QRectF> KZAdiumTabStyle::iconRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell)
{
    return iconRectInColumn(cell, cell.drawingRectForBounds(bounds));
}

std::optional<QRectF> KZAdiumTabStyle::titleRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell)
{
    using Cell = KZTabBarButtonCell;
    const QRectF dr = cell.drawingRectForBounds(bounds);
    qreal x = dr.x(), w = dr.width();
    if (const QRectF indicator = cell.indicatorRectForBounds(bounds); !Cell::isEmptyRect(indicator))
        w -= indicator.width() + 4.0;
    if (const QRectF large = cell.largeImageRectForBounds(bounds); !Cell::isEmptyRect(large)) {
        w -= large.width() + 4.0;
        x += large.width() + 4.0;
    }
    const QRectF icon = cell.iconRectForBounds(bounds);
    const QRectF close = cell.closeButtonRectForBounds(bounds);
    const QRectF counter = cell.objectCounterRectForBounds(bounds);
    if (isVertical(cell.tabBarView())) {
        if (hasIcon(cell) && cell.largeImage().isNull() && !Cell::isEmptyRect(icon)) {
            w -= icon.width() + 4.0;
            x += icon.width() + 4.0;
        }
        if (!Cell::isEmptyRect(close) || !Cell::isEmptyRect(counter))
            w -= std::max(counter.width(), close.width()) + 4.0;
    } else {
        if (!Cell::isEmptyRect(close) || !Cell::isEmptyRect(icon)) {
            const qreal d = std::max(icon.width(), close.width()) + 4.0;
            w -= d;
            x += d;
        }
        if (!Cell::isEmptyRect(counter))
            w -= counter.width() + 4.0;
    }
    const KZAttributedString title = cell.attributedStringValue();
    if (title.isEmpty())
        return QRectF();
    const qreal height = title.size().height();
    const qreal y = dr.y() + std::ceil((dr.height() - height) * 0.5);
    return Cell::integralRect(QRectF(x, y, w, height));
}

std::optional<QRectF> KZAdiumTabStyle::indicatorRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell)
{
    if (!cell.isProcessing())
        return QRectF();
    const QRectF dr = cell.drawingRectForBounds(bounds);
    return KZTabBarButtonCell::integralRect(
        QRectF(dr.x() + dr.width() - 16.0, dr.y() + dr.height() * 0.5 - 8.0, 16.0, 16.0));
}

std::optional<QRectF> KZAdiumTabStyle::objectCounterRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell)
{
    if (cell.objectCount() == 0)
        return QRectF();
    const QRectF dr = cell.drawingRectForBounds(bounds);
    qreal w = dr.width();
    if (const QRectF indicator = cell.indicatorRectForBounds(bounds); !KZTabBarButtonCell::isEmptyRect(indicator))
        w -= indicator.width() + 4.0;
    const QSizeF size = cell.objectCounterSize();
    return KZTabBarButtonCell::integralRect(QRectF(dr.x() + w - size.width(),
                                                   std::ceil(dr.y() + (dr.height() - size.height()) * 0.5),
                                                   size.width(), size.height()));
}

std::optional<QRectF> KZAdiumTabStyle::largeImageRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell)
{
    if (cell.largeImage().isNull())
        return QRectF();
    const QRectF dr = cell.drawingRectForBounds(bounds);
    const QSizeF size = kz_scaleImageWithSize(platform::BundleImages::naturalSize(cell.largeImage()), dr.size(),
                                              KZImageScaleProportionallyUpOrDown);
    qreal x = dr.x();
    if (size.width() < 16.0)
        x += (16.0 - size.width()) * 0.5;
    return QRectF(QPointF(x, dr.y()), size);
}

bool KZAdiumTabStyle::drawBezelOfTabBarView(KZTabBarView *bar, QPainter &painter, const QRectF &)
{
    if (!bar)
        return true;
    const QRectF bounds(bar->rect());
    const bool vertical = isVertical(bar);
    if (vertical)
        painter.fillRect(bounds, colors::deviceRGB(0.9059, 0.9294, 0.9647));
    else if (m_drawsUnified && bar->isWindowActive())
        unifiedGradient().drawInRect(painter, bounds, 90.0);
    else if (m_drawsUnified)
        painter.fillRect(bounds, windowBackgroundColor());
    else
        painter.fillRect(bounds, colors::calibratedWhite(0.85, 0.6));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const qreal x = bounds.x(), y = bounds.y(), w = bounds.width(), h = bounds.height();
    auto line = [](QPointF from, QPointF to) {
        QPainterPath path;
        path.moveTo(from);
        path.lineTo(to);
        return path;
    };
    if (vertical) {
        if (m_drawsRight)
            stroke(painter, line({x, y}, {x, y + h}), 2.0, true, QSizeF(0.5, -0.5));
        else
            stroke(painter, line({x + w, y}, {x + w, y + h}), 2.0, true, QSizeF(-0.5, -1.0));
        stroke(painter, line({x, y}, {x + w, y}), 2.0, true, QSizeF(0, 0));
    } else {
        stroke(painter, line({x, y}, {x + w, y}), 2.0, true, QSizeF(0, -1.0));
    }
    painter.restore();
    return true;
}

bool KZAdiumTabStyle::drawBezelOfButton(KZAttachedTabBarButton *button, unsigned, const std::vector<KZAttachedTabBarButton *> &,
                                        unsigned, KZTabBarView *bar, QPainter &painter, const QRectF &)
{
    if (button)
        drawBezelWithFrame(painter, QRectF(button->geometry()), button, bar, true, false);
    return true;
}

bool KZAdiumTabStyle::drawBezelOfTabCell(const KZTabBarButtonCell &, QPainter &painter, const QRectF &frame,
                                          QWidget *view)
{
    auto *button = qobject_cast<KZAttachedTabBarButton *>(view);
    if (button)
        drawBezelWithFrame(painter, frame, button, button->tabBarView(), false, true);
    return true;
}

void KZAdiumTabStyle::drawBezelWithFrame(QPainter &painter, const QRectF &frame, KZAttachedTabBarButton *button,
                                         KZTabBarView *bar, bool applyShadow, bool drawRollovers) const
{
    if (!button)
        return;
    const bool overflow = isStillOverflowButton(button);
    const qreal x = frame.x(), y = frame.y(), w = frame.width(), h = frame.height();
    QRectF rect = frame;
    unsigned mask = overflow ? unsigned(KZCapLeft) : 0xFu;
    if (isSelected(button)) {
        if (isVertical(bar)) {
            rect = m_drawsRight ? QRectF(x - 1.0, y, w - 3.0, h) : QRectF(x + 2.0, y, w - 2.0, h);
            mask = m_drawsRight ? KZCapRight : KZCapLeft;
        } else {
            rect = QRectF(x, y, w, h - 2.5);
        }
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    drawBezelInRect(painter, rect, mask, button, bar, applyShadow, drawRollovers);
    painter.restore();
}

void KZAdiumTabStyle::fillSelected(QPainter &painter, const QRectF &rect, KZTabBarView *bar, bool vertical) const
{
    if (m_drawsUnified) {
        if (bar && bar->isWindowActive())
            unifiedGradient().drawInRect(painter, rect, 90.0);
        else
            painter.fillRect(rect, windowBackgroundColor());
        return;
    }
    if (vertical) {
        const QColor light = colors::calibratedWhite(0.98), dark = colors::calibratedWhite(0.92);
        platform::Gradient(m_drawsRight ? dark : light, m_drawsRight ? light : dark).drawInRect(painter, rect, 0.0);
        return;
    }
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QImage image = platform::BundleImages::rendered(m_gradientImage, ratio);
    if (!image.isNull())
        painter.drawImage(rect, image);
}

void KZAdiumTabStyle::drawBezelInRect(QPainter &painter, const QRectF &rect, unsigned capMask,
                                      KZAttachedTabBarButton *button, KZTabBarView *bar, bool applyShadow,
                                      bool drawRollovers) const
{
    if (!button)
        return;
    const bool vertical = isVertical(bar);
    const bool selected = isSelected(button);
    if (vertical && !selected)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    if (selected) {
        fillSelected(painter, rect, bar, vertical);
        QPainterPath first, second;
        QSizeF firstOffset(-1.5, -1.5), secondOffset;
        if (vertical) {
            first.moveTo(x, y);
            first.lineTo(x + w, y);
            if (m_drawsRight) {
                second.moveTo(x + w, y);
                second.lineTo(x + w, y + h);
                second.lineTo(x, y + h);
                secondOffset = QSizeF(1.0, -1.0);
            } else {
                second.moveTo(x, y);
                second.lineTo(x, y + h);
                second.lineTo(x + w, y + h);
                secondOffset = QSizeF(-1.0, -1.0);
            }
        } else {
            if (capMask & KZCapLeft) {
                first.moveTo(x, y);
                first.lineTo(x, y + h);
                firstOffset = QSizeF(-1.0, -1.0);
            }
            second.moveTo(x, y + h);
            second.lineTo(x + w, y + h);
            if (capMask & KZCapRight)
                second.lineTo(x + w, y);
            secondOffset = QSizeF(1.0, -1.0);
        }
        if (!first.isEmpty())
            stroke(painter, first, 1.0, applyShadow, firstOffset);
        stroke(painter, second, 1.0, applyShadow, secondOffset);
        painter.restore();
        return;
    }
    if (drawRollovers && button->mouseHovered())
        wash(painter, rect, 0.1);
    QPainterPath path;
    path.moveTo(x, y);
    path.lineTo(x + w, y);
    if (showsTrailingDivider(button))
        path.lineTo(x + w, y + h);
    if (button->shouldDisplayLeftDivider()) {
        path.moveTo(x, y);
        path.lineTo(x, y + h);
    }
    stroke(painter, path, 1.0, false, QSizeF());
    painter.restore();
}

bool KZAdiumTabStyle::drawBezelOfOverflowButton(KZOverflowPopUpButton *button, KZTabBarView *bar, QPainter &painter,
                                                 const QRectF &)
{
    KZAttachedTabBarButton *last = bar ? bar->lastAttachedButton() : nullptr;
    if (!last || last->isSliding() || isVertical(bar))
        return true;
    const QRectF f = button ? QRectF(button->geometry()) : QRectF();
    if (isSelected(last)) {
        drawBezelInRect(painter, QRectF(f.x(), f.y(), f.width() + 4.5, f.height() - 2.5), KZCapRight, last, bar, true,
                        true);
        return true;
    }
    const QRectF r(f.x(), f.y() + 0.5, f.width() + 4.5, f.height() - 1.0);
    if (last->mouseHovered())
        wash(painter, r, 0.1);
    if (bar->showAddTabButton())
        strokeLines(painter, lineColour(), {QLineF(r.x() + r.width(), r.y(), r.x() + r.width(), r.y() + r.height())});
    return true;
}

bool KZAdiumTabStyle::drawIconOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame,
                                         QWidget *view)
{
    if (isVertical(cell.tabBarView())) {
        if (!cell.largeImage().isNull())
            return true;
    } else if (cell.shouldDisplayCloseButton() && cell.mouseHovered()) {
        return true;
    }
    cell._drawIconWithFrame(painter, frame, view);
    return true;
}

bool KZAdiumTabStyle::drawObjectCounterOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame,
                                                  QWidget *view)
{
    if (isVertical(cell.tabBarView()) && cell.shouldDisplayCloseButton() && cell.mouseHovered())
        return true;
    cell._drawObjectCounterWithFrame(painter, frame, view);
    return true;
}

bool KZAdiumTabStyle::drawCloseButtonOfTabCell(const KZTabBarButtonCell &cell, QPainter &, const QRectF &, QWidget *)
{
    const bool vertical = isVertical(cell.tabBarView());
    KZRolloverButton *close = cell.closeButton();
    if (close && ((!vertical && hasIcon(cell)) || (vertical && cell.showObjectCount())))
        close->setHidden(!cell.mouseHovered());
    return true;
}
