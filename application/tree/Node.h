#pragma once
// One node of a document's time tree: the document root (type 4), groups (3),
// jobs (0), day entries (1) under jobs and time entries (2) under days. Every node
// carries hours, minutes and a turnover; the operations below keep the sums of
// days, jobs and groups consistent with their time entries.
//
// Nodes are shared (NodePtr): a parent list, an undo step or a drag may hold one.
// The parent link and the delegate are plain pointers, sharing one word: a node with
// a parent holds no delegate (only the delegate of the root of a tree is ever asked).
// The parent link never dangles: removal from the parent clears it, and so does the
// parent's end. Each child knows its position in its parent, so finding it takes no
// scan of its siblings.
//
// Changes of a document's tree are reported to the document root's delegate:
// insertions and removals before and after they happen, and every key that
// changes its value (see NodeDelegate). Before a node changes a value or its list of
// children, it tells the snapshots being taken on its thread (NodeSnapshot). GUI
// thread only; nothing here is locked (a tree being read may be built on another
// thread and handed over).
#include "platform/foundation/KeyValueObserving.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>
#include <limits>
#include <memory>
#include <vector>

class Node;
class NodeDelegate;
class QXmlStreamAttributes;
class QXmlStreamWriter;
class DocumentXmlWriter;

namespace platform {
class UndoManager;
}

using NodePtr = std::shared_ptr<Node>;
// A shared pointer is two plain pointers that nothing points back at: it may be moved
// as bytes, so that a QVariant holds a node in place rather than in a block of its own
// (a list read from an older archive holds one for each of hundreds of thousands).
Q_DECLARE_TYPEINFO(NodePtr, Q_RELOCATABLE_TYPE);

// Adds hours and minutes, carrying whole hours out of the minutes. The division
// truncates toward zero, so a negative total keeps a negative remainder. The sums
// wrap around like 32-bit integers.
void addTimeWithCarry(int *hours, int *minutes, int hoursToAdd, int minutesToAdd);

class Node : public platform::KeyValueObservable, public std::enable_shared_from_this<Node>
{
public:
    enum Type : int { Job = 0, Day = 1, TimeEntry = 2, Group = 3, Root = 4 };

    // Writer flags: leave out time entries (1); leave out day entries with everything
    // below them (2).
    enum XMLFlags : int { WithoutTimeEntries = 1, WithoutDayEntries = 2 };

    // A job with both dates set to now.
    Node();
    // A job with both dates set to the given moment.
    explicit Node(const QDateTime &created);
    ~Node() override;

    static NodePtr create(int type = Job);
    static NodePtr create(int type, const QDateTime &created);

    // The smallest set of the given nodes that contains every given node or one of its
    // ancestors, in the order in which each topmost selected ancestor was first reached.
    static QList<NodePtr> minimumNodeCoverFromNodesInArray(const QList<NodePtr> &nodes);

