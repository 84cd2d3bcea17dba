// Which reader reads a file, decided once: the leading bytes tell an XML document
// from an older archive; an XML document goes to the direct reader, which answers
// for the writer's form (read or refused) and hands any other form to the library's
// reader, which then answers alone. Nothing is read a second time after an answer.
#include "application/tree/DocumentFileFormat.h"

#include "application/tree/DocumentArchiveDecoder.h"
#include "application/tree/WrittenFormTokens.h"

#include "platform/foundation/RegularFile.h"

#include <QBuffer>
#include <QFile>

#include <cstring>

DocumentFileFormat::Kind DocumentFileFormat::kindOfLeadingBytes(const QByteArray &leadingBytes)
{
    if (leadingBytes.size() < 13)
        return Kind::Unknown;
    const QByteArrayView marker = QByteArrayView(leadingBytes).sliced(2, 11);
    if (marker == "xml version")
        return Kind::Xml;
    if (marker == "typedstream" || marker == "streamtyped")
        return Kind::Archive;
    return Kind::Unknown;
}

bool DocumentFileFormat::readXmlData(const QByteArray &data, ReadResult &out)
{
    if (data.size() > MaximumFileSize)
        return false;
    // Through a device the reader decodes the bytes in small blocks instead of
    // holding a UTF-16 copy of the whole document.
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return false;
    return readXmlDevice(&buffer, out);
}

namespace {

// Whether the bytes from `start` on hold more start tags ('<' and a letter) than
// the elements the reader takes below the root, and the root. The device is left
// at `start`.
bool moreStartTagsThanElements(QIODevice *device, qint64 start)
{
    constexpr qint64 limit = DocumentFileFormat::MaximumElementCount + 1;
    // Every start tag takes four bytes or more ("<a/>").
    if (device->size() - start <= 4 * limit)
        return false;
    qint64 tags = 0;
    bool afterOpen = false; // the last byte of the block before was '<'
    QByteArray block;
    while (tags <= limit) {
        block = device->read(1 << 20);
        if (block.isEmpty())
            break;
        const char *p = block.constData();
        const char *const end = p + block.size();
        if (afterOpen && ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z')))
            ++tags;
        while ((p = static_cast<const char *>(std::memchr(p, '<', size_t(end - p))))) {
            if (++p < end && ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z')))
                ++tags;
        }
        afterOpen = block.back() == '<';
    }
    device->seek(start);
    return tags > limit;
}

} // namespace

bool DocumentFileFormat::readXmlDevice(QIODevice *device, ReadResult &out)
{
    // The form the writer makes is read directly, which also refuses what no XML
    // reader would take; any other form, from the start again, through the XML
    // library (a sequential device cannot start again).
    if (!device->isSequential()) {
        const qint64 start = device->pos();
        // A document that may hold more elements than the bound has them counted
        // first, without a tree: one past the bound is refused before its nodes
        // take memory (a file of the writer's form that large is past its size
        // bound: only a made-up file gets here).
        if (moreStartTagsThanElements(device, start)) {
            WrittenFormTokens tokens(device);
            const qint64 elements = tokens.countElements(MaximumElementCount);
            if (tokens.refused() || elements > MaximumElementCount || !device->seek(start))
                return false;
            if (tokens.handedOver() && !tokens.pastABound())
                return readXmlWithLibrary(device, out);
        }
        bool handedOver = false;
        if (readWrittenForm(device, out, &handedOver))
            return true;
        if (!handedOver || !device->seek(start))
            return false;
    }
    return readXmlWithLibrary(device, out);
}

bool DocumentFileFormat::readArchiveData(const QByteArray &data, ReadResult &out)
{
    return DocumentArchiveDecoder::decode(data, out);
}

bool DocumentFileFormat::readData(const QByteArray &data, ReadResult &out)
{
    switch (kindOfLeadingBytes(data.left(13))) {
    case Kind::Xml:
        return readXmlData(data, out);
    case Kind::Archive:
        return data.size() <= MaximumArchiveSize && readArchiveData(data, out);
    case Kind::Unknown:
        break;
    }
    return false;
}

bool DocumentFileFormat::readFromFile(const QString &path, const QString &typeName, ReadResult &out)
{
    if (typeName != TypeName)
        return false;
    // Not a pipe or device: opening a pipe waits for a writer.
    QFile file;
    if (!platform::RegularFile::openForReading(file, path))
        return false;
    return readFromOpenFile(file, out);
}

bool DocumentFileFormat::readFromOpenFile(QFile &file, ReadResult &out)
{
    if (!file.seek(0))
        return false;
    const qint64 size = file.size();
    if (size > MaximumFileSize)
        return false;
    const QByteArray leading = file.read(13);
    switch (kindOfLeadingBytes(leading)) {
    case Kind::Xml:
        // Streamed from the file: the document never sits in memory as a whole.
        if (!file.seek(0))
            return false;
        return readXmlDevice(&file, out);
    case Kind::Archive: {
        // The size first: an archive is decoded from memory.
        if (size > MaximumArchiveSize || !file.seek(0))
            return false;
        const QByteArray data = file.readAll();
        if (data.size() > MaximumArchiveSize)
            return false;
        return readArchiveData(data, out);
    }
    case Kind::Unknown:
        break;
    }
    return false;
}
