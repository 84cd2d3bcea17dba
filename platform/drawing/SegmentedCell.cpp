#include "platform/drawing/SegmentedCell.h"

#include "platform/archive/Coder.h"
#include "platform/drawing/BundleImages.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {

const QString SegmentStyleKey = QStringLiteral("NSSegmentStyle");
const QString SegmentsKey = QStringLiteral("NSSegmentImages");
const QString SelectedSegmentKey = QStringLiteral("NSSelectedSegment");

constexpr qreal SegmentPadding = 16.0; // around the content of a segment that sizes itself
constexpr qreal ImageTitleGap = 4.0;

bool isSegmentStyle(int value)
{
    return (value >= 0 && value <= 6) || value == 8;
}

} // namespace

SegmentedCell::SegmentedCell()
{
    setAlignment(Qt::AlignCenter);
}

std::unique_ptr<Cell> SegmentedCell::clone() const
{
    auto copy = std::unique_ptr<SegmentedCell>(new SegmentedCell(*this));
    copy->m_trackedSegment = -1;
    copy->m_releasedSegment = -1;
    return copy;
}

const SegmentedCell::Segment *SegmentedCell::segmentAt(int segment) const
{
    return segment >= 0 && segment < segmentCount() ? &m_segments[segment] : nullptr;
}

SegmentedCell::Segment *SegmentedCell::segmentAt(int segment)
{
    return segment >= 0 && segment < segmentCount() ? &m_segments[segment] : nullptr;
}

void SegmentedCell::setSegmentCount(int count)
{
    count = std::clamp(count, 0, MaximumSegmentCount);
    m_segments.resize(count);
    if (m_selectedSegment >= count)
        setSelectedSegment(-1);
    if (m_trackedSegment >= count)
        m_trackedSegment = -1;
}

QString SegmentedCell::labelForSegment(int segment) const
{
    const Segment *s = segmentAt(segment);
    return s ? s->label : QString();
}

void SegmentedCell::setLabel(const QString &label, int segment)
{
    if (Segment *s = segmentAt(segment))
        s->label = label;
}

QIcon SegmentedCell::imageForSegment(int segment) const
{
    const Segment *s = segmentAt(segment);
    return s ? s->image : QIcon();
}

void SegmentedCell::setImage(const QIcon &image, int segment)
{
    if (Segment *s = segmentAt(segment))
        s->image = image;
}

ImageScaling SegmentedCell::imageScalingForSegment(int segment) const
{
    const Segment *s = segmentAt(segment);
    return s ? s->scaling : ImageScaling::ProportionallyDown;
}

void SegmentedCell::setImageScaling(ImageScaling scaling, int segment)
{
    if (Segment *s = segmentAt(segment))
        s->scaling = scaling;
}

qreal SegmentedCell::widthForSegment(int segment) const
{
    const Segment *s = segmentAt(segment);
    return s ? s->width : 0;
}

void SegmentedCell::setWidth(qreal width, int segment)
{
    if (Segment *s = segmentAt(segment))
        s->width = std::isfinite(width) ? std::max<qreal>(0, width) : 0;
}

bool SegmentedCell::isEnabledForSegment(int segment) const
{
    const Segment *s = segmentAt(segment);
    return s && s->enabled;
}

void SegmentedCell::setEnabled(bool enabled, int segment)
{
    if (Segment *s = segmentAt(segment))
        s->enabled = enabled;
}

int SegmentedCell::tagForSegment(int segment) const
{
    const Segment *s = segmentAt(segment);
    return s ? s->tag : 0;
}

void SegmentedCell::setTag(int tag, int segment)
{
    if (Segment *s = segmentAt(segment))
        s->tag = tag;
}

void SegmentedCell::setSelectedSegment(int segment)
{
    m_selectedSegment = segmentAt(segment) ? segment : -1;
    Cell::setObjectValue(m_selectedSegment);
}

void SegmentedCell::setObjectValue(const QVariant &value)
{
    setSelectedSegment(value.isValid() ? value.toInt() : -1);
}

