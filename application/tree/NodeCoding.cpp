// Node: copies (of values and of subtrees) and the node's XML form in the document file.
#include "application/tree/Node.h"

#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentXmlWriter.h"
#include "platform/foundation/CalendarDate.h"
#include "platform/foundation/XmlEntities.h"

#include <QXmlStreamAttributes>
#include <QXmlStreamWriter>
#include <array>
#include <optional>

namespace {

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

// The attributes' names by their index: compared as they are read, written as strings.
constexpr std::array<QStringView, AttributeCount> attributeNames{
    u"createDate", u"lastDate",    u"itemName", u"hours",    u"minutes", u"colorLabelType",
    u"active",     u"executed",    u"description", u"turnover", u"wage"};

const QString &attributeName(int index)
{
    static const std::array<QString, AttributeCount> names = [] {
        std::array<QString, AttributeCount> strings;
        for (size_t i = 0; i < strings.size(); ++i)
            strings[i] = attributeNames[i].toString();
        return strings;
    }();
    return names[size_t(index)];
}

const std::array<QString, 5> &xmlTypeNames()
{
    static const std::array<QString, 5> names{QStringLiteral("jobEntry"), QStringLiteral("dayEntry"),
                                              QStringLiteral("timeEntry"), QStringLiteral("groupEntry"),
                                              QStringLiteral("document")};
    return names;
}

QString yesNo(bool flag)
{
    static const QString yes = QStringLiteral("yes");
    static const QString no = QStringLiteral("no");
    return flag ? yes : no;
}

} // namespace

// ---------------------------------------------------------------------------
// Copies

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
    NodePtr copy = cloneValues();
    copy->m_children.reserve(m_children.size());
    for (const NodePtr &slot : m_children)
        copy->m_children.push_back(slot ? slot->clone() : NodePtr());
    copy->renumberFrom(0);
    return copy;
}

NodePtr Node::cloneValues() const
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
    return copy;
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

namespace {

// The attributes of a node element by their index (of a name given twice, the
// later one); unknown names are passed over.
struct NodeAttributeValues
{
    std::array<QStringView, AttributeCount> values{};
    std::array<bool, AttributeCount> present{};
    int expected = 0;

    void add(QStringView name, QStringView value, int knownIndex = -1)
    {
        if (knownIndex >= 0) {
            set(knownIndex, value);
            return;
        }
        // Files written by this application keep the order; try the expected one first.
        const int index = expected < AttributeCount && name == attributeNames[size_t(expected)]
            ? expected
            : Node::xmlAttributeIndex(name);
        if (index >= 0)
            set(index, value);
    }

    void set(int index, QStringView value)
    {
        values[size_t(index)] = value;
        present[size_t(index)] = true;
        expected = index + 1;
    }

    QString text(AttributeIndex index) const
    {
        if (!present[index])
            return QString();
        const QStringView value = values[index];
        return value.contains(u'&') ? platform::XmlEntities::unescaped(value.toString()) : value.toString();
    }

    // Every line break held as U+2028: an LF, a CR LF (one break) and a CR alone (a
    // break too: a person wrote two lines there).
    QString descript() const
    {
        QString descript = text(DescriptionAttribute);
        if (!descript.contains(QChar(u'\r'))) {
            descript.replace(QChar(u'\n'), QChar(0x2028));
            return descript;
        }
        QString lines;
        lines.reserve(descript.size());
        for (qsizetype i = 0; i < descript.size(); ++i) {
            const QChar c = descript.at(i);
            if (c == u'\r') {
                if (i + 1 < descript.size() && descript.at(i + 1) == u'\n')
                    ++i;
                lines.append(QChar(0x2028));
            } else {
                lines.append(c == u'\n' ? QChar(0x2028) : c);
            }
        }
        return lines;
    }

    // A date that is missing or cannot be read keeps the construction date.
    std::optional<QDateTime> date(AttributeIndex index) const
    {
        if (!present[index])
            return std::nullopt;
        return platform::CalendarDate::fromDescription(values[index]);
    }
};

} // namespace

int Node::xmlAttributeIndex(QStringView name)
{
    for (size_t i = 0; i < attributeNames.size(); ++i)
        if (name == attributeNames[i])
            return int(i);
    return -1;
}

