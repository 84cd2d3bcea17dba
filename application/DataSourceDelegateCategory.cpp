// What the outline shows of the node tree and how each row looks; the check box of
// the executed flag, the context menu, the Delete key, and moving jobs and groups by
// drag and drop.
#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "NTXAppKit/NTXLabeledImageTextCell/NTXLabeledImageTextCell.h"
#include "application/ButtonCellForOutlineView.h"
#include "application/MyDocument.h"
#include "platform/foundation/Bundle.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/foundation/UndoManager.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCoreApplication>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHash>
#include <QKeyEvent>
#include <QMimeData>
#include <QTreeView>
#include <functional>

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

// ---------------------------------------------------------------------------
// In-place editing: the executed flag

namespace {

QString localizedText(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

bool isJobOrGroup(const Node *node)
{
    return node && (node->type() == Node::Job || node->type() == Node::Group);
}

NodePtr sharedFromNode(Node *node)
{
    return node ? node->weak_from_this().lock() : NodePtr();
}

} // namespace

bool MyDocument::outlineViewIsItemEditable(const QString &identifier, Node *item) const
{
    // Days and time entries show no check box.
    return identifier == QLatin1String("outlineStatus") && isJobOrGroup(item);
}

bool MyDocument::outlineViewSetObjectValue(const QVariant &value, const QString &identifier, Node *item)
{
    if (identifier != QLatin1String("outlineStatus") || !isJobOrGroup(item) || !value.isValid())
        return false;
    const NodePtr node = sharedFromNode(item);
    if (!node || !m_outlineModel->indexForNode(node.get()).isValid())
        return false;
    // A check box state: 1 on, 0 off (a mixed state counts as on).
    const bool executed = value.typeId() == QMetaType::Bool ? value.toBool() : value.toInt() != 0;
    setExecutedForNodeTree(executed, node);
    undoManager()->setActionName(localizedText("LSUDExecuted"));
    return true;
}

bool MyDocument::outlineViewShouldExpandItem(Node *item) const
{
    if (!item)
        return false;
    if (m_dragSessionInProgress && item->type() != Node::Group)
        return false;
    return item->expandable();
}

// ---------------------------------------------------------------------------
// Context menu and Delete key

QMenu *MyDocument::outlineViewMenuForTableColumnItem(QTreeView *, int, const QVariant &item)
{
    if (!m_outlineMenu)
        return nullptr;
    m_outlineMenu->clear();
    const NodePtr node = item.value<NodePtr>();
    if (!node)
        return nullptr;
    const bool idle = !timerIsRunning();
    using platform::MenuItemValidation::makeItem;
    // An item for the node: its action goes to the document, and it is usable only
    // while this document counts no time.
    auto add = [&](const char *key, const QByteArray &action) {
        QAction *menuItem = makeItem(localizedText(key), action, m_outlineMenu, QKeySequence(), this);
        platform::MenuItemValidation::setRepresentedObject(menuItem, QVariant::fromValue(node));
        menuItem->setEnabled(idle);
        m_outlineMenu->addAction(menuItem);
    };
    switch (node->type()) {
    case Node::Job: {
        // Starting and stopping belong to the application controller: no target, so
        // the action travels along the responder chain to it.
        const bool running = timerIsRunning() && node->active();
        QAction *startStop = makeItem(localizedText(running ? "LSCstop" : "LSCstart"),
                                      running ? QByteArrayLiteral("menuToggleSelected:") : QByteArrayLiteral("menuSelected:"),
                                      m_outlineMenu);
        platform::MenuItemValidation::setRepresentedObject(startStop, QVariant::fromValue(node));
        startStop->setEnabled(true);
        m_outlineMenu->addAction(startStop);
        m_outlineMenu->addSeparator();
        add("LSCEdit", "handleMyDoubleClick:");
        add("LSCActived", "activedSelectedJob:");
        m_outlineMenu->addSeparator();
        add("LSaddEntry", "newJobEntry:");
        add("LSaddGroup", "newGroupEntry:");
        m_outlineMenu->addSeparator();
        add("LSCDelete", "deleteEntry:");
        break;
    }
    case Node::Day:
        add("LSaddEntry", "newJobEntry:");
        add("LSaddGroup", "newGroupEntry:");
        m_outlineMenu->addSeparator();
        add("LSCDelete", "deleteEntry:");
        break;
    case Node::TimeEntry:
    case Node::Group:
        add("LSCEdit", "handleMyDoubleClick:");
        m_outlineMenu->addSeparator();
        add("LSaddEntry", "newJobEntry:");
        add("LSaddGroup", "newGroupEntry:");
        m_outlineMenu->addSeparator();
        add("LSCDelete", "deleteEntry:");
        break;
    default:
        return nullptr;
    }
    return m_outlineMenu;
}

void MyDocument::outlineViewDidReceiveDelete(QTreeView *outlineView, QKeyEvent *)
{
    QTreeView *outline = outlineView ? outlineView : this->outlineView();
    if (!outline || timerIsRunning())
        return;
    if (!outline->selectionModel() || !outline->selectionModel()->hasSelection())
        return;
    deleteEntry(outline);
}

// ---------------------------------------------------------------------------
// Drag and drop
//
// A drag carries no nodes: its data names the document it comes from and the drag,
// and the receiving side takes the nodes from that document. So data from another
// process, from a drag that is over or from a closed document moves nothing.

namespace {

// The documents that started drags, by the number their drag data names.
QHash<quint64, QPointer<MyDocument>> &dragSources()
{
    static QHash<quint64, QPointer<MyDocument>> sources;
    return sources;
}

quint64 nextDragNumber()
{
    static quint64 number = 0;
    return ++number;
}

QByteArray dragData(quint64 document, quint64 drag)
{
    return QByteArrayLiteral("chronark-drag ") + QByteArray::number(QCoreApplication::applicationPid()) + ' '
           + QByteArray::number(document) + ' ' + QByteArray::number(drag);
}

// The document and drag numbers of drag data made by this process.
bool parseDragData(const QByteArray &data, quint64 &document, quint64 &drag)
{
    if (data.size() > 128 || !data.startsWith("chronark-drag "))
        return false;
    const QList<QByteArray> parts = data.mid(14).split(' ');
    if (parts.size() != 3)
        return false;
    bool ok = false;
    if (parts[0].toLongLong(&ok) != QCoreApplication::applicationPid() || !ok)
        return false;
    document = parts[1].toULongLong(&ok);
    if (!ok)
        return false;
    drag = parts[2].toULongLong(&ok);
    return ok;
}

// Clears "active" in a copied subtree: a document has one active job.
void deactivateTree(Node &node, int depth = 0)
{
    node.setActive(false);
    if (depth > 10000)
        return;
    for (const NodePtr &child : node.childEnumerator())
        deactivateTree(*child, depth + 1);
}

// Sets the operation of a drag over the outline after the view has answered it:
// the outline's model knows the operation (move or copy); the view only takes the
// one the user's keys propose.
class DropOperationFilter : public QObject
{
public:
    DropOperationFilter(QTreeView *outline, std::function<Qt::DropAction(const QMimeData *)> operation)
        : QObject(outline), m_outline(outline), m_operation(std::move(operation))
    {
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
            return false;
        if (m_forwarding || watched != m_outline->viewport())
            return false;
        auto *drop = static_cast<QDropEvent *>(event);
        const Qt::DropAction operation = m_operation(drop->mimeData());
        m_forwarding = true;
        QCoreApplication::sendEvent(watched, event);
        m_forwarding = false;
        if (drop->isAccepted() && operation != Qt::IgnoreAction && (drop->possibleActions() & operation)) {
            drop->setDropAction(operation);
            drop->accept();
        }
        return true;
    }

private:
    QTreeView *m_outline;
    std::function<Qt::DropAction(const QMimeData *)> m_operation;
    bool m_forwarding = false;
};

} // namespace

MyDocument *MyDocument::dragSourceDocument(const QMimeData *data)
{
    if (!data || !data->hasFormat(OutlineViewPboardMimeType))
        return nullptr;
    quint64 document = 0;
    quint64 drag = 0;
    if (!parseDragData(data->data(OutlineViewPboardMimeType), document, drag))
        return nullptr;
    MyDocument *source = dragSources().value(document).data();
    // Only the document's latest drag names nodes.
    if (!source || source->m_dragSerial != drag)
        return nullptr;
    return source;
}

bool MyDocument::outlineViewAcceptsDropOnItem(Node *item) const
{
    if (!item)
        return allowBetweenDrop();
    return item->type() == Node::Group && allowOnDropOnGroup();
}

QStringList MyDocument::outlineViewPasteboardTypes() const
{
    return {OutlineViewPboardMimeType};
}

QMimeData *MyDocument::outlineViewWriteItems(const QList<NodePtr> &items)
{
    // Only jobs and groups move; a job inside a dragged group moves with it.
    QList<NodePtr> movable;
    for (const NodePtr &node : Node::minimumNodeCoverFromNodesInArray(items)) {
        if (isJobOrGroup(node.get()))
            movable.append(node);
    }
    if (movable.isEmpty())
        return nullptr;
    if (m_dragDocumentId == 0) {
        m_dragDocumentId = nextDragNumber();
        QHash<quint64, QPointer<MyDocument>> &sources = dragSources();
        sources.removeIf([](const auto &entry) { return entry.value().isNull(); });
        sources.insert(m_dragDocumentId, this);
    }
    m_draggedNodes = movable;
    m_dragSerial = nextDragNumber();
    auto *data = new QMimeData;
    data->setData(OutlineViewPboardMimeType, dragData(m_dragDocumentId, m_dragSerial));
    m_dragSessionInProgress = true;
    // The drag owns its data: when the data goes, the drag is over.
    const quint64 serial = m_dragSerial;
    QPointer<MyDocument> self(this);
    QObject::connect(data, &QObject::destroyed, this, [self, serial] {
        if (self && self->m_dragSerial == serial)
            self->m_dragSessionInProgress = false;
    });
    return data;
}

Qt::DropAction MyDocument::outlineViewValidateDrop(const QMimeData *data, Node *item, qsizetype childIndex) const
{
    const bool container = !item || item->type() == Node::Group || item->type() == Node::Root;
    const bool between = childIndex != -1;
    bool valid = container;
    if (!item && !between)
        valid = allowOnDropOnLeaf() && container;
    if (valid && between && !allowBetweenDrop())
        valid = false;
    if (item && item->type() == Node::Group && !between && !allowOnDropOnGroup())
        valid = false;
    // The item must hang in this document's tree.
    if (valid && item && item != m_jobList.get() && !m_outlineModel->indexForNode(item).isValid())
        valid = false;
    if (!valid)
        return Qt::IgnoreAction;
    MyDocument *source = dragSourceDocument(data);
    if (!source || source->m_draggedNodes.isEmpty())
        return Qt::IgnoreAction;
    if (source != this)
        return Qt::CopyAction;
    // Never into a dragged node or below one.
    if (item && item->isDescendantOfNodeInArray(m_draggedNodes))
        return Qt::IgnoreAction;
    // Only nodes still in this tree move.
    for (const NodePtr &node : m_draggedNodes) {
        if (m_outlineModel->indexForNode(node.get()).isValid())
            return Qt::MoveAction;
    }
    return Qt::IgnoreAction;
}

bool MyDocument::outlineViewAcceptDrop(const QMimeData *data, Node *item, qsizetype childIndex)
{
    if (outlineViewValidateDrop(data, item, childIndex) == Qt::IgnoreAction)
        return false;
    const NodePtr target = item ? sharedFromNode(item) : m_jobList;
    if (!target)
        return false;
    performDropOperation(data, target, childIndex < 0 ? 0 : childIndex);
    return true;
}

void MyDocument::performDropOperation(const QMimeData *data, const NodePtr &target, qsizetype index)
{
    QList<QVariant> selection;
    MyDocument *source = dragSourceDocument(data);
    if (source) {
        QList<NodePtr> nodes = Node::minimumNodeCoverFromNodesInArray(source->m_draggedNodes);
        nodes.removeIf([](const NodePtr &node) { return !isJobOrGroup(node.get()); });
        if (QTreeView *outline = outlineView())
            selection = NTXOutlineViewExtension::allSelectedItems(outline);
        index = std::clamp<qsizetype>(index, 0, target->childrenCount());
        if (source == this) {
            // Only what still hangs in the tree moves.
            nodes.removeIf([this](const NodePtr &node) { return !m_outlineModel->indexForNode(node.get()).isValid(); });
            for (const NodePtr &node : nodes) {
                const NodePtr parent = sharedFromNode(node->parent());
                if (!parent)
                    continue;
                if (parent == target && parent->indexOfChild(node.get()) < index)
                    --index;
                deleteNode(node, parent);
            }
        } else {
            // From another document: copies, so that each document's undo keeps to
            // its own tree.
            QList<NodePtr> copies;
            for (const NodePtr &node : nodes) {
                NodePtr copy = node->clone();
                deactivateTree(*copy);
                copies.append(copy);
            }
            nodes = copies;
        }
        if (!nodes.isEmpty()) {
            insertNodes(nodes, target, index);
            undoManager()->setActionName(localizedText("LSUDDragAndDrop"));
        }
    }
    displayActivatedJob();
    if (QTreeView *outline = outlineView())
        NTXOutlineViewExtension::selectItems(outline, selection, false);
}

void MyDocument::outlineViewDraggingExited(QTreeView *, QDragLeaveEvent *)
{
    m_dragSessionInProgress = false;
    reloadOutline();
}

void MyDocument::outlineViewConcludeDragOperation(QTreeView *, QDropEvent *)
{
    m_dragSessionInProgress = false;
    reloadOutline();
}

void MyDocument::setupOutlineDragAndDrop()
{
    QTreeView *outline = outlineView();
    if (!outline)
        return;
    outline->setDragEnabled(true);
    outline->setAcceptDrops(true);
    outline->viewport()->setAcceptDrops(true);
    outline->setDropIndicatorShown(true);
    outline->setDragDropMode(QAbstractItemView::DragDrop);
    outline->setDefaultDropAction(Qt::MoveAction);
    outline->setDragDropOverwriteMode(false);
    // Groups open while something is dragged over them.
    outline->setAutoExpandDelay(600);
    outline->viewport()->installEventFilter(new DropOperationFilter(outline, [this](const QMimeData *data) {
        MyDocument *source = dragSourceDocument(data);
        return !source ? Qt::IgnoreAction : (source == this ? Qt::MoveAction : Qt::CopyAction);
    }));
    connect(outline, &QTreeView::expanded, this, [this, outline](const QModelIndex &index) {
        // Reloading brings back rows the user had opened: those stay open.
        if (!m_reloading && !outlineViewShouldExpandItem(m_outlineModel->nodeForIndex(index)))
            outline->collapse(index);
    });
}
