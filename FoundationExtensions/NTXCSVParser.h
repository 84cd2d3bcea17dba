#pragma once
// Reads comma-separated text from a device, a file or a string in chunks and
// reports it event by event to an NTXCSVParserDelegate.
//
// Ownership: the parser owns the file or string source it opens; a device given
// to it stays the caller's (it must outlive the parser) and is closed only when the
// parser opened it. The delegate is not owned. One thread: parse() runs on the
// caller's thread and calls the delegate there; a handler may cancelParsing().
//
// Characters: a code point with the combining marks that follow it (CR LF are two).
// Newlines: U+000A–000D, U+0085, U+2028, U+2029. Quoted fields with doubled
// quotation marks, backslash escapes (kept in the text), comment lines beginning with
// "#". A newline that follows a newline at the start of a line is skipped, so empty
// lines and the LF of CR LF begin nothing. A last line ending in a separator reports
// its empty last field.
//
// Failure: bytes that do not decode in the encoding, or an incomplete character at
// the end, end the parse with code 1 once the text before them has been parsed; a
// read error ends it with code 1 at once; a cancel with code 3. A failure reports
// the fields before the one it cut and nothing of that one (its line still ends,
// so a line may then end with no field). Invalid delimiters raise
// platform::Exception (NSInvalidArgumentException). Time is linear in the input;
// memory holds the text not yet parsed, which by the chunk-read rule (a chunk
// whenever parsing has passed half of the text decoded so far) is at most about
// as much as was already parsed, plus the current field.
#include "FoundationExtensions/NTXCSVError.h"
#include "FoundationExtensions/NTXStreamingDecoder.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <limits>
#include <memory>
#include <optional>

class QIODevice;
class NTXCSVParserDelegate;

class NTXCSVParser
{
public:
    static constexpr qsizetype NotFound = std::numeric_limits<qsizetype>::max();
    static constexpr qsizetype DefaultChunkSize = 16384;        // bytes read at once
    static constexpr qsizetype MinimumChunkSize = 4;            // one UTF-32 character
    static constexpr qsizetype MaximumChunkSize = 64 << 20;
    static constexpr qsizetype SeparatorSniffBytes = 2048;      // read by autodetectSeparator()

    enum State { LineStart = 0, BetweenFields = 1, InField = 2, InComment = 3, Cancelled = 4 };
    enum LineEnd { CRLF = 0, CR = 1, LF = 2 };

    // Each answers nullptr, with a code-1 error in *error when given, when the source
    // cannot be opened for reading (or the string cannot be written in the encoding).
    static std::unique_ptr<NTXCSVParser> parserWithDevice(QIODevice *device, quint32 encoding,
                                                          NTXCSVError *error = nullptr);
    static std::unique_ptr<NTXCSVParser> parserWithContentsOfFile(const QString &path, quint32 encoding,
                                                                  NTXCSVError *error = nullptr);
    static std::unique_ptr<NTXCSVParser> parserWithString(const QString &text, quint32 encoding,
                                                          NTXCSVError *error = nullptr);
    ~NTXCSVParser();
    NTXCSVParser(const NTXCSVParser &) = delete;
    NTXCSVParser &operator=(const NTXCSVParser &) = delete;

    // The separator code (0 ",", 1 ";", 2 tab) of the file's first line: the first
    // comma, semicolon or tab among its first SeparatorSniffBytes bytes, quotes or not;
    // NotFound when a line break, a NUL or the end comes first, or the file is unreadable.
    static qsizetype autodetectSeparatorForCSVFile(const QString &path);

    NTXCSVParserDelegate *delegate() const { return m_delegate; }
    void setDelegate(NTXCSVParserDelegate *delegate) { m_delegate = delegate; }

    // The error that ended the last parse; empty when none.
    const std::optional<NTXCSVError> &error() const { return m_error; }
    QString csvFile() const { return m_csvFile; }

