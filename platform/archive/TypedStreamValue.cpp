#include "platform/archive/TypedStreamValue.h"

#include <cmath>
#include <limits>

namespace platform {

static_assert(sizeof(void *) != 8 || sizeof(TypedStreamValue) == 40);

TypedStreamValue::TypedStreamValue(const TypedStreamValue &other)
    : m_kind(other.m_kind), m_typeCode(other.m_typeCode), m_decodedOnly(other.m_decodedOnly),
      m_tablePlace(other.m_tablePlace), m_scalar(other.m_scalar), m_bytes(other.m_bytes)
{
    if (hasElements())
        m_scalar.elements = new QList<TypedStreamValue>(*other.m_scalar.elements);
}

TypedStreamValue::TypedStreamValue(TypedStreamValue &&other) noexcept
    : m_kind(other.m_kind), m_typeCode(other.m_typeCode), m_decodedOnly(other.m_decodedOnly),
      m_tablePlace(other.m_tablePlace), m_scalar(other.m_scalar), m_bytes(std::move(other.m_bytes))
{
    // The other is left nil, its elements taken.
    other.m_kind = Kind::Nil;
    other.m_decodedOnly = false;
    other.m_tablePlace = NoTablePlace;
    other.m_scalar.integer = 0;
}

TypedStreamValue &TypedStreamValue::operator=(TypedStreamValue other) noexcept
{
    std::swap(m_kind, other.m_kind);
    std::swap(m_typeCode, other.m_typeCode);
    std::swap(m_decodedOnly, other.m_decodedOnly);
    std::swap(m_tablePlace, other.m_tablePlace);
    std::swap(m_scalar, other.m_scalar);
    m_bytes.swap(other.m_bytes);
    return *this;
}

TypedStreamValue::~TypedStreamValue()
{
    if (hasElements())
        delete m_scalar.elements;
}

const QList<TypedStreamValue> &TypedStreamValue::elements() const
{
    static const QList<TypedStreamValue> none;
    return hasElements() ? *m_scalar.elements : none;
}

TypedStreamValue TypedStreamValue::nil(char typeCode)
{
    TypedStreamValue v;
    v.m_typeCode = typeCode;
    return v;
}

TypedStreamValue TypedStreamValue::integer(char typeCode, qint64 value)
{
    TypedStreamValue v;
    v.m_kind = Kind::Integer;
    v.m_typeCode = typeCode;
    v.m_scalar.integer = value;
    return v;
}

TypedStreamValue TypedStreamValue::unsignedInteger(char typeCode, quint64 value)
{
    TypedStreamValue v;
    v.m_kind = Kind::Unsigned;
    v.m_typeCode = typeCode;
    v.m_scalar.unsignedInteger = value;
    return v;
}

TypedStreamValue TypedStreamValue::real(char typeCode, double value)
{
    TypedStreamValue v;
    v.m_kind = Kind::Real;
    v.m_typeCode = typeCode;
    v.m_scalar.real = value;
    return v;
}

TypedStreamValue TypedStreamValue::bytes(char typeCode, const QByteArray &bytes)
{
    TypedStreamValue v;
    v.m_kind = Kind::Bytes;
    v.m_typeCode = typeCode;
    v.m_bytes = bytes;
    return v;
}

TypedStreamValue TypedStreamValue::string(char typeCode, const QByteArray &string)
{
    TypedStreamValue v;
    v.m_kind = Kind::String;
    v.m_typeCode = typeCode;
    v.m_bytes = string;
    return v;
}

TypedStreamValue TypedStreamValue::classValue(const TypedStreamClass *cls)
{
    TypedStreamValue v;
    v.m_typeCode = '#';
    if (cls) {
        v.m_kind = Kind::Class;
        v.m_scalar.cls = cls;
    }
    return v;
}

TypedStreamValue TypedStreamValue::object(const TypedStreamObject *object)
{
    TypedStreamValue v;
    v.m_typeCode = '@';
    if (object) {
        v.m_kind = Kind::Object;
        v.m_scalar.object = object;
    }
    return v;
}

TypedStreamValue TypedStreamValue::decodedObject(const QVariant *value)
{
    TypedStreamValue v;
    v.m_typeCode = '@';
    v.m_kind = Kind::Object;
    v.m_decodedOnly = true;
    v.m_scalar.decoded = value;
    return v;
}

TypedStreamValue TypedStreamValue::array(QList<TypedStreamValue> elements)
{
    TypedStreamValue v;
    v.m_kind = Kind::Array;
    v.m_typeCode = '[';
    v.m_scalar.elements = new QList<TypedStreamValue>(std::move(elements));
    return v;
}

TypedStreamValue TypedStreamValue::structure(const QByteArray &name, QList<TypedStreamValue> fields)
{
    TypedStreamValue v;
    v.m_kind = Kind::Struct;
    v.m_typeCode = '{';
    v.m_bytes = name;
    v.m_scalar.elements = new QList<TypedStreamValue>(std::move(fields));
    return v;
}

qint64 TypedStreamValue::toInteger() const
{
    switch (m_kind) {
    case Kind::Integer:
        return m_scalar.integer;
    case Kind::Unsigned:
        return qint64(m_scalar.unsignedInteger);
    case Kind::Real:
        // Out of range and NaN answer 0 rather than being undefined.
        if (std::isfinite(m_scalar.real) && m_scalar.real > double(std::numeric_limits<qint64>::min())
            && m_scalar.real < double(std::numeric_limits<qint64>::max()))
            return qint64(m_scalar.real);
        return 0;
    default:
        return 0;
    }
}

quint64 TypedStreamValue::toUnsigned() const
{
    if (m_kind == Kind::Unsigned)
        return m_scalar.unsignedInteger;
    return quint64(toInteger());
}

double TypedStreamValue::toReal() const
{
    switch (m_kind) {
    case Kind::Integer:
        return double(m_scalar.integer);
    case Kind::Unsigned:
        return double(m_scalar.unsignedInteger);
    case Kind::Real:
        return m_scalar.real;
    default:
        return 0;
    }
}

QVariant TypedStreamValue::toVariant() const
{
    switch (m_kind) {
    case Kind::Integer:
        return QVariant(m_scalar.integer);
    case Kind::Unsigned:
        return QVariant(m_scalar.unsignedInteger);
    case Kind::Real:
        return QVariant(m_scalar.real);
    case Kind::Bytes:
    case Kind::String:
        return QVariant(m_bytes);
    case Kind::Array:
    case Kind::Struct: {
        QVariantList list;
        list.reserve(elements().size());
        for (const TypedStreamValue &e : elements())
            list.append(e.toVariant());
        return list;
    }
    default:
        return {};
    }
}

} // namespace platform
