#include "platform/archive/PropertyList.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {

bool isXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

QByteArray escapedUtf16(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (const QChar unit : text) {
        const char16_t u = unit.unicode();
        bytes.append(char(u & 0xff));
        bytes.append(char(u >> 8));
    }
    return bytes;
}

QString stringFromUtf16(const QByteArray &bytes)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(char16_t(quint8(bytes[2 * i]) | (quint8(bytes[2 * i + 1]) << 8)));
    return text;
}

class Writer
{
public:
    Writer(QString *error, const PropertyList::Limits &limits) : m_error(error), m_limits(limits) {}

    bool value(const QVariant &v, int depth)
    {
        if (depth > m_limits.maxDepth)
            return fail(QStringLiteral("values are nested deeper than %1").arg(m_limits.maxDepth));
        switch (v.typeId()) {
        case QMetaType::Bool:
            return line(v.toBool() ? "<true/>" : "<false/>", depth);
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::Short:
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong:
            return element("integer", QByteArray::number(v.toLongLong()), depth);
        case QMetaType::UChar:
        case QMetaType::UShort:
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
            return element("integer", QByteArray::number(v.toULongLong()), depth);
        case QMetaType::Float:
        case QMetaType::Double:
            return element("real", realText(v.toDouble()), depth);
        case QMetaType::QString:
            return string(v.toString(), depth);
        case QMetaType::QByteArray:
            return element("data", v.toByteArray().toBase64(), depth);
        case QMetaType::QDateTime:
            return date(v.toDateTime(), depth);
        case QMetaType::QStringList:
        case QMetaType::QVariantList: {
            const QVariantList list = v.toList();
            if (list.isEmpty())
                return line("<array/>", depth);
            line("<array>", depth);
            for (const QVariant &element : list)
                if (!value(element, depth + 1))
                    return false;
            return line("</array>", depth);
        }
        case QMetaType::QVariantHash:
        case QMetaType::QVariantMap:
            return dict(v.toMap(), depth);
        default:
            if (!v.isValid())
                return fail(QStringLiteral("an empty value has no form in a property list"));
            return fail(QStringLiteral("a value of type %1 has no form in a property list")
                            .arg(QString::fromLatin1(v.typeName())));
        }
    }

    QByteArray out;

private:
    bool fail(const QString &reason)
    {
        if (m_error)
            *m_error = reason;
        return false;
    }

    bool line(const char *text, int depth)
    {
        out.append(QByteArray(depth, '\t'));
        out.append(text);
        out.append('\n');
        return true;
    }

    bool element(const char *name, const QByteArray &text, int depth)
    {
        out.append(QByteArray(depth, '\t'));
        out.append('<').append(name).append('>');
        out.append(text);
        out.append("</").append(name).append(">\n");
        return true;
    }

    static QByteArray realText(double d)
    {
        if (std::isnan(d))
            return "nan";
        if (std::isinf(d))
            return d > 0 ? "inf" : "-inf";
        if (d == 0)
            return std::signbit(d) ? "-0.0" : "0.0";
        return QByteArray::number(d, 'g', QLocale::FloatingPointShortest);
    }

    static QByteArray escaped(const QString &text)
    {
        QByteArray result;
        result.reserve(text.size());
        for (const char ch : text.toUtf8()) {
            switch (ch) {
            case '&': result.append("&amp;"); break;
            case '<': result.append("&lt;"); break;
            case '>': result.append("&gt;"); break;
            case '\r': result.append("&#13;"); break;
            default: result.append(ch);
            }
        }
        return result;
    }

    bool string(const QString &text, int depth)
    {
        if (PropertyList::isXmlText(text))
            return element("string", escaped(text), depth);
        line("<dict>", depth);
        element("key", escaped(PropertyList::EscapedStringKey), depth + 1);
        element("data", escapedUtf16(text).toBase64(), depth + 1);
        return line("</dict>", depth);
    }