    // Accessors. Every setter of a key (itemName, type, hours, minutes, cDate, lDate,
    // active, executed, turnover, wage, colorLabel, descript) tells the key's
    // observers once when the value changes, and nothing when it is equal already
    // (a date or text counts as equal only with the same offset and null state).
    const QString &itemName() const { return m_itemName; }
    void setItemName(const QString &name);
    int type() const { return m_type; }
    void setType(int type);
    int hours() const { return m_hours; }
    void setHours(int hours);
    int minutes() const { return m_minutes; }
    void setMinutes(int minutes);
    const QDateTime &cDate() const { return m_cDate; }
    void setcDate(const QDateTime &date);
    const QDateTime &lDate() const { return m_lDate; }
    void setlDate(const QDateTime &date);
    Node *parent() const { return (m_link & DelegateTag) ? nullptr : reinterpret_cast<Node *>(m_link); }
    // The shared pointer that owns the node; null for null or a node none owns.
    static NodePtr shared(Node *node) { return node ? node->weak_from_this().lock() : NodePtr(); }
    // Links the node to the parent; a parent takes the place of the delegate the node
    // holds, if any (see setDelegate). Null clears a parent link and leaves a delegate
    // as it is.
    void setParent(Node *parent)
    {
        if (parent || !(m_link & DelegateTag))
            m_link = reinterpret_cast<quintptr>(parent);
    }
    bool active() const { return m_active; }
    void setActive(bool active);
    bool executed() const { return m_executed; }
    void setExecuted(bool executed);
    float turnover() const { return m_turnover; }
    void setTurnover(float turnover);
    float wage() const { return m_wage; }
    // A time entry then recomputes its work time.
    void setWage(float wage);
    // A number, or a text read for its leading decimal number.
    void setWage(const QVariant &wage);
    int colorLabel() const { return m_colorLabel; }
    // Undoable and reported to the document (see setDescript).
    void setColorLabel(int label);
    const QString &descript() const { return m_descript; }
    // Registers the old description for undo with the document's undo manager, stores
    // the new one and reports the change to the document's delegate. Every node of a
    // document reaches the document root's delegate. The description the node has
    // already changes nothing (no step, no report).
    void setDescript(const QString &descript);
    bool hasDescript() const { return !m_descript.isEmpty(); }
    // The delegate of a node without a parent (the one a document root reports its
    // tree's changes to). A node with a parent keeps it and holds no delegate:
    // setDelegate then stores nothing and delegate() answers null.
    NodeDelegate *delegate() const
    {
        return (m_link & DelegateTag) ? reinterpret_cast<NodeDelegate *>(m_link & ~DelegateTag) : nullptr;
    }
    void setDelegate(NodeDelegate *delegate)
    {
        if (!parent())
            m_link = delegate ? reinterpret_cast<quintptr>(delegate) | DelegateTag : 0;
    }

    // Tree. Indexes outside the list raise platform::Exception (RangeException).
    void addChild(const NodePtr &child);
    void addChild(const NodePtr &child, qsizetype index);
    // Inserts the nodes at the index in their order, then makes the receiver the
    // parent of every child.
    void insertChildren(const QList<NodePtr> &children, qsizetype index);
    // Removes every occurrence of the child and clears its parent link.
    void delChild(const NodePtr &child);
    void delChild(const Node *child);
    // Removes the children at the indexes (ascending, each once) and clears their parent
    // links; the delegate hears of each run of neighbouring ones as one removal. Answers
    // the nodes removed, in order.
    QList<NodePtr> removeChildrenAt(const QList<qsizetype> &indexes);
    // Puts the nodes in at the indexes (ascending: each the position the node takes in
    // the list it ends up in), a run of neighbouring ones as one insertion: what
    // removeChildrenAt() took out comes back at its places.
    void insertChildrenAt(const QList<NodePtr> &nodes, const QList<qsizetype> &indexes);
    // Whether the indexes ascend, each once, within a list of the given length.
    static bool ascendingWithin(const QList<qsizetype> &indexes, qsizetype length);
    // The children of a node being read, appended at once and in order, which have no
    // parent yet and stand in no list twice; nothing is announced. Empties the list
    // (a list with no room to spare, given to a node without children, becomes its own).
    void adoptChildrenWhileReading(std::vector<NodePtr> &children);
    NodePtr childAtIndex(qsizetype index) const;
    // The child at the index, not shared (the same bounds).
    Node *childPointerAt(qsizetype index) const;
    qsizetype childrenCount() const { return qsizetype(m_children.size()); }
    // Index of the child (its first occurrence), -1 when it is not a child.
    qsizetype indexOfChild(const Node *child) const;
    // The children in order.
    QList<NodePtr> childEnumerator() const;
    QList<NodePtr> children() const { return childEnumerator(); }
    bool expandable() const { return !m_children.empty(); }

