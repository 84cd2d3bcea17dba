#include "application/tree/DocumentArchiveDecoder.h"

#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "application/tree/TableColumnData.h"
#include "platform/archive/ArchivedFoundationObjects.h"
#include "platform/archive/TypedStreamReader.h"

#include <QHash>
#include <algorithm>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

using namespace platform;

// What the document classes wrote (encodeWithCoder), in this order; one call may
// have written several fields as one group, so the fields are taken from the
// object's values in stream order, each checked against its type code:
//   Node: children "@" (a list), itemName "@", type "i", cDate "@", lDate "@",
//         hours "i", minutes "i", active "c"; from class version 160 on also
//         executed "c", descript "@", turnover "f", wage "f".
//   DocumentValuesStore: available "c", windowFrame
//         "{_NSRect={_NSPoint=ff}{_NSSize=ff}}", descriptVisible "c",
//         tableColumnArray "@".
//   TableColumnData: width "f", identifier "@".
// Colour label, parent and the drawer flag are not archived.

namespace {

// The version from which a Node archive holds executed, descript, turnover and wage.
constexpr qint64 NodeVersionWithDetails = 160;

using StorePtr = std::shared_ptr<DocumentValuesStore>;

// The window states that nodes held in the first place of their lists, each with its
// node (kept alive so that it can be told whether it stands in the document's tree):
// only the root of a document may hold one. A well-formed stream has one.
struct DecodedStores
{
    QHash<const Node *, std::pair<NodePtr, StorePtr>> byNode;
};

bool isDocumentClass(const TypedStreamClass &cls)
{
    return cls.isKindOf("Node") || cls.isKindOf("DocumentValuesStore") || cls.isKindOf("TableColumnData");
}

bool isFoundationClass(const TypedStreamClass &cls)
{
    static const char *const names[] = {"NSString", "NSArray", "NSDate", "NSTimeZone",
                                        "NSValue",  "NSData",  "NSDictionary"};
    for (const char *name : names) {
        if (cls.isKindOf(name))
            return true;
    }
    return false;
}

// The values of one object in stream order, taken one field at a time.
class FieldCursor
{
public:
    explicit FieldCursor(const TypedStreamObject &object) : m_values(object.values()) {}

