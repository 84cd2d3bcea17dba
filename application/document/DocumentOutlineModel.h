#pragma once
// The item model behind a document's outline: one row per node below the document
// root (the root itself is never a row), one column per identifier. The model keeps
// no data of its own; every answer comes from its data source, the document.
//
// It follows the tree as the document reports each change: rows inserted and
// removed around the change of a child list, dataChanged for a changed node, a
// reset only when the whole tree is replaced. Several edits in a row may form a
// batch (EditBatch): the rows of its structural changes are announced as one layout
// change at its end, with every persistent index (expanded rows, the selection)
// moved to where its node went, or dropped when the node left the tree. A node's
// row and parent come from the node itself, without a scan of its siblings.
// GUI thread only.
//
// Column identifiers travel with the header sections (headerData() under
// DocumentValuesStore::ColumnIdentifierRole), so the stored window state finds its
// columns by identifier whatever order the user gave them.
#include "AppKitExtensions/NTXOutlineItemMapping.h"
#include "application/tree/Node.h"

#include <QAbstractItemModel>
#include <QFont>
#include <QIcon>
#include <QMimeData>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class DocumentOutlineDataSource
{
public:
    virtual ~DocumentOutlineDataSource() = default;

    // The node the outline shows the children of (the document root).
    virtual Node *outlineRootItem() const = 0;
    // The children of an item; a null item stands for the root.
    virtual NodePtr outlineViewChildOfItem(qsizetype index, Node *item) const = 0;
    // The same child, not shared: what an index of the model holds (looked up for every
    // row a view asks about, where sharing it would cost a count up and down each time).
    virtual Node *outlineViewChildPointerOfItem(qsizetype index, Node *item) const
    {
        return outlineViewChildOfItem(index, item).get();
    }
    virtual bool outlineViewIsItemExpandable(Node *item) const = 0;
    virtual qsizetype outlineViewNumberOfChildrenOfItem(Node *item) const = 0;
    // The value of a column for an item.
    virtual QVariant outlineViewObjectValueForTableColumnByItem(const QString &identifier, Node *item) const = 0;
    // How a row looks: its font, and the image of its name column.
    virtual QFont outlineViewFontForItem(Node *item) const = 0;
    virtual QIcon outlineViewImageForItem(Node *item) const = 0;
    // The header title of a column.
    virtual QString outlineViewTitleForTableColumn(const QString &identifier) const = 0;

    // In-place editing: whether the item's cell of the column takes a value, and
    // the new value (answers whether it was taken).
    virtual bool outlineViewIsItemEditable(const QString &, Node *) const { return false; }
    virtual bool outlineViewSetObjectValue(const QVariant &, const QString &, Node *) { return false; }

    // Drag and drop. Whether items may be dropped onto the item (null: the root,
    // that is between the top-level rows); the MIME formats a drag carries; the data
    // of a drag of the items (null refuses the drag); the operation a drop would be
    // (Qt::IgnoreAction refuses it; a child index of -1 drops onto the item); the drop.
    virtual bool outlineViewAcceptsDropOnItem(Node *) const { return false; }
    virtual QStringList outlineViewPasteboardTypes() const { return {}; }
    virtual QMimeData *outlineViewWriteItems(const QList<NodePtr> &) { return nullptr; }
    virtual Qt::DropAction outlineViewValidateDrop(const QMimeData *, Node *, qsizetype) const
    {
        return Qt::IgnoreAction;
    }
    virtual bool outlineViewAcceptDrop(const QMimeData *, Node *, qsizetype) { return false; }
};

class DocumentOutlineModel : public QAbstractItemModel, public NTXOutlineItemMapping
{
    Q_OBJECT
public:
    // The four columns of the document window, in the order the model keeps them.
    static const QStringList &standardColumnIdentifiers();

    explicit DocumentOutlineModel(DocumentOutlineDataSource *dataSource, QObject *parent = nullptr);
    ~DocumentOutlineModel() override;

    const QStringList &columnIdentifiers() const { return m_columnIdentifiers; }
    // The model column of an identifier, -1 for none.
    int columnForIdentifier(const QString &identifier) const;
    QString identifierForColumn(int column) const;

    // The node of an index (null for the root and invalid indexes).
    Node *nodeForIndex(const QModelIndex &index) const;
    // The index (column 0) of a node that hangs in the tree below the root; invalid
    // for the root, for null and for a node that is no longer in the tree.
    QModelIndex indexForNode(const Node *node, int column = 0) const;

    // The whole tree is replaced between the two calls (a file was read).
    void beginTreeReplacement();
    void endTreeReplacement();
    // The child list of the node is about to change, and then has changed. A node
    // the outline does not show is let alone.
    void treeWillInsert(const Node &parent, qsizetype first, qsizetype count);
    void treeDidInsert();
    void treeWillRemove(const Node &parent, qsizetype first, qsizetype count);
    void treeDidRemove();
    // The row of the node shows again.
    void reloadItem(const Node *node);
    // The node's cell of one column shows again (inside an edit batch, its whole row).
    void reloadItem(const Node *node, const QString &identifier);

    // Edits made while one of these lives form one batch (batches nest; the
    // outermost one ends it). editBatchEnded() follows the end of the outermost.
    class EditBatch
    {
    public:
        explicit EditBatch(DocumentOutlineModel *model);
        ~EditBatch();
        EditBatch(const EditBatch &) = delete;
        EditBatch &operator=(const EditBatch &) = delete;

    private:
        QPointer<DocumentOutlineModel> m_model;
    };
    void beginEditBatch();
    void endEditBatch();
    bool isInEditBatch() const { return m_batchDepth > 0; }
    // Every column header asks for its title again.
    void reloadHeaders();

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // The check box column takes Qt::EditRole values (a state: 0 off, 1 on).
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // Drag and drop, answered by the data source. A drag carries the nodes of the
    // indexes (each once, in tree order). Rows are never removed by the view after a
    // move: the data source moves the nodes itself when the drop is taken.
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;

    // NTXOutlineItemMapping: the item of a row is its NodePtr.
    QVariant itemForIndex(const QModelIndex &index) const override;
    // Every row of a node is enabled and selectable (see flags()).
    bool everyRowSelectable() const override { return true; }
    QModelIndex indexForItem(const QVariant &item) const override;

Q_SIGNALS:
    void editBatchEnded();

private:
    Node *itemOrRoot(const QModelIndex &parent) const;
    // The index of a parent whose list changes, or none when the outline does not
    // show the node.
    std::optional<QModelIndex> shownParent(const Node &parent) const;
    // The first structural change of a batch: the views are told a layout change
    // comes, and what each persistent index stands for is kept.
    void beginBatchLayoutChange();

    DocumentOutlineDataSource *m_dataSource;
    QStringList m_columnIdentifiers;
    // Row changes announced and not yet finished (true: signals were sent).
    std::vector<bool> m_pendingInserts;
    std::vector<bool> m_pendingRemovals;
    int m_batchDepth = 0;
    bool m_batchChangedLayout = false;
    QModelIndexList m_batchPersistent;
    std::vector<std::weak_ptr<Node>> m_batchPersistentNodes;
    std::vector<std::weak_ptr<Node>> m_batchChangedNodes;
    QSet<const Node *> m_batchChangedSet;
};
