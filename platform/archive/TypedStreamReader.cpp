#include "platform/archive/TypedStreamReader.h"

#include <algorithm>
#include <cstring>
#include <limits>

// The stream, as found in archives written by the old platform (see the samples in
// tests/data/typedstream: a colour list from an Intel machine and a graphing
// document):
//
// Header
//   one byte      streamer version, 4
//   integer 11, then 11 bytes: "typedstream" when the writer was big-endian,
//                 "streamtyped" when it was little-endian. Every multi-byte number
//                 after this point is in that byte order.
//   integer       system version (1000 in both samples: 0x81 0xe8 0x03)
//
// Integers ("s" "S" "i" "I" "l" "L" "q" "Q", lengths, counts, versions, labels)
//   one signed byte, unless it is one of the reserved values 0x80…0x91;
//   0x81 + 2 bytes, 0x82 + 4 bytes (both signed), and for the 64-bit types 0x87 + 8
//   bytes. The samples hold the one-, two- and four-byte forms only; the eight-byte
//   form is the one our own writer uses for values beyond 32 bits.
//   Unsigned types are written through the same signed forms (255 as "C" is a byte,
//   as "I" it is 0x81 0xff 0x00); the reader masks them to their width.
// "c", "C" and "B" (a C99 bool, met in the graphing document) are one raw byte each; an array of them ("[99c]") is that many raw
//   bytes (NSData stores its contents so, even a whole nested archive).
// Reals ("f" "d"): 0x83 + the 4-byte float or the 8-byte double; a value that is a
//   whole number may instead be written in any integer form (1.0 as 0x01, 826.0 as
//   0x81 0x3a 0x03).
// Tags: 0x84 "new" (a definition follows), 0x85 nil, 0x86 end of an object.
// Labels: a back-reference is an integer whose value minus (−110) is the index in its
//   table: 0x92 is entry 0, 0x93 entry 1, …, 0x7f entry 237, then the 0x81 form.
//   There are two tables, each numbered in order of first appearance:
//   - shared strings: type strings, class names, and "%" and ":" values;
//   - objects, classes and "*" C strings, together.
// Shared string: 0x85 nil, or 0x84 + integer length + the bytes (a new entry), or a
//   label.
// "*" value: 0x85 nil, or 0x84 + a shared string (a new entry in the object table),
//   or a label to such an entry (NSNumber refers to its "q" type string this way).
// "+" value: integer length + the bytes, not shared (NSString's characters).
// "#" class: 0x85 nil, or 0x84 + the name as a shared string + the version as an
//   integer + the superclass as a class (the chain ends with nil), or a label. The
//   class takes its table entry before its superclass is read.
// "@" object: 0x85 nil, or a label, or 0x84 + the class + the groups the class
//   wrote + 0x86. The object takes its table entry before its class.
// Group: what one call of the archiver wrote: a type string (shared) that may
//   name several types ("@i", "ffff", "{_NSRect={_NSPoint=ff}{_NSSize=ff}}"), then one
//   value per type. Structs are their fields in order, arrays their elements.
// The stream after the header is a sequence of top-level groups up to its end.
//
// What some classes write (seen in the samples):
//   NSObject nothing; NSString one "+" group (the UTF-8 bytes); NSArray "i" count,
//   then one "@" group per element; NSDictionary "i" count, then per entry an "@"
//   key group and an "@" value group; NSValue a "*" type string then a group of that
//   type; NSNumber (an NSValue) likewise, e.g. "q", "d", "c"; NSData "i" length and a
//   "[nc]" group; NSColor a "c" colour model and a float group ("ffff" RGBA for the
//   RGB models 1 and 2, "ff" white and alpha for the grey models 3 and 4).
// A colour list file (.clr) is not an object: "i" 1, "@i" nil and the colour count,
// then per colour a group "@@" of its name and the colour.

