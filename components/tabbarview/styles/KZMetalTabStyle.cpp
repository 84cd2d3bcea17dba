#include "components/tabbarview/styles/KZMetalTabStyle.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZOverflowPopUpButton.h"
#include "components/tabbarview/KZRolloverButton.h"
#include "components/tabbarview/KZTabBarArtwork.h"
#include "components/tabbarview/KZTabBarButtonCell.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabBarViewExtensions.h"
#include "components/tabbarview/styles/KZTabStyleDrawing.h"
#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/drawing/Cell.h"
#include "platform/drawing/Shadow.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/WindowChrome.h"

#include <QPainter>
#include <QPalette>

using namespace KZTabBarViewExtensions;
using namespace KZTabStyleDrawing;
namespace colors = platform::SystemColors;

namespace {

const bool registered = platform::CodingRegistry::registerClass<KZMetalTabStyle>(QStringLiteral("KZMetalTabStyle"));

const QStringList ImageKeys = {QStringLiteral("metalCloseButton"),      QStringLiteral("metalCloseButtonDown"),
                               QStringLiteral("metalCloseButtonOver"),  QStringLiteral("metalCloseDirtyButton"),
                               QStringLiteral("metalCloseDirtyButtonDown"), QStringLiteral("metalCloseDirtyButtonOver")};

// Lines in the platform's default stroke: one point wide, no anti-aliasing.
void strokeLines(QPainter &painter, const QList<QLineF> &lines)
{
    KZTabStyleDrawing::strokeLines(painter, colors::darkGrayColor(), lines);
}

} // namespace

KZMetalTabStyle::KZMetalTabStyle()
    : m_closeButton(KZTabBarArtwork::imageNamed(QStringLiteral("TabClose_Front")))
    , m_closeButtonDown(KZTabBarArtwork::imageNamed(QStringLiteral("TabClose_Front_Pressed")))
    , m_closeButtonOver(KZTabBarArtwork::imageNamed(QStringLiteral("TabClose_Front_Rollover")))
    , m_closeDirtyButton(KZTabBarArtwork::imageNamed(QStringLiteral("TabClose_Dirty")))
    , m_closeDirtyButtonDown(KZTabBarArtwork::imageNamed(QStringLiteral("TabClose_Dirty_Pressed")))
    , m_closeDirtyButtonOver(KZTabBarArtwork::imageNamed(QStringLiteral("TabClose_Dirty_Rollover")))
{
    buildObjectCountAttributes();
}

KZMetalTabStyle::~KZMetalTabStyle()
{
    Q_UNUSED(registered);
}

void KZMetalTabStyle::buildObjectCountAttributes()
{
    QFont font(QStringLiteral("Helvetica"));
    font.setPixelSize(11);
    font.setBold(true);
    m_objectCountAttributes.font = font;
    m_objectCountAttributes.color = colors::calibratedWhite(1.0, 0.85);
}

void KZMetalTabStyle::encodeWithCoder(platform::Coder &coder) const
{
    encodeImages(coder,
                 {&m_closeButton, &m_closeButtonDown, &m_closeButtonOver, &m_closeDirtyButton, &m_closeDirtyButtonDown,
                  &m_closeDirtyButtonOver},
                 ImageKeys);
}

bool KZMetalTabStyle::initWithCoder(platform::Coder &coder)
{
    QList<QIcon *> images = {&m_closeButton,      &m_closeButtonDown,      &m_closeButtonOver,
                             &m_closeDirtyButton, &m_closeDirtyButtonDown, &m_closeDirtyButtonOver};
    if (!coder.allowsKeyedCoding()) {
        for (QIcon *image : images)
            *image = QIcon();
        return true;
    }
    if (!decodeImages(coder, images, ImageKeys))
        return false;
    buildObjectCountAttributes();
    return true;
}

std::optional<qreal> KZMetalTabStyle::leftMarginForTabBarView(KZTabBarView *bar)
{
    return horizontalMargin(bar, 10.0);
}

std::optional<qreal> KZMetalTabStyle::rightMarginForTabBarView(KZTabBarView *bar)
{
    return horizontalMargin(bar, 10.0);
}

std::optional<qreal> KZMetalTabStyle::topMarginForTabBarView(KZTabBarView *bar)
{
    return isVertical(bar) ? 10.0 : 0.0;
}

