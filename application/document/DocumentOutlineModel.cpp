#include "application/document/DocumentOutlineModel.h"

#include "application/tree/DocumentValuesStore.h"
#include "platform/foundation/DisplayText.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QSet>
#include <algorithm>
#include <utility>
#include <vector>
#include <limits>

namespace {

// Deeper than any tree a document file may hold.
constexpr int MaximumDepth = 100000;

} // namespace

const QStringList &DocumentOutlineModel::standardColumnIdentifiers()
{
    static const QStringList identifiers{QStringLiteral("outlineStatus"), QStringLiteral("outlineName"),
                                         QStringLiteral("outlineTime"), QStringLiteral("outlineTurnover")};
    return identifiers;
}

DocumentOutlineModel::DocumentOutlineModel(DocumentOutlineDataSource *dataSource, QObject *parent)
    : QAbstractItemModel(parent), m_dataSource(dataSource), m_columnIdentifiers(standardColumnIdentifiers())
{
}

DocumentOutlineModel::~DocumentOutlineModel() = default;

int DocumentOutlineModel::columnForIdentifier(const QString &identifier) const
{
    return int(m_columnIdentifiers.indexOf(identifier));
}

QString DocumentOutlineModel::identifierForColumn(int column) const
{
    return m_columnIdentifiers.value(column);
}

Node *DocumentOutlineModel::nodeForIndex(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<Node *>(index.internalPointer());
}

Node *DocumentOutlineModel::itemOrRoot(const QModelIndex &parent) const
{
    return parent.isValid() ? nodeForIndex(parent) : nullptr;
}

QModelIndex DocumentOutlineModel::indexForNode(const Node *node, int column) const
{
    if (!node || !m_dataSource || column < 0 || column >= columnCount())
        return QModelIndex();
    const Node *root = m_dataSource->outlineRootItem();
    if (!root || node == root)
        return QModelIndex();
    // The node must hang in the tree: each link up must be answered by the parent.
    int depth = 0;
    for (const Node *n = node; n != root; n = n->parent()) {
        const Node *p = n->parent();
        if (!p || ++depth > MaximumDepth || p->indexOfChild(n) < 0)
            return QModelIndex();
    }
    const Node *parent = node->parent();
    return createIndex(int(parent->indexOfChild(node)), column, const_cast<Node *>(node));
}

void DocumentOutlineModel::beginTreeReplacement()
{
    beginResetModel();
}

void DocumentOutlineModel::endTreeReplacement()
{
    endResetModel();
}

std::optional<QModelIndex> DocumentOutlineModel::shownParent(const Node &parent) const
{
    if (!m_dataSource || !m_dataSource->outlineRootItem())
        return std::nullopt;
    if (&parent == m_dataSource->outlineRootItem())
        return QModelIndex();
    const QModelIndex index = indexForNode(&parent);
    if (!index.isValid())
        return std::nullopt;
    return index;
}

void DocumentOutlineModel::treeWillInsert(const Node &parent, qsizetype first, qsizetype count)
{
    const std::optional<QModelIndex> index = count > 0 ? shownParent(parent) : std::nullopt;
    const bool announce = index && m_batchDepth == 0;
    if (index && m_batchDepth > 0)
        beginBatchLayoutChange();
    if (announce)
        beginInsertRows(*index, int(first), int(first + count - 1));
    m_pendingInserts.push_back(announce);
}

void DocumentOutlineModel::treeDidInsert()
{
    if (m_pendingInserts.empty())
        return;
    const bool announced = m_pendingInserts.back();
    m_pendingInserts.pop_back();
    if (announced)
        endInsertRows();
}

void DocumentOutlineModel::treeWillRemove(const Node &parent, qsizetype first, qsizetype count)
{
    const std::optional<QModelIndex> index = count > 0 ? shownParent(parent) : std::nullopt;
    const bool announce = index && m_batchDepth == 0;
    if (index && m_batchDepth > 0)
        beginBatchLayoutChange();
    if (announce)
        beginRemoveRows(*index, int(first), int(first + count - 1));
    m_pendingRemovals.push_back(announce);
}

