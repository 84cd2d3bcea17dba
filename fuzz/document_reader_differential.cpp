// The same bytes through the direct reader of the writer's form and through the XML
// library's reader: unless the direct reader hands the bytes over, both accept them
// with the same document (the same written form) or both refuse them. Seeds are
// documents as the writer makes them with values of references, multi-byte
// characters and empty tags, and near misses the direct reader must hand over or
// refuse exactly as the library does: a tab in a value, a mismatched end tag, an
// attribute twice, markup after the root, a character reference to a control.
#include "application/tree/DocumentFileFormat.h"
#include "platform/foundation/Clock.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool readWith(bool direct, const QByteArray &bytes, DocumentFileFormat::ReadResult &out, bool *handedOver)
{
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        std::abort();
    return direct ? DocumentFileFormat::readWrittenForm(&buffer, out, handedOver)
                  : DocumentFileFormat::readXmlWithLibrary(&buffer, out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    // A node without a date of its own is dated at the moment of reading: the same
    // moment for both readers.
    if (!platform::Clock::isFrozen())
        platform::Clock::setNow(QDateTime::currentDateTimeUtc());
    DocumentFileFormat::ReadResult direct;
    bool handedOver = false;
    const bool directRead = readWith(true, bytes, direct, &handedOver);

    if (handedOver) {
        if (directRead || direct.root)
            std::abort(); // handed over, yet read
        return 0;
    }
    DocumentFileFormat::ReadResult library;
    const bool libraryRead = readWith(false, bytes, library, nullptr);
    if (directRead != libraryRead)
        std::abort();
    if (directRead
        && DocumentFileFormat::toXmlData(*direct.root, direct.store)
               != DocumentFileFormat::toXmlData(*library.root, library.store))
        std::abort();
    return 0;
}
