#include "platform/archive/KeyedUnarchiver.h"

#include "platform/archive/CodingRegistry.h"
#include "platform/archive/KeyedArchiveFormat.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QImageReader>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <limits>

namespace platform {

using namespace KeyedArchiveFormat;

namespace {

bool isInteger(const QVariant &v)
{
    return v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::ULongLong;
}

// The index of a reference {"$ref": n}, or -1.
qint64 referenceIndex(const QVariant &v)
{
    if (v.typeId() != QMetaType::QVariantMap)
        return -1;
    const QVariantMap map = v.toMap();
    if (map.size() != 1 || map.firstKey() != ReferenceKey || map.first().typeId() != QMetaType::LongLong)
        return -1;
    const qint64 index = map.first().toLongLong();
    return index < 0 ? -1 : index;
}

} // namespace

KeyedUnarchiver::KeyedUnarchiver(const QByteArray &data) : KeyedUnarchiver(data, Limits()) {}

KeyedUnarchiver::KeyedUnarchiver(const QByteArray &data, const Limits &limits) : m_limits(limits)
{
    QString reason;
    const auto plist = PropertyList::read(data, &reason, limits.propertyList);
    if (!plist) {
        failWithError(QStringLiteral("not a property list: %1").arg(reason));
        return;
    }
    const QVariantMap archive = plist->toMap();
    if (plist->typeId() != QMetaType::QVariantMap || archive.value(ArchiverKey).toString() != ArchiverName
        || archive.value(ArchiverKey).typeId() != QMetaType::QString) {
        failWithError(QStringLiteral("not a keyed archive"));
        return;
    }
    const QVariant version = archive.value(VersionKey);
    if (version.typeId() != QMetaType::LongLong || version.toLongLong() != Version) {
        failWithError(QStringLiteral("keyed archive version %1 is not %2").arg(version.toString()).arg(Version));
        return;
    }
    const QVariant objects = archive.value(ObjectsKey);
    const QVariant top = archive.value(TopKey);
    if (objects.typeId() != QMetaType::QVariantList || top.typeId() != QMetaType::QVariantMap) {
        failWithError(QStringLiteral("the archive lacks its object table or its top-level keys"));
        return;
    }
    m_objects = objects.toList();
    m_top = top.toMap();
    if (m_objects.isEmpty() || m_objects.first() != QVariant(NullEntry)) {
        failWithError(QStringLiteral("the object table does not begin with \"%1\"").arg(NullEntry));
        return;
    }
    m_decoded.resize(size_t(m_objects.size()));
    m_state.resize(size_t(m_objects.size()), State::Untouched);
    m_reach.resize(size_t(m_objects.size()));
}

KeyedUnarchiver::~KeyedUnarchiver() = default;

void KeyedUnarchiver::failWithError(const QString &reason)
{
    if (m_error.isEmpty())
        m_error = reason.isEmpty() ? QStringLiteral("decoding failed") : reason;
}

QVariant KeyedUnarchiver::refuse(const QString &reason)
{
    failWithError(reason);
    return {};
}

const QVariantMap &KeyedUnarchiver::current() const
{
    return m_stack.empty() ? m_top : m_stack.back();
}

QVariant KeyedUnarchiver::stored(const QString &key) const
{
    if (!m_error.isEmpty())
        return {};
    return current().value(storedKey(key));
}

bool KeyedUnarchiver::containsValueForKey(const QString &key) const
{
    return m_error.isEmpty() && current().contains(storedKey(key));
}

bool KeyedUnarchiver::objectIsBeingDecoded(const CodingPtr &object) const
{
    return object && std::find(m_decodingObjects.cbegin(), m_decodingObjects.cend(), object.get()) != m_decodingObjects.cend();
}

bool KeyedUnarchiver::valueRefersBack(const QVariant &value) const
{
    return valueRefersBack(value, 0);
}

bool KeyedUnarchiver::valueRefersBack(const QVariant &value, int depth) const
{
    if (depth > MaximumDepth)
        return true; // deeper than anything read
    if (const CodingPtr object = objectFromValue(value)) {
        if (objectIsBeingDecoded(object))
            return true;
        const qsizetype entry = m_objectEntries.value(object.get(), -1);
        return entry >= 0 && reachIsOpen(m_reach[size_t(entry)]);
    }
    if (value.typeId() == QMetaType::QVariantList) {
        const QVariantList list = value.toList();
        return std::any_of(list.cbegin(), list.cend(), [&](const QVariant &item) { return valueRefersBack(item, depth + 1); });
    }
    if (value.typeId() == QMetaType::QVariantMap) {
        const QVariantMap map = value.toMap();
        return std::any_of(map.cbegin(), map.cend(), [&](const QVariant &item) { return valueRefersBack(item, depth + 1); });
    }
    return false;
}

bool KeyedUnarchiver::reachIsOpen(const Reach &reach) const
{
    return reach.object && reach.position < m_decodingObjects.size() && m_decodingObjects[reach.position] == reach.object;
}

void KeyedUnarchiver::noteReach(size_t position)
{
    if (!m_reachFrames.empty())
        m_reachFrames.back() = std::min(m_reachFrames.back(), position);
}

QVariant KeyedUnarchiver::decodeObject(const QString &key)
{
    const QVariant value = stored(key);
    if (!value.isValid())
        return {};
    return decodeReference(value, QStringLiteral("\"%1\"").arg(key));
}

QVariant KeyedUnarchiver::decodeReference(const QVariant &reference, const QString &where)
{
    if (!m_error.isEmpty())
        return {};
    const qint64 index = referenceIndex(reference);
    if (index < 0)
        return refuse(QStringLiteral("the value under %1 is not an object reference").arg(where));
    if (index >= m_objects.size())
        return refuse(QStringLiteral("the reference under %1 points past the object table").arg(where));
    if (index == 0)
        return {};
    switch (m_state[size_t(index)]) {
    case State::Done:
        // What the entry took of the objects still reading goes to the reader too.
        if (reachIsOpen(m_reach[size_t(index)]))
            noteReach(m_reach[size_t(index)].position);
        return m_decoded[size_t(index)];
    case State::Decoding:
        // An object in a cycle is handed out while its keys are read; a list or a
        // dictionary cannot hold itself.
        if (const CodingPtr object = objectFromValue(m_decoded[size_t(index)])) {
            const auto at = std::find(m_decodingObjects.cbegin(), m_decodingObjects.cend(), object.get());
            if (at != m_decodingObjects.cend())
                noteReach(size_t(at - m_decodingObjects.cbegin()));
            return m_decoded[size_t(index)];
        }
        return refuse(QStringLiteral("the value %1 contains itself").arg(index));
    case State::Untouched:
        break;
    }
    if (m_stack.size() >= size_t(MaximumDepth) || m_depth >= MaximumDepth)
        return refuse(QStringLiteral("objects are nested deeper than %1").arg(MaximumDepth));
    ++m_depth;
    m_state[size_t(index)] = State::Decoding;
    // An object of this entry reads at this position: a reference to one before it
    // is a reference back to an object that encloses it.
    const size_t position = m_decodingObjects.size();
    m_reachFrames.push_back(NoReach);
    const QVariant value = decodeEntry(index);
    const size_t reached = m_reachFrames.back();
    m_reachFrames.pop_back();
    if (reached < position && reached < m_decodingObjects.size()) {
        m_reach[size_t(index)] = Reach{reached, m_decodingObjects[reached]};
        noteReach(reached);
    }
    m_state[size_t(index)] = State::Done;
    --m_depth;
    if (!m_error.isEmpty()) {
        m_decoded[size_t(index)] = QVariant();
        return {};
    }
    m_decoded[size_t(index)] = value;
    return value;
}

QVariant KeyedUnarchiver::decodeEntry(qsizetype index)
{
    const QVariant entry = m_objects.at(index);
    switch (entry.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::Bool:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return entry;
    case QMetaType::QVariantList: {
        QVariantList list;
        const QVariantList refs = entry.toList();
        for (const QVariant &ref : refs) {
            list.append(decodeReference(ref, QStringLiteral("list %1").arg(index)));
            if (!m_error.isEmpty())
                return {};
        }
        return list;
    }
    case QMetaType::QVariantMap:
        break;
    default:
        return refuse(QStringLiteral("entry %1 of the object table is no archived value").arg(index));
    }
    const QVariantMap object = entry.toMap();
    const qint64 classIndex = referenceIndex(object.value(ClassKey));
    if (classIndex <= 0 || classIndex >= m_objects.size())
        return refuse(QStringLiteral("entry %1 of the object table has no valid class reference").arg(index));
    const QVariant classEntry = m_objects.at(classIndex);
    const QVariant className = classEntry.toMap().value(ClassNameKey);
    if (classEntry.typeId() != QMetaType::QVariantMap || className.typeId() != QMetaType::QString)
        return refuse(QStringLiteral("entry %1 of the object table is no class description").arg(classIndex));
    const QString name = className.toString();
    if (name == DictionaryClass || name == ColorClass || name == FontClass || name == ImageClass
        || name == IndexSetClass || name == TransformClass)
        return decodeValueObject(name, object);

    const CodingRegistry::Factory make = CodingRegistry::factory(name);
    if (!make)
        return refuse(QStringLiteral("the archive holds an object of the unknown class \"%1\"").arg(name));
    const CodingPtr made = make();
    if (!made)
        return refuse(QStringLiteral("an object of the class \"%1\" could not be made").arg(name));
    m_decoded[size_t(index)] = objectValue(made);
    m_objectEntries.insert(made.get(), index);
    m_stack.push_back(object);
    m_decodingObjects.push_back(made.get());
    const bool initialised = made->initWithCoder(*this);
    m_decodingObjects.pop_back();
    m_stack.pop_back();
    return initialised ? objectValue(made) : QVariant();
}

std::optional<double> KeyedUnarchiver::number(const QVariant &value) const
{
    switch (value.typeId()) {
    case QMetaType::Double:
        return value.toDouble();
    case QMetaType::LongLong:
        return double(value.toLongLong());
    case QMetaType::ULongLong:
        return double(value.toULongLong());
    default:
        return std::nullopt;
    }
}

std::optional<std::vector<double>> KeyedUnarchiver::numbers(const QVariant &value, qsizetype count, const QString &where)
{
    const QVariantList list = value.toList();
    if (value.typeId() != QMetaType::QVariantList || list.size() != count) {
        refuse(QStringLiteral("%1 is not a list of %2 numbers").arg(where).arg(count));
        return std::nullopt;
    }
    std::vector<double> result;
    for (const QVariant &element : list) {
        const auto n = number(element);
        if (!n) {
            refuse(QStringLiteral("%1 is not a list of %2 numbers").arg(where).arg(count));
            return std::nullopt;
        }
        result.push_back(*n);
    }
    return result;
}

QVariant KeyedUnarchiver::decodeValueObject(const QString &className, const QVariantMap &entry)
{
    const QString where = QStringLiteral("a %1").arg(className);
    if (className == DictionaryClass) {
        const QVariant keys = entry.value(KeysKey);
        const QVariant values = entry.value(ValuesKey);
        if (keys.typeId() != QMetaType::QVariantList || values.typeId() != QMetaType::QVariantList
            || keys.toList().size() != values.toList().size())
            return refuse(QStringLiteral("a Dictionary lacks keys and values of the same count"));
        const QVariantList keyRefs = keys.toList();
        const QVariantList valueRefs = values.toList();
        QVariantMap map;
        for (qsizetype i = 0; i < keyRefs.size(); ++i) {
            const QVariant key = decodeReference(keyRefs.at(i), where);
            if (!m_error.isEmpty())
                return {};
            if (key.typeId() != QMetaType::QString)
                return refuse(QStringLiteral("a Dictionary key is not a string"));
            if (map.contains(key.toString()))
                return refuse(QStringLiteral("the key \"%1\" appears twice in a Dictionary").arg(key.toString()));
            map.insert(key.toString(), decodeReference(valueRefs.at(i), where));
            if (!m_error.isEmpty())
                return {};
        }
        return map;
    }
    if (className == ColorClass) {
        const auto c = numbers(entry.value(ComponentsKey), 4, where);
        if (!c)
            return {};
        for (const double component : *c)
            if (!std::isfinite(component) || std::abs(component) > 1e6)
                return refuse(QStringLiteral("a Color component is out of range"));
        if ((*c)[3] < 0 || (*c)[3] > 1)
            return refuse(QStringLiteral("a Color's alpha is outside 0 to 1"));
        return QColor::fromRgbF(float((*c)[0]), float((*c)[1]), float((*c)[2]), float((*c)[3]));
    }
    if (className == FontClass) {
        const QVariant description = entry.value(DescriptionKey);
        QFont font;
        if (description.typeId() != QMetaType::QString || description.toString().size() > 1024
            || !font.fromString(description.toString()))
            return refuse(QStringLiteral("a Font has no valid description"));
        return font;
    }
    if (className == ImageClass) {
        const QVariant png = entry.value(PngKey);
        if (png.typeId() != QMetaType::QByteArray)
            return refuse(QStringLiteral("an Image holds no PNG data"));
        QByteArray bytes = png.toByteArray();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "png");
        const QSize size = reader.size();
        if (!size.isValid() || qint64(size.width()) * size.height() > m_limits.maxImagePixels)
            return refuse(QStringLiteral("an Image is not a PNG image of at most %1 pixels").arg(m_limits.maxImagePixels));
        QImage image;
        if (!reader.read(&image))
            return refuse(QStringLiteral("an Image could not be read: %1").arg(reader.errorString()));
        return image;
    }
    if (className == IndexSetClass) {
        const QVariantList ranges = entry.value(RangesKey).toList();
        if (entry.value(RangesKey).typeId() != QMetaType::QVariantList || ranges.size() % 2 != 0)
            return refuse(QStringLiteral("an IndexSet holds no list of ranges"));
        IndexSet indexes;
        qint64 count = 0;
        for (qsizetype i = 0; i < ranges.size(); i += 2) {
            const QVariant location = ranges.at(i);
            const QVariant length = ranges.at(i + 1);
            if (location.typeId() != QMetaType::LongLong || length.typeId() != QMetaType::LongLong
                || location.toLongLong() < 0 || length.toLongLong() < 1)
                return refuse(QStringLiteral("an IndexSet range is not a location and a positive length"));
            if (length.toLongLong() > m_limits.maxIndexCount - count)
                return refuse(QStringLiteral("an IndexSet holds more than %1 indexes").arg(m_limits.maxIndexCount));
            if (location.toLongLong() > std::numeric_limits<qsizetype>::max() - length.toLongLong())
                return refuse(QStringLiteral("an IndexSet range runs past the largest index"));
            count += length.toLongLong();
            for (qint64 k = 0; k < length.toLongLong(); ++k)
                indexes.insert(qsizetype(location.toLongLong() + k));
        }
        return QVariant::fromValue(indexes);
    }
    const auto m = numbers(entry.value(MatrixKey), 9, where);
    if (!m)
        return {};
    return QTransform((*m)[0], (*m)[1], (*m)[2], (*m)[3], (*m)[4], (*m)[5], (*m)[6], (*m)[7], (*m)[8]);
}