bool KZMetalTabStyle::updateAddButton(KZRolloverButton *button, KZTabBarView *)
{
    if (!button)
        return true;
    static const QIcon image = KZTabBarArtwork::imageNamed(QStringLiteral("TabNewMetal"));
    static const QIcon pressed = KZTabBarArtwork::imageNamed(QStringLiteral("TabNewMetalPressed"));
    static const QIcon rollover = KZTabBarArtwork::imageNamed(QStringLiteral("TabNewMetalRollover"));
    button->setImage(image);
    button->setAlternateImage(pressed);
    button->setRolloverImage(rollover);
    return true;
}

std::optional<QIcon> KZMetalTabStyle::closeButtonImageOfType(unsigned type, const KZTabBarButtonCell &)
{
    return closeImageOfType({m_closeButton, m_closeButtonOver, m_closeButtonDown, m_closeDirtyButton,
                             m_closeDirtyButtonOver, m_closeDirtyButtonDown},
                            type);
}

std::optional<KZAttributedString> KZMetalTabStyle::attributedStringValueForTabCell(const KZTabBarButtonCell &cell)
{
    KZAttributedString text;
    text.string = cell.title();
    QFont font = platform::Cell::systemFontForControlSize(platform::Cell::ControlSize::Small);
    font.setBold(true);
    text.attributes.font = font;
    text.attributes.color = colors::withAlpha(colors::controlTextColor(), 0.75);
    const bool bright = cell.state() == platform::Cell::State::On || cell.mouseHovered();
    text.attributes.shadow = platform::Shadow(QSizeF(0, -1.0), 1.0, colors::calibratedWhite(1.0, bright ? 0.8 : 0.5));
    return text;
}

std::optional<KZAttributedString> KZMetalTabStyle::attributedObjectCountStringValueForTabCell(const KZTabBarButtonCell &cell)
{
    KZAttributedString text;
    text.string = QString::number(static_cast<unsigned long>(static_cast<unsigned>(cell.objectCount())));
    text.attributes = m_objectCountAttributes;
    return text;
}

std::optional<QRectF> KZMetalTabStyle::drawingRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell)
{
    const bool horizontal = !isVertical(cell.tabBarView());
    if (horizontal && cell.state() == platform::Cell::State::On) {
        QRectF rect = bounds.adjusted(6.0, 0.0, -6.0, 0.0);
        rect.translate(0, 1.0);
        rect.setHeight(rect.height() - 5.0);
        return rect;
    }
    QRectF rect = bounds.adjusted(6.0, 3.0, -6.0, -3.0);
    rect.setHeight(rect.height() - 1.0);
    return rect;
}

std::optional<QRectF> KZMetalTabStyle::draggingRectForTabButton(KZAttachedTabBarButton *button, KZTabBarView *bar)
{
    return metalDraggingRect(button, bar);
}

QRectF KZMetalTabStyle::metalDraggingRect(KZAttachedTabBarButton *button, KZTabBarView *bar)
{
    QRectF rect = button ? button->stackingFrame() : QRectF();
    rect.setWidth(rect.width() + 1.0);
    const bool vertical = isVertical(bar);
    const bool selected = button && button->state() == platform::Cell::State::On;
    if (selected) {
        if (vertical) {
            // Up by one point in y-up terms: the rectangle grows at its top.
            rect.setHeight(rect.height() + 1.0);
            rect.translate(2.0, -1.0);
            rect.setWidth(rect.width() - 3.0);
        } else {
            rect.setHeight(rect.height() - 2.0);
        }
    } else if (vertical) {
        rect.translate(-1.0, 0);
    }
    return rect;
}

bool KZMetalTabStyle::shouldDrawHorizontalTopBorderLineInView(const QWidget *view)
{
    return platform::WindowChrome::toolbar(view) && platform::WindowChrome::isToolbarVisible(view)
        && !platform::WindowChrome::toolbarShowsBaselineSeparator(view);
}

bool KZMetalTabStyle::drawBezelOfTabBarView(KZTabBarView *bar, QPainter &painter, const QRectF &)
{
    if (!bar)
        return true;
    const QRectF bounds(bar->rect());
    const bool vertical = isVertical(bar);
    if (vertical && bar->width() < 2.0)
        return true;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    wash(painter, bounds, bar->isWindowActive() ? 0.2 : 0.1);
    const qreal x = bounds.x(), y = bounds.y(), w = bounds.width(), h = bounds.height();
    QList<QLineF> lines;
    if (vertical) {
        lines << QLineF(x, y + 0.5, x, y + h + 0.5) << QLineF(x + w, y + 0.5, x + w, y + h + 0.5);
    } else {
        if (shouldDrawHorizontalTopBorderLineInView(bar))
            lines << QLineF(x, y + 0.5, x + w, y + 0.5);
        lines << QLineF(x, y + h - 0.5, x + w, y + h - 0.5);
    }
    strokeLines(painter, lines);
    painter.restore();
    return true;
}

