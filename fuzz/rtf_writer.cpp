// Any UTF-16 text (the input bytes, little-endian pairs) in a text document with a
// few paragraph styles, written as RTF: the RTF must be 7-bit with balanced groups,
// and a small reader must get every block's text back unchanged (a lone surrogate
// reads back as U+FFFD).
#include "platform/print/RtfWriter.h"

#include <QString>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "rtf_writer: %s\n", what);
    std::abort();
}

// Reads the text of the RTF this writer makes: blocks end at "\par", tables and
// "\*" destinations are skipped, "\uN?" is a UTF-16 unit followed by one replacement
// character.
QString readRtfText(const QByteArray &rtf)
{
    QString text;
    int depth = 0;
    int skipBelow = -1; // the depth of a skipped destination group, -1 for none
    qsizetype i = 0;
    const qsizetype n = rtf.size();
    while (i < n) {
        const char c = rtf[i];
        if (c == '{') {
            ++depth;
            ++i;
            continue;
        }
        if (c == '}') {
            if (depth == skipBelow)
                skipBelow = -1;
            --depth;
            ++i;
            continue;
        }
        const bool skipping = skipBelow >= 0;
        if (c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c != '\\') {
            if (!skipping)
                text += QChar(c);
            ++i;
            continue;
        }
        ++i;
        if (i >= n)
            fail("backslash at the end");
        const char next = rtf[i];
        if (next == '\\' || next == '{' || next == '}') {
            if (!skipping)
                text += QChar(next);
            ++i;
            continue;
        }
        if (next == '*') {
            skipBelow = depth;
            ++i;
            continue;
        }
        qsizetype start = i;
        while (i < n && ((rtf[i] >= 'a' && rtf[i] <= 'z')))
            ++i;
        const QByteArray word = rtf.mid(start, i - start);
        if (word.isEmpty())
            fail("unknown control symbol");
        start = i;
        if (i < n && (rtf[i] == '-' || (rtf[i] >= '0' && rtf[i] <= '9'))) {
            ++i;
            while (i < n && rtf[i] >= '0' && rtf[i] <= '9')
                ++i;
        }
        const QByteArray number = rtf.mid(start, i - start);
        if (i < n && rtf[i] == ' ')
            ++i;
        if (word == "fonttbl" || word == "colortbl") {
            skipBelow = depth;
        } else if (skipping) {
        } else if (word == "par") {
            text += QLatin1Char('\n');
        } else if (word == "tab") {
            text += QLatin1Char('\t');
        } else if (word == "line") {
            text += QChar(0x2028);
        } else if (word == "u") {
            text += QChar(char16_t(number.toInt()));
            if (i >= n || rtf[i] != '?')
                fail("\\u without its replacement character");
            ++i;
        }
    }
    if (depth != 0)
        fail("unbalanced groups");
    return text;
}

QString expectedText(const QTextDocument &document)
{
    QStringList blocks;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        blocks << block.text();
    QString text = blocks.join(QLatin1Char('\n'));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            text[i] = QChar(0xfffd);
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString input;
    input.reserve(qsizetype(size / 2));
    for (size_t i = 0; i + 1 < size; i += 2)
        input += QChar(char16_t(data[i] | (data[i + 1] << 8)));

    QTextDocument document;
    QTextCursor cursor(&document);
    // Every eighth character starts a block of another style.
    for (qsizetype start = 0; start < input.size(); start += 8) {
        QTextBlockFormat format;
        const int kind = input[start].unicode() % 3;
        if (kind == 1)
            format.setTabPositions({{400, QTextOption::RightTab}, {500, QTextOption::CenterTab}});
        format.setLeftMargin(kind * 10);
        format.setRightMargin(input[start].unicode() % 200);
        cursor.setBlockFormat(format);
        cursor.insertText(input.mid(start, 8));
    }

    const QByteArray rtf = platform::RtfWriter::write(document);
    for (char c : rtf)
        if (static_cast<unsigned char>(c) >= 0x80)
            fail("a byte outside 7 bits");
    if (readRtfText(rtf) != expectedText(document))
        fail("the text did not read back");
    return 0;
}