QRectF SegmentedCell::rectForSegment(int segment, const QRectF &frame) const
{
    if (!segmentAt(segment))
        return QRectF();
    qreal fixed = 0;
    int shared = 0;
    for (const Segment &s : m_segments) {
        if (s.width > 0)
            fixed += s.width;
        else
            ++shared;
    }
    const qreal share = shared > 0 ? std::max<qreal>(0, frame.width() - fixed) / shared : 0;
    qreal x = frame.x();
    for (int i = 0; i < segment; ++i)
        x += m_segments[i].width > 0 ? m_segments[i].width : share;
    const qreal width = m_segments[segment].width > 0 ? m_segments[segment].width : share;
    return QRectF(x, frame.y(), width, frame.height());
}

int SegmentedCell::segmentAtPoint(const QPointF &point, const QRectF &frame) const
{
    if (point.y() < frame.top() || point.y() > frame.bottom())
        return -1;
    for (int i = 0; i < segmentCount(); ++i) {
        const QRectF rect = rectForSegment(i, frame);
        if (point.x() >= rect.left() && point.x() < rect.right())
            return i;
    }
    return -1;
}

void SegmentedCell::drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    for (int i = 0; i < segmentCount(); ++i)
        drawSegment(painter, i, rectForSegment(i, frame), controlView);
}

void SegmentedCell::drawSegment(QPainter &painter, int segment, const QRectF &rect, QWidget *controlView) const
{
    if (!segmentAt(segment) || rect.isEmpty())
        return;
    QStyleOptionButton option;
    initStyleOption(option, rect, controlView);
    option.state &= ~(QStyle::State_On | QStyle::State_Off | QStyle::State_Sunken | QStyle::State_Enabled);
    const bool enabled = isEnabled() && isEnabledForSegment(segment);
    if (enabled)
        option.state |= QStyle::State_Enabled;
    else
        option.palette.setCurrentColorGroup(QPalette::Disabled);
    if (isSelectedForSegment(segment))
        option.state |= QStyle::State_On | QStyle::State_Sunken;
    else if (segment == m_trackedSegment && isHighlighted())
        option.state |= QStyle::State_Sunken;
    else
        option.state |= QStyle::State_Raised;
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::NoBrush);
    styleFor(controlView)->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, controlView);
    painter.restore();
    drawSegmentContent(painter, segment, rect, controlView);
}

void SegmentedCell::drawSegmentContent(QPainter &painter, int segment, const QRectF &rect, QWidget *controlView) const
{
    const Segment &s = m_segments[segment];
    QStyleOptionButton option;
    initStyleOption(option, rect, controlView);
    if (!(isEnabled() && s.enabled)) {
        option.state &= ~QStyle::State_Enabled;
        option.palette.setCurrentColorGroup(QPalette::Disabled);
    }
    option.text = s.label;
    if (!s.image.isNull()) {
        option.icon = s.image;
        QSizeF natural = BundleImages::naturalSize(s.image);
        if (natural.isEmpty())
            natural = QSizeF(16, 16);
        const QRectF area = rect.adjusted(2, 2, -2, -2);
        option.iconSize = scaledImageRect(natural, area, s.scaling).size().toSize();
    }
    painter.save();
    painter.setFont(font());
    styleFor(controlView)->drawControl(QStyle::CE_PushButtonLabel, &option, &painter, controlView);
    painter.restore();
}

QSizeF SegmentedCell::cellSize() const
{
    const QFontMetricsF metrics(font());
    qreal width = 0;
    qreal height = metrics.height() + 8;
    for (const Segment &s : m_segments) {
        if (s.width > 0) {
            width += s.width;
            continue;
        }
        qreal content = metrics.horizontalAdvance(s.label);
        if (!s.image.isNull()) {
            const QSize natural = s.image.actualSize(QSize(16, 16));
            content += natural.width() + (s.label.isEmpty() ? 0 : ImageTitleGap);
            height = std::max(height, qreal(natural.height()) + 6);
        }
        width += content + SegmentPadding;
    }
    return QSizeF(std::ceil(width), std::ceil(height));
}

