#pragma once
// Writes rows of values as comma-separated text to a QIODevice, one encoded line
// per row, in one write per line.
//
// The device is not owned and never closed; the writer keeps nothing but its
// settings. One thread at a time. Quoting: a field with a quotation mark has them
// doubled and is quoted; a field with a comma, semicolon, tab or blank (any
// separator counts) or a character a reader takes for a line end (LF, VT, FF, CR
// alone or not, NEL, U+2028, U+2029) is quoted, as is every field with forceQuotes. Values that
// are not strings are written as text: numbers in the C locale, dates and times in
// ISO 8601. A line the encoding cannot hold is written lossily ("?" for what does
// not fit). No byte-order mark is written unless the caller asks for one
// (setWritesByteOrderMark): writeRows() then begins with U+FEFF in the encoding.
// Failure: writeRow()/writeRows() answer false when a write fell short or the
// encoding is unavailable; they go on with the following rows.
#include <QList>
#include <QString>
#include <QVariant>

class QIODevice;

class NTXCSVExport
{
public:
    explicit NTXCSVExport(QIODevice *device = nullptr) : m_device(device) {}

    QIODevice *device() const { return m_device; }
    void setDevice(QIODevice *device) { m_device = device; }
    // A platform encoding number (NTXStringEncodings.h); 0 until set.
    quint32 encoding() const { return m_encoding; }
    void setEncoding(quint32 encoding) { m_encoding = encoding; }
    // 1 semicolon, 2 tab, anything else comma; takes effect at the next writeRows().
    int separatorType() const { return m_separatorType; }
    void setSeparatorType(int type) { m_separatorType = type; }
    // 1 CR, 2 LF, anything else CR LF; takes effect at the next writeRows().
    int lineEndType() const { return m_lineEndType; }
    void setLineEndType(int type) { m_lineEndType = type; }
    bool writesByteOrderMark() const { return m_writesByteOrderMark; }
    void setWritesByteOrderMark(bool writes) { m_writesByteOrderMark = writes; }
    bool forceQuotes() const { return m_forceQuotes; }
    void setForceQuotes(bool force) { m_forceQuotes = force; }
    // The separator and line end written now ("," and "\r" until writeRows()).
    QString delimiterString() const { return m_delimiterString; }
    QString lineEndString() const { return m_lineEndString; }

    // Sets the separator and line end from their codes, then writes the byte-order
    // mark when asked for and every row.
    bool writeRows(const QList<QVariantList> &rows);
    // One line with the current separator and line end (an empty row: just the end).
    bool writeRow(const QVariantList &row);
    QString escapeString(const QString &field) const;
    // The text in the writer's encoding, strictly: null when it cannot be held.
    QByteArray encodeString(const QString &text) const;
    // The text of a value: strings as they are, numbers in the C locale, dates ISO 8601.
    static QString stringRepresentation(const QVariant &value);

private:
    QIODevice *m_device = nullptr;
    quint32 m_encoding = 0;
    int m_separatorType = 0;
    int m_lineEndType = 0;
    bool m_forceQuotes = false;
    bool m_writesByteOrderMark = false;
    QString m_delimiterString = QStringLiteral(",");
    QString m_lineEndString = QStringLiteral("\r");
};
