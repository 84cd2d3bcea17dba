#include "FoundationExtensions/NTXStringHash.h"

quint32 NTXStringHash(const char *bytes, qsizetype length)
{
    quint32 h = 0;
    if (!bytes)
        return h;
    for (qsizetype i = 0; i < length; ++i) {
        h = (h << 4) + quint32(static_cast<unsigned char>(bytes[i]));
        h ^= (h >> 24) & 0xF0u;
    }
    return h;
}

quint32 NTXStringHash(const QByteArray &bytes)
{
    return NTXStringHash(bytes.constData(), bytes.size());
}
