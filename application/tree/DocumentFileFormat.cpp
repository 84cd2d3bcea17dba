#include "application/tree/DocumentFileFormat.h"

#include "application/tree/DocumentArchiveDecoder.h"
#include "application/tree/DocumentOutputDevice.h"
#include "application/tree/XmlMarkupGuardDevice.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/RegularFile.h"
#include "platform/foundation/XmlEntities.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>
#include <QThread>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <array>
#include <charconv>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <sys/stat.h>

namespace {

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v';
}

bool attributesWithinBounds(const QXmlStreamAttributes &attributes)
{
    for (const QXmlStreamAttribute &a : attributes)
        if (a.value().size() > DocumentFileFormat::MaximumAttributeLength)
            return false;
    return true;
}

// The tokens of a document in the form the writer makes, straight from the bytes in
// one pass: an XML declaration of version 1.0 (UTF-8 or no encoding), elements with
// ASCII letter names, attributes in double quotes separated by one blank, values of
// characters, UTF-8 sequences, the five predefined entities and character
// references; white space between tags. Anything else, and anything past one of the
// format's bounds, ends the tokens with `Invalid` and handedOver(): the caller then
// reads the same bytes through the XML library, which answers with the same
// document or its own refusal. Reads the device in blocks; a tag is held whole.
class WrittenFormTokens
{
public:
    using TokenType = QXmlStreamReader::TokenType;

    explicit WrittenFormTokens(QIODevice *device) : WrittenFormTokens(device, -1, false) {}
    // A fragment has elements one after another at its top and no declaration (the
    // children of an element, read by themselves); at most `limit` bytes of the device
    // are read when it is not negative.
    WrittenFormTokens(QIODevice *device, qint64 limit, bool fragment)
        : m_device(device), m_remaining(limit), m_fragment(fragment), m_started(fragment)
    {
        m_buffer.resize(BlockSize);
        m_names.reserve(MaximumNames); // the views of a tag keep pointing at its names
        for (QString &value : m_values)
            value.reserve(32);
    }

    bool handedOver() const { return m_handedOver; }
    bool atEnd() const { return m_done; }
    bool hasError() const { return m_handedOver; }
    QStringView qualifiedName() const
    {
        return m_names.empty() ? QStringView() : QStringView(m_names[size_t(m_name)].second);
    }
    // The attributes of the last start tag, made on demand: node elements are read
    // from the views below, which refer to storage the next tag reuses.
    const QXmlStreamAttributes &attributes()
    {
        if (!m_attributesMade) {
            m_attributes.clear();
            for (qsizetype i = 0; i < m_attributeCount; ++i)
                m_attributes.append(m_names[size_t(m_tagNames[size_t(i)])].second, m_values[size_t(i)]);
            m_attributesMade = true;
        }
        return m_attributes;
    }
    const Node::XMLAttributeView *attributeViews() const { return m_views.data(); }
    // Bytes read from the device up to the end of the last token.
    qint64 position() const { return m_offset + m_pos; }
    // The element and attribute names met so far.
    std::vector<std::string> names() const
    {
        std::vector<std::string> names;
        for (const auto &name : m_names)
            names.push_back(name.first);
        return names;
    }
    qsizetype attributeCount() const { return m_attributeCount; }
    QStringView documentEncoding() const { return m_encoding; }

    TokenType readNext()
    {
        if (m_done)
            return m_handedOver ? QXmlStreamReader::Invalid : QXmlStreamReader::EndDocument;
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
                if (m_stack.empty() && (m_rootSeen || m_fragment)) {
                    m_done = true;
                    return QXmlStreamReader::EndDocument;
                }
                return handOver();
            }
            const char c = m_buffer[m_pos];
            if (c == '<')
                break;
            if (c != ' ' && c != '\n' && c != '\t' && c != '\r')
                return handOver();
            if (++whitespace > DocumentFileFormat::MaximumWhitespaceLength)
                return handOver();
            ++m_pos;
        }
        if (m_stack.empty() && m_rootSeen && !m_fragment)
            return handOver(); // markup after the root element
        return tag();
    }

    // Different names the reader tells apart; a document with more is left to the
    // library.
    static constexpr size_t MaximumNames = 64;

