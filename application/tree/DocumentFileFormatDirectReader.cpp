// The direct reader: a document in the form the writer makes, read straight from its
// bytes in one pass (WrittenFormTokens). It answers for every document of that form,
// and refuses what is no XML as the library's reader would; any other form it hands
// over. Where it stops at one of the bounds the library's markup guard holds, the
// guard decides: its refusal is the library's, so the document is refused without
// being parsed again.
#include "application/tree/DocumentFileFormat.h"

#include "application/tree/WrittenFormTokens.h"
#include "application/tree/XmlDocumentReader.h"
#include "application/tree/XmlMarkupGuardDevice.h"

#include <utility>
#include <vector>

namespace {

// Whether the markup guard of the library's reader refuses the bytes from `start`
// on: they pass it in blocks, kept nowhere.
bool guardRefuses(QIODevice *device, qint64 start)
{
    if (!device->seek(start))
        return false;
    XmlMarkupGuardDevice guarded(device, documentMarkupBounds());
    std::vector<char> block(size_t(1) << 20);
    while (guarded.read(block.data(), qint64(block.size())) > 0) {
    }
    return guarded.refused();
}

} // namespace

bool DocumentFileFormat::readWrittenForm(QIODevice *device, ReadResult &out, bool *handedOver)
{
    const qint64 start = device->pos();
    WrittenFormTokens tokens(device);
    XmlDocumentReader<WrittenFormTokens> reader(tokens);
    ReadResult result;
    const bool read = reader.read(result);
    bool otherForm = tokens.handedOver();
    if (tokens.pastABound() && !device->isSequential() && guardRefuses(device, start))
        otherForm = false;
    if (handedOver)
        *handedOver = otherForm;
    if (!read || tokens.handedOver())
        return false;
    out = std::move(result);
    return true;
}
