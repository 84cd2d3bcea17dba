#include "components/tabbarview/styles/KZUnifiedTabStyle.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZOverflowPopUpButton.h"
#include "components/tabbarview/KZTabBarButtonCell.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabBarViewExtensions.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/drawing/Gradient.h"
#include "platform/drawing/SystemColors.h"

#include <QPainter>
#include <algorithm>

using namespace KZTabStyleDrawing;
using namespace KZTabBarViewExtensions;
namespace colors = platform::SystemColors;

namespace {

const bool registered = platform::CodingRegistry::registerClass<KZUnifiedTabStyle>(QStringLiteral("KZUnifiedTabStyle"));

const QStringList CloseKeys = {QStringLiteral("unifiedCloseButton"),          QStringLiteral("unifiedCloseButtonDown"),
                               QStringLiteral("unifiedCloseButtonOver"),      QStringLiteral("unifiedCloseDirtyButton"),
                               QStringLiteral("unifiedCloseDirtyButtonDown"), QStringLiteral("unifiedCloseDirtyButtonOver")};

QColor lineColour()
{
    return colors::calibratedWhite(0.576);
}

// An engraved divider at x: the grey line, then the white one a point to its right.
void drawDivider(QPainter &painter, qreal x, qreal y, qreal h)
{
    strokeLines(painter, lineColour(), {QLineF(x + 0.5, y, x + 0.5, y + h)});
    strokeLines(painter, colors::calibratedWhite(1.0, 0.5), {QLineF(x + 1.5, y + 1.0, x + 1.5, y + h - 1.0)});
}

} // namespace

KZUnifiedTabStyle::KZUnifiedTabStyle()
    : m_close(closeImagesNamed(QStringLiteral("AquaTabClose_Front"), QStringLiteral("AquaTabCloseDirty_Front")))
{
    Q_UNUSED(registered);
}

void KZUnifiedTabStyle::encodeWithCoder(platform::Coder &coder) const
{
    encodeImages(coder, {&m_close[0], &m_close[2], &m_close[1], &m_close[3], &m_close[5], &m_close[4]}, CloseKeys);
}

bool KZUnifiedTabStyle::initWithCoder(platform::Coder &coder)
{
    return decodeImages(coder, {&m_close[0], &m_close[2], &m_close[1], &m_close[3], &m_close[5], &m_close[4]},
                        CloseKeys);
}

std::optional<bool> KZUnifiedTabStyle::supportsOrientation(unsigned orientation, KZTabBarView *)
{
    return orientation == KZTabBarView::Horizontal;
}

std::optional<qreal> KZUnifiedTabStyle::leftMarginForTabBarView(KZTabBarView *bar)
{
    return horizontalMargin(bar, m_leftMargin);
}

std::optional<qreal> KZUnifiedTabStyle::rightMarginForTabBarView(KZTabBarView *bar)
{
    return horizontalMargin(bar, m_leftMargin);
}

std::optional<QRectF> KZUnifiedTabStyle::draggingRectForTabButton(KZAttachedTabBarButton *button, KZTabBarView *)
{
    return widenedStackingFrame(button);
}

std::optional<QIcon> KZUnifiedTabStyle::closeButtonImageOfType(unsigned type, const KZTabBarButtonCell &)
{
    return closeImageOfType(m_close, type);
}

qreal KZUnifiedTabStyle::cardRadius(const QRectF &rect)
{
    return std::max<qreal>(0.0, std::min(6.0, std::min(rect.width(), rect.height()) * 0.5));
}

bool KZUnifiedTabStyle::drawBezelOfTabBarView(KZTabBarView *bar, QPainter &painter, const QRectF &)
{
    const QRectF bounds = bar ? QRectF(bar->rect()) : QRectF();
    QRectF fill = bounds;
    if (hasVisibleToolbar(bar))
        fill.setHeight(fill.height() - 1.0);
    if (bar && bar->isWindowActive())
        platform::Gradient(colors::calibratedWhite(0.835), colors::calibratedWhite(0.843)).drawInRect(painter, fill, 90.0);
    else
        painter.fillRect(fill, windowBackgroundColor());
    strokeLines(painter, lineColour(),
                {QLineF(bounds.x(), bounds.y() + 0.5, bounds.x() + bounds.width(), bounds.y() + 0.5)});
    return true;
}

