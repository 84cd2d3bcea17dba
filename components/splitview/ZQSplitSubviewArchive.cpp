// Keyed archives of split view panes.
#include "components/splitview/ZQSplitSubview.h"

#include "components/splitview/ZQSplitView.h"
#include "platform/archive/Coder.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QChildEvent>
#include <QEvent>

#include <algorithm>
#include <cmath>

namespace {
const double CollapsedMark = 1000000.0;

bool finite(const QRectF &r)
{
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) && std::isfinite(r.height());
}
} // namespace

void ZQSplitSubview::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    // A place or size below zero (a size shows as none; a hidden pane keeps the place
    // a move left it at, which its next layout sets anew) is written as zero: the
    // reader refuses them.
    QRectF frame(std::max(0.0, m_frame.x()), std::max(0.0, m_frame.y()), std::max(0.0, m_frame.width()),
                 std::max(0.0, m_frame.height()));
    if (isCollapsed() && splitView()) {
        frame.translate(CollapsedMark, 0);
        frame.setSize(m_savedSize.expandedTo(QSizeF(0, 0)));
    }
    coder.encodeRect(frame, QStringLiteral("frame"));
    coder.encodeBool(isHiddenPane(), QStringLiteral("hidden"));
    encodeSubviews(coder);
    coder.encodeObject(QVariant(m_identifier), QStringLiteral("identifier"));
    coder.encodeInt32(m_tag, QStringLiteral("tag"));
    coder.encodeDouble(m_minDimension, QStringLiteral("minDimension"));
    coder.encodeDouble(m_maxDimension, QStringLiteral("maxDimension"));
    coder.encodeDouble(m_fraction, QStringLiteral("fraction"));
    coder.encodeBool(m_canCollapse, QStringLiteral("canCollapse"));
}

bool ZQSplitSubview::readPane(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    QRectF frame = coder.decodeRect(QStringLiteral("frame"));
    const bool hidden = coder.decodeBool(QStringLiteral("hidden"));
    const QString identifier = coder.decodeObject<QString>(QStringLiteral("identifier"));
    const qint32 tag = coder.decodeInt32(QStringLiteral("tag"));
    const double minimum = coder.decodeDouble(QStringLiteral("minDimension"));
    const double maximum = coder.decodeDouble(QStringLiteral("maxDimension"));
    const double fraction = coder.decodeDouble(QStringLiteral("fraction"));
    const bool canCollapse = coder.decodeBool(QStringLiteral("canCollapse"));
    // Limits are kept as floats: one finite as a double may not be as a float.
    const double largest = LargestDimension;
    if (coder.failed() || !finite(frame) || frame.x() < 0 || frame.y() < 0 || frame.width() < 0 || frame.height() < 0
        || !std::isfinite(float(minimum)) || !std::isfinite(float(maximum))
        || !std::isfinite(fraction) || std::fabs(frame.x()) > largest + CollapsedMark || std::fabs(frame.y()) > largest
        || std::fabs(frame.width()) > largest || std::fabs(frame.height()) > largest)
        return false;
    m_savedSize = frame.size();
    m_collapseWhenPlaced = frame.x() >= CollapsedMark;
    if (m_collapseWhenPlaced)
        frame.translate(-CollapsedMark, 0);
    setFrame(frame);
    setIdentifier(identifier);
    m_tag = tag;
    // Narrowed to floats and kept in order by the setter.
    setMinDimension(float(minimum), float(maximum));
    // A collapsed pane's share lies within 0…1; an expanded pane's remainder within
    // what its frame may be.
    m_fraction = m_collapseWhenPlaced ? std::clamp(fraction, 0.0, 1.0) : std::clamp(fraction, -1.0e7, 1.0e7);
    m_canCollapse = canCollapse;
    if (hidden)
        ZQ___setHidden(true);
    return true;
}

void ZQSplitSubview::placeIn(QWidget *parent)
{
    if (!parent)
        return;
    // The pane is read without parent, so that every setter acts as it would for a
    // pane on its own; placed now, it collapses (see event()) and its split view lays out.
    setParent(parent);
    if (ZQSplitView *view = splitView())
        view->setMustAdjust();
}

ZQSplitSubview *ZQSplitSubview::fromCoder(platform::Coder &coder, QWidget *parent)
{
    auto *pane = new ZQSplitSubview(QRectF(), nullptr);
    if (!pane->readPane(coder)) {
        delete pane;
        return nullptr;
    }
    pane->placeIn(parent);
    return pane;
}

bool ZQSplitSubview::event(QEvent *event)
try {
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished)
        watchContent(static_cast<QChildEvent *>(event)->child());
    if (event->type() == QEvent::ParentChange && m_collapseWhenPlaced && splitView()) {
        // The split direction is known now: the pane comes back collapsed.
        m_collapseWhenPlaced = false;
        QSizeF size = m_frame.size();
        setSplitSize(size, 0);
        const QSizeF saved = m_savedSize;
        setFrame(QRectF(m_frame.topLeft(), size));
        m_savedSize = saved;
        m_notInLimits = true;
    }
    // A pane read with no size along its split is collapsed: its remainder is the share
    // it comes back with, which lies within 0…1.
    if (event->type() == QEvent::ParentChange && splitView() && ZQ___visibleDimension() <= 0)
        m_fraction = std::clamp(m_fraction, 0.0, 1.0);
    return QWidget::event(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "event");
    return false;
}
