#include "NTXAppKit/NTXContainerBox/NTXCenteringClipView.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QEvent>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace {

// The nearest whole number, halves away from zero.
qreal whole(qreal value)
{
    return std::round(value);
}

} // namespace

NTXCenteringClipView::NTXCenteringClipView(QWidget *parent)
    : QScrollArea(parent)
{
}

void NTXCenteringClipView::setDocumentView(QWidget *view)
{
    setWidget(view);
    centerDocument();
}

void NTXCenteringClipView::centerDocument()
{
    const QWidget *document = widget();
    if (!document)
        return;
    const QSizeF d = document->size();
    const QSizeF c = viewport()->size();
    QPointF origin = m_origin;
    if (c.width() > d.width())
        origin.setX(whole((d.width() - c.width()) * 0.5));
    if (c.height() > d.height())
        origin.setY(whole((d.height() - c.height()) * 0.5));
    scrollToPoint(origin);
}

QPointF NTXCenteringClipView::constrainScrollPoint(const QPointF &proposed) const
{
    const QWidget *document = widget();
    if (!document)
        return proposed;
    const QSizeF d = document->size();
    const QSizeF c = viewport()->size();
    auto axis = [](qreal proposedValue, qreal documentExtent, qreal clipExtent) {
        if (clipExtent > documentExtent)
            return whole((documentExtent - clipExtent) * 0.5);
        return whole(std::max(std::min(proposedValue, documentExtent - clipExtent), 0.0));
    };
    return QPointF(axis(proposed.x(), d.width(), c.width()), axis(proposed.y(), d.height(), c.height()));
}

void NTXCenteringClipView::scrollToPoint(const QPointF &point)
{
    m_origin = point;
    placeDocument();
}

void NTXCenteringClipView::placeDocument()
{
    QWidget *document = widget();
    if (!document || m_placing)
        return;
    m_placing = true;
    // the scroll bars follow where the document is larger; their own placing of the
    // document is undone below
    if (m_origin.x() >= 0)
        horizontalScrollBar()->setValue(int(m_origin.x()));
    if (m_origin.y() >= 0)
        verticalScrollBar()->setValue(int(m_origin.y()));
    document->move(int(-m_origin.x()), int(-m_origin.y()));
    m_placing = false;
}

void NTXCenteringClipView::resizeEvent(QResizeEvent *event)
try {
    QScrollArea::resizeEvent(event);
    centerDocument();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

void NTXCenteringClipView::scrollContentsBy(int dx, int dy)
{
    QScrollArea::scrollContentsBy(dx, dy);
    if (m_placing)
        return;
    const QWidget *document = widget();
    if (document && viewport()->width() <= document->width())
        m_origin.setX(horizontalScrollBar()->value());
    if (document && viewport()->height() <= document->height())
        m_origin.setY(verticalScrollBar()->value());
    centerDocument();
}

bool NTXCenteringClipView::eventFilter(QObject *watched, QEvent *event)
try {
    const bool result = QScrollArea::eventFilter(watched, event);
    if (watched == widget() && event->type() == QEvent::Resize && !m_placing)
        centerDocument();
    return result;
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}
