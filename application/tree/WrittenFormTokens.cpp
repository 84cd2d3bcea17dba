#include "application/tree/WrittenFormTokens.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Whether the short name at the bytes is the one known: compared here, names being a
// few letters long, rather than in the C library.
bool sameName(std::string_view bytes, const std::string &known)
{
    if (bytes.size() != known.size())
        return false;
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] != known[i])
            return false;
    return true;
}

bool isXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

void appendCharacter(QString &text, char32_t c)
{
    if (c < 0x10000) {
        text.append(QChar(char16_t(c)));
    } else {
        text.append(QChar(QChar::highSurrogate(c)));
        text.append(QChar(QChar::lowSurrogate(c)));
    }
}

// One UTF-8 sequence, strictly (no overlong form, no surrogate, nothing past
// U+10FFFF), of any character; its length, 0 when the bytes are no such sequence.
int utf8Sequence(const unsigned char *p, const unsigned char *end, char32_t &c)
{
    const unsigned char b = *p;
    int length;
    char32_t least;
    if ((b & 0xE0) == 0xC0) { length = 2; c = b & 0x1F; least = 0x80; }
    else if ((b & 0xF0) == 0xE0) { length = 3; c = b & 0x0F; least = 0x800; }
    else if ((b & 0xF8) == 0xF0) { length = 4; c = b & 0x07; least = 0x10000; }
    else return 0;
    if (end - p < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (p[i] & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

WrittenFormTokens::WrittenFormTokens(QIODevice *device) : m_device(device)
{
    m_buffer.resize(BlockSize);
    m_names.reserve(MaximumNames); // the views of a tag keep pointing at its names
    for (QString &value : m_values)
        value.reserve(32);
}

const QXmlStreamAttributes &WrittenFormTokens::attributes()
{
    if (!m_attributesMade) {
        m_attributes.clear();
        for (qsizetype i = 0; i < m_attributeCount; ++i)
            m_attributes.append(m_names[size_t(m_tagNames[size_t(i)])].second, m_values[size_t(i)]);
        m_attributesMade = true;
    }
    return m_attributes;
}

int WrittenFormTokens::nodeType()
{
    int &type = m_nodeTypes[size_t(m_name)];
    if (type == NotLookedUp)
        type = Node::intTypeForXMLTypeName(qualifiedName());
    return type;
}

WrittenFormTokens::TokenType WrittenFormTokens::readNext()
{
    switch (m_stop) {
    case Stop::None:
        break;
    case Stop::End:
        return QXmlStreamReader::EndDocument;
    case Stop::HandedOver:
    case Stop::PastBound:
    case Stop::Refused:
        return QXmlStreamReader::Invalid;
    }
    if (m_pendingEnd) {
        m_pendingEnd = false;
        return endElement();
    }
    if (!m_started)
        return startDocument();
    // White space up to the next tag.
    qint64 whitespace = 0;
    for (;;) {
        if (m_pos == m_end && !fill(1)) {
            if (!m_failed && m_stack.empty() && m_rootSeen) {
                m_stop = Stop::End;
                return QXmlStreamReader::EndDocument;
            }
            return refuse(); // cut short: the root element is not closed
        }
        const char c = m_buffer[m_pos];
        if (c == '<')
            break;
        if (c != ' ' && c != '\n' && c != '\t' && c != '\r') {
            // Text after the root element is no XML, whatever follows it.
            if (m_stack.empty() && m_rootSeen)
                return refuse();
            return otherOrBad(c) == Scan::Bad ? refuse() : handOver();
        }
        if (++whitespace > DocumentFileFormat::MaximumWhitespaceLength)
            return pastBound();
        ++m_pos;
    }
    if (m_stack.empty() && m_rootSeen)
        return handOver(); // markup after the root element
    return tag();
}

qint64 WrittenFormTokens::countElements(qint64 limit)
{
    qint64 count = -1; // the root element is not below itself
    while (!atEnd()) {
        if (readNext() == QXmlStreamReader::StartElement && ++count > limit)
            break;
    }
    return std::max<qint64>(count, 0);
}

WrittenFormTokens::TokenType WrittenFormTokens::handOver()
{
    m_stop = Stop::HandedOver;
    return QXmlStreamReader::Invalid;
}

WrittenFormTokens::TokenType WrittenFormTokens::refuse()
{
    m_stop = Stop::Refused;
    return QXmlStreamReader::Invalid;
}

WrittenFormTokens::TokenType WrittenFormTokens::pastBound()
{
    m_stop = Stop::PastBound;
    return QXmlStreamReader::Invalid;
}

WrittenFormTokens::Scan WrittenFormTokens::otherOrBad(char c)
{
    // No XML character is a control but tab, line feed and carriage return.
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 && c != '\t' && c != '\n' && c != '\r' ? Scan::Bad : Scan::Other;
}

bool WrittenFormTokens::fill(qsizetype count)
{
    while (m_end - m_pos < count) {
        if (m_failed)
            return false;
        if (m_pos > 0) {
            std::memmove(m_buffer.data(), m_buffer.data() + m_pos, size_t(m_end - m_pos));
            m_end -= m_pos;
            m_pos = 0;
        }
        if (m_end == qsizetype(m_buffer.size()))
            m_buffer.resize(m_buffer.size() * 2);
        const qint64 n = m_device->read(m_buffer.data() + m_end, qsizetype(m_buffer.size()) - m_end);
        if (n < 0)
            m_failed = true;
        if (n <= 0)
            return false;
        m_end += n;
    }
    return true;
}

WrittenFormTokens::TokenType WrittenFormTokens::startDocument()
{
    static constexpr std::string_view plain = "<?xml version=\"1.0\"?>";
    static constexpr std::string_view utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    static constexpr std::string_view mark = DocumentFileFormat::ByteOrderMark;
    fill(qsizetype(mark.size() + utf8.size()));
    std::string_view head(m_buffer.data() + m_pos, size_t(m_end - m_pos));
    // A byte-order mark before the declaration (other editors write one) is no
    // character of the document.
    if (head.substr(0, mark.size()) == mark) {
        m_pos += qsizetype(mark.size());
        head.remove_prefix(mark.size());
    }
    if (head.substr(0, utf8.size()) == utf8) {
        m_pos += qsizetype(utf8.size());
        m_encoding = QStringLiteral("UTF-8");
    } else if (head.substr(0, plain.size()) == plain) {
        m_pos += qsizetype(plain.size());
    } else {
        return handOver();
    }
    m_started = true;
    return QXmlStreamReader::StartDocument;
}

WrittenFormTokens::TokenType WrittenFormTokens::endElement()
{
    m_name = m_stack.back();
    m_stack.pop_back();
    m_attributeCount = 0;
    m_attributesMade = false;
    return QXmlStreamReader::EndElement;
}

// At a '<': a whole start or end tag, read on until it is in the buffer.
WrittenFormTokens::TokenType WrittenFormTokens::tag()
{
    for (;;) {
        switch (scanTag()) {
        case Scan::Done:
            return m_token;
        case Scan::Other:
            return handOver();
        case Scan::PastBound:
            return pastBound();
        case Scan::Bad:
            return refuse();
        case Scan::More:
            break;
        }
        if (m_end - m_pos >= MaximumTagBytes)
            return pastBound();
        if (!fill(m_end - m_pos + 1))
            return refuse(); // cut short inside a tag
    }
}

// A name of ASCII letters at p; its end, or nullptr when there is none or it is
// too long; `more` when the buffer ends in it.
const char *WrittenFormTokens::name(const char *p, const char *end, bool &more) const
{
    const char *q = p;
    while (q < end && isLetter(*q))
        ++q;
    more = q == end;
    if (q == p || q - p > MaximumNameLength)
        return more && q - p <= MaximumNameLength ? q : nullptr;
    return q;
}

// The index of a name among those seen so far (the writer's names come in the same
// order every time, so the name that followed the last one the time before is tried
// first); -1 when there are too many different names, which the library is left to
// read.
int WrittenFormTokens::nameIndex(const char *p, const char *q)
{
    const std::string_view key(p, size_t(q - p));
    int &successor = m_lastName >= 0 ? m_successors[size_t(m_lastName)] : m_firstName;
    if (successor >= 0 && sameName(key, m_names[size_t(successor)].first))
        return m_lastName = successor;
    int found = -1;
    for (size_t i = 0; i < m_names.size(); ++i)
        if (sameName(key, m_names[i].first)) {
            found = int(i);
            break;
        }
    if (found < 0) {
        if (m_names.size() == MaximumNames)
            return -1;
        m_names.emplace_back(std::string(key), QString::fromLatin1(p, q - p));
        found = int(m_names.size()) - 1;
    }
    successor = found;
    return m_lastName = found;
}

WrittenFormTokens::Scan WrittenFormTokens::scanTag()
{
    const char *const begin = m_buffer.data() + m_pos;
    const char *const end = m_buffer.data() + m_end;
    const char *p = begin + 1;
    if (p == end)
        return Scan::More;
    bool more = false;
    if (*p == '/') {
        const char *q = name(++p, end, more);
        if (more)
            return Scan::More;
        if (!q)
            return otherOrBad(*p);
        if (q == end)
            return Scan::More;
        if (*q != '>')
            return otherOrBad(*q);
        // An end tag closes the element open last, or the document is no XML.
        if (m_stack.empty() || !sameName(std::string_view(p, size_t(q - p)), m_names[size_t(m_stack.back())].first))
            return Scan::Bad;
        m_pos = q + 1 - m_buffer.data();
        m_token = endElement();
        return Scan::Done;
    }
    const char *q = name(p, end, more);
    if (more)
        return Scan::More;
    if (!q)
        return otherOrBad(*p);
    const int elementName = nameIndex(p, q);
    if (elementName < 0)
        return Scan::Other;
    p = q;
    m_attributeCount = 0;
    m_attributesMade = false;
    if (m_holdsLongValues)
        releaseLongValues();
    qint64 references = 0;
    for (;;) {
        if (p == end)
            return Scan::More;
        if (*p == '>' || *p == '/')
            break;
        if (*p != ' ')
            return otherOrBad(*p);
        const char *n = ++p;
        q = name(n, end, more);
        if (more)
            return Scan::More;
        if (!q)
            return otherOrBad(*n);
        if (end - q < 2)
            return Scan::More;
        if (q[0] != '=')
            return otherOrBad(q[0]);
        if (q[1] != '"')
            return otherOrBad(q[1]);
        if (m_attributeCount == DocumentFileFormat::MaximumAttributesPerElement)
            return Scan::PastBound;
        const int attributeName = nameIndex(n, q);
        if (attributeName < 0)
            return Scan::Other;
        for (qsizetype i = 0; i < m_attributeCount; ++i)
            if (m_tagNames[size_t(i)] == attributeName)
                return Scan::Bad; // an attribute twice
        const size_t slot = size_t(m_attributeCount);
        m_tagNames[slot] = attributeName;
        p = q + 2;
        const char *close = static_cast<const char *>(std::memchr(p, '"', size_t(end - p)));
        if (!close)
            return Scan::More;
        QString &value = m_values[slot];
        if (const Scan scan = decodeValue(p, close, value, references); scan != Scan::Done)
            return scan;
        int &nodeAttribute = m_nodeAttributes[size_t(attributeName)];
        if (nodeAttribute == NotLookedUp)
            nodeAttribute = Node::xmlAttributeIndex(m_names[size_t(attributeName)].second);
        m_views[slot] = {m_names[size_t(attributeName)].second,
                         value.isEmpty() ? QStringView(u"", 0) : QStringView(value), nodeAttribute};
        ++m_attributeCount;
        p = close + 1;
    }
    bool empty = false;
    if (*p == '/') {
        if (end - p < 2)
            return Scan::More;
        if (p[1] != '>')
            return otherOrBad(p[1]);
        empty = true;
        ++p;
    }
    m_pos = p + 1 - m_buffer.data();
    m_name = elementName;
    m_stack.push_back(elementName);
    m_rootSeen = true;
    m_pendingEnd = empty;
    m_token = QXmlStreamReader::StartElement;
    return Scan::Done;
}

// The storage of a long value is not kept past its tag: the values held at once
// stay within one tag's bound.
void WrittenFormTokens::releaseLongValues()
{
    for (QString &value : m_values)
        if (value.capacity() > LongValue)
            value = QString();
    m_holdsLongValues = false;
}

// The value between the quotes, with the tag's running count of references, into
// storage kept from tag to tag; Other for what this reader leaves to the library,
// PastBound past the references of a tag, Bad for what no XML holds. A value and the
// values of a tag stay within their bounds in characters: a tag holds at most
// MaximumTagBytes, and no character takes less than a byte.
WrittenFormTokens::Scan WrittenFormTokens::decodeValue(const char *p, const char *end, QString &value,
                                                       qint64 &references)
{
    const char *q = p;
    while (q < end && *q >= 0x20 && *q != '&' && *q != '<')
        ++q;
    if (q == end) {
        // Plain ASCII: widened into the storage kept from tag to tag.
        value.resize(end - p);
        char16_t *out = reinterpret_cast<char16_t *>(value.data());
        for (const char *c = p; c < end; ++c)
            *out++ = char16_t(static_cast<unsigned char>(*c));
    } else {
        value.resize(0);
        value.reserve(end - p);
        value.append(QLatin1StringView(p, q - p));
        while (q < end) {
            const char c = *q;
            if (c == '&') {
                const char *semicolon = q + 1;
                while (semicolon < end && *semicolon != ';' && semicolon - q <= 12)
                    ++semicolon;
                if (semicolon == end || *semicolon != ';') // perhaps a number with leading zeros
                    return q + 1 < end && q[1] == '#' ? Scan::Other : Scan::Bad;
                char32_t r = 0;
                if (const Scan scan = reference(std::string_view(q + 1, size_t(semicolon - q - 1)), r); scan != Scan::Done)
                    return scan;
                if (++references > DocumentFileFormat::MaximumReferencesPerTag)
                    return Scan::PastBound;
                appendCharacter(value, r);
                q = semicolon + 1;
            } else if (static_cast<unsigned char>(c) >= 0x80) {
                char32_t u;
                const int n = utf8Sequence(reinterpret_cast<const unsigned char *>(q),
                                           reinterpret_cast<const unsigned char *>(end), u);
                if (!n || !isXmlChar(u))
                    return Scan::Bad;
                appendCharacter(value, u);
                q += n;
            } else if (c < 0x20) {
                return otherOrBad(c); // line ends and tabs are normalized by the library
            } else if (c == '<') {
                return Scan::Bad;
            } else {
                value.append(QLatin1Char(c));
                ++q;
            }
        }
    }
    if (value.capacity() > LongValue)
        m_holdsLongValues = true;
    return Scan::Done;
}

WrittenFormTokens::Scan WrittenFormTokens::reference(std::string_view r, char32_t &c)
{
    if (r == "amp") { c = U'&'; return Scan::Done; }
    if (r == "lt") { c = U'<'; return Scan::Done; }
    if (r == "gt") { c = U'>'; return Scan::Done; }
    if (r == "quot") { c = U'"'; return Scan::Done; }
    if (r == "apos") { c = U'\''; return Scan::Done; }
    if (r.size() < 2 || r[0] != '#')
        return Scan::Bad;
    const bool hex = r[1] == 'x';
    const std::string_view digits = r.substr(hex ? 2 : 1);
    if (digits.empty())
        return Scan::Bad;
    c = 0;
    for (const char d : digits) {
        int v;
        if (d >= '0' && d <= '9')
            v = d - '0';
        else if (hex && d >= 'a' && d <= 'f')
            v = d - 'a' + 10;
        else if (hex && d >= 'A' && d <= 'F')
            v = d - 'A' + 10;
        else
            return Scan::Bad;
        c = c * (hex ? 16 : 10) + char32_t(v);
    }
    if (digits.size() > 7)
        return Scan::Other;
    return isXmlChar(c) ? Scan::Done : Scan::Bad;
}
