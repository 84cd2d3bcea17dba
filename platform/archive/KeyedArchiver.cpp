#include "platform/archive/KeyedArchiver.h"

#include "platform/archive/KeyedArchiveFormat.h"
#include "platform/archive/PropertyList.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QImageWriter>
#include <QTransform>

namespace platform {

using namespace KeyedArchiveFormat;

KeyedArchiver::KeyedArchiver()
{
    m_objects.append(NullEntry);
}

KeyedArchiver::~KeyedArchiver() = default;

std::optional<QByteArray> KeyedArchiver::archivedData(const CodingPtr &root, QString *error)
{
    KeyedArchiver archiver;
    archiver.encodeObject(root, RootKey);
    auto data = archiver.finishEncoding();
    if (!data && error)
        *error = archiver.error();
    return data;
}

std::optional<QByteArray> KeyedArchiver::finishEncoding()
{
    if (m_finished)
        failWithError(QStringLiteral("the archive was already finished"));
    m_finished = true;
    if (!m_error.isEmpty())
        return std::nullopt;
    for (const Conditional &conditional : m_conditionals) {
        const QVariant ref = reference(m_objectIndex.value(conditional.object, 0));
        if (conditional.entry < 0) {
            m_top.insert(conditional.key, ref);
        } else {
            QVariantMap object = m_objects.at(conditional.entry).toMap();
            object.insert(conditional.key, ref);
            m_objects[conditional.entry] = object;
        }
    }
    const QVariantMap archive{{ArchiverKey, ArchiverName},
                              {VersionKey, Version},
                              {ObjectsKey, m_objects},
                              {TopKey, m_top}};
    QString reason;
    auto data = PropertyList::write(archive, &reason);
    if (!data)
        failWithError(reason);
    return data;
}

void KeyedArchiver::failWithError(const QString &reason)
{
    if (m_error.isEmpty())
        m_error = reason.isEmpty() ? QStringLiteral("encoding failed") : reason;
}

void KeyedArchiver::put(const QString &key, const QVariant &stored)
{
    if (m_finished) {
        failWithError(QStringLiteral("\"%1\" was encoded after the archive was finished").arg(key));
        return;
    }
    if (!PropertyList::isXmlText(key)) {
        failWithError(QStringLiteral("the key \"%1\" holds characters an archive cannot carry").arg(key));
        return;
    }
    if (m_open.empty())
        m_top.insert(storedKey(key), stored);
    else
        m_open.back().second.insert(storedKey(key), stored);
}

QVariant KeyedArchiver::reference(qsizetype index) const
{
    return QVariantMap{{ReferenceKey, qlonglong(index)}};
}

qsizetype KeyedArchiver::newEntry(const QVariant &entry)
{
    m_objects.append(entry);
    return m_objects.size() - 1;
}

qsizetype KeyedArchiver::classEntry(const QString &className)
{
    if (const auto it = m_classes.constFind(className); it != m_classes.cend())
        return *it;
    const qsizetype index = newEntry(QVariantMap{{ClassNameKey, className}});
    m_classes.insert(className, index);
    return index;
}

qsizetype KeyedArchiver::valueObject(const QString &className, const QVariantMap &fields)
{
    QVariantMap entry = fields;
    entry.insert(ClassKey, reference(classEntry(className)));
    return newEntry(entry);
}

qsizetype KeyedArchiver::encodeCoding(const CodingPtr &object)
{
    if (const auto it = m_objectIndex.constFind(object.get()); it != m_objectIndex.cend())
        return *it;
    m_held.push_back(object);
    const qsizetype index = newEntry(QVariant());
    m_objectIndex.insert(object.get(), index);
    QVariantMap entry{{ClassKey, reference(classEntry(object->classNameForCoder()))}};
    m_open.emplace_back(index, entry);
    object->encodeWithCoder(*this);
    m_objects[index] = m_open.back().second;
    m_open.pop_back();
    return index;
}

qsizetype KeyedArchiver::encodeValue(const QVariant &value)
{
    if (!value.isValid())
        return 0;
    if (m_depth >= MaximumDepth) {
        failWithError(QStringLiteral("objects are nested deeper than %1").arg(MaximumDepth));
        return 0;
    }
    struct Nesting
    {
        int &depth;
        explicit Nesting(int &d) : depth(d) { ++depth; }
        ~Nesting() { --depth; }
    } nesting(m_depth);

    if (const CodingPtr object = objectFromValue(value))
        return encodeCoding(object);
    if (value.metaType() == QMetaType::fromType<CodingPtr>())
        return 0; // a null object
    if (value.metaType() == QMetaType::fromType<IndexSet>()) {
        QVariantList ranges;
        const IndexSet indexes = value.value<IndexSet>();
        for (auto it = indexes.cbegin(); it != indexes.cend();) {
            const qsizetype start = *it;
            qsizetype length = 0;
            while (it != indexes.cend() && *it == start + length) {
                ++length;
                ++it;
            }
            ranges << qlonglong(start) << qlonglong(length);
        }
        return valueObject(IndexSetClass, {{RangesKey, ranges}});
    }
    switch (value.typeId()) {
    case QMetaType::QString: {
        const QString text = value.toString();
        if (const auto it = m_strings.constFind(text); it != m_strings.cend())
            return *it;
        const qsizetype index = newEntry(text);
        m_strings.insert(text, index);
        return index;
    }
    case QMetaType::QByteArray:
    case QMetaType::Bool:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return newEntry(value);
    case QMetaType::Float:
        return newEntry(double(value.toFloat()));
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        const qsizetype index = newEntry(QVariant());
        QVariantList refs;
        for (const QVariant &element : value.toList())
            refs.append(reference(encodeValue(element)));
        m_objects[index] = refs;
        return index;
    }
    case QMetaType::QVariantHash:
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        QVariantList keys;
        QVariantList values;
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            keys.append(reference(encodeValue(it.key())));
            values.append(reference(encodeValue(it.value())));
        }
        return valueObject(DictionaryClass, {{KeysKey, keys}, {ValuesKey, values}});
    }
    case QMetaType::QColor: {
        const QColor color = value.value<QColor>();
        if (!color.isValid())
            return 0;
        float r = 0, g = 0, b = 0, a = 0;
        color.toRgb().getRgbF(&r, &g, &b, &a);
        return valueObject(ColorClass, {{ComponentsKey, QVariantList{double(r), double(g), double(b), double(a)}}});
    }
    case QMetaType::QFont:
        return valueObject(FontClass, {{DescriptionKey, value.value<QFont>().toString()}});
    case QMetaType::QImage: {
        const QImage image = value.value<QImage>();
        if (image.isNull())
            return 0;
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(image)) {
            failWithError(QStringLiteral("an image could not be written as PNG: %1").arg(writer.errorString()));
            return 0;
        }
        return valueObject(ImageClass, {{PngKey, png}});
    }
    case QMetaType::QTransform: {
        const QTransform t = value.value<QTransform>();
        return valueObject(TransformClass, {{MatrixKey, QVariantList{t.m11(), t.m12(), t.m13(), t.m21(), t.m22(),
                                                                     t.m23(), t.m31(), t.m32(), t.m33()}}});
    }
    default:
        failWithError(QStringLiteral("a value of type %1 has no archived form").arg(QString::fromLatin1(value.typeName())));
        return 0;
    }
}

