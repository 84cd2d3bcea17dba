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

#include <array>
#include <cstring>

DocumentFileFormat::Kind DocumentFileFormat::kindOfLeadingBytes(const QByteArray &leadingBytes)
{
    const QByteArrayView bytes(leadingBytes);
    // After a byte-order mark only XML may follow: an archive has none.
    if (bytes.startsWith(QByteArrayView(ByteOrderMark)))
        return bytes.size() >= 16 && bytes.sliced(5, 11) == "xml version" ? Kind::Xml : Kind::Unknown;
    if (bytes.size() < 13)
        return Kind::Unknown;
    const QByteArrayView marker = bytes.sliced(2, 11);
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

// Bytes no document holds, in any form: controls but tab, line feed and carriage
// return (no XML character), and bytes that never occur in UTF-8.
constexpr std::array<bool, 256> bytesNoDocumentHolds = [] {
    std::array<bool, 256> table{};
    for (int b = 0; b < 0x20; ++b)
        table[size_t(b)] = b != '\t' && b != '\n' && b != '\r';
    table[0xC0] = table[0xC1] = true;
    for (int b = 0xF5; b < 0x100; ++b)
        table[size_t(b)] = true;
    return table;
}();

// The length of the run of bytes at `p` that a document may hold: up to the first
// byte no document holds, or `end`. Eight bytes at a time while none is a control or
// outside ASCII.
qsizetype bytesADocumentMayHold(const char *begin, const char *end)
{
    constexpr quint64 ones = 0x0101010101010101ULL;
    constexpr quint64 highs = 0x8080808080808080ULL;
    const char *p = begin;
    while (end - p >= 8) {
        quint64 word;
        std::memcpy(&word, p, sizeof word);
        // A byte below 0x20 or above 0x7F somewhere in the word: look at each.
        if (((word - 0x20 * ones) | word) & highs) {
            for (int i = 0; i < 8; ++i) {
                if (bytesNoDocumentHolds[static_cast<unsigned char>(p[i])])
                    return (p - begin) + i;
            }
        }
        p += 8;
    }
    for (; p < end; ++p) {
        if (bytesNoDocumentHolds[static_cast<unsigned char>(*p)])
            break;
    }
    return p - begin;
}

// Whether the bytes from `start` on hold more start tags ('<' and a letter) than
// the elements the reader takes below the root, and the root. The device is left
// at `start`. The count stops at the first byte no document holds: both readers
// refuse the document there at the latest, so what follows (a disk's block of
// zeros, however long) is never looked at, and the time to the refusal does not
// grow with it.
bool moreStartTagsThanElements(QIODevice *device, qint64 start)
{
    constexpr qint64 limit = DocumentFileFormat::MaximumElementCount + 1;
    // Every start tag takes four bytes or more ("<a/>").
    if (device->size() - start <= 4 * limit)
        return false;
    qint64 tags = 0;
    bool afterOpen = false; // the last byte of the block before was '<'
    bool heldOnly = true;   // no byte so far that no document holds
    QByteArray block;
    while (tags <= limit && heldOnly) {
        block = device->read(1 << 20);
        if (block.isEmpty())
            break;
        const char *p = block.constData();
        const qsizetype held = bytesADocumentMayHold(p, p + block.size());
        heldOnly = held == block.size();
        const char *const end = p + held;
        if (p < end && afterOpen && ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z')))
            ++tags;
        while (p < end && (p = static_cast<const char *>(std::memchr(p, '<', size_t(end - p))))) {
            if (++p < end && ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z')))
                ++tags;
        }
        afterOpen = held > 0 && block.at(held - 1) == '<';
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
    switch (kindOfLeadingBytes(data.left(LeadingByteCount))) {
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
    const QByteArray leading = file.read(LeadingByteCount);
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
