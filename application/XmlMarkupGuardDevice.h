#pragma once
// A read-only device between an XML file and the XML library: it scans the bytes
// as they pass and stops the flow (a read error) at the first tag with more
// attributes than allowed, and at any markup declaration ("<!DOCTYPE", "<!ENTITY"
// …). So the library never sees such a tag: its duplicate-attribute check is
// quadratic in the attributes of one tag, and a document type declaration could
// declare entities to expand. Comments, CDATA sections and processing instructions
// pass unexamined; quoted attribute values may hold any character.
//
// The scan works on bytes and assumes an ASCII-compatible encoding (UTF-8): the
// caller refuses a document that declares another encoding.
//
// Ownership: the source is not owned and must outlive the device. Not thread-safe.
// Failure: once refused, every read answers -1 and refused() is true.
#include <QIODevice>

class XmlMarkupGuardDevice : public QIODevice
{
    Q_OBJECT
public:
    XmlMarkupGuardDevice(QIODevice *source, int maximumAttributesPerTag, QObject *parent = nullptr);
    ~XmlMarkupGuardDevice() override;

    bool refused() const { return m_refused; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    // Answers false at the first byte that breaks a rule.
    bool scan(const char *data, qint64 size);
    // Inside a comment or CDATA section: two or more of `run` and then '>' end it.
    void closeAfterRun(char c, char run);

    enum class State { Text, Open, Bang, BangDash, CDataOpening, Comment, CData, Instruction, StartTag, EndTag };
    QIODevice *m_source;
    int m_maximumAttributes;
    State m_state = State::Text;
    char m_quote = 0;     // the quote of the attribute value being scanned, 0 outside one
    int m_attributes = 0; // attributes of the start tag being scanned
    int m_progress = 0;   // matched characters of an opening or closing sequence
    bool m_refused = false;
};
