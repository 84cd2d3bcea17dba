// The library's reader: any XML, through QXmlStreamReader behind the markup guard,
// which stops the bytes at the first one past a bound before the library buffers it.
#include "application/tree/DocumentFileFormat.h"

#include "application/tree/XmlDocumentReader.h"
#include "application/tree/XmlMarkupGuardDevice.h"

#include <QXmlStreamReader>

#include <utility>

bool DocumentFileFormat::readXmlWithLibrary(QIODevice *device, ReadResult &out)
{
    XmlMarkupGuardDevice guarded(device, documentMarkupBounds());
    QXmlStreamReader xml(&guarded);
    xml.setNamespaceProcessing(false);
    XmlDocumentReader<QXmlStreamReader> reader(xml);
    ReadResult result;
    // A refusal ends the bytes: what came before may still parse as a whole.
    if (!reader.read(result) || guarded.refused())
        return false;
    out = std::move(result);
    return true;
}