    const TypedStreamValue *next(char typeCode)
    {
        if (m_index >= m_values.size() || m_values.at(m_index)->typeCode() != typeCode)
            return nullptr;
        return m_values.at(m_index++);
    }
    bool atEnd() const { return m_index == m_values.size(); }

private:
    QList<const TypedStreamValue *> m_values;
    qsizetype m_index = 0;
};

bool readInt(FieldCursor &c, int &out)
{
    const TypedStreamValue *v = c.next('i');
    if (!v || v->kind() != TypedStreamValue::Kind::Integer)
        return false;
    const qint64 i = v->toInteger();
    if (i < std::numeric_limits<int>::min() || i > std::numeric_limits<int>::max())
        return false;
    out = int(i);
    return true;
}

bool readFlag(FieldCursor &c, bool &out)
{
    const TypedStreamValue *v = c.next('c');
    if (!v)
        return false;
    out = v->toInteger() != 0;
    return true;
}

bool readFloat(FieldCursor &c, float &out)
{
    const TypedStreamValue *v = c.next('f');
    if (!v || !v->isNumber())
        return false;
    out = float(v->toReal());
    return true;
}

// An object field holding text: nil answers a null string.
bool readText(FieldCursor &c, QString &out)
{
    const TypedStreamValue *v = c.next('@');
    if (!v)
        return false;
    if (v->isNil()) {
        out = QString();
        return true;
    }
    const QVariant value = ArchivedFoundationObjects::valueOf(*v);
    if (value.typeId() != QMetaType::QString)
        return false;
    out = value.toString();
    return true;
}

// An object field holding a date: nil leaves the date as it is.
bool readDate(FieldCursor &c, QDateTime &out)
{
    const TypedStreamValue *v = c.next('@');
    if (!v)
        return false;
    if (v->isNil())
        return true;
    const QVariant value = ArchivedFoundationObjects::valueOf(*v);
    if (value.typeId() != QMetaType::QDateTime || !value.toDateTime().isValid())
        return false;
    out = value.toDateTime();
    return true;
}

// An object field holding a list: nil answers an empty list. The field's value goes
// to *field when asked.
bool readList(FieldCursor &c, QVariantList &out, const TypedStreamValue **field = nullptr)
{
    const TypedStreamValue *v = c.next('@');
    if (!v)
        return false;
    if (field)
        *field = v;
    if (v->isNil()) {
        out.clear();
        return true;
    }
    const QVariant value = ArchivedFoundationObjects::valueOf(*v);
    if (value.typeId() != QMetaType::QVariantList)
        return false;
    out = value.toList();
    return true;
}

NodePtr nodeIn(const QVariant &v)
{
    if (v.userType() != qMetaTypeId<NodePtr>())
        return nullptr;
    return v.value<NodePtr>();
}

bool decodeTableColumnData(TypedStreamObject &object)
{
    FieldCursor c(object);
    float width = 0;
    QString identifier;
    if (!readFloat(c, width) || !readText(c, identifier) || !c.atEnd())
        return false;
    TableColumnData column;
    column.setWidth(width);
    column.setIdentifier(identifier);
    object.setDecodedValue(QVariant::fromValue(column));
    return true;
}

bool decodeDocumentValuesStore(TypedStreamObject &object, TypedStreamReader &reader)
{
    FieldCursor c(object);
    bool available = false;
    bool descriptVisible = false;
    if (!readFlag(c, available))
        return false;
    const TypedStreamValue *frame = c.next('{');
    if (!frame)
        return false;
    const std::optional<QRectF> rect = ArchivedFoundationObjects::rectFrom(*frame);
    if (!rect)
        return false;
    QVariantList columnValues;
    if (!readFlag(c, descriptVisible) || !readList(c, columnValues) || !c.atEnd())
        return false;
    QList<TableColumnData> columns;
    for (const QVariant &v : columnValues) {
        if (v.userType() != qMetaTypeId<TableColumnData>())
            return false;
        columns.append(v.value<TableColumnData>());
    }
    if (!reader.hold(qsizetype(sizeof(DocumentValuesStore)) + 64))
        return false;
    auto store = std::make_shared<DocumentValuesStore>();
    store->setWindowFrame(*rect);
    store->setDescriptVisible(descriptVisible);
    store->setTableColumnArray(columns);
    // The setters above mark the store available; the archive's own flag decides.
    store->setAvailable(available);
    object.setDecodedValue(QVariant::fromValue(store));
    return true;
}

// What an allocation of `bytes` takes from the heap: the block and the allocator's
// word before it, in steps of 16 bytes, 32 at least.
constexpr qsizetype heapChunk(qsizetype bytes)
{
    return std::max<qsizetype>(32, (bytes + 8 + 15) & ~qsizetype(15));
}

// What a decoded node holds beside the values the reader charged: the node with the
// shared pointer's counts in one block, and, for a node with children, the list of
// them (made for them, it becomes the node's own). A node that holds a window state
// takes a place among the stores.
constexpr qsizetype HeldByNode = heapChunk(qsizetype(sizeof(Node) + 2 * sizeof(void *)));
constexpr qsizetype heldByChildren(qsizetype count)
{
    return count > 0 ? heapChunk(count * qsizetype(sizeof(NodePtr))) : 0;
}
constexpr qsizetype HeldByPlaceOfStore = qsizetype(sizeof(void *) + sizeof(std::pair<NodePtr, StorePtr>)) + 32;

// Makes each node of the list a child of `parent`: a node is decoded before any list
// holding it, so one that has a parent already stands in another list (or twice in
// this one), and the stream is refused. Nothing is changed then.
bool claimChildren(Node &parent, std::vector<NodePtr> &children)
{
    qsizetype claimed = 0;
    for (; claimed < qsizetype(children.size()); ++claimed) {
        Node &child = *children[size_t(claimed)];
        if (child.parent())
            break;
        child.setParent(&parent);
    }
    if (claimed == qsizetype(children.size())) {
        parent.adoptChildrenWhileReading(children);
        return true;
    }
    for (qsizetype i = 0; i < claimed; ++i)
        children[size_t(i)]->setParent(nullptr);
    return false;
}

bool decodeNode(TypedStreamObject &object, DecodedStores &stores, TypedStreamReader &reader)
{
    const std::optional<qint64> version = object.classVersion("Node");
    if (!version)
        return false;
    FieldCursor c(object);
    QVariantList children;
    const TypedStreamValue *childrenField = nullptr;
    QString itemName;
    int type = 0;
    // A nil date keeps the one a new node has (now); none is asked for otherwise, as
    // the local time it takes is looked up afresh each time.
    QDateTime cDate;
    QDateTime lDate;
    int hours = 0;
    int minutes = 0;
    bool active = false;
    if (!readList(c, children, &childrenField) || !readText(c, itemName) || !readInt(c, type) || !readDate(c, cDate)
        || !readDate(c, lDate) || !readInt(c, hours) || !readInt(c, minutes) || !readFlag(c, active))
        return false;
    if (type < Node::Job || type > Node::Root)
        return false;
    // The node, and its children's list.
    if (!reader.hold(HeldByNode + heldByChildren(children.size())))
        return false;
    bool executed = false;
    QString descript;
    float turnover = 0;
    float wage = 0;
    if (*version >= NodeVersionWithDetails) {
        if (!readFlag(c, executed) || !readText(c, descript) || !readFloat(c, turnover) || !readFloat(c, wage))
            return false;
    }
    // A later version may have appended fields of its own.
    if (*version <= NodeVersionWithDetails && !c.atEnd())
        return false;

    NodePtr node = cDate.isValid() && lDate.isValid() ? Node::create(Node::Job, cDate) : Node::create(Node::Job);
    node->setType(type);
    node->setItemName(itemName);
    if (cDate.isValid())
        node->setcDate(cDate);
    if (lDate.isValid())
        node->setlDate(lDate);
    // The wage first: for a time entry it recomputes the work time, which the stored
    // hours, minutes and turnover then replace.
    node->setWage(wage);
    node->setHours(hours);
    node->setMinutes(minutes);
    node->setTurnover(turnover);
    node->setActive(active);
    node->setExecuted(executed);
    if (!descript.isEmpty())
        node->setDescript(descript);

    // Its first place may hold the window state: the root of a document keeps it there.
    std::vector<NodePtr> nodes;
    nodes.reserve(size_t(children.size()));
    StorePtr store;
    for (qsizetype i = 0; i < children.size(); ++i) {
        const QVariant &v = children.at(i);
        if (NodePtr child = nodeIn(v))
            nodes.push_back(std::move(child));
        else if (i == 0 && v.userType() == qMetaTypeId<StorePtr>() && v.value<StorePtr>())
            store = v.value<StorePtr>();
        else
            return false;
    }
    if (!claimChildren(*node, nodes))
        return false;
    // The node holds its children itself from now on: the list stays in the read's
    // table as nothing, its value's place given back for a later value (a list of
    // nodes is never referred to again: each of them has its parent now, and a second
    // claim is refused alike).
    if (node->childrenCount() > 0) {
        children.clear();
        if (!reader.takeOver(*childrenField, QVariant()))
            return false;
    }
    if (store) {
        if (!reader.hold(HeldByPlaceOfStore))
            return false;
        stores.byNode.insert(node.get(), {node, store});
    }
    object.setDecodedValue(QVariant::fromValue(node));
    return true;
}

// Whether a node other than the root holds a window state within the root's tree.
bool storeBelowRoot(const DecodedStores &stores, const Node &root)
{
    for (const auto &[node, store] : std::as_const(stores.byNode)) {
        if (node.get() == &root)
            continue;
        const Node *top = node.get();
        while (top->parent())
            top = top->parent();
        if (top == &root)
            return true;
    }
    return false;
}

} // namespace

