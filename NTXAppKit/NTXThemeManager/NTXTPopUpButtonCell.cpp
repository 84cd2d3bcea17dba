#include "NTXAppKit/NTXThemeManager/NTXTPopUpButtonCell.h"

#include "NTXAppKit/NTXThemeManager/NTXThemeManager.h"
#include "NTXAppKit/NTXThemeManager/NTXThemedButtonDrawing.h"
#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidget>

namespace {

const bool registeredForCoding =
    platform::CodingRegistry::registerClass<NTXTPopUpButtonCell>(QStringLiteral("NTXTPopUpButtonCell"));

using namespace NTXThemedButtonDrawing;

struct ArrowMetrics
{
    qreal borderedWidth;
    qreal borderlessWidth;
    qreal pullDownHalfWidth;
    qreal pullDownHalfHeight;
    qreal popUpHalfWidth;
    qreal popUpGapHalfHeight;
};

ArrowMetrics arrowMetrics(platform::Cell::ControlSize size)
{
    switch (size) {
    case platform::Cell::ControlSize::Small:
        return {18, 8, 3.5, 2.5, 2.5, 2.0};
    case platform::Cell::ControlSize::Mini:
        return {15, 5, 2.5, 1.5, 2.0, 1.5};
    default:
        return {21, 11, 3.5, 2.5, 2.5, 2.0};
    }
}

} // namespace

NTXTPopUpButtonCell::NTXTPopUpButtonCell(const QString &title, bool pullsDown)
    : PopUpButtonCell(title, pullsDown)
{
    setHighlightsBy(ChangeGrayCellMask | ChangeBackgroundCellMask);
}

std::unique_ptr<platform::Cell> NTXTPopUpButtonCell::clone() const
{
    auto copy = std::unique_ptr<NTXTPopUpButtonCell>(new NTXTPopUpButtonCell(*this));
    copy->m_borderSideMask = 0;
    return copy;
}

std::shared_ptr<const NTXTheme> NTXTPopUpButtonCell::theme() const
{
    return NTXThemeManager::sharedThemeManager().themeForKey(m_themeKey);
}

void NTXTPopUpButtonCell::drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    if (!theme()) {
        PopUpButtonCell::drawBezelWithFrame(painter, frame, controlView);
        return;
    }
    if (isHighlighted() && highlightsByChangingBackground(*this))
        drawHighlightedBackground(painter, cellMask(*this), frame, controlView);
}

void NTXTPopUpButtonCell::drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    const auto found = theme();
    if (!found) {
        PopUpButtonCell::drawInteriorWithFrame(painter, frame, controlView);
        return;
    }
    const unsigned mask = cellMask(*this);
    const QRectF drawingRect = drawingRectForBounds(frame);
    if (isHighlighted() && !isBordered() && highlightsByChangingBackground(*this))
        drawHighlightedBackground(painter, mask, frame, controlView);
    drawImage(painter, image(), frame, controlView);
    if (imagePosition() != ImagePosition::ImageOnly)
        drawTitle(painter, title(), QColor(), frame, controlView);
    drawBorderSides(*found, mask, m_borderSideMask, painter, drawingRect);
}

void NTXTPopUpButtonCell::drawImage(QPainter &painter, const QIcon &image, const QRectF &frame,
                                    QWidget *controlView) const
{
    if (!theme()) {
        PopUpButtonCell::drawImage(painter, image, frame, controlView);
        return;
    }
    NTXThemedButtonDrawing::drawImage(*this, m_highlightBackgroundMode, painter, image, frame, controlView);
}

QRectF NTXTPopUpButtonCell::imageRectForBounds(const QRectF &bounds) const
{
    return NTXThemedButtonDrawing::imageRectForBounds(*this, m_highlightBackgroundMode, bounds);
}

void NTXTPopUpButtonCell::drawHighlightedBackground(QPainter &painter, unsigned mask, const QRectF &frame,
                                                    QWidget *controlView) const
{
    const auto found = theme();
    if (!found) {
        PopUpButtonCell::drawInteriorWithFrame(painter, frame, controlView);
        return;
    }
    NTXThemedButtonDrawing::drawHighlightedBackground(*this, *found, m_highlightBackgroundMode, mask, image(), painter,
                                                      frame, controlView);
}

qreal NTXTPopUpButtonCell::arrowAreaWidth() const
{
    const ArrowMetrics metrics = arrowMetrics(controlSize());
    return isBordered() ? metrics.borderedWidth : metrics.borderlessWidth;
}

void NTXTPopUpButtonCell::drawArrowsInRect(QPainter &painter, const QRectF &rect, QWidget *controlView) const
{
    const auto found = theme();
    if (!found)
        return;
    unsigned mask = cellMask(*this);
    if (!controlView || !controlView->isActiveWindow())
        mask |= NTXTheme::StateInactive;
    const BackgroundStyle style = backgroundStyle();
    const ArrowMetrics metrics = arrowMetrics(controlSize());
    const qreal width = arrowAreaWidth();
    const qreal cx = rect.x() + rect.width() - width + width / 2;
    const qreal cy = rect.y() + rect.height() / 2;
    auto fillTriangle = [&](const QPointF &a, const QPointF &b, const QPointF &c) {
        const auto color = found->textColorForBackgroundStyle(style, mask);
        if (!color)
            return;
        QPainterPath path(a);
        path.lineTo(b);
        path.lineTo(c);
        path.closeSubpath();
        painter.fillPath(path, *color);
    };
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (pullsDown()) {
        const qreal b = metrics.pullDownHalfWidth;
        const qreal c = metrics.pullDownHalfHeight;
        fillTriangle({cx - b, cy - c}, {cx + b, cy - c}, {cx, cy + c});
    } else {
        const qreal d = metrics.popUpHalfWidth;
        const qreal a = metrics.popUpGapHalfHeight;
        fillTriangle({cx - d, cy - a}, {cx + d, cy - a}, {cx, cy - (2 * a + 2)});
        fillTriangle({cx - d, cy + a}, {cx + d, cy + a}, {cx, cy + (2 * a + 2)});
    }
    painter.restore();
}

QString NTXTPopUpButtonCell::classNameForCoder() const
{
    return QStringLiteral("NTXTPopUpButtonCell");
}

void NTXTPopUpButtonCell::encodeWithCoder(platform::Coder &coder) const
{
    PopUpButtonCell::encodeWithCoder(coder);
    if (!coder.allowsKeyedCoding())
        return;
    if (!m_themeKey.isNull())
        coder.encodeObject(QVariant(m_themeKey), NTXThemeArchiveKeys::ThemeKey);
    coder.encodeInt32(static_cast<qint32>(m_highlightBackgroundMode), NTXThemeArchiveKeys::HighlightBackgroundMode);
}

bool NTXTPopUpButtonCell::initWithCoder(platform::Coder &coder)
{
    namespace Keys = NTXThemeArchiveKeys;
    if (!coder.allowsKeyedCoding())
        return false;
    const QString key =
        coder.containsValueForKey(Keys::ThemeKey) ? coder.decodeObject<QString>(Keys::ThemeKey) : QString();
    const qint32 highlight = coder.containsValueForKey(Keys::HighlightBackgroundMode)
        ? coder.decodeInt32(Keys::HighlightBackgroundMode)
        : 0;
    if (coder.failed() || !PopUpButtonCell::initWithCoder(coder))
        return false;
    m_themeKey = key;
    m_highlightBackgroundMode = static_cast<unsigned>(highlight);
    if (!isBordered() && !highlightsByChangingBackground(*this))
        setHighlightsBy(highlightsBy() | ChangeBackgroundCellMask);
    return true;
}