private:
    static constexpr qsizetype BlockSize = 1 << 16;
    static constexpr qsizetype MaximumNameLength = 64;
    // Longer tags (values near their bounds, which no real document has) are left
    // to the library: the buffer then never holds more than the library would.
    static constexpr qsizetype MaximumTagBytes = DocumentFileFormat::MaximumAttributeLength;
    static constexpr qsizetype LongValue = 1024;

    enum class Scan { Done, More, Other };

    TokenType handOver()
    {
        m_handedOver = true;
        m_done = true;
        return QXmlStreamReader::Invalid;
    }

    // At least `count` bytes from m_pos in the buffer, unless the device ends first.
    bool fill(qsizetype count)
    {
        while (m_end - m_pos < count) {
            if (m_pos > 0) {
                std::memmove(m_buffer.data(), m_buffer.data() + m_pos, size_t(m_end - m_pos));
                m_end -= m_pos;
                m_offset += m_pos;
                m_pos = 0;
            }
            if (m_end == qsizetype(m_buffer.size()))
                m_buffer.resize(m_buffer.size() * 2);
            qint64 room = qsizetype(m_buffer.size()) - m_end;
            if (m_remaining >= 0)
                room = std::min(room, m_remaining);
            const qint64 n = room > 0 ? m_device->read(m_buffer.data() + m_end, room) : 0;
            if (n <= 0)
                return false;
            m_end += n;
            if (m_remaining >= 0)
                m_remaining -= n;
        }
        return true;
    }

    TokenType startDocument()
    {
        static constexpr std::string_view plain = "<?xml version=\"1.0\"?>";
        static constexpr std::string_view utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
        fill(qsizetype(utf8.size()));
        const std::string_view head(m_buffer.data() + m_pos, size_t(m_end - m_pos));
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

    TokenType endElement()
    {
        m_name = m_stack.back();
        m_stack.pop_back();
        m_attributeCount = 0;
        m_attributesMade = false;
        return QXmlStreamReader::EndElement;
    }

    // At a '<': a whole start or end tag, read on until it is in the buffer.
    TokenType tag()
    {
        for (;;) {
            const Scan scan = scanTag();
            if (scan == Scan::Done)
                return m_token;
            if (scan == Scan::Other || m_end - m_pos >= MaximumTagBytes || !fill(m_end - m_pos + 1))
                return handOver();
        }
    }

    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

    // A name of ASCII letters at p; its end, or nullptr when there is none or it is
    // too long; `more` when the buffer ends in it.
    const char *name(const char *p, const char *end, bool &more) const
    {
        const char *q = p;
        while (q < end && isLetter(*q))
            ++q;
        more = q == end;
        if (q == p || q - p > MaximumNameLength)
            return more && q - p <= MaximumNameLength ? q : nullptr;
        return q;
    }

    // The index of a name among those seen so far (the writer's names come in the
    // same order every time, so the one after the last is tried first); -1 when
    // there are too many different names, which the library is left to read.
    int nameIndex(const char *p, const char *q)
    {
        const std::string_view key(p, size_t(q - p));
        const int next = m_lastName + 1;
        if (next < int(m_names.size()) && m_names[size_t(next)].first == key)
            return m_lastName = next;
        for (size_t i = 0; i < m_names.size(); ++i)
            if (m_names[i].first == key)
                return m_lastName = int(i);
        if (m_names.size() == MaximumNames)
            return -1;
        m_names.emplace_back(std::string(key), QString::fromLatin1(p, q - p));
        return m_lastName = int(m_names.size()) - 1;
    }

    Scan scanTag()
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
                return Scan::Other;
            if (q == end)
                return Scan::More;
            if (*q != '>' || m_stack.empty()
                || m_names[size_t(m_stack.back())].first != std::string_view(p, size_t(q - p)))
                return Scan::Other;
            m_pos = q + 1 - m_buffer.data();
            m_token = endElement();
            return Scan::Done;
        }
        const char *q = name(p, end, more);
        if (more)
            return Scan::More;
        if (!q)
            return Scan::Other;
        const int elementName = nameIndex(p, q);
        if (elementName < 0)
            return Scan::Other;
        p = q;
        m_attributeCount = 0;
        m_attributesMade = false;
        if (m_holdsLongValues)
            releaseLongValues();
        qint64 tagText = 0;
        qint64 references = 0;
        for (;;) {
            if (p == end)
                return Scan::More;
            if (*p == '>' || *p == '/')
                break;
            if (*p != ' ')
                return Scan::Other;
            const char *n = ++p;
            q = name(n, end, more);
            if (more)
                return Scan::More;
            if (!q)
                return Scan::Other;
            if (end - q < 2)
                return Scan::More;
            if (q[0] != '=' || q[1] != '"')
                return Scan::Other;
            if (m_attributeCount == DocumentFileFormat::MaximumAttributesPerElement)
                return Scan::Other;
            const int attributeName = nameIndex(n, q);
            if (attributeName < 0)
                return Scan::Other;
            for (qsizetype i = 0; i < m_attributeCount; ++i)
                if (m_tagNames[size_t(i)] == attributeName)
                    return Scan::Other;
            const size_t slot = size_t(m_attributeCount);
            m_tagNames[slot] = attributeName;
            p = q + 2;
            const char *close = static_cast<const char *>(std::memchr(p, '"', size_t(end - p)));
            if (!close)
                return Scan::More;
            QString &value = m_values[slot];
            if (!decodeValue(p, close, value, tagText, references))
                return Scan::Other;
            m_views[slot] = {m_names[size_t(attributeName)].second,
                             value.isEmpty() ? QStringView(u"", 0) : QStringView(value)};
            ++m_attributeCount;
            p = close + 1;
        }
        bool empty = false;
        if (*p == '/') {
            if (end - p < 2)
                return Scan::More;
            if (p[1] != '>')
                return Scan::Other;
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

    static bool isXmlChar(char32_t c)
    {
        return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
            || (c >= 0x10000 && c <= 0x10FFFF);
    }

    static void appendCharacter(QString &text, char32_t c)
    {
        if (c < 0x10000) {
            text.append(QChar(char16_t(c)));
        } else {
            text.append(QChar(QChar::highSurrogate(c)));
            text.append(QChar(QChar::lowSurrogate(c)));
        }
    }

    // A reference after its '&' up to the ';'; its character, or none.
    static std::optional<char32_t> reference(std::string_view r)
    {
        if (r == "amp") return U'&';
        if (r == "lt") return U'<';
        if (r == "gt") return U'>';
        if (r == "quot") return U'"';
        if (r == "apos") return U'\'';
        if (r.size() < 2 || r[0] != '#')
            return std::nullopt;
        const bool hex = r[1] == 'x';
        const std::string_view digits = r.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 7)
            return std::nullopt;
        char32_t c = 0;
        for (const char d : digits) {
            int v;
            if (d >= '0' && d <= '9')
                v = d - '0';
            else if (hex && d >= 'a' && d <= 'f')
                v = d - 'a' + 10;
            else if (hex && d >= 'A' && d <= 'F')
                v = d - 'A' + 10;
            else
                return std::nullopt;
            c = c * (hex ? 16 : 10) + char32_t(v);
        }
        if (!isXmlChar(c))
            return std::nullopt;
        return c;
    }

    // One UTF-8 sequence, strictly (no overlong form, no surrogate); its length.
    static int utf8Sequence(const unsigned char *p, const unsigned char *end, char32_t &c)
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
        if (c < least || !isXmlChar(c))
            return 0;
        return length;
    }

    // The storage of a long value is not kept past its tag: the values held at once
    // stay within one tag's bound.
    void releaseLongValues()
    {
        for (QString &value : m_values)
            if (value.capacity() > LongValue)
                value = QString();
        m_holdsLongValues = false;
    }

    // The value between the quotes, with the tag's running counts; false for what
    // this reader leaves to the library (and for a value past the bounds). The value
    // goes into storage kept from tag to tag.
    bool decodeValue(const char *p, const char *end, QString &value, qint64 &tagText, qint64 &references)
    {
        const char *q = p;
        while (q < end && *q >= 0x20 && *q != '&' && *q != '<')
            ++q;
        value.resize(0);
        if (q == end) {
            value.append(QLatin1StringView(p, end - p));
        } else {
            value.reserve(end - p);
            value.append(QLatin1StringView(p, q - p));
            while (q < end) {
                const char c = *q;
                if (c == '&') {
                    const char *semicolon = q + 1;
                    while (semicolon < end && *semicolon != ';' && semicolon - q <= 12)
                        ++semicolon;
                    if (semicolon == end || *semicolon != ';')
                        return false;
                    const auto r = reference(std::string_view(q + 1, size_t(semicolon - q - 1)));
                    if (!r || ++references > DocumentFileFormat::MaximumReferencesPerTag)
                        return false;
                    appendCharacter(value, *r);
                    q = semicolon + 1;
                } else if (static_cast<unsigned char>(c) >= 0x80) {
                    char32_t u;
                    const int n = utf8Sequence(reinterpret_cast<const unsigned char *>(q),
                                               reinterpret_cast<const unsigned char *>(end), u);
                    if (!n)
                        return false;
                    appendCharacter(value, u);
                    q += n;
                } else if (c < 0x20 || c == '<') {
                    return false; // line ends and tabs are normalized by the library
                } else {
                    value.append(QLatin1Char(c));
                    ++q;
                }
            }
        }
        if (value.capacity() > LongValue)
            m_holdsLongValues = true;
        tagText += value.size();
        return value.size() <= DocumentFileFormat::MaximumAttributeLength
            && tagText <= DocumentFileFormat::MaximumTagTextLength;
    }

    QIODevice *m_device;
    qint64 m_remaining = -1; // bytes the device may still give; negative: all
    bool m_fragment = false;
    std::vector<char> m_buffer;
    qint64 m_offset = 0; // bytes read before the buffer's first
    qsizetype m_pos = 0;
    qsizetype m_end = 0;
    bool m_started = false;
    bool m_rootSeen = false;
    bool m_pendingEnd = false;
    bool m_done = false;
    bool m_handedOver = false;
    TokenType m_token = QXmlStreamReader::NoToken;
    QString m_encoding;
    int m_name = 0; // the element's, among m_names
    QXmlStreamAttributes m_attributes;
    bool m_attributesMade = false;
    qsizetype m_attributeCount = 0;
    std::array<QString, DocumentFileFormat::MaximumAttributesPerElement> m_values;
    bool m_holdsLongValues = false;
    std::array<Node::XMLAttributeView, DocumentFileFormat::MaximumAttributesPerElement> m_views{};
    std::vector<int> m_stack; // the open elements' names
    std::vector<std::pair<std::string, QString>> m_names;
    int m_lastName = -1;
    std::array<int, DocumentFileFormat::MaximumAttributesPerElement> m_tagNames{};
};

