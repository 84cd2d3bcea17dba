#include "application/tree/TableColumnData.h"

#include "application/tree/DocumentFileFormat.h"

#include <QXmlStreamAttributes>
#include <QXmlStreamWriter>

void TableColumnData::encodeAsXMLElement(QXmlStreamWriter &writer) const
{
    writer.writeStartElement(QStringLiteral("tableColumnData"));
    writer.writeAttribute(QStringLiteral("width"), DocumentFileFormat::formatFloat(m_width));
    writer.writeAttribute(QStringLiteral("identifier"), DocumentFileFormat::xmlSafeText(m_identifier));
    writer.writeEndElement();
}

TableColumnData TableColumnData::fromXMLElementAttributes(const QXmlStreamAttributes &attributes)
{
    TableColumnData column;
    column.m_width = DocumentFileFormat::floatValue(attributes.value(QLatin1String("width")));
    if (attributes.hasAttribute(QLatin1String("identifier")))
        column.m_identifier = attributes.value(QLatin1String("identifier")).toString();
    return column;
}
