// Fuzz target: live-link data and bus names from outside bytes. The bytes go
// through the bounded reader and check; accepted data must give its menu title and
// survive writing and reading again; the bytes as a format are filled once. Split at
// NUL bytes into four strings (UTF-8, or UTF-16 when the first byte is odd), the
// pairs (1, 2) and (3, 4) must give valid bus names, different when the pairs differ.
#include "components/livelink/LiveLinkConnectionName.h"
#include "components/livelink/LiveLinkData.h"
#include "components/livelink/LiveLinkStrings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QString textOf(const QByteArray &part, bool utf16)
{
    if (!utf16)
        return QString::fromUtf8(part);
    return QString(reinterpret_cast<const QChar *>(part.constData()), part.size() / 2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const std::optional<QVariantMap> read = LiveLinkData::fromBytes(bytes)) {
        (void)LiveLinkData::liveLinkEditMenuTitle(*read);
        (void)LiveLinkData::liveLinkApplicationURL(*read);
        const std::optional<QByteArray> written = LiveLinkData::toBytes(*read);
        if (!written || !LiveLinkData::fromBytes(*written))
            std::abort();
    }
    // Filled with nothing, a format only loses its "%@" and half of each "%%".
    const QString format = QString::fromUtf8(bytes);
    if (LiveLinkStrings::fill(format, {}).size() > format.size())
        std::abort();

    const bool utf16 = size > 0 && (data[0] & 1);
    QList<QByteArray> parts = QByteArray(bytes.mid(utf16 ? 1 : 0)).split('\0');
    while (parts.size() < 4)
        parts.append(QByteArray());
    const QString a = textOf(parts[0], utf16), b = textOf(parts[1], utf16);
    const QString c = textOf(parts[2], utf16), d = textOf(parts[3], utf16);
    const QString first = LiveLinkServerConnectionName(a, b);
    const QString second = LiveLinkServerConnectionName(c, d);
    if (!LiveLinkConnectionName::isValidBusName(first) || !LiveLinkConnectionName::isValidBusName(second))
        std::abort();
    if ((first == second) != (a == c && b == d))
        std::abort();
    return 0;
}
