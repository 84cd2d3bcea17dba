#pragma once
// The tokens of a document in the form DocumentFileFormat's writer makes, straight
// from the bytes in one pass, for the direct reader (XmlDocumentReader over these
// tokens): an XML declaration of version 1.0 (UTF-8 or no encoding), with a UTF-8
// byte-order mark before it or not, elements with ASCII letter names, attributes in
// double quotes separated by one blank, values of characters, UTF-8 sequences, the
// five predefined entities and character references; white space between tags. It
// answers with the calls of QXmlStreamReader that the document reader makes.
//
// The tokens end in one of three ways, so that the reader of a file is decided once:
// - the end of the document: read;
// - refused(): bytes that are no well-formed XML whatever follows them (cut short
//   inside the root element, a control character, a broken UTF-8 sequence, an entity
//   no document without a declaration has, a character reference to no XML
//   character, '<' in a value, an attribute twice, an end tag of another element,
//   text after the root element), or a failed read of the device. The XML library
//   (behind its markup guard) would refuse all of these.
// - handedOver(): XML of another form (comments, single quotes, other blanks, names
//   or declarations, more names than MaximumNames): the caller reads the same bytes
//   through the XML library, which decides. pastABound() when it stopped at one of
//   the bounds of the library's markup guard (a tag's references or attributes, a
//   run of blanks) or at a tag longer than it holds (which a value past its length
//   is): its count may differ from the guard's at the edges, so the guard decides.
// Each stop answers `Invalid`.
//
// Ownership: the device is not owned and must outlive the tokens. Not thread-safe;
// one instance per read. Memory: blocks of the device, grown to hold one tag (at most
// MaximumTagBytes), and the values of the last tag.
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/Node.h"

#include <QString>
#include <QStringView>
#include <QXmlStreamAttributes>
#include <QXmlStreamReader>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QIODevice;

class WrittenFormTokens
{
public:
    using TokenType = QXmlStreamReader::TokenType;

    explicit WrittenFormTokens(QIODevice *device);

    TokenType readNext();
    // Reads on without keeping anything, counting the start tags below the root
    // element, and stops once they pass `limit`: their count (limit + 1 when passed).
    qint64 countElements(qint64 limit);

    bool handedOver() const { return m_stop == Stop::HandedOver || m_stop == Stop::PastBound; }
    bool pastABound() const { return m_stop == Stop::PastBound; }
    bool refused() const { return m_stop == Stop::Refused; }
    bool atEnd() const { return m_stop != Stop::None; }
    bool hasError() const { return m_stop != Stop::None && m_stop != Stop::End; }
    QStringView qualifiedName() const
    {
        return m_names.empty() ? QStringView() : QStringView(m_names[size_t(m_name)].second);
    }
    // The attributes of the last start tag, made on demand: node elements are read
    // from the views below, which refer to storage the next tag reuses.
    const QXmlStreamAttributes &attributes();
    const Node::XMLAttributeView *attributeViews() const { return m_views.data(); }
    // Node::intTypeForXMLTypeName() of the element's name, looked up once a name.
    int nodeType();
    qsizetype attributeCount() const { return m_attributeCount; }
    QStringView documentEncoding() const { return m_encoding; }

    // Different names the reader tells apart; a document with more is left to the
    // library.
    static constexpr size_t MaximumNames = 64;
    // Longer tags (values near their bounds, which no real document has) are not
    // held: the buffer then never holds more than the library would. They stop the
    // tokens as past a bound.
    static constexpr qsizetype MaximumTagBytes = DocumentFileFormat::MaximumAttributeLength;
    static_assert(MaximumTagBytes <= DocumentFileFormat::MaximumAttributeLength
                  && MaximumTagBytes <= DocumentFileFormat::MaximumTagTextLength);

private:
    static constexpr std::array<int, MaximumNames> filledWith(int value)
    {
        std::array<int, MaximumNames> values{};
        values.fill(value);
        return values;
    }
    static constexpr qsizetype BlockSize = 1 << 16;
    static constexpr qsizetype MaximumNameLength = 64;
    static constexpr qsizetype LongValue = 1024;

    enum class Stop { None, End, HandedOver, PastBound, Refused };
    // What a tag or value scanned so far is: whole, cut by the buffer's end, of
    // another form, past a bound, or no XML.
    enum class Scan { Done, More, Other, PastBound, Bad };

    TokenType handOver();
    TokenType refuse();
    TokenType pastBound();
    // At least `count` bytes from m_pos in the buffer, unless the device ends (or
    // fails: m_failed) first.
    bool fill(qsizetype count);
    TokenType startDocument();
    TokenType endElement();
    TokenType tag();
    Scan scanTag();
    // Other for a byte of another form, Bad for one no XML document holds.
    static Scan otherOrBad(char c);
    const char *name(const char *p, const char *end, bool &more) const;
    // A reference after its '&' up to the ';': Done with its character; Bad when no
    // document without a declaration has it (another entity, a number of no XML
    // character), Other for a number of more digits than a character needs.
    static Scan reference(std::string_view r, char32_t &c);
    int nameIndex(const char *p, const char *q);
    Scan decodeValue(const char *p, const char *end, QString &value, qint64 &references);
    void releaseLongValues();

    QIODevice *m_device;
    std::vector<char> m_buffer;
    qsizetype m_pos = 0;
    qsizetype m_end = 0;
    bool m_failed = false; // the device answered a read with an error
    bool m_started = false;
    bool m_rootSeen = false;
    bool m_pendingEnd = false;
    Stop m_stop = Stop::None;
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
    // The name that followed each name the last time, and the first name (-1: none yet).
    int m_firstName = -1;
    std::array<int, MaximumNames> m_successors = filledWith(-1);
    // Node::xmlAttributeIndex() of each name, looked up once.
    static constexpr int NotLookedUp = -2;
    std::array<int, MaximumNames> m_nodeAttributes = filledWith(NotLookedUp);
    std::array<int, MaximumNames> m_nodeTypes = filledWith(NotLookedUp);
    std::array<int, DocumentFileFormat::MaximumAttributesPerElement> m_tagNames{};
};
