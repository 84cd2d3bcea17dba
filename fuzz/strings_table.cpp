// Fuzz target: string tables in the ".strings" syntax, as bytes of a file (with
// encoding detection) and as text.
#include "platform/foundation/Bundle.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    if (auto table = platform::Bundle::parseStringsData(bytes)) {
        // Every parsed table must survive lookups.
        for (auto it = table->cbegin(); it != table->cend(); ++it)
            (void)table->value(it.key());
    }
    (void)platform::Bundle::parseStrings(QString::fromLatin1(bytes));
    return 0;
}