bool attributesWithinBounds(QXmlStreamReader &xml)
{
    return attributesWithinBounds(xml.attributes());
}

// The direct reader hands over every value past the bound.
bool attributesWithinBounds(const WrittenFormTokens &)
{
    return true;
}

// Streaming reader of one document over a token source with the calls of
// QXmlStreamReader it needs. Everything is built aside and handed out only when the
// whole input parsed.
template<typename Xml>
class XmlDocumentReader
{
public:
    explicit XmlDocumentReader(Xml &xml) : XmlDocumentReader(xml, platform::Clock::now()) {}
    // `now` stands for what the document leaves out (readers of one document's parts
    // share it).
    XmlDocumentReader(Xml &xml, const QDateTime &now) : m_xml(xml), m_now(now) {}

    // Elements read so far below the document's root element.
    qint64 elements() const { return m_elements; }
    // Where the tag of the "document" element that became the root ends, in bytes
    // (the direct reader only).
    qint64 rootTagEnd() const { return m_rootTagEnd; }

    // `finish`: the tree's parents set, running entries closed and sums computed, and
    // a root made when the document has none. Without, `out` may have no root.
    bool read(DocumentFileFormat::ReadResult &out, bool finish = true)
    {
        if (!nextStartElementAtTop())
            return false;
        if (m_xml.qualifiedName() != u"Chronark" || !attributesWithinBounds(m_xml))
            return false;

        NodePtr root;
        std::optional<DocumentValuesStore> store;
        int depth = 1;
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (!acceptElement(depth + 1))
                    return false;
                const QStringView name = m_xml.qualifiedName();
                // The last "document" and the last "documentValues" count.
                if (name == u"document") {
                    if constexpr (std::is_same_v<Xml, WrittenFormTokens>)
                        m_rootTagEnd = m_xml.position();
                    root = readNodeTree(depth + 1);
                    if (!root)
                        return false;
                } else if (name == u"documentValues") {
                    DocumentValuesStore s;
                    if (!readStore(s, depth + 1))
                        return false;
                    store = std::move(s);
                } else if (!skipElement(depth + 1)) {
                    return false;
                }
            } else if (token == QXmlStreamReader::EndElement) {
                break; // end of "Chronark"
            } else if (token == QXmlStreamReader::Invalid) {
                return false;
            }
        }
        // The rest must parse too.
        while (!m_xml.atEnd())
            m_xml.readNext();
        if (m_xml.hasError())
            return false;

        if (finish) {
            if (!root)
                root = Node::create(Node::Root, m_now);
            finishTree(*root);
        }
        out.root = std::move(root);
        out.store = store ? std::move(*store) : DocumentValuesStore();
        return true;
    }

    static void finishTree(Node &root)
    {
        root.setAllParentValues();
        root.deactivedTimeNodeForTree();
        root.recalcWorkTimeForTree();
    }

    // A fragment of node elements one after another, each at the depth given, with
    // their subtrees; false on any error.
    bool readFragment(std::vector<NodePtr> &nodes, int depth)
    {
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (!acceptElement(depth))
                    return false;
                NodePtr node = readNodeTree(depth);
                if (!node)
                    return false;
                nodes.push_back(std::move(node));
            } else if (token == QXmlStreamReader::EndDocument) {
                return !m_xml.hasError();
            } else {
                return false;
            }
        }
        return !m_xml.hasError();
    }

