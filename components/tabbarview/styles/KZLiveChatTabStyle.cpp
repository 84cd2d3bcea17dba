#include "components/tabbarview/styles/KZLiveChatTabStyle.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZOverflowPopUpButton.h"
#include "components/tabbarview/KZTabBarButtonCell.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabBarViewExtensions.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/drawing/BundleImages.h"
#include "platform/drawing/Cell.h"
#include "platform/drawing/Gradient.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/WindowChrome.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

using namespace KZTabStyleDrawing;
using namespace KZTabBarViewExtensions;
namespace colors = platform::SystemColors;

namespace {

const bool registered =
    platform::CodingRegistry::registerClass<KZLiveChatTabStyle>(QStringLiteral("KZLiveChatTabStyle"));

constexpr qreal Gap = 4.0;

QColor lineColour()
{
    return colors::calibratedWhite(0.576);
}

bool empty(const QRectF &rect)
{
    return KZTabBarButtonCell::isEmptyRect(rect);
}

// The width of a part with the gap after it, 0 for no part.
qreal taken(const QRectF &rect)
{
    return empty(rect) ? 0.0 : rect.width() + Gap;
}

// The separated look: the window's toolbar shows its baseline separator.
bool separated(const QWidget *view)
{
    return platform::WindowChrome::toolbarShowsBaselineSeparator(view);
}

// In the cards look the tabs stand a point lower.
QRectF adjustedForToolbar(const QRectF &frame, const QWidget *view)
{
    if (separated(view))
        return frame;
    return QRectF(frame.x(), frame.y() + 1.0, frame.width(), frame.height() - 1.0);
}

} // namespace

KZLiveChatTabStyle::KZLiveChatTabStyle()
{
    Q_UNUSED(registered);
    reset();
}

void KZLiveChatTabStyle::reset()
{
    m_close = closeImagesNamed(QStringLiteral("AquaTabClose_Front"), QStringLiteral("AquaTabCloseDirty_Front"));
    QFont font(QStringLiteral("Lucida Grande"));
    font.setPixelSize(11);
    font.setBold(true);
    m_objectCountAttributes.font = font;
    m_objectCountAttributes.color = colors::calibratedWhite(1.0, 0.85);
    m_leftMargin = 5.0;
}

bool KZLiveChatTabStyle::initWithCoder(platform::Coder &)
{
    reset();
    return true;
}

std::optional<bool> KZLiveChatTabStyle::supportsOrientation(unsigned orientation, KZTabBarView *)
{
    return orientation == KZTabBarView::Horizontal;
}

std::optional<qreal> KZLiveChatTabStyle::leftMarginForTabBarView(KZTabBarView *bar)
{
    return horizontalMargin(bar, m_leftMargin);
}

std::optional<qreal> KZLiveChatTabStyle::rightMarginForTabBarView(KZTabBarView *bar)
{
    return horizontalMargin(bar, m_leftMargin);
}

std::optional<QRectF> KZLiveChatTabStyle::draggingRectForTabButton(KZAttachedTabBarButton *button, KZTabBarView *)
{
    return widenedStackingFrame(button);
}

std::optional<QIcon> KZLiveChatTabStyle::closeButtonImageOfType(unsigned type, const KZTabBarButtonCell &)
{
    return closeImageOfType(m_close, type);
}

std::optional<KZAttributedString> KZLiveChatTabStyle::attributedObjectCountStringValueForTabCell(
    const KZTabBarButtonCell &cell)
{
    KZAttributedString text;
    text.string = QString::number(static_cast<unsigned long>(static_cast<unsigned>(cell.objectCount())));
    text.attributes = m_objectCountAttributes;
    return text;
}

std::optional<KZAttributedString> KZLiveChatTabStyle::attributedStringValueForTabCell(const KZTabBarButtonCell &cell)
{
    KZAttributedString text;
    text.string = cell.title();
    text.attributes.font = platform::Cell::systemFontForControlSize(platform::Cell::ControlSize::Small);
    return text;
}

std::optional<QRectF> KZLiveChatTabStyle::closeButtonRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell)
{
    const QRectF d = cell.drawingRectForBounds(bounds);
    QRectF rect = fittedCloseButtonRect(cell, d);
    if (empty(rect))
        return rect;
    rect.moveLeft(d.x() + d.width() - rect.width());
    return KZTabBarButtonCell::integralRect(rect);
}

std::optional<QRectF> KZLiveChatTabStyle::indicatorRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell)
{
    if (!cell.isProcessing())
        return QRectF();
    const QRectF d = cell.drawingRectForBounds(bounds);
    const qreal available = d.width() - taken(cell.closeButtonRectForBounds(bounds));
    return KZTabBarButtonCell::integralRect(QRectF(d.x() + available - 16.0, d.y() + d.height() / 2 - 8.0, 16.0, 16.0));
}

std::optional<QRectF> KZLiveChatTabStyle::objectCounterRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell)
{
    if (!cell.showObjectCount())
        return QRectF();
    const QRectF d = cell.drawingRectForBounds(bounds);
    const qreal available =
        d.width() - taken(cell.indicatorRectForBounds(bounds)) - taken(cell.closeButtonRectForBounds(bounds));
    const QSizeF size = cell.objectCounterSize();
    return KZTabBarButtonCell::integralRect(QRectF(d.x() + available - size.width(),
                                                   std::ceil(d.y() + (d.height() - size.height()) / 2), size.width(),
                                                   size.height()));
}

std::optional<QRectF> KZLiveChatTabStyle::iconRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell)
{
    return iconRectInColumn(cell, cell.drawingRectForBounds(bounds));
}