    bool date(const QDateTime &when, int depth)
    {
        if (!when.isValid())
            return fail(QStringLiteral("an invalid date has no form in a property list"));
        const QDateTime utc = when.toUTC();
        if (utc.time().msec() != 0)
            return fail(QStringLiteral("a property list keeps dates to the second"));
        if (utc.date().year() < 1 || utc.date().year() > 9999)
            return fail(QStringLiteral("a property list keeps dates of the years 1 to 9999"));
        return element("date", utc.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")).toLatin1(), depth);
    }

    bool dict(const QVariantMap &map, int depth)
    {
        if (map.size() == 1 && map.firstKey() == PropertyList::EscapedStringKey
            && map.first().typeId() == QMetaType::QByteArray)
            return fail(QStringLiteral("a dictionary whose only key is \"%1\" holding data would read back as a string")
                            .arg(PropertyList::EscapedStringKey));
        if (map.isEmpty())
            return line("<dict/>", depth);
        line("<dict>", depth);
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (!PropertyList::isXmlText(it.key()))
                return fail(QStringLiteral("a dictionary key holds characters XML cannot carry"));
            element("key", escaped(it.key()), depth + 1);
            if (!value(it.value(), depth + 1))
                return false;
        }
        return line("</dict>", depth);
    }

    QString *m_error;
    const PropertyList::Limits &m_limits;
};

class Reader
{
public:
    Reader(const QByteArray &data, const PropertyList::Limits &limits) : m_xml(data), m_limits(limits) {}

    std::optional<QVariant> document()
    {
        bool seenPlist = false;
        std::optional<QVariant> result;
        while (!m_xml.atEnd()) {
            switch (m_xml.readNext()) {
            case QXmlStreamReader::StartDocument:
            case QXmlStreamReader::EndDocument:
            case QXmlStreamReader::Comment:
            case QXmlStreamReader::ProcessingInstruction:
                break;
            case QXmlStreamReader::DTD:
                if (!m_xml.entityDeclarations().isEmpty() || !m_xml.notationDeclarations().isEmpty())
                    return fail(QStringLiteral("declarations in the document type are not accepted"));
                break;
            case QXmlStreamReader::Characters:
                if (!m_xml.isWhitespace())
                    return fail(QStringLiteral("text outside the property list"));
                break;
            case QXmlStreamReader::StartElement: {
                if (seenPlist || m_xml.name() != u"plist")
                    return fail(QStringLiteral("the document element is not a single <plist>"));
                seenPlist = true;
                const auto version = m_xml.attributes().value(QStringLiteral("version"));
                if (!version.isNull() && version != u"1.0")
                    return fail(QStringLiteral("property list version %1 is not 1.0").arg(version));
                if (!nextToken())
                    return std::nullopt;
                if (m_xml.tokenType() != QXmlStreamReader::StartElement)
                    return fail(QStringLiteral("the property list holds no value"));
                result = value(1);
                if (!result)
                    return std::nullopt;
                if (!nextToken())
                    return std::nullopt;
                if (m_xml.tokenType() != QXmlStreamReader::EndElement)
                    return fail(QStringLiteral("the property list holds more than one value"));
                break;
            }
            default:
                return fail(QStringLiteral("unexpected XML content"));
            }
        }
        if (m_xml.hasError())
            return fail(QStringLiteral("XML error at line %1: %2").arg(m_xml.lineNumber()).arg(m_xml.errorString()));
        if (!result)
            return fail(QStringLiteral("no property list"));
        return result;
    }

    QString error;

private:
    std::nullopt_t fail(const QString &reason)
    {
        if (error.isEmpty())
            error = reason;
        return std::nullopt;
    }

    // Moves to the next start or end element, skipping white space and comments.
    bool nextToken()
    {
        for (;;) {
            switch (m_xml.readNext()) {
            case QXmlStreamReader::StartElement:
            case QXmlStreamReader::EndElement:
                return true;
            case QXmlStreamReader::Comment:
            case QXmlStreamReader::ProcessingInstruction:
                break;
            case QXmlStreamReader::Characters:
                if (m_xml.isWhitespace())
                    break;
                fail(QStringLiteral("text between values at line %1").arg(m_xml.lineNumber()));
                return false;
            case QXmlStreamReader::Invalid:
                fail(QStringLiteral("XML error at line %1: %2").arg(m_xml.lineNumber()).arg(m_xml.errorString()));
                return false;
            default:
                fail(QStringLiteral("unexpected XML content at line %1").arg(m_xml.lineNumber()));
                return false;
            }
        }
    }