bool SegmentedCell::startTrackingAt(const QPointF &point, const QRectF &frame, QWidget *controlView)
{
    if (!Cell::startTrackingAt(point, frame, controlView))
        return false;
    const int segment = segmentAtPoint(point, frame);
    m_trackedSegment = isEnabledForSegment(segment) ? segment : -1;
    m_releasedSegment = -1;
    setHighlighted(m_trackedSegment >= 0);
    return m_trackedSegment >= 0;
}

bool SegmentedCell::continueTracking(const QPointF &, const QPointF &current, QWidget *)
{
    setHighlighted(segmentAtPoint(current, m_trackingFrame) == m_trackedSegment);
    return true;
}

void SegmentedCell::stopTracking(const QPointF &, const QPointF &stop, QWidget *, bool mouseIsUp)
{
    if (mouseIsUp && segmentAtPoint(stop, m_trackingFrame) == m_trackedSegment)
        m_releasedSegment = m_trackedSegment;
    m_trackedSegment = -1;
    setHighlighted(false);
    m_trackingFrame = QRectF();
}

void SegmentedCell::activate(QWidget *)
{
    if (m_releasedSegment >= 0 && isEnabled())
        setSelectedSegment(m_releasedSegment);
    m_releasedSegment = -1;
}

void SegmentedCell::encodeWithCoder(Coder &coder) const
{
    Cell::encodeWithCoder(coder);
    if (!coder.allowsKeyedCoding())
        return;
    coder.encodeInt32(static_cast<qint32>(m_segmentStyle), SegmentStyleKey);
    QVariantList segments;
    for (const Segment &s : m_segments)
        segments.append(QVariantMap{{QStringLiteral("label"), s.label},
                                    {QStringLiteral("width"), s.width},
                                    {QStringLiteral("enabled"), s.enabled},
                                    {QStringLiteral("tag"), s.tag},
                                    {QStringLiteral("scaling"), static_cast<int>(s.scaling)}});
    coder.encodeObject(QVariant(segments), SegmentsKey);
    coder.encodeInt32(m_selectedSegment, SelectedSegmentKey);
}

bool SegmentedCell::initWithCoder(Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    const bool hasStyle = coder.containsValueForKey(SegmentStyleKey);
    const qint32 style = coder.decodeInt32(SegmentStyleKey);
    const QVariantList list = coder.decodeObject<QVariantList>(SegmentsKey);
    const qint32 selected = coder.containsValueForKey(SelectedSegmentKey) ? coder.decodeInt32(SelectedSegmentKey) : -1;
    if (!coder.failed() && hasStyle && !isSegmentStyle(style))
        coder.failWithError(QStringLiteral("unknown segment style %1").arg(style));
    if (!coder.failed() && list.size() > MaximumSegmentCount)
        coder.failWithError(QStringLiteral("too many segments: %1").arg(list.size()));
    QList<Segment> segments;
    for (const QVariant &entry : list) {
        if (coder.failed())
            break;
        const QVariantMap map = entry.toMap();
        Segment s;
        s.label = map.value(QStringLiteral("label")).toString();
        const qreal width = map.value(QStringLiteral("width")).toDouble();
        s.width = std::isfinite(width) ? std::max<qreal>(0, width) : 0;
        s.enabled = map.value(QStringLiteral("enabled"), true).toBool();
        s.tag = map.value(QStringLiteral("tag")).toInt();
        const int scaling = map.value(QStringLiteral("scaling")).toInt();
        if (entry.typeId() != QMetaType::QVariantMap || scaling < 0 || scaling > 3) {
            coder.failWithError(QStringLiteral("a segment that is no dictionary of known values"));
            break;
        }
        s.scaling = static_cast<ImageScaling>(scaling);
        segments.append(s);
    }
    if (coder.failed() || !Cell::initWithCoder(coder))
        return false;
    if (hasStyle)
        m_segmentStyle = static_cast<SegmentStyle>(style);
    m_segments = segments;
    m_trackedSegment = -1;
    m_releasedSegment = -1;
    setSelectedSegment(selected);
    return true;
}

} // namespace platform
