#pragma once
// Reader of the old platform's sequential archive ("typedstream"), the stream its
// archiver wrote and its unarchiver read. The stream describes itself: every call of
// the archiver wrote a type string before its values, so any well-formed stream can
// be walked to its end without knowing the classes in it. Classes the caller knows
// get a class decoder, which turns the groups an object holds into our own types
// when the object's end marker has been read.
//
// The input is untrusted: lengths, counts, nesting and back-references are bounded
// and checked, and any malformed stream answers failure with a message. Every value
// is charged against a budget of the stream's size; a caller may also bound the
// back-references to objects by the stream's size (Limits::bytesPerBackReference).
//
// Memory: a reader given a bound (Limits::memoryPerStreamByte) charges every record it
// keeps as it parses (objects, classes, the values of groups, bytes, table places,
// parsed type strings) and every decoded value (by its kind; a class decoder charges
// what else its value holds through hold()) against a budget of that many bytes for
// each byte of stream beyond Limits::memoryAllowance. A charge that would pass the
// budget is refused before what it stands for is made, so a read never holds more
// than its budget. An object's groups are kept flat (its values in one list, the type
// strings as runs of groups written alike), and the list is charged as it grows (a
// list object's values at once for the count it wrote, under a bound); a
// back-reference costs only its place in that list, the object it refers to having
// been charged once, when it was read. The groups of an object whose decoder gave it
// a value are given back to the budget then, whether or not they are dropped, so
// that both ways of holding a read are refused alike. A stream that would expand
// into more than its size allows (a huge array of numbers, millions of tiny objects,
// one object referred back to millions of times) is refused as too large before it
// holds that much.
//
// What a read holds: by default every object keeps its groups, so that a caller can
// walk the whole archive. A reader that wants the decoded values alone (a document
// of hundreds of thousands of objects) has the groups of each object whose decoder
// gave it a value dropped as soon as the value is set (setKeepDecodedGroups(false)):
// later objects see only the value, as they do anyway (valueOf()). Inside another
// object, its record is given back for a later object at once: the value standing
// for it there, and every reference to it, names its value where the table keeps it
// (TypedStreamValue::decodedObject; the archive keeps them after the read), so that a
// list of a hundred thousand decoded objects holds no record for them. The read then
// holds a word of the table for each object, a place for each value (values that
// hold nothing, none or an empty list, share one; a text takes half the place of any
// other value, see KeptText), and little more. A value that the
// object holding it took over as nothing (a list whose items a node now holds) gives
// its place back for a later value once that object drops its groups, unless a
// reference reached it after its end (a value of an object still open may name it). Records are
// counted and charged alike either way, so both answer alike for every stream: the
// same values, or the same refusal at the same place.
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include "platform/archive/TypedStreamArchive.h"
#include "platform/archive/TypedStreamClass.h"
#include "platform/archive/TypedStreamObject.h"
#include "platform/archive/TypedStreamValue.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

class TypedStreamReader
{
public:
    // Looks at the groups of a finished object of its class and may attach a decoded
    // value; answering false rejects the object (and the whole stream) as malformed.
    using ClassDecoder = std::function<bool(TypedStreamObject &object)>;
    // Asked when an object begins, with its class and the innermost enclosing object
    // (none at the top level); answering false rejects the stream.
    using ClassFilter = std::function<bool(const TypedStreamClass &cls, const TypedStreamObject *enclosing)>;

    static constexpr qsizetype MemoryAllowance = qsizetype(1) << 20;

    struct Limits
    {
        qsizetype maxInputSize = qsizetype(256) * 1024 * 1024;
        int maxObjectDepth = 200;   // objects inside objects
        int maxTypeDepth = 32;      // arrays and structs inside each other in one type
        int maxClassChain = 64;     // superclasses of one class
        // Bytes of stream for each back-reference to an object, beyond the first
        // BackReferenceAllowance; 0 for no bound.
        qsizetype bytesPerBackReference = 0;
        // Bytes of memory the read may hold for each byte of stream, beyond the first
        // memoryAllowance; 0 for no bound.
        qsizetype memoryPerStreamByte = 0;
        qsizetype memoryAllowance = MemoryAllowance;
    };
    static constexpr qsizetype BackReferenceAllowance = 4096;

    TypedStreamReader();
    ~TypedStreamReader();

