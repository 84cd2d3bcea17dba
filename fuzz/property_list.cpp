// Fuzz target: the property-list codec. Bytes read as a property list are written
// back and must read as the same value; and a value built from the bytes (strings
// with any code units, numbers, data, nested lists and maps) must come back the
// same after writing and reading.
#include "platform/archive/PropertyList.h"

#include <QVariantList>
#include <QVariantMap>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace platform;

namespace {

bool same(const QVariant &a, const QVariant &b)
{
    if (a.typeId() == QMetaType::Double) {
        if (b.typeId() != QMetaType::Double)
            return false;
        const double x = a.toDouble(), y = b.toDouble();
        return (std::isnan(x) && std::isnan(y)) || (x == y && std::signbit(x) == std::signbit(y));
    }
    if (a.typeId() == QMetaType::QVariantList) {
        const QVariantList x = a.toList(), y = b.toList();
        if (b.typeId() != QMetaType::QVariantList || x.size() != y.size())
            return false;
        for (qsizetype i = 0; i < x.size(); ++i)
            if (!same(x.at(i), y.at(i)))
                return false;
        return true;
    }
    if (a.typeId() == QMetaType::QVariantMap) {
        const QVariantMap x = a.toMap(), y = b.toMap();
        if (b.typeId() != QMetaType::QVariantMap || x.keys() != y.keys())
            return false;
        for (auto it = x.cbegin(); it != x.cend(); ++it)
            if (!same(it.value(), y.value(it.key())))
                return false;
        return true;
    }
    return a.metaType() == b.metaType() && a == b;
}

void roundTrip(const QVariant &value, bool mustWrite)
{
    QString error;
    const auto bytes = PropertyList::write(value, &error);
    if (!bytes) {
        if (mustWrite)
            std::abort(); // a value that was read must be writable
        return;
    }
    const auto back = PropertyList::read(*bytes, &error);
    if (!back || !same(value, *back))
        std::abort();
}

class Builder
{
public:
    Builder(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    QVariant value(int depth)
    {
        switch (byte() % (depth > 6 ? 5 : 7)) {
        case 0: return string();
        case 1: return QVariant(qlonglong(word()));
        case 2: {
            double d;
            const quint64 bits = word();
            std::memcpy(&d, &bits, sizeof d);
            return d;
        }
        case 3: return byte() % 2 == 0;
        case 4: {
            QByteArray bytes;
            for (int n = byte() % 16; n > 0 && m_pos < m_size; --n)
                bytes.append(char(byte()));
            return bytes;
        }
        case 5: {
            QVariantList list;
            for (int n = byte() % 5; n > 0 && m_pos < m_size; --n)
                list.append(value(depth + 1));
            return list;
        }
        default: {
            QVariantMap map;
            for (int n = byte() % 5; n > 0 && m_pos < m_size; --n)
                map.insert(string(), value(depth + 1));
            return map;
        }
        }
    }

private:
    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    quint64 word()
    {
        quint64 w = 0;
        for (int i = 0; i < 8; ++i)
            w = (w << 8) | byte();
        return w;
    }
    QString string()
    {
        QString s;
        for (int n = byte() % 12; n > 0 && m_pos < m_size; --n) {
            const uint8_t kind = byte();
            // mostly ASCII, sometimes any UTF-16 code unit
            s.append(kind < 192 ? QChar(char16_t(kind % 128)) : QChar(char16_t((byte() << 8) | byte())));
        }
        return s;
    }

    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const auto value = PropertyList::read(bytes))
        roundTrip(*value, true);

    Builder builder(data, size);
    const QVariant built = builder.value(0);
    // Map keys XML cannot carry have no form; everything else must come back.
    roundTrip(built, false);
    return 0;
}
