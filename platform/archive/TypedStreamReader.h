#pragma once
// Reader of the old platform's sequential archive ("typedstream"), the stream its
// archiver wrote and its unarchiver read. The stream describes itself: every call of
// the archiver wrote a type string before its values, so any well-formed stream can
// be walked to its end without knowing the classes in it. Classes the caller knows
// get a class decoder, which turns the groups an object holds into our own types
// when the object's end marker has been read.
//
// The input is untrusted: lengths, counts, nesting and back-references are bounded
// and checked, and any malformed stream answers failure with a message.
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include "platform/archive/TypedStreamArchive.h"
#include "platform/archive/TypedStreamClass.h"
#include "platform/archive/TypedStreamObject.h"
#include "platform/archive/TypedStreamValue.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
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

    struct Limits
    {
        qsizetype maxInputSize = qsizetype(256) * 1024 * 1024;
        int maxObjectDepth = 200;   // objects inside objects
        int maxTypeDepth = 32;      // arrays and structs inside each other in one type
        int maxClassChain = 64;     // superclasses of one class
    };

    TypedStreamReader();
    ~TypedStreamReader();

    // The decoder of a class is also used for subclasses that have none of their own.
    void setClassDecoder(const QByteArray &className, ClassDecoder decoder);
    void setClassFilter(ClassFilter filter);
    void setLimits(const Limits &limits) { m_limits = limits; }

    // The archive, or none with errorString() and errorOffset() telling why.
    std::unique_ptr<TypedStreamArchive> read(QByteArrayView bytes);

    const QString &errorString() const { return m_error; }
    qsizetype errorOffset() const { return m_errorOffset; }

    // Whether bytes 2 to 12 hold either signature.
    static bool hasSignature(QByteArrayView bytes);

    struct TypeNode; // a parsed type string element (defined in the source)

private:
    enum class EntryKind { Object, Class, CString };
    struct Entry
    {
        EntryKind kind;
        const void *pointer; // TypedStreamObject or TypedStreamClass
        QByteArray string;   // a C string's bytes (null for nil)
    };
    enum class Lead { Nil, New, Label };

    bool fail(const QString &message);
    bool need(qsizetype n);
    bool readByte(quint8 &b);
    bool peekByte(quint8 &b);
    quint64 readRaw(int n);
    bool readInteger(qint64 &v);
    bool readReal(char code, double &v);
    bool readLead(Lead &lead, qint64 &index, qsizetype tableSize);
    bool readSharedString(QByteArray &s, bool &isNil);
    bool readClass(const TypedStreamClass *&cls, int chainDepth);
    bool readObject(TypedStreamValue &out);
    bool readCString(TypedStreamValue &out);
    bool readGroup(QList<TypedStreamGroup> &into);
    bool readValue(const TypeNode &type, TypedStreamValue &out);
    bool parseTypes(const QByteArray &types, std::shared_ptr<const std::vector<TypeNode>> &out);
    bool spend(qsizetype n);

    QHash<QByteArray, ClassDecoder> m_decoders;
    ClassFilter m_filter;
    Limits m_limits;
    QString m_error;
    qsizetype m_errorOffset = -1;

    // State of one read.
    const uchar *m_data = nullptr;
    qsizetype m_size = 0;
    qsizetype m_pos = 0;
    bool m_littleEndian = false;
    qsizetype m_budget = 0;
    int m_objectDepth = 0;
    TypedStreamArchive *m_archive = nullptr;
    QList<QByteArray> m_strings;
    std::vector<Entry> m_table;
    std::vector<TypedStreamObject *> m_enclosing;
    QHash<QByteArray, std::shared_ptr<const std::vector<TypeNode>>> m_parsed;
};

} // namespace platform