void KeyedArchiver::encodeObject(const QVariant &object, const QString &key)
{
    put(key, reference(encodeValue(object)));
}

void KeyedArchiver::encodeConditionalObject(const CodingPtr &object, const QString &key)
{
    put(key, reference(0));
    if (!object || !PropertyList::isXmlText(key))
        return;
    m_held.push_back(object);
    m_conditionals.push_back({m_open.empty() ? -1 : m_open.back().first, storedKey(key), object.get()});
}

void KeyedArchiver::encodeBool(bool value, const QString &key) { put(key, value); }
void KeyedArchiver::encodeInt32(qint32 value, const QString &key) { put(key, qlonglong(value)); }
void KeyedArchiver::encodeInt64(qint64 value, const QString &key) { put(key, qlonglong(value)); }
void KeyedArchiver::encodeFloat(float value, const QString &key) { put(key, double(value)); }
void KeyedArchiver::encodeDouble(double value, const QString &key) { put(key, value); }
void KeyedArchiver::encodeBytes(const QByteArray &bytes, const QString &key) { put(key, bytes); }

void KeyedArchiver::encodeRect(const QRectF &rect, const QString &key)
{
    put(key, QVariantList{rect.x(), rect.y(), rect.width(), rect.height()});
}

void KeyedArchiver::encodePoint(const QPointF &point, const QString &key)
{
    put(key, QVariantList{point.x(), point.y()});
}

void KeyedArchiver::encodeSize(const QSizeF &size, const QString &key)
{
    put(key, QVariantList{size.width(), size.height()});
}

bool KeyedArchiver::readAttempt(const QString &key)
{
    failWithError(QStringLiteral("\"%1\" was read from an archiver, which only writes").arg(key));
    return false;
}

bool KeyedArchiver::containsValueForKey(const QString &key) const
{
    return (m_open.empty() ? m_top : m_open.back().second).contains(storedKey(key));
}

QVariant KeyedArchiver::decodeObject(const QString &key) { readAttempt(key); return {}; }
bool KeyedArchiver::decodeBool(const QString &key) { return readAttempt(key); }
qint32 KeyedArchiver::decodeInt32(const QString &key) { readAttempt(key); return 0; }
qint64 KeyedArchiver::decodeInt64(const QString &key) { readAttempt(key); return 0; }
float KeyedArchiver::decodeFloat(const QString &key) { readAttempt(key); return 0; }
double KeyedArchiver::decodeDouble(const QString &key) { readAttempt(key); return 0; }
QByteArray KeyedArchiver::decodeBytes(const QString &key) { readAttempt(key); return {}; }
QRectF KeyedArchiver::decodeRect(const QString &key) { readAttempt(key); return {}; }
QPointF KeyedArchiver::decodePoint(const QString &key) { readAttempt(key); return {}; }
QSizeF KeyedArchiver::decodeSize(const QString &key) { readAttempt(key); return {}; }

} // namespace platform