void DocumentOutlineModel::treeDidRemove()
{
    if (m_pendingRemovals.empty())
        return;
    const bool announced = m_pendingRemovals.back();
    m_pendingRemovals.pop_back();
    if (announced)
        endRemoveRows();
}

void DocumentOutlineModel::reloadItem(const Node *node)
{
    if (m_batchDepth > 0) {
        // Shown at the end of the batch, unless its layout change shows everything.
        if (node && !m_batchChangedLayout && !m_batchChangedSet.contains(node)) {
            m_batchChangedSet.insert(node);
            m_batchChangedNodes.push_back(const_cast<Node *>(node)->weak_from_this());
        }
        return;
    }
    const QModelIndex first = indexForNode(node, 0);
    if (!first.isValid())
        return;
    Q_EMIT dataChanged(first, first.siblingAtColumn(columnCount() - 1));
}

void DocumentOutlineModel::reloadItem(const Node *node, const QString &identifier)
{
    const int column = columnForIdentifier(identifier);
    if (m_batchDepth > 0 || column < 0) {
        reloadItem(node);
        return;
    }
    const QModelIndex cell = indexForNode(node, column);
    if (cell.isValid())
        Q_EMIT dataChanged(cell, cell);
}

DocumentOutlineModel::EditBatch::EditBatch(DocumentOutlineModel *model) : m_model(model)
{
    if (m_model)
        m_model->beginEditBatch();
}

DocumentOutlineModel::EditBatch::~EditBatch()
{
    if (m_model)
        m_model->endEditBatch();
}

void DocumentOutlineModel::beginEditBatch()
{
    ++m_batchDepth;
}

void DocumentOutlineModel::beginBatchLayoutChange()
{
    if (m_batchChangedLayout)
        return;
    m_batchChangedLayout = true;
    m_batchChangedNodes.clear();
    m_batchChangedSet.clear();
    // Rows are added and removed, columns stay: the header keeps its sections.
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_batchPersistent = persistentIndexList();
    m_batchPersistentNodes.clear();
    m_batchPersistentNodes.reserve(size_t(m_batchPersistent.size()));
    for (const QModelIndex &index : std::as_const(m_batchPersistent)) {
        Node *node = nodeForIndex(index);
        m_batchPersistentNodes.push_back(node ? node->weak_from_this() : std::weak_ptr<Node>());
    }
}

void DocumentOutlineModel::endEditBatch()
{
    if (m_batchDepth == 0 || --m_batchDepth > 0)
        return;
    if (m_batchChangedLayout) {
        QModelIndexList moved;
        moved.reserve(m_batchPersistent.size());
        for (qsizetype i = 0; i < m_batchPersistent.size(); ++i) {
            const NodePtr node = m_batchPersistentNodes[size_t(i)].lock();
            moved.append(node ? indexForNode(node.get(), m_batchPersistent.at(i).column()) : QModelIndex());
        }
        changePersistentIndexList(m_batchPersistent, moved);
        m_batchPersistent.clear();
        m_batchPersistentNodes.clear();
        m_batchChangedLayout = false;
        Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    } else {
        const std::vector<std::weak_ptr<Node>> changed = std::exchange(m_batchChangedNodes, {});
        m_batchChangedSet.clear();
        // Told in the order of the changes, rows of one parent that follow each other as
        // one range: fewer ranges, each near the one before it in the views (a view
        // looks for the place of a row starting at the last one it found).
        // A run is kept by its parent node; the parent's index is made once per run.
        const int lastColumn = columnCount() - 1;
        const Node *runParent = nullptr;
        int runFirst = -1;
        int runLast = -1;
        const auto tellRun = [&] {
            if (runFirst >= 0 && lastColumn >= 0) {
                const QModelIndex parent = runParent == m_dataSource->outlineRootItem() ? QModelIndex() : indexForNode(runParent);
                Q_EMIT dataChanged(index(runFirst, 0, parent), index(runLast, lastColumn, parent));
            }
            runFirst = -1;
        };
        for (const std::weak_ptr<Node> &weak : changed) {
            const NodePtr node = weak.lock();
            const QModelIndex changedIndex = node ? indexForNode(node.get(), 0) : QModelIndex();
            if (!changedIndex.isValid())
                continue;
            const Node *parent = node->parent();
            const int row = changedIndex.row();
            if (runFirst >= 0 && parent == runParent && row == runLast + 1) {
                runLast = row;
                continue;
            }
            // The same rows the other way (an undo goes through them backwards).
            if (runFirst >= 0 && parent == runParent && row == runFirst - 1) {
                runFirst = row;
                continue;
            }
            tellRun();
            runParent = parent;
            runFirst = runLast = row;
        }
        tellRun();
    }
    Q_EMIT editBatchEnded();
}

