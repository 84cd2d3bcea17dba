// User texts on one line: every break shows as one blank, nothing else changes.
#include "platform/drawing/SingleLineText.h"

#include <gtest/gtest.h>

using platform::SingleLineText::fromUserText;

TEST(SingleLineText, BreaksBecomeBlanksAndTheRestStays)
{
    const struct {
        const char16_t *text;
        const char16_t *line;
    } cases[] = {
        {u"", u""},
        {u"Design", u"Design"},
        {u"R&D", u"R&D"},
        {u"Tab\there", u"Tab here"},
        {u"Two\nlines", u"Two lines"},
        {u"\nleading and trailing\n", u" leading and trailing "},
        {u"CR LF\r\nonce", u"CR LF once"},
        {u"LF CR\n\rtwice", u"LF CR  twice"},
        {u"CR\r\rtwice", u"CR  twice"},
        {u"a\u2028b\u2029c\u0085d\ve\ff", u"a b c d e f"},
        {u"Ä\u00a0Ω", u"Ä\u00a0Ω"},
    };
    for (const auto &c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(fromUserText(text), QString::fromUtf16(c.line)) << text.toStdString();
    }
}
