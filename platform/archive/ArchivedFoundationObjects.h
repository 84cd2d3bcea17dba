#pragma once
// The Foundation classes (and colours) of the old platform's sequential archives,
// decoded into our own types. registerDecoders() teaches a TypedStreamReader the
// classes; each finished object of them then carries its decoded value:
//
//   NSString, NSMutableString        QString
//   NSArray, NSMutableArray          QVariantList of the elements' values
//   NSDictionary, NSMutableDictionary QVariantMap (when every key is a string)
//   NSDate                           QDateTime in UTC
//   NSCalendarDate                   QDateTime with the offset of its stored zone
//   NSTimeZone (and subclasses)      ArchivedTimeZone
//   NSNumber                         qint64, quint64 or double
//   NSValue                          QPointF, QSizeF, QRectF, or the plain value
//   NSData, NSMutableData            QByteArray
//   NSColor                          QColor (RGB, grey, CMYK models)
//
// The value of an object of any other class is the object itself
// (a const TypedStreamObject * in the QVariant).
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include "platform/archive/ArchivedTimeZone.h"
#include "platform/archive/TypedStreamArchive.h"
#include "platform/archive/TypedStreamObject.h"
#include "platform/archive/TypedStreamReader.h"
#include "platform/archive/TypedStreamValue.h"

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QRectF>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

namespace platform::ArchivedFoundationObjects {

// Seconds from 1970-01-01 to the archives' reference date 2001-01-01 00:00:00 UTC.
constexpr qint64 ReferenceDateUnixSeconds = 978307200;

void registerDecoders(TypedStreamReader &reader);

// Whether the decoders of one read hand out each value once: equal time zones share
// one zone, and a string of up to SharedStringLength bytes or a date equal to one of
// the last few handed out (the same moment shown the same way) that one, as the
// objects of a large archive repeat them (every date of a document its zone and its
// format, the nodes of a day often the same moments and names). Strings are not kept
// beyond the last few: a document of many distinct short names would hold a table of
// them beside its tree, more for each of their bytes than its nodes take. The values
// are the same either way; only what they take differs.
// Each shared value is charged to the reader's memory budget once, when first made
// (TypedStreamReader::hold), as the reader charges no value that is shared.
enum class Sharing { None, EqualValues };
constexpr qsizetype SharedStringLength = 64;
void registerDecoders(TypedStreamReader &reader, Sharing sharing);

// Reads the stream with the decoders registered; none on failure (with the reason
// in *error when given).
std::unique_ptr<TypedStreamArchive> read(QByteArrayView bytes, QString *error = nullptr);

// The value of one archived value: the decoded value of an object (or the object
// itself when its class has no decoder), an invalid QVariant for nil, plain data for
// everything else (TypedStreamValue::toVariant).
QVariant valueOf(const TypedStreamValue &value);

// The undecoded object a value holds; none for anything else.
const TypedStreamObject *objectIn(const QVariant &value);

// A moment given as seconds since the reference date, in the given offset from UTC
// (seconds) or in UTC; none when the number is not finite or lies beyond year 9999.
std::optional<QDateTime> dateFromReferenceInterval(double seconds, std::optional<int> offsetFromUtc);
// A rectangle from a struct of two structs of two numbers each
// ("{_NSRect={_NSPoint=ff}{_NSSize=ff}}" and its CG form).
std::optional<QRectF> rectFrom(const TypedStreamValue &value);

// A calendar date in the zone: the offset the zone has at that moment.
std::optional<QDateTime> dateFromReferenceInterval(double seconds, const ArchivedTimeZone &zone);

// One colour of a colour list file.
struct ColorListEntry
{
    QString name;
    QColor color;
};

// The colours of a colour list file (.clr), in file order; none when the archive
// is not one.
std::optional<QList<ColorListEntry>> colorListEntries(const TypedStreamArchive &archive);

} // namespace platform::ArchivedFoundationObjects

Q_DECLARE_METATYPE(const platform::TypedStreamObject *)
Q_DECLARE_METATYPE(platform::ArchivedTimeZone)