bool DocumentArchiveDecoder::decode(const QByteArray &bytes, DocumentFileFormat::ReadResult &out)
{
    return decode(bytes, out, nullptr);
}

bool DocumentArchiveDecoder::decode(const QByteArray &bytes, DocumentFileFormat::ReadResult &out, QString *error)
{
    return decode(bytes, out, error, Hold::DecodedValues);
}

qsizetype DocumentArchiveDecoder::memoryBound(qsizetype size)
{
    return size * DocumentFileFormat::ArchiveMemoryPerByte + TypedStreamReader::MemoryAllowance;
}

bool DocumentArchiveDecoder::decode(const QByteArray &bytes, DocumentFileFormat::ReadResult &out, QString *error,
                                    Hold hold, qsizetype *peakHeld)
{
    auto failed = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (bytes.size() > DocumentFileFormat::MaximumArchiveSize)
        return failed(QStringLiteral("file too large"));

    TypedStreamReader reader;
    TypedStreamReader::Limits limits;
    limits.maxInputSize = DocumentFileFormat::MaximumArchiveSize;
    limits.maxObjectDepth = 2 * DocumentFileFormat::MaximumDepth;
    limits.memoryPerStreamByte = DocumentFileFormat::ArchiveMemoryPerByte;
    reader.setLimits(limits);
    reader.setKeepDecodedGroups(hold == Hold::WholeArchive);
    ArchivedFoundationObjects::registerDecoders(reader, ArchivedFoundationObjects::Sharing::EqualValues);
    DecodedStores stores;
    reader.setClassDecoder("Node",
                           [&stores, &reader](TypedStreamObject &object) { return decodeNode(object, stores, reader); });
    reader.setClassDecoder("DocumentValuesStore",
                           [&reader](TypedStreamObject &object) { return decodeDocumentValuesStore(object, reader); });
    reader.setClassDecoder("TableColumnData", decodeTableColumnData);
    reader.setClassFilter([&reader](const TypedStreamClass &cls, const TypedStreamObject *enclosing) {
        // A list of the document (a node's children, the window state's columns, the
        // oldest layout's list of nodes) holds nodes, the window state and columns
        // alone: anything else in one is refused where it begins, not once the list
        // has been read (a list of millions of tiny objects or of lists in lists would
        // take the whole bound first).
        if (enclosing && enclosing->isKindOf("NSArray")) {
            const TypedStreamObject *holder = reader.enclosingObject(1);
            if (!holder || isDocumentClass(*holder->objectClass()))
                return isDocumentClass(cls);
        }
        if (isDocumentClass(cls) || isFoundationClass(cls))
            return true;
        // Other objects only inside Foundation objects (a time zone's own parts).
        return enclosing && !isDocumentClass(*enclosing->objectClass());
    });

    std::unique_ptr<TypedStreamArchive> archive = reader.read(bytes);
    if (peakHeld)
        *peakHeld = reader.peakHeld();
    if (!archive)
        return failed(reader.errorString());
    if (archive->groups().size() != 1 || archive->groups().first().types != "@")
        return failed(QStringLiteral("not an archived document"));
    const TypedStreamValue &top = archive->groups().first().values.first();
    if (top.kind() != TypedStreamValue::Kind::Object)
        return failed(QStringLiteral("not an archived document"));
    const QVariant topValue = ArchivedFoundationObjects::valueOf(top);
    // The nodes hold their children, and the values taken out hold the nodes; the
    // archive's records are given back before the tree is checked. (An undecoded top
    // object is only told apart below, never looked into.)
    archive.reset();

    NodePtr root;
    DocumentValuesStore store;
    if (NodePtr node = nodeIn(topValue)) {
        // The top object is decoded last: no list holds it. A root without a window
        // state keeps the default one.
        root = node;
        if (storeBelowRoot(stores, *root))
            return failed(QStringLiteral("malformed node tree"));
        if (const auto found = stores.byNode.constFind(root.get()); found != stores.byNode.constEnd())
            store = *found->second;
    } else if (topValue.typeId() == QMetaType::QVariantList) {
        // The oldest layout: a list of nodes under a new root.
        root = Node::create(Node::Root);
        std::vector<NodePtr> nodes;
        for (const QVariant &v : topValue.toList()) {
            NodePtr child = nodeIn(v);
            if (!child)
                return failed(QStringLiteral("the list holds something other than nodes"));
            nodes.push_back(std::move(child));
        }
        if (!claimChildren(*root, nodes) || storeBelowRoot(stores, *root))
            return failed(QStringLiteral("malformed node tree"));
    } else {
        return failed(QStringLiteral("the top object is neither a node nor a list of nodes"));
    }

    root->setAllParentValues();
    root->deactivedTimeNodeForTree();
    root->recalcWorkTimeForTree();
    out.root = std::move(root);
    out.store = std::move(store);
    return true;
}
