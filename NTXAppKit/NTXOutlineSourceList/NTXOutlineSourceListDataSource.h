#pragma once
// What a source list asks its data source. The four operations every data source has
// are this interface; a QObject declares it with Q_INTERFACES(NTXOutlineSourceListDataSource)
// and conforms when qobject_cast finds it. Without it the source list shows nothing.
// Items are any values: an item the data source answers is what the source list
// passes back (a QObject* or another pointer keeps its identity; the nil item, an
// invalid QVariant, is the invisible root).
//
// The optional operations are Q_INVOKABLE methods of the same object, each looked up
// by name before every call (the parameter types must be exactly these):
//     void sourceListSetObjectValueForItem(NTXOutlineSourceList *sourceList, const QVariant &value, const QVariant &item);
//     bool sourceListItemHasBadge(NTXOutlineSourceList *sourceList, const QVariant &item);
//     int sourceListBadgeValueForItem(NTXOutlineSourceList *sourceList, const QVariant &item);
//     QColor sourceListBadgeTextColorForItem(NTXOutlineSourceList *sourceList, const QVariant &item);
//     QColor sourceListBadgeBackgroundColorForItem(NTXOutlineSourceList *sourceList, const QVariant &item);
//     bool sourceListItemHasIcon(NTXOutlineSourceList *sourceList, const QVariant &item);
//     QImage sourceListIconForItem(NTXOutlineSourceList *sourceList, const QVariant &item);
//     QVariant sourceListItemForPersistentObject(NTXOutlineSourceList *sourceList, const QVariant &object);
//     QVariant sourceListPersistentObjectForItem(NTXOutlineSourceList *sourceList, const QVariant &item);
//     bool sourceListWriteItemsToPasteboard(NTXOutlineSourceList *sourceList, const QVariantList &items, QMimeData *pasteboard);
//     void sourceListDraggingEnded(NTXOutlineSourceList *sourceList, QEvent *event);
//     int sourceListValidateDropProposedItemProposedChildIndex(NTXOutlineSourceList *sourceList, QDropEvent *event,
//                                                              const QVariant &item, int childIndex);   // a Qt::DropAction, 0 refuses
//     bool sourceListAcceptDropItemChildIndex(NTXOutlineSourceList *sourceList, QDropEvent *event, const QVariant &item, int childIndex);
//     QStringList sourceListNamesOfPromisedFilesDroppedAtDestinationForDraggedItems(NTXOutlineSourceList *sourceList,
//                                                                                 const QUrl &destination, const QVariantList &items);
// A drop's child index is -1 for a drop onto the item itself.
//
// Threads: GUI thread only; every call is synchronous.
#include <QObject>
#include <QVariant>

class NTXOutlineSourceList;

class NTXOutlineSourceListDataSource
{
public:
    virtual ~NTXOutlineSourceListDataSource() = default;

    virtual int sourceListNumberOfChildrenOfItem(NTXOutlineSourceList *sourceList, const QVariant &item) = 0;
    virtual QVariant sourceListChildOfItem(NTXOutlineSourceList *sourceList, int index, const QVariant &item) = 0;
    virtual QVariant sourceListObjectValueForItem(NTXOutlineSourceList *sourceList, const QVariant &item) = 0;
    virtual bool sourceListIsItemExpandable(NTXOutlineSourceList *sourceList, const QVariant &item) = 0;
};

#define NTXOutlineSourceListDataSource_iid "org.chronark.NTXOutlineSourceListDataSource"
Q_DECLARE_INTERFACE(NTXOutlineSourceListDataSource, NTXOutlineSourceListDataSource_iid)
