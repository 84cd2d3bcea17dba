#include "platform/foundation/Bundle.h"

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QStringDecoder>

#include <algorithm>

namespace platform {

namespace {

// Reader of the ".strings" syntax: a sequence of  key = value;  pairs (or a bare
// key; meaning key = key), where keys and values are quoted strings or unquoted
// words, with C and C++ comments between the tokens.
class StringsParser
{
public:
    explicit StringsParser(QStringView text) : m_text(text) {}

    std::optional<QHash<QString, QString>> parse()
    {
        QHash<QString, QString> table;
        if (m_pos < m_text.size() && m_text.at(m_pos) == QChar(0xFEFF))
            ++m_pos;
        for (;;) {
            if (!skipSpace())
                return std::nullopt;
            if (atEnd())
                break;
            QString key;
            if (!readString(key))
                return std::nullopt;
            if (!skipSpace() || atEnd())
                return std::nullopt;
            if (peek() == u';') {
                ++m_pos;
                table.insert(key, key);
                continue;
            }
            if (peek() != u'=')
                return std::nullopt;
            ++m_pos;
            if (!skipSpace() || atEnd())
                return std::nullopt;
            QString value;
            if (!readString(value))
                return std::nullopt;
            if (!skipSpace() || atEnd() || peek() != u';')
                return std::nullopt;
            ++m_pos;
            table.insert(key, value);
        }
        return table;
    }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    char16_t peek(qsizetype ahead = 0) const
    {
        return m_pos + ahead < m_text.size() ? m_text.at(m_pos + ahead).unicode() : u'\0';
    }

    // Skips white space and comments; false for an unterminated block comment.
    bool skipSpace()
    {
        while (!atEnd()) {
            const QChar c = m_text.at(m_pos);
            if (c.isSpace()) {
                ++m_pos;
            } else if (c == u'/' && peek(1) == u'/') {
                m_pos += 2;
                while (!atEnd() && peek() != u'\n' && peek() != u'\r' && peek() != 0x2028 && peek() != 0x2029)
                    ++m_pos;
            } else if (c == u'/' && peek(1) == u'*') {
                const qsizetype end = m_text.indexOf(u"*/", m_pos + 2);
                if (end < 0)
                    return false;
                m_pos = end + 2;
            } else {
                break;
            }
        }
        return true;
    }

    static bool isWordCharacter(char16_t c)
    {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
            || c == u'_' || c == u'$' || c == u'/' || c == u':' || c == u'.' || c == u'-';
    }

    static int hexDigit(char16_t c)
    {
        if (c >= u'0' && c <= u'9')
            return c - u'0';
        if (c >= u'a' && c <= u'f')
            return c - u'a' + 10;
        if (c >= u'A' && c <= u'F')
            return c - u'A' + 10;
        return -1;
    }

    bool readString(QString &out)
    {
        const char16_t first = peek();
        if (first == u'"' || first == u'\'')
            return readQuoted(out, first);
        const qsizetype start = m_pos;
        while (!atEnd() && isWordCharacter(peek()))
            ++m_pos;
        if (m_pos == start)
            return false;
        out = m_text.mid(start, m_pos - start).toString();
        return true;
    }

    bool readQuoted(QString &out, char16_t quote)
    {
        ++m_pos; // opening quote
        out.clear();
        qsizetype runStart = m_pos;
        while (!atEnd()) {
            const char16_t c = peek();
            if (c == quote) {
                out += m_text.mid(runStart, m_pos - runStart);
                ++m_pos;
                return true;
            }
            if (c != u'\\') {
                ++m_pos;
                continue;
            }
            out += m_text.mid(runStart, m_pos - runStart);
            ++m_pos; // backslash
            if (atEnd())
                return false;
            const char16_t e = peek();
            ++m_pos;
            switch (e) {
            case u'a': out += QChar(0x07); break;
            case u'b': out += QChar(0x08); break;
            case u'f': out += QChar(0x0C); break;
            case u'n': out += QChar(u'\n'); break;
            case u'r': out += QChar(u'\r'); break;
            case u't': out += QChar(u'\t'); break;
            case u'v': out += QChar(0x0B); break;
            case u'U':
            case u'u': {
                int value = 0;
                int digits = 0;
                while (digits < 4 && !atEnd() && hexDigit(peek()) >= 0) {
                    value = value * 16 + hexDigit(peek());
                    ++m_pos;
                    ++digits;
                }
                if (digits == 0)
                    return false;
                out += QChar(char16_t(value));
                break;
            }
            default:
                if (e >= u'0' && e <= u'7') {
                    // Up to three octal digits: a byte value.
                    int value = e - u'0';
                    for (int n = 1; n < 3 && !atEnd() && peek() >= u'0' && peek() <= u'7'; ++n) {
                        value = value * 8 + (peek() - u'0');
                        ++m_pos;
                    }
                    out += QChar(char16_t(value & 0xFF));
                } else {
                    // \" \' \\ and any other character stand for themselves.
                    out += QChar(e);
                }
                break;
            }
            runStart = m_pos;
        }
        return false; // unterminated
    }

