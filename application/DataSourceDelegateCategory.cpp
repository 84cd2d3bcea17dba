// What the outline shows of the node tree, and how each row looks.
#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "NTXAppKit/NTXLabeledImageTextCell/NTXLabeledImageTextCell.h"
#include "application/ButtonCellForOutlineView.h"
#include "application/MyDocument.h"

#include <QApplication>

NodePtr MyDocument::outlineViewChildOfItem(qsizetype index, Node *item) const
{
    const Node *node = item ? item : m_jobList.get();
    if (index < 0 || index >= node->childrenCount())
        return NodePtr();
    return node->childAtIndex(index);
}

bool MyDocument::outlineViewIsItemExpandable(Node *item) const
{
    return (item ? item : m_jobList.get())->expandable();
}

qsizetype MyDocument::outlineViewNumberOfChildrenOfItem(Node *item) const
{
    return (item ? item : m_jobList.get())->childrenCount();
}

QVariant MyDocument::outlineViewObjectValueForTableColumnByItem(const QString &identifier, Node *item) const
{
    if (!item)
        return QVariant();
    if (identifier == QLatin1String("outlineStatus"))
        return QVariant(item->executed());
    if (identifier == QLatin1String("outlineName"))
        return item->itemName();
    if (identifier == QLatin1String("outlineTime"))
        return item->workTimeAsString();
    return m_formatter.stringFromNumber(double(item->turnover()));
}

QFont MyDocument::outlineViewFontForItem(Node *item) const
{
    QFont font = QApplication::font();
    font.setBold(item && item->active());
    return font;
}

QIcon MyDocument::outlineViewImageForItem(Node *item) const
{
    if (!item)
        return QIcon();
    switch (item->type()) {
    case Node::Job:
        return item->active() ? m_activeJobImage : m_jobImage;
    case Node::Day:
        return m_dayImage;
    case Node::TimeEntry:
        return m_timeImage;
    case Node::Group: {
        const NodePtr active = m_jobList->getActiveNode();
        return active && item->nodeIsMemberOfTree(active.get()) ? m_activeGroupImage : m_groupImage;
    }
    default:
        return QIcon();
    }
}

QString MyDocument::outlineViewTitleForTableColumn(const QString &identifier) const
{
    return m_columnTitles.value(identifier);
}

void MyDocument::outlineViewWillDisplayCell(platform::Cell &cell, const QString &identifier, Node *item) const
{
    if (!item)
        return;
    cell.setFont(outlineViewFontForItem(item));
    if (identifier == QLatin1String("outlineName")) {
        cell.setImage(outlineViewImageForItem(item));
        if (auto *labeled = dynamic_cast<NTXLabeledImageTextCell *>(&cell))
            labeled->setColorLabelType(item->colorLabel());
    } else if (identifier == QLatin1String("outlineStatus")) {
        if (auto *button = dynamic_cast<ButtonCellForOutlineView *>(&cell))
            button->setTransparent(item->type() == Node::Day || item->type() == Node::TimeEntry);
    }
}

void MyDocument::outlineViewSelectionDidChange()
{
    handleOutlineSelection();
}
