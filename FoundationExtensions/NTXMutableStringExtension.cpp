#include "FoundationExtensions/NTXMutableStringExtension.h"

#include "platform/foundation/XmlEntities.h"

#include <array>

namespace NTXMutableStringExtension {

namespace {

// HTML 4 names of U+00A0 … U+00FF.
constexpr std::array<const char *, 96> Latin1Names{
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",
    "uml",    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",
    "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",  "para",   "middot",
    "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest",
    "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
    "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",
    "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",
    "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",
    "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
    "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};

bool needsHTMLEscape(char16_t c)
{
    return c == u'\n' || c == u'"' || c == u'&' || c == u'<' || c == u'>'
           || (c >= 0xA0 && c < 0xFFF0);
}

} // namespace

void XMLEntities(QString &string)
{
    platform::XmlEntities::escape(string);
}

void HTMLEntities(QString &string)
{
    const qsizetype n = string.size();
    const QChar *data = string.constData();
    qsizetype first = 0;
    while (first < n && !needsHTMLEscape(data[first].unicode()))
        ++first;
    if (first == n)
        return;
    QString out;
    out.reserve(n + n / 4 + 8);
    out.append(data, first);
    for (qsizetype i = first; i < n; ++i) {
        const char16_t c = data[i].unicode();
        if (!needsHTMLEscape(c)) {
            out.append(data[i]);
        } else if (c == u'\n') {
            out.append(QLatin1String("<br>"));
        } else if (c < 0x80) {
            out.append(platform::XmlEntities::entity(c));
        } else if (c <= 0xFF) {
            out.append(QLatin1Char('&'));
            out.append(QLatin1String(Latin1Names[size_t(c - 0xA0)]));
            out.append(QLatin1Char(';'));
        } else {
            out.append(QLatin1String("&#"));
            out.append(QString::number(uint(c)));
            out.append(QLatin1Char(';'));
        }
    }
    string = std::move(out);
}

void XMLEntitiesToChars(QString &string)
{
    platform::XmlEntities::unescape(string);
}

} // namespace NTXMutableStringExtension
