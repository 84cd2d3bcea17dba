#include "application/DocumentFileFormat.h"

#include "application/DocumentArchiveDecoder.h"
#include "application/DocumentOutputDevice.h"
#include "application/XmlMarkupGuardDevice.h"

#include "FoundationExtensions/NTXNSStringExtension.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/RegularFile.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <charconv>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

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

// Streaming reader of one document. Everything is built aside and handed out only
// when the whole input parsed.
class XmlDocumentReader
{
public:
    explicit XmlDocumentReader(QXmlStreamReader &xml) : m_xml(xml), m_now(platform::Clock::now()) {}

    bool read(DocumentFileFormat::ReadResult &out)
    {
        if (!nextStartElementAtTop())
            return false;
        if (m_xml.qualifiedName() != u"Chronark" || !attributesWithinBounds(m_xml.attributes()))
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

        if (!root) {
            root = Node::create(Node::Root, m_now);
        }
        root->setAllParentValues();
        root->deactivedTimeNodeForTree();
        root->recalcWorkTimeForTree();
        out.root = std::move(root);
        out.store = store ? std::move(*store) : DocumentValuesStore();
        return true;
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
        return attributesWithinBounds(m_xml.attributes());
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
    // its subtree, none on any error.
    NodePtr readNodeTree(int depth)
    {
        NodePtr top = makeNode();
        std::vector<Node *> stack{top.get()};
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (!acceptElement(depth + int(stack.size())))
                    return NodePtr();
                NodePtr child = std::make_shared<Node>(m_now);
                // Appended first, then filled, like every node of the tree.
                stack.back()->addChild(child);
                fill(*child);
                stack.push_back(child.get());
            } else if (token == QXmlStreamReader::EndElement) {
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
        node.setType(Node::intTypeForXMLTypeName(m_xml.qualifiedName()));
        node.fillNodeWithXMLElementAttributes(m_xml.attributes());
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

    QXmlStreamReader &m_xml;
    QDateTime m_now;
    qint64 m_elements = 0;
};

bool parse(QXmlStreamReader &xml, DocumentFileFormat::ReadResult &out)
{
    xml.setNamespaceProcessing(false);
    XmlDocumentReader reader(xml);
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
    return NTXNSStringExtension::stringByConvertCharactersToXML(text).size();
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
