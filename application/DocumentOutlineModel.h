#pragma once
// The item model behind a document's outline: one row per node below the document
// root (the root itself is never a row), one column per identifier. The model keeps
// no data of its own; every answer comes from its data source, the document.
//
// Column identifiers travel with the header sections (headerData() under
// DocumentValuesStore::ColumnIdentifierRole), so the stored window state finds its
// columns by identifier whatever order the user gave them.
#include "AppKitExtensions/NTXOutlineItemMapping.h"
#include "application/Node.h"

#include <QAbstractItemModel>
#include <QFont>
#include <QIcon>
#include <QMimeData>
#include <QStringList>

class DocumentOutlineDataSource
{
public:
    virtual ~DocumentOutlineDataSource() = default;

    // The node the outline shows the children of (the document root).
    virtual Node *outlineRootItem() const = 0;
    // The children of an item; a null item stands for the root.
    virtual NodePtr outlineViewChildOfItem(qsizetype index, Node *item) const = 0;
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

    // Everything may have changed: the views ask again.
    void reloadData();
    // The row of the node shows again.
    void reloadItem(const Node *node);
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
    QModelIndex indexForItem(const QVariant &item) const override;

private:
    Node *itemOrRoot(const QModelIndex &parent) const;

    DocumentOutlineDataSource *m_dataSource;
    QStringList m_columnIdentifiers;
};
