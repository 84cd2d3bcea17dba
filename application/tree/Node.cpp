// Node: construction, the setters and what they announce, key-value coding and
// the names shown. The tree is in NodeTree.cpp, the sums and times in
// NodeTotals.cpp, copying and the XML form in NodeCoding.cpp.
#include "application/tree/Node.h"

#include "application/tree/DocumentFileFormat.h"
#include "application/tree/NodeDelegate.h"
#include "application/tree/NodeSnapshot.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/CalendarDate.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/UndoManager.h"

#include <QPointer>
#include <array>
#include <atomic>
#include <bit>
#include <cstdint>

// A document holds a node for every row, and an older archive's read holds them all at
// once: with the shared pointer's counts and the allocator's word before it, a node
// takes a heap chunk of 192 bytes (DocumentFileFormat::ArchiveMemoryPerByte is derived
// from it).
static_assert(sizeof(void *) != 8 || sizeof(Node) == 168);
// The parent link and the delegate share a word, told apart by its low bit.
static_assert(alignof(Node) >= 2 && alignof(NodeDelegate) >= 2);

Node::Node() : Node(platform::Clock::now()) {}

namespace {

// The serial of the next node made, on any thread.
std::atomic<quint64> nodeSerials{0};

} // namespace

Node::Node(const QDateTime &created)
    : m_cDate(created), m_lDate(created), m_serial(nodeSerials.fetch_add(1, std::memory_order_relaxed))
{
}

quint64 Node::nextSerial()
{
    return nodeSerials.load(std::memory_order_relaxed);
}

Node::~Node()
{
    for (const NodePtr &child : m_children)
        if (child && child->parent() == this) {
            child->setParent(nullptr);
            child->m_row = -1;
        }
}

NodePtr Node::create(int type)
{
    NodePtr node = std::make_shared<Node>();
    node->m_type = type;
    return node;
}

NodePtr Node::create(int type, const QDateTime &created)
{
    NodePtr node = std::make_shared<Node>(created);
    node->m_type = type;
    return node;
}

void Node::checkIndex(qsizetype index, bool forInsertion, const char *operation) const
{
    const qsizetype count = childrenCount();
    const bool ok = index >= 0 && (forInsertion ? index <= count : index < count);
    if (!ok)
        throw platform::Exception(platform::Exception::RangeException,
                                  QStringLiteral("Node %1: index %2 beyond bounds [0 .. %3]")
                                      .arg(QLatin1String(operation))
                                      .arg(index)
                                      .arg(forInsertion ? count : count - 1));
}

// ---------------------------------------------------------------------------
// Setters with effects

