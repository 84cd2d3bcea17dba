#pragma once
// The floor the document benchmarks measure against: what the XML library itself
// takes for the same bytes. Reading: a bare QXmlStreamReader token pass over them.
// Writing: a bare QXmlStreamWriter dump of the same elements and attributes, taken
// from a written document.
#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <utility>
#include <vector>

namespace benchfloor {

struct Event
{
    enum Kind { Start, End } kind;
    QString name;
    std::vector<std::pair<QString, QString>> attributes;
};

// The elements and attributes of a document as the writer would emit them.
inline std::vector<Event> eventsOf(const QByteArray &xml)
{
    std::vector<Event> events;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        const auto token = r.readNext();
        if (token == QXmlStreamReader::StartElement) {
            Event e{Event::Start, r.qualifiedName().toString(), {}};
            for (const QXmlStreamAttribute &a : r.attributes())
                e.attributes.emplace_back(a.qualifiedName().toString(), a.value().toString());
            events.push_back(std::move(e));
        } else if (token == QXmlStreamReader::EndElement) {
            events.push_back({Event::End, QString(), {}});
        }
    }
    return events;
}

inline QByteArray floorWrite(const std::vector<Event> &events)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter w(&buffer);
    w.setAutoFormatting(true);
    w.writeStartDocument(QStringLiteral("1.0"));
    for (const Event &e : events) {
        if (e.kind == Event::Start) {
            w.writeStartElement(e.name);
            for (const auto &[name, value] : e.attributes)
                w.writeAttribute(name, value);
        } else {
            w.writeEndElement();
        }
    }
    w.writeEndDocument();
    return data;
}

inline qint64 floorRead(const QByteArray &xml)
{
    QXmlStreamReader r(xml);
    qint64 tokens = 0;
    while (!r.atEnd()) {
        r.readNext();
        ++tokens;
    }
    return tokens;
}

} // namespace benchfloor
