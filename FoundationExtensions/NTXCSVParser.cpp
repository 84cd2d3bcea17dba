#include "FoundationExtensions/NTXCSVParser.h"

#include "FoundationExtensions/NTXCSVParserDelegate.h"
#include "FoundationExtensions/NTXStringEncodings.h"
#include "platform/foundation/Exception.h"

#include <QBuffer>
#include <QFile>

#include <algorithm>

namespace {

const QString OpenFailed = QStringLiteral("Unable to open file for reading");
const QString ReadFailed = QStringLiteral("Unable to read from input stream");
const QString DecodeFailed = QStringLiteral("unable to interpret current chunk as a string");

constexpr qsizetype DiscardThreshold = 1 << 16; // characters of parsed text kept before they are freed
constexpr qsizetype DiscardInterval = 1 << 12;  // characters parsed between looks at what can be freed
constexpr int SequentialWaitMs = 30000;          // how long a pipe may stay silent

inline bool isNewline(char16_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

} // namespace

NTXCSVParser::NTXCSVParser()
{
    updatePlainCharacters();
}

NTXCSVParser::~NTXCSVParser()
{
    if (m_device && m_openedDevice)
        m_device->close();
}

std::unique_ptr<NTXCSVParser> NTXCSVParser::parserWithDevice(QIODevice *device, quint32 encoding,
                                                             NTXCSVError *error)
{
    std::unique_ptr<NTXCSVParser> parser(new NTXCSVParser);
    parser->m_device = device;
    parser->setEncoding(encoding);
    if (!parser->open(error))
        return nullptr;
    return parser;
}

std::unique_ptr<NTXCSVParser> NTXCSVParser::parserWithContentsOfFile(const QString &path, quint32 encoding,
                                                                     NTXCSVError *error)
{
    std::unique_ptr<NTXCSVParser> parser(new NTXCSVParser);
    parser->m_ownedDevice = std::make_unique<QFile>(path);
    parser->m_device = parser->m_ownedDevice.get();
    parser->m_csvFile = path;
    parser->setEncoding(encoding);
    if (!parser->open(error))
        return nullptr;
    return parser;
}

std::unique_ptr<NTXCSVParser> NTXCSVParser::parserWithString(const QString &text, quint32 encoding,
                                                             NTXCSVError *error)
{
    const QByteArray bytes = NTXStringEncodings::encode(text, encoding);
    std::unique_ptr<NTXCSVParser> parser(new NTXCSVParser);
    if (!bytes.isNull()) {
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData(bytes);
        parser->m_ownedDevice = std::move(buffer);
        parser->m_device = parser->m_ownedDevice.get();
    }
    parser->setEncoding(encoding);
    if (!parser->open(error))
        return nullptr;
    return parser;
}

bool NTXCSVParser::open(NTXCSVError *error)
{
    bool ok = m_device != nullptr;
    if (ok && !m_device->isOpen()) {
        ok = m_device->open(QIODevice::ReadOnly);
        m_openedDevice = ok;
    }
    if (ok && m_device->isReadable())
        return true;
    if (error) {
        *error = NTXCSVError();
        error->code = NTXCSVError::ReadError;
        error->description = OpenFailed;
        if (m_device)
            error->underlyingError = m_device->errorString();
    }
    return false;
}

qsizetype NTXCSVParser::autodetectSeparatorForCSVFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return NotFound;
    const QByteArray head = file.read(SeparatorSniffBytes);
    for (const char b : head) {
        switch (b) {
        case '\0':
        case '\n':
        case '\r':
            return NotFound;
        case ',':
            return 0;
        case ';':
            return 1;
        case '\t':
            return 2;
        default:
            break;
        }
    }
    return NotFound;
}

void NTXCSVParser::setDelimiter(const QString &delimiter)
{
    if (m_hasStarted)
        throw platform::Exception(platform::Exception::InvalidArgumentException,
                                  QStringLiteral("You cannot set a delimiter after parsing has started"));
    if (delimiter.size() != 1 || isNewline(delimiter.at(0).unicode()) || delimiter.at(0) == u'#'
        || delimiter.at(0) == u'"' || delimiter.at(0) == u'\\')
        throw platform::Exception(platform::Exception::InvalidArgumentException,
                                  QStringLiteral("%1 cannot be used as a delimiter").arg(delimiter));
    m_delimiter = delimiter;
    m_delimiterCharacter = delimiter.at(0).unicode();
    updatePlainCharacters();
}