    void setAllParentValues();
    // The index before the first child whose creation date is later than the node's.
    qsizetype insertIndexForChild(const Node &child) const;
    // Whether the node is the receiver or one of its ancestors.
    bool isDescendantOfNode(const Node *node) const;
    bool isDescendantOfNodeInArray(const QList<NodePtr> &nodes) const;
    // Whether the node is a child of the receiver or, through groups only, of one of
    // its child groups.
    bool nodeIsMemberOfTree(const Node *node) const;
    void fillArrayWithJobNodes(QList<NodePtr> &jobs) const;
    NodePtr getActiveNode() const;
    Node *masterNode();
    Node *getRootObject();
    // The document root above the receiver (or the receiver): the topmost node of the
    // chain when it has type 4; none otherwise.
    Node *documentRoot();
    NodePtr getDayNode(const QDateTime &date) const;
    NodePtr getDayNode() const;
    void setExecutedForTree(bool executed);
    void setExecutedForUpTree(bool executed);
    void setWageForTree(float wage);
    void deactivedTimeNode();
    void deactivedTimeNodeForTree();
    void fillNodeWithValuesFrom(const Node &other);
    void fillNodesWithValuesFrom(const Node &other);
    // A deep copy of the node and its subtree, linked among themselves; the copy has
    // no parent and no delegate.
    NodePtr clone() const;
    // The serial number the next node made gets: every node has its own, in the
    // order they were made (NodeSnapshot tells the nodes made after its moment).
    static quint64 nextSerial();

    // Time and names
    void refreshWorkTime();
    void recalcWorkTime();
    // The receiver's own part (a group's sums; the days and the job of anything
    // else), then the groups above the receiver.
    void recalcTotalWorkTime();
    void recalcOwnTotalWorkTime();
    void recalcGroupsAbove();
    // The receiver's sums from its children as they stand, nothing above or below: a
    // day's (or a job's) at the given wage, a job's at its own.
    void recalcDay(float wage);
    void recalcJob();
    // Recomputes every day, job and group above a time entry below the receiver, with
    // the results of running recalcWorkTime on every time entry in tree order, in one
    // pass over the tree.
    void recalcWorkTimeForTree();
    // The running entry's tick: its end moves on to the given moment (never back), then
    // its time and the sums above it are recomputed.
    void refreshlDate(const QDateTime &end);
    void setItemNameByType();
    QString itemNameWithPath() const;
    QString typeName() const;
    QString workTimeAsString() const;
    QString getcDateAsString() const;
    QString getlDateAsString() const;
    QString description() const;

    // The turnover of a job, day or time entry of the given time at the given wage.
    static float turnoverFor(int hours, int minutes, float wage);
    // The same in extended precision, with the wage taken as the shortest decimal that
    // reads back as it (what was typed, what the file holds): the cents stay exact in
    // sums up to 10^12. Thread-safe.
    static long double preciseTurnoverFor(int hours, int minutes, float wage);
    // The turnover a person reads (rows, totals): a job's, day's or time entry's whose
    // stored turnover is its time at its wage (turnoverFor) is preciseTurnoverFor of
    // them; a group's whose stored turnover is the single-precision sum of its
    // children's is the sum of their precise turnovers; the root's is that sum always;
    // any other is the stored turnover (read from a file as it stands). The stored
    // turnover (single precision, as the file keeps it) stays as it is, so a file read
    // back reads the same. Thread-safe on a tree no one changes meanwhile.
    long double preciseTurnover() const;

    // XML (the document file). The element name of a node type and back.
    static QString xmlTypeName(int type);
    static int intTypeForXMLTypeName(QStringView elementName);
    // Sets the fields from a node element's attributes (the type comes from the
    // element name and is set by the caller first).
    void fillNodeWithXMLElementAttributes(const QXmlStreamAttributes &attributes);
    // A node element's attribute as a reader with its own attribute storage hands it over.
    struct XMLAttributeView
    {
        QStringView name;
        QStringView value;
        // xmlAttributeIndex(name) when the reader knows it already; -1: not known yet.
        int index = -1;
    };
    // The index of a node attribute's name among the node's XML attributes, -1 for a
    // name the node does not read.
    static int xmlAttributeIndex(QStringView name);
    // The type and the fields of a node being read, which no one observes yet and
    // whose tree has no delegate: stored as they are, without announcing them; the
    // node ends as setType and fillNodeWithXMLElementAttributes leave it.
    void fillNewNodeWithXMLElement(int type, const XMLAttributeView *attributes, qsizetype count);
    // Writes the node's start tag with its attributes and leaves the element open.
    // Writer: QXmlStreamWriter or DocumentXmlWriter (the same bytes).
    template <class Writer>
    void writeStartElementWithAttributes(Writer &writer) const;
    // Writes the node's own element, without children.
    void nodeAsXMLElementWithFlags(QXmlStreamWriter &writer, int flags) const;
    // Writes the node's element with its subtree, filtered by the flags, into the
    // writer's open element.
    void addNodesAsXMLElementTreeToXMLElement(QXmlStreamWriter &writer, int flags) const;
    void nodeTreeAsXMLElementTreeWithFlags(QXmlStreamWriter &writer, int flags) const;
    void nodeTreeAsXMLElementTreeWithFlags(DocumentXmlWriter &writer, int flags) const;