void DocumentOutlineModel::reloadHeaders()
{
    if (columnCount() > 0)
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

QModelIndex DocumentOutlineModel::index(int row, int column, const QModelIndex &parent) const
{
    // Asked by Qt's views: what the tree raises stops here.
    return platform::ExceptionBoundary::guardOr(this, "index", QModelIndex(), [&]() -> QModelIndex {
        if (!m_dataSource || row < 0 || column < 0 || column >= columnCount())
            return QModelIndex();
        // Rows hang below the first column only.
        if (parent.isValid() && (parent.model() != this || parent.column() != 0))
            return QModelIndex();
        Node *item = itemOrRoot(parent);
        if (row >= m_dataSource->outlineViewNumberOfChildrenOfItem(item))
            return QModelIndex();
        Node *child = m_dataSource->outlineViewChildPointerOfItem(row, item);
        if (!child)
            return QModelIndex();
        return createIndex(row, column, child);
    });
}

QModelIndex DocumentOutlineModel::parent(const QModelIndex &child) const
{
    return platform::ExceptionBoundary::guardOr(this, "parent", QModelIndex(), [&]() -> QModelIndex {
        Node *node = nodeForIndex(child);
        if (!node || !m_dataSource)
            return QModelIndex();
        Node *parent = node->parent();
        if (!parent || parent == m_dataSource->outlineRootItem())
            return QModelIndex();
        const Node *grandParent = parent->parent();
        if (!grandParent)
            return QModelIndex();
        const qsizetype row = grandParent->indexOfChild(parent);
        if (row < 0)
            return QModelIndex();
        return createIndex(int(row), 0, parent);
    });
}

int DocumentOutlineModel::rowCount(const QModelIndex &parent) const
{
    return platform::ExceptionBoundary::guardOr(this, "rowCount", 0, [&]() -> int {
        if (!m_dataSource || (parent.isValid() && (parent.model() != this || parent.column() != 0)))
            return 0;
        if (!parent.isValid() && !m_dataSource->outlineRootItem())
            return 0;
        const qsizetype count = m_dataSource->outlineViewNumberOfChildrenOfItem(itemOrRoot(parent));
        return int(std::clamp<qsizetype>(count, 0, std::numeric_limits<int>::max()));
    });
}

int DocumentOutlineModel::columnCount(const QModelIndex &) const
{
    return platform::ExceptionBoundary::guardOr(this, "columnCount", 0, [&]() -> int {
        return int(m_columnIdentifiers.size());
    });
}

bool DocumentOutlineModel::hasChildren(const QModelIndex &parent) const
{
    return platform::ExceptionBoundary::guardOr(this, "hasChildren", false, [&]() -> bool {
        if (!parent.isValid())
            return rowCount(parent) > 0;
        if (!m_dataSource || parent.model() != this || parent.column() != 0)
            return false;
        return m_dataSource->outlineViewIsItemExpandable(nodeForIndex(parent));
    });
}

QVariant DocumentOutlineModel::data(const QModelIndex &index, int role) const
{
    // Asked by Qt's views: what the tree raises stops here.
    return platform::ExceptionBoundary::guardOr(this, "data", QVariant(), [&]() -> QVariant {
        Node *node = nodeForIndex(index);
        if (!node || !m_dataSource)
            return QVariant();
        const QString identifier = identifierForColumn(index.column());
        const bool isStatus = identifier == QLatin1String("outlineStatus");
        switch (role) {
        case Qt::DisplayRole: {
            if (isStatus)
                return QVariant();
            // A row is one line high: a name's line breaks show as blanks.
            const QVariant value = m_dataSource->outlineViewObjectValueForTableColumnByItem(identifier, node);
            if (value.typeId() == QMetaType::QString)
                return platform::DisplayText::shownOnOneLine(value.toString());
            return value;
        }
        case Qt::EditRole:
            return m_dataSource->outlineViewObjectValueForTableColumnByItem(identifier, node);
        case Qt::FontRole:
            return m_dataSource->outlineViewFontForItem(node);
        case Qt::DecorationRole:
            if (identifier == QLatin1String("outlineName")) {
                const QIcon icon = m_dataSource->outlineViewImageForItem(node);
                return icon.isNull() ? QVariant() : QVariant(icon);
            }
            return QVariant();
        case Qt::TextAlignmentRole:
            if (identifier == QLatin1String("outlineTime") || identifier == QLatin1String("outlineTurnover"))
                return QVariant(int(Qt::AlignRight | Qt::AlignVCenter));
            return QVariant();
        default:
            return QVariant();
        }
    });
}

QVariant DocumentOutlineModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    return platform::ExceptionBoundary::guardOr(this, "headerData", QVariant(), [&]() -> QVariant {
        if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
            return QAbstractItemModel::headerData(section, orientation, role);
        const QString identifier = identifierForColumn(section);
        switch (role) {
        case DocumentValuesStore::ColumnIdentifierRole:
            return identifier;
        case Qt::DisplayRole:
            return m_dataSource ? m_dataSource->outlineViewTitleForTableColumn(identifier) : QString();
        case Qt::TextAlignmentRole:
            if (identifier == QLatin1String("outlineTime") || identifier == QLatin1String("outlineTurnover"))
                return QVariant(int(Qt::AlignRight | Qt::AlignVCenter));
            return QVariant(int(Qt::AlignLeft | Qt::AlignVCenter));
        default:
            return QVariant();
        }
    });
}

