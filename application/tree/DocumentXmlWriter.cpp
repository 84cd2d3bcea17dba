#include "application/tree/DocumentXmlWriter.h"

#include <cstring>

DocumentXmlWriter::DocumentXmlWriter(QIODevice *device) : m_device(device), m_block(new char[BlockSize]) {}

DocumentXmlWriter::~DocumentXmlWriter() = default;

void DocumentXmlWriter::writeStartDocument()
{
    put(QLatin1StringView("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
}

void DocumentXmlWriter::writeStartElement(const QString &qualifiedName)
{
    if (m_inStartTag)
        put(QLatin1StringView(">"));
    indent(m_openElements.size());
    put(QLatin1StringView("<"));
    putText(qualifiedName, false);
    m_openElements.append(qualifiedName);
    m_inStartTag = true;
}

void DocumentXmlWriter::writeAttribute(const QString &qualifiedName, const QString &value)
{
    put(QLatin1StringView(" "));
    putText(qualifiedName, false);
    put(QLatin1StringView("=\""));
    putText(value, true);
    put(QLatin1StringView("\""));
}

void DocumentXmlWriter::writeEndElement()
{
    if (m_openElements.isEmpty())
        return;
    const QString name = m_openElements.takeLast();
    if (m_inStartTag) {
        put(QLatin1StringView("/>"));
        m_inStartTag = false;
        return;
    }
    indent(m_openElements.size());
    put(QLatin1StringView("</"));
    putText(name, false);
    put(QLatin1StringView(">"));
}

void DocumentXmlWriter::writeEndDocument()
{
    while (!m_openElements.isEmpty())
        writeEndElement();
    put(QLatin1StringView("\n"));
    flush();
}

void DocumentXmlWriter::flush()
{
    if (m_used > 0 && !m_deviceFailed && m_device->write(m_block.get(), m_used) != m_used)
        m_deviceFailed = m_error = true;
    m_used = 0;
}

void DocumentXmlWriter::indent(qsizetype level)
{
    put(QLatin1StringView("\n"));
    for (qsizetype i = 0; i < level; ++i)
        put(QLatin1StringView("    "));
}

void DocumentXmlWriter::put(QLatin1StringView text)
{
    if (BlockSize - m_used < text.size())
        flush();
    std::memcpy(m_block.get() + m_used, text.data(), size_t(text.size()));
    m_used += text.size();
}

void DocumentXmlWriter::putText(QStringView text, bool attributeValue)
{
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    auto isLowSurrogate = [](char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
    while (p < end) {
        if (BlockSize - m_used < LongestCharacter)
            flush();
        char *out = m_block.get() + m_used;
        const char16_t c = *p++;
        if (c < 0x80) {
            // In an attribute value the markup characters and the white space a
            // reader would fold are written as references.
            const char *reference = nullptr;
            if (attributeValue) {
                switch (c) {
                case u'<': reference = "&lt;"; break;
                case u'>': reference = "&gt;"; break;
                case u'&': reference = "&amp;"; break;
                case u'"': reference = "&quot;"; break;
                case u'\t': reference = "&#9;"; break;
                case u'\n': reference = "&#10;"; break;
                case u'\r': reference = "&#13;"; break;
                default: break;
                }
            }
            if (reference) {
                const size_t n = std::strlen(reference);
                std::memcpy(out, reference, n);
                m_used += qsizetype(n);
                continue;
            }
            if (c < 0x20)
                m_error = true;
            out[0] = char(c);
            m_used += 1;
        } else if (c < 0x800) {
            out[0] = char(0xC0 | (c >> 6));
            out[1] = char(0x80 | (c & 0x3F));
            m_used += 2;
        } else if (c >= 0xD800 && c <= 0xDBFF && p < end && isLowSurrogate(*p)) {
            const char32_t u = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(*p++) - 0xDC00);
            out[0] = char(0xF0 | (u >> 18));
            out[1] = char(0x80 | ((u >> 12) & 0x3F));
            out[2] = char(0x80 | ((u >> 6) & 0x3F));
            out[3] = char(0x80 | (u & 0x3F));
            m_used += 4;
        } else {
            // A lone surrogate, U+FFFE or U+FFFF: no XML character.
            if ((c >= 0xD800 && c <= 0xDFFF) || c >= 0xFFFE)
                m_error = true;
            out[0] = char(0xE0 | (c >> 12));
            out[1] = char(0x80 | ((c >> 6) & 0x3F));
            out[2] = char(0x80 | (c & 0x3F));
            m_used += 3;
        }
    }
}
