#include "platform/archive/TypedStreamValue.h"

#include <cmath>
#include <limits>
#include <utility>

namespace platform {

static_assert(sizeof(void *) != 8 || sizeof(TypedStreamValue) == 40);
static_assert(sizeof(void *) != 8 || sizeof(KeptText) == 16);

bool KeptText::fits(const QString &text)
{
    const QString::DataPointer &d = text.data_ptr();
    return d.d && quint64(d.freeSpaceAtBegin()) <= 0xFFFFFFFFu && quint64(d.size) <= 0xFFFFFFFFu;
}

KeptText::KeptText(const QString &text)
    : m_block(text.data_ptr().d), m_offset(quint32(text.data_ptr().freeSpaceAtBegin())),
      m_size(quint32(text.data_ptr().size))
{
    Q_ASSERT(fits(text));
    m_block->ref();
}

KeptText::KeptText(const KeptText &other) : m_block(other.m_block), m_offset(other.m_offset), m_size(other.m_size)
{
    if (m_block)
        m_block->ref();
}

KeptText::KeptText(KeptText &&other) noexcept
    : m_block(std::exchange(other.m_block, nullptr)), m_offset(std::exchange(other.m_offset, 0)),
      m_size(std::exchange(other.m_size, 0))
{
}

KeptText &KeptText::operator=(KeptText other) noexcept
{
    std::swap(m_block, other.m_block);
    std::swap(m_offset, other.m_offset);
    std::swap(m_size, other.m_size);
    return *this;
}

KeptText::~KeptText()
{
    if (m_block && !m_block->deref())
        Block::deallocate(m_block);
}

QString KeptText::text() const
{
    if (!m_block)
        return QString();
    // A reference more, which the string gives back.
    m_block->ref();
    char16_t *start = Block::dataStart(m_block, alignof(Block::AlignmentDummy)) + m_offset;
    return QString(QString::DataPointer(m_block, start, m_size));
}

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
    other.m_decodedOnly = DecodedOnly::No;
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
    v.m_decodedOnly = DecodedOnly::Value;
    v.m_scalar.decoded = value;
    return v;
}

TypedStreamValue TypedStreamValue::decodedText(const KeptText *text)
{
    TypedStreamValue v = decodedObject(nullptr);
    v.m_decodedOnly = DecodedOnly::Text;
    v.m_scalar.text = text;
    return v;
}

QVariant TypedStreamValue::decodedObjectValue() const
{
    switch (m_decodedOnly) {
    case DecodedOnly::Value:
        return *m_scalar.decoded;
    case DecodedOnly::Text:
        return m_scalar.text->text();
    default:
        return {};
    }
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
