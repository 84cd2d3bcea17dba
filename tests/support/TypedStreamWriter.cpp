#include "tests/support/TypedStreamWriter.h"

#include <cmath>
#include <cstring>

namespace testsupport {

namespace {
constexpr qint64 FirstLabel = -110;
}

TypedStreamWriter::TypedStreamWriter(ByteOrder order, qint64 systemVersion)
    : m_little(order == ByteOrder::Little)
{
    m_data.append(char(4));
    m_data.append(char(11));
    m_data.append(m_little ? "streamtyped" : "typedstream");
    integer(systemVersion);
}

void TypedStreamWriter::raw(quint64 v, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        const int shift = m_little ? 8 * i : 8 * (bytes - 1 - i);
        m_data.append(char((v >> shift) & 0xff));
    }
}

void TypedStreamWriter::integer(qint64 v)
{
    if (v >= -110 && v <= 127) {
        m_data.append(char(qint8(v)));
    } else if (v >= -32768 && v <= 32767) {
        m_data.append(char(0x81));
        raw(quint64(v), 2);
    } else if (v >= INT32_MIN && v <= INT32_MAX) {
        m_data.append(char(0x82));
        raw(quint64(v), 4);
    } else {
        m_data.append(char(0x87));
        raw(quint64(v), 8);
    }
}

void TypedStreamWriter::label(qsizetype index)
{
    integer(qint64(index) + FirstLabel);
}

void TypedStreamWriter::charValue(quint8 c)
{
    m_data.append(char(c));
}

void TypedStreamWriter::floatValue(float v, bool shortForm)
{
    if (shortForm && std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 2.0e9f && !(v == 0 && std::signbit(v))) {
        integer(qint64(v));
        return;
    }
    m_data.append(char(0x83));
    quint32 bits;
    std::memcpy(&bits, &v, sizeof bits);
    raw(bits, 4);
}

void TypedStreamWriter::doubleValue(double v, bool shortForm)
{
    if (shortForm && std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 2.0e9 && !(v == 0 && std::signbit(v))) {
        integer(qint64(v));
        return;
    }
    m_data.append(char(0x83));
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    raw(bits, 8);
}

void TypedStreamWriter::byteString(const QByteArray &bytes)
{
    integer(bytes.size());
    m_data.append(bytes);
}

void TypedStreamWriter::rawBytes(const QByteArray &bytes)
{
    m_data.append(bytes);
}

void TypedStreamWriter::sharedString(const QByteArray &s)
{
    const auto it = m_strings.constFind(s);
    if (it != m_strings.constEnd()) {
        label(*it);
        return;
    }
    m_data.append(char(0x84));
    integer(s.size());
    m_data.append(s);
    m_strings.insert(s, m_nextString++);
}

void TypedStreamWriter::group(const QByteArray &types)
{
    sharedString(types);
}

void TypedStreamWriter::cString(const QByteArray &s)
{
    const auto it = m_cStrings.constFind(s);
    if (it != m_cStrings.constEnd()) {
        label(*it);
        return;
    }
    m_data.append(char(0x84));
    m_cStrings.insert(s, m_nextObject++);
    sharedString(s);
}

void TypedStreamWriter::nil()
{
    m_data.append(char(0x85));
}

void TypedStreamWriter::writeClass(const ClassChain &chain, qsizetype from)
{
    if (from >= chain.size()) {
        nil();
        return;
    }
    const auto it = m_classes.constFind(chain[from].first);
    if (it != m_classes.constEnd()) {
        label(*it);
        return;
    }
    m_data.append(char(0x84));
    m_classes.insert(chain[from].first, m_nextObject++);
    sharedString(chain[from].first);
    integer(chain[from].second);
    writeClass(chain, from + 1);
}

void TypedStreamWriter::classValue(const ClassChain &chain)
{
    writeClass(chain, 0);
}

bool TypedStreamWriter::beginObject(const ClassChain &chain, const void *identity)
{
    if (identity) {
        const auto it = m_objects.constFind(identity);
        if (it != m_objects.constEnd()) {
            label(*it);
            return false;
        }
    }
    m_data.append(char(0x84));
    const qsizetype index = m_nextObject++;
    if (identity)
        m_objects.insert(identity, index);
    writeClass(chain, 0);
    return true;
}

