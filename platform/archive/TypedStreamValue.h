#pragma once
// One value read from a sequential archive, with the type code that the stream's own
// type string gave it.
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

namespace platform {

class TypedStreamClass;
class TypedStreamObject;

// A decoded text kept for later references to its object in 16 bytes (a QVariant
// holding it takes 32, and a document holds one for each of its names): a reference to
// the block of its characters, and where in the block it lies. Only a text with a
// block of its own fits (fits()); text() answers an equal string sharing the block.
// Threads: reentrant, as QString.
class KeptText
{
public:
    KeptText() = default;
    // `text` must fit.
    explicit KeptText(const QString &text);
    KeptText(const KeptText &other);
    KeptText(KeptText &&other) noexcept;
    KeptText &operator=(KeptText other) noexcept;
    ~KeptText();

    static bool fits(const QString &text);
    QString text() const;

private:
    using Block = QTypedArrayData<char16_t>;
    Block *m_block = nullptr;
    quint32 m_offset = 0; // characters before the text in its block
    quint32 m_size = 0;
};

class TypedStreamValue
{
public:
    enum class Kind : quint8 {
        Nil,      // a nil object, class, or string ("@", "#", "*", "%", ":")
        Integer,  // "c" "s" "i" "l" "q" (signed)
        Unsigned, // "C" "S" "I" "L" "Q", and "B" (bool)
        Real,     // "f" "d"
        Bytes,    // "+" (byte string with its length) and arrays of "c"/"C"
        String,   // "*" "%" ":" (shared C strings)
        Class,    // "#"
        Object,   // "@"
        Array,    // "[n…]" of anything but bytes
        Struct,   // "{name=…}"
    };

    TypedStreamValue() = default;
    TypedStreamValue(const TypedStreamValue &other);
    TypedStreamValue(TypedStreamValue &&other) noexcept;
    TypedStreamValue &operator=(TypedStreamValue other) noexcept;
    ~TypedStreamValue();

    static TypedStreamValue nil(char typeCode);
    static TypedStreamValue integer(char typeCode, qint64 value);
    static TypedStreamValue unsignedInteger(char typeCode, quint64 value);
    static TypedStreamValue real(char typeCode, double value);
    static TypedStreamValue bytes(char typeCode, const QByteArray &bytes);
    static TypedStreamValue string(char typeCode, const QByteArray &string);
    static TypedStreamValue classValue(const TypedStreamClass *cls);
    static TypedStreamValue object(const TypedStreamObject *object);
    // An object that a reader dropping decoded groups gave back once decoded: the value
    // stands for it by its decoded value, which the reader keeps (and the archive after
    // the read) at `value`.
    static TypedStreamValue decodedObject(const QVariant *value);
    // Likewise for an object whose decoded value is a text kept at `text`.
    static TypedStreamValue decodedText(const KeptText *text);
    static TypedStreamValue array(QList<TypedStreamValue> elements);
    static TypedStreamValue structure(const QByteArray &name, QList<TypedStreamValue> fields);

    Kind kind() const { return m_kind; }
    // The code of the type string: '@', 'i', 'f', '[', '{', …
    char typeCode() const { return m_typeCode; }
    bool isNil() const { return m_kind == Kind::Nil; }
    bool isNumber() const { return m_kind == Kind::Integer || m_kind == Kind::Unsigned || m_kind == Kind::Real; }

    qint64 toInteger() const;   // integers as they stand, reals truncated, else 0
    quint64 toUnsigned() const; // likewise
    double toReal() const;      // any number, else 0
    // The bytes of "+", of a byte array or of a shared string; empty otherwise.
    const QByteArray &bytes() const { return m_bytes; }
    const QByteArray &structName() const { return m_bytes; }
    const TypedStreamClass *classPointer() const { return m_kind == Kind::Class ? m_scalar.cls : nullptr; }
    // The object's record; none for a decoded object standing by its value alone.
    const TypedStreamObject *objectPointer() const
    {
        return m_kind == Kind::Object && m_decodedOnly == DecodedOnly::No ? m_scalar.object : nullptr;
    }
    // Whether the value stands for a decoded object by its value alone (decodedObject(),
    // decodedText()).
    bool isDecodedOnly() const { return m_decodedOnly != DecodedOnly::No; }
    // The decoded value a decodedObject() or decodedText() stands for; invalid for
    // anything else.
    QVariant decodedObjectValue() const;
    // The elements of an array or the fields of a struct.
    const QList<TypedStreamValue> &elements() const;

    // Plain data for tests and debugging: numbers as numbers, bytes and strings as
    // QByteArray, arrays and structs as lists; objects and classes are left out
    // (an invalid QVariant, like nil).
    QVariant toVariant() const;

private:
    bool hasElements() const { return m_kind == Kind::Array || m_kind == Kind::Struct; }

    // A list holds one value for each item of an archived list (hundreds of thousands
    // of them): 40 bytes each, the elements of an array or struct in a block of their own.
    friend class TypedStreamReader;
    static constexpr quint32 NoTablePlace = 0xFFFFFFFFu;
    enum class DecodedOnly : quint8 { No, Value, Text };

    Kind m_kind = Kind::Nil;
    char m_typeCode = '@';
    DecodedOnly m_decodedOnly = DecodedOnly::No;
    // For the reader: the place in its table of the object this value was read as (not
    // a reference to one read before); NoTablePlace for any other.
    quint32 m_tablePlace = NoTablePlace;
    // The one scalar the kind has, or the elements of an array or struct (owned).
    union Scalar {
        qint64 integer;
        quint64 unsignedInteger;
        double real;
        const TypedStreamClass *cls;
        const TypedStreamObject *object;
        const QVariant *decoded;
        const KeptText *text;
        QList<TypedStreamValue> *elements;
    } m_scalar{0};
    QByteArray m_bytes;
};

// One group of values as one call of the archiver wrote it: the type string, then
// one value per type in it.
struct TypedStreamGroup
{
    QByteArray types;
    QList<TypedStreamValue> values;
};

} // namespace platform