bool KeyedUnarchiver::decodeBool(const QString &key)
{
    const QVariant value = stored(key);
    if (!value.isValid())
        return false;
    if (value.typeId() != QMetaType::Bool)
        return refuse(QStringLiteral("the value under \"%1\" is not a boolean").arg(key)).toBool();
    return value.toBool();
}

std::optional<qint64> KeyedUnarchiver::integer(const QString &key, qint64 minimum, qint64 maximum)
{
    const QVariant value = stored(key);
    if (!value.isValid())
        return std::nullopt;
    if (!isInteger(value)) {
        refuse(QStringLiteral("the value under \"%1\" is not an integer").arg(key));
        return std::nullopt;
    }
    if (value.typeId() == QMetaType::ULongLong || value.toLongLong() < minimum || value.toLongLong() > maximum) {
        refuse(QStringLiteral("the integer under \"%1\" does not fit in %2 bits")
                   .arg(key)
                   .arg(maximum == std::numeric_limits<qint32>::max() ? 32 : 64));
        return std::nullopt;
    }
    return value.toLongLong();
}

qint32 KeyedUnarchiver::decodeInt32(const QString &key)
{
    return qint32(integer(key, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()).value_or(0));
}

qint64 KeyedUnarchiver::decodeInt64(const QString &key)
{
    return integer(key, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()).value_or(0);
}

