#include "NTXAppKit/NTXThemeManager/NTXTSegmentedCell.h"

#include "NTXAppKit/NTXThemeManager/NTXThemeManager.h"
#include "NTXAppKit/NTXThemeManager/NTXThemedButtonDrawing.h"
#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/drawing/BezierPathHelpers.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace {

const bool registeredForCoding =
    platform::CodingRegistry::registerClass<NTXTSegmentedCell>(QStringLiteral("NTXTSegmentedCell"));

QSizeF naturalSize(const QIcon &icon)
{
    QSize largest;
    for (const QSize &size : icon.availableSizes())
        if (size.width() * size.height() > largest.width() * largest.height())
            largest = size;
    if (largest.isEmpty())
        largest = icon.actualSize(QSize(256, 256));
    return QSizeF(largest);
}

} // namespace

std::unique_ptr<platform::Cell> NTXTSegmentedCell::clone() const
{
    return std::unique_ptr<platform::Cell>(new NTXTSegmentedCell(*this));
}

std::shared_ptr<const NTXTheme> NTXTSegmentedCell::theme() const
{
    return NTXThemeManager::sharedThemeManager().themeForKey(m_themeKey);
}

void NTXTSegmentedCell::setSegmentStyle(SegmentStyle style)
{
    if (style == SegmentStyle::Rounded || style == SegmentStyle::SmallSquare) {
        SegmentedCell::setSegmentStyle(style);
        return;
    }
    qWarning("Warning: unsupported segment style for:%s", "NTXTSegmentedCell");
}

bool NTXTSegmentedCell::hasText() const
{
    for (int i = 0; i < segmentCount(); ++i)
        if (!labelForSegment(i).isEmpty())
            return true;
    return false;
}

QRectF NTXTSegmentedCell::drawingRectForBounds(const QRectF &bounds) const
{
    QRectF rect = SegmentedCell::drawingRectForBounds(bounds);
    const auto found = theme();
    if (found && found->applyShadows())
        rect = QRectF(rect.x() + 1.5, rect.y() + 0.5, rect.width() - 3, rect.height() - 3);
    return rect;
}

void NTXTSegmentedCell::drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    const auto found = theme();
    if (!found) {
        SegmentedCell::drawWithFrame(painter, frame, controlView);
        return;
    }
    const QRectF d = drawingRectForBounds(frame);
    QPainterPath body;
    if (segmentStyle() == SegmentStyle::Rounded)
        body.addRoundedRect(d, 4, 4);
    else
        body.addRect(d);
    const auto outline = found->strokeColorForStateMask(0);
    if (!outline)
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    auto stroke = [&](QPainter &p) { p.strokePath(body, QPen(*outline, 1.0)); };
    const auto shadow = isEnabled() && found->applyShadows() ? found->dropShadowForBackgroundStyle(backgroundStyle())
                                                              : std::nullopt;
    if (shadow)
        shadow->drawWithShadow(painter, d.adjusted(-4, -4, 4, 4), stroke);
    else
        stroke(painter);
    painter.setClipPath(body, Qt::IntersectClip);
    for (int i = 0; i < segmentCount(); ++i)
        drawSegment(painter, i, rectForSegment(i, frame).intersected(d), controlView);
}

void NTXTSegmentedCell::drawSegment(QPainter &painter, int segment, const QRectF &rect, QWidget *controlView) const
{
    const auto found = theme();
    if (!found) {
        SegmentedCell::drawSegment(painter, segment, rect, controlView);
        return;
    }
    const unsigned mask =
        !isEnabled() ? NTXTheme::StateDisabled : (segment == selectedSegment() ? NTXTheme::StateHighlighted : 0);
    if (const auto gradient = found->gradientForStateMask(mask)) {
        QPainterPath path;
        path.addRect(rect);
        gradient->drawInBezierPath(painter, path, 90);
    }
    const auto separator = found->strokeColorForStateMask(0);
    if (separator && segment != segmentCount() - 1) {
        painter.save();
        painter.setPen(QPen(*separator, 1.0));
        painter.drawLine(QPointF(rect.right(), rect.top()), QPointF(rect.right(), rect.bottom()));
        painter.restore();
    }
    drawInteriorForSegment(painter, segment, rect);
}

void NTXTSegmentedCell::drawInteriorForSegment(QPainter &painter, int segment, const QRectF &s) const
{
    const auto found = theme();
    if (!found)
        return;
    const unsigned mask = (isEnabled() ? 0u : NTXTheme::StateDisabled) + (isHighlighted() ? NTXTheme::StateHighlighted : 0u);
    const qreal alpha = found->alphaValueForStateMask(mask);
    const QString label = labelForSegment(segment);
    const QFont font = systemFontForControlSize(controlSize());
    const QFontMetricsF metrics(font);
    const QSizeF t(metrics.horizontalAdvance(label), metrics.height());
    const QColor textColor = found->textColorForBackgroundStyle(backgroundStyle(), mask).value_or(QColor());

    const QIcon image = imageForSegment(segment);
    QSizeF m = image.isNull() ? QSizeF() : naturalSize(image);
    if (!image.isNull() && imageScalingForSegment(segment) == platform::ImageScaling::ProportionallyDown && m.height() > 0) {
        const qreal height = s.height() - 4;
        m = QSizeF(m.width() * height / m.height(), height);
    }
    auto drawLabel = [&](const QRectF &rect) {
        painter.save();
        painter.setFont(font);
        painter.setPen(textColor);
        painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, label);
        painter.restore();
    };
    auto drawImage = [&](const QRectF &rect) {
        NTXThemedButtonDrawing::drawStretchedImage(painter, image, rect, alpha, QPainter::CompositionMode_SourceAtop);
    };
    if (!image.isNull() && !label.isEmpty()) {
        const QRectF imageRect(s.x() + s.width() / 2 - (t.width() + m.width() + 5) / 2,
                               s.y() + s.height() / 2 - m.height() / 2, m.width(), m.height());
        const QRectF titleRect(imageRect.x() + m.width() + 5, s.y() + s.height() / 2 - t.height() / 2, t.width(),
                               t.height());
        drawImage(imageRect);
        drawLabel(titleRect);
    } else if (!image.isNull()) {
        drawImage(QRectF(s.x() + (s.width() - m.width()) / 2, s.y() + (s.height() - m.height()) / 2, m.width(),
                         m.height()));
    } else {
        const qreal x = std::max<qreal>(3.0, s.x() + (s.width() - t.width()) / 2);
        drawLabel(QRectF(x, s.y() + (s.height() - t.height()) / 2, t.width(), t.height()));
    }
}

QString NTXTSegmentedCell::classNameForCoder() const
{
    return QStringLiteral("NTXTSegmentedCell");
}

void NTXTSegmentedCell::encodeWithCoder(platform::Coder &coder) const
{
    SegmentedCell::encodeWithCoder(coder);
    if (coder.allowsKeyedCoding() && !m_themeKey.isNull())
        coder.encodeObject(QVariant(m_themeKey), NTXThemeArchiveKeys::ThemeKey);
}

bool NTXTSegmentedCell::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    const QString key = coder.containsValueForKey(NTXThemeArchiveKeys::ThemeKey)
        ? coder.decodeObject<QString>(NTXThemeArchiveKeys::ThemeKey)
        : QString();
    if (coder.failed() || !SegmentedCell::initWithCoder(coder))
        return false;
    m_themeKey = key;
    return true;
}