    QStringView m_text;
    qsizetype m_pos = 0;
};

struct Registry
{
    QMutex mutex;
    QHash<QString, Bundle *> bundles;
};

Registry &registry()
{
    static Registry *r = new Registry; // bundles live for the whole process
    return *r;
}

const QString MainBundleName = QStringLiteral("Chronark");
const QString DefaultTable = QStringLiteral("Localizable");

} // namespace

Bundle::Bundle(QString name) : m_name(std::move(name)) {}

QVariant Bundle::objectForInfoDictionaryKey(const QString &key) const
{
    QMutexLocker lock(&m_mutex);
    return m_info.value(key);
}

QVariantMap Bundle::infoDictionary() const
{
    QMutexLocker lock(&m_mutex);
    return m_info;
}

void Bundle::setInfoDictionary(const QVariantMap &info)
{
    QMutexLocker lock(&m_mutex);
    m_info = info;
}

Bundle &Bundle::mainBundle()
{
    static Bundle &main = bundleNamed(MainBundleName);
    return main;
}

Bundle &Bundle::bundleNamed(const QString &name)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    auto it = r.bundles.find(name);
    if (it == r.bundles.end())
        it = r.bundles.insert(name, new Bundle(name));
    return *it.value();
}

QString Bundle::resourceRoot() const
{
    return QStringLiteral(":/bundles/") + m_name;
}

QString Bundle::pathForResource(const QString &fileName) const
{
    if (fileName.isEmpty())
        return QString();
    const QString path = resourceRoot() + QLatin1Char('/') + fileName;
    const QFileInfo info(path);
    return info.exists() && info.isFile() ? path : QString();
}

QString Bundle::localizedString(const QString &key, const QString &tableName) const
{
    QMutexLocker lock(&m_mutex);
    const QHash<QString, QString> &t = table(tableName.isEmpty() ? DefaultTable : tableName);
    auto it = t.constFind(key);
    return it != t.constEnd() ? it.value() : key;
}

QString Bundle::localizedString(const QString &key, const QString &tableName, const QString &defaultValue) const
{
    QMutexLocker lock(&m_mutex);
    const QHash<QString, QString> &t = table(tableName.isEmpty() ? DefaultTable : tableName);
    auto it = t.constFind(key);
    return it != t.constEnd() ? it.value() : defaultValue;
}

bool Bundle::addStringsTable(const QString &tableName, QStringView text)
{
    std::optional<QHash<QString, QString>> parsed = parseStrings(text);
    if (!parsed)
        return false;
    QMutexLocker lock(&m_mutex);
    m_tables.insert(tableName.isEmpty() ? DefaultTable : tableName, std::move(*parsed));
    return true;
}

// Called with m_mutex held.
const QHash<QString, QString> &Bundle::table(const QString &name) const
{
    auto it = m_tables.constFind(name);
    if (it != m_tables.constEnd())
        return it.value();

    QHash<QString, QString> loaded;
    const QString path = resourceRoot() + QLatin1Char('/') + name + QStringLiteral(".strings");
    QFile file(path);
    // Read up to the file's size and a byte more (one that grew meanwhile is refused):
    // a read of the largest size would take a buffer of that size first.
    if (file.exists()) {
        if (file.size() > MaxTableBytes) {
            qWarning("Bundle %s: string table %s is too large", qPrintable(m_name), qPrintable(name));
        } else if (!file.open(QIODevice::ReadOnly)) {
            qWarning("Bundle %s: cannot read string table %s", qPrintable(m_name), qPrintable(name));
        } else if (std::optional<QHash<QString, QString>> parsed =
                       parseStringsData(file.read(std::min<qint64>(file.size(), MaxTableBytes) + 1))) {
            loaded = std::move(*parsed);
        } else {
            qWarning("Bundle %s: string table %s is malformed", qPrintable(m_name), qPrintable(name));
        }
    }
    // Missing or unreadable tables are remembered as empty: keys answer themselves.
    return m_tables.insert(name, std::move(loaded)).value();
}

std::optional<QHash<QString, QString>> Bundle::parseStrings(QStringView text)
{
    if (text.size() > MaxTableBytes / qsizetype(sizeof(char16_t)))
        return std::nullopt;
    return StringsParser(text).parse();
}

std::optional<QHash<QString, QString>> Bundle::parseStringsData(const QByteArray &bytes)
{
    if (bytes.size() > MaxTableBytes)
        return std::nullopt;
    QStringDecoder::Encoding encoding = QStringDecoder::Utf8;
    qsizetype skip = 0;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        skip = 3;
    } else if (bytes.startsWith("\xFF\xFE")) {
        encoding = QStringDecoder::Utf16LE;
        skip = 2;
    } else if (bytes.startsWith("\xFE\xFF")) {
        encoding = QStringDecoder::Utf16BE;
        skip = 2;
    }
    const QByteArrayView body = QByteArrayView(bytes).sliced(skip);
    if (encoding != QStringDecoder::Utf8 && body.size() % 2 != 0)
        return std::nullopt;
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(body);
    if (decoder.hasError())
        return std::nullopt;
    return parseStrings(text);
}

} // namespace platform
