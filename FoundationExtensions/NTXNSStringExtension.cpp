#include "FoundationExtensions/NTXNSStringExtension.h"

#include "FoundationExtensions/NTXNSAttributedStringExtension.h"

#include "FoundationExtensions/NTXMutableStringExtension.h"
#include "FoundationExtensions/NTXStringEncodings.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/CalendarDate.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Exception.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QMimeDatabase>
#include <QPainter>
#include <QSet>
#include <QStringDecoder>
#include <QUuid>

#include <algorithm>
#include <limits>

namespace NTXNSStringExtension {

int intValue(QStringView string)
{
    qsizetype i = 0;
    while (i < string.size()
           && (string.at(i) == QLatin1Char(' ') || (string.at(i) >= QLatin1Char('\t') && string.at(i) <= QLatin1Char('\r'))))
        ++i;
    bool negative = false;
    if (i < string.size() && (string.at(i) == QLatin1Char('-') || string.at(i) == QLatin1Char('+'))) {
        negative = string.at(i) == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < string.size() && string.at(i) >= QLatin1Char('0') && string.at(i) <= QLatin1Char('9'); ++i) {
        value = value * 10 + (string.at(i).unicode() - '0');
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            break;
    }
    if (negative)
        value = -value;
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

namespace {

bool isAsciiDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

int asciiDigitValue(QChar c)
{
    return isAsciiDigit(c) ? int(c.unicode() - u'0') : 0;
}

} // namespace

// ---- Entity conversion ----

QString stringByConvertCharactersToXML(const QString &string)
{
    QString copy = string; // shared; XMLEntities detaches only when it escapes
    NTXMutableStringExtension::XMLEntities(copy);
    return copy;
}

QString stringByConvertXMLToChars(const QString &string)
{
    QString copy = string;
    NTXMutableStringExtension::XMLEntitiesToChars(copy);
    return copy;
}

QString stringByConvertCharactersToHTML(const QString &string)
{
    QString copy = string;
    NTXMutableStringExtension::HTMLEntities(copy);
    return copy;
}

QString stringWithCharacter(uint codePoint)
{
    if (codePoint > 0x10FFFF)
        codePoint = 0xFFFD;
    if (codePoint <= 0xFFFF)
        return QString(QChar(char16_t(codePoint)));
    const uint v = codePoint - 0x10000;
    const QChar pair[2] = {QChar(char16_t(0xD800 | (v >> 10))), QChar(char16_t(0xDC00 | (v & 0x3FF)))};
    return QString(pair, 2);
}

// ---- Construction ----

QString stringWithData(const QByteArray &data, quint32 encoding)
{
    return NTXStringEncodings::decode(data, encoding);
}

QString stringWithString(const QString &string, int times)
{
    if (times <= 0 || string.isEmpty())
        return QString(QStringLiteral(""));
    return string.repeated(times);
}

QString stringWithStrings(std::initializer_list<QString> strings)
{
    QString result(QStringLiteral(""));
    for (const QString &s : strings)
        result.append(s);
    return result;
}

QString stringWithStrings(const QStringList &strings)
{
    QString result(QStringLiteral(""));
    for (const QString &s : strings)
        result.append(s);
    return result;
}

QString UUID()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString universalTypeForFile(const QString &path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return QString();
    static const QMimeDatabase db;
    const QMimeType type = db.mimeTypeForFile(path);
    return type.isValid() ? type.name() : QString();
}

QString stringForKeyEquivalent(const QString &key, quint64 modifierMask)
{
    QString result;
    if (modifierMask & CommandKeyMask)
        result.append(commandKeyIndicatorString());
    if (modifierMask & AlternateKeyMask)
        result.append(alternateKeyIndicatorString());
    if (modifierMask & ControlKeyMask)
        result.append(QLatin1Char('^'));
    if (modifierMask & ShiftKeyMask)
        result.append(shiftKeyIndicatorString());
    result.append(key);
    return result;
}

QString timeStampForFileOperation()
{
    return platform::CalendarDate::format(platform::Clock::now(), u"%Y%m%d%H%M%S%z%F");
}

QString stringForRating(quint64 rating)
{
    if (rating == 0)
        return QStringLiteral("-");
    return QString(qsizetype(std::min<quint64>(rating, 5)), QChar(0x272D));
}

const QString &horizontalEllipsisString()
{
    static const QString s = stringWithCharacter(0x2026);
    return s;
}
const QString &leftPointingDoubleAngleQuotationMarkString()
{
    static const QString s = stringWithCharacter(0x00AB);
    return s;
}
const QString &rightPointingDoubleAngleQuotationMarkString()
{
    static const QString s = stringWithCharacter(0x00BB);
    return s;
}
const QString &emdashString()
{
    static const QString s = stringWithCharacter(0x2014);
    return s;
}
const QString &endashString()
{
    static const QString s = stringWithCharacter(0x2013);
    return s;
}
const QString &commandKeyIndicatorString()
{
    static const QString s = stringWithCharacter(0x2318);
    return s;
}
const QString &alternateKeyIndicatorString()
{
    static const QString s = stringWithCharacter(0x2325);
    return s;
}
const QString &shiftKeyIndicatorString()
{
    static const QString s = stringWithCharacter(0x21E7);
    return s;
}

// ---- Unique names ----

QString uniqueStringWithString(const QString &string, const QStringList &strings)
{
    if (!strings.contains(string))
        return string;

    // The trailing digits, never including the first character.
    const qsizetype n = string.size();
    qsizetype runStart = n;
    while (runStart > 1 && isAsciiDigit(string[runStart - 1]))
        --runStart;
    QString stem = string;
    qint64 start = 0;
    if (n >= 2 && runStart < n) {
        qint64 value = 0;
        bool fits = true;
        for (qsizetype i = runStart; i < n; ++i) {
            value = value * 10 + asciiDigitValue(string[i]);
            if (value > std::numeric_limits<int>::max()) {
                fits = false;
                break;
            }
        }
        if (fits) {
            stem = string.left(runStart);
            start = value;
        }
    }

    const QSet<QString> taken(strings.cbegin(), strings.cend());
    // At most strings.size() candidates can be taken, so the loop ends.
    for (qint64 k = start + 1;; ++k) {
        QString candidate = stem + QLatin1Char(' ') + QString::number(k);
        if (!taken.contains(candidate))
            return candidate;
    }
}

namespace {

// Splits a file name into stem and extension (the text after the last "." of the
// last path component, when that dot is neither its first nor its last character).
std::pair<QString, QString> splitExtension(const QString &name)
{
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const qsizetype componentStart = slash + 1;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= componentStart || dot == name.size() - 1)
        return {name, QString()};
    return {name.left(dot), name.mid(dot + 1)};
}

} // namespace

QString uniqueFilenameWithString(const QString &string, const QStringList &filenames)
{
    const auto [stem, extension] = splitExtension(string);
    QStringList stems;
    stems.reserve(filenames.size());
    for (const QString &f : filenames)
        stems.append(splitExtension(f).first);
    const QString unique = uniqueStringWithString(stem, stems);
    if (extension.isEmpty())
        return unique;
    return unique + QLatin1Char('.') + extension;
}

QString uniqueCopyStringWithString(const QString &string, const QStringList &strings)
{
    const QString word = platform::Bundle::bundleNamed(QStringLiteral("NTXFoundationExtensions"))
                             .localizedString(QStringLiteral("CopyString"),
                                              QStringLiteral("NTXNSStringExtensions"));
    QString name = string;
    if (!name.contains(word))
        name = string.trimmed() + QLatin1Char(' ') + word;
    return uniqueStringWithString(name, strings);
}

// ---- Validation and addresses ----

bool validateEMailAddress(const QString &address)
{
    const qsizetype last = address.size() - 1;
    const qsizetype at = address.indexOf(QLatin1Char('@'));
    if (at <= 0 || at == last)
        return false;
    const qsizetype dot = address.indexOf(QLatin1Char('.'));
    return dot > 0 && dot != last;
}

bool validateURL(const QString &url)
{
    const qsizetype dot = url.indexOf(QLatin1Char('.'));
    return dot > 0 && dot != url.size() - 1;
}

QString completedURLStringForString(const QString &string)
{
    if (string.contains(QLatin1String("://")))
        return string;
    return QLatin1String("http://") + string;
}

QString decodeAllPercentEscapes(const QString &string)
{
    if (!string.contains(QLatin1Char('%')))
        return string;
    const auto hexValue = [](char16_t c) -> int {
        if (c >= u'0' && c <= u'9')
            return c - u'0';
        if (c >= u'a' && c <= u'f')
            return c - u'a' + 10;
        if (c >= u'A' && c <= u'F')
            return c - u'A' + 10;
        return -1;
    };
    // Decode to UTF-8 bytes; everything that is not an escape is kept as UTF-8.
    QByteArray bytes;
    bytes.reserve(string.size());
    const qsizetype n = string.size();
    for (qsizetype i = 0; i < n;) {
        if (string[i] == QLatin1Char('%') && i + 2 < n) {
            const int hi = hexValue(string[i + 1].unicode());
            const int lo = hexValue(string[i + 2].unicode());
            if (hi >= 0 && lo >= 0) {
                bytes.append(char(hi * 16 + lo));
                i += 3;
                continue;
            }
        }
        // Copy one code point (a surrogate pair stays together).
        qsizetype len = 1;
        if (string[i].isHighSurrogate() && i + 1 < n && string[i + 1].isLowSurrogate())
            len = 2;
        bytes.append(QStringView(string).sliced(i, len).toUtf8());
        i += len;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder(bytes);
    // Escapes that do not form UTF-8 leave the string as it stands.
    if (decoder.hasError())
        return string;
    return decoded;
}

QString convertToURLConformString(const QString &string)
{
    const QString decoded = decodeAllPercentEscapes(string);
    return QString::fromLatin1(decoded.toUtf8().toPercentEncoding("!$&'()*+,;=:/?@#"));
}

QString percentEncodedRfc3986String(const QString &string)
{
    static constexpr char Reserved[] = ";/?:@&=+$,[]#!'()*";
    const auto isReserved = [](QChar c) {
        return c.unicode() < 0x80 && c.unicode() != 0
               && std::char_traits<char>::find(Reserved, sizeof Reserved - 1, char(c.unicode()));
    };
    if (std::none_of(string.cbegin(), string.cend(), isReserved))
        return string;
    static constexpr char Hex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(string.size() + 16);
    for (const QChar c : string) {
        if (isReserved(c)) {
            out.append(QLatin1Char('%'));
            out.append(QLatin1Char(Hex[c.unicode() >> 4]));
            out.append(QLatin1Char(Hex[c.unicode() & 0xF]));
        } else {
            out.append(c);
        }
    }
    return out;
}

// ---- Transformations ----

CharacterSet characterSetWithCharactersInString(const QString &characters)
{
    return [characters](QChar c) { return characters.contains(c); };
}

QString stringByReplacNotFilenameConformCharacters(const QString &string)
{
    QString out = string;
    for (QChar &c : out) {
        if (c == QLatin1Char('/') || c == QLatin1Char(':') || c == QLatin1Char('\\'))
            c = QLatin1Char('-');
    }
    return out;
}

QString stringByRemovingCharactersInSet(const QString &string, const CharacterSet &set,
                                        SearchOptions options)
{
    if (string.isEmpty())
        return QString(QStringLiteral(""));
    if (!set)
        return string;
    const bool caseless = options & CaseInsensitiveSearch;
    const auto inSet = [&](QChar c) {
        return set(c) || (caseless && (set(c.toLower()) || set(c.toUpper())));
    };
    if (options & AnchoredSearch) {
        qsizetype i = 0;
        while (i < string.size() && inSet(string[i]))
            ++i;
        return string.mid(i);
    }
    QString out;
    out.reserve(string.size());
    for (const QChar c : string) {
        if (!inSet(c))
            out.append(c);
    }
    return out;
}

QString stringByRemovingCharacter(const QString &string, QChar character)
{
    return stringByRemovingCharactersInSet(string, [character](QChar c) { return c == character; });
}

QString stringByAppendingEllipsis(const QString &string)
{
    return string + horizontalEllipsisString();
}

QString stringByReplaceOccurrencesOfString(const QString &string, const QString &target,
                                           const QString &replacement, SearchOptions options,
                                           platform::Range range)
{
    if (!range.fitsIn(string.size()))
        throw platform::Exception(platform::Exception::RangeException,
                                  QStringLiteral("Range {%1, %2} out of bounds; string length %3")
                                      .arg(range.location)
                                      .arg(range.length)
                                      .arg(string.size()));
    if (target.isEmpty() || range.length < target.size())
        return string;
    const Qt::CaseSensitivity cs =
        (options & CaseInsensitiveSearch) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const QStringView inRange = QStringView(string).sliced(range.location, range.length);
    const qsizetype t = target.size();

    // Matches as offsets inside the range, in increasing order.
    QList<qsizetype> matches;
    const bool anchored = options & AnchoredSearch;
    if (options & BackwardsSearch) {
        if (anchored) {
            if (inRange.endsWith(target, cs))
                matches.append(inRange.size() - t);
        } else {
            qsizetype end = inRange.size();
            while (end >= t) {
                const qsizetype found = inRange.first(end).lastIndexOf(target, end - t, cs);
                if (found < 0)
                    break;
                matches.prepend(found);
                end = found;
            }
        }
    } else if (anchored) {
        if (inRange.startsWith(target, cs))
            matches.append(0);
    } else {
        qsizetype from = 0;
        while (from <= inRange.size() - t) {
            const qsizetype found = inRange.indexOf(target, from, cs);
            if (found < 0)
                break;
            matches.append(found);
            from = found + t;
        }
    }
    if (matches.isEmpty())
        return string;

    QString out;
    out.reserve(string.size() + matches.size() * (replacement.size() - t));
    qsizetype pos = 0;
    for (const qsizetype m : matches) {
        const qsizetype at = range.location + m;
        out.append(QStringView(string).sliced(pos, at - pos));
        out.append(replacement);
        pos = at + t;
    }
    out.append(QStringView(string).sliced(pos));
    return out;
}

QString displayStringForRange(const QString &string, platform::Range range,
                              qsizetype maxCharacters)
{
    const qsizetype length = string.size();
    const qsizetype max = std::max<qsizetype>(maxCharacters, 0);
    if (length <= max || range.isNotFound())
        return string;
    if (!range.fitsIn(length))
        range = platform::Range(0, 0);

    const qsizetype shown = std::min(range.length, max);
    qsizetype start = range.location;
    if (shown < max) {
        const qsizetype slack = max - shown;
        start = range.location > slack ? range.location - slack / 2 : 0;
        if (start + max > length)
            start = length - max;
    }
    QString result = string.mid(start, max);
    if (start != 0)
        result.prepend(horizontalEllipsisString());
    if (start + max < length)
        result.append(horizontalEllipsisString());
    result.replace(QLatin1Char('\r'), QLatin1Char(' '));
    result.replace(QLatin1Char('\n'), QLatin1Char(' '));
    result.replace(QLatin1String("  "), QLatin1String(" "));
    return result;
}

namespace {

void requireLength(const QString &string, qsizetype needed, const char *what)
{
    if (string.size() < needed)
        throw platform::Exception(platform::Exception::RangeException,
                                  QStringLiteral("%1 needs %2 characters; the string has %3")
                                      .arg(QLatin1String(what))
                                      .arg(needed)
                                      .arg(string.size()));
}

} // namespace

QString convertISBN10ToISBN13(const QString &isbn10)
{
    requireLength(isbn10, 10, "convertISBN10ToISBN13");
    QString result = QStringLiteral("9780000000000");
    for (int i = 0; i < 9; ++i)
        result[3 + i] = isbn10[i];
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += asciiDigitValue(result[i]) * (i % 2 == 0 ? 1 : 3);
    result[12] = QLatin1Char(char('0' + (10 - sum % 10) % 10));
    return result;
}

QString convertISBN13ToISBN10(const QString &isbn13)
{
    requireLength(isbn13, 13, "convertISBN13ToISBN10");
    QString result = QStringLiteral("0000000000");
    for (int i = 0; i < 9; ++i)
        result[i] = isbn13[3 + i];
    int sum = 0;
    for (int i = 1; i <= 9; ++i)
        sum += asciiDigitValue(result[i - 1]) * i;
    const int check = sum % 11;
    result[9] = check == 10 ? QLatin1Char('X') : QLatin1Char(char('0' + check));
    return result;
}

QStringList firstAndLastNameOfNameString(const QString &name)
{
    if (name.isEmpty())
        return {QString(), QString()};
    qsizetype sep = name.indexOf(QLatin1Char(','));
    if (sep < 0)
        sep = name.indexOf(QLatin1Char(';'));
    if (sep >= 0)
        return {name.mid(sep + 1).trimmed(), name.left(sep).trimmed()};
    const qsizetype von = name.indexOf(QLatin1String(" von "), 0, Qt::CaseInsensitive);
    if (von >= 0)
        return {name.left(von).trimmed(), name.mid(von).trimmed()};
    qsizetype space = name.size() - 1;
    while (space >= 0 && !name[space].isSpace())
        --space;
    if (space < 0)
        return {QString(), name.trimmed()};
    return {name.left(space).trimmed(), name.mid(space + 1).trimmed()};
}

// ---- Type identifiers ----

bool UTIConformsTo(const QString &type, const QString &conformsTo)
{
    static const QMimeDatabase db;
    const QMimeType mime = db.mimeTypeForName(type);
    if (!mime.isValid())
        return !type.isEmpty() && type == conformsTo;
    const QMimeType parent = db.mimeTypeForName(conformsTo);
    return mime.inherits(parent.isValid() ? parent.name() : conformsTo);
}

bool UTIConformsToUTIOf(const QString &type, const QStringList &types)
{
    return std::any_of(types.cbegin(), types.cend(),
                       [&](const QString &t) { return UTIConformsTo(type, t); });
}

// ---- Drawing ----

void drawWithFontAttributes(const QString &string, QPainter &painter,
                            const TextAttributes &attributes, int alignment,
                            bool verticallyCenter, const QRectF &rectangle)
{
    platform::AttributedString::Attributes map;
    if (attributes.font)
        map.insert(platform::AttributedString::FontAttribute, *attributes.font);
    if (attributes.color)
        map.insert(platform::AttributedString::ForegroundColorAttribute, *attributes.color);
    const platform::AttributedString text(string, map);
    if (attributes.shadow && !string.isEmpty()) {
        attributes.shadow->drawShadow(painter, rectangle, [&](QPainter &p) {
            NTXNSAttributedStringExtension::drawInRectangle(text, p, rectangle, alignment, verticallyCenter);
        });
    }
    NTXNSAttributedStringExtension::drawInRectangle(text, painter, rectangle, alignment, verticallyCenter);
}

QSizeF sizeWithAttributes(const QString &string, const TextAttributes &attributes)
{
    const QFontMetricsF metrics(attributes.font.value_or(QGuiApplication::font()));
    return {metrics.horizontalAdvance(string), metrics.height()};
}

void drawWithFontAttributes(const QString &string, QPainter &painter,
                            const TextAttributes &attributes, int alignment,
                            const QRectF &rectangle)
{
    drawWithFontAttributes(string, painter, attributes, alignment, false, rectangle);
}

void drawWithFont(const QString &string, QPainter &painter, const QFont *font,
                  const QColor *color, int alignment, bool verticallyCenter,
                  const QRectF &rectangle)
{
    TextAttributes attributes;
    if (font)
        attributes.font = *font;
    if (color)
        attributes.color = *color;
    drawWithFontAttributes(string, painter, attributes, alignment, verticallyCenter, rectangle);
}

void drawWithFont(const QString &string, QPainter &painter, const QFont *font,
                  const QColor *color, int alignment, const QRectF &rectangle)
{
    drawWithFont(string, painter, font, color, alignment, false, rectangle);
}

} // namespace NTXNSStringExtension
