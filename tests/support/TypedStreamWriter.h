#pragma once
// Test-only writer of the old platform's sequential archive ("typedstream"), in
// either byte order, for building fixtures the reader must understand. It writes
// the same forms the reader expects: short and tagged integers, reals in their short
// form when whole (optional), shared strings and back-references, objects with
// their class chains.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

namespace testsupport {

class TypedStreamWriter
{
public:
    enum class ByteOrder { Little, Big };
    // A class and its superclasses with their versions, most derived first.
    using ClassChain = QList<QPair<QByteArray, qint64>>;

    explicit TypedStreamWriter(ByteOrder order = ByteOrder::Little, qint64 systemVersion = 1000);

    const QByteArray &data() const { return m_data; }

    // Kinds of Foundation objects written once and referred back to after.
    enum Share : unsigned {
        ShareNothing = 0,
        ShareZones = 1,   // a time zone object (its name and data with it)
        ShareFormats = 2, // a calendar date's format string
        ShareStrings = 4, // every other string object of equal text and class
        ShareDates = 8,   // a date object of equal moment, zone and format
        ShareData = 16,   // a data object of equal bytes
    };
    void setSharing(unsigned kinds) { m_sharing = kinds; }

    // Starts a group: writes the type string (shared). One value per type follows.
    void group(const QByteArray &types);

    // Values, by type code.
    void charValue(quint8 c);                               // "c" "C" (raw byte)
    void integer(qint64 v);                                 // "s" "S" "i" "I" "l" "L" "q" "Q"
    void floatValue(float v, bool shortForm = true);        // "f"
    void doubleValue(double v, bool shortForm = true);      // "d"
    void byteString(const QByteArray &bytes);               // "+"
    void rawBytes(const QByteArray &bytes);                 // "[nc]"
    void sharedString(const QByteArray &s);                 // "%" ":"
    void cString(const QByteArray &s);                      // "*"
    void nil();                                             // "@" "#" "*" "%" ":"
    void classValue(const ClassChain &chain);               // "#"
    // "@": a new object, or a back-reference when the identity was written before
    // (answers false then: nothing more to write for it). After a new object, write
    // its groups and then endObject().
    bool beginObject(const ClassChain &chain, const void *identity = nullptr);
    void endObject();
    // Any byte, for malformed streams.
    void rawByte(quint8 b) { m_data.append(char(b)); }

    // Foundation objects (each a complete "@" value).
    void string(const QString &s, const QByteArray &className = "NSString");
    void date(double sinceReferenceDate);
    // A calendar date with its zone (a name, optionally with zone data) and format.
    void calendarDate(double sinceReferenceDate, const QString &zoneName, const QByteArray &zoneData = {},
                      const QString &format = QStringLiteral("%Y-%m-%d %H:%M:%S %z"), int zoneObject = 0);
    void number(const QByteArray &type, double value);
    void dataObject(const QByteArray &bytes);
    // An NSMutableArray of count elements; writeElement(i) writes element i as one
    // "@" value.
    template<typename F>
    void array(qsizetype count, F writeElement, const QByteArray &className = "NSMutableArray")
    {
        beginObject(arrayChain(className));
        group("i");
        integer(count);
        for (qsizetype i = 0; i < count; ++i) {
            group("@");
            writeElement(i);
        }
        endObject();
    }

    static ClassChain arrayChain(const QByteArray &className);

private:
    void raw(quint64 v, int bytes);
    void label(qsizetype index);
    void writeClass(const ClassChain &chain, qsizetype from);
    // beginObject(), sharing by content when `share` is among the shared kinds.
    bool beginShared(const ClassChain &chain, unsigned share, const QByteArray &key);

    QByteArray m_data;
    bool m_little;
    QHash<QByteArray, qsizetype> m_strings;   // shared string → index
    QHash<QByteArray, qsizetype> m_cStrings;  // "*" value → object table index
    QHash<QByteArray, qsizetype> m_classes;   // class name → object table index
    QHash<const void *, qsizetype> m_objects; // identity → object table index
    QHash<QByteArray, qsizetype> m_shared;    // content of a shared object → index
    unsigned m_sharing = ShareNothing;
    qsizetype m_nextString = 0;
    qsizetype m_nextObject = 0;
};

} // namespace testsupport