    // The decoder of a class is also used for subclasses that have none of their own.
    void setClassDecoder(const QByteArray &className, ClassDecoder decoder);
    void setClassFilter(ClassFilter filter);
    void setLimits(const Limits &limits) { m_limits = limits; }
    // Whether an object keeps its groups once its class decoder gave it a value
    // (true, the default) or drops them then.
    void setKeepDecodedGroups(bool keep) { m_keepDecodedGroups = keep; }

    // The archive, or none with errorString() and errorOffset() telling why.
    std::unique_ptr<TypedStreamArchive> read(QByteArrayView bytes);

    // For class decoders during a read: charges `bytes` that the value being decoded
    // holds beyond what its kind shows (a node the value points at); false when the
    // budget is spent, and the read then fails as too large.
    bool hold(qsizetype bytes);
    // Gives back what hold() charged for something the value no longer holds.
    void release(qsizetype bytes) { m_held -= bytes; }
    // For class decoders during a read: the decoded value that `value` (one of the
    // object's own) stands for has been taken over by the value being decoded (a list
    // whose items it now holds itself): later references to that object find
    // `replacement` instead, and what the old value was charged is given back. Nothing
    // for a value that is no decoded object or holds nothing (none, an empty list).
    // Taken over as nothing, the value's place is given back once the object being
    // decoded gets its value (see above). A text is kept in a place that holds texts
    // alone, and taking one over fails the read. False when the budget is spent.
    bool takeOver(const TypedStreamValue &value, const QVariant &replacement);
    // For class filters and decoders during a read: the object `outward` steps out from
    // the innermost one being read (0 the innermost, the one a filter is given); none
    // beyond the top.
    const TypedStreamObject *enclosingObject(qsizetype outward) const
    {
        return outward >= 0 && outward < qsizetype(m_enclosing.size()) ? m_enclosing[m_enclosing.size() - 1 - size_t(outward)]
                                                                        : nullptr;
    }
    // The most the last read held at once, as charged (with or without a bound).
    qsizetype peakHeld() const { return m_peakHeld; }
    // What is held now, as charged (after a read, what its archive keeps, and the
    // table of places it no longer needs).
    qsizetype held() const { return m_held; }

    const QString &errorString() const { return m_error; }
    qsizetype errorOffset() const { return m_errorOffset; }

    // Whether bytes 2 to 12 hold either signature.
    static bool hasSignature(QByteArrayView bytes);

    struct TypeNode; // a parsed type string element (defined in the source)

private:
    enum class EntryKind : quintptr { Object = 0, Class = 1, CString = 2, Value = 3 };
    // One place of the table in a word: the kind in the two low bits, above them the
    // address of the object or class (aligned to eight bytes), the C string's place in
    // m_cStrings, or the place in m_values of the value of an object whose record was
    // given back (a reader dropping decoded groups).
    // The top bit marks an object referred back to once it was read to its end (no
    // address of ours and no place reaches it).
    struct Entry
    {
        static constexpr quintptr ReferredBack = quintptr(1) << (8 * sizeof(quintptr) - 1);
        quintptr bits = 0;

        static Entry of(EntryKind kind, const void *pointer) { return {reinterpret_cast<quintptr>(pointer) | quintptr(kind)}; }
        static Entry ofIndex(EntryKind kind, size_t place) { return {quintptr(place) << 2 | quintptr(kind)}; }
        EntryKind kind() const { return EntryKind(bits & 3); }
        const void *pointer() const { return reinterpret_cast<const void *>(bits & ~(quintptr(3) | ReferredBack)); }
        size_t index() const { return size_t((bits & ~ReferredBack) >> 2); }
        bool referredBack() const { return (bits & ReferredBack) != 0; }
    };
    enum class Lead { Nil, New, Label };
    // The place for a decoded value (charged): a text's in m_texts (its index shifted
    // left, TextPlaceBit set), any other's in m_values (its index shifted left), or, for
    // a value that holds nothing (none, an empty list), the one place all such values
    // share.
    bool placeValue(const QVariant &value, size_t &place);
    static constexpr size_t TextPlaceBit = 1;
    // A value standing for the decoded object whose value is at the place.
    TypedStreamValue valueStandingAt(size_t place) const;
    // The value place of the object at the table's place, taken over as nothing and
    // reached by nothing else, is given back for a later value; later references find
    // the place of nothing.
    bool giveBackValuePlace(size_t tablePlace);
    // Forgets the places taken over during a decoder's call (what listing them held).
    void releaseTakenOver();

