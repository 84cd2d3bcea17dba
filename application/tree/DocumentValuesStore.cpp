#include "application/tree/DocumentValuesStore.h"

#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentXmlWriter.h"
#include "platform/foundation/GeometryText.h"

#include <QXmlStreamAttributes>
#include <QXmlStreamWriter>

namespace {

QString yesNo(bool flag)
{
    return flag ? QStringLiteral("yes") : QStringLiteral("no");
}

} // namespace

void DocumentValuesStore::setWindowFrame(const QRectF &frame)
{
    auto f = [](qreal v) { return qreal(DocumentFileFormat::clampToFloat(v)); };
    m_windowFrame = QRectF(f(frame.x()), f(frame.y()), f(frame.width()), f(frame.height()));
    m_available = true;
}

void DocumentValuesStore::setDescriptVisible(bool visible)
{
    m_descriptVisible = visible;
    m_available = true;
}

template <class Writer>
void DocumentValuesStore::encodeAsXMLElement(Writer &writer) const
{
    writer.writeStartElement(QStringLiteral("documentValues"));
    writer.writeAttribute(QStringLiteral("source"), QStringLiteral("mac"));
    writer.writeAttribute(QStringLiteral("available"), yesNo(m_available));
    writer.writeAttribute(QStringLiteral("windowFrame"), platform::GeometryText::stringFromRect(m_windowFrame));
    writer.writeAttribute(QStringLiteral("descriptVisible"), yesNo(m_descriptVisible));
    writer.writeAttribute(QStringLiteral("drawerVisible"), yesNo(m_drawerVisible));
    writer.writeStartElement(QStringLiteral("tableColumnArray"));
    for (const TableColumnData &column : m_tableColumnArray)
        column.encodeAsXMLElement(writer);
    writer.writeEndElement();
    writer.writeEndElement();
}

template void DocumentValuesStore::encodeAsXMLElement(QXmlStreamWriter &) const;
template void DocumentValuesStore::encodeAsXMLElement(DocumentXmlWriter &) const;

void DocumentValuesStore::fillWithXMLElementAttributes(const QXmlStreamAttributes &attributes)
{
    // Order matters: the description flag and the frame mark the store available.
    setAvailable(attributes.value(QLatin1String("available")) == u"yes");
    setDescriptVisible(attributes.value(QLatin1String("descriptVisible")) == u"yes");
    setWindowFrame(platform::GeometryText::rectFromString(attributes.value(QLatin1String("windowFrame"))));
    setDrawerVisible(attributes.value(QLatin1String("drawerVisible")) == u"yes");
}