Qt::ItemFlags DocumentOutlineModel::flags(const QModelIndex &index) const
{
    return platform::ExceptionBoundary::guardOr(this, "flags", Qt::ItemFlags(), [&]() -> Qt::ItemFlags {
        Node *node = nodeForIndex(index);
        if (!node) {
            // The root: drops between the top-level rows.
            if (!index.isValid() && m_dataSource && m_dataSource->outlineViewAcceptsDropOnItem(nullptr))
                return Qt::ItemIsDropEnabled;
            return Qt::NoItemFlags;
        }
        // Every node's row is enabled and selectable (everyRowSelectable() tells the helpers).
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
        if (m_dataSource) {
            if (m_dataSource->outlineViewIsItemEditable(identifierForColumn(index.column()), node))
                flags |= Qt::ItemIsEditable;
            if (m_dataSource->outlineViewAcceptsDropOnItem(node))
                flags |= Qt::ItemIsDropEnabled;
        }
        return flags;
    });
}

bool DocumentOutlineModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    // Asked by Qt's views: what the tree raises stops here.
    return platform::ExceptionBoundary::guardOr(this, "setData", false, [&]() -> bool {
        Node *node = nodeForIndex(index);
        if (!node || !m_dataSource || role != Qt::EditRole)
            return false;
        const QString identifier = identifierForColumn(index.column());
        if (!m_dataSource->outlineViewIsItemEditable(identifier, node))
            return false;
        return m_dataSource->outlineViewSetObjectValue(value, identifier, node);
    });
}

