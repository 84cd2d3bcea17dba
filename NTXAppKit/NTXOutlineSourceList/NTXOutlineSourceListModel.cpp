#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListModel.h"

#include "FoundationExtensions/NTXNSArray_Extension.h"
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceList.h"
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListCalls.h"
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListDataSource.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QFont>
#include <QMimeData>
#include <QtDebug>

using namespace NTXOutlineSourceListCalls;

namespace {

const void *identityOf(const QVariant &item)
{
    return NTXNSArray_Extension::detail::identityOfVariant(item);
}

bool isObjectItem(const QVariant &item)
{
    return item.metaType().flags().testFlag(QMetaType::PointerToQObject);
}

} // namespace

NTXOutlineSourceListModel::NTXOutlineSourceListModel(NTXOutlineSourceList *sourceList)
    : QAbstractItemModel(sourceList)
    , m_sourceList(sourceList)
{
}

NTXOutlineSourceListModel::~NTXOutlineSourceListModel() = default;

void NTXOutlineSourceListModel::reload()
{
    beginResetModel();
    m_root.children.clear();
    m_root.loaded = false;
    m_byIdentity.clear();
    endResetModel();
}

NTXOutlineSourceListModel::Node *NTXOutlineSourceListModel::nodeOf(const QModelIndex &index) const
{
    if (!index.isValid())
        return &m_root;
    return static_cast<Node *>(index.internalPointer());
}

void NTXOutlineSourceListModel::load(Node *node) const
{
    if (node->loaded)
        return;
    node->loaded = true;
    QObject *source = m_sourceList->dataSource();
    auto *conforming = qobject_cast<NTXOutlineSourceListDataSource *>(source);
    if (!conforming) {
        if (source)
            qWarning().noquote() << QStringLiteral("NTXOutlineSourceList: Datasource %1 is not conform to protocol "
                                                   "<NTXOutlineSourceListDataSource>")
                                        .arg(source->objectName().isEmpty()
                                                 ? QString::fromLatin1(source->metaObject()->className())
                                                 : source->objectName());
        return;
    }
    if (node != &m_root && !isExpandable(node->item))
        return;
    const int count = std::clamp(askDataSource(source, "sourceListNumberOfChildrenOfItem", 0, [&](auto *d) {
                                     return d->sourceListNumberOfChildrenOfItem(m_sourceList, node->item);
                                 }),
                                 0, MaximumChildCount);
    node->children.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        auto child = std::make_unique<Node>();
        child->item = askDataSource(source, "sourceListChildOfItem", QVariant(),
                                    [&](auto *d) { return d->sourceListChildOfItem(m_sourceList, i, node->item); });
        if (isObjectItem(child->item))
            child->object = child->item.value<QObject *>();
        child->parent = node;
        child->row = i;
        if (const void *identity = identityOf(child->item); identity && !m_byIdentity.contains(identity))
            m_byIdentity.insert(identity, child.get());
        node->children.push_back(std::move(child));
    }
}

bool NTXOutlineSourceListModel::isExpandable(const QVariant &item) const
{
    return askDataSource(m_sourceList->dataSource(), "sourceListIsItemExpandable", false,
                         [&](auto *d) { return d->sourceListIsItemExpandable(m_sourceList, item); });
}

QVariant NTXOutlineSourceListModel::itemForIndex(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return QVariant();
    return nodeOf(index)->item;
}

NTXOutlineSourceListModel::ItemRecord NTXOutlineSourceListModel::recordForIndex(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return {};
    const Node *node = nodeOf(index);
    return ItemRecord{node->item, node->object, isObjectItem(node->item)};
}

bool NTXOutlineSourceListModel::ItemRecord::isStill(const QVariant &item) const
{
    if (!isObject)
        return !isObjectItem(item) && value == item;
    return object && isObjectItem(item) && item.value<QObject *>() == object.data();
}

QModelIndex NTXOutlineSourceListModel::indexForItem(const QVariant &item) const
{
    if (!item.isValid())
        return QModelIndex();
    const Node *found = nullptr;
    if (const void *identity = identityOf(item)) {
        found = m_byIdentity.value(identity);
    } else {
        // A value item: the first loaded node that holds an equal value, depth first.
        std::vector<const Node *> pending{&m_root};
        while (!pending.empty() && !found) {
            const Node *node = pending.back();
            pending.pop_back();
            for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
                pending.push_back(it->get());
            if (node != &m_root && node->item == item)
                found = node;
        }
    }
    return found ? createIndex(found->row, 0, const_cast<Node *>(found)) : QModelIndex();
}

QModelIndex NTXOutlineSourceListModel::index(int row, int column, const QModelIndex &parent) const
{
    return platform::ExceptionBoundary::guardOr(this, "index", QModelIndex(), [&]() -> QModelIndex {
        if (column != 0 || row < 0)
            return QModelIndex();
        Node *node = nodeOf(parent);
        load(node);
        if (row >= int(node->children.size()))
            return QModelIndex();
        return createIndex(row, 0, node->children[size_t(row)].get());
    });
}