void NTXCSVParser::updatePlainCharacters()
{
    for (char16_t u = 0; u < PlainLimit; ++u)
        m_plain[u] = u != u'"' && u != m_delimiterCharacter && u != u'\\' && !isNewline(u);
}

void NTXCSVParser::setSeparatorType(int type)
{
    switch (type) {
    case 0:
        setDelimiter(QStringLiteral(","));
        break;
    case 1:
        setDelimiter(QStringLiteral(";"));
        break;
    case 2:
        setDelimiter(QStringLiteral("\t"));
        break;
    default:
        break;
    }
}

qsizetype NTXCSVParser::separatorType() const
{
    switch (m_delimiterCharacter) {
    case u',':
        return 0;
    case u';':
        return 1;
    case u'\t':
        return 2;
    default:
        return NotFound;
    }
}

void NTXCSVParser::setChunkSize(qsizetype bytes)
{
    m_chunkSize = std::clamp(bytes, MinimumChunkSize, MaximumChunkSize);
}

void NTXCSVParser::setEncoding(quint32 encoding)
{
    m_fileEncoding = encoding;
    m_fileEncodingIntern = encoding;
}

void NTXCSVParser::cancelParsing()
{
    m_cancelled = true;
    NTXCSVError error;
    error.code = NTXCSVError::Cancelled;
    m_error = error;
}

void NTXCSVParser::fail(const QString &description, const QString &underlying)
{
    if (m_error)
        return;
    NTXCSVError error;
    error.code = NTXCSVError::ReadError;
    error.description = description;
    error.underlyingError = underlying;
    m_error = error;
}

void NTXCSVParser::reset()
{
    m_error.reset();
    if (m_device && m_openedDevice)
        m_device->close();
    m_openedDevice = false;
    m_device = nullptr;
    m_ownedDevice.reset();
    if (!m_csvFile.isEmpty()) {
        m_ownedDevice = std::make_unique<QFile>(m_csvFile);
        m_device = m_ownedDevice.get();
        NTXCSVError error;
        if (!open(&error))
            m_error = error;
    }
    m_chunkSize = DefaultChunkSize;
    m_balancedQuotes = m_balancedEscapes = true;
    m_encodingError = false;
    m_endOfStreamReached = false;
    m_decodingFailed = false;
    m_text.clear();
    m_textBase = m_index = 0;
    m_fieldHead.clear();
    m_fieldBegin = m_fieldEnd = -1;
    m_detectedLineEnd = NotFound;
    m_currentLine = 0;
    m_state = LineStart;
    m_cancelled = false;
}

bool NTXCSVParser::parse()
{
    if (m_needsReset)
        reset();
    m_needsReset = true;
    m_fileEncodingIntern = m_fileEncoding;
    const bool sniff = m_fileEncoding == NTXStringEncodings::UnicodeStringEncoding
        || m_fileEncoding == NTXStringEncodings::UTF32StringEncoding;
    if (!sniff)
        m_decoder = NTXStreamingDecoder(m_fileEncodingIntern);
    if (!m_device)
        m_endOfStreamReached = true; // a string or device parsed before: nothing left
    else if (sniff)
        readChunk(true);

    m_hasStarted = true;
    if (m_delegate)
        m_delegate->parserDidStartDocument(this, m_csvFile);
    runParseLoop();
    if (m_delegate) {
        if (m_error)
            m_delegate->parserDidFailWithError(this, *m_error);
        else
            m_delegate->parserDidEndDocument(this, m_csvFile);
    }
    m_hasStarted = false;
    return !m_error;
}