    // The text of the current element, up to its end tag.
    std::optional<QString> text()
    {
        QString result;
        for (;;) {
            switch (m_xml.readNext()) {
            case QXmlStreamReader::Characters:
                if (result.size() + m_xml.text().size() > m_limits.maxStringLength)
                    return fail(QStringLiteral("a string is longer than %1 characters").arg(m_limits.maxStringLength));
                result.append(m_xml.text());
                break;
            case QXmlStreamReader::Comment:
            case QXmlStreamReader::ProcessingInstruction:
                break;
            case QXmlStreamReader::EndElement:
                // A document in another encoding (UTF-7, say) can decode to code
                // units that no XML text holds; such a value could not be written back.
                if (!PropertyList::isXmlText(result))
                    return fail(QStringLiteral("<%1> holds characters XML cannot carry at line %2")
                                    .arg(m_xml.name())
                                    .arg(m_xml.lineNumber()));
                return result;
            case QXmlStreamReader::Invalid:
                return fail(QStringLiteral("XML error at line %1: %2").arg(m_xml.lineNumber()).arg(m_xml.errorString()));
            default:
                return fail(QStringLiteral("<%1> holds more than text at line %2")
                                .arg(m_xml.name()).arg(m_xml.lineNumber()));
            }
        }
    }

