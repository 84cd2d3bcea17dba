#include "application/Node.h"

#include "application/DocumentFileFormat.h"
#include "application/NodeDelegate.h"
#include "FoundationExtensions/NTXNSStringExtension.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/CalendarDate.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/UndoManager.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QXmlStreamAttributes>
#include <QXmlStreamWriter>
#include <array>
#include <algorithm>
#include <limits>



void addTimeWithCarry(int *hours, int *minutes, int hoursToAdd, int minutesToAdd)
{
    // 64-bit intermediate sums, stored back with 32-bit wrap-around.
    qint64 h = qint64(*hours) + hoursToAdd;
    const qint64 t = qint64(*minutes) + minutesToAdd;
    h += t / 60;
    *hours = int(qint32(quint32(quint64(h))));
    *minutes = int(t - (t / 60) * 60);
}

namespace {

const QString &attributeName(int index)
{
    static const std::array<QString, 11> names{
        QStringLiteral("createDate"), QStringLiteral("lastDate"),       QStringLiteral("itemName"),
        QStringLiteral("hours"),      QStringLiteral("minutes"),        QStringLiteral("colorLabelType"),
        QStringLiteral("active"),     QStringLiteral("executed"),       QStringLiteral("description"),
        QStringLiteral("turnover"),   QStringLiteral("wage")};
    return names[size_t(index)];
}

enum AttributeIndex {
    CreateDateAttribute,
    LastDateAttribute,
    ItemNameAttribute,
    HoursAttribute,
    MinutesAttribute,
    ColorLabelAttribute,
    ActiveAttribute,
    ExecutedAttribute,
    DescriptionAttribute,
    TurnoverAttribute,
    WageAttribute,
    AttributeCount
};

const std::array<QString, 5> &xmlTypeNames()
{
    static const std::array<QString, 5> names{QStringLiteral("jobEntry"), QStringLiteral("dayEntry"),
                                              QStringLiteral("timeEntry"), QStringLiteral("groupEntry"),
                                              QStringLiteral("document")};
    return names;
}

// A carried sum of the node children of a slot list.
template<typename Slots>
void carriedSum(const Slots &list, int *hours, int *minutes)
{
    *hours = 0;
    *minutes = 0;
    for (const auto &slot : list)
        if (const NodePtr *n = &slot; n && *n)
            addTimeWithCarry(hours, minutes, (*n)->hours(), (*n)->minutes());
}

QString yesNo(bool flag)
{
    static const QString yes = QStringLiteral("yes");
    static const QString no = QStringLiteral("no");
    return flag ? yes : no;
}

} // namespace

Node::Node() : Node(platform::Clock::now()) {}

Node::Node(const QDateTime &created) : m_cDate(created), m_lDate(created) {}