bool KZMetalTabStyle::drawBezelOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame,
                                          QWidget *view)
{
    auto *button = qobject_cast<KZAttachedTabBarButton *>(view);
    if (!button)
        return true;
    KZTabBarView *bar = button->tabBarView();
    const bool vertical = isVertical(bar);
    const bool overflow = button->isOverflowButton() && !button->isSliding();
    const bool selected = cell.state() == platform::Cell::State::On;
    const qreal x = frame.x(), y = frame.y(), w = frame.width(), h = frame.height();
    QRectF rect;
    unsigned mask = 0;
    if (selected && vertical) {
        rect = QRectF(x + 2.5, y + 0.5, w - 2.5, h - 1.0);
        mask = KZCapLeft;
    } else if (selected && overflow) {
        rect = QRectF(x + 0.5, y, w - 0.5, h - 2.5);
        mask = KZCapLeft | KZCapFlipVertical;
    } else if (selected) {
        rect = QRectF(x + 0.5, y, w - 1.0, h - 2.5);
        mask = 0x100F;
    } else if (overflow) {
        rect = QRectF(x + 0.5, y + 0.5, w - 0.5, h - 1.0);
        mask = 0x1001;
    } else {
        rect = QRectF(x + 0.5, y + 0.5, w - 1.0, h - 1.0);
        mask = 0x100F;
    }
    painter.save();
    drawBezelInRect(painter, rect, mask, button, bar);
    painter.restore();
    return true;
}

void KZMetalTabStyle::drawBezelInRect(QPainter &painter, const QRectF &rect, unsigned capMask,
                                      KZAttachedTabBarButton *button, KZTabBarView *bar) const
{
    if (!button)
        return;
    painter.save();
    const bool vertical = isVertical(bar);
    const bool selected = button->state() == platform::Cell::State::On;
    const QColor line = colors::darkGrayColor();
    if (selected) {
        const QPainterPath fill = vertical ? bezierPathWithRoundedRect(rect, 5.0, capMask | KZCapDrawSides)
                                           : bezierPathWithCardInRect(rect, 3.0, capMask | KZCapDrawSides);
        const QPainterPath outline = vertical ? bezierPathWithRoundedRect(rect, 5.0, capMask & ~KZCapDrawSides)
                                              : bezierPathWithCardInRect(rect, 3.0, capMask & ~KZCapDrawSides);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(fill, windowBackgroundColor());
        painter.strokePath(outline, QPen(line, 1.0));
        painter.restore();
        return;
    }
    if (button->mouseHovered())
        wash(painter, rect, 0.1);
    const unsigned state = button->tabState();
    const bool trailing = showsTrailingDivider(button);
    const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    QList<QLineF> lines;
    if (!vertical) {
        if (shouldDrawHorizontalTopBorderLineInView(button))
            lines << QLineF(x, y, x + w, y);
        if (trailing)
            lines << QLineF(x + w, y, x + w, y + h);
        if (button->shouldDisplayLeftDivider())
            lines << QLineF(x, y, x, y + h);
    } else {
        if (button->shouldDisplayLeftDivider() || (state & KZTabBarView::KZTabStateFirst))
            lines << QLineF(x, y, x + w, y);
        if (trailing)
            lines << QLineF(x, y + h, x + w, y + h);
    }
    strokeLines(painter, lines);
    painter.restore();
}

bool KZMetalTabStyle::drawBezelOfOverflowButton(KZOverflowPopUpButton *button, KZTabBarView *bar, QPainter &painter,
                                                 const QRectF &)
{
    KZAttachedTabBarButton *last = bar ? bar->lastAttachedButton() : nullptr;
    if (!last || last->isSliding())
        return true;
    const QRectF frame = button ? QRectF(button->geometry()) : QRectF();
    if (isVertical(bar))
        return true;
    const qreal x = frame.x(), y = frame.y(), w = frame.width(), h = frame.height();
    if (last->state() == platform::Cell::State::On) {
        drawBezelInRect(painter, QRectF(x, y, w + 4.5, h - 2.5), KZCapRight | KZCapFlipVertical, last, bar);
        return true;
    }
    const QRectF rect(x, y + 0.5, w + 4.5, h - 1.0);
    if (last->mouseHovered())
        wash(painter, rect, 0.1);
    if (bar->showAddTabButton())
        strokeLines(painter, {QLineF(x + w + 4.5, y + 0.5, x + w + 4.5, y + h - 0.5)});
    return true;
}
