#pragma once
// What an object writes itself to and reads itself from: values by key. The keyed
// archiver and unarchiver are the coders of this system; allowsKeyedCoding() lets
// a class refuse any other kind of coder.
//
// Object values travel as QVariant: a QString, QByteArray, bool, integer, double,
// QVariantList, QVariantMap, QColor, QFont, QImage, QTransform, an index set
// (std::set<qsizetype>) or an archived object (CodingPtr, see objectValue()); an
// empty QVariant is none. Rectangles, points and sizes keep their doubles exactly.
//
// Reading a key that is missing answers none, 0, NO or an empty value. A value of
// the wrong kind under a key, an integer outside the width asked for, an unknown
// class or a broken reference makes the coder fail: error() tells why, and from
// then on every read answers none, 0 or NO. A class therefore reads all its keys
// first and changes itself only when failed() is false. Not thread-safe: one coder
// is used by one thread.
#include "platform/archive/Coding.h"

#include <QByteArray>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariant>
#include <memory>
#include <set>
#include <type_traits>

namespace platform {

class Coder
{
public:
    using IndexSet = std::set<qsizetype>;

    virtual ~Coder();

    virtual bool allowsKeyedCoding() const = 0;

    // ---- Encoding ----
    virtual void encodeObject(const QVariant &object, const QString &key) = 0;
    void encodeObject(const CodingPtr &object, const QString &key) { encodeObject(objectValue(object), key); }
    // Stores a reference that reads as the object only when the object is also
    // encoded unconditionally somewhere in the same archive; otherwise as none.
    virtual void encodeConditionalObject(const CodingPtr &object, const QString &key) = 0;
    virtual void encodeBool(bool value, const QString &key) = 0;
    virtual void encodeInt32(qint32 value, const QString &key) = 0;
    virtual void encodeInt64(qint64 value, const QString &key) = 0;
    virtual void encodeFloat(float value, const QString &key) = 0;
    virtual void encodeDouble(double value, const QString &key) = 0;
    virtual void encodeBytes(const QByteArray &bytes, const QString &key) = 0;
    virtual void encodeRect(const QRectF &rect, const QString &key) = 0;
    virtual void encodePoint(const QPointF &point, const QString &key) = 0;
    virtual void encodeSize(const QSizeF &size, const QString &key) = 0;

    // ---- Decoding ----
    virtual bool containsValueForKey(const QString &key) const = 0;
    // Whether the object is still reading its own keys: a reference back to an
    // object that encloses the one decoding now. Kept strongly, it closes a cycle of
    // strong references unless the enclosing object keeps this one only weakly; so a
    // class whose decoded objects would keep it strongly (a tree node's children)
    // fails on such an object instead of keeping it.
    virtual bool objectIsBeingDecoded(const CodingPtr &object) const = 0;
    // Whether keeping the value would close a cycle of strong references: the value is,
    // or holds in its lists and dictionaries, an object still reading its own keys, or
    // an object that while it was read took (itself or through what it read) a
    // reference to an object that is still reading its keys now. A class whose decoded
    // objects keep a value of any kind strongly (a cell's value) fails on such a value.
    virtual bool valueRefersBack(const QVariant &value) const { return objectIsBeingDecoded(objectFromValue(value)); }
    virtual QVariant decodeObject(const QString &key) = 0;
    // The object under the key as a T: for an archived class a std::shared_ptr<T>
    // (null for none), for a value type the value (default-constructed for none).
    // Anything else under the key makes the coder fail.
    template <class T> auto decodeObject(const QString &key);
    virtual bool decodeBool(const QString &key) = 0;
    virtual qint32 decodeInt32(const QString &key) = 0;
    virtual qint64 decodeInt64(const QString &key) = 0;
    virtual float decodeFloat(const QString &key) = 0;
    virtual double decodeDouble(const QString &key) = 0;
    virtual QByteArray decodeBytes(const QString &key) = 0;
    virtual QRectF decodeRect(const QString &key) = 0;
    virtual QPointF decodePoint(const QString &key) = 0;
    virtual QSizeF decodeSize(const QString &key) = 0;

    // ---- Failure ----
    // Keeps the first reason; later ones are dropped.
    virtual void failWithError(const QString &reason) = 0;
    virtual QString error() const = 0;
    bool failed() const { return !error().isEmpty(); }

    static QVariant objectValue(const CodingPtr &object);
    // The object a value holds, or null.
    static CodingPtr objectFromValue(const QVariant &value);

private:
    void failWrongKind(const QString &key, const QVariant &found, const char *wanted);
};

template <class T> auto Coder::decodeObject(const QString &key)
{
    const QVariant value = decodeObject(key);
    if constexpr (std::is_base_of_v<Coding, T>) {
        if (!value.isValid())
            return std::shared_ptr<T>();
        auto object = std::dynamic_pointer_cast<T>(objectFromValue(value));
        if (!object)
            failWrongKind(key, value, nullptr);
        return object;
    } else {
        if (!value.isValid())
            return T();
        if (value.metaType() != QMetaType::fromType<T>()) {
            failWrongKind(key, value, QMetaType::fromType<T>().name());
            return T();
        }
        return value.value<T>();
    }
}

} // namespace platform
