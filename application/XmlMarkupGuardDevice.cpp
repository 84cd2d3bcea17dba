#include "application/XmlMarkupGuardDevice.h"

namespace {

constexpr char CDataOpening[] = "[CDATA[";

} // namespace

XmlMarkupGuardDevice::XmlMarkupGuardDevice(QIODevice *source, int maximumAttributesPerTag, QObject *parent)
    : QIODevice(parent), m_source(source), m_maximumAttributes(maximumAttributesPerTag)
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
        m_state = State::Text;
    else
        m_progress = 0;
}

qint64 XmlMarkupGuardDevice::readData(char *data, qint64 maxSize)
{
    if (m_refused)
        return -1;
    const qint64 n = m_source->read(data, maxSize);
    if (n <= 0)
        return n;
    if (!scan(data, n)) {
        m_refused = true;
        setErrorString(QStringLiteral("markup beyond the document's bounds"));
        return -1;
    }
    return n;
}

bool XmlMarkupGuardDevice::scan(const char *data, qint64 size)
{
    for (qint64 i = 0; i < size; ++i) {
        const char c = data[i];
        switch (m_state) {
        case State::Text:
            if (c == '<')
                m_state = State::Open;
            break;
        case State::Open:
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
            closeAfterRun(c, '-');
            break;
        case State::CData: // ends with "]]>"
            closeAfterRun(c, ']');
            break;
        case State::Instruction: // ends with "?>"
            if (c == '>' && m_progress == 1)
                m_state = State::Text;
            else
                m_progress = c == '?' ? 1 : 0;
            break;
        case State::StartTag:
            if (m_quote) {
                if (c == m_quote)
                    m_quote = 0;
            } else if (c == '"' || c == '\'') {
                m_quote = c;
            } else if (c == '=') {
                if (++m_attributes > m_maximumAttributes)
                    return false;
            } else if (c == '>') {
                m_state = State::Text;
            }
            break;
        case State::EndTag:
            if (c == '>')
                m_state = State::Text;
            break;
        }
    }
    return true;
}