private:
    // Every element below the root passes here: bounds on nesting, count and
    // attribute length.
    bool acceptElement(int elementDepth)
    {
        if (elementDepth > DocumentFileFormat::MaximumDepth)
            return false;
        if (++m_elements > DocumentFileFormat::MaximumElementCount)
            return false;
        return attributesWithinBounds(m_xml);
    }

    // The prolog: no document type declaration, no encoding but UTF-8.
    bool nextStartElementAtTop()
    {
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::StartElement)
                return true;
            if (token == QXmlStreamReader::Invalid || token == QXmlStreamReader::DTD)
                return false;
            if (token == QXmlStreamReader::StartDocument) {
                const QStringView encoding = m_xml.documentEncoding();
                if (!encoding.isEmpty() && encoding.compare(u"UTF-8", Qt::CaseInsensitive) != 0)
                    return false;
            }
        }
        return false;
    }

    // Reader positioned on a node element at the given depth; answers the node with
    // its subtree, none on any error. The library's reader appends each node before
    // filling it, like every node of a tree; the direct reader builds nodes nothing
    // observes yet, so each node's children are gathered and handed to it at its end
    // tag, in one list of their number.
    NodePtr readNodeTree(int depth)
    {
        constexpr bool gather = std::is_same_v<Xml, WrittenFormTokens>;
        NodePtr top = makeNode();
        std::vector<Node *> stack{top.get()};
        // The children read so far of each node on the stack, by its level.
        std::vector<std::vector<NodePtr>> gathered(1);
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (!acceptElement(depth + int(stack.size())))
                    return NodePtr();
                NodePtr child = std::make_shared<Node>(m_now);
                if constexpr (!gather)
                    stack.back()->addChild(child);
                fill(*child);
                stack.push_back(child.get());
                if constexpr (gather) {
                    gathered[stack.size() - 2].push_back(std::move(child));
                    if (gathered.size() < stack.size())
                        gathered.emplace_back();
                }
            } else if (token == QXmlStreamReader::EndElement) {
                if constexpr (gather)
                    stack.back()->adoptChildrenWhileReading(gathered[stack.size() - 1]);
                stack.pop_back();
                if (stack.empty())
                    return top;
            } else if (token == QXmlStreamReader::Invalid) {
                return NodePtr();
            }
        }
        return NodePtr();
    }

    NodePtr makeNode()
    {
        NodePtr node = std::make_shared<Node>(m_now);
        fill(*node);
        return node;
    }

    void fill(Node &node)
    {
        const int type = Node::intTypeForXMLTypeName(m_xml.qualifiedName());
        if constexpr (std::is_same_v<Xml, WrittenFormTokens>) {
            // A node of a tree being built aside: nothing observes it yet.
            node.fillNewNodeWithXMLElement(type, m_xml.attributeViews(), m_xml.attributeCount());
        } else {
            node.setType(type);
            node.fillNodeWithXMLElementAttributes(m_xml.attributes());
        }
    }

    bool readStore(DocumentValuesStore &store, int depth)
    {
        store.fillWithXMLElementAttributes(m_xml.attributes());
        // The columns come from the children of the last child element.
        QList<TableColumnData> columns;
        int level = 0; // 0 inside documentValues, 1 inside a child, 2+ deeper
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (!acceptElement(depth + level + 1))
                    return false;
                if (level == 0)
                    columns.clear();
                else if (level == 1)
                    columns.append(TableColumnData::fromXMLElementAttributes(m_xml.attributes()));
                ++level;
            } else if (token == QXmlStreamReader::EndElement) {
                if (level == 0) {
                    store.setTableColumnArray(columns);
                    return true;
                }
                --level;
            } else if (token == QXmlStreamReader::Invalid) {
                return false;
            }
        }
        return false;
    }

    bool skipElement(int depth)
    {
        int level = 0;
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (!acceptElement(depth + level + 1))
                    return false;
                ++level;
            } else if (token == QXmlStreamReader::EndElement) {
                if (level == 0)
                    return true;
                --level;
            } else if (token == QXmlStreamReader::Invalid) {
                return false;
            }
        }
        return false;
    }

    Xml &m_xml;
    QDateTime m_now;
    qint64 m_elements = 0;
    qint64 m_rootTagEnd = -1;
};

