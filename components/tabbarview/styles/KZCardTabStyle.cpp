#include "components/tabbarview/styles/KZCardTabStyle.h"

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

const bool registered = platform::CodingRegistry::registerClass<KZCardTabStyle>(QStringLiteral("KZCardTabStyle"));

QColor lineColour()
{
    return colors::calibratedWhite(0.576);
}

} // namespace

KZCardTabStyle::KZCardTabStyle()
    : m_close(closeImagesNamed(QStringLiteral("AquaTabClose_Front"), QStringLiteral("AquaTabCloseDirty_Front")))
{
    Q_UNUSED(registered);
}

std::optional<bool> KZCardTabStyle::supportsOrientation(unsigned orientation, KZTabBarView *)
{
    return orientation == KZTabBarView::Horizontal;
}

std::optional<qreal> KZCardTabStyle::leftMarginForTabBarView(KZTabBarView *bar)
{
    return horizontalMargin(bar, m_horizontalInset);
}

std::optional<qreal> KZCardTabStyle::rightMarginForTabBarView(KZTabBarView *bar)
{
    return horizontalMargin(bar, m_horizontalInset);
}

std::optional<qreal> KZCardTabStyle::topMarginForTabBarView(KZTabBarView *bar)
{
    return isVertical(bar) ? 0.0 : 2.0;
}

std::optional<qreal> KZCardTabStyle::heightOfTabBarButtonsForTabBarView(KZTabBarView *bar)
{
    return 22.0 - *topMarginForTabBarView(bar);
}

std::optional<QRectF> KZCardTabStyle::overflowButtonRectForTabBarView(KZTabBarView *bar)
{
    if (!bar)
        return QRectF();
    QRectF rect = bar->_overflowButtonRect();
    const qreal top = bar->topMargin();
    rect.translate(0, top);
    rect.setHeight(rect.height() - top);
    return rect;
}

std::optional<QRectF> KZCardTabStyle::draggingRectForTabButton(KZAttachedTabBarButton *button, KZTabBarView *)
{
    return widenedStackingFrame(button);
}

std::optional<QIcon> KZCardTabStyle::closeButtonImageOfType(unsigned type, const KZTabBarButtonCell &)
{
    return closeImageOfType(m_close, type);
}

qreal KZCardTabStyle::cardRadius(const QRectF &rect)
{
    const qreal half = std::min(rect.width(), rect.height()) * 0.5;
    return std::max<qreal>(0.0, half > 6.0 ? 5.5 : half - 0.5);
}

bool KZCardTabStyle::drawBezelOfTabBarView(KZTabBarView *bar, QPainter &painter, const QRectF &)
{
    const QRectF bounds = bar ? QRectF(bar->rect()) : QRectF();
    QRectF fill = bounds;
    fill.setHeight(fill.height() - 1.0);
    const bool active = bar && bar->isWindowActive();
    platform::Gradient({{0.0, colors::calibratedWhite(active ? 0.678 : 0.821)},
                        {1.0, colors::calibratedWhite(active ? 0.821 : 0.956)}})
        .drawInRect(painter, fill, 270.0);
    const qreal bottom = bounds.y() + bounds.height() - 0.5;
    strokeLines(painter, lineColour(), {QLineF(bounds.x(), bottom, bounds.x() + bounds.width(), bottom)});
    return true;
}

bool KZCardTabStyle::drawBezelOfTabCell(const KZTabBarButtonCell &, QPainter &painter, const QRectF &frame,
                                         QWidget *view)
{
    auto *button = qobject_cast<KZAttachedTabBarButton *>(view);
    if (!button)
        return true;
    const bool overflow = isStillOverflowButton(button);
    const QRectF rect(frame.x() + 0.5, frame.y() + 0.5, frame.width() - (overflow ? 0.5 : 1.0), frame.height());
    drawBezelInRect(painter, rect, overflow ? unsigned(KZCapLeft) : 0xFu, button, button->tabBarView());
    return true;
}

void KZCardTabStyle::drawBezelInRect(QPainter &painter, const QRectF &rect, unsigned capMask,
                                     KZAttachedTabBarButton *button, KZTabBarView *bar) const
{
    if (!button)
        return;
    const qreal radius = cardRadius(rect);
    const bool selected = isSelected(button);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (bar && bar->isWindowActive()) {
        platform::Gradient gradient = selected ? platform::Gradient(colors::whiteColor(), colors::deviceRGB(0.929, 0.929, 0.929))
                                      : button->mouseHovered()
                                          ? platform::Gradient(colors::deviceRGB(0.8, 0.8, 0.8), colors::deviceRGB(0.8, 0.8, 0.8))
                                          : platform::Gradient(colors::deviceRGB(0.835, 0.835, 0.835),
                                                               colors::deviceRGB(0.843, 0.843, 0.843));
        gradient.drawInBezierPath(painter, bezierPathWithCardInRect(rect, radius, capMask | KZCapDrawSides), 90.0);
    } else {
        painter.fillRect(rect, windowBackgroundColor());
    }
    painter.strokePath(bezierPathWithCardInRect(rect, radius, capMask & ~KZCapDrawSides), QPen(lineColour(), 1.0));
    painter.restore();
    if (!selected) {
        const qreal bottom = rect.y() + rect.height() - 0.5;
        strokeLines(painter, lineColour(), {QLineF(rect.x(), bottom, rect.x() + rect.width(), bottom)});
    }
}

bool KZCardTabStyle::drawBezelOfOverflowButton(KZOverflowPopUpButton *button, KZTabBarView *bar, QPainter &painter,
                                                const QRectF &)
{
    KZAttachedTabBarButton *last = bar ? bar->lastAttachedButton() : nullptr;
    if (!last || last->isSliding())
        return true;
    const QRectF f = button ? QRectF(button->geometry()) : QRectF();
    drawBezelInRect(painter, QRectF(f.x(), f.y() + 0.5, f.width() + 4.5, f.height()), KZCapRight, last, bar);
    return true;
}