void Node::fillNodeWithXMLElementAttributes(const QXmlStreamAttributes &attributes)
{
    NodeAttributeValues a;
    for (const QXmlStreamAttribute &attribute : attributes)
        a.add(attribute.qualifiedName(), attribute.value());

    setItemName(a.text(ItemNameAttribute));
    if (auto d = a.date(CreateDateAttribute))
        setcDate(*d);
    if (auto d = a.date(LastDateAttribute))
        setlDate(*d);
    setHours(DocumentFileFormat::intValue(a.values[HoursAttribute]));
    setMinutes(DocumentFileFormat::intValue(a.values[MinutesAttribute]));
    setColorLabel(DocumentFileFormat::intValue(a.values[ColorLabelAttribute]));
    setActive(a.values[ActiveAttribute] == u"yes");
    setExecuted(a.values[ExecutedAttribute] == u"yes");
    setDescript(a.descript());
    setWage(DocumentFileFormat::floatValue(a.values[WageAttribute]));
    setTurnover(DocumentFileFormat::floatValue(a.values[TurnoverAttribute]));
}

void Node::fillNewNodeWithXMLElement(int type, const XMLAttributeView *attributes, qsizetype count)
{
    NodeAttributeValues a;
    for (qsizetype i = 0; i < count; ++i)
        a.add(attributes[i].name, attributes[i].value, attributes[i].index);

    // The same values in the same order as the setters above, which announce them.
    m_type = type;
    m_itemName = a.text(ItemNameAttribute);
    if (auto d = a.date(CreateDateAttribute))
        m_cDate = std::move(*d);
    if (auto d = a.date(LastDateAttribute))
        m_lDate = std::move(*d);
    m_hours = DocumentFileFormat::intValue(a.values[HoursAttribute]);
    m_minutes = DocumentFileFormat::intValue(a.values[MinutesAttribute]);
    m_colorLabel = DocumentFileFormat::intValue(a.values[ColorLabelAttribute]);
    m_active = a.values[ActiveAttribute] == u"yes";
    m_executed = a.values[ExecutedAttribute] == u"yes";
    m_descript = a.descript();
    m_wage = DocumentFileFormat::floatValue(a.values[WageAttribute]);
    // A time entry's wage recomputes its work time; its turnover is read after.
    if (m_type == TimeEntry)
        workTimeBetween(m_cDate, m_lDate, &m_hours, &m_minutes);
    m_turnover = DocumentFileFormat::floatValue(a.values[TurnoverAttribute]);
}

template <class Writer>
void Node::writeStartElementWithAttributes(Writer &writer) const
{
    writer.writeStartElement(xmlTypeName(m_type));
    writer.writeAttribute(attributeName(CreateDateAttribute), platform::CalendarDate::description(m_cDate));
    writer.writeAttribute(attributeName(LastDateAttribute), platform::CalendarDate::description(m_lDate));
    writer.writeAttribute(attributeName(ItemNameAttribute),
                          platform::XmlEntities::escaped(DocumentFileFormat::xmlSafeText(m_itemName)));
    writer.writeAttribute(attributeName(HoursAttribute), QString::number(m_hours));
    writer.writeAttribute(attributeName(MinutesAttribute), QString::number(m_minutes));
    writer.writeAttribute(attributeName(ColorLabelAttribute), QString::number(m_colorLabel));
    writer.writeAttribute(attributeName(ActiveAttribute), yesNo(m_active));
    writer.writeAttribute(attributeName(ExecutedAttribute), yesNo(m_executed));
    writer.writeAttribute(attributeName(DescriptionAttribute),
                          platform::XmlEntities::escaped(DocumentFileFormat::xmlSafeText(m_descript)));
    writer.writeAttribute(attributeName(TurnoverAttribute), DocumentFileFormat::formatFloat(m_turnover));
    writer.writeAttribute(attributeName(WageAttribute), DocumentFileFormat::formatFloat(m_wage));
}

void Node::nodeAsXMLElementWithFlags(QXmlStreamWriter &writer, int flags) const
{
    writeStartElementWithAttributes(writer);
    writer.writeEndElement();
}

template <class Writer>
void Node::writeSubtree(Writer &writer, int flags) const
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

void Node::nodeTreeAsXMLElementTreeWithFlags(DocumentXmlWriter &writer, int flags) const
{
    writeSubtree(writer, flags);
}

template void Node::writeStartElementWithAttributes(QXmlStreamWriter &) const;
template void Node::writeStartElementWithAttributes(DocumentXmlWriter &) const;
