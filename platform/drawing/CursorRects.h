#pragma once
// Cursor rectangles of a widget: rectangles (widget coordinates) with the cursor the
// pointer shows over them, applied as the pointer moves over the widget (the widget
// needs mouse tracking). The first rectangle that holds the pointer wins; outside
// all of them the widget's cursor is unset. Value type; main thread only.
#include <QCursor>
#include <QList>
#include <QPointF>
#include <QRectF>

class QWidget;

namespace platform {

class CursorRects
{
public:
    void clear() { m_rects.clear(); }
    void add(const QRectF &rect, const QCursor &cursor);
    bool isEmpty() const { return m_rects.isEmpty(); }
    int count() const { return int(m_rects.size()); }
    QRectF rectAt(int i) const { return m_rects.at(i).first; }
    // The cursor for a point, or none.
    const QCursor *cursorAt(const QPointF &point) const;
    // Sets or unsets the widget's cursor for the pointer at point.
    void apply(QWidget *widget, const QPointF &point) const;

private:
    QList<QPair<QRectF, QCursor>> m_rects;
};

} // namespace platform