    QString className() const override { return QStringLiteral("Node"); }

protected:
    const platform::KeyTable &keyTable() const override;

private:
    friend class NodeSnapshot;
    // Takes a tree no one else sees apart, child by child, announcing nothing.
    friend class NodeRelease;
    // A copy of the node's values, without children, parent or delegate.
    NodePtr cloneValues() const;
    // Stores the value and tells the key's observers, unless it is equal already;
    // answers whether it changed.
    template <typename T>
    bool setAndNotify(T &member, const T &value, const QString &key);

    template <class Writer>
    void writeSubtree(Writer &writer, int flags) const;
    // The hours and whole minutes from one date to the other (a time entry's work time).
    static void workTimeBetween(const QDateTime &from, const QDateTime &to, int *hours, int *minutes);
    // One-pass recomputation of the receiver's subtree; answers whether any day, job
    // or group in it was recomputed. Used when the subtree has the regular shape.
    bool recalcRegularSubtree();
    bool hasRegularShape() const;
    void recalcWorkTimeForTreeLiterally();
    void recalcGroup();
    // The undo manager of the document root's delegate for an edit of the receiver.
    platform::UndoManager *undoManagerForEdit();
    // Sets an undoable key: registers the old value with the undo manager (if any),
    // stores and announces the new one and reports it to the tree's delegate.
    template <typename T>
    void setUndoably(T Node::*member, const T &value, const QString &key, const QString &actionName,
                     platform::UndoManager *undo);

    void checkIndex(qsizetype index, bool forInsertion, const char *operation) const;
    // The position hint of a child at the index; -1 where it does not fit.
    static int rowHint(size_t index) { return index <= size_t(std::numeric_limits<int>::max()) ? int(index) : -1; }
    // The delegate of the document root above the receiver, if any.
    NodeDelegate *treeDelegate();
    // Tells the tree's delegate that the key changed.
    void reportChange(const QString &key);
    // Puts the children from the index on at their positions (and the receiver as
    // their parent).
    void renumberFrom(size_t first);
    void insertAt(const QList<NodePtr> &children, qsizetype index);
    // The same for one child, without a list (a tree being read adds its nodes so).
    void insertOneAt(const NodePtr &child, qsizetype index);
    void removeAt(qsizetype index);
    // The children from the index on (count of them), told as one removal.
    void removeRange(qsizetype index, qsizetype count);

    // The low bit of m_link tells a delegate (set) from a parent (clear): both are
    // aligned to more than a byte.
    static constexpr quintptr DelegateTag = 1;

    // The fields stand by size, the words first, so that none is padded: a document
    // holds a node for every row, and an older archive's read holds them all at once
    // (168 bytes on a 64-bit system, as Node.cpp asserts).
    std::vector<NodePtr> m_children;
    QString m_itemName;
    QString m_descript;
    QDateTime m_cDate;
    QDateTime m_lDate;
    // The parent, or the delegate with DelegateTag set, or 0 for neither.
    quintptr m_link = 0;
    const quint64 m_serial;
    int m_type = Job;
    int m_hours = 0;
    int m_minutes = 0;
    int m_colorLabel = 0;
    // The position in the parent's list (a hint: checked before it is believed); -1
    // when there is none or it is past what an int holds.
    int m_row = -1;
    float m_turnover = 0.0f;
    float m_wage = 0.0f;
    // Whether a node may stand more than once in the list (then lookups scan).
    bool m_repeatsChildren = false;
    bool m_active = false;
    bool m_executed = false;
};
