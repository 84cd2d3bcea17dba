// Fuzz target: the sequential archive reader with the Foundation decoders, the
// archives nested in data objects, and the document decoder on the same bytes, which
// must answer alike whether it holds the whole archive or the decoded values alone.
#include "application/tree/DocumentArchiveDecoder.h"
#include "platform/archive/ArchivedFoundationObjects.h"
#include "platform/archive/TypedStreamReader.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace platform;

namespace {

void walk(const QVariant &value, int depth);

void walkValue(const TypedStreamValue &v, int depth)
{
    (void)v.toVariant();
    walk(ArchivedFoundationObjects::valueOf(v), depth);
}

void walk(const QVariant &value, int depth)
{
    if (depth > 8)
        return;
    if (value.typeId() == QMetaType::QByteArray && TypedStreamReader::hasSignature(value.toByteArray())) {
        // Data holding an archive of its own.
        if (auto nested = ArchivedFoundationObjects::read(value.toByteArray()))
            for (const TypedStreamGroup &g : nested->groups())
                for (const TypedStreamValue &v : g.values)
                    walkValue(v, depth + 1);
    } else if (value.typeId() == QMetaType::QVariantList) {
        for (const QVariant &e : value.toList())
            walk(e, depth + 1);
    } else if (value.typeId() == QMetaType::QVariantMap) {
        for (const QVariant &e : value.toMap())
            walk(e, depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    TypedStreamReader generic;
    if (auto archive = generic.read(bytes)) {
        for (qsizetype i = 0; i < archive->objectCount(); ++i)
            (void)archive->objectAt(i)->values();
        (void)archive->classNames();
    }

    if (auto archive = ArchivedFoundationObjects::read(bytes)) {
        for (const TypedStreamGroup &g : archive->groups())
            for (const TypedStreamValue &v : g.values)
                walkValue(v, 0);
        (void)ArchivedFoundationObjects::colorListEntries(*archive);
    }

    DocumentFileFormat::ReadResult out;
    QString error;
    const bool read = DocumentArchiveDecoder::decode(bytes, out, &error);
    DocumentFileFormat::ReadResult whole;
    QString wholeError;
    const bool readWhole
        = DocumentArchiveDecoder::decode(bytes, whole, &wholeError, DocumentArchiveDecoder::Hold::WholeArchive);
    if (read != readWhole || error != wholeError)
        std::abort();
    if (read && DocumentFileFormat::toXmlData(*out.root, out.store) != DocumentFileFormat::toXmlData(*whole.root, whole.store))
        std::abort();
    return 0;
}