Node::~Node()
{
    for (const NodePtr &child : m_children)
        if (child && child->m_parent == this) {
            child->m_parent = nullptr;
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
    while (n->m_parent)
        n = n->m_parent;
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
    const QString name = platform::localized(QStringLiteral("LSUDDescriptionChanged"));
    setUndoably(&Node::m_descript, descript, key, name, undoManagerForEdit());
}

void Node::setColorLabel(int label)
{
    static const QString key = QStringLiteral("colorLabel");
    const QString name = platform::localized(QStringLiteral("LSColorLabel"));
    setUndoably(&Node::m_colorLabel, label, key, name, undoManagerForEdit());
}

// ---------------------------------------------------------------------------
// Tree

NodeDelegate *Node::treeDelegate()
{
    Node *root = documentRoot();
    return root ? root->m_delegate : nullptr;
}

void Node::reportChange(const QString &key)
{
    if (NodeDelegate *d = treeDelegate())
        d->nodeValueChanged(*this, key);
}

void Node::renumberFrom(size_t first)
{
    for (size_t i = first; i < m_children.size(); ++i)
        if (Node *n = m_children[i].get()) {
            n->m_parent = this;
            n->m_row = qsizetype(i);
        }
}

void Node::insertAt(const QList<NodePtr> &children, qsizetype index)
{
    NodeDelegate *d = treeDelegate();
    if (d)
        d->nodeWillInsertEntries(*this, index, children.size());
    for (const NodePtr &child : children)
        if (child && child->m_parent == this && indexOfChild(child.get()) >= 0)
            m_repeatsChildren = true;
    m_children.insert(m_children.begin() + index, children.cbegin(), children.cend());
    renumberFrom(size_t(index));
    if (!d)
        return;
    if (index + children.size() == childrenCount() && children.size() == 1 && children.first())
        d->nodeDidAddEntry(*this, *children.first());
    else
        d->nodeDidInsertEntrysAtIndex(*this, children, index);
}

void Node::removeAt(qsizetype index)
{
    NodeDelegate *d = treeDelegate();
    if (d)
        d->nodeWillRemoveEntry(*this, index);
    const NodePtr child = std::move(m_children[size_t(index)]);
    m_children.erase(m_children.begin() + index);
    renumberFrom(size_t(index));
    if (child && child->m_parent == this && (!m_repeatsChildren || indexOfChild(child.get()) < 0)) {
        child->m_parent = nullptr;
        child->m_row = -1;
    }
    if (d && child)
        d->nodeDidRemoveEntry(*this, *child);
}

void Node::addChild(const NodePtr &child)
{
    insertAt({child}, childrenCount());
}

void Node::addChild(const NodePtr &child, qsizetype index)
{
    checkIndex(index, true, "addChild");
    insertAt({child}, index);
}

void Node::insertChildren(const QList<NodePtr> &children, qsizetype index)
{
    checkIndex(index, true, "insertChildren");
    insertAt(children, index);
    // Every child, the earlier ones too, has the receiver as its parent.
    renumberFrom(0);
}

void Node::delChild(const Node *child)
{
    if (!child)
        return;
    for (qsizetype index = indexOfChild(child); index >= 0; index = m_repeatsChildren ? indexOfChild(child) : -1)
        removeAt(index);
}

void Node::delChild(const NodePtr &child)
{
    delChild(child.get());
}

NodePtr Node::childAtIndex(qsizetype index) const
{
    checkIndex(index, false, "childAtIndex");
    return m_children[size_t(index)];
}

qsizetype Node::indexOfChild(const Node *child) const
{
    if (!child)
        return -1;
    // The position the child keeps answers, unless the list may hold it twice.
    if (!m_repeatsChildren && child->m_parent == this) {
        const qsizetype row = child->m_row;
        if (row >= 0 && row < childrenCount() && m_children[size_t(row)].get() == child)
            return row;
    }
    for (size_t i = 0; i < m_children.size(); ++i)
        if (m_children[i].get() == child)
            return qsizetype(i);
    return -1;
}

QList<NodePtr> Node::childEnumerator() const
{
    QList<NodePtr> result;
    result.reserve(childrenCount());
    for (const NodePtr &child : m_children)
        result.append(child);
    return result;
}

void Node::setAllParentValues()
{
    renumberFrom(0);
    for (const NodePtr &slot : m_children)
        if (Node *n = slot.get())
            n->setAllParentValues();
}

qsizetype Node::insertIndexForChild(const Node &child) const
{
    for (size_t i = 0; i < m_children.size(); ++i)
        if (const Node *n = m_children[i].get(); n && n->m_cDate > child.m_cDate)
            return qsizetype(i);
    return childrenCount();
}

bool Node::isDescendantOfNode(const Node *node) const
{
    if (!node)
        return false;
    for (const Node *n = this; n; n = n->m_parent)
        if (n == node)
            return true;
    return false;
}

bool Node::isDescendantOfNodeInArray(const QList<NodePtr> &nodes) const
{
    for (const NodePtr &n : nodes)
        if (isDescendantOfNode(n.get()))
            return true;
    return false;
}

bool Node::nodeIsMemberOfTree(const Node *node) const
{
    if (!node)
        return false;
    for (const NodePtr &slot : m_children) {
        const Node *n = slot.get();
        if (!n)
            continue;
        if (n == node)
            return true;
        if (n->m_type == Group && n->nodeIsMemberOfTree(node))
            return true;
    }
    return false;
}

void Node::fillArrayWithJobNodes(QList<NodePtr> &jobs) const
{
    for (const NodePtr &slot : m_children) {
        const NodePtr *n = &slot;
        if (!n || !*n)
            continue;
        if ((*n)->m_type == Job)
            jobs.append(*n);
        else if ((*n)->m_type == Group)
            (*n)->fillArrayWithJobNodes(jobs);
    }
}

NodePtr Node::getActiveNode() const
{
    for (const NodePtr &slot : m_children) {
        const NodePtr *n = &slot;
        if (!n || !*n)
            continue;
        if ((*n)->m_active)
            return *n;
        if ((*n)->m_type == Group)
            if (NodePtr hit = (*n)->getActiveNode())
                return hit;
    }
    return NodePtr();
}

Node *Node::masterNode()
{
    if (m_type == Root)
        return this;
    for (Node *n = this; n; n = n->m_parent)
        if (n->m_type == Job || n->m_type == Root)
            return n;
    return nullptr;
}

Node *Node::getRootObject()
{
    if (m_type == Group || m_type == Root)
        return this;
    for (Node *n = this; n; n = n->m_parent)
        if (n->m_type == Job)
            return n;
    return nullptr;
}

NodePtr Node::getDayNode(const QDateTime &date) const
{
    const qint64 day = platform::CalendarDate::dayOfCommonEra(date);
    for (const NodePtr &slot : m_children) {
        const NodePtr *n = &slot;
        if (n && *n && platform::CalendarDate::dayOfCommonEra((*n)->m_cDate) == day)
            return *n;
    }
    return NodePtr();
}

NodePtr Node::getDayNode() const
{
    return getDayNode(platform::Clock::now());
}

void Node::setExecutedForTree(bool executed)
{
    for (const NodePtr &slot : m_children)
        if (Node *n = slot.get())
            n->setExecuted(executed);
    for (const NodePtr &slot : m_children)
        if (Node *n = slot.get())
            n->setExecutedForTree(executed);
}

void Node::setExecutedForUpTree(bool executed)
{
    for (Node *n = m_parent; n && n->m_type == Group; n = n->m_parent)
        n->setExecuted(executed);
}

void Node::setWageForTree(float wage)
{
    for (const NodePtr &slot : m_children)
        if (Node *n = slot.get())
            n->setWage(wage);
    for (const NodePtr &slot : m_children)
        if (Node *n = slot.get())
            n->setWageForTree(wage);
}

void Node::deactivedTimeNode()
{
    if (m_type == TimeEntry)
        setActive(false);
}

void Node::deactivedTimeNodeForTree()
{
    for (const NodePtr &slot : m_children)
        if (Node *n = slot.get()) {
            n->deactivedTimeNode();
            n->deactivedTimeNodeForTree();
        }
}

void Node::fillNodeWithValuesFrom(const Node &other)
{
    if (other.m_type != m_type)
        return;
    const Node &o = other;
    setExecuted(o.m_executed);
    setDescript(QString(o.m_descript));
    setTurnover(o.m_turnover);
    if (m_type != Group)
        setWageForTree(o.m_wage);
    setHours(o.m_hours);
    setMinutes(o.m_minutes);
    setActive(o.m_active);
    setItemName(o.m_itemName);
    setcDate(o.m_cDate);
    setlDate(o.m_lDate);
}

void Node::fillNodesWithValuesFrom(const Node &other)
{
    if (other.m_type != m_type)
        return;
    fillNodeWithValuesFrom(other);
    if (!m_children.empty() && m_children.size() == other.m_children.size()) {
        for (size_t i = 0; i < m_children.size(); ++i) {
            Node *mine = m_children[i].get();
            const Node *theirs = other.m_children[i].get();
            if (mine && theirs)
                mine->fillNodesWithValuesFrom(*theirs);
        }
    }
    if (m_type == TimeEntry) {
        refreshWorkTime();
        recalcWorkTime();
    } else if (m_type == Job || m_type == Group) {
        recalcTotalWorkTime();
    }
}

NodePtr Node::clone() const
{
    NodePtr copy = std::make_shared<Node>(m_cDate);
    copy->m_itemName = m_itemName;
    copy->m_type = m_type;
    copy->m_lDate = m_lDate;
    copy->m_hours = m_hours;
    copy->m_minutes = m_minutes;
    copy->m_active = m_active;
    copy->m_executed = m_executed;
    copy->m_descript = m_descript;
    copy->m_turnover = m_turnover;
    copy->m_wage = m_wage;
    copy->m_colorLabel = m_colorLabel;
    copy->m_children.reserve(m_children.size());
    for (const NodePtr &slot : m_children)
        copy->m_children.push_back(slot ? slot->clone() : NodePtr());
    copy->renumberFrom(0);
    return copy;
}

QList<NodePtr> Node::minimumNodeCoverFromNodesInArray(const QList<NodePtr> &nodes)
{
    // Each node is replaced by its topmost ancestor among the given nodes (itself when
    // there is none); the result keeps the order in which these were first reached.
    // Ancestors are looked for along the whole parent chain, not only through parents
    // that are given themselves, so no node in the result lies below another.
    QHash<const Node *, NodePtr> given;
    for (const NodePtr &n : nodes)
        if (n)
            given.insert(n.get(), n);

    QList<NodePtr> result;
    QSet<const Node *> inResult;
    for (const NodePtr &n : nodes) {
        if (!n)
            continue;
        const Node *top = n.get();
        for (const Node *p = n->m_parent; p; p = p->m_parent)
            if (given.contains(p))
                top = p;
        if (!inResult.contains(top)) {
            inResult.insert(top);
            result.append(given.value(top));
        }
    }
    return result;
}

// ---------------------------------------------------------------------------
// Time

float Node::turnoverFor(int hours, int minutes, float wage)
{
    // Single precision, in exactly this order.
    const float m = float(minutes);
    const float h = float(hours);
    const float fraction = (m * 100.0f) / 6000.0f;
    const float fromMinutes = fraction * wage;
    const float fromHours = h * wage;
    return fromMinutes + fromHours;
}

void Node::refreshWorkTime()
{
    const qint64 secs = m_cDate.secsTo(m_lDate);
    const qint64 h = secs / 3600;
    const qint64 m = (secs % 3600) / 60;
    constexpr qint64 lo = std::numeric_limits<int>::min();
    constexpr qint64 hi = std::numeric_limits<int>::max();
    setHours(int(std::clamp(h, lo, hi)));
    setMinutes(int(m));
    setTurnover(turnoverFor(m_hours, m_minutes, m_wage));
}

// The receiver as a day (or a job): the carried sum of its children and the
// turnover for that time at the wage.
void Node::recalcDay(float wage)
{
    int h = 0;
    int m = 0;
    carriedSum(m_children, &h, &m);
    setHours(h);
    setMinutes(m);
    setTurnover(turnoverFor(h, m, wage));
}

void Node::recalcJob()
{
    recalcDay(m_wage);
}

void Node::recalcGroup()
{
    int h = 0;
    int m = 0;
    carriedSum(m_children, &h, &m);
    float t = 0.0f;
    for (const NodePtr &slot : m_children)
        if (const Node *n = slot.get())
            t += n->m_turnover;
    setHours(h);
    setMinutes(m);
    setTurnover(t);
}

void Node::recalcWorkTime()
{
    if (m_type != TimeEntry)
        return;
    Node *day = m_parent;
    if (!day)
        return;
    Node *job = day->m_parent;
    if (!job)
        return;
    const float w = job->m_wage;
    day->recalcDay(w);
    job->recalcDay(w);
    for (Node *g = job->m_parent; g && g->m_type == Group; g = g->m_parent)
        g->recalcGroup();
}

void Node::recalcTotalWorkTime()
{
    if (m_type == Root)
        return;
    recalcOwnTotalWorkTime();
    recalcGroupsAbove();
}

void Node::recalcOwnTotalWorkTime()
{
    if (m_type == Root)
        return;
    if (m_type == Group) {
        recalcGroup();
    } else if (Node *job = getRootObject()) {
        const float w = job->m_wage;
        for (const NodePtr &slot : job->m_children)
            if (Node *day = slot.get())
                day->recalcDay(w);
        job->recalcDay(w);
    }
}

void Node::recalcGroupsAbove()
{
    for (Node *g = m_parent; g && g->m_type == Group; g = g->m_parent)
        g->recalcGroup();
}

void Node::recalcWorkTimeForTreeLiterally()
{
    for (const NodePtr &slot : m_children)
        if (Node *n = slot.get())
            n->recalcWorkTime();
    for (const NodePtr &slot : m_children)
        if (Node *n = slot.get())
            n->recalcWorkTimeForTreeLiterally();
}

// The shape the one-pass recomputation relies on: groups and roots hold groups and
// jobs, jobs hold days, days hold time entries, time entries hold nothing.
bool Node::hasRegularShape() const
{
    for (const NodePtr &slot : m_children) {
        const Node *n = slot.get();
        if (!n)
            continue;
        switch (m_type) {
        case Root:
        case Group:
            if (n->m_type != Job && n->m_type != Group)
                return false;
            break;
        case Job:
            if (n->m_type != Day)
                return false;
            break;
        case Day:
            if (n->m_type != TimeEntry)
                return false;
            break;
        default:
            return false;
        }
        if (!n->hasRegularShape())
            return false;
    }
    return true;
}

// In the regular shape, running recalcWorkTime on every time entry in tree order
// leaves: every day with entries at the carried sum of its entries (job's wage);
// every job with such a day at the carried sum of its days (own wage); every group
// reached from such a job through groups at the sums of its children, all taken
// after the children were final. Bottom-up once gives the same values.
bool Node::recalcRegularSubtree()
{
    bool recomputed = false;
    switch (m_type) {
    case Job:
        for (const NodePtr &slot : m_children) {
            Node *day = slot.get();
            if (day && !day->m_children.empty()) {
                day->recalcDay(m_wage);
                recomputed = true;
            }
        }
        if (recomputed)
            recalcJob();
        return recomputed;
    case Group:
    case Root:
        for (const NodePtr &slot : m_children)
            if (Node *n = slot.get())
                recomputed = n->recalcRegularSubtree() || recomputed;
        if (recomputed && m_type == Group)
            recalcGroup();
        return recomputed && m_type == Group;
    default:
        return false;
    }
}

void Node::recalcWorkTimeForTree()
{
    if ((m_type == Root || m_type == Group || m_type == Job) && hasRegularShape()) {
        if (recalcRegularSubtree())
            for (Node *g = m_parent; g && g->m_type == Group; g = g->m_parent)
                g->recalcGroup();
        return;
    }
    recalcWorkTimeForTreeLiterally();
}

void Node::refreshlDate()
{
    setlDate(platform::Clock::now());
    refreshWorkTime();
    recalcWorkTime();
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
    for (const Node *p = m_parent; p && !(p->m_type == Root && !p->m_parent); p = p->m_parent)
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

// ---------------------------------------------------------------------------
// XML

QString Node::xmlTypeName(int type)
{
    const auto &names = xmlTypeNames();
    if (type < 0 || type >= int(names.size()))
        return names[0];
    return names[size_t(type)];
}

int Node::intTypeForXMLTypeName(QStringView elementName)
{
    const auto &names = xmlTypeNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (elementName == names[i])
            return int(i);
    return Job;
}

void Node::fillNodeWithXMLElementAttributes(const QXmlStreamAttributes &attributes)
{
    std::array<QStringView, AttributeCount> values{};
    std::array<bool, AttributeCount> present{};
    int expected = 0;
    for (const QXmlStreamAttribute &a : attributes) {
        const QStringView name = a.qualifiedName();
        int index = -1;
        // Files written by this application keep the order; try the expected one first.
        if (expected < AttributeCount && name == attributeName(expected)) {
            index = expected;
        } else {
            for (int i = 0; i < AttributeCount; ++i)
                if (name == attributeName(i)) {
                    index = i;
                    break;
                }
        }
        if (index < 0)
            continue;
        values[size_t(index)] = a.value();
        present[size_t(index)] = true;
        expected = index + 1;
    }

    using NTXNSStringExtension::stringByConvertXMLToChars;
    setItemName(present[ItemNameAttribute] ? stringByConvertXMLToChars(values[ItemNameAttribute].toString())
                                           : QString());
    // A date that is missing or cannot be read keeps the construction date.
    if (present[CreateDateAttribute])
        if (auto d = platform::CalendarDate::fromDescription(values[CreateDateAttribute]))
            setcDate(*d);
    if (present[LastDateAttribute])
        if (auto d = platform::CalendarDate::fromDescription(values[LastDateAttribute]))
            setlDate(*d);
    setHours(DocumentFileFormat::intValue(values[HoursAttribute]));
    setMinutes(DocumentFileFormat::intValue(values[MinutesAttribute]));
    setColorLabel(DocumentFileFormat::intValue(values[ColorLabelAttribute]));
    setActive(values[ActiveAttribute] == u"yes");
    setExecuted(values[ExecutedAttribute] == u"yes");
    QString descript = present[DescriptionAttribute]
                           ? stringByConvertXMLToChars(values[DescriptionAttribute].toString())
                           : QString();
    if (!descript.isEmpty()) {
        descript.replace(QChar(u'\n'), QChar(0x2028));
        descript.remove(QChar(u'\r'));
    }
    setDescript(descript);
    setWage(DocumentFileFormat::floatValue(values[WageAttribute]));
    setTurnover(DocumentFileFormat::floatValue(values[TurnoverAttribute]));
}

void Node::writeStartElementWithAttributes(QXmlStreamWriter &writer) const
{
    using NTXNSStringExtension::stringByConvertCharactersToXML;
    writer.writeStartElement(xmlTypeName(m_type));
    writer.writeAttribute(attributeName(CreateDateAttribute), platform::CalendarDate::description(m_cDate));
    writer.writeAttribute(attributeName(LastDateAttribute), platform::CalendarDate::description(m_lDate));
    writer.writeAttribute(attributeName(ItemNameAttribute),
                          stringByConvertCharactersToXML(DocumentFileFormat::xmlSafeText(m_itemName)));
    writer.writeAttribute(attributeName(HoursAttribute), QString::number(m_hours));
    writer.writeAttribute(attributeName(MinutesAttribute), QString::number(m_minutes));
    writer.writeAttribute(attributeName(ColorLabelAttribute), QString::number(m_colorLabel));
    writer.writeAttribute(attributeName(ActiveAttribute), yesNo(m_active));
    writer.writeAttribute(attributeName(ExecutedAttribute), yesNo(m_executed));
    writer.writeAttribute(attributeName(DescriptionAttribute),
                          stringByConvertCharactersToXML(DocumentFileFormat::xmlSafeText(m_descript)));
    writer.writeAttribute(attributeName(TurnoverAttribute), DocumentFileFormat::formatFloat(m_turnover));
    writer.writeAttribute(attributeName(WageAttribute), DocumentFileFormat::formatFloat(m_wage));
}

void Node::nodeAsXMLElementWithFlags(QXmlStreamWriter &writer, int flags) const
{
    writeStartElementWithAttributes(writer);
    writer.writeEndElement();
}

void Node::writeSubtree(QXmlStreamWriter &writer, int flags) const
{
    writeStartElementWithAttributes(writer);
    for (const NodePtr &slot : m_children) {
        const Node *n = slot.get();
        if (!n)
            continue;
        if ((flags & WithoutTimeEntries) && n->m_type == TimeEntry)
            continue;
        if ((flags & WithoutDayEntries) && n->m_type == Day)
            continue;
        n->writeSubtree(writer, flags);
    }
    writer.writeEndElement();
}

void Node::addNodesAsXMLElementTreeToXMLElement(QXmlStreamWriter &writer, int flags) const
{
    writeSubtree(writer, flags);
}

void Node::nodeTreeAsXMLElementTreeWithFlags(QXmlStreamWriter &writer, int flags) const
{
    writeSubtree(writer, flags);
}
