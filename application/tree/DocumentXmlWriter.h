#pragma once
// The writer of a document's XML: elements with attributes only (a document holds no
// text), byte for byte as QXmlStreamWriter writes them with auto-formatting (a line and
// four spaces a level before each tag, an element without children closed by "/>",
// attribute values escaped alike, UTF-8), composed straight into blocks handed to a
// device. The XML library's writer makes every name and value a string of its own and
// writes each piece to its device; saving a large document spent most of its time
// there. Callers use the same calls as on QXmlStreamWriter, so the document's writing
// code serves both (the library's writer stays the reference of the form).
//
// Ownership: the device is not owned and must outlive the writer; the caller opens it
// for writing. Not thread-safe; one writer per device.
// Failures: a write the device refuses or shortens, and a character no XML document
// may hold (a control but tab, line feed and carriage return, U+FFFE, U+FFFF, a lone
// surrogate: what QXmlStreamWriter refuses), make hasError() true for good; nothing
// after a refused write reaches the device. The caller then discards what was written.
#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringView>

#include <memory>

class DocumentXmlWriter
{
public:
    explicit DocumentXmlWriter(QIODevice *device);
    ~DocumentXmlWriter();
    DocumentXmlWriter(const DocumentXmlWriter &) = delete;
    DocumentXmlWriter &operator=(const DocumentXmlWriter &) = delete;

    // The declaration, version "1.0" in UTF-8.
    void writeStartDocument();
    void writeStartElement(const QString &qualifiedName);
    // An attribute of the element just started.
    void writeAttribute(const QString &qualifiedName, const QString &value);
    void writeEndElement();
    // Closes every open element, ends the last line and hands the rest to the device.
    void writeEndDocument();
    bool hasError() const { return m_error; }

private:
    static constexpr qsizetype BlockSize = 64 * 1024;
    // The most one character takes: "&quot;".
    static constexpr qsizetype LongestCharacter = 6;

    void flush();
    void indent(qsizetype level);
    void put(QLatin1StringView text);
    void putText(QStringView text, bool attributeValue);

    QIODevice *m_device;
    std::unique_ptr<char[]> m_block;
    qsizetype m_used = 0;
    QList<QString> m_openElements;
    bool m_inStartTag = false;
    bool m_error = false;
    bool m_deviceFailed = false;
};