    std::optional<QVariant> value(int depth)
    {
        if (depth > m_limits.maxDepth)
            return fail(QStringLiteral("values are nested deeper than %1").arg(m_limits.maxDepth));
        if (++m_count > m_limits.maxValueCount)
            return fail(QStringLiteral("more than %1 values").arg(m_limits.maxValueCount));
        const QString name = m_xml.name().toString();
        if (name == u"dict")
            return dict(depth);
        if (name == u"array") {
            QVariantList list;
            for (;;) {
                if (!nextToken())
                    return std::nullopt;
                if (m_xml.tokenType() == QXmlStreamReader::EndElement)
                    return list;
                auto element = value(depth + 1);
                if (!element)
                    return std::nullopt;
                list.append(*element);
            }
        }
        if (name == u"true" || name == u"false") {
            const auto content = text();
            if (!content)
                return std::nullopt;
            if (!content->trimmed().isEmpty())
                return fail(QStringLiteral("<%1/> holds text").arg(name));
            return QVariant(name == u"true");
        }
        const auto content = text();
        if (!content)
            return std::nullopt;
        if (name == u"string")
            return QVariant(*content);
        if (name == u"integer")
            return integer(content->trimmed());
        if (name == u"real")
            return real(content->trimmed());
        if (name == u"data") {
            QByteArray base64 = content->toLatin1();
            base64.removeIf([](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
            auto decoded = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded)
                return fail(QStringLiteral("<data> is not base64"));
            return QVariant(*decoded);
        }
        if (name == u"date")
            return date(content->trimmed());
        return fail(QStringLiteral("<%1> is not a property list value").arg(name));
    }

    std::optional<QVariant> dict(int depth)
    {
        QVariantMap map;
        for (;;) {
            if (!nextToken())
                return std::nullopt;
            if (m_xml.tokenType() == QXmlStreamReader::EndElement)
                break;
            if (m_xml.name() != u"key")
                return fail(QStringLiteral("<%1> where a dictionary needs a <key>").arg(m_xml.name()));
            const auto key = text();
            if (!key)
                return std::nullopt;
            if (map.contains(*key))
                return fail(QStringLiteral("the key \"%1\" appears twice in one dictionary").arg(*key));
            if (!nextToken())
                return std::nullopt;
            if (m_xml.tokenType() != QXmlStreamReader::StartElement)
                return fail(QStringLiteral("the key \"%1\" has no value").arg(*key));
            auto element = value(depth + 1);
            if (!element)
                return std::nullopt;
            map.insert(*key, *element);
        }
        if (map.size() == 1 && map.firstKey() == PropertyList::EscapedStringKey
            && map.first().typeId() == QMetaType::QByteArray) {
            const QByteArray units = map.first().toByteArray();
            if (units.size() % 2 != 0)
                return fail(QStringLiteral("an escaped string has an odd number of bytes"));
            return QVariant(stringFromUtf16(units));
        }
        return QVariant(map);
    }

    std::optional<QVariant> integer(const QString &digits)
    {
        static const QRegularExpression form(QStringLiteral("^[+-]?[0-9]+$"));
        if (!form.match(digits).hasMatch())
            return fail(QStringLiteral("\"%1\" is not an integer").arg(digits.left(40)));
        bool ok = false;
        const qlonglong signedValue = digits.toLongLong(&ok);
        if (ok)
            return QVariant(signedValue);
        const qulonglong unsignedValue = digits.toULongLong(&ok);
        if (ok && !digits.startsWith(u'-'))
            return QVariant(unsignedValue);
        return fail(QStringLiteral("the integer %1 is out of range").arg(digits.left(40)));
    }

    std::optional<QVariant> real(const QString &digits)
    {
        const QString lower = digits.toLower();
        if (lower == u"nan" || lower == u"+nan" || lower == u"-nan")
            return QVariant(std::nan(""));
        if (lower == u"inf" || lower == u"+inf" || lower == u"infinity" || lower == u"+infinity")
            return QVariant(HUGE_VAL);
        if (lower == u"-inf" || lower == u"-infinity")
            return QVariant(-HUGE_VAL);
        static const QRegularExpression form(QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
        if (!form.match(digits).hasMatch())
            return fail(QStringLiteral("\"%1\" is not a real number").arg(digits.left(40)));
        bool ok = false;
        const double d = QLocale::c().toDouble(digits, &ok);
        if (!ok && !std::isinf(d))
            return fail(QStringLiteral("the real number %1 is out of range").arg(digits.left(40)));
        return QVariant(d);
    }

    std::optional<QVariant> date(const QString &textForm)
    {
        static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ$"));
        if (!form.match(textForm).hasMatch())
            return fail(QStringLiteral("\"%1\" is not a date").arg(textForm.left(40)));
        const QDate day = QDate::fromString(textForm.left(10), QStringLiteral("yyyy-MM-dd"));
        const QTime time = QTime::fromString(textForm.mid(11, 8), QStringLiteral("HH:mm:ss"));
        if (!day.isValid() || !time.isValid())
            return fail(QStringLiteral("\"%1\" is not a date").arg(textForm));
        const QDateTime when(day, time, QTimeZone::utc());
        return QVariant(when);
    }

    QXmlStreamReader m_xml;
    const PropertyList::Limits &m_limits;
    qsizetype m_count = 0;
};

} // namespace

std::optional<QByteArray> PropertyList::write(const QVariant &value, QString *error)
{
    return write(value, error, Limits());
}

std::optional<QVariant> PropertyList::read(const QByteArray &data, QString *error)
{
    return read(data, error, Limits());
}

bool PropertyList::isXmlText(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text.at(i);
        if (unit.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate())
                return false;
            ++i;
            continue;
        }
        if (unit.isLowSurrogate() || !isXmlChar(unit.unicode()))
            return false;
    }
    return true;
}

std::optional<QByteArray> PropertyList::write(const QVariant &value, QString *error, const Limits &limits)
{
    Writer writer(error, limits);
    writer.out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n";
    if (!writer.value(value, 0))
        return std::nullopt;
    writer.out.append("</plist>\n");
    return writer.out;
}

std::optional<QVariant> PropertyList::read(const QByteArray &data, QString *error, const Limits &limits)
{
    if (data.size() > limits.maxInputSize) {
        if (error)
            *error = QStringLiteral("the property list is larger than %1 bytes").arg(limits.maxInputSize);
        return std::nullopt;
    }
    Reader reader(data, limits);
    auto result = reader.document();
    if (!result && error)
        *error = reader.error;
    return result;
}

} // namespace platform
