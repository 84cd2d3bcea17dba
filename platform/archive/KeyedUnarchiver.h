#pragma once
// Reads a keyed archive (see KeyedArchiveFormat.h): the top-level keys are read on
// the unarchiver itself, objects read their own keys through it. Each table entry
// is decoded once, so an object referred to twice comes back as one shared object;
// in a cycle the object is handed out before its keys are read. Classes are made
// through the CodingRegistry. It remembers, for each entry read, the outermost
// object still reading its keys that the entry took a reference to (itself or
// through what it read), so valueRefersBack() sees a cycle through any number of
// objects, lists and dictionaries.
//
// The bytes are untrusted. Sizes, nesting, counts and image sizes are bounded; a
// malformed archive, a wrong kind of value under a key, an integer outside the
// width asked for, an unknown class or a dangling reference make the unarchiver
// fail with a reason (error()), after which every read answers none, 0 or NO.
// Decoded objects nobody took are freed with the unarchiver. Not thread-safe.
#include "platform/archive/Coder.h"
#include "platform/archive/PropertyList.h"

#include <QHash>
#include <QVariantList>
#include <QVariantMap>
#include <limits>
#include <vector>

namespace platform {

class KeyedUnarchiver final : public Coder
{
public:
    struct Limits
    {
        PropertyList::Limits propertyList;
        qsizetype maxImagePixels = qsizetype(16) * 1024 * 1024;  // 64 MB as 32-bit pixels
        qsizetype maxIndexCount = 1'000'000;  // indexes in one index set
    };

    explicit KeyedUnarchiver(const QByteArray &data);
    KeyedUnarchiver(const QByteArray &data, const Limits &limits);
    ~KeyedUnarchiver() override;

    // The object under the top-level key "root" as a T, or null with a reason.
    template <class T> static std::shared_ptr<T> unarchivedObject(const QByteArray &data, QString *error = nullptr)
    {
        KeyedUnarchiver unarchiver(data);
        auto root = unarchiver.decodeObject<T>(QStringLiteral("root"));
        if (unarchiver.failed()) {
            if (error)
                *error = unarchiver.error();
            return nullptr;
        }
        return root;
    }

    bool allowsKeyedCoding() const override { return true; }

    bool containsValueForKey(const QString &key) const override;
    bool objectIsBeingDecoded(const CodingPtr &object) const override;
    bool valueRefersBack(const QVariant &value) const override;
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

    // An unarchiver only reads: these write nothing and make it fail.
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

    void failWithError(const QString &reason) override;
    QString error() const override { return m_error; }

private:
    enum class State : quint8 { Untouched, Decoding, Done };
    // The outermost object still reading its keys that an entry took a reference to
    // while it was read (none: no object).
    struct Reach
    {
        size_t position = 0; // in m_decodingObjects
        const Coding *object = nullptr;
    };
    static constexpr size_t NoReach = std::numeric_limits<size_t>::max();

    const QVariantMap &current() const;
    QVariant stored(const QString &key) const;
    QVariant decodeReference(const QVariant &reference, const QString &where);
    QVariant decodeEntry(qsizetype index);
    QVariant decodeValueObject(const QString &className, const QVariantMap &entry);
    std::optional<double> number(const QVariant &value) const;
    std::optional<std::vector<double>> numbers(const QVariant &value, qsizetype count, const QString &where);
    std::optional<qint64> integer(const QString &key, qint64 minimum, qint64 maximum);
    void encodeAttempt(const QString &key);
    QVariant refuse(const QString &reason);
    bool reachIsOpen(const Reach &reach) const;
    void noteReach(size_t position);
    bool valueRefersBack(const QVariant &value, int depth) const;

    Limits m_limits;
    QVariantList m_objects;
    QVariantMap m_top;
    std::vector<QVariant> m_decoded;
    std::vector<State> m_state;
    std::vector<QVariantMap> m_stack;
    std::vector<const Coding *> m_decodingObjects; // objects reading their keys (innermost last)
    int m_depth = 0; // objects being read (innermost last)
    std::vector<Reach> m_reach; // per entry of the table, once read
    std::vector<size_t> m_reachFrames; // per entry being read: the outermost position it reached
    QHash<const Coding *, qsizetype> m_objectEntries; // decoded object → its entry
    QString m_error;
};

} // namespace platform