void NTXCSVParser::readChunk(bool detectByteOrderMark)
{
    if (m_endOfStreamReached || m_error)
        return;
    if (m_readBuffer.size() != m_chunkSize)
        m_readBuffer.resize(m_chunkSize);
    qint64 n = m_device->read(m_readBuffer.data(), m_chunkSize);
    if (n == 0 && m_device->isSequential() && !m_device->atEnd() && m_device->waitForReadyRead(SequentialWaitMs))
        n = m_device->read(m_readBuffer.data(), m_chunkSize);
    if (n < 0) {
        fail(ReadFailed, m_device->errorString());
        return;
    }
    const bool atEnd = n == 0 || m_device->atEnd();
    const char *bytes = m_readBuffer.constData();
    if (detectByteOrderMark) {
        const auto b = [&](qint64 i) { return i < n ? quint8(bytes[i]) : 0x100; };
        qint64 drop = 0;
        if (n >= 4 && b(0) == 0xFF && b(1) == 0xFE && b(2) == 0 && b(3) == 0) {
            m_fileEncodingIntern = NTXStringEncodings::UTF32LittleEndianStringEncoding;
            drop = 4;
        } else if (b(0) == 0xFF && b(1) == 0xFE) {
            m_fileEncodingIntern = NTXStringEncodings::UTF16LittleEndianStringEncoding;
            drop = 2;
        } else if (b(0) == 0xFE && b(1) == 0xFF) {
            m_fileEncodingIntern = NTXStringEncodings::UTF16BigEndianStringEncoding;
            drop = 2;
        } else if (b(0) == 0 && b(1) == 0 && b(2) == 0xFE && b(3) == 0xFF) {
            m_fileEncodingIntern = NTXStringEncodings::UTF32BigEndianStringEncoding;
            drop = 4;
        }
        m_decoder = NTXStreamingDecoder(m_fileEncodingIntern);
        bytes += drop;
        n -= drop;
    }
    if (n > 0)
        decodeBytes(bytes, qsizetype(n));
    if (atEnd) {
        m_endOfStreamReached = true;
        if (!m_decodingFailed) {
            const qsizetype before = m_text.size();
            m_decodingFailed = !m_decoder.finish(m_text);
            noteLineEnds(before);
        }
    }
}

void NTXCSVParser::decodeBytes(const char *bytes, qsizetype size)
{
    // The text before bytes that do not decode is kept and parsed; the failure is
    // reported when the parse reaches it, and nothing after them is read.
    const qsizetype before = m_text.size();
    if (!m_decoder.decode(bytes, size, m_text)) {
        m_decodingFailed = true;
        m_endOfStreamReached = true;
    }
    noteLineEnds(before);
}

void NTXCSVParser::noteLineEnds(qsizetype from)
{
    if (m_detectedLineEnd != NotFound)
        return;
    const qsizetype n = m_text.size();
    const QChar *d = m_text.constData();
    for (qsizetype i = from; i < n; ++i) {
        if (d[i] == u'\n') {
            m_detectedLineEnd = LF;
            return;
        }
        if (d[i] == u'\r') {
            m_detectedLineEnd = CR;
            for (qsizetype j = i + 1; j < n; ++j) {
                if (d[j] == u'\n') {
                    m_detectedLineEnd = CRLF;
                    break;
                }
            }
            return;
        }
    }
}

qsizetype NTXCSVParser::characterEnd(qsizetype begin, qsizetype &from) const
{
    const qsizetype n = m_text.size();
    const char16_t *d = reinterpret_cast<const char16_t *>(m_text.constData());
    qsizetype j = from;
    if (j == begin) {
        j = begin + 1;
        if (QChar::isHighSurrogate(d[begin])) {
            if (j == n)
                return n; // the low half may follow
            if (QChar::isLowSurrogate(d[j]))
                ++j;
        }
    }
    while (j < n) {
        const char16_t u = d[j];
        if (u < 0x300)
            break;
        char32_t cp = u;
        qsizetype len = 1;
        if (QChar::isHighSurrogate(u)) {
            if (j + 1 == n) {
                from = j;
                return n;
            }
            if (QChar::isLowSurrogate(d[j + 1])) {
                cp = QChar::surrogateToUcs4(u, d[j + 1]);
                len = 2;
            }
        }
        if (!QChar::isMark(cp))
            break;
        j += len;
    }
    from = j;
    return j;
}

