#pragma once
// The item model behind a source list: it asks the list's data source for the tree
// as the view shows it, children of an item on first need, and keeps the answers
// until reload(). Rows stand for the data source's items (NTXOutlineItemMapping);
// an item with an identity (a pointer) is found again by it, a value item by
// equality. Editing and drags go to the data source's optional operations.
//
// Ownership: owned by its source list, which it never outlives. A data source that
// does not conform gives an empty model and a log line each time the top level or
// an item's children are counted. What the data source raises stops at its call
// (NTXOutlineSourceListCalls.h): that answer is none (no children, no value, a nil
// item). Threads: GUI thread only.
#include "AppKitExtensions/NTXOutlineItemMapping.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QPointer>
#include <memory>
#include <vector>

class NTXOutlineSourceList;

class NTXOutlineSourceListModel : public QAbstractItemModel, public NTXOutlineItemMapping
{
    Q_OBJECT
public:
    // Children counted for one item at most; a larger answer is cut there.
    static constexpr int MaximumChildCount = 1'000'000;

    explicit NTXOutlineSourceListModel(NTXOutlineSourceList *sourceList);
    ~NTXOutlineSourceListModel() override;

    // Forgets every answer and asks again.
    void reload();

    QVariant itemForIndex(const QModelIndex &index) const override;

    // An item as the model holds it, to tell after a reload whether the item at a
    // row is still that item: an object item by a pointer guarded since the data
    // source gave it (one freed since is no item, even when a new one took its
    // address), any other by equality.
    struct ItemRecord
    {
        QVariant value;
        QPointer<QObject> object;
        bool isObject = false;
        bool isStill(const QVariant &item) const;
    };
    ItemRecord recordForIndex(const QModelIndex &index) const;
    QModelIndex indexForItem(const QVariant &item) const override;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;

private:
    struct Node
    {
        QVariant item;
        // Set for an object item when the data source gives it.
        QPointer<QObject> object;
        Node *parent = nullptr;
        int row = 0;
        bool loaded = false;
        std::vector<std::unique_ptr<Node>> children;
    };

    Node *nodeOf(const QModelIndex &index) const;
    void load(Node *node) const;
    // Whether the data source says the item has children (false when it raised).
    bool isExpandable(const QVariant &item) const;

    NTXOutlineSourceList *m_sourceList;
    mutable Node m_root;
    mutable QHash<const void *, Node *> m_byIdentity;
};