namespace {

template <typename T>
bool sameValue(const T &a, const T &b)
{
    return a == b;
}

bool sameValue(const QString &a, const QString &b)
{
    return a == b && a.isNull() == b.isNull();
}

// A float is kept as set: a zero keeps its sign (a file's "-0.000000" reads back as
// written, whichever reader fills the node), and a NaN equals itself.
bool sameValue(float a, float b)
{
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

bool sameValue(const QDateTime &a, const QDateTime &b)
{
    return a == b && a.isValid() == b.isValid() && a.timeSpec() == b.timeSpec()
           && (!a.isValid() || a.offsetFromUtc() == b.offsetFromUtc());
}

} // namespace

template <typename T>
bool Node::setAndNotify(T &member, const T &value, const QString &key)
{
    if (sameValue(member, value))
        return false;
    NodeSnapshot::nodeWillChange(*this);
    willChangeValueForKey(key);
    member = value;
    didChangeValueForKey(key);
    reportChange(key);
    return true;
}

void Node::setItemName(const QString &name)
{
    static const QString key = QStringLiteral("itemName");
    setAndNotify(m_itemName, name, key);
}

void Node::setType(int type)
{
    static const QString key = QStringLiteral("type");
    setAndNotify(m_type, type, key);
}

void Node::setHours(int hours)
{
    static const QString key = QStringLiteral("hours");
    setAndNotify(m_hours, hours, key);
}

void Node::setMinutes(int minutes)
{
    static const QString key = QStringLiteral("minutes");
    setAndNotify(m_minutes, minutes, key);
}

void Node::setcDate(const QDateTime &date)
{
    static const QString key = QStringLiteral("cDate");
    setAndNotify(m_cDate, date, key);
}

void Node::setlDate(const QDateTime &date)
{
    static const QString key = QStringLiteral("lDate");
    setAndNotify(m_lDate, date, key);
}

void Node::setActive(bool active)
{
    static const QString key = QStringLiteral("active");
    setAndNotify(m_active, active, key);
}

void Node::setExecuted(bool executed)
{
    static const QString key = QStringLiteral("executed");
    setAndNotify(m_executed, executed, key);
}

void Node::setTurnover(float turnover)
{
    static const QString key = QStringLiteral("turnover");
    setAndNotify(m_turnover, turnover, key);
}

void Node::setWage(float wage)
{
    static const QString key = QStringLiteral("wage");
    setAndNotify(m_wage, wage, key);
    if (m_type == TimeEntry)
        refreshWorkTime();
}

void Node::setWage(const QVariant &wage)
{
    const int typeId = wage.metaType().id();
    if (typeId == QMetaType::QString)
        setWage(DocumentFileFormat::floatValue(wage.toString()));
    else if (typeId == QMetaType::QByteArray)
        setWage(DocumentFileFormat::floatValue(QString::fromLatin1(wage.toByteArray())));
    else
        setWage(DocumentFileFormat::clampToFloat(wage.toDouble()));
}

Node *Node::documentRoot()
{
    Node *n = this;
    while (n->parent())
        n = n->parent();
    return n->m_type == Root ? n : nullptr;
}

platform::UndoManager *Node::undoManagerForEdit()
{
    // Edits anywhere in a document reach the document root's delegate.
    NodeDelegate *d = treeDelegate();
    return d ? d->undoManagerForNode(*this) : nullptr;
}

template <typename T>
void Node::setUndoably(T Node::*member, const T &value, const QString &key, const QString &actionName,
                       platform::UndoManager *undo)
{
    // Setting the value the node has changes nothing and records no step (inside an
    // undo or redo the opposite is registered all the same, for the way back).
    if (sameValue(this->*member, value) && !(undo && (undo->isUndoing() || undo->isRedoing())))
        return;
    if (undo) {
        // The step keeps the node alive when it is shared, and its opposite goes to
        // the same undo manager, even once the node has left the tree.
        undo->registerUndo([keep = weak_from_this().lock(), target = this, member, old = this->*member, key,
                            actionName, manager = QPointer<platform::UndoManager>(undo)] {
            target->setUndoably(member, old, key, actionName, manager.data());
        });
        undo->setActionName(actionName);
    }
    setAndNotify(this->*member, value, key);
    if (NodeDelegate *d = treeDelegate())
        d->attributesChangedOfNode(*this);
}

void Node::setDescript(const QString &descript)
{
    static const QString key = QStringLiteral("descript");
    platform::UndoManager *undo = undoManagerForEdit();
    // The action is named only when it is recorded (not while a file is read).
    const QString name = undo ? platform::localized(QStringLiteral("LSUDDescriptionChanged")) : QString();
    setUndoably(&Node::m_descript, descript, key, name, undo);
}

void Node::setColorLabel(int label)
{
    static const QString key = QStringLiteral("colorLabel");
    platform::UndoManager *undo = undoManagerForEdit();
    // The document's edit that stands for this change (registered and named by it) has
    // turned registration off: the node neither makes nor names a step of its own.
    if (undo && !undo->isUndoRegistrationEnabled())
        undo = nullptr;
    const QString name = undo ? platform::localized(QStringLiteral("LSColorLabel")) : QString();
    setUndoably(&Node::m_colorLabel, label, key, name, undo);
}

// ---------------------------------------------------------------------------
// Names

void Node::setItemNameByType()
{
    static const std::array<QString, 7> weekdayKeys{
        QStringLiteral("LSSunday"),   QStringLiteral("LSMonday"), QStringLiteral("LSTuesday"),
        QStringLiteral("LSWednesday"), QStringLiteral("LSThursday"), QStringLiteral("LSFriday"),
        QStringLiteral("LSSaturday")};
    if (m_type == Day) {
        const int weekday = platform::CalendarDate::dayOfWeek(m_cDate);
        setItemName(platform::localized(weekdayKeys[size_t(weekday)]) + QLatin1Char(' ')
                    + platform::CalendarDate::format(m_cDate, u"%d.%m.%Y"));
    } else if (m_type == TimeEntry) {
        setItemName(platform::CalendarDate::format(m_cDate, u"%H:%M:%S") + QLatin1String(" ... ")
                    + platform::CalendarDate::format(m_lDate, u"%H:%M:%S"));
    }
}

QString Node::itemNameWithPath() const
{
    QString path = m_itemName;
    for (const Node *p = parent(); p && !(p->m_type == Root && !p->parent()); p = p->parent())
        path = p->m_itemName + QLatin1Char('/') + path;
    return path;
}

QString Node::typeName() const
{
    static const std::array<QString, 5> keys{QStringLiteral("LSTNameJob"), QStringLiteral("LSTNameDay"),
                                             QStringLiteral("LSTNameTime"), QStringLiteral("LSTNameGroup"),
                                             QStringLiteral("LSTNameMaster")};
    if (m_type < 0 || m_type >= int(keys.size()))
        return QString();
    return platform::localized(keys[size_t(m_type)]);
}

QString Node::workTimeAsString() const
{
    return QString::asprintf("%3d:%02d ", m_hours, m_minutes);
}

QString Node::getcDateAsString() const
{
    return platform::CalendarDate::format(m_cDate, u"%H:%M");
}

QString Node::getlDateAsString() const
{
    return platform::CalendarDate::format(m_lDate, u"%H:%M");
}

QString Node::description() const
{
    // One substitution, so that a "%2" in the name stays as written.
    return QStringLiteral("Node name: %1, type: %2, Active: %3")
        .arg(m_itemName, QString::number(m_type), QString::number(m_active ? 1 : 0));
}

// ---------------------------------------------------------------------------
// Key-value coding

const platform::KeyTable &Node::keyTable() const
{
    using platform::KeyValueObservable;
    static const platform::KeyTable table = [] {
        auto node = [](const KeyValueObservable &o) -> const Node & { return static_cast<const Node &>(o); };
        auto mnode = [](KeyValueObservable &o) -> Node & { return static_cast<Node &>(o); };
        platform::KeyTable t;
        t.insert(QStringLiteral("itemName"),
                 {[=](const KeyValueObservable &o) { return QVariant(node(o).itemName()); },
                  [=](KeyValueObservable &o, const QVariant &v) { mnode(o).setItemName(v.toString()); }});
        t.insert(QStringLiteral("type"), {[=](const KeyValueObservable &o) { return QVariant(node(o).type()); },
                                          [=](KeyValueObservable &o, const QVariant &v) { mnode(o).setType(v.toInt()); }});
        t.insert(QStringLiteral("hours"),
                 {[=](const KeyValueObservable &o) { return QVariant(node(o).hours()); },
                  [=](KeyValueObservable &o, const QVariant &v) { mnode(o).setHours(v.toInt()); }});
        t.insert(QStringLiteral("minutes"),
                 {[=](const KeyValueObservable &o) { return QVariant(node(o).minutes()); },
                  [=](KeyValueObservable &o, const QVariant &v) { mnode(o).setMinutes(v.toInt()); }});
        t.insert(QStringLiteral("cDate"),
                 {[=](const KeyValueObservable &o) { return QVariant(node(o).cDate()); },
                  [=](KeyValueObservable &o, const QVariant &v) { mnode(o).setcDate(v.toDateTime()); }});
        t.insert(QStringLiteral("lDate"),
                 {[=](const KeyValueObservable &o) { return QVariant(node(o).lDate()); },
                  [=](KeyValueObservable &o, const QVariant &v) { mnode(o).setlDate(v.toDateTime()); }});
        t.insert(QStringLiteral("active"),
                 {[=](const KeyValueObservable &o) { return QVariant(node(o).active()); },
                  [=](KeyValueObservable &o, const QVariant &v) { mnode(o).setActive(v.toBool()); }});
        t.insert(QStringLiteral("executed"),
                 {[=](const KeyValueObservable &o) { return QVariant(node(o).executed()); },
                  [=](KeyValueObservable &o, const QVariant &v) { mnode(o).setExecuted(v.toBool()); }});
        t.insert(QStringLiteral("descript"),
                 {[=](const KeyValueObservable &o) { return QVariant(node(o).descript()); },
                  [=](KeyValueObservable &o, const QVariant &v) { mnode(o).setDescript(v.toString()); }});
        t.insert(QStringLiteral("turnover"),
                 {[=](const KeyValueObservable &o) { return QVariant(node(o).turnover()); },
                  [=](KeyValueObservable &o, const QVariant &v) {
                      mnode(o).setTurnover(DocumentFileFormat::clampToFloat(v.toDouble()));
                  }});
        t.insert(QStringLiteral("wage"), {[=](const KeyValueObservable &o) { return QVariant(node(o).wage()); },
                                          [=](KeyValueObservable &o, const QVariant &v) { mnode(o).setWage(v); }});
        t.insert(QStringLiteral("colorLabel"),
                 {[=](const KeyValueObservable &o) { return QVariant(node(o).colorLabel()); },
                  [=](KeyValueObservable &o, const QVariant &v) { mnode(o).setColorLabel(v.toInt()); }});
        return t;
    }();
    return table;
}
