#include "application/tree/TableColumnData.h"

#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentXmlWriter.h"

#include <QXmlStreamAttributes>
#include <QXmlStreamWriter>

template <class Writer>
void TableColumnData::encodeAsXMLElement(Writer &writer) const
{
    writer.writeStartElement(QStringLiteral("tableColumnData"));
    writer.writeAttribute(QStringLiteral("width"), DocumentFileFormat::formatFloat(m_width));
    writer.writeAttribute(QStringLiteral("identifier"), DocumentFileFormat::xmlSafeText(m_identifier));
    writer.writeEndElement();
}

template void TableColumnData::encodeAsXMLElement(QXmlStreamWriter &) const;
template void TableColumnData::encodeAsXMLElement(DocumentXmlWriter &) const;

TableColumnData TableColumnData::fromXMLElementAttributes(const QXmlStreamAttributes &attributes)
{
    TableColumnData column;
    column.m_width = DocumentFileFormat::floatValue(attributes.value(QLatin1String("width")));
    if (attributes.hasAttribute(QLatin1String("identifier")))
        column.m_identifier = attributes.value(QLatin1String("identifier")).toString();
    return column;
}