bool TypedStreamWriter::beginShared(const ClassChain &chain, unsigned share, const QByteArray &key)
{
    if (!(m_sharing & share))
        return beginObject(chain);
    const auto it = m_shared.constFind(key);
    if (it != m_shared.constEnd()) {
        label(*it);
        return false;
    }
    m_shared.insert(key, m_nextObject);
    return beginObject(chain);
}

void TypedStreamWriter::endObject()
{
    m_data.append(char(0x86));
}

TypedStreamWriter::ClassChain TypedStreamWriter::arrayChain(const QByteArray &className)
{
    if (className == "NSArray")
        return {{"NSArray", 0}, {"NSObject", 0}};
    return {{className, 0}, {"NSArray", 0}, {"NSObject", 0}};
}

void TypedStreamWriter::string(const QString &s, const QByteArray &className)
{
    ClassChain chain{{className, 1}};
    if (className != "NSString")
        chain.append({"NSString", 1});
    chain.append({"NSObject", 0});
    if (!beginShared(chain, ShareStrings, m_sharing & ShareStrings ? QByteArray("S" + className + '\0' + s.toUtf8()) : QByteArray()))
        return;
    group("+");
    byteString(s.toUtf8());
    endObject();
}

void TypedStreamWriter::date(double sinceReferenceDate)
{
    beginObject({{"NSDate", 0}, {"NSObject", 0}});
    group("d");
    doubleValue(sinceReferenceDate, false);
    endObject();
}

void TypedStreamWriter::calendarDate(double sinceReferenceDate, const QString &zoneName, const QByteArray &zoneData,
                                     const QString &format, int zoneObject)
{
    const QByteArray zoneKey = m_sharing & (ShareZones | ShareDates)
        ? QByteArray("Z" + QByteArray::number(zoneObject) + '\0' + zoneName.toUtf8() + '\0'
                     + (zoneData.isNull() ? QByteArray("-") : QByteArray("+" + zoneData)))
        : QByteArray();
    const QByteArray dateKey = m_sharing & ShareDates
        ? QByteArray("D" + QByteArray::number(sinceReferenceDate, 'g', 17) + '\0' + zoneKey + '\0' + format.toUtf8())
        : QByteArray();
    if (!beginShared({{"NSCalendarDate", 0}, {"NSDate", 0}, {"NSObject", 0}}, ShareDates, dateKey))
        return;
    group("d");
    doubleValue(sinceReferenceDate, false);
    group("@");
    if (beginShared({{"NSTimeZone", 0}, {"NSObject", 0}}, ShareZones, zoneKey)) {
        group("@");
        string(zoneName);
        group("@");
        if (zoneData.isNull())
            nil();
        else
            dataObject(zoneData);
        endObject();
    }
    group("@");
    if (beginShared({{"NSString", 1}, {"NSObject", 0}}, ShareFormats, m_sharing & ShareFormats ? QByteArray("F" + format.toUtf8()) : QByteArray())) {
        group("+");
        byteString(format.toUtf8());
        endObject();
    }
    endObject();
}

void TypedStreamWriter::number(const QByteArray &type, double value)
{
    beginObject({{"NSNumber", 0}, {"NSValue", 0}, {"NSObject", 0}});
    group("*");
    cString(type);
    group(type);
    if (type == "f")
        floatValue(float(value));
    else if (type == "d")
        doubleValue(value);
    else if (type == "c" || type == "C")
        charValue(quint8(qint64(value)));
    else
        integer(qint64(value));
    endObject();
}

void TypedStreamWriter::dataObject(const QByteArray &bytes)
{
    if (!beginShared({{"NSMutableData", 0}, {"NSData", 0}, {"NSObject", 0}}, ShareData, m_sharing & ShareData ? QByteArray("B" + bytes) : QByteArray()))
        return;
    group("i");
    integer(bytes.size());
    group("[" + QByteArray::number(bytes.size()) + "c]");
    rawBytes(bytes);
    endObject();
}

} // namespace testsupport