bool parse(QXmlStreamReader &xml, DocumentFileFormat::ReadResult &out)
{
    xml.setNamespaceProcessing(false);
    XmlDocumentReader<QXmlStreamReader> reader(xml);
    DocumentFileFormat::ReadResult result;
    if (!reader.read(result))
        return false;
    out = std::move(result);
    return true;
}

bool parse(WrittenFormTokens &xml, DocumentFileFormat::ReadResult &out)
{
    XmlDocumentReader<WrittenFormTokens> reader(xml);
    DocumentFileFormat::ReadResult result;
    if (!reader.read(result))
        return false;
    out = std::move(result);
    return true;
}

} // namespace

// ---------------------------------------------------------------------------
// Values

int DocumentFileFormat::intValue(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i].unicode()))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    qint64 value = 0;
    constexpr qint64 limit = qint64(std::numeric_limits<int>::max()) + 1;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + (c - u'0');
        if (value > limit)
            value = limit;
    }
    if (negative)
        return int(-value);
    return int(std::min<qint64>(value, std::numeric_limits<int>::max()));
}

float DocumentFileFormat::clampToFloat(double value)
{
    if (std::isnan(value))
        return std::numeric_limits<float>::quiet_NaN();
    constexpr double largest = double(std::numeric_limits<float>::max());
    if (value > largest)
        return std::numeric_limits<float>::max();
    if (value < -largest)
        return -std::numeric_limits<float>::max();
    return float(value);
}

float DocumentFileFormat::floatValue(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i].unicode()))
        ++i;
    std::string number;
    auto isDigit = [&](qsizetype k) { return k < n && text[k] >= u'0' && text[k] <= u'9'; };
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-')
            number.push_back('-');
        ++i;
    }
    bool digits = false;
    while (isDigit(i)) {
        number.push_back(char(text[i].unicode()));
        digits = true;
        ++i;
    }
    if (i < n && text[i] == u'.') {
        number.push_back('.');
        ++i;
        while (isDigit(i)) {
            number.push_back(char(text[i].unicode()));
            digits = true;
            ++i;
        }
    }
    if (!digits)
        return 0.0f;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype k = i + 1;
        std::string exponent = "e";
        if (k < n && (text[k] == u'+' || text[k] == u'-')) {
            exponent.push_back(char(text[k].unicode()));
            ++k;
        }
        if (isDigit(k)) {
            while (isDigit(k)) {
                exponent.push_back(char(text[k].unicode()));
                ++k;
            }
            number += exponent;
        }
    }
    double value = 0.0;
    const char *begin = number.data();
    const char *end = begin + number.size();
    const auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Too large saturates; too small is zero.
        const bool negative = number.front() == '-';
        bool large = false;
        if (const auto e = number.find('e'); e != std::string::npos)
            large = number[e + 1] != '-';
        else
            large = true;
        if (!large)
            return negative ? -0.0f : 0.0f;
        return negative ? -std::numeric_limits<float>::max() : std::numeric_limits<float>::max();
    }
    if (ec != std::errc())
        return 0.0f;
    return clampToFloat(value);
}

QString DocumentFileFormat::formatFloat(float value)
{
    char buffer[128];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, double(value), std::chars_format::fixed, 6);
    if (ec != std::errc()) { // cannot happen for a float: at most 47 characters
        const int n = std::snprintf(buffer, sizeof buffer, "%f", double(value));
        return QString::fromLatin1(buffer, std::clamp(n, 0, int(sizeof buffer) - 1));
    }
    return QString::fromLatin1(buffer, end - buffer);
}

QString DocumentFileFormat::xmlSafeText(const QString &text)
{
    auto isBad = [](const QChar *p, const QChar *begin, const QChar *end) {
        const char16_t c = p->unicode();
        if (c < 0x20)
            return c != 0x09 && c != 0x0A && c != 0x0D;
        if (c == 0xFFFE || c == 0xFFFF)
            return true;
        if (QChar::isHighSurrogate(c))
            return p + 1 >= end || !QChar::isLowSurrogate(p[1].unicode());
        if (QChar::isLowSurrogate(c))
            return p == begin || !QChar::isHighSurrogate(p[-1].unicode());
        return false;
    };
    const QChar *begin = text.constData();
    const QChar *end = begin + text.size();
    const QChar *p = begin;
    while (p < end && !isBad(p, begin, end))
        ++p;
    if (p == end)
        return text;
    QString safe = text;
    for (qsizetype i = p - begin; i < text.size(); ++i)
        if (isBad(begin + i, begin, end))
            safe[i] = QChar(0xFFFD);
    return safe;
}

DocumentFileFormat::Kind DocumentFileFormat::kindOfLeadingBytes(const QByteArray &leadingBytes)
{
    if (leadingBytes.size() < 13)
        return Kind::Unknown;
    const QByteArrayView marker = QByteArrayView(leadingBytes).sliced(2, 11);
    if (marker == "xml version")
        return Kind::Xml;
    if (marker == "typedstream" || marker == "streamtyped")
        return Kind::Archive;
    return Kind::Unknown;
}

// ---------------------------------------------------------------------------
// Writing