double KeyedUnarchiver::decodeDouble(const QString &key)
{
    const QVariant value = stored(key);
    if (!value.isValid())
        return 0;
    const auto n = number(value);
    if (!n) {
        refuse(QStringLiteral("the value under \"%1\" is not a number").arg(key));
        return 0;
    }
    return *n;
}

float KeyedUnarchiver::decodeFloat(const QString &key)
{
    const double d = decodeDouble(key);
    if (std::isfinite(d) && std::abs(d) > double(std::numeric_limits<float>::max())) {
        refuse(QStringLiteral("the number under \"%1\" does not fit in a float").arg(key));
        return 0;
    }
    return float(d);
}

QByteArray KeyedUnarchiver::decodeBytes(const QString &key)
{
    const QVariant value = stored(key);
    if (!value.isValid())
        return {};
    if (value.typeId() != QMetaType::QByteArray) {
        refuse(QStringLiteral("the value under \"%1\" is not data").arg(key));
        return {};
    }
    return value.toByteArray();
}

QRectF KeyedUnarchiver::decodeRect(const QString &key)
{
    const QVariant value = stored(key);
    if (!value.isValid())
        return {};
    const auto n = numbers(value, 4, QStringLiteral("the value under \"%1\"").arg(key));
    return n ? QRectF((*n)[0], (*n)[1], (*n)[2], (*n)[3]) : QRectF();
}

