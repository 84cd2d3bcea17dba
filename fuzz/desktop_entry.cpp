// Fuzz target: desktop entry files as outside bytes. Parses them; every Exec value
// that reads as arguments must read the same after quoting them again; and the
// input split at NUL bytes, taken as arguments, must survive quoting then unquoting.
#include "platform/foundation/DesktopEntry.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using platform::DesktopEntry;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    if (auto entry = DesktopEntry::parse(bytes)) {
        if (auto arguments = DesktopEntry::execArguments(entry->value(QStringLiteral("Exec")))) {
            if (DesktopEntry::execArguments(DesktopEntry::execLine(*arguments)) != *arguments)
                std::abort();
        }
        if (DesktopEntry::parse(entry->toBytes()) == std::nullopt)
            std::abort();
    }
    QStringList arguments;
    for (const QByteArray &part : bytes.split('\0'))
        arguments.append(QString::fromUtf8(part));
    if (DesktopEntry::execArguments(DesktopEntry::execLine(arguments)) != arguments)
        std::abort();
    return 0;
}