void DocumentFileFormat::writeDocument(QXmlStreamWriter &writer, const Node &root, const DocumentValuesStore &store)
{
    writer.setAutoFormatting(true);
    writer.writeStartDocument(QStringLiteral("1.0"));
    writer.writeStartElement(QStringLiteral("Chronark"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("2.0"));
    root.nodeTreeAsXMLElementTreeWithFlags(writer, 0);
    store.encodeAsXMLElement(writer);
    writer.writeEndElement();
    writer.writeEndDocument();
}

QByteArray DocumentFileFormat::toXmlData(const Node &root, const DocumentValuesStore &store)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter writer(&buffer);
    writeDocument(writer, root, store);
    return data;
}

namespace {

// The length of a text after the entity conversion of the writer: what the reader
// sees as the attribute's value.
qsizetype convertedLength(const QString &text)
{
    // Every character becomes at most six ("&quot;").
    if (text.size() <= DocumentFileFormat::MaximumAttributeLength / 6)
        return text.size();
    return platform::XmlEntities::escaped(text).size();
}

// The references the XML writer makes of a text after the entity conversion: one
// per character the conversion turns into an entity (its "&" is escaped again) and
// one per tab, line feed and carriage return. Counts a little high for a text
// written without the conversion (an apostrophe stays as it is there).
qint64 writtenReferences(const QString &text)
{
    qint64 count = 0;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"': case u'&': case u'\'': case u'<': case u'>': case u'\t': case u'\n': case u'\r':
            ++count;
            break;
        default:
            break;
        }
    }
    return count;
}

QString nodeLabel(const Node &node)
{
    return node.itemName().isEmpty() ? Node::xmlTypeName(node.type()) : node.itemName().left(80);
}

struct WritableCheck
{
    qint64 elements = 0;
    QString reason;

    bool node(const Node &n, int elementDepth)
    {
        if (elementDepth > DocumentFileFormat::MaximumDepth)
            return fail(platform::localized(QStringLiteral("LSDocumentTooDeep"))
                            .arg(nodeLabel(n), QString::number(DocumentFileFormat::MaximumDepth - 2)));
        if (++elements > DocumentFileFormat::MaximumElementCount)
            return fail(platform::localized(QStringLiteral("LSDocumentTooManyItems"))
                            .arg(DocumentFileFormat::MaximumElementCount));
        if (!attribute(n.itemName(), n) || !attribute(n.descript(), n))
            return false;
        if (writtenReferences(n.itemName()) + writtenReferences(n.descript()) > DocumentFileFormat::MaximumReferencesPerTag)
            return fail(platform::localized(QStringLiteral("LSTextTooManyMarksToWrite"))
                            .arg(nodeLabel(n), QString::number(DocumentFileFormat::MaximumReferencesPerTag)));
        for (qsizetype i = 0; i < n.childrenCount(); ++i)
            if (const NodePtr child = n.childAtIndex(i); child && !node(*child, elementDepth + 1))
                return false;
        return true;
    }

    bool attribute(const QString &text, const Node &n)
    {
        if (convertedLength(text) <= DocumentFileFormat::MaximumAttributeLength)
            return true;
        return fail(platform::localized(QStringLiteral("LSTextTooLongToWrite"))
                        .arg(nodeLabel(n), QString::number(DocumentFileFormat::MaximumAttributeLength)));
    }

    bool fail(const QString &why)
    {
        reason = why;
        return false;
    }
};

bool setReason(QString *errorReason, const QString &reason)
{
    if (errorReason)
        *errorReason = reason;
    return false;
}

} // namespace

bool DocumentFileFormat::checkWritable(const Node &root, const DocumentValuesStore &store, QString *errorReason)
{
    WritableCheck check;
    // "Chronark" is depth 1, the root node's "document" depth 2.
    if (!check.node(root, 2))
        return setReason(errorReason, check.reason);
    // "documentValues", "tableColumnArray" and one element per column.
    check.elements += 2 + store.tableColumnArray().size();
    if (check.elements > MaximumElementCount)
        return setReason(errorReason, platform::localized(QStringLiteral("LSDocumentTooManyItems")).arg(MaximumElementCount));
    for (const TableColumnData &column : store.tableColumnArray()) {
        if (column.identifier().size() > MaximumAttributeLength / 6)
            return setReason(errorReason, platform::localized(QStringLiteral("LSTextTooLongToWrite"))
                                              .arg(column.identifier().left(80), QString::number(MaximumAttributeLength)));
        if (writtenReferences(column.identifier()) > MaximumReferencesPerTag)
            return setReason(errorReason, platform::localized(QStringLiteral("LSTextTooManyMarksToWrite"))
                                              .arg(column.identifier().left(80), QString::number(MaximumReferencesPerTag)));
    }
    return true;
}

bool DocumentFileFormat::writeToFile(const QString &path, const QString &typeName, const Node &root,
                                     const DocumentValuesStore &store, QString *errorReason)
{
    if (typeName != TypeName)
        return setReason(errorReason, QString());
    if (!checkWritable(root, store, errorReason))
        return false;
    // Unbuffered, so that a short write (a full disk, a size limit) is seen here:
    // a buffered save file finds it only while committing, and commits anyway.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return setReason(errorReason, file.errorString());
    // Streamed: the document never sits in memory as a whole.
    DocumentOutputDevice output(&file, MaximumFileSize);
    QXmlStreamWriter writer(&output);
    writeDocument(writer, root, store);
    if (!output.flushToTarget() || writer.hasError()) {
        const QString reason = output.failed() ? output.failureReason() : file.errorString();
        file.cancelWriting();
        return setReason(errorReason, reason);
    }
    if (!file.commit())
        return setReason(errorReason, file.errorString());
    return true;
}