QPointF KeyedUnarchiver::decodePoint(const QString &key)
{
    const QVariant value = stored(key);
    if (!value.isValid())
        return {};
    const auto n = numbers(value, 2, QStringLiteral("the value under \"%1\"").arg(key));
    return n ? QPointF((*n)[0], (*n)[1]) : QPointF();
}

QSizeF KeyedUnarchiver::decodeSize(const QString &key)
{
    const QVariant value = stored(key);
    if (!value.isValid())
        return {};
    const auto n = numbers(value, 2, QStringLiteral("the value under \"%1\"").arg(key));
    return n ? QSizeF((*n)[0], (*n)[1]) : QSizeF();
}

void KeyedUnarchiver::encodeAttempt(const QString &key)
{
    failWithError(QStringLiteral("\"%1\" was written to an unarchiver, which only reads").arg(key));
}

void KeyedUnarchiver::encodeObject(const QVariant &, const QString &key) { encodeAttempt(key); }
void KeyedUnarchiver::encodeConditionalObject(const CodingPtr &, const QString &key) { encodeAttempt(key); }
void KeyedUnarchiver::encodeBool(bool, const QString &key) { encodeAttempt(key); }
void KeyedUnarchiver::encodeInt32(qint32, const QString &key) { encodeAttempt(key); }
void KeyedUnarchiver::encodeInt64(qint64, const QString &key) { encodeAttempt(key); }
void KeyedUnarchiver::encodeFloat(float, const QString &key) { encodeAttempt(key); }
void KeyedUnarchiver::encodeDouble(double, const QString &key) { encodeAttempt(key); }
void KeyedUnarchiver::encodeBytes(const QByteArray &, const QString &key) { encodeAttempt(key); }
void KeyedUnarchiver::encodeRect(const QRectF &, const QString &key) { encodeAttempt(key); }
void KeyedUnarchiver::encodePoint(const QPointF &, const QString &key) { encodeAttempt(key); }
void KeyedUnarchiver::encodeSize(const QSizeF &, const QString &key) { encodeAttempt(key); }

} // namespace platform
