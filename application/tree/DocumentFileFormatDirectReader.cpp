// The direct reader: a document in the form the writer makes, read straight from its
// bytes in one pass (WrittenFormTokens), behind the markup guard of the library's
// reader. It answers for every document of that form, and refuses what is no XML or
// breaks a bound as the library's reader would; any other form it hands over.
#include "application/tree/DocumentFileFormat.h"

#include "application/tree/WrittenFormTokens.h"
#include "application/tree/XmlDocumentReader.h"
#include "application/tree/XmlMarkupGuardDevice.h"

#include <utility>

bool DocumentFileFormat::readWrittenForm(QIODevice *device, ReadResult &out, bool *handedOver)
{
    // The guard's refusal ends the bytes with a failed read, which the tokens take
    // for a refusal: the library's reader, behind the same guard, would refuse too.
    XmlMarkupGuardDevice guarded(device, documentMarkupBounds());
    WrittenFormTokens tokens(&guarded);
    XmlDocumentReader<WrittenFormTokens> reader(tokens);
    ReadResult result;
    const bool read = reader.read(result);
    if (handedOver)
        *handedOver = tokens.handedOver();
    if (!read || tokens.handedOver())
        return false;
    out = std::move(result);
    return true;
}