    bool fail(const QString &message);
    bool need(qsizetype n);
    bool readByte(quint8 &b);
    bool peekByte(quint8 &b);
    quint64 readRaw(int n);
    bool readInteger(qint64 &v);
    bool readReal(char code, double &v);
    bool readLead(Lead &lead, qint64 &index, qsizetype tableSize);
    // The string's place in the table of shared strings goes to *place (none for nil).
    bool readSharedString(QByteArray &s, bool &isNil, qsizetype *place = nullptr);
    bool readClass(const TypedStreamClass *&cls, int chainDepth);
    bool readObject(TypedStreamValue &out);
    bool readCString(TypedStreamValue &out);
    bool readGroupTypes(QByteArray &types, std::shared_ptr<const std::vector<TypeNode>> &nodes);
    bool readGroupValues(const std::vector<TypeNode> &nodes, QList<TypedStreamValue> &into);
    // A top-level group, and one of an object (into its flat contents).
    bool readGroup(QList<TypedStreamGroup> &into);
    bool readObjectGroup(TypedStreamObject::Contents &contents);
    // Room for `more` items in the list (for at least `least` once it grows), charged
    // as the list holds it.
    template<typename T>
    bool makeRoom(QList<T> &list, qsizetype more, qsizetype least);
    bool readValue(const TypeNode &type, TypedStreamValue &out);
    bool parseTypes(const QByteArray &types, qsizetype place, std::shared_ptr<const std::vector<TypeNode>> &out);
    const ClassDecoder *decoderOf(const TypedStreamClass *cls);
    bool spend(qsizetype n);
    // One more record in use, charged when more are in use than ever before (the way
    // of holding makes no difference); false when the budget is spent.
    bool countRecord();
    // A record, given back or new.
    TypedStreamObject *newRecord();
    bool chargeBackReference();
    static qsizetype payloadOf(const TypedStreamValue &value);
    static qsizetype heldByList(qsizetype capacity, qsizetype itemSize);
    static qsizetype heldByContents(const TypedStreamObject::Contents &contents);
    static qsizetype heldByDecoded(const QVariant &value);

    QHash<QByteArray, ClassDecoder> m_decoders;
    ClassFilter m_filter;
    Limits m_limits;
    bool m_keepDecodedGroups = true;
    QString m_error;
    qsizetype m_errorOffset = -1;

    // State of one read.
    const uchar *m_data = nullptr;
    qsizetype m_size = 0;
    qsizetype m_pos = 0;
    bool m_littleEndian = false;
    qsizetype m_budget = 0;
    qsizetype m_referenceBudget = -1; // none when negative
    qsizetype m_memoryBudget = -1;    // none when negative
    qsizetype m_held = 0;
    qsizetype m_peakHeld = 0;
    int m_objectDepth = 0;
    TypedStreamArchive *m_archive = nullptr;
    QList<QByteArray> m_strings;
    // One place for each object, class and C string: its entry, which for an object
    // whose groups were dropped (whose record was given back then) names its value.
    std::deque<Entry> m_table;
    std::deque<QVariant> m_values;
    std::deque<KeptText> m_texts;
    // The places of the values that hold nothing (none when not yet met; counted the
    // same with either way of holding, which keeps no values here when whole).
    qsizetype m_placeOfNoValue = -1;
    qsizetype m_placeOfEmptyList = -1;
    // Value places given back (their count alike with either way of holding, which
    // keeps no values here when whole), and those to give back once the object whose
    // decoder took them over drops its groups.
    std::vector<size_t> m_freeValuePlaces;
    qsizetype m_freeValuePlaceCount = 0;
    std::vector<size_t> m_takenOverPlaces;
    std::vector<TypedStreamObject *> m_freeRecords;
    qsizetype m_recordsInUse = 0;
    qsizetype m_recordsCharged = 0;
    std::vector<QByteArray> m_cStrings; // their bytes (null for nil)
    std::vector<TypedStreamObject *> m_enclosing; // the objects being read, the innermost last
    QHash<QByteArray, std::shared_ptr<const std::vector<TypeNode>>> m_parsed;
    // The same by the place of the type string among the shared strings, and each
    // class's decoder (none when no class of its chain has one): looked up once.
    std::vector<std::shared_ptr<const std::vector<TypeNode>>> m_parsedAt;
    QHash<const TypedStreamClass *, const ClassDecoder *> m_decoderOf;
};

} // namespace platform