QStringList DocumentOutlineModel::mimeTypes() const
{
    return platform::ExceptionBoundary::guardOr(this, "mimeTypes", QStringList(), [&]() -> QStringList {
        return m_dataSource ? m_dataSource->outlineViewPasteboardTypes() : QStringList();
    });
}

QMimeData *DocumentOutlineModel::mimeData(const QModelIndexList &indexes) const
{
    // Asked by Qt's views: what the tree raises stops here.
    return platform::ExceptionBoundary::guardOr(this, "mimeData", static_cast<QMimeData *>(nullptr),
                                                [&]() -> QMimeData * {
        if (!m_dataSource)
            return nullptr;
        // Each node once (an index per column comes in), ordered as the tree shows them.
        std::vector<std::pair<std::vector<qsizetype>, NodePtr>> found;
        QSet<const Node *> seen;
        for (const QModelIndex &index : indexes) {
            Node *node = nodeForIndex(index);
            if (!node || seen.contains(node) || !indexForNode(node).isValid())
                continue;
            seen.insert(node);
            NodePtr shared = node->weak_from_this().lock();
            if (!shared)
                continue;
            std::vector<qsizetype> path;
            for (const Node *n = node; n->parent() && n != m_dataSource->outlineRootItem(); n = n->parent())
                path.insert(path.begin(), n->parent()->indexOfChild(n));
            found.emplace_back(std::move(path), std::move(shared));
        }
        std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        QList<NodePtr> nodes;
        for (auto &entry : found)
            nodes.append(std::move(entry.second));
        if (nodes.isEmpty())
            return nullptr;
        return m_dataSource->outlineViewWriteItems(nodes);
    });
}

bool DocumentOutlineModel::canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int,
                                           const QModelIndex &parent) const
{
    return platform::ExceptionBoundary::guardOr(this, "canDropMimeData", false, [&]() -> bool {
        if (!m_dataSource || !data || !(supportedDropActions() & action))
            return false;
        if (parent.isValid() && !nodeForIndex(parent))
            return false;
        return m_dataSource->outlineViewValidateDrop(data, nodeForIndex(parent), row < 0 ? -1 : row) != Qt::IgnoreAction;
    });
}

bool DocumentOutlineModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                                        const QModelIndex &parent)
{
    // Asked by Qt's views: what the tree raises stops here.
    return platform::ExceptionBoundary::guardOr(this, "dropMimeData", false, [&]() -> bool {
        if (!canDropMimeData(data, action, row, column, parent))
            return false;
        return m_dataSource->outlineViewAcceptDrop(data, nodeForIndex(parent), row < 0 ? -1 : row);
    });
}

Qt::DropActions DocumentOutlineModel::supportedDropActions() const
{
    return platform::ExceptionBoundary::guardOr(this, "supportedDropActions", Qt::DropActions(), [&]() -> Qt::DropActions {
        return Qt::MoveAction | Qt::CopyAction;
    });
}

Qt::DropActions DocumentOutlineModel::supportedDragActions() const
{
    return platform::ExceptionBoundary::guardOr(this, "supportedDragActions", Qt::DropActions(), [&]() -> Qt::DropActions {
        return Qt::MoveAction | Qt::CopyAction;
    });
}

QVariant DocumentOutlineModel::itemForIndex(const QModelIndex &index) const
{
    Node *node = nodeForIndex(index);
    if (!node)
        return QVariant();
    const NodePtr shared = node->weak_from_this().lock();
    return shared ? QVariant::fromValue(shared) : QVariant();
}

QModelIndex DocumentOutlineModel::indexForItem(const QVariant &item) const
{
    if (item.metaType() != QMetaType::fromType<NodePtr>())
        return QModelIndex();
    return indexForNode(item.value<NodePtr>().get(), 0);
}