bool NTXCSVParser::nextCharacter(qsizetype &begin, qsizetype &end)
{
    if (!m_endOfStreamReached && !m_error && m_index >= (m_textBase + m_text.size()) / 2)
        readChunk();
    const qsizetype local = m_index - m_textBase;
    // Fast path: a character below the combining marks followed by another.
    if (local + 1 < m_text.size() && m_text.at(local).unicode() < 0x300 && m_text.at(local + 1).unicode() < 0x300) {
        begin = local;
        end = local + 1;
        ++m_index;
        return true;
    }
    qsizetype from = local;
    for (;;) {
        if (local >= m_text.size()) {
            if (m_decodingFailed && !m_error) {
                m_encodingError = true;
                fail(DecodeFailed);
            }
            if (m_endOfStreamReached || m_error)
                return false;
            readChunk();
            continue;
        }
        const qsizetype e = characterEnd(local, from);
        if (e == m_text.size() && !m_endOfStreamReached && !m_error) {
            readChunk(); // marks of this character may follow
            continue;
        }
        begin = local;
        end = e;
        m_index += e - local;
        return true;
    }
}

void NTXCSVParser::runParseLoop()
{
    char16_t previous = 0;
    qsizetype count = 0;
    qsizetype nextDiscard = DiscardInterval;
    while (!m_error) {
        qsizetype begin = 0;
        qsizetype end = 0;
        if (!nextCharacter(begin, end))
            break;
        const char16_t c = m_text.at(begin).unicode();
        processCharacter(begin, end, c, previous);
        previous = c;
        if (m_cancelled)
            break;
        if (m_state == InField && m_fieldEnd == end + m_textBase) {
            const qsizetype run = takePlainRun(end);
            if (run > 0) {
                previous = m_text.at(end + run - 1).unicode();
                count += run;
            }
        }
        if (++count >= nextDiscard) {
            discardParsedText();
            nextDiscard = count + DiscardInterval;
        }
    }
    if (m_cancelled)
        return;
    // When the parse stopped on bytes it could not read (or on a read error), the
    // field it was in was cut there: nothing of it is reported, only its line ends.
    if (m_state == InField && (!m_fieldHead.isEmpty() || m_fieldBegin >= 0)) {
        if (!m_error)
            finishField();
        finishLine();
    } else if (m_state == BetweenFields) {
        // The last line ended in a separator: its last field is empty, unless the
        // parse stopped there, before that field was read.
        if (!m_error)
            finishField();
        finishLine();
    }
}

qsizetype NTXCSVParser::takePlainRun(qsizetype from)
{
    // Characters of one unit below the combining marks that are no quotation mark,
    // delimiter, backslash or newline only clear a pending escape and are appended,
    // whatever the quotes: take them together. The run stops where the chunk-read rule
    // would read (before its next character) and where the next unit is not known.
    const char16_t *d = reinterpret_cast<const char16_t *>(m_text.constData());
    qsizetype stop = m_text.size() - 1;
    if (!m_endOfStreamReached && !m_error)
        stop = std::min(stop, (m_textBase + m_text.size()) / 2 - m_textBase);
    qsizetype j = from;
    while (j < stop && d[j] < PlainLimit && m_plain[d[j]] && d[j + 1] < PlainLimit)
        ++j;
    const qsizetype run = j - from;
    if (run > 0) {
        m_balancedEscapes = true;
        m_fieldEnd += run;
        m_index += run;
    }
    return run;
}

void NTXCSVParser::discardParsedText()
{
    const qsizetype keep = m_fieldBegin >= 0 ? std::min(m_fieldBegin, m_index) : m_index;
    const qsizetype drop = keep - m_textBase;
    if (drop < DiscardThreshold)
        return;
    m_text.remove(0, drop); // Qt moves the start of the data: no copy
    m_textBase = keep;
}

void NTXCSVParser::appendCharacter(qsizetype begin, qsizetype end)
{
    if (m_state == InComment)
        return;
    const qsizetype b = begin + m_textBase;
    const qsizetype e = end + m_textBase;
    if (m_fieldBegin < 0) {
        m_fieldBegin = b;
    } else if (m_fieldEnd != b) {
        m_fieldHead += QStringView(m_text).mid(m_fieldBegin - m_textBase, m_fieldEnd - m_fieldBegin);
        m_fieldBegin = b;
    }
    m_fieldEnd = e;
}

void NTXCSVParser::beginField()
{
    m_fieldHead.clear();
    m_fieldBegin = m_fieldEnd = -1;
    m_balancedQuotes = m_balancedEscapes = true;
    m_state = InField;
}

