// Reads arbitrary bytes as a document: the XML reader (and, through the leading
// bytes, the dispatch) must answer without crashing, and a document it accepts
// must write and read back.
#include "application/DocumentFileFormat.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    DocumentFileFormat::ReadResult dispatched;
    DocumentFileFormat::readData(bytes, dispatched);

    DocumentFileFormat::ReadResult result;
    if (!DocumentFileFormat::readXmlData(bytes, result))
        return 0;
    if (!result.root || result.root->type() != Node::Root)
        std::abort();
    // What was read can be written, and what is written reads again.
    const QByteArray written = DocumentFileFormat::toXmlData(*result.root, result.store);
    DocumentFileFormat::ReadResult again;
    if (!DocumentFileFormat::readXmlData(written, again))
        std::abort();
    if (again.root->childrenCount() != result.root->childrenCount())
        std::abort();
    return 0;
}
