#include "FoundationExtensions/NTXMutableStringExtension.h"

#include <array>

namespace NTXMutableStringExtension {

namespace {

QLatin1String xmlEntity(char16_t c)
{
    switch (c) {
    case u'"': return QLatin1String("&quot;");
    case u'&': return QLatin1String("&amp;");
    case u'\'': return QLatin1String("&apos;");
    case u'<': return QLatin1String("&lt;");
    case u'>': return QLatin1String("&gt;");
    default: return QLatin1String();
    }
}

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
    const qsizetype n = string.size();
    const QChar *data = string.constData();
    qsizetype first = 0;
    while (first < n && xmlEntity(data[first].unicode()).isEmpty())
        ++first;
    if (first == n)
        return;
    QString out;
    out.reserve(n + n / 8 + 8);
    out.append(data, first);
    for (qsizetype i = first; i < n; ++i) {
        const QLatin1String entity = xmlEntity(data[i].unicode());
        if (entity.isEmpty())
            out.append(data[i]);
        else
            out.append(entity);
    }
    string = std::move(out);
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
            out.append(xmlEntity(c));
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
    const qsizetype first = string.indexOf(QLatin1Char('&'));
    if (first < 0)
        return;
    static constexpr struct
    {
        const char16_t *entity;
        qsizetype length;
        char16_t character;
    } Entities[] = {
        {u"&quot;", 6, u'"'}, {u"&amp;", 5, u'&'}, {u"&lt;", 4, u'<'},
        {u"&gt;", 4, u'>'},   {u"&apos;", 6, u'\''},
    };
    const QStringView view(string);
    const qsizetype n = view.size();
    QString out;
    out.reserve(n);
    out.append(view.first(first));
    qsizetype i = first;
    while (i < n) {
        const QChar c = view[i];
        if (c != QLatin1Char('&')) {
            out.append(c);
            ++i;
            continue;
        }
        bool decoded = false;
        for (const auto &e : Entities) {
            if (view.sliced(i).startsWith(QStringView(e.entity, e.length))) {
                out.append(QChar(e.character));
                i += e.length;
                decoded = true;
                break;
            }
        }
        if (!decoded) {
            out.append(c);
            ++i;
        }
    }
    string = std::move(out);
}

} // namespace NTXMutableStringExtension