QModelIndex NTXOutlineSourceListModel::parent(const QModelIndex &child) const
{
    return platform::ExceptionBoundary::guardOr(this, "parent", QModelIndex(), [&]() -> QModelIndex {
        if (!child.isValid())
            return QModelIndex();
        Node *parentNode = nodeOf(child)->parent;
        if (!parentNode || parentNode == &m_root)
            return QModelIndex();
        return createIndex(parentNode->row, 0, parentNode);
    });
}

int NTXOutlineSourceListModel::rowCount(const QModelIndex &parent) const
{
    return platform::ExceptionBoundary::guardOr(this, "rowCount", 0, [&]() -> int {
        if (parent.column() > 0)
            return 0;
        Node *node = nodeOf(parent);
        load(node);
        return int(node->children.size());
    });
}

int NTXOutlineSourceListModel::columnCount(const QModelIndex &) const
{
    return platform::ExceptionBoundary::guardOr(this, "columnCount", 0, [&]() -> int {
        return 1;
    });
}

bool NTXOutlineSourceListModel::hasChildren(const QModelIndex &parent) const
{
    return platform::ExceptionBoundary::guardOr(this, "hasChildren", false, [&]() -> bool {
        if (!parent.isValid())
            return rowCount(parent) > 0;
        return isExpandable(nodeOf(parent)->item);
    });
}

QVariant NTXOutlineSourceListModel::data(const QModelIndex &index, int role) const
{
    return platform::ExceptionBoundary::guardOr(this, "data", QVariant(), [&]() -> QVariant {
        if (!index.isValid())
            return QVariant();
        const Node *node = nodeOf(index);
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return askDataSource(m_sourceList->dataSource(), "sourceListObjectValueForItem", QVariant(),
                                 [&](auto *d) { return d->sourceListObjectValueForItem(m_sourceList, node->item); });
        case Qt::FontRole:
            if (node->parent == &m_root) {
                QFont heading = m_sourceList->font();
                heading.setBold(true);
                return heading;
            }
            return QVariant();
        default:
            return QVariant();
        }
    });
}

bool NTXOutlineSourceListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    return platform::ExceptionBoundary::guardOr(this, "setData", false, [&]() -> bool {
        if (!index.isValid() || role != Qt::EditRole
            || !qobject_cast<NTXOutlineSourceListDataSource *>(m_sourceList->dataSource()))
            return false;
        if (!tell(m_sourceList->dataSource(), "sourceListSetObjectValueForItem", m_sourceList, value, nodeOf(index)->item))
            return false;
        Q_EMIT dataChanged(index, index);
        return true;
    });
}

Qt::ItemFlags NTXOutlineSourceListModel::flags(const QModelIndex &index) const
{
    return platform::ExceptionBoundary::guardOr(this, "flags", Qt::ItemFlags(), [&]() -> Qt::ItemFlags {
        if (!index.isValid())
            return Qt::ItemIsDropEnabled;
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsDropEnabled;
        const QVariant item = nodeOf(index)->item;
        if (nodeOf(index)->parent != &m_root) {
            flags |= Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
            if (m_sourceList->shouldEditItem(item))
                flags |= Qt::ItemIsEditable;
        }
        return flags;
    });
}

QMimeData *NTXOutlineSourceListModel::mimeData(const QModelIndexList &indexes) const
{
    return platform::ExceptionBoundary::guardOr(this, "mimeData", static_cast<QMimeData *>(nullptr), [&]() -> QMimeData * {
        QVariantList items;
        for (const QModelIndex &index : indexes) {
            if (index.isValid() && index.column() == 0)
                items.append(nodeOf(index)->item);
        }
        auto data = std::make_unique<QMimeData>();
        const std::optional<bool> written =
            ask<bool>(m_sourceList->dataSource(), "sourceListWriteItemsToPasteboard", m_sourceList, items, data.get());
        return written.value_or(false) ? data.release() : nullptr;
    });
}

bool NTXOutlineSourceListModel::canDropMimeData(const QMimeData *, Qt::DropAction, int, int, const QModelIndex &) const
{
    return platform::ExceptionBoundary::guardOr(this, "canDropMimeData", false, [&]() -> bool {
        // The source list asks the data source itself, with the event.
        return true;
    });
}

Qt::DropActions NTXOutlineSourceListModel::supportedDragActions() const
{
    return platform::ExceptionBoundary::guardOr(this, "supportedDragActions", Qt::DropActions(), [&]() -> Qt::DropActions {
        return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    });
}

Qt::DropActions NTXOutlineSourceListModel::supportedDropActions() const
{
    return platform::ExceptionBoundary::guardOr(this, "supportedDropActions", Qt::DropActions(), [&]() -> Qt::DropActions {
        return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    });
}
