#include "platform/foundation/DesktopEntry.h"

#include <QStringDecoder>
#include <algorithm>

namespace platform {

namespace {

const QString GroupHeader = QStringLiteral("[Desktop Entry]");

QString unescapeValue(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\') || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text.at(++i);
        switch (next.unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case '\\': out += QLatin1Char('\\'); break;
        default: out += QLatin1Char('\\'); out += next; break; // kept for the reader of the key (";" lists)
        }
    }
    return out;
}

QString escapeValue(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case ' ': out += i == 0 ? QLatin1String("\\s") : QLatin1String(" "); break;
        default: out += c; break;
        }
    }
    return out;
}

bool isReserved(QChar c)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    return reserved.contains(c);
}

} // namespace

std::optional<DesktopEntry> DesktopEntry::parse(const QByteArray &bytes)
{
    if (bytes.size() > MaxBytes)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    DesktopEntry entry;
    bool inGroup = false;
    bool sawGroup = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        if (trimmed.startsWith(QLatin1Char('['))) {
            inGroup = trimmed == GroupHeader;
            if (inGroup && sawGroup)
                return std::nullopt; // the group twice
            sawGroup = sawGroup || inGroup;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            return std::nullopt;
        if (!inGroup)
            continue;
        const QString key = line.left(equals).trimmed();
        bool found = false;
        entry.value(key, &found);
        if (key.isEmpty() || found)
            return std::nullopt; // a key twice
        entry.m_values.append({key, unescapeValue(QStringView(line).mid(equals + 1).trimmed())});
    }
    if (!sawGroup)
        return std::nullopt;
    return entry;
}

QByteArray DesktopEntry::toBytes() const
{
    QString text = GroupHeader + QLatin1Char('\n');
    for (const auto &[key, value] : m_values)
        text += key + QLatin1Char('=') + escapeValue(value) + QLatin1Char('\n');
    return text.toUtf8();
}

QString DesktopEntry::value(const QString &key, bool *found) const
{
    for (const auto &[k, v] : m_values) {
        if (k == key) {
            if (found)
                *found = true;
            return v;
        }
    }
    if (found)
        *found = false;
    return QString(QLatin1String(""));
}

void DesktopEntry::setValue(const QString &key, const QString &value)
{
    for (auto &pair : m_values) {
        if (pair.first == key) {
            pair.second = value;
            return;
        }
    }
    m_values.append({key, value});
}

QString DesktopEntry::quoteExecArgument(const QString &argument)
{
    QString escaped = argument;
    escaped.replace(QLatin1Char('%'), QLatin1String("%%"));
    const bool needsQuotes = argument.isEmpty() || std::any_of(argument.begin(), argument.end(), isReserved);
    if (!needsQuotes)
        return escaped;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : escaped) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

QString DesktopEntry::execLine(const QStringList &arguments)
{
    QStringList quoted;
    for (const QString &argument : arguments)
        quoted.append(quoteExecArgument(argument));
    return quoted.join(QLatin1Char(' '));
}

std::optional<QStringList> DesktopEntry::execArguments(const QString &exec)
{
    static const QString fieldCodes = QStringLiteral("fFuUdDnNickvm");
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool onlyFieldCode = false; // the argument so far is nothing but dropped field codes
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inArgument && !(onlyFieldCode && current.isEmpty()))
                arguments.append(current);
            current.clear();
            inArgument = false;
            onlyFieldCode = false;
            continue;
        }
        if (!inArgument) {
            inArgument = true;
            onlyFieldCode = false;
        }
        if (c == QLatin1Char('"')) {
            onlyFieldCode = false;
            for (++i;; ++i) {
                if (i >= exec.size())
                    return std::nullopt; // open quote
                QChar q = exec.at(i);
                if (q == QLatin1Char('"'))
                    break;
                if (q == QLatin1Char('\\')) {
                    if (i + 1 >= exec.size())
                        return std::nullopt;
                    q = exec.at(++i);
                    if (q != QLatin1Char('"') && q != QLatin1Char('`') && q != QLatin1Char('$') && q != QLatin1Char('\\'))
                        return std::nullopt;
                } else if (q == QLatin1Char('%')) {
                    if (i + 1 >= exec.size() || exec.at(i + 1) != QLatin1Char('%'))
                        return std::nullopt; // no field codes inside quotes
                    ++i;
                }
                current += q;
            }
            continue;
        }
        if (c == QLatin1Char('%')) {
            if (i + 1 >= exec.size())
                return std::nullopt;
            const QChar code = exec.at(++i);
            if (code == QLatin1Char('%')) {
                current += code;
                onlyFieldCode = false;
            } else if (fieldCodes.contains(code)) {
                onlyFieldCode = current.isEmpty();
            } else {
                return std::nullopt;
            }
            continue;
        }
        if (isReserved(c))
            return std::nullopt; // reserved characters stand only inside quotes
        current += c;
        onlyFieldCode = false;
    }
    if (inArgument && !(onlyFieldCode && current.isEmpty()))
        arguments.append(current);
    return arguments;
}

} // namespace platform
