#pragma once
// Writes objects and values by key into a keyed archive (see KeyedArchiveFormat.h):
// the keys encoded on the archiver itself become the top-level keys, and every
// object encoded inside writes its own keys through the same archiver. An object
// encoded twice is stored once and read back as one shared object; cycles are
// fine, because an object's table entry is taken before its keys are written.
//
// Use: encode, then finishEncoding() once. Not thread-safe. The archiver holds the
// objects given to it until it is destroyed, so their addresses stay unique. A
// value without an archived form, a key XML cannot carry or nesting deeper than
// KeyedArchiveFormat::MaximumDepth makes it fail; finishEncoding() then answers
// none and error() tells why.
#include "platform/archive/Coder.h"

#include <QHash>
#include <QVariantList>
#include <QVariantMap>
#include <optional>
#include <vector>

namespace platform {

class KeyedArchiver final : public Coder
{
public:
    KeyedArchiver();
    ~KeyedArchiver() override;

    // An archive holding the object under the top-level key "root".
    static std::optional<QByteArray> archivedData(const CodingPtr &root, QString *error = nullptr);

    // The archive's bytes, or none when encoding failed.
    std::optional<QByteArray> finishEncoding();

    bool allowsKeyedCoding() const override { return true; }

    using Coder::encodeObject;
    void encodeObject(const QVariant &object, const QString &key) override;
    void encodeConditionalObject(const CodingPtr &object, const QString &key) override;
    void encodeBool(bool value, const QString &key) override;
    void encodeInt32(qint32 value, const QString &key) override;
    void encodeInt64(qint64 value, const QString &key) override;
    void encodeFloat(float value, const QString &key) override;
    void encodeDouble(double value, const QString &key) override;
    void encodeBytes(const QByteArray &bytes, const QString &key) override;
    void encodeRect(const QRectF &rect, const QString &key) override;
    void encodePoint(const QPointF &point, const QString &key) override;
    void encodeSize(const QSizeF &size, const QString &key) override;

    // An archiver only writes: these read nothing and make it fail.
    bool containsValueForKey(const QString &key) const override;
    QVariant decodeObject(const QString &key) override;
    using Coder::decodeObject;
    bool decodeBool(const QString &key) override;
    qint32 decodeInt32(const QString &key) override;
    qint64 decodeInt64(const QString &key) override;
    float decodeFloat(const QString &key) override;
    double decodeDouble(const QString &key) override;
    QByteArray decodeBytes(const QString &key) override;
    QRectF decodeRect(const QString &key) override;
    QPointF decodePoint(const QString &key) override;
    QSizeF decodeSize(const QString &key) override;

    void failWithError(const QString &reason) override;
    QString error() const override { return m_error; }

private:
    struct Conditional
    {
        qsizetype entry; // table index of the object holding the key; -1 for the top level
        QString key;
        const Coding *object;
    };

    void put(const QString &key, const QVariant &stored);
    QVariant reference(qsizetype index) const;
    qsizetype encodeValue(const QVariant &value);
    qsizetype encodeCoding(const CodingPtr &object);
    qsizetype classEntry(const QString &className);
    qsizetype newEntry(const QVariant &entry);
    qsizetype valueObject(const QString &className, const QVariantMap &fields);
    bool readAttempt(const QString &key);

    QVariantList m_objects;
    QVariantMap m_top;
    std::vector<std::pair<qsizetype, QVariantMap>> m_open; // objects being written (innermost last)
    QHash<const Coding *, qsizetype> m_objectIndex;
    std::vector<CodingPtr> m_held;
    QHash<QString, qsizetype> m_strings;
    QHash<QString, qsizetype> m_classes;
    std::vector<Conditional> m_conditionals;
    int m_depth = 0;
    bool m_finished = false;
    QString m_error;
};

} // namespace platform
