#pragma once
// What a drag destination learns about the drag over it: the data (MIME formats; a
// pasteboard type "name" is the format "application/x-name"), the pointer in screen
// coordinates, the operations the source allows, and whether the drag is one of this
// process's own DragSession drags. Only session() tells an in-process drag from a drag
// of another program: a foreign drag may carry any format, including private ones, so
// receivers that trust the drag's objects ask session() (and its localObject()), never
// the format alone.
//
// A value handed to the destination for the length of one call; it refers to the
// session and the data without owning them. GUI thread only; no failure cases (a null
// widget maps to the screen point unchanged).
#include <QMimeData>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <QWidget>

namespace platform {

class DragSession;

class DragInfo
{
public:
    DragInfo(const QMimeData *data, QPoint screenLocation, Qt::DropActions sourceOperations,
             DragSession *session = nullptr)
        : m_data(data), m_location(screenLocation), m_operations(sourceOperations), m_session(session)
    {
    }

    // "application/x-" + name: the MIME format of a pasteboard type.
    static QString formatForPasteboardType(const QString &name) { return QStringLiteral("application/x-") + name; }

    const QMimeData *mimeData() const { return m_data; }
    bool hasPasteboardType(const QString &name) const
    {
        return m_data && m_data->hasFormat(formatForPasteboardType(name));
    }
    QPoint screenLocation() const { return m_location; }
    QPointF locationIn(const QWidget *widget) const
    {
        return widget ? QPointF(widget->mapFromGlobal(m_location)) : QPointF(m_location);
    }
    Qt::DropActions sourceOperationMask() const { return m_operations; }
    // The in-process session, or null for a drag of another program.
    DragSession *session() const { return m_session; }

private:
    const QMimeData *m_data;
    QPoint m_location;
    Qt::DropActions m_operations;
    DragSession *m_session;
};

} // namespace platform
