#include "components/livelink/LiveLinkConnectionName.h"

#include <QCryptographicHash>
#include <QStringList>

namespace {

bool isAsciiAlnum(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// UTF-8, except that an unpaired surrogate is written as the three bytes of its
// code point (which no real UTF-8 holds), so no two strings share their bytes.
QByteArray bytesOf(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 3);
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t code = text.at(i).unicode();
        if (QChar::isHighSurrogate(code) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            code = QChar::surrogateToUcs4(char16_t(code), text.at(++i).unicode());
        if (code < 0x80) {
            bytes += char(code);
        } else if (code < 0x800) {
            bytes += char(0xc0 | (code >> 6));
            bytes += char(0x80 | (code & 0x3f));
        } else if (code < 0x10000) {
            bytes += char(0xe0 | (code >> 12));
            bytes += char(0x80 | ((code >> 6) & 0x3f));
            bytes += char(0x80 | (code & 0x3f));
        } else {
            bytes += char(0xf0 | (code >> 18));
            bytes += char(0x80 | ((code >> 12) & 0x3f));
            bytes += char(0x80 | ((code >> 6) & 0x3f));
            bytes += char(0x80 | (code & 0x3f));
        }
    }
    return bytes;
}

QString escapedElement(const QString &element)
{
    if (element.isEmpty())
        return QStringLiteral("_");
    static const char hex[] = "0123456789abcdef";
    const QByteArray bytes = bytesOf(element);
    QString result;
    result.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        const bool leadingDigit = i == 0 && c >= '0' && c <= '9';
        if (isAsciiAlnum(c) && !leadingDigit) {
            result += QLatin1Char(c);
        } else {
            const auto byte = uchar(c);
            result += QLatin1Char('_');
            result += QLatin1Char(hex[byte >> 4]);
            result += QLatin1Char(hex[byte & 0xf]);
        }
    }
    return result;
}

QByteArray pairDigest(const QString &bundleIdentifier, const QString &serverName)
{
    // Length-prefixed, so that no two pairs share the hashed bytes.
    const QByteArray first = bytesOf(bundleIdentifier);
    const QByteArray second = bytesOf(serverName);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray(QByteArray::number(first.size()) + ':'));
    hash.addData(first);
    hash.addData(second);
    return hash.result().toHex();
}

} // namespace

QString LiveLinkServerConnectionName(const QString &bundleIdentifier, const QString &serverName)
{
    QStringList elements;
    for (const QString &element : bundleIdentifier.split(QLatin1Char('.')))
        elements.append(escapedElement(element));
    elements.append(escapedElement(serverName));
    const QString name = elements.join(QLatin1Char('.'));
    if (name.size() <= LiveLinkConnectionName::MaxLength)
        return name;

    // "_h" never comes out of the escaping ("_" is always followed by two hex
    // digits or stands alone), so a hashed name differs from every escaped one.
    const QString tail = QStringLiteral("._h") + QString::fromLatin1(pairDigest(bundleIdentifier, serverName));
    const qsizetype room = LiveLinkConnectionName::MaxLength - tail.size();
    QString prefix;
    for (const QString &element : std::as_const(elements)) {
        const qsizetype needed = prefix.isEmpty() ? element.size() : prefix.size() + 1 + element.size();
        if (needed > room)
            break;
        if (!prefix.isEmpty())
            prefix += QLatin1Char('.');
        prefix += element;
    }
    if (prefix.isEmpty())
        prefix = elements.first().left(room);
    return prefix + tail;
}

namespace LiveLinkConnectionName {

bool isValidBusName(const QString &name)
{
    if (name.isEmpty() || name.size() > MaxLength || name.startsWith(QLatin1Char(':')))
        return false;
    const QStringList elements = name.split(QLatin1Char('.'));
    if (elements.size() < 2)
        return false;
    for (const QString &element : elements) {
        if (element.isEmpty() || element.at(0).isDigit())
            return false;
        for (const QChar c : element) {
            const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
                || c == u'_' || c == u'-';
            if (!ok)
                return false;
        }
    }
    return true;
}

} // namespace LiveLinkConnectionName