// ---------------------------------------------------------------------------
// Reading

bool DocumentFileFormat::readXmlData(const QByteArray &data, ReadResult &out)
{
    if (data.size() > MaximumFileSize)
        return false;
    // Through a device the reader decodes the bytes in small blocks instead of
    // holding a UTF-16 copy of the whole document.
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return false;
    return readXmlDevice(&buffer, out);
}

bool DocumentFileFormat::readXmlDevice(QIODevice *device, ReadResult &out)
{
    // The form the writer makes is read directly; anything else, from the start
    // again, through the XML library (a sequential device cannot start again).
    if (!device->isSequential()) {
        const qint64 start = device->pos();
        bool handedOver = false;
        if (readWrittenForm(device, out, &handedOver))
            return true;
        if (!handedOver || !device->seek(start))
            return false;
    }
    return readXmlWithLibrary(device, out);
}

bool DocumentFileFormat::readWrittenForm(QIODevice *device, ReadResult &out, bool *handedOver)
{
    WrittenFormTokens tokens(device);
    ReadResult result;
    const bool read = parse(tokens, result);
    if (handedOver)
        *handedOver = tokens.handedOver();
    if (!read || tokens.handedOver())
        return false;
    out = std::move(result);
    return true;
}

namespace {

// Reading in parts: files below this size are read whole (threads cost more than
// they save), and the marks that cut a file are looked for within these bytes.
constexpr qint64 MinimumSizeForParts = qint64(1) << 20;
constexpr int MaximumReadParts = 4;
constexpr qint64 HeadBytesForParts = qint64(1) << 16;
constexpr qint64 TailBytesForParts = qint64(1) << 20;
// The writer puts each element on a line of its own, indented by four blanks a level:
// the root element at two levels, its children at three.
constexpr std::string_view RootStartMark = "\n    <document ";
constexpr std::string_view RootEndMark = "\n    </document>";
constexpr std::string_view ChildMark = "\n        <";
constexpr int ChildDepth = 3;

bool isNameStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The first offset at or after `from` and before `before` where a line of the
// child mark starts a tag (a letter follows the mark); -1 when there is none.
qint64 nextChildMark(QFile &file, qint64 from, qint64 before)
{
    constexpr qint64 Block = qint64(1) << 16;
    const qint64 overlap = qint64(ChildMark.size());
    for (qint64 at = from; at < before; at += Block) {
        if (!file.seek(at))
            return -1;
        const QByteArray bytes = file.read(std::min(Block + overlap, before - at + overlap));
        const std::string_view view(bytes.constData(), size_t(bytes.size()));
        for (size_t i = view.find(ChildMark); i != std::string_view::npos; i = view.find(ChildMark, i + 1)) {
            const qint64 mark = at + qint64(i);
            if (mark >= before)
                return -1;
            if (i + ChildMark.size() < view.size() && isNameStart(view[i + ChildMark.size()]))
                return mark;
        }
    }
    return -1;
}

// One part: the bytes [begin, end) of the file, node elements at the children's depth.
struct Part
{
    Part(qint64 from, qint64 to) : begin(from), end(to) {}
    qint64 begin = 0;
    qint64 end = 0;
    std::vector<NodePtr> nodes;
    qint64 elements = 0;
    std::vector<std::string> names;
    bool read = false;
};

// The file a descriptor is open on: its device and inode.
std::pair<dev_t, ino_t> fileIdentity(const QFile &file)
{
    struct stat status{};
    if (::fstat(file.handle(), &status) != 0)
        return {0, 0};
    return {status.st_dev, status.st_ino};
}

// Reads a part from a descriptor of its own, opened on the same file as the whole
// (a file put in its place meanwhile is not read).
void readPart(const QString &path, std::pair<dev_t, ino_t> identity, const QDateTime &now, Part &part)
{
    QFile file;
    if (!platform::RegularFile::openForReading(file, path) || fileIdentity(file) != identity
        || !file.seek(part.begin))
        return;
    WrittenFormTokens tokens(&file, part.end - part.begin, true);
    XmlDocumentReader<WrittenFormTokens> reader(tokens, now);
    part.read = reader.readFragment(part.nodes, ChildDepth) && !tokens.handedOver();
    part.elements = reader.elements();
    part.names = tokens.names();
}

} // namespace

