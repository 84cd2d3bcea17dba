#pragma once
// The XML property list (version "1.0"), as Python's plistlib and other tools read
// and write it: one value of the kinds below, written to bytes and read back.
//
//   QVariant written as               read back as
//   bool                              <true/> <false/>                   bool
//   any integer type                  <integer>                          qlonglong (quint64 above its range)
//   double, float                     <real> (shortest exact form,       double
//                                       "nan", "inf", "-inf", "-0")
//   QString                           <string>                           QString
//   QByteArray                        <data> (base64)                    QByteArray
//   QDateTime (whole seconds)         <date> (UTC, "2026-12-07T09:11:28Z") QDateTime (UTC)
//   QVariantList, QStringList         <array>                            QVariantList
//   QVariantMap, QVariantHash         <dict> (keys in sorted order)      QVariantMap
//
// Every QString comes back as it was: a carriage return is written as "&#13;" (an
// XML reader would turn a literal CR LF into LF), and a string holding code units
// XML cannot carry at all (NUL and the other control characters but tab, LF and CR,
// U+FFFE, U+FFFF, unpaired surrogates) is written as a dictionary whose only key is
// EscapedStringKey, holding the string's UTF-16 (little-endian) code units as data.
// A map of exactly that shape is therefore refused by the writer, and so is a
// dictionary key XML cannot carry.
//
// Stateless and re-entrant. Writing answers none, with a reason, for a value that
// has no form here (an empty QVariant, other types, dates with milliseconds or out
// of the years 1..9999, nesting deeper than the limit). The input of read() is
// untrusted: size, nesting, value count and string length are bounded, an internal
// DTD subset (entity declarations) is refused, and any malformed input answers none
// with a reason; nothing is thrown.
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <optional>

namespace platform {

class PropertyList
{
public:
    static inline const QString EscapedStringKey = QStringLiteral("$utf16le");

    struct Limits
    {
        qsizetype maxInputSize = qsizetype(64) * 1024 * 1024;   // bytes
        int maxDepth = 128;                                       // arrays and dicts in each other
        qsizetype maxValueCount = 2'000'000;                      // values in the whole list
        qsizetype maxStringLength = qsizetype(16) * 1024 * 1024;  // UTF-16 units of one string or key
    };

    static std::optional<QByteArray> write(const QVariant &value, QString *error = nullptr);
    static std::optional<QByteArray> write(const QVariant &value, QString *error, const Limits &limits);
    static std::optional<QVariant> read(const QByteArray &data, QString *error = nullptr);
    static std::optional<QVariant> read(const QByteArray &data, QString *error, const Limits &limits);

    // Whether XML 1.0 can carry every code unit of the text (as character data or a
    // character reference).
    static bool isXmlText(const QString &text);
};

} // namespace platform
