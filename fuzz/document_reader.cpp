// Reads arbitrary bytes as a document: the XML reader (and, through the leading
// bytes, the dispatch) must answer without crashing, and a document it accepts
// must write and read back. Seeds include a document type declaration with nested
// entities and a tag with thousands of attributes: both are refused at once; and
// comments, text, CDATA sections, instructions and tags past their bounds, and
// attribute values of references, multi-byte characters and CR LF pairs, a long
// reference and an unterminated value: the guard counts them as they stream; a
// byte-order mark before the declaration, twice, after it, after the root and
// before an archive; and documents declaring another encoding whose last byte is
// past 0xBF.
#include "application/tree/DocumentFileFormat.h"

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
    // What was read can be written (unless the writer refuses it, as it must when a
    // text grew past the reader's bounds), and what is written reads again.
    if (!DocumentFileFormat::checkWritable(*result.root, result.store))
        return 0;
    const QByteArray written = DocumentFileFormat::toXmlData(*result.root, result.store);
    DocumentFileFormat::ReadResult again;
    if (!DocumentFileFormat::readXmlData(written, again))
        std::abort();
    if (again.root->childrenCount() != result.root->childrenCount())
        std::abort();
    return 0;
}
