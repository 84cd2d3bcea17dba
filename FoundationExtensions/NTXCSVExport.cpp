#include "FoundationExtensions/NTXCSVExport.h"

#include "FoundationExtensions/NTXStringEncodings.h"

#include <QDate>
#include <QDateTime>
#include <QIODevice>
#include <QLocale>
#include <QTime>

bool NTXCSVExport::writeRows(const QList<QVariantList> &rows)
{
    m_delimiterString = m_separatorType == 1 ? QStringLiteral(";")
        : m_separatorType == 2               ? QStringLiteral("\t")
                                             : QStringLiteral(",");
    m_lineEndString = m_lineEndType == 1 ? QStringLiteral("\r")
        : m_lineEndType == 2             ? QStringLiteral("\n")
                                         : QStringLiteral("\r\n");
    bool ok = true;
    if (m_writesByteOrderMark) {
        const QByteArray mark = encodeString(QString(QChar(0xFEFF)));
        ok = !mark.isNull() && m_device && m_device->write(mark) == mark.size();
    }
    for (const QVariantList &row : rows)
        ok = writeRow(row) && ok;
    return ok;
}

bool NTXCSVExport::writeRow(const QVariantList &row)
{
    QString line;
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (i > 0)
            line += m_delimiterString;
        line += escapeString(stringRepresentation(row[i]));
    }
    line += m_lineEndString;
    QByteArray bytes = encodeString(line);
    if (bytes.isNull())
        bytes = NTXStringEncodings::encodeLossy(line, m_encoding);
    if (bytes.isNull() || !m_device)
        return false;
    return m_device->write(bytes) == bytes.size();
}

QString NTXCSVExport::escapeString(const QString &field) const
{
    if (field.contains(u'"')) {
        QString doubled = field;
        doubled.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        return u'"' + doubled + u'"';
    }
    // Every separator and blank, and every character a reader takes for a line end
    // (the parser's newlines: LF, VT, FF, CR, NEL, U+2028, U+2029), or the row
    // would split there.
    static const QString quoteTriggers = QStringLiteral(",; \t\n\v\f\r\u0085\u2028\u2029");
    bool quote = m_forceQuotes;
    for (qsizetype i = 0; !quote && i < field.size(); ++i)
        quote = quoteTriggers.contains(field.at(i));
    return quote ? u'"' + field + u'"' : field;
}

QByteArray NTXCSVExport::encodeString(const QString &text) const
{
    return NTXStringEncodings::encode(text, m_encoding);
}

QString NTXCSVExport::stringRepresentation(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Double:
    case QMetaType::Float:
        return QLocale::c().toString(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QDateTime:
        return value.toDateTime().toString(Qt::ISODate);
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::QTime:
        return value.toTime().toString(Qt::ISODate);
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    default:
        break;
    }
    if (!value.isValid() || value.isNull())
        return QString();
    return value.toString(); // integers and other types: their C-locale text
}
