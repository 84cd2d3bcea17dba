#include "platform/drawing/CursorRects.h"

#include <QWidget>

namespace platform {

void CursorRects::add(const QRectF &rect, const QCursor &cursor)
{
    if (!rect.isEmpty())
        m_rects.append({rect, cursor});
}

const QCursor *CursorRects::cursorAt(const QPointF &point) const
{
    for (const auto &entry : m_rects) {
        const QRectF &r = entry.first;
        if (point.x() >= r.left() && point.x() < r.right() && point.y() >= r.top() && point.y() < r.bottom())
            return &entry.second;
    }
    return nullptr;
}

void CursorRects::apply(QWidget *widget, const QPointF &point) const
{
    if (!widget)
        return;
    if (const QCursor *cursor = cursorAt(point))
        widget->setCursor(*cursor);
    else
        widget->unsetCursor();
}

} // namespace platform