bool KZUnifiedTabStyle::drawBezelOfButton(KZAttachedTabBarButton *button, unsigned,
                                          const std::vector<KZAttachedTabBarButton *> &, unsigned, KZTabBarView *bar,
                                          QPainter &painter, const QRectF &)
{
    if (!button || hasVisibleToolbar(bar))
        return true;
    const QRectF f(button->geometry());
    if (showsTrailingDivider(button))
        drawDivider(painter, f.x() + f.width(), f.y(), f.height());
    if (button->shouldDisplayLeftDivider())
        drawDivider(painter, f.x(), f.y(), f.height());
    return true;
}

bool KZUnifiedTabStyle::drawBezelOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame,
                                            QWidget *view)
{
    auto *button = qobject_cast<KZAttachedTabBarButton *>(view);
    if (!button)
        return true;
    KZTabBarView *bar = button->tabBarView();
    const bool overflow = isStillOverflowButton(button);
    const qreal x = frame.x(), y = frame.y(), w = frame.width(), h = frame.height();
    if (hasVisibleToolbar(button)) {
        QRectF rect(x + 0.5, y - 0.5, overflow ? w - 0.5 : w - 1.0, h - 1.0);
        if (cell.mouseHovered() && !isSelected(cell)) {
            rect.translate(0, 1.5);
            rect.setHeight(rect.height() - 1.5);
        }
        drawCardBezelInRect(painter, rect, overflow ? 0x1001 : 0x100F, button, bar);
    } else {
        const QRectF rect(x + 0.5, y + 0.5, overflow ? w - 0.5 : w - 1.0, h - 1.0);
        drawBoxBezelInRect(painter, rect, overflow ? 0x1 : 0xF, button, bar);
    }
    return true;
}

void KZUnifiedTabStyle::drawCardBezelInRect(QPainter &painter, const QRectF &rect, unsigned capMask,
                                            KZAttachedTabBarButton *button, KZTabBarView *bar) const
{
    if (!button)
        return;
    const qreal radius = cardRadius(rect);
    const QPainterPath closed = bezierPathWithCardInRect(rect, radius, capMask | KZCapDrawSides);
    const bool selected = isSelected(button);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (bar && bar->isWindowActive()) {
        if (selected)
            platform::Gradient(colors::deviceRGB(0.698, 0.698, 0.698), colors::deviceRGB(0.663, 0.663, 0.663))
                .drawInBezierPath(painter, closed, 80.0);
        else if (button->mouseHovered())
            platform::Gradient(colors::deviceRGB(0.8, 0.8, 0.8), colors::deviceRGB(0.8, 0.8, 0.8))
                .drawInBezierPath(painter, closed, 80.0);
    } else if (selected) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        platform::Gradient(colors::deviceRGB(0.875, 0.875, 0.875), colors::deviceRGB(0.902, 0.902, 0.902))
            .drawInBezierPath(painter, closed, 90.0);
        painter.setRenderHint(QPainter::Antialiasing, true);
    }
    painter.strokePath(bezierPathWithCardInRect(rect, radius, capMask & ~KZCapDrawSides), QPen(lineColour(), 1.0));
    painter.restore();
}

void KZUnifiedTabStyle::drawBoxBezelInRect(QPainter &painter, const QRectF &rect, unsigned,
                                           KZAttachedTabBarButton *button, KZTabBarView *) const
{
    if (isSelected(button))
        wash(painter, rect, 0.2);
    else if (button && button->mouseHovered())
        wash(painter, rect, 0.1);
}

bool KZUnifiedTabStyle::drawBezelOfOverflowButton(KZOverflowPopUpButton *button, KZTabBarView *bar, QPainter &painter,
                                                   const QRectF &)
{
    KZAttachedTabBarButton *last = bar ? bar->lastAttachedButton() : nullptr;
    if (!last || last->isSliding())
        return true;
    const QRectF f = button ? QRectF(button->geometry()) : QRectF();
    if (hasVisibleToolbar(bar)) {
        QRectF rect(f.x(), f.y() - 0.5, f.width() + 4.5, f.height() - 1.0);
        if (last->mouseHovered() && !isSelected(last)) {
            rect.translate(0, 1.5);
            rect.setHeight(rect.height() - 1.5);
        }
        drawCardBezelInRect(painter, rect, KZCapRight | KZCapFlipVertical, last, bar);
        return true;
    }
    const QRectF rect(f.x(), f.y() + 0.5, f.width() + 4.5, f.height() - 1.0);
    drawBoxBezelInRect(painter, rect, KZCapRight | KZCapFlipVertical, last, bar);
    if (bar->showAddTabButton())
        drawDivider(painter, rect.x() + rect.width(), rect.y(), rect.height());
    return true;
}
