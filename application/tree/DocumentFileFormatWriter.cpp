// Writing a document: the XML of the tree and the window state, streamed into the
// save file and committed atomically; a commit removes what earlier saves of the
// file that were killed left beside it (platform::SaveFile records their names).
#include "application/tree/DocumentFileFormat.h"

#include "application/tree/DocumentOutputDevice.h"
#include "application/tree/DocumentXmlWriter.h"
#include "platform/foundation/SaveFile.h"
#include "platform/foundation/SaveFileLeftovers.h"

#include <QBuffer>
#include <QXmlStreamWriter>

namespace {

bool setReason(QString *errorReason, const QString &reason)
{
    if (errorReason)
        *errorReason = reason;
    return false;
}

template <class Writer>
void writeElements(Writer &writer, const Node &root, const DocumentValuesStore &store)
{
    writer.writeStartElement(QStringLiteral("Chronark"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("2.0"));
    root.nodeTreeAsXMLElementTreeWithFlags(writer, 0);
    store.encodeAsXMLElement(writer);
    writer.writeEndElement();
    writer.writeEndDocument();
}

} // namespace

void DocumentFileFormat::writeDocument(QXmlStreamWriter &writer, const Node &root, const DocumentValuesStore &store)
{
    writer.setAutoFormatting(true);
    writer.writeStartDocument(QStringLiteral("1.0"));
    writeElements(writer, root, store);
}

void DocumentFileFormat::writeDocument(DocumentXmlWriter &writer, const Node &root, const DocumentValuesStore &store)
{
    writer.writeStartDocument();
    writeElements(writer, root, store);
}

QByteArray DocumentFileFormat::toXmlData(const Node &root, const DocumentValuesStore &store)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    DocumentXmlWriter writer(&buffer);
    writeDocument(writer, root, store);
    return data;
}

bool DocumentFileFormat::writeToFile(const QString &path, const QString &typeName, const Node &root,
                                     const DocumentValuesStore &store, QString *errorReason,
                                     const std::function<bool(const platform::SaveFile::Written &)> &replaceCheck,
                                     QString *replaced)
{
    if (typeName != TypeName)
        return setReason(errorReason, QString());
    if (!checkWritable(root, store, errorReason, replaced))
        return false;
    // A link at the path is followed: the file it names is the document's.
    platform::SaveFile file(path, platform::SaveFile::FinalLink::Follow);
    file.setRecordFolder(platform::SaveFileLeftovers::defaultRecordFolder());
    file.setReplaceCheck(replaceCheck);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return setReason(errorReason, file.errorString());
    // Streamed: the document never sits in memory as a whole.
    DocumentOutputDevice output(&file, MaximumFileSize);
    DocumentXmlWriter writer(&output);
    writeDocument(writer, root, store);
    if (!output.flushToTarget() || writer.hasError()) {
        const QString reason = output.failed() ? output.failureReason() : file.errorString();
        file.cancelWriting();
        return setReason(errorReason, reason);
    }
    if (!file.commit())
        return setReason(errorReason, file.errorString());
    return true;
}
