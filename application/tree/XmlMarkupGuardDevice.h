#pragma once
// A read-only device between an XML file and the XML library: it scans the bytes
// as they pass and stops the flow (a read error) at the first byte that breaks one
// of its bounds, so the library never buffers what the bound forbids:
// - a markup declaration ("<!DOCTYPE", "<!ENTITY" …): a document type declaration
//   could declare entities to expand;
// - a tag with more attributes than allowed (the library's duplicate-attribute
//   check is quadratic in the attributes of one tag);
// - an attribute value longer, in characters as the library will parse them, than
//   allowed, and a tag whose values together hold too many characters or too many
//   references ("&#10;", "&amp;": each costs the library far more than a byte);
//   a reference longer than any the format can hold;
// - a run of character data between two tags, a comment, a CDATA section or a
//   processing instruction longer than allowed; white space between tags has a
//   bound of its own (indentation may be long, text has no place in the files);
// - a tag whose markup outside its quoted values (names, blanks) is too long;
// - in a UTF-8 document, bytes that end inside a UTF-8 sequence (after the root
//   element, where the library's decoder waits for the rest of the character and
//   lets the document end).
// In a UTF-8 document a character that a read of the source cuts is handed on whole
// with the next read: the library takes a read of part of a character only for the
// end of the document. Quoted attribute values may hold any character.
//
// The scan works on bytes and assumes an encoding in which the markup is ASCII (any
// the document's leading bytes let through). A document is UTF-8 unless its XML
// declaration names another encoding; in UTF-8, characters are counted as UTF-16
// units (a four-byte sequence is two, CR LF one, a reference one). In another
// encoding every byte counts as a character (no character takes less than a byte,
// so no bound is passed unseen) and bytes are handed on as they come: what they
// mean is the library's to decode, or the caller's to refuse.
//
// Ownership: the source is not owned and must outlive the device. Not thread-safe.
// Failure: once refused, every read answers -1 and refused() is true.
#include <QIODevice>

#include <string>

class XmlMarkupGuardDevice : public QIODevice
{
    Q_OBJECT
public:
    struct Bounds
    {
        int attributesPerTag = 0;
        qint64 attributeLength = 0;    // characters of one value
        qint64 tagTextLength = 0;      // characters of all values of one tag
        qint64 referencesPerTag = 0;   // references in all values of one tag
        qint64 textLength = 0;         // bytes of character data, comment, CDATA or instruction
        qint64 whitespaceLength = 0;   // bytes of white space between two tags
        qint64 tagLength = 0;          // bytes of a tag outside its quoted values
    };
    // The longest reference the format holds is "&#x10FFFF;".
    static constexpr int MaximumReferenceLength = 32; // bytes after the "&"

    XmlMarkupGuardDevice(QIODevice *source, const Bounds &bounds, QObject *parent = nullptr);
    ~XmlMarkupGuardDevice() override;

    bool refused() const { return m_refused; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    // Answers false at the first byte that breaks a rule.
    bool scan(const char *data, qint64 size);
    // The bytes at the end that begin a UTF-8 sequence and do not finish it (none
    // in a document of another encoding).
    int incompleteCharacterAtEnd(const char *data, qint64 size) const;
    // The end of the XML declaration (the first markup of the document, when it is
    // "<?xml …?>"): the encoding it names decides how the bytes are counted.
    void declarationEnded();
    // One byte of a quoted attribute value.
    bool scanValue(char c);
    // The length of the run of plain bytes (one character each, no quote, reference
    // or line end) at the start of a quoted value's bytes.
    qint64 plainValueRun(const char *data, qint64 size) const;
    // After a tag, comment, CDATA section or instruction: a new run of text.
    void enterText();
    // Inside a comment or CDATA section: two or more of `run` and then '>' end it.
    void closeAfterRun(char c, char run);

    enum class State { Text, Open, Bang, BangDash, CDataOpening, Comment, CData, Instruction, StartTag, EndTag };
    QIODevice *m_source;
    Bounds m_bounds;
    State m_state = State::Text;
    char m_quote = 0;          // the quote of the attribute value being scanned, 0 outside one
    int m_attributes = 0;      // attributes of the start tag being scanned
    int m_progress = 0;        // matched characters of an opening or closing sequence
    qint64 m_length = 0;       // bytes of the text run, comment, instruction or tag markup
    bool m_runHasText = false; // the text run holds more than white space
    qint64 m_valueLength = 0;  // characters of the value being scanned
    qint64 m_tagText = 0;      // characters of the tag's values
    qint64 m_references = 0;   // references in the tag's values
    int m_reference = -1;      // bytes of the reference being scanned, -1 outside one
    bool m_afterCR = false;    // the last value byte was a CR
    char m_held[4] = {};       // the beginning of a character cut by the last read's end
    int m_heldCount = 0;
    // The XML declaration: not reached yet, being read (its bytes so far, a few
    // hundred at most), or past (or never there).
    enum class Declaration { Ahead, Reading, Past };
    Declaration m_declaration = Declaration::Ahead;
    std::string m_declarationText;
    bool m_utf8 = true;        // the document's encoding is UTF-8
    bool m_refused = false;
};
