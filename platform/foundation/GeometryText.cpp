#include "platform/foundation/GeometryText.h"

#include <QByteArray>

#include <charconv>
#include <cmath>

namespace platform::GeometryText {

namespace {

QString number(double v)
{
    return QString::number(v, 'g', 6);
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Reads numbers from the text one after the other.
class NumberScanner
{
public:
    explicit NumberScanner(QStringView text) : m_text(text) {}

    // The next number, or 0 when the text has no further number.
    double next()
    {
        const qsizetype n = m_text.size();
        while (m_pos < n) {
            const qsizetype start = m_pos;
            const qsizetype end = numberEnd(start);
            if (end > start) {
                m_pos = end;
                return convert(start, end);
            }
            ++m_pos;
        }
        return 0.0;
    }

private:
    char16_t at(qsizetype i) const { return i < m_text.size() ? m_text[i].unicode() : u'\0'; }

    // The end of a number starting at pos; pos itself when none starts there.
    qsizetype numberEnd(qsizetype pos) const
    {
        qsizetype i = pos;
        if (at(i) == u'+' || at(i) == u'-')
            ++i;
        bool digits = false;
        while (isDigit(at(i))) {
            ++i;
            digits = true;
        }
        if (at(i) == u'.') {
            ++i;
            while (isDigit(at(i))) {
                ++i;
                digits = true;
            }
        }
        if (!digits)
            return pos;
        if (at(i) == u'e' || at(i) == u'E') {
            qsizetype j = i + 1;
            if (at(j) == u'+' || at(j) == u'-')
                ++j;
            if (isDigit(at(j))) {
                while (isDigit(at(j)))
                    ++j;
                i = j;
            }
        }
        return i;
    }

    double convert(qsizetype start, qsizetype end) const
    {
        // The span holds ASCII only; a leading '+' is not accepted by from_chars.
        if (m_text[start] == QLatin1Char('+'))
            ++start;
        const qsizetype len = end - start;
        char small[64];
        QByteArray large;
        char *buf = small;
        if (len > qsizetype(sizeof small)) {
            large.resize(len);
            buf = large.data();
        }
        for (qsizetype i = 0; i < len; ++i)
            buf[i] = char(m_text[start + i].unicode());
        double value = 0.0;
        const auto result = std::from_chars(buf, buf + len, value, std::chars_format::general);
        if (result.ec != std::errc() || !std::isfinite(value))
            return 0.0;
        return value;
    }

    QStringView m_text;
    qsizetype m_pos = 0;
};

} // namespace

QString stringFromRect(const QRectF &rect)
{
    return QLatin1String("{{") + number(rect.x()) + QLatin1String(", ") + number(rect.y())
           + QLatin1String("}, {") + number(rect.width()) + QLatin1String(", ")
           + number(rect.height()) + QLatin1String("}}");
}

QString stringFromPoint(const QPointF &point)
{
    return QLatin1Char('{') + number(point.x()) + QLatin1String(", ") + number(point.y())
           + QLatin1Char('}');
}

QString stringFromSize(const QSizeF &size)
{
    return QLatin1Char('{') + number(size.width()) + QLatin1String(", ") + number(size.height())
           + QLatin1Char('}');
}

QRectF rectFromString(QStringView text)
{
    NumberScanner scanner(text);
    const double x = scanner.next();
    const double y = scanner.next();
    const double w = scanner.next();
    const double h = scanner.next();
    return QRectF(x, y, w, h);
}

QPointF pointFromString(QStringView text)
{
    NumberScanner scanner(text);
    const double x = scanner.next();
    const double y = scanner.next();
    return QPointF(x, y);
}

QSizeF sizeFromString(QStringView text)
{
    NumberScanner scanner(text);
    const double w = scanner.next();
    const double h = scanner.next();
    return QSizeF(w, h);
}

} // namespace platform::GeometryText
