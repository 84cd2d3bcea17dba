#include "application/tree/XmlMarkupGuardDevice.h"

#include <QByteArrayView>

#include <algorithm>
#include <string_view>

namespace {

constexpr char CDataOpening[] = "[CDATA[";

bool isBlank(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

} // namespace

XmlMarkupGuardDevice::XmlMarkupGuardDevice(QIODevice *source, const Bounds &bounds, QObject *parent)
    : QIODevice(parent), m_source(source), m_bounds(bounds)
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

XmlMarkupGuardDevice::~XmlMarkupGuardDevice() = default;

qint64 XmlMarkupGuardDevice::writeData(const char *, qint64)
{
    return -1;
}

void XmlMarkupGuardDevice::closeAfterRun(char c, char run)
{
    if (c == run)
        ++m_progress;
    else if (c == '>' && m_progress >= 2)
        enterText();
    else
        m_progress = 0;
}

void XmlMarkupGuardDevice::enterText()
{
    m_state = State::Text;
    m_length = 0;
    m_runHasText = false;
}

qint64 XmlMarkupGuardDevice::readData(char *data, qint64 maxSize)
{
    if (m_refused)
        return -1;
    // The end of a character held back from the last read comes first.
    qint64 n = std::min<qint64>(m_heldCount, maxSize);
    std::copy_n(m_held, n, data);
    std::copy(m_held + n, m_held + m_heldCount, m_held);
    m_heldCount -= int(n);
    if (m_heldCount > 0)
        return n;
    while (n < maxSize) {
        const qint64 read = m_source->read(data + n, maxSize - n);
        if (read < 0)
            return n > 0 ? n : read;
        if (read == 0) {
            if (n == 0 || incompleteCharacterAtEnd(data, n) == 0)
                return n;
            // The bytes end inside a character: the library's decoder would wait for
            // the rest of it and let the document end there.
            m_refused = true;
            setErrorString(QStringLiteral("a document ending inside a UTF-8 sequence"));
            return -1;
        }
        if (!scan(data + n, read)) {
            m_refused = true;
            setErrorString(QStringLiteral("markup beyond the document's bounds"));
            return -1;
        }
        n += read;
        // A character cut by the read's end waits for the next read: a read of part
        // of a character only, the library takes for the end of the document.
        const int incomplete = incompleteCharacterAtEnd(data, n);
        if (n > incomplete) {
            std::copy_n(data + n - incomplete, incomplete, m_held);
            m_heldCount = incomplete;
            return n - incomplete;
        }
    }
    return n;
}

int XmlMarkupGuardDevice::incompleteCharacterAtEnd(const char *data, qint64 size) const
{
    if (!m_utf8)
        return 0;
    // The last byte that begins a character, among the last four.
    qint64 lead = size - 1;
    while (lead >= 0 && size - lead < 4 && (static_cast<unsigned char>(data[lead]) & 0xC0) == 0x80)
        --lead;
    if (lead < 0)
        return 0;
    const auto byte = static_cast<unsigned char>(data[lead]);
    const int length = (byte & 0xE0) == 0xC0 ? 2 : (byte & 0xF0) == 0xE0 ? 3 : (byte & 0xF8) == 0xF0 ? 4 : 1;
    return size - lead < length ? int(size - lead) : 0;
}

bool XmlMarkupGuardDevice::scanValue(char c)
{
    if (m_reference >= 0) {
        // Inside "&…;": the whole reference is one character.
        if (c == ';')
            m_reference = -1;
        else if (++m_reference > MaximumReferenceLength)
            return false;
        return true;
    }
    const auto byte = static_cast<unsigned char>(c);
    int units = 1;
    if (c == '&') {
        m_reference = 0;
        if (++m_references > m_bounds.referencesPerTag)
            return false;
    } else if (m_utf8 && (byte & 0xC0) == 0x80) {
        units = 0; // continues a UTF-8 sequence
    } else if (m_utf8 && (byte & 0xF8) == 0xF0) {
        units = 2; // outside the basic plane: a surrogate pair
    } else if (c == '\n' && m_afterCR) {
        units = 0; // CR LF is one line end
    }
    m_afterCR = c == '\r';
    m_valueLength += units;
    m_tagText += units;
    return m_valueLength <= m_bounds.attributeLength && m_tagText <= m_bounds.tagTextLength;
}

void XmlMarkupGuardDevice::declarationEnded()
{
    m_declaration = Declaration::Past;
    // "xml", then pseudo-attributes: name, '=', a value in either quote.
    const std::string_view text = m_declarationText;
    size_t at = 0;
    auto skipBlanks = [&] {
        while (at < text.size() && isBlank(text[at]))
            ++at;
    };
    // Anything but "xml" and a blank is an instruction, no declaration.
    const bool declaration = text.size() > 3 && text.substr(0, 3) == "xml" && isBlank(text[3]);
    at = 3;
    while (declaration) {
        skipBlanks();
        const size_t name = at;
        while (at < text.size() && ((text[at] >= 'a' && text[at] <= 'z') || (text[at] >= 'A' && text[at] <= 'Z')))
            ++at;
        const std::string_view key = text.substr(name, at - name);
        skipBlanks();
        if (key.empty() || at >= text.size() || text[at] != '=')
            break;
        ++at;
        skipBlanks();
        if (at >= text.size() || (text[at] != '"' && text[at] != '\''))
            break;
        const size_t close = text.find(text[at], at + 1);
        if (close == std::string_view::npos)
            break;
        const std::string_view value = text.substr(at + 1, close - at - 1);
        at = close + 1;
        if (key == "encoding") {
            m_utf8 = QByteArrayView(value.data(), qsizetype(value.size())).compare("UTF-8", Qt::CaseInsensitive) == 0;
            break;
        }
    }
    m_declarationText.clear();
    m_declarationText.shrink_to_fit();
}

qint64 XmlMarkupGuardDevice::plainValueRun(const char *data, qint64 size) const
{
    // Bytes that are one character each and end nothing: most of every value.
    const char quote = m_quote;
    qint64 j = 0;
    while (j < size) {
        const char c = data[j];
        if (c == quote || c == '&' || c == '\r' || c == '\n' || static_cast<unsigned char>(c) >= 0x80)
            break;
        ++j;
    }
    return j;
}

bool XmlMarkupGuardDevice::scan(const char *data, qint64 size)
{
    for (qint64 i = 0; i < size; ++i) {
        const char c = data[i];
        switch (m_state) {
        case State::Text: {
            // The run up to the next tag at once.
            qint64 j = i;
            bool text = m_runHasText;
            while (j < size && data[j] != '<') {
                text = text || !isBlank(data[j]);
                ++j;
            }
            m_length += j - i;
            m_runHasText = text;
            if (m_length > (text ? m_bounds.textLength : m_bounds.whitespaceLength))
                return false;
            if (j < size) {
                m_state = State::Open;
                m_length = 0;
            }
            i = j;
            break;
        }
        case State::Open:
            // The declaration is the first markup, or there is none.
            if (m_declaration == Declaration::Ahead)
                m_declaration = c == '?' ? Declaration::Reading : Declaration::Past;
            if (c == '!') {
                m_state = State::Bang;
            } else if (c == '?') {
                m_state = State::Instruction;
                m_progress = 0;
            } else if (c == '/') {
                m_state = State::EndTag;
            } else {
                m_state = State::StartTag;
                m_attributes = 0;
                m_quote = 0;
                m_tagText = 0;
                m_references = 0;
                m_length = 1;
            }
            break;
        case State::Bang:
            if (c == '-') {
                m_state = State::BangDash;
            } else if (c == '[') {
                m_state = State::CDataOpening;
                m_progress = 1;
            } else {
                return false; // a declaration: "<!DOCTYPE", "<!ENTITY", …
            }
            break;
        case State::BangDash:
            if (c != '-')
                return false;
            m_state = State::Comment;
            m_progress = 0;
            break;
        case State::CDataOpening:
            if (c != CDataOpening[m_progress])
                return false;
            if (++m_progress == int(sizeof CDataOpening) - 1) {
                m_state = State::CData;
                m_progress = 0;
            }
            break;
        case State::Comment: // ends with "-->"
            if (++m_length > m_bounds.textLength)
                return false;
            closeAfterRun(c, '-');
            break;
        case State::CData: // ends with "]]>"
            if (++m_length > m_bounds.textLength)
                return false;
            closeAfterRun(c, ']');
            break;
        case State::Instruction: // ends with "?>"
            if (++m_length > m_bounds.textLength)
                return false;
            if (m_declaration == Declaration::Reading)
                m_declarationText.push_back(c);
            if (c == '>' && m_progress == 1) {
                if (m_declaration == Declaration::Reading)
                    declarationEnded();
                enterText();
            } else
                m_progress = c == '?' ? 1 : 0;
            break;
        case State::StartTag:
            if (m_quote) {
                if (m_reference < 0) {
                    if (const qint64 run = plainValueRun(data + i, size - i)) {
                        m_valueLength += run;
                        m_tagText += run;
                        m_afterCR = false;
                        if (m_valueLength > m_bounds.attributeLength || m_tagText > m_bounds.tagTextLength)
                            return false;
                        i += run - 1;
                        break;
                    }
                }
                if (c == m_quote)
                    m_quote = 0;
                else if (!scanValue(c))
                    return false;
                break;
            }
            {
                // Names and blanks up to the next quote, equals sign or end at once.
                qint64 j = i;
                while (j < size && data[j] != '"' && data[j] != '\'' && data[j] != '=' && data[j] != '>')
                    ++j;
                m_length += j - i;
                if (j == size)
                    return m_length <= m_bounds.tagLength;
                i = j;
            }
            if (++m_length > m_bounds.tagLength)
                return false;
            if (data[i] == '"' || data[i] == '\'') {
                m_quote = data[i];
                m_valueLength = 0;
                m_reference = -1;
                m_afterCR = false;
            } else if (data[i] == '=') {
                if (++m_attributes > m_bounds.attributesPerTag)
                    return false;
            } else {
                enterText(); // '>'
            }
            break;
        case State::EndTag: {
            qint64 j = i;
            while (j < size && data[j] != '>')
                ++j;
            m_length += j - i + (j < size ? 1 : 0);
            if (m_length > m_bounds.tagLength)
                return false;
            if (j < size)
                enterText();
            i = j;
            break;
        }
        }
    }
    return true;
}
