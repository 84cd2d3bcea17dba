#include "platform/foundation/XmlEntities.h"

#include <QStringView>

namespace platform::XmlEntities {

QLatin1String entity(char16_t c)
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

void escape(QString &string)
{
    const qsizetype n = string.size();
    const QChar *data = string.constData();
    qsizetype first = 0;
    while (first < n && entity(data[first].unicode()).isEmpty())
        ++first;
    if (first == n)
        return;
    QString out;
    out.reserve(n + n / 8 + 8);
    out.append(data, first);
    for (qsizetype i = first; i < n; ++i) {
        const QLatin1String escaped = entity(data[i].unicode());
        if (escaped.isEmpty())
            out.append(data[i]);
        else
            out.append(escaped);
    }
    string = std::move(out);
}

void unescape(QString &string)
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

QString escaped(const QString &string)
{
    QString copy = string;
    escape(copy);
    return copy;
}

QString unescaped(const QString &string)
{
    QString copy = string;
    unescape(copy);
    return copy;
}

} // namespace platform::XmlEntities
