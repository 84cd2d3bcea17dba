#pragma once
// A data source and a delegate for source-list tests: a tree of source-list items
// under an invisible root; headings are the root's children. Icons and badges come
// from the items.
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceList.h"
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListDataSource.h"
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListItem.h"
#include "platform/foundation/NotificationCenter.h"

#include <QImage>
#include <QObject>
#include <QStringList>

class SourceListTestDataSource : public QObject, public NTXOutlineSourceListDataSource
{
    Q_OBJECT
    Q_INTERFACES(NTXOutlineSourceListDataSource)
public:
    NTXOutlineSourceListItemPtr root = NTXOutlineSourceListItem::create();

    static QVariant variantOf(NTXOutlineSourceListItem *item) { return QVariant::fromValue(static_cast<QObject *>(item)); }
    static NTXOutlineSourceListItem *itemOf(const QVariant &item)
    {
        return qobject_cast<NTXOutlineSourceListItem *>(item.value<QObject *>());
    }

    NTXOutlineSourceListItem *add(NTXOutlineSourceListItem *parent, const QString &title, int badge = -1,
                                  const QImage &icon = QImage(), const QString &identifier = QString())
    {
        const NTXOutlineSourceListItemPtr item = NTXOutlineSourceListItem::create(title, identifier);
        item->setBadgeValue(badge);
        item->setIcon(icon);
        (parent ? parent : root.get())->addChild(item);
        return item.get();
    }

    int sourceListNumberOfChildrenOfItem(NTXOutlineSourceList *, const QVariant &item) override
    {
        const NTXOutlineSourceListItem *node = item.isValid() ? itemOf(item) : root.get();
        return node ? int(node->countOfChildren()) : 0;
    }
    QVariant sourceListChildOfItem(NTXOutlineSourceList *, int index, const QVariant &item) override
    {
        const NTXOutlineSourceListItem *node = item.isValid() ? itemOf(item) : root.get();
        return variantOf(node->childAtIndex(index).get());
    }
    QVariant sourceListObjectValueForItem(NTXOutlineSourceList *, const QVariant &item) override
    {
        return itemOf(item)->title();
    }
    bool sourceListIsItemExpandable(NTXOutlineSourceList *, const QVariant &item) override
    {
        return itemOf(item)->hasChildren();
    }
    Q_INVOKABLE bool sourceListItemHasBadge(NTXOutlineSourceList *, const QVariant &item)
    {
        return itemOf(item)->hasBadge();
    }
    Q_INVOKABLE int sourceListBadgeValueForItem(NTXOutlineSourceList *, const QVariant &item)
    {
        return itemOf(item)->badgeValue();
    }
    Q_INVOKABLE bool sourceListItemHasIcon(NTXOutlineSourceList *, const QVariant &item)
    {
        return itemOf(item)->hasIcon();
    }
    Q_INVOKABLE QImage sourceListIconForItem(NTXOutlineSourceList *, const QVariant &item)
    {
        return itemOf(item)->icon();
    }
};

// Holds the group whose identifier is "library" open for good and records every
// notification it receives, by name.
class SourceListTestDelegate : public QObject
{
    Q_OBJECT
public:
    QStringList received;
    bool allowsExpanding = true;

    Q_INVOKABLE bool sourceListIsGroupAlwaysExpanded(NTXOutlineSourceList *, const QVariant &item)
    {
        return SourceListTestDataSource::itemOf(item)->identifier() == QLatin1String("library");
    }
    Q_INVOKABLE bool sourceListShouldExpandItem(NTXOutlineSourceList *, const QVariant &) { return allowsExpanding; }
    Q_INVOKABLE void sourceListSelectionIsChanging(const platform::Notification &n) { received.append(n.name); }
    Q_INVOKABLE void sourceListSelectionDidChange(const platform::Notification &n) { received.append(n.name); }
    Q_INVOKABLE void sourceListItemWillExpand(const platform::Notification &n) { received.append(n.name); }
    Q_INVOKABLE void sourceListItemDidExpand(const platform::Notification &n) { received.append(n.name); }
    Q_INVOKABLE void sourceListItemWillCollapse(const platform::Notification &n) { received.append(n.name); }
    Q_INVOKABLE void sourceListItemDidCollapse(const platform::Notification &n) { received.append(n.name); }
    Q_INVOKABLE void sourceListDeleteKeyPressedOnRows(const platform::Notification &n) { received.append(n.name); }
};

// Has one notification method only.
class SourceListDidChangeOnlyDelegate : public QObject
{
    Q_OBJECT
public:
    int calls = 0;
    Q_INVOKABLE void sourceListSelectionDidChange(const platform::Notification &) { ++calls; }
};
