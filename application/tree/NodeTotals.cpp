// Node: the sums of hours, minutes and turnover, and the work time of time entries.
#include "application/tree/Node.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

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

} // namespace

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

namespace {

// The shortest decimal text that reads back as the float, read as a long double. The
// last value asked is kept: the nodes of a document share few wages.
long double decimalValue(float value)
{
    thread_local float lastFloat = 0.0f;
    thread_local long double lastValue = 0.0L;
    if (value == lastFloat && std::signbit(value) == std::signbit(lastFloat))
        return lastValue;
    char text[64];
    const std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
    long double result = value;
    if (written.ec == std::errc())
        std::from_chars(text, written.ptr, result);
    lastFloat = value;
    lastValue = result;
    return result;
}

// Whether the node's stored turnover is its time at the wage, as turnoverFor takes it.
bool consistentTimeTurnover(const Node &node, float wage)
{
    return node.turnover() == Node::turnoverFor(node.hours(), node.minutes(), wage);
}

} // namespace

long double Node::preciseTurnoverFor(int hours, int minutes, float wage)
{
    const long double w = decimalValue(wage);
    return (static_cast<long double>(hours) * w) + (static_cast<long double>(minutes) * w / 60.0L);
}

long double Node::preciseTurnover() const
{
    switch (m_type) {
    case Group:
    case Root: {
        float stored = 0.0f;
        long double precise = 0.0L;
        for (const NodePtr &slot : m_children) {
            if (const Node *n = slot.get()) {
                stored += n->m_turnover;
                precise += n->preciseTurnover();
            }
        }
        return m_type == Root || stored == m_turnover ? precise : static_cast<long double>(m_turnover);
    }
    case Day:
        if (const Node *job = parent(); job && job->m_type == Job && consistentTimeTurnover(*this, job->m_wage))
            return preciseTurnoverFor(m_hours, m_minutes, job->m_wage);
        [[fallthrough]];
    default:
        if (consistentTimeTurnover(*this, m_wage))
            return preciseTurnoverFor(m_hours, m_minutes, m_wage);
        return static_cast<long double>(m_turnover);
    }
}

void Node::workTimeBetween(const QDateTime &from, const QDateTime &to, int *hours, int *minutes)
{
    const qint64 secs = from.secsTo(to);
    const qint64 h = secs / 3600;
    const qint64 m = (secs % 3600) / 60;
    constexpr qint64 lo = std::numeric_limits<int>::min();
    constexpr qint64 hi = std::numeric_limits<int>::max();
    *hours = int(std::clamp(h, lo, hi));
    *minutes = int(m);
}

void Node::refreshWorkTime()
{
    int h = 0;
    int m = 0;
    workTimeBetween(m_cDate, m_lDate, &h, &m);
    setHours(h);
    setMinutes(m);
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
    Node *day = parent();
    if (!day)
        return;
    Node *job = day->parent();
    if (!job)
        return;
    const float w = job->m_wage;
    day->recalcDay(w);
    job->recalcDay(w);
    for (Node *g = job->parent(); g && g->m_type == Group; g = g->parent())
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
    for (Node *g = parent(); g && g->m_type == Group; g = g->parent())
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
            for (Node *g = parent(); g && g->m_type == Group; g = g->parent())
                g->recalcGroup();
        return;
    }
    recalcWorkTimeForTreeLiterally();
}

void Node::refreshlDate(const QDateTime &end)
{
    if (end.isValid() && (!m_lDate.isValid() || end > m_lDate))
        setlDate(end);
    refreshWorkTime();
    recalcWorkTime();
}