std::optional<QRectF> KZLiveChatTabStyle::largeImageRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell)
{
    if (cell.largeImage().isNull())
        return QRectF();
    const QRectF d = cell.drawingRectForBounds(bounds);
    const QSizeF size = kz_scaleImageWithSize(platform::BundleImages::naturalSize(cell.largeImage()), d.size(),
                                              KZImageScaleProportionallyUpOrDown);
    qreal x = d.x();
    if (size.width() < 16.0)
        x += (16.0 - size.width()) / 2;
    const qreal y = size.height() < d.height() ? d.y() : d.y() - (d.height() - size.height()) / 2;
    return QRectF(QPointF(x, y), size);
}

std::optional<QRectF> KZLiveChatTabStyle::titleRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell)
{
    const QRectF d = cell.drawingRectForBounds(bounds);
    qreal x = d.x(), w = d.width();
    const QRectF large = cell.largeImageRectForBounds(bounds);
    const qreal leading = taken(empty(large) ? cell.iconRectForBounds(bounds) : large);
    x += leading;
    w -= leading;
    w -= taken(cell.indicatorRectForBounds(bounds)) + taken(cell.objectCounterRectForBounds(bounds))
        + taken(cell.closeButtonRectForBounds(bounds));
    const KZAttributedString title = cell.attributedStringValue();
    if (title.isEmpty())
        return QRectF();
    const qreal height = title.size().height();
    return KZTabBarButtonCell::integralRect(QRectF(x, d.y() + std::ceil((d.height() - height) / 2), w, height));
}

bool KZLiveChatTabStyle::drawBezelOfTabBarView(KZTabBarView *bar, QPainter &painter, const QRectF &)
{
    const QRectF bounds = bar ? QRectF(bar->rect()) : QRectF();
    if (bar && bar->isWindowActive()) {
        QPainterPath path;
        path.addRect(bounds.translated(0, 1.0));
        platform::Gradient(colors::calibratedWhite(0.75, 1.0), colors::calibratedWhite(0.75, 0.0))
            .drawInBezierPath(painter, path, 90.0);
    }
    strokeLines(painter, lineColour(), {QLineF(bounds.x(), bounds.y() + 0.5, bounds.x() + bounds.width(), bounds.y() + 0.5)});
    return true;
}

bool KZLiveChatTabStyle::drawBezelOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame,
                                             QWidget *view)
{
    auto *button = qobject_cast<KZAttachedTabBarButton *>(view);
    if (!button)
        return true;
    const QRectF f = adjustedForToolbar(frame, view);
    const bool selected = isSelected(cell);
    if (!separated(view) || selected) {
        QRectF rect(f.x() + 0.5, f.y() - 0.5, f.width() - 1.0, f.height());
        if (selected) {
            rect.translate(0, -1.0);
            rect.setHeight(rect.height() + 1.0);
        }
        const bool overflow = isStillOverflowButton(button);
        if (overflow)
            rect.setWidth(rect.width() + 0.5);
        drawBezelInRect(painter, rect, overflow ? 0x1001 : 0x100F, button, button->tabBarView());
        return true;
    }
    const QRectF r(f.x() + 0.5, f.y() + 0.5, f.width(), f.height());
    if (cell.mouseHovered())
        wash(painter, r, 0.1);
    if (!(cell.tabState() & KZTabBarView::KZTabStateRightNeighbourSelected)) {
        const qreal right = r.x() + r.width();
        strokeLines(painter, lineColour(), {QLineF(right, r.y() + r.height() - 0.5, right, r.y() + r.height())});
        strokeLines(painter, colors::calibratedWhite(1.0, 0.5),
                    {QLineF(right + 1.0, r.y() - 0.5, right + 1.0, r.y() + r.height() - 2.5)});
    }
    return true;
}

void KZLiveChatTabStyle::drawBezelInRect(QPainter &painter, const QRectF &rect, unsigned capMask,
                                         KZAttachedTabBarButton *button, KZTabBarView *bar) const
{
    if (!button)
        return;
    const qreal radius = std::max<qreal>(0.0, std::min(6.0, std::min(rect.width(), rect.height()) / 2));
    const QPainterPath closed = bezierPathWithCardInRect(rect, radius, capMask | KZCapDrawSides);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (isSelected(button))
        platform::Gradient(colors::calibratedWhite(1.0), colors::calibratedWhite(0.95)).drawInBezierPath(painter, closed, 90.0);
    else if (bar && bar->isWindowActive() && button->mouseHovered())
        platform::Gradient(colors::calibratedWhite(0.8), colors::calibratedWhite(0.8)).drawInBezierPath(painter, closed, 90.0);
    painter.strokePath(bezierPathWithCardInRect(rect, radius, capMask & ~KZCapDrawSides), QPen(lineColour(), 1.0));
    painter.restore();
}

bool KZLiveChatTabStyle::drawBezelOfOverflowButton(KZOverflowPopUpButton *button, KZTabBarView *bar, QPainter &painter,
                                                    const QRectF &)
{
    KZAttachedTabBarButton *last = bar ? bar->lastAttachedButton() : nullptr;
    if (!last || last->isSliding())
        return true;
    const QRectF f = adjustedForToolbar(button ? QRectF(button->geometry()) : QRectF(), bar);
    const bool selected = isSelected(last);
    if (separated(bar) && !selected)
        return true;
    QRectF rect(f.x(), f.y() - 0.5, f.width() + 4.5, f.height());
    if (selected) {
        rect.translate(0, -1.0);
        rect.setHeight(rect.height() + 1.0);
    }
    drawBezelInRect(painter, rect, KZCapRight | KZCapFlipVertical, last, bar);
    return true;
}