bool DocumentFileFormat::readWrittenFormInParts(const QString &path, int parts, ReadResult &out)
{
    if (parts < 2)
        return false;
    QFile file;
    if (!platform::RegularFile::openForReading(file, path))
        return false;
    const qint64 size = file.size();
    if (size > MaximumFileSize)
        return false;

    // The children of the root element lie between the end of its start tag and the
    // start of its end tag.
    const QByteArray head = file.read(HeadBytesForParts);
    const qsizetype rootStart = head.indexOf(QByteArrayView(RootStartMark.data(), qsizetype(RootStartMark.size())));
    if (rootStart < 0)
        return false;
    const qsizetype rootTagEnd = head.indexOf('>', rootStart);
    if (rootTagEnd < 0 || head.at(rootTagEnd - 1) == '/')
        return false;
    const qint64 childrenBegin = rootTagEnd + 1;
    const qint64 tailStart = std::max<qint64>(childrenBegin, size - TailBytesForParts);
    if (!file.seek(tailStart))
        return false;
    const QByteArray tail = file.readAll();
    const qsizetype rootEnd = tail.lastIndexOf(QByteArrayView(RootEndMark.data(), qsizetype(RootEndMark.size())));
    if (rootEnd < 0)
        return false;
    const qint64 childrenEnd = tailStart + rootEnd;

    // Cut at the child marks nearest to equal shares.
    std::vector<Part> cut;
    qint64 begin = childrenBegin;
    for (int i = 1; i < parts; ++i) {
        const qint64 share = childrenBegin + (childrenEnd - childrenBegin) * i / parts;
        const qint64 mark = nextChildMark(file, std::max(share, begin + 1), childrenEnd);
        if (mark < 0)
            break;
        if (mark <= begin)
            continue;
        cut.emplace_back(begin, mark);
        begin = mark;
    }
    if (cut.empty())
        return false;
    cut.emplace_back(begin, childrenEnd);

    // The rest of the file, without the children, read as a whole.
    const qint64 restSize = childrenBegin + (size - childrenEnd);
    if (restSize > HeadBytesForParts + TailBytesForParts || !file.seek(0))
        return false;
    QByteArray rest = file.read(childrenBegin);
    if (!file.seek(childrenEnd))
        return false;
    rest += file.readAll();
    if (rest.size() != restSize)
        return false;

    const std::pair<dev_t, ino_t> identity = fileIdentity(file);
    file.close();
    if (identity.second == 0)
        return false;

    // A part on each helper thread there is, the others on this one.
    const QDateTime now = platform::Clock::now();
    std::vector<std::thread> helpers;
    for (size_t i = 1; i < cut.size(); ++i) {
        try {
            helpers.emplace_back([&path, identity, &now, &part = cut[i]] { readPart(path, identity, now, part); });
        } catch (const std::system_error &) {
            break;
        }
    }
    readPart(path, identity, now, cut[0]);
    for (size_t i = helpers.size() + 1; i < cut.size(); ++i)
        readPart(path, identity, now, cut[i]);

    QBuffer buffer(&rest);
    buffer.open(QIODevice::ReadOnly);
    WrittenFormTokens tokens(&buffer);
    XmlDocumentReader<WrittenFormTokens> reader(tokens, now);
    ReadResult result;
    const bool restRead = reader.read(result, false) && !tokens.handedOver();
    std::vector<std::string> names = tokens.names();
    for (std::thread &helper : helpers)
        helper.join();

    // Every part must read as the whole would: the root is the element cut open, the
    // count of elements and of different names within the whole's bounds.
    if (!restRead || !result.root || reader.rootTagEnd() != childrenBegin)
        return false;
    qint64 elements = reader.elements();
    for (const Part &part : cut) {
        if (!part.read)
            return false;
        elements += part.elements;
        for (const std::string &name : part.names) {
            if (std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
        }
    }
    if (elements > MaximumElementCount || names.size() > WrittenFormTokens::MaximumNames)
        return false;
    std::vector<NodePtr> children;
    for (Part &part : cut)
        std::move(part.nodes.begin(), part.nodes.end(), std::back_inserter(children));
    result.root->adoptChildrenWhileReading(children);
    XmlDocumentReader<WrittenFormTokens>::finishTree(*result.root);
    out = std::move(result);
    return true;
}

bool DocumentFileFormat::readXmlWithLibrary(QIODevice *device, ReadResult &out)
{
    XmlMarkupGuardDevice::Bounds bounds;
    bounds.attributesPerTag = MaximumAttributesPerElement;
    bounds.attributeLength = MaximumAttributeLength;
    bounds.tagTextLength = MaximumTagTextLength;
    bounds.referencesPerTag = MaximumReferencesPerTag;
    bounds.textLength = MaximumTextLength;
    bounds.whitespaceLength = MaximumWhitespaceLength;
    bounds.tagLength = MaximumTagLength;
    XmlMarkupGuardDevice guarded(device, bounds);
    QXmlStreamReader xml(&guarded);
    ReadResult result;
    // A refusal ends the bytes: what came before may still parse as a whole.
    if (!parse(xml, result) || guarded.refused())
        return false;
    out = std::move(result);
    return true;
}

bool DocumentFileFormat::readArchiveData(const QByteArray &data, ReadResult &out)
{
    return DocumentArchiveDecoder::decode(data, out);
}

bool DocumentFileFormat::readData(const QByteArray &data, ReadResult &out)
{
    switch (kindOfLeadingBytes(data.left(13))) {
    case Kind::Xml:
        return readXmlData(data, out);
    case Kind::Archive:
        return data.size() <= MaximumArchiveSize && readArchiveData(data, out);
    case Kind::Unknown:
        break;
    }
    return false;
}

bool DocumentFileFormat::readFromFile(const QString &path, const QString &typeName, ReadResult &out)
{
    if (typeName != TypeName)
        return false;
    // Not a pipe or device: opening a pipe waits for a writer.
    QFile file;
    if (!platform::RegularFile::openForReading(file, path))
        return false;
    const qint64 size = file.size();
    if (size > MaximumFileSize)
        return false;
    const QByteArray leading = file.read(13);
    switch (kindOfLeadingBytes(leading)) {
    case Kind::Xml:
        // A large file of the writer's form on several threads, when there are.
        if (size >= MinimumSizeForParts
            && readWrittenFormInParts(path, std::min(QThread::idealThreadCount(), MaximumReadParts), out))
            return true;
        // Streamed from the file: the document never sits in memory as a whole.
        if (!file.seek(0))
            return false;
        return readXmlDevice(&file, out);
    case Kind::Archive: {
        // The size first: an archive is decoded from memory.
        if (size > MaximumArchiveSize || !file.seek(0))
            return false;
        const QByteArray data = file.readAll();
        if (data.size() > MaximumArchiveSize)
            return false;
        return readArchiveData(data, out);
    }
    case Kind::Unknown:
        break;
    }
    return false;
}