    QString delimiter() const { return m_delimiter; }
    // Raises while parse() runs, and for anything but one UTF-16 unit that is no
    // newline, "#", quotation mark or backslash.
    void setDelimiter(const QString &delimiter);
    // 0 ",", 1 ";", 2 tab; other codes change nothing.
    void setSeparatorType(int type);
    // 0, 1 or 2 for those separators, NotFound for any other.
    qsizetype separatorType() const;

    qsizetype chunkSize() const { return m_chunkSize; }
    // Clamped to MinimumChunkSize…MaximumChunkSize.
    void setChunkSize(qsizetype bytes);
    bool trimSpaces() const { return m_trimSpaces; }
    void setTrimSpaces(bool trim) { m_trimSpaces = trim; }
    void setEncoding(quint32 encoding);
    quint32 encoding() const { return m_fileEncoding; }

    bool encodingErrorOccured() const { return m_encodingError; }
    // The line end seen in the text (LineEnd), NotFound until one was seen.
    qsizetype detectedLineEnd() const { return m_detectedLineEnd; }
    State state() const { return m_cancelled ? Cancelled : m_state; }

    // Reads and reports the whole input; answers whether it ended without error. A
    // second parse starts over from the file; a string or device parser then finds
    // an empty document.
    bool parse();
    // Stops the parse after the character being processed (code 3).
    void cancelParsing();

private:
    NTXCSVParser();
    bool open(NTXCSVError *error);
    void reset();
    void readChunk(bool detectByteOrderMark = false);
    void decodeBytes(const char *bytes, qsizetype size);
    void noteLineEnds(qsizetype from);
    void fail(const QString &description, const QString &underlying = QString());
    bool nextCharacter(qsizetype &begin, qsizetype &end);
    qsizetype characterEnd(qsizetype begin, qsizetype &from) const;
    void runParseLoop();
    void processCharacter(qsizetype begin, qsizetype end, char16_t c, char16_t p);
    void appendCharacter(qsizetype begin, qsizetype end);
    void beginField();
    void beginLine();
    void finishField();
    void finishLine();
    qsizetype takePlainRun(qsizetype from);
    void updatePlainCharacters();
    void discardParsedText();

    NTXCSVParserDelegate *m_delegate = nullptr;
    QIODevice *m_device = nullptr;
    std::unique_ptr<QIODevice> m_ownedDevice;
    bool m_openedDevice = false;
    bool m_endOfStreamReached = false;
    bool m_decodingFailed = false; // reported when the text before the bad bytes is parsed
    quint32 m_fileEncoding = 0;
    quint32 m_fileEncodingIntern = 0;
    NTXStreamingDecoder m_decoder{0};
    QString m_csvFile;
    bool m_hasStarted = false;
    bool m_needsReset = false;
    QString m_delimiter = QStringLiteral(",");
    char16_t m_delimiterCharacter = u',';
    QByteArray m_readBuffer;
    // The decoded text not yet given up: m_text holds the characters from logical
    // index m_textBase on; m_index is the logical index of the next character.
    QString m_text;
    qsizetype m_textBase = 0;
    qsizetype m_index = 0;
    bool m_balancedQuotes = true;
    bool m_balancedEscapes = true;
    bool m_encodingError = false;
    bool m_trimSpaces = false;
    // The current field: m_fieldHead, then the logical range [m_fieldBegin, m_fieldEnd) of
    // the text (m_fieldBegin < 0: no range).
    QString m_fieldHead;
    qsizetype m_fieldBegin = -1;
    qsizetype m_fieldEnd = -1;
    qsizetype m_currentLine = 0;
    qsizetype m_chunkSize = DefaultChunkSize;
    State m_state = LineStart;
    bool m_cancelled = false;
    std::optional<NTXCSVError> m_error;
    qsizetype m_detectedLineEnd = NotFound;
    QString m_fieldText; // the text last reported
    // Units below the combining marks that are no quotation mark, delimiter,
    // backslash or newline.
    static constexpr char16_t PlainLimit = 0x300;
    std::array<bool, PlainLimit> m_plain {};
};