namespace platform {

// The table keeps its kinds in the two low bits of these addresses.
static_assert(alignof(TypedStreamObject) >= 4 && alignof(TypedStreamClass) >= 4);

struct TypedStreamReader::TypeNode
{
    char code = 0;
    qint64 count = 0;        // arrays
    QByteArray name;         // structs
    std::vector<TypeNode> fields; // array element (one) or struct fields
};

namespace {

constexpr quint8 TagInt16 = 0x81;
constexpr quint8 TagInt32 = 0x82;
constexpr quint8 TagReal = 0x83;
constexpr quint8 TagNew = 0x84;
constexpr quint8 TagNil = 0x85;
constexpr quint8 TagEnd = 0x86;
constexpr quint8 TagInt64 = 0x87;
constexpr quint8 FirstReserved = 0x80;
constexpr quint8 LastReserved = 0x91;
constexpr qint64 FirstLabel = -110;
constexpr qint64 MaxArrayCount = qint64(1) << 30;
// What one allocation takes beside its contents: the allocator's header and Qt's.
constexpr qsizetype HeapBlock = 32;
// What an item of a double-ended queue takes: its share of a block of 512 bytes (or
// of its own block when larger) with the allocator's word, and of the two words the
// block takes in the queue's map (which grows by doubling).
constexpr qsizetype queueSlot(qsizetype itemSize)
{
    const qsizetype perBlock = itemSize < 512 ? 512 / itemSize : 1;
    const qsizetype block = (perBlock * itemSize + 8 + 15) & ~qsizetype(15);
    return (block + 2 * qsizetype(sizeof(void *)) + perBlock - 1) / perBlock;
}
// A place of the table, and a record among the archive's records.
constexpr qsizetype TablePlace = queueSlot(qsizetype(sizeof(quintptr)));
// A decoded value kept for later references, once its object's record is given back.
constexpr qsizetype ValuePlace = queueSlot(qsizetype(sizeof(QVariant)));
// A decoded text likewise, kept compactly.
constexpr qsizetype TextPlace = queueSlot(qsizetype(sizeof(KeptText)));
constexpr qsizetype RecordPlace = queueSlot(qsizetype(sizeof(TypedStreamObject)));
// A value place given back, in the list of them (which grows by doubling); one taken
// over by the object being decoded, likewise.
constexpr qsizetype FreeValuePlace = 2 * qsizetype(sizeof(size_t));
constexpr qsizetype TakenOverPlace = 2 * qsizetype(sizeof(size_t));
// The elements of an array or struct value: their list in a block of its own, and
// the list's block.
constexpr qsizetype HeldByElements = 2 * HeapBlock + qsizetype(sizeof(QList<TypedStreamValue>));
// A group in the list its object appends it to: a list growing by doubling holds up
// to twice its groups, and three times while it moves to a larger block.
constexpr qsizetype GroupSlot = 3 * qsizetype(sizeof(TypedStreamGroup));

bool isSimpleCode(char c)
{
    return std::strchr("@cCBsSiIlLqQfd*%:#+", c) != nullptr && c != 0;
}

using TypeNode = TypedStreamReader::TypeNode;

bool parseOne(const char *&p, const char *end, int depth, int maxDepth, TypeNode &out)
{
    if (p >= end || depth > maxDepth)
        return false;
    const char c = *p++;
    if (isSimpleCode(c)) {
        out.code = c;
        return true;
    }
    if (c == '[') {
        qint64 count = 0;
        int digits = 0;
        while (p < end && *p >= '0' && *p <= '9') {
            count = count * 10 + (*p - '0');
            ++p;
            if (++digits > 10 || count > MaxArrayCount)
                return false;
        }
        if (digits == 0)
            return false;
        out.code = '[';
        out.count = count;
        out.fields.resize(1);
        if (!parseOne(p, end, depth + 1, maxDepth, out.fields[0]))
            return false;
        if (p >= end || *p != ']')
            return false;
        ++p;
        return true;
    }
    if (c == '{') {
        const char *nameStart = p;
        while (p < end && *p != '=' && *p != '}')
            ++p;
        if (p >= end || *p != '=')
            return false; // a struct without fields carries no data
        out.code = '{';
        out.name = QByteArray(nameStart, p - nameStart);
        ++p;
        while (p < end && *p != '}') {
            out.fields.emplace_back();
            if (!parseOne(p, end, depth + 1, maxDepth, out.fields.back()))
                return false;
        }
        if (p >= end || out.fields.empty())
            return false;
        ++p;
        return true;
    }
    return false;
}

} // namespace

TypedStreamReader::TypedStreamReader() = default;
TypedStreamReader::~TypedStreamReader() = default;

void TypedStreamReader::setClassDecoder(const QByteArray &className, ClassDecoder decoder)
{
    m_decoders.insert(className, std::move(decoder));
}

void TypedStreamReader::setClassFilter(ClassFilter filter)
{
    m_filter = std::move(filter);
}

bool TypedStreamReader::hasSignature(QByteArrayView bytes)
{
    if (bytes.size() < 13)
        return false;
    const QByteArrayView sig = bytes.sliced(2, 11);
    return sig == "typedstream" || sig == "streamtyped";
}

bool TypedStreamReader::fail(const QString &message)
{
    if (m_error.isEmpty()) {
        m_error = message;
        m_errorOffset = m_pos;
    }
    return false;
}

bool TypedStreamReader::need(qsizetype n)
{
    if (n < 0 || n > m_size - m_pos)
        return fail(QStringLiteral("unexpected end of the stream"));
    return true;
}

bool TypedStreamReader::spend(qsizetype n)
{
    if (n < 0 || n > m_budget)
        return fail(QStringLiteral("too many values for the size of the stream"));
    m_budget -= n;
    return true;
}

bool TypedStreamReader::chargeBackReference()
{
    if (m_referenceBudget < 0)
        return true;
    if (m_referenceBudget == 0)
        return fail(QStringLiteral("too many back-references for the size of the stream"));
    --m_referenceBudget;
    return true;
}

bool TypedStreamReader::hold(qsizetype bytes)
{
    // A charge past the budget is refused before what it stands for is made, so it
    // never counts as held.
    if (m_memoryBudget >= 0 && m_held + bytes > m_memoryBudget)
        return fail(QStringLiteral("stream too large for the memory its values take"));
    m_held += bytes;
    m_peakHeld = std::max(m_peakHeld, m_held);
    return true;
}

qsizetype TypedStreamReader::payloadOf(const TypedStreamValue &value)
{
    switch (value.kind()) {
    case TypedStreamValue::Kind::Bytes:
        return HeapBlock + value.bytes().size();
    case TypedStreamValue::Kind::Array:
    case TypedStreamValue::Kind::Struct: {
        qsizetype n = HeldByElements + value.elements().size() * qsizetype(sizeof(TypedStreamValue));
        for (const TypedStreamValue &e : value.elements())
            n += payloadOf(e);
        return n;
    }
    default:
        return 0; // in place, or a shared string the table holds
    }
}

qsizetype TypedStreamReader::heldByList(qsizetype capacity, qsizetype itemSize)
{
    return capacity > 0 ? HeapBlock + capacity * itemSize : 0;
}

qsizetype TypedStreamReader::heldByContents(const TypedStreamObject::Contents &contents)
{
    qsizetype n = qsizetype(sizeof(TypedStreamObject::Contents)) + HeapBlock
        + heldByList(contents.values.capacity(), qsizetype(sizeof(TypedStreamValue)))
        + heldByList(contents.runs.capacity(), qsizetype(sizeof(TypedStreamObject::Run)));
    for (const TypedStreamValue &v : contents.values)
        n += payloadOf(v);
    return n;
}

template<typename T>
bool TypedStreamReader::makeRoom(QList<T> &list, qsizetype more, qsizetype least)
{
    const qsizetype old = list.capacity();
    if (list.size() + more <= old)
        return true;
    // Doubling, as the list itself would grow, from room for what most objects hold;
    // both blocks are held while the items move, and the old one is given back then.
    const qsizetype grown = std::max({2 * old, list.size() + more, least});
    const qsizetype itemSize = qsizetype(sizeof(T));
    if (!hold(heldByList(grown, itemSize)))
        return false;
    list.reserve(grown);
    release(heldByList(old, itemSize));
    // The list may have taken a little more than asked.
    return hold(heldByList(list.capacity(), itemSize) - heldByList(grown, itemSize));
}

qsizetype TypedStreamReader::heldByDecoded(const QVariant &value)
{
    // A value shared with another (a decoder handing out equal values once) was
    // charged when it was first made.
    const QVariant::Private &d = value.data_ptr();
    if (d.is_shared && d.data.shared->ref.loadRelaxed() > 1)
        return 0;
    switch (value.typeId()) {
    case QMetaType::QString: {
        const QString &text = *static_cast<const QString *>(value.constData());
        return text.isDetached() ? HeapBlock + 2 * text.size() : 0;
    }
    case QMetaType::QByteArray:
        return HeapBlock + value.toByteArray().size();
    case QMetaType::QVariantList: {
        // An empty list holds no block.
        const qsizetype capacity = static_cast<const QVariantList *>(value.constData())->capacity();
        return capacity > 0 ? HeapBlock + capacity * qsizetype(sizeof(QVariant)) : 0;
    }
    case QMetaType::QVariantMap:
        return value.toMap().size() * (HeapBlock + qsizetype(sizeof(QString) + sizeof(QVariant)));
    default:
        // A value the variant cannot hold in place (larger than three pointers, or not
        // to be moved as bytes) sits in a block of its own.
        return d.is_shared ? HeapBlock + value.metaType().sizeOf() : 0;
    }
}

bool TypedStreamReader::readByte(quint8 &b)
{
    if (!need(1))
        return false;
    b = m_data[m_pos++];
    return true;
}

bool TypedStreamReader::peekByte(quint8 &b)
{
    if (!need(1))
        return false;
    b = m_data[m_pos];
    return true;
}

quint64 TypedStreamReader::readRaw(int n)
{
    // The caller has checked with need(n).
    quint64 v = 0;
    if (m_littleEndian) {
        for (int i = n - 1; i >= 0; --i)
            v = (v << 8) | m_data[m_pos + i];
    } else {
        for (int i = 0; i < n; ++i)
            v = (v << 8) | m_data[m_pos + i];
    }
    m_pos += n;
    return v;
}

bool TypedStreamReader::readInteger(qint64 &v)
{
    quint8 b;
    if (!readByte(b))
        return false;
    switch (b) {
    case TagInt16:
        if (!need(2))
            return false;
        v = qint16(quint16(readRaw(2)));
        return true;
    case TagInt32:
        if (!need(4))
            return false;
        v = qint32(quint32(readRaw(4)));
        return true;
    case TagInt64:
        if (!need(8))
            return false;
        v = qint64(readRaw(8));
        return true;
    default:
        if (b >= FirstReserved && b <= LastReserved) {
            --m_pos;
            return fail(QStringLiteral("tag 0x%1 where an integer belongs").arg(b, 2, 16, QLatin1Char('0')));
        }
        v = qint8(b);
        return true;
    }
}

bool TypedStreamReader::readReal(char code, double &v)
{
    quint8 b;
    if (!peekByte(b))
        return false;
    if (b != TagReal) {
        qint64 i;
        if (!readInteger(i))
            return false;
        v = double(i);
        return true;
    }
    ++m_pos;
    if (code == 'f') {
        if (!need(4))
            return false;
        const quint32 bits = quint32(readRaw(4));
        float f;
        std::memcpy(&f, &bits, sizeof f);
        v = double(f);
    } else {
        if (!need(8))
            return false;
        const quint64 bits = readRaw(8);
        std::memcpy(&v, &bits, sizeof v);
    }
    return true;
}

bool TypedStreamReader::readLead(Lead &lead, qint64 &index, qsizetype tableSize)
{
    quint8 b;
    if (!peekByte(b))
        return false;
    if (b == TagNil) {
        ++m_pos;
        lead = Lead::Nil;
        return true;
    }
    if (b == TagNew) {
        ++m_pos;
        lead = Lead::New;
        return true;
    }
    qint64 label;
    if (!readInteger(label))
        return false;
    // The label is checked against the table before the index is taken from it: a
    // label of the stream may be any 64-bit number (label - FirstLabel may not fit).
    if (label < FirstLabel || label - tableSize >= FirstLabel)
        return fail(QStringLiteral("back-reference label %1 outside the table of %2 entries").arg(label).arg(tableSize));
    index = label - FirstLabel;
    lead = Lead::Label;
    return true;
}

bool TypedStreamReader::readSharedString(QByteArray &s, bool &isNil, qsizetype *place)
{
    Lead lead;
    qint64 index = 0;
    if (!readLead(lead, index, m_strings.size()))
        return false;
    isNil = lead == Lead::Nil;
    s.clear();
    if (place)
        *place = lead == Lead::Label ? qsizetype(index) : lead == Lead::New ? m_strings.size() : -1;
    if (lead == Lead::Label) {
        s = m_strings.at(index);
    } else if (lead == Lead::New) {
        qint64 length;
        if (!readInteger(length))
            return false;
        if (length < 0)
            return fail(QStringLiteral("negative string length"));
        if (!need(length))
            return false;
        // The string, its place in the table and the place of its parse.
        if (!hold(qsizetype(sizeof(QByteArray) + sizeof(std::shared_ptr<void>)) + HeapBlock + length))
            return false;
        s = QByteArray(reinterpret_cast<const char *>(m_data + m_pos), length);
        m_pos += length;
        m_strings.append(s);
    }
    return true;
}

bool TypedStreamReader::readClass(const TypedStreamClass *&cls, int chainDepth)
{
    if (chainDepth > m_limits.maxClassChain)
        return fail(QStringLiteral("class chain too long"));
    Lead lead;
    qint64 index = 0;
    if (!readLead(lead, index, qsizetype(m_table.size())))
        return false;
    if (lead == Lead::Nil) {
        cls = nullptr;
        return true;
    }
    if (lead == Lead::Label) {
        const Entry e = m_table[size_t(index)];
        if (e.kind() != EntryKind::Class)
            return fail(QStringLiteral("back-reference to a non-class where a class belongs"));
        cls = static_cast<const TypedStreamClass *>(e.pointer());
        if (!cls->m_complete)
            return fail(QStringLiteral("class is its own superclass"));
        return true;
    }
    QByteArray name;
    bool nil;
    if (!readSharedString(name, nil))
        return false;
    if (nil || name.isEmpty())
        return fail(QStringLiteral("class without a name"));
    qint64 version;
    if (!readInteger(version))
        return false;
    if (!spend(1)
        || !hold(qsizetype(sizeof(TypedStreamClass) + sizeof(std::unique_ptr<TypedStreamClass>)) + TablePlace
                 + HeapBlock))
        return false;
    auto owned = std::make_unique<TypedStreamClass>(name, version);
    TypedStreamClass *c = owned.get();
    m_archive->m_classes.push_back(std::move(owned));
    m_table.push_back(Entry::of(EntryKind::Class, c));
    const TypedStreamClass *super = nullptr;
    if (!readClass(super, chainDepth + 1))
        return false;
    c->m_superclass = super;
    c->m_complete = true;
    cls = c;
    return true;
}

bool TypedStreamReader::readCString(TypedStreamValue &out)
{
    Lead lead;
    qint64 index = 0;
    if (!readLead(lead, index, qsizetype(m_table.size())))
        return false;
    if (lead == Lead::Nil) {
        out = TypedStreamValue::nil('*');
        return true;
    }
    if (lead == Lead::Label) {
        const Entry e = m_table[size_t(index)];
        if (e.kind() != EntryKind::CString)
            return fail(QStringLiteral("back-reference to a non-string where a C string belongs"));
        const QByteArray &string = m_cStrings[e.index()];
        out = string.isNull() ? TypedStreamValue::nil('*') : TypedStreamValue::string('*', string);
        return true;
    }
    QByteArray s;
    bool nil;
    if (!readSharedString(s, nil))
        return false;
    if (nil)
        s = QByteArray();
    else if (s.isNull())
        s = QByteArray("");
    if (!hold(TablePlace + qsizetype(sizeof(QByteArray))))
        return false;
    m_table.push_back(Entry::ofIndex(EntryKind::CString, m_cStrings.size()));
    m_cStrings.push_back(s);
    out = nil ? TypedStreamValue::nil('*') : TypedStreamValue::string('*', s);
    return true;
}

bool TypedStreamReader::readObject(TypedStreamValue &out)
{
    Lead lead;
    qint64 index = 0;
    if (!readLead(lead, index, qsizetype(m_table.size())))
        return false;
    if (lead == Lead::Nil) {
        out = TypedStreamValue::nil('@');
        return true;
    }
    if (lead == Lead::Label) {
        const Entry e = m_table[size_t(index)];
        if (e.kind() != EntryKind::Object && e.kind() != EntryKind::Value)
            return fail(QStringLiteral("back-reference to a non-object where an object belongs"));
        if (!chargeBackReference())
            return false;
        const auto *object = e.kind() == EntryKind::Object ? static_cast<const TypedStreamObject *>(e.pointer()) : nullptr;
        const size_t valuePlace = object ? 0 : e.index();
        // Its value place is then never given back (either way of holding alike).
        if (!object || object->isComplete())
            m_table[size_t(index)].bits |= Entry::ReferredBack;
        // An object read to its end without a value is its own value: the reference
        // is to its record.
        if (object && object->isComplete() && !object->hasDecodedValue()) {
            out = TypedStreamValue::object(object);
            return true;
        }
        // Inside an object, a decoded one is referred to by its value alone, where the
        // table keeps it: no record stands for it (kept whole, the archive refers to
        // its record).
        const bool decoded = !object || object->hasDecodedValue();
        if (decoded && !m_enclosing.empty()) {
            out = m_keepDecodedGroups ? TypedStreamValue::object(object) : valueStandingAt(valuePlace);
            return true;
        }
        // Any other, one still being read or one referred to at the top level, gets a
        // record of its own standing for it (so that each record is referred to by one
        // value alone). Kept whole, the archive refers to the object itself, and counts
        // the record as the other way holds it.
        if (!countRecord())
            return false;
        if (m_keepDecodedGroups) {
            out = TypedStreamValue::object(object);
            return true;
        }
        TypedStreamObject *record = newRecord();
        record->setClass(object ? object->objectClass() : nullptr);
        record->setComplete();
        if (!object)
            record->setDecodedValue(valueStandingAt(valuePlace).decodedObjectValue());
        out = TypedStreamValue::object(record);
        return true;
    }
    if (m_objectDepth >= m_limits.maxObjectDepth)
        return fail(QStringLiteral("objects nested too deeply"));
    if (!spend(1) || !hold(TablePlace))
        return false;
    if (!countRecord())
        return false;
    TypedStreamObject *object = newRecord();
    const size_t place = m_table.size();
    m_table.push_back(Entry::of(EntryKind::Object, object));

    const TypedStreamClass *cls = nullptr;
    if (!readClass(cls, 0))
        return false;
    if (!cls)
        return fail(QStringLiteral("object without a class"));
    object->setClass(cls);
    const TypedStreamObject *enclosing = m_enclosing.empty() ? nullptr : m_enclosing.back();
    if (m_filter && !m_filter(*cls, enclosing))
        return fail(QStringLiteral("class %1 not accepted here").arg(QString::fromLatin1(cls->name())));

    ++m_objectDepth;
    m_enclosing.push_back(object);
    for (;;) {
        quint8 b;
        if (!peekByte(b))
            return false;
        if (b == TagEnd) {
            ++m_pos;
            break;
        }
        if (!object->m_contents) {
            if (!hold(qsizetype(sizeof(TypedStreamObject::Contents)) + HeapBlock))
                return false;
            object->m_contents = std::make_unique<TypedStreamObject::Contents>();
        }
        if (!readObjectGroup(*object->m_contents))
            return false;
    }
    m_enclosing.pop_back();
    --m_objectDepth;
    object->setComplete();

    if (const ClassDecoder *decoder = decoderOf(cls)) {
        releaseTakenOver();
        if (!(*decoder)(*object))
            return fail(QStringLiteral("malformed %1").arg(QString::fromLatin1(cls->name())));
        // What later objects see of this one is its value from now on. The budget
        // counts its groups as given up either way.
        if (object->hasDecodedValue()) {
            if (object->m_contents)
                release(heldByContents(*object->m_contents));
            // The value places its decoder took over as nothing go with its groups (no
            // value of an object still open names them: none referred back to them).
            for (const size_t taken : m_takenOverPlaces) {
                if (!giveBackValuePlace(taken))
                    return false;
            }
        }
        releaseTakenOver();
        if (object->hasDecodedValue()) {
            size_t valuePlace = 0;
            if (!hold(heldByDecoded(object->decodedValue())) || !placeValue(object->decodedValue(), valuePlace))
                return false;
            if (!m_keepDecodedGroups) {
                object->m_contents.reset();
                // Later references find the value through the table.
                m_table[place] = Entry::ofIndex(EntryKind::Value, valuePlace);
            }
            // Inside another object its value stands for it from now on, and its record
            // is given back for a later object (kept whole, the archive keeps it, and
            // counts it as the other way holds it).
            if (!m_enclosing.empty()) {
                --m_recordsInUse;
                if (!m_keepDecodedGroups) {
                    object->clear();
                    m_freeRecords.push_back(object);
                    out = valueStandingAt(valuePlace);
                    out.m_tablePlace = quint32(place);
                    return true;
                }
            }
        }
    }
    // Groups kept for good take no more than they hold (their charge stays as it was,
    // alike either way of holding).
    if (object->m_contents) {
        object->m_contents->values.squeeze();
        object->m_contents->runs.squeeze();
    }
    out = TypedStreamValue::object(object);
    out.m_tablePlace = quint32(place);
    return true;
}

bool TypedStreamReader::giveBackValuePlace(size_t tablePlace)
{
    // Later references find nothing, as they found the value taken over.
    size_t none = 0;
    release(ValuePlace);
    if (!placeValue(QVariant(), none) || !hold(FreeValuePlace))
        return false;
    if (!m_keepDecodedGroups) {
        // Dropping decoded groups, the table names the value of every decoded object.
        const Entry e = m_table[tablePlace];
        if (e.kind() != EntryKind::Value || (e.index() & TextPlaceBit))
            return fail(QStringLiteral("a value taken over stands for no decoded object"));
        m_freeValuePlaces.push_back(e.index());
        m_table[tablePlace] = Entry::ofIndex(EntryKind::Value, none);
    }
    ++m_freeValuePlaceCount;
    return true;
}

void TypedStreamReader::releaseTakenOver()
{
    release(qsizetype(m_takenOverPlaces.size()) * TakenOverPlace);
    m_takenOverPlaces.clear();
}

bool TypedStreamReader::placeValue(const QVariant &value, size_t &place)
{
    qsizetype *shared = nullptr;
    if (!value.isValid())
        shared = &m_placeOfNoValue;
    else if (value.typeId() == QMetaType::QVariantList && static_cast<const QVariantList *>(value.constData())->isEmpty())
        shared = &m_placeOfEmptyList;
    if (shared && *shared >= 0) {
        place = size_t(*shared);
        return true;
    }
    // Kept whole, the archive holds the value in its object's record, and only counts
    // the place as the other way holds it.
    if (value.typeId() == QMetaType::QString && KeptText::fits(*static_cast<const QString *>(value.constData()))) {
        if (!hold(TextPlace))
            return false;
        place = m_texts.size() << 1 | TextPlaceBit;
        if (!m_keepDecodedGroups)
            m_texts.emplace_back(*static_cast<const QString *>(value.constData()));
        return true;
    }
    if (!hold(ValuePlace))
        return false;
    if (m_freeValuePlaceCount > 0) {
        --m_freeValuePlaceCount;
        release(FreeValuePlace);
        place = 0;
        if (!m_keepDecodedGroups) {
            place = m_freeValuePlaces.back();
            m_freeValuePlaces.pop_back();
            m_values[place >> 1] = value;
        }
        if (shared)
            *shared = qsizetype(place);
        return true;
    }
    place = m_values.size() << 1;
    if (shared)
        *shared = qsizetype(place);
    if (!m_keepDecodedGroups)
        m_values.push_back(value);
    return true;
}

TypedStreamValue TypedStreamReader::valueStandingAt(size_t place) const
{
    return place & TextPlaceBit ? TypedStreamValue::decodedText(&m_texts[place >> 1])
                                : TypedStreamValue::decodedObject(&m_values[place >> 1]);
}

bool TypedStreamReader::countRecord()
{
    if (++m_recordsInUse > m_recordsCharged) {
        if (!hold(RecordPlace))
            return false;
        ++m_recordsCharged;
    }
    return true;
}

TypedStreamObject *TypedStreamReader::newRecord()
{
    if (!m_keepDecodedGroups && !m_freeRecords.empty()) {
        TypedStreamObject *record = m_freeRecords.back();
        m_freeRecords.pop_back();
        return record;
    }
    return &m_archive->m_objects.emplace_back(nullptr);
}

bool TypedStreamReader::takeOver(const TypedStreamValue &value, const QVariant &replacement)
{
    QVariant *held = value.m_decodedOnly == TypedStreamValue::DecodedOnly::Value ? const_cast<QVariant *>(value.m_scalar.decoded)
                                                                                 : nullptr;
    auto *record = const_cast<TypedStreamObject *>(value.objectPointer());
    if (!held && record && record->hasDecodedValue())
        held = &record->m_decoded;
    // A text is kept in a place of its own kind (either way of holding alike).
    if (value.m_decodedOnly == TypedStreamValue::DecodedOnly::Text || (held && held->typeId() == QMetaType::QString))
        return fail(QStringLiteral("a text taken over by the value being decoded"));
    // A value that holds nothing may be the one all such values share.
    if (!held || !held->isValid()
        || (held->typeId() == QMetaType::QVariantList && static_cast<const QVariantList *>(held->constData())->isEmpty()))
        return true;
    // Taken over as nothing by the object being decoded, and reached by nothing else:
    // its place is given back once that object drops its groups.
    if (!replacement.isValid() && value.m_tablePlace < m_table.size() && !m_table[value.m_tablePlace].referredBack()) {
        if (!hold(TakenOverPlace))
            return false;
        m_takenOverPlaces.push_back(value.m_tablePlace);
    }
    release(heldByDecoded(*held));
    *held = replacement;
    return hold(heldByDecoded(*held));
}

const TypedStreamReader::ClassDecoder *TypedStreamReader::decoderOf(const TypedStreamClass *cls)
{
    if (const auto known = m_decoderOf.constFind(cls); known != m_decoderOf.constEnd())
        return *known;
    const ClassDecoder *decoder = nullptr;
    for (const TypedStreamClass *c = cls; c && !decoder; c = c->superclass()) {
        if (const auto it = m_decoders.constFind(c->name()); it != m_decoders.constEnd())
            decoder = &*it;
    }
    m_decoderOf.insert(cls, decoder);
    return decoder;
}

bool TypedStreamReader::parseTypes(const QByteArray &types, qsizetype place,
                                   std::shared_ptr<const std::vector<TypeNode>> &out)
{
    if (place >= 0 && place < qsizetype(m_parsedAt.size()) && m_parsedAt[size_t(place)]) {
        out = m_parsedAt[size_t(place)];
        return true;
    }
    auto remember = [&] {
        if (place < 0)
            return;
        if (place >= qsizetype(m_parsedAt.size()))
            m_parsedAt.resize(size_t(place) + 1);
        m_parsedAt[size_t(place)] = out;
    };
    const auto it = m_parsed.constFind(types);
    if (it != m_parsed.constEnd()) {
        out = *it;
        remember();
        return true;
    }
    // At most one node for each code, and the parse's place in the table of parses.
    if (!hold(types.size() * qsizetype(sizeof(TypeNode)) + qsizetype(sizeof(QByteArray) + sizeof(std::shared_ptr<void>)) + 2 * HeapBlock))
        return false;
    auto nodes = std::make_shared<std::vector<TypeNode>>();
    const char *p = types.constData();
    const char *end = p + types.size();
    if (p == end)
        return fail(QStringLiteral("empty type string"));
    while (p < end) {
        nodes->emplace_back();
        if (!parseOne(p, end, 0, m_limits.maxTypeDepth, nodes->back()))
            return fail(QStringLiteral("unsupported type string \"%1\"").arg(QString::fromLatin1(types)));
    }
    m_parsed.insert(types, nodes);
    out = nodes;
    remember();
    return true;
}

bool TypedStreamReader::readGroupTypes(QByteArray &types, std::shared_ptr<const std::vector<TypeNode>> &nodes)
{
    bool nil;
    qsizetype place = -1;
    if (!readSharedString(types, nil, &place))
        return false;
    if (nil)
        return fail(QStringLiteral("nil type string"));
    return parseTypes(types, place, nodes);
}

bool TypedStreamReader::readGroupValues(const std::vector<TypeNode> &nodes, QList<TypedStreamValue> &into)
{
    for (const TypeNode &t : nodes) {
        TypedStreamValue v;
        if (!readValue(t, v))
            return false;
        into.append(std::move(v));
    }
    return true;
}

bool TypedStreamReader::readGroup(QList<TypedStreamGroup> &into)
{
    QByteArray types;
    std::shared_ptr<const std::vector<TypeNode>> nodes;
    if (!readGroupTypes(types, nodes))
        return false;
    if (!hold(GroupSlot + HeapBlock + qsizetype(nodes->size() * sizeof(TypedStreamValue))))
        return false;
    TypedStreamGroup group;
    group.types = types;
    group.values.reserve(qsizetype(nodes->size()));
    if (!readGroupValues(*nodes, group.values))
        return false;
    into.append(std::move(group));
    return true;
}

bool TypedStreamReader::readObjectGroup(TypedStreamObject::Contents &contents)
{
    QByteArray types;
    std::shared_ptr<const std::vector<TypeNode>> nodes;
    if (!readGroupTypes(types, nodes))
        return false;
    const qsizetype count = qsizetype(nodes->size());
    if (contents.runs.isEmpty() || contents.runs.last().types != types) {
        if (!makeRoom(contents.runs, 1, 4))
            return false;
        contents.runs.append({types, 0, count});
    }
    ++contents.runs.last().groups;
    // A list (NSArray, NSDictionary) writes its count as its first group and then one
    // "@" group for each item: under a bound of memory its values get room for them at
    // once, as many as the rest of the stream can hold (an item takes two bytes at
    // least), rather than growing by doubling, which holds up to three times as much
    // while the last block is made. (The room is charged before it is made: a count
    // far larger than the items that follow is refused as too large once its room
    // passes the bound. Without a bound, the list grows with its items.)
    qsizetype room = count;
    if (m_memoryBudget >= 0 && types == "@" && contents.values.size() == 1 && contents.runs.size() == 2
        && contents.runs.first().types == "i" && contents.values.first().kind() == TypedStreamValue::Kind::Integer)
        room = std::max(room, qsizetype(std::clamp<qint64>(contents.values.first().toInteger(), 0, (m_size - m_pos) / 2)));
    if (!makeRoom(contents.values, room, 8))
        return false;
    return readGroupValues(*nodes, contents.values);
}

bool TypedStreamReader::readValue(const TypeNode &type, TypedStreamValue &out)
{
    if (!spend(1))
        return false;
    switch (type.code) {
    case '@':
        return readObject(out);
    case '#': {
        const TypedStreamClass *cls = nullptr;
        if (!readClass(cls, 0))
            return false;
        out = TypedStreamValue::classValue(cls);
        return true;
    }
    case '*':
        return readCString(out);
    case '%':
    case ':': {
        QByteArray s;
        bool nil;
        if (!readSharedString(s, nil))
            return false;
        if (nil)
            out = TypedStreamValue::nil(type.code);
        else
            out = TypedStreamValue::string(type.code, s.isNull() ? QByteArray("") : s);
        return true;
    }
    case 'c':
    case 'C':
    case 'B': {
        quint8 b;
        if (!readByte(b))
            return false;
        out = type.code == 'c' ? TypedStreamValue::integer('c', qint8(b))
                               : TypedStreamValue::unsignedInteger(type.code, b);
        return true;
    }
    case 's':
    case 'i':
    case 'l':
    case 'q': {
        qint64 v;
        if (!readInteger(v))
            return false;
        out = TypedStreamValue::integer(type.code, v);
        return true;
    }
    case 'S':
    case 'I':
    case 'L':
    case 'Q': {
        qint64 v;
        if (!readInteger(v))
            return false;
        quint64 u = quint64(v);
        if (type.code == 'S')
            u &= 0xffffu;
        else if (type.code != 'Q')
            u &= 0xffffffffu;
        out = TypedStreamValue::unsignedInteger(type.code, u);
        return true;
    }
    case 'f':
    case 'd': {
        double v;
        if (!readReal(type.code, v))
            return false;
        out = TypedStreamValue::real(type.code, v);
        return true;
    }
    case '+': {
        qint64 length;
        if (!readInteger(length))
            return false;
        if (length < 0)
            return fail(QStringLiteral("negative byte string length"));
        if (!need(length) || !hold(HeapBlock + length))
            return false;
        out = TypedStreamValue::bytes('+', QByteArray(reinterpret_cast<const char *>(m_data + m_pos), length));
        m_pos += length;
        return true;
    }
    case '[': {
        const TypeNode &element = type.fields.front();
        if (element.code == 'c' || element.code == 'C') {
            if (!need(type.count) || !hold(HeapBlock + type.count))
                return false;
            out = TypedStreamValue::bytes('[', QByteArray(reinterpret_cast<const char *>(m_data + m_pos), type.count));
            m_pos += type.count;
            return true;
        }
        if (type.count > m_budget)
            return fail(QStringLiteral("array larger than the stream"));
        if (!hold(HeldByElements + type.count * qsizetype(sizeof(TypedStreamValue))))
            return false;
        QList<TypedStreamValue> elements;
        elements.reserve(type.count);
        for (qint64 i = 0; i < type.count; ++i) {
            TypedStreamValue v;
            if (!readValue(element, v))
                return false;
            elements.append(std::move(v));
        }
        out = TypedStreamValue::array(std::move(elements));
        return true;
    }
    case '{': {
        if (!hold(HeldByElements + qsizetype(type.fields.size() * sizeof(TypedStreamValue))))
            return false;
        QList<TypedStreamValue> fields;
        fields.reserve(qsizetype(type.fields.size()));
        for (const TypeNode &f : type.fields) {
            TypedStreamValue v;
            if (!readValue(f, v))
                return false;
            fields.append(std::move(v));
        }
        out = TypedStreamValue::structure(type.name, std::move(fields));
        return true;
    }
    default:
        return fail(QStringLiteral("unsupported type code"));
    }
}

std::unique_ptr<TypedStreamArchive> TypedStreamReader::read(QByteArrayView bytes)
{
    m_error.clear();
    m_errorOffset = -1;
    m_data = reinterpret_cast<const uchar *>(bytes.data());
    m_size = bytes.size();
    m_pos = 0;
    m_littleEndian = false;
    m_objectDepth = 0;
    m_strings.clear();
    m_table.clear();
    m_values.clear();
    m_texts.clear();
    m_placeOfNoValue = -1;
    m_placeOfEmptyList = -1;
    m_freeValuePlaces.clear();
    m_freeValuePlaceCount = 0;
    m_takenOverPlaces.clear();
    m_cStrings.clear();
    m_enclosing.clear();
    m_parsed.clear();
    m_parsedAt.clear();
    m_decoderOf.clear();
    m_freeRecords.clear();
    m_recordsInUse = 0;
    m_recordsCharged = 0;
    m_held = 0;
    m_peakHeld = 0;
    // The budgets are taken from the size only once it is known to be within its bound
    // (below 2^31 bytes: the products below then fit in 64 bits for any bound per byte a
    // caller gives below 2^32).
    const bool sizeWithinBounds = m_size <= m_limits.maxInputSize && m_size <= std::numeric_limits<qint32>::max();
    const qsizetype size = sizeWithinBounds ? m_size : 0;
    // Every value but the parts of a struct takes at least one byte; the generous
    // budget only stops streams that would expand into far more values than bytes.
    m_budget = 4 * size + 4096;
    m_memoryBudget = m_limits.memoryPerStreamByte > 0
        ? qsizetype(size) * m_limits.memoryPerStreamByte + m_limits.memoryAllowance
        : -1;
    m_referenceBudget = m_limits.bytesPerBackReference > 0 ? size / m_limits.bytesPerBackReference + BackReferenceAllowance : -1;

    auto archive = std::make_unique<TypedStreamArchive>();
    m_archive = archive.get();
    bool ok = false;
    try {
        ok = [&]() -> bool {
            // The table's places are counted in 32 bits: every entry takes a byte.
            if (!sizeWithinBounds)
                return fail(QStringLiteral("stream too large"));
            quint8 version;
            if (!readByte(version))
                return false;
            if (version != 4)
                return fail(QStringLiteral("unknown streamer version %1").arg(version));
            qint64 sigLength;
            if (!readInteger(sigLength))
                return false;
            if (sigLength != 11 || !need(11))
                return fail(QStringLiteral("not a typed stream"));
            const QByteArrayView sig(reinterpret_cast<const char *>(m_data + m_pos), 11);
            if (sig == "typedstream")
                m_littleEndian = false;
            else if (sig == "streamtyped")
                m_littleEndian = true;
            else
                return fail(QStringLiteral("not a typed stream"));
            m_pos += 11;
            qint64 systemVersion;
            if (!readInteger(systemVersion))
                return false;
            archive->m_streamerVersion = version;
            archive->m_signature = sig.toByteArray();
            archive->m_littleEndian = m_littleEndian;
            archive->m_systemVersion = systemVersion;
            while (m_pos < m_size) {
                if (!readGroup(archive->m_groups))
                    return false;
            }
            return true;
        }();
    } catch (...) {
        ok = fail(QStringLiteral("a class decoder failed"));
    }
    m_archive = nullptr;
    m_data = nullptr;
    // The values of decoded objects stand for them by their place in the table.
    if (ok && !m_keepDecodedGroups) {
        archive->m_decodedValues = std::move(m_values);
        archive->m_decodedTexts = std::move(m_texts);
    }
    m_values.clear();
    m_texts.clear();
    m_table.clear();
    m_freeValuePlaces.clear();
    m_takenOverPlaces.clear();
    m_freeRecords.clear();
    m_cStrings.clear();
    m_enclosing.clear();
    m_strings.clear();
    m_parsed.clear();
    m_parsedAt.clear();
    m_decoderOf.clear();
    if (!ok)
        return nullptr;
    return archive;
}

} // namespace platform
