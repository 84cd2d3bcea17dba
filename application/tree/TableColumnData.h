#pragma once
// One outline column of a document's stored window state: its identifier and width.
#include <QString>

class QXmlStreamAttributes;
class QXmlStreamWriter;

class TableColumnData
{
public:
    TableColumnData() = default;
    TableColumnData(QString identifier, float width) : m_width(width), m_identifier(std::move(identifier)) {}

    float width() const { return m_width; }
    void setWidth(float width) { m_width = width; }
    // Null when the column has no identifier.
    const QString &identifier() const { return m_identifier; }
    void setIdentifier(const QString &identifier) { m_identifier = identifier; }

    // The "tableColumnData" element with "width" and "identifier".
    // Writer: QXmlStreamWriter or DocumentXmlWriter (the same bytes).
    template <class Writer>
    void encodeAsXMLElement(Writer &writer) const;
    // A column from such an element's attributes (missing ones read as 0 and none).
    static TableColumnData fromXMLElementAttributes(const QXmlStreamAttributes &attributes);

    friend bool operator==(const TableColumnData &a, const TableColumnData &b)
    {
        return a.m_width == b.m_width && a.m_identifier == b.m_identifier;
    }

private:
    float m_width = 0.0f;
    QString m_identifier;
};
