// Whether the reader would take what the writer makes of a tree: the reader's bounds
// checked on the tree before a byte is written, with the reason of a refusal.
#include "application/tree/DocumentFileFormat.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/DisplayText.h"
#include "platform/foundation/XmlEntities.h"

namespace {

// The length of a text after the entity conversion of the writer: what the reader
// sees as the attribute's value.
qsizetype convertedLength(const QString &text)
{
    // Every character becomes at most six ("&quot;").
    if (text.size() <= DocumentFileFormat::MaximumAttributeLength / 6)
        return text.size();
    return platform::XmlEntities::escaped(text).size();
}

// The references the XML writer makes of a text after the entity conversion: one
// per character the conversion turns into an entity (its "&" is escaped again) and
// one per tab, line feed and carriage return. Counts a little high for a text
// written without the conversion (an apostrophe stays as it is there).
qint64 writtenReferences(const QString &text)
{
    qint64 count = 0;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"': case u'&': case u'\'': case u'<': case u'>': case u'\t': case u'\n': case u'\r':
            ++count;
            break;
        default:
            break;
        }
    }
    return count;
}

// What a reason quotes of a name: its beginning, enough to find the node by.
constexpr qsizetype NamedLength = 80;

QString nodeLabel(const Node &node)
{
    return node.itemName().isEmpty() ? Node::xmlTypeName(node.type())
                                     : platform::DisplayText::setInText(node.itemName(), NamedLength);
}

// A character as a person looks it up: U+ and its code in hexadecimal.
QString codePoint(char16_t unit)
{
    return QStringLiteral("U+%1").arg(uint(unit), 4, 16, QLatin1Char('0')).toUpper();
}

struct WritableCheck
{
    qint64 elements = 0;
    QString reason;
    // The first name or description with a character the file cannot hold, when asked.
    QString *replaced = nullptr;

    void lookForUnwritable(const Node &n)
    {
        if (!replaced || !replaced->isEmpty())
            return;
        const char *const fields[] = {"LSFieldName", "LSFieldDescription"};
        const QString *texts[] = {&n.itemName(), &n.descript()};
        for (int i = 0; i < 2; ++i) {
            const qsizetype at = DocumentFileFormat::unwritableAt(*texts[i]);
            if (at < 0)
                continue;
            *replaced = platform::localized(QStringLiteral("LSTextCharacterReplaced"))
                            .arg(platform::localized(QString::fromLatin1(fields[i])), nodeLabel(n),
                                 codePoint(texts[i]->at(at).unicode()));
            return;
        }
    }

    bool node(const Node &n, int elementDepth)
    {
        if (elementDepth > DocumentFileFormat::MaximumDepth)
            return fail(platform::localized(QStringLiteral("LSDocumentTooDeep"))
                            .arg(nodeLabel(n), QString::number(DocumentFileFormat::MaximumDepth - 2)));
        if (++elements > DocumentFileFormat::MaximumElementCount)
            return fail(platform::localized(QStringLiteral("LSDocumentTooManyItems"))
                            .arg(DocumentFileFormat::MaximumElementCount));
        if (!attribute(n.itemName(), n) || !attribute(n.descript(), n))
            return false;
        lookForUnwritable(n);
        if (writtenReferences(n.itemName()) + writtenReferences(n.descript()) > DocumentFileFormat::MaximumReferencesPerTag)
            return fail(platform::localized(QStringLiteral("LSTextTooManyMarksToWrite"))
                            .arg(nodeLabel(n), QString::number(DocumentFileFormat::MaximumReferencesPerTag)));
        for (qsizetype i = 0; i < n.childrenCount(); ++i)
            if (const NodePtr child = n.childAtIndex(i); child && !node(*child, elementDepth + 1))
                return false;
        return true;
    }

    bool attribute(const QString &text, const Node &n)
    {
        if (convertedLength(text) <= DocumentFileFormat::MaximumAttributeLength)
            return true;
        return fail(platform::localized(QStringLiteral("LSTextTooLongToWrite"))
                        .arg(nodeLabel(n), QString::number(DocumentFileFormat::MaximumAttributeLength)));
    }

    bool fail(const QString &why)
    {
        reason = why;
        return false;
    }
};

bool setReason(QString *errorReason, const QString &reason)
{
    if (errorReason)
        *errorReason = reason;
    return false;
}

} // namespace

bool DocumentFileFormat::checkWritable(const Node &root, const DocumentValuesStore &store, QString *errorReason,
                                       QString *replaced)
{
    WritableCheck check;
    if (replaced)
        replaced->clear();
    check.replaced = replaced;
    // "Chronark" is depth 1, the root node's "document" depth 2.
    if (!check.node(root, 2))
        return setReason(errorReason, check.reason);
    // "documentValues", "tableColumnArray" and one element per column.
    check.elements += 2 + store.tableColumnArray().size();
    if (check.elements > MaximumElementCount)
        return setReason(errorReason, platform::localized(QStringLiteral("LSDocumentTooManyItems")).arg(MaximumElementCount));
    for (const TableColumnData &column : store.tableColumnArray()) {
        if (column.identifier().size() > MaximumAttributeLength / 6)
            return setReason(errorReason, platform::localized(QStringLiteral("LSTextTooLongToWrite"))
                                              .arg(platform::DisplayText::setInText(column.identifier(), NamedLength),
                                                   QString::number(MaximumAttributeLength)));
        if (writtenReferences(column.identifier()) > MaximumReferencesPerTag)
            return setReason(errorReason, platform::localized(QStringLiteral("LSTextTooManyMarksToWrite"))
                                              .arg(platform::DisplayText::setInText(column.identifier(), NamedLength),
                                                   QString::number(MaximumReferencesPerTag)));
    }
    return true;
}
