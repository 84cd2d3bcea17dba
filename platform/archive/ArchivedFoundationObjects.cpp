#include "platform/archive/ArchivedFoundationObjects.h"

#include <QDateTime>
#include <QHash>
#include <QPair>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <algorithm>
#include <cmath>
#include <memory>

namespace platform::ArchivedFoundationObjects {

namespace {

using Values = QList<const TypedStreamValue *>;

// Dates beyond these bounds (about ±8000 years around the reference date) are
// refused rather than handed to QDateTime.
constexpr double MaxIntervalSeconds = 2.5e11;

bool isIntegerValue(const TypedStreamValue *v)
{
    return v->kind() == TypedStreamValue::Kind::Integer || v->kind() == TypedStreamValue::Kind::Unsigned;
}

bool isObjectSlot(const TypedStreamValue *v)
{
    return v->typeCode() == '@';
}

double clampComponent(double c)
{
    if (!std::isfinite(c))
        return 0;
    return std::clamp(c, 0.0, 1.0);
}

// NSString: one "+" group with the UTF-8 bytes.
bool decodeString(TypedStreamObject &object)
{
    if (object.firstGroupTypes() != "+" || object.valueCount() != 1)
        return false;
    object.setDecodedValue(QString::fromUtf8(object.values().first()->bytes()));
    return true;
}

// NSArray: the count, then one object per element.
bool decodeArray(TypedStreamObject &object)
{
    const Values values = object.values();
    if (values.isEmpty() || !isIntegerValue(values.first()))
        return false;
    const qint64 count = values.first()->toInteger();
    if (count < 0 || count > values.size() - 1)
        return false;
    QVariantList list;
    list.reserve(count);
    for (qint64 i = 1; i <= count; ++i) {
        if (!isObjectSlot(values.at(i)))
            return false;
        list.append(valueOf(*values.at(i)));
    }
    object.setDecodedValue(list);
    return true;
}

// NSDictionary: the count, then key and value objects in turn.
bool decodeDictionary(TypedStreamObject &object)
{
    const Values values = object.values();
    if (values.isEmpty() || !isIntegerValue(values.first()))
        return false;
    const qint64 count = values.first()->toInteger();
    if (count < 0 || count > (values.size() - 1) / 2)
        return false;
    QVariantMap map;
    bool stringKeys = true;
    for (qint64 i = 0; i < count; ++i) {
        const TypedStreamValue *key = values.at(1 + 2 * i);
        const TypedStreamValue *value = values.at(2 + 2 * i);
        if (!isObjectSlot(key) || !isObjectSlot(value))
            return false;
        const QVariant k = valueOf(*key);
        if (k.typeId() != QMetaType::QString) {
            stringKeys = false;
            continue;
        }
        map.insert(k.toString(), valueOf(*value));
    }
    // A dictionary with other keys stays an object of its own; its groups hold it.
    if (stringKeys)
        object.setDecodedValue(map);
    return true;
}

const TypedStreamValue *firstReal(const Values &values)
{
    for (const TypedStreamValue *v : values) {
        if (v->kind() == TypedStreamValue::Kind::Real || (v->typeCode() == 'd' && v->isNumber()))
            return v;
    }
    return nullptr;
}

// NSDate: the time interval since the reference date as a "d" group.
bool decodeDate(TypedStreamObject &object)
{
    const TypedStreamValue *interval = firstReal(object.values());
    if (!interval)
        return false;
    const auto date = dateFromReferenceInterval(interval->toReal(), std::optional<int>(0));
    if (!date)
        return false;
    object.setDecodedValue(date->toUTC());
    return true;
}

// NSCalendarDate: the interval as for NSDate, the time zone and the format string as
// objects. They are taken by their kind, so the order of the groups does not matter.
bool decodeCalendarDate(TypedStreamObject &object)
{
    const Values values = object.values();
    const TypedStreamValue *interval = firstReal(values);
    if (!interval)
        return false;
    ArchivedTimeZone zone;
    for (const TypedStreamValue *v : values) {
        if (v->kind() != TypedStreamValue::Kind::Object)
            continue;
        const QVariant decoded = valueOf(*v);
        if (decoded.canConvert<ArchivedTimeZone>() && decoded.userType() == qMetaTypeId<ArchivedTimeZone>()) {
            zone = decoded.value<ArchivedTimeZone>();
            break;
        }
    }
    const auto date = dateFromReferenceInterval(interval->toReal(), zone);
    if (!date)
        return false;
    object.setDecodedValue(*date);
    return true;
}

// NSTimeZone: its name as a string object and its rules as a data object; a zone
// that holds neither (the local zone) is the local zone here too.
// The name and the rules of an NSTimeZone.
void timeZoneParts(const TypedStreamObject &object, QString &name, QByteArray &data)
{
    bool haveName = false;
    bool haveData = false;
    for (const TypedStreamValue *v : object.values()) {
        if (v->kind() == TypedStreamValue::Kind::Object) {
            const QVariant decoded = valueOf(*v);
            if (!haveName && decoded.typeId() == QMetaType::QString) {
                name = decoded.toString();
                haveName = true;
            } else if (!haveData && decoded.typeId() == QMetaType::QByteArray) {
                data = decoded.toByteArray();
                haveData = true;
            }
        } else if (!haveName && v->kind() == TypedStreamValue::Kind::String) {
            name = QString::fromUtf8(v->bytes());
            haveName = true;
        }
    }
}

bool decodeTimeZone(TypedStreamObject &object)
{
    QString name;
    QByteArray data;
    timeZoneParts(object, name, data);
    object.setDecodedValue(QVariant::fromValue(ArchivedTimeZone(name, data)));
    return true;
}

QVariant plainNumber(const TypedStreamValue &v)
{
    switch (v.kind()) {
    case TypedStreamValue::Kind::Integer:
        return QVariant(v.toInteger());
    case TypedStreamValue::Kind::Unsigned:
        return QVariant(v.toUnsigned());
    case TypedStreamValue::Kind::Real:
        return QVariant(v.toReal());
    default:
        return {};
    }
}

bool twoNumbers(const TypedStreamValue &v, double &a, double &b)
{
    if (v.kind() != TypedStreamValue::Kind::Struct || v.elements().size() != 2)
        return false;
    if (!v.elements()[0].isNumber() || !v.elements()[1].isNumber())
        return false;
    a = v.elements()[0].toReal();
    b = v.elements()[1].toReal();
    return true;
}

bool nameIs(const QByteArray &name, const char *suffix)
{
    // "_NSPoint", "NSPoint" and "CGPoint" alike.
    return name == QByteArray("_NS") + suffix || name == QByteArray("NS") + suffix
        || name == QByteArray("CG") + suffix;
}

// NSValue (and NSNumber): the value's type as a "*" string, then one group of it.
bool decodeValue(TypedStreamObject &object)
{
    const Values values = object.values();
    if (values.size() < 2 || values.first()->kind() != TypedStreamValue::Kind::String)
        return true; // a shape of its own; the groups keep it
    const TypedStreamValue &v = *values.at(1);
    if (v.isNumber()) {
        object.setDecodedValue(plainNumber(v));
        return true;
    }
    if (v.kind() == TypedStreamValue::Kind::Struct) {
        double a, b;
        if ((nameIs(v.structName(), "Point")) && twoNumbers(v, a, b)) {
            object.setDecodedValue(QPointF(a, b));
            return true;
        }
        if (nameIs(v.structName(), "Size") && twoNumbers(v, a, b)) {
            object.setDecodedValue(QSizeF(a, b));
            return true;
        }
        if (const auto rect = rectFrom(v)) {
            object.setDecodedValue(*rect);
            return true;
        }
    }
    object.setDecodedValue(v.toVariant());
    return true;
}

// NSData: the length as "i", then that many bytes as "[nc]".
bool decodeData(TypedStreamObject &object)
{
    const Values values = object.values();
    if (values.isEmpty() || !isIntegerValue(values.first()))
        return false;
    const qint64 length = values.first()->toInteger();
    if (length < 0)
        return false;
    if (values.size() < 2) {
        if (length != 0)
            return false;
        object.setDecodedValue(QByteArray(""));
        return true;
    }
    const TypedStreamValue *bytes = values.at(1);
    if (bytes->kind() != TypedStreamValue::Kind::Bytes || bytes->bytes().size() != length)
        return false;
    object.setDecodedValue(bytes->bytes());
    return true;
}

// NSColor: the colour model as "c", then its components as floats: RGB with alpha
// (models 1 and 2), white with alpha (3 and 4), CMYK with alpha (5). Other models
// (named, pattern) hold objects; a colour object among them answers for it.
bool decodeColor(TypedStreamObject &object)
{
    const Values values = object.values();
    if (values.isEmpty() || values.first()->typeCode() != 'c')
        return true;
    const qint64 model = values.first()->toInteger();
    QList<double> components;
    for (qsizetype i = 1; i < values.size(); ++i) {
        if (values.at(i)->kind() == TypedStreamValue::Kind::Real || values.at(i)->typeCode() == 'f')
            components.append(clampComponent(values.at(i)->toReal()));
    }
    auto component = [&](qsizetype i, double fallback) { return i < components.size() ? components.at(i) : fallback; };
    QColor color;
    if ((model == 1 || model == 2) && components.size() >= 3) {
        color = QColor::fromRgbF(float(components[0]), float(components[1]), float(components[2]),
                                 float(component(3, 1.0)));
    } else if ((model == 3 || model == 4) && components.size() >= 1) {
        const float w = float(components[0]);
        color = QColor::fromRgbF(w, w, w, float(component(1, 1.0)));
    } else if (model == 5 && components.size() >= 4) {
        color = QColor::fromCmykF(float(components[0]), float(components[1]), float(components[2]),
                                  float(components[3]), float(component(4, 1.0)));
    } else {
        for (const TypedStreamValue *v : values) {
            if (v->kind() != TypedStreamValue::Kind::Object)
                continue;
            const QVariant decoded = valueOf(*v);
            if (decoded.typeId() == QMetaType::QColor) {
                color = decoded.value<QColor>();
                break;
            }
        }
    }
    if (color.isValid())
        object.setDecodedValue(color);
    return true;
}

} // namespace

std::optional<QRectF> rectFrom(const TypedStreamValue &value)
{
    if (value.kind() != TypedStreamValue::Kind::Struct || value.elements().size() != 2)
        return std::nullopt;
    double x, y, w, h;
    if (!twoNumbers(value.elements()[0], x, y) || !twoNumbers(value.elements()[1], w, h))
        return std::nullopt;
    return QRectF(x, y, w, h);
}

namespace {

// The values one read handed out so far, by what they were made from.
struct SharedValues
{
    // The last strings handed out, the oldest first.
    static constexpr qsizetype RecentStrings = 4;
    QList<QString> recentStrings;
    QHash<QPair<QString, QByteArray>, QVariant> zones;
    // The last dates handed out, the oldest first: the dates of one node and of the
    // nodes around it are often the same moment in the same zone.
    static constexpr qsizetype RecentDates = 4;
    QList<QVariant> recentDates;
};

// Whether two dates are the same moment shown the same way (a date in a zone of
// rules is told apart by its zone alone, so it is never taken for another).
bool sameDate(const QDateTime &a, const QDateTime &b)
{
    return a.toMSecsSinceEpoch() == b.toMSecsSinceEpoch() && a.timeSpec() == b.timeSpec()
        && a.timeSpec() != Qt::TimeZone && a.offsetFromUtc() == b.offsetFromUtc();
}

// Hands out the date of `object` as an equal one handed out lately, when there is one.
void shareDate(TypedStreamObject &object, SharedValues &shared)
{
    const QDateTime date = object.decodedValue().toDateTime();
    for (const QVariant &recent : std::as_const(shared.recentDates)) {
        if (sameDate(*static_cast<const QDateTime *>(recent.constData()), date)) {
            object.setDecodedValue(recent);
            return;
        }
    }
    if (shared.recentDates.size() == SharedValues::RecentDates)
        shared.recentDates.removeFirst();
    shared.recentDates.append(object.decodedValue());
}

} // namespace

void registerDecoders(TypedStreamReader &reader, Sharing sharing)
{
    registerDecoders(reader);
    if (sharing == Sharing::None)
        return;
    // The reader does not charge a value that is shared; a value is charged here
    // when it is first made.
    constexpr qsizetype HeapBlock = 32;
    auto shared = std::make_shared<SharedValues>();
    TypedStreamReader *charged = &reader;
    reader.setClassDecoder("NSString", [shared, charged](TypedStreamObject &object) {
        if (!decodeString(object))
            return false;
        if (object.values().first()->bytes().size() > SharedStringLength)
            return true;
        const QString text = object.decodedValue().toString();
        for (const QString &recent : std::as_const(shared->recentStrings)) {
            if (recent == text) {
                object.setDecodedValue(recent);
                return true;
            }
        }
        // The text's block (the list of recent ones holds it too, so that the reader
        // takes it for shared).
        if (!charged->hold(HeapBlock + 2 * text.size()))
            return false;
        if (shared->recentStrings.size() == SharedValues::RecentStrings)
            shared->recentStrings.removeFirst();
        shared->recentStrings.append(text);
        return true;
    });
    // A date takes a block of its own unless it is in UTC: equal ones share one.
    reader.setClassDecoder("NSDate", [shared](TypedStreamObject &object) {
        if (!decodeDate(object))
            return false;
        shareDate(object, *shared);
        return true;
    });
    reader.setClassDecoder("NSCalendarDate", [shared](TypedStreamObject &object) {
        if (!decodeCalendarDate(object))
            return false;
        shareDate(object, *shared);
        return true;
    });
    reader.setClassDecoder("NSTimeZone", [shared, charged](TypedStreamObject &object) {
        QString name;
        QByteArray data;
        timeZoneParts(object, name, data);
        const QPair<QString, QByteArray> parts(name, data);
        auto it = shared->zones.constFind(parts);
        if (it == shared->zones.constEnd()) {
            if (!charged->hold(3 * HeapBlock + 2 * name.size() + data.size()
                               + qsizetype(sizeof(ArchivedTimeZone) + sizeof(parts) + sizeof(QVariant))))
                return false;
            it = shared->zones.insert(parts, QVariant::fromValue(ArchivedTimeZone(name, data)));
        }
        object.setDecodedValue(*it);
        return true;
    });
}

void registerDecoders(TypedStreamReader &reader)
{
    reader.setClassDecoder("NSString", decodeString);
    reader.setClassDecoder("NSArray", decodeArray);
    reader.setClassDecoder("NSDictionary", decodeDictionary);
    reader.setClassDecoder("NSDate", decodeDate);
    reader.setClassDecoder("NSCalendarDate", decodeCalendarDate);
    reader.setClassDecoder("NSTimeZone", decodeTimeZone);
    reader.setClassDecoder("NSValue", decodeValue);
    reader.setClassDecoder("NSData", decodeData);
    reader.setClassDecoder("NSColor", decodeColor);
}

std::unique_ptr<TypedStreamArchive> read(QByteArrayView bytes, QString *error)
{
    TypedStreamReader reader;
    registerDecoders(reader);
    auto archive = reader.read(bytes);
    if (!archive && error)
        *error = reader.errorString();
    return archive;
}

QVariant valueOf(const TypedStreamValue &value)
{
    switch (value.kind()) {
    case TypedStreamValue::Kind::Nil:
        return {};
    case TypedStreamValue::Kind::Object: {
        if (value.isDecodedOnly())
            return value.decodedObjectValue();
        const TypedStreamObject *object = value.objectPointer();
        if (object->hasDecodedValue())
            return object->decodedValue();
        return QVariant::fromValue(object);
    }
    case TypedStreamValue::Kind::Class:
        return {};
    default:
        return value.toVariant();
    }
}

const TypedStreamObject *objectIn(const QVariant &value)
{
    if (value.userType() != qMetaTypeId<const TypedStreamObject *>())
        return nullptr;
    return value.value<const TypedStreamObject *>();
}

std::optional<QDateTime> dateFromReferenceInterval(double seconds, std::optional<int> offsetFromUtc)
{
    if (!std::isfinite(seconds) || std::fabs(seconds) > MaxIntervalSeconds)
        return std::nullopt;
    const qint64 msecs = qint64(std::llround(seconds * 1000.0)) + ReferenceDateUnixSeconds * 1000;
    if (offsetFromUtc)
        return QDateTime::fromMSecsSinceEpoch(msecs, Qt::OffsetFromUTC, *offsetFromUtc);
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

std::optional<QDateTime> dateFromReferenceInterval(double seconds, const ArchivedTimeZone &zone)
{
    if (!std::isfinite(seconds) || std::fabs(seconds) > MaxIntervalSeconds)
        return std::nullopt;
    const qint64 unixSeconds = qint64(std::floor(seconds)) + ReferenceDateUnixSeconds;
    return dateFromReferenceInterval(seconds, std::optional<int>(zone.offsetFromUtc(unixSeconds)));
}

std::optional<QList<ColorListEntry>> colorListEntries(const TypedStreamArchive &archive)
{
    // "i" (the file's version), "@i" (the list's name, nil in files the panel saved,
    // and the number of colours), then one "@@" group per colour: colour, then name.
    const QList<TypedStreamGroup> &groups = archive.groups();
    if (groups.size() < 2 || groups[0].types != "i" || groups[1].types != "@i")
        return std::nullopt;
    const qint64 count = groups[1].values[1].toInteger();
    if (count < 0 || count != groups.size() - 2)
        return std::nullopt;
    QList<ColorListEntry> entries;
    entries.reserve(count);
    for (qsizetype i = 2; i < groups.size(); ++i) {
        const TypedStreamGroup &g = groups[i];
        if (g.types != "@@")
            return std::nullopt;
        const QVariant color = valueOf(g.values[0]);
        const QVariant name = valueOf(g.values[1]);
        if (color.typeId() != QMetaType::QColor || name.typeId() != QMetaType::QString)
            return std::nullopt;
        entries.append({name.toString(), color.value<QColor>()});
    }
    return entries;
}

} // namespace platform::ArchivedFoundationObjects
