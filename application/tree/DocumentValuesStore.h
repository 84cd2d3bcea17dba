#pragma once
// The window state of a document kept inside its file: window frame, description
// pane, inspector drawer and the outline's columns. Plain values: OutlineColumns
// takes them from an outline view and gives them back to one.
#include "application/tree/TableColumnData.h"

#include <QList>
#include <QRectF>
#include <Qt>

class QXmlStreamAttributes;
class QXmlStreamWriter;

class DocumentValuesStore
{
public:
    // The header data role under which an outline's model answers the identifier
    // of a column ("outlineName", …).
    static constexpr int ColumnIdentifierRole = Qt::UserRole + 0x4944;
    // Widths a restore (OutlineColumns::restore) accepts; other stored widths leave
    // the column as it is.
    static constexpr float MaximumColumnWidth = 16384.0f;

    DocumentValuesStore() = default;

    // Whether the store holds values worth applying to the window.
    bool available() const { return m_available; }
    void setAvailable(bool available) { m_available = available; }
    // Kept in single precision, like the file's older form. Also sets available.
    QRectF windowFrame() const { return m_windowFrame; }
    void setWindowFrame(const QRectF &frame);
    // Also sets available.
    bool descriptVisible() const { return m_descriptVisible; }
    void setDescriptVisible(bool visible);
    // Does not touch available.
    bool drawerVisible() const { return m_drawerVisible; }
    void setDrawerVisible(bool visible) { m_drawerVisible = visible; }
    // The outline's columns in display order (empty: none stored). Setting the list
    // does not touch available; storing the columns of an outline view
    // (OutlineColumns::store) does.
    const QList<TableColumnData> &tableColumnArray() const { return m_tableColumnArray; }
    void setTableColumnArray(const QList<TableColumnData> &columns) { m_tableColumnArray = columns; }

    // The "documentValues" element with its "tableColumnArray".
    // Writer: QXmlStreamWriter or DocumentXmlWriter (the same bytes).
    template <class Writer>
    void encodeAsXMLElement(Writer &writer) const;
    // Applies the attributes of a "documentValues" element ("source" is not read).
    void fillWithXMLElementAttributes(const QXmlStreamAttributes &attributes);

private:
    bool m_available = false;
    QRectF m_windowFrame;
    bool m_descriptVisible = false;
    QList<TableColumnData> m_tableColumnArray;
    bool m_drawerVisible = false;
};