void NTXCSVParser::beginLine()
{
    ++m_currentLine;
    if (m_delegate)
        m_delegate->parserDidStartLine(this, m_currentLine);
    m_state = BetweenFields;
}

void NTXCSVParser::finishField()
{
    QString joined;
    QStringView v;
    if (m_fieldBegin >= 0)
        v = QStringView(m_text).mid(m_fieldBegin - m_textBase, m_fieldEnd - m_fieldBegin);
    if (!m_fieldHead.isEmpty()) {
        joined = m_fieldHead + v;
        v = joined;
    }
    while (!v.isEmpty() && isNewline(v.front().unicode()))
        v = v.mid(1);
    while (!v.isEmpty() && isNewline(v.back().unicode()))
        v.chop(1);
    // The separator left over from the previous field (a line ending in a separator)
    // goes before the quotes do, so that a quoted field keeps a separator it begins with.
    if (!v.isEmpty() && v.front() == QChar(m_delimiterCharacter))
        v = v.mid(1);
    // A lone quotation mark (an unbalanced quote at the end) stays as it is.
    if (v.size() >= 2 && v.front() == u'"' && v.back() == u'"')
        v = v.mid(1, v.size() - 2);
    if (m_trimSpaces)
        v = v.trimmed();
    // The reported text reuses one string: a delegate that keeps it shares it, and the
    // next field then gets a string of its own.
    // Copied in one pass that makes every pair of quotation marks one.
    m_fieldText.resize(v.size());
    QChar *out = m_fieldText.data();
    const qsizetype n = v.size();
    qsizetype k = 0;
    for (qsizetype i = 0; i < n; ++i) {
        out[k++] = v[i];
        if (v[i] == u'"' && i + 1 < n && v[i + 1] == u'"')
            ++i;
    }
    m_fieldText.truncate(k);
    m_fieldHead.clear();
    m_fieldBegin = m_fieldEnd = -1;
    if (m_delegate)
        m_delegate->parserDidReadField(this, m_fieldText);
    m_state = BetweenFields;
}

void NTXCSVParser::finishLine()
{
    if (m_delegate)
        m_delegate->parserDidEndLine(this, m_currentLine);
    m_state = LineStart;
}

void NTXCSVParser::processCharacter(qsizetype begin, qsizetype end, char16_t c, char16_t p)
{
    if (m_state == LineStart) {
        if (isNewline(c) && isNewline(p))
            return; // the second half of CR LF, or an empty line
        if (c == u'#')
            m_state = InComment;
        else
            beginLine();
    }
    const State state = m_state;
    if (c == u'"') {
        if (state == InField) {
            if (!m_balancedEscapes)
                m_balancedEscapes = true;
            else
                m_balancedQuotes = !m_balancedQuotes;
            appendCharacter(begin, end);
        } else if (state == BetweenFields) {
            beginField();
            m_balancedQuotes = false;
            appendCharacter(begin, end);
        }
    } else if (c == m_delimiterCharacter) {
        if (state == InField) {
            if (!m_balancedEscapes) {
                m_balancedEscapes = true;
                appendCharacter(begin, end);
            } else if (!m_balancedQuotes) {
                appendCharacter(begin, end);
            } else {
                finishField();
                appendCharacter(begin, end);
            }
        } else if (state == BetweenFields) {
            beginField();
            finishField();
            appendCharacter(begin, end);
        }
    } else if (c == u'\\') {
        if (state == InField) {
            m_balancedEscapes = !m_balancedEscapes;
            appendCharacter(begin, end);
        } else if (state == BetweenFields) {
            beginField();
            m_balancedEscapes = false;
            appendCharacter(begin, end);
        }
    } else if (isNewline(c) && !isNewline(p)) {
        if (state == InField || state == BetweenFields) {
            if (m_balancedQuotes && m_balancedEscapes) {
                finishField();
                finishLine();
            }
            appendCharacter(begin, end);
        } else if (state == InComment && m_balancedQuotes && m_balancedEscapes) {
            m_state = LineStart;
            appendCharacter(begin, end);
        }
    } else {
        if (state == InField) {
            m_balancedEscapes = true;
            appendCharacter(begin, end);
        } else if (state == BetweenFields) {
            beginField();
            m_balancedEscapes = true;
            appendCharacter(begin, end);
        }
    }
}
