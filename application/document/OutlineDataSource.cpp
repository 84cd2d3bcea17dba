// What the outline shows of the node tree and how each row looks (see
// OutlineDataSource.h).
#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "NTXAppKit/NTXLabeledImageTextCell/NTXLabeledImageTextCell.h"
#include "application/document/ButtonCellForOutlineView.h"
#include "application/document/OutlineDataSource.h"

#include "application/base/ApplicationImages.h"
#include "application/document/DocumentEdits.h"
#include "application/document/DocumentWindowController.h"
#include "application/document/DocumentContext.h"
#include "application/document/DocumentCounter.h"
#include "application/tree/CurrencyFormatter.h"
#include "application/tree/NodeRelease.h"
#include "application/document/DocumentOutlineModel.h"
#include "platform/document/Document.h"
#include "application/document/OutlineMoves.h"
#include "platform/foundation/Bundle.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/foundation/DisplayText.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/UndoManager.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCoreApplication>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHash>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QTreeView>
#include <functional>
#include <optional>

namespace {

const QString GroupImage = QStringLiteral("entry_group.png");
const QString TimeImage = QStringLiteral("entry_time2.tif");
const QString JobImage = QStringLiteral("entry_job.tif");
const QString DayImage = QStringLiteral("entry_day.tif");
const QString ActiveOverlay = QStringLiteral("entry_active.tif");

} // namespace

OutlineDataSource::OutlineDataSource(const DocumentContext &context, DocumentWindowController &windowController)
    : QObject(&context.platformDocument())
    , m_context(context)
    , m_windowController(windowController)
{
    m_groupImage = ApplicationImages::iconNamed(GroupImage);
    m_timeImage = ApplicationImages::iconNamed(TimeImage);
    m_jobImage = ApplicationImages::iconNamed(JobImage);
    m_dayImage = ApplicationImages::iconNamed(DayImage);
    m_activeJobImage = ApplicationImages::compositeIcon(JobImage, ActiveOverlay);
    m_activeGroupImage = ApplicationImages::compositeIcon(GroupImage, ActiveOverlay);
}

QStringList OutlineDataSource::rowImageNames()
{
    return {GroupImage, JobImage, DayImage, TimeImage};
}

QList<std::pair<QString, QString>> OutlineDataSource::rowCompositeImageNames()
{
    return {{JobImage, ActiveOverlay}, {GroupImage, ActiveOverlay}};
}

void OutlineDataSource::setCounter(DocumentCounter *counter) { m_counter = counter; }

OutlineDataSource::~OutlineDataSource() = default;

Node *OutlineDataSource::outlineRootItem() const
{
    return m_context.jobList().get();
}

void OutlineDataSource::setColumnTitle(const QString &identifier, const QString &title)
{
    m_columnTitles.insert(identifier, title);
}

NodePtr OutlineDataSource::outlineViewChildOfItem(qsizetype index, Node *item) const
{
    const Node *node = item ? item : m_context.jobList().get();
    if (index < 0 || index >= node->childrenCount())
        return NodePtr();
    return node->childAtIndex(index);
}

Node *OutlineDataSource::outlineViewChildPointerOfItem(qsizetype index, Node *item) const
{
    const Node *node = item ? item : m_context.jobList().get();
    if (index < 0 || index >= node->childrenCount())
        return nullptr;
    return node->childPointerAt(index);
}

bool OutlineDataSource::outlineViewIsItemExpandable(Node *item) const
{
    return (item ? item : m_context.jobList().get())->expandable();
}

qsizetype OutlineDataSource::outlineViewNumberOfChildrenOfItem(Node *item) const
{
    return (item ? item : m_context.jobList().get())->childrenCount();
}

QVariant OutlineDataSource::outlineViewObjectValueForTableColumnByItem(const QString &identifier, Node *item) const
{
    if (!item)
        return QVariant();
    if (identifier == QLatin1String("outlineStatus"))
        return QVariant(item->executed());
    if (identifier == QLatin1String("outlineName"))
        return item->itemName();
    if (identifier == QLatin1String("outlineTime"))
        return item->workTimeAsString();
    return m_context.formatter().stringFromNumber(double(item->preciseTurnover()));
}

QFont OutlineDataSource::outlineViewFontForItem(Node *item) const
{
    QFont font = QApplication::font();
    font.setBold(item && item->active());
    return font;
}

QIcon OutlineDataSource::outlineViewImageForItem(Node *item) const
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
        const NodePtr active = m_context.jobList()->getActiveNode();
        return active && item->nodeIsMemberOfTree(active.get()) ? m_activeGroupImage : m_groupImage;
    }
    default:
        return QIcon();
    }
}

QString OutlineDataSource::outlineViewTitleForTableColumn(const QString &identifier) const
{
    return m_columnTitles.value(identifier);
}

void OutlineDataSource::outlineViewWillDisplayCell(platform::Cell &cell, const QString &identifier, Node *item) const
{
    if (!item)
        return;
    cell.setFont(outlineViewFontForItem(item));
    if (identifier == QLatin1String("outlineName")) {
        // A row is one line high: the name's line breaks show as blanks.
        cell.setStringValue(platform::DisplayText::shownOnOneLine(item->itemName()));
        cell.setImage(outlineViewImageForItem(item));
        if (auto *labeled = dynamic_cast<NTXLabeledImageTextCell *>(&cell))
            labeled->setColorLabelType(item->colorLabel());
    } else if (identifier == QLatin1String("outlineStatus")) {
        if (auto *button = dynamic_cast<ButtonCellForOutlineView *>(&cell))
            button->setTransparent(item->type() == Node::Day || item->type() == Node::TimeEntry);
    }
}

void OutlineDataSource::outlineViewSelectionDidChange()
{
    m_context.selectionChanged();
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


} // namespace

bool OutlineDataSource::outlineViewIsItemEditable(const QString &identifier, Node *item) const
{
    // Days and time entries show no check box.
    return identifier == QLatin1String("outlineStatus") && isJobOrGroup(item);
}

bool OutlineDataSource::outlineViewSetObjectValue(const QVariant &value, const QString &identifier, Node *item)
{
    if (identifier != QLatin1String("outlineStatus") || !isJobOrGroup(item) || !value.isValid())
        return false;
    const NodePtr node = Node::shared(item);
    if (!node || !m_context.outlineModel()->indexForNode(node.get()).isValid())
        return false;
    // A check box state: 1 on, 0 off (a mixed state counts as on).
    const bool executed = value.typeId() == QMetaType::Bool ? value.toBool() : value.toInt() != 0;
    m_edits->setExecutedForNodeTree(executed, node);
    m_context.platformDocument().undoManager()->setActionName(localizedText("LSUDExecuted"));
    return true;
}

bool OutlineDataSource::outlineViewShouldExpandItem(Node *item) const
{
    if (!item)
        return false;
    if (m_dragSessionInProgress && item->type() != Node::Group)
        return false;
    return item->expandable();
}

// ---------------------------------------------------------------------------
// Context menu and Delete key

QMenu *OutlineDataSource::outlineViewMenuForTableColumnItem(QTreeView *, int, const QVariant &item)
{
    return m_windowController.fillOutlineMenu(item.value<NodePtr>());
}

bool OutlineDataSource::canDeleteSelection(QTreeView *outline) const
{
    return outline && !(m_counter && m_counter->isRunning()) && outline->selectionModel()
           && outline->selectionModel()->hasSelection();
}

void OutlineDataSource::outlineViewDidReceiveDelete(QTreeView *outlineView, QKeyEvent *)
{
    QTreeView *outline = outlineView ? outlineView : m_context.outlineView();
    if (canDeleteSelection(outline))
        m_edits->deleteEntry(outline);
}

void OutlineDataSource::deleteSelection(QObject *)
{
    outlineViewDidReceiveDelete(m_context.outlineView(), nullptr);
}

bool OutlineDataSource::validateMenuItem(QAction *item)
{
    if (platform::MenuItemValidation::actionMethodName(item) == "deleteSelection")
        return canDeleteSelection(m_context.outlineView());
    return true;
}

// ---------------------------------------------------------------------------
// Drag and drop
//
// A drag carries no nodes: its data names the document it comes from and the drag,
// and the receiving side takes the nodes from that document. So data from another
// process, from a drag that is over or from a closed document moves nothing.

namespace {

// The documents that started drags, by the number their drag data names.
QHash<quint64, QPointer<OutlineDataSource>> &dragSources()
{
    static QHash<quint64, QPointer<OutlineDataSource>> sources;
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
    try {
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
    } catch (...) {
        platform::ExceptionBoundary::caught(this, "eventFilter");
        return false;
    }

private:
    QTreeView *m_outline;
    std::function<Qt::DropAction(const QMimeData *)> m_operation;
    bool m_forwarding = false;
};

} // namespace

OutlineDataSource *OutlineDataSource::dragSource(const QMimeData *data)
{
    if (!data || !data->hasFormat(OutlineViewPboardMimeType))
        return nullptr;
    quint64 document = 0;
    quint64 drag = 0;
    if (!parseDragData(data->data(OutlineViewPboardMimeType), document, drag))
        return nullptr;
    OutlineDataSource *source = dragSources().value(document).data();
    // Only the document's latest drag names nodes.
    if (!source || source->m_dragSerial != drag)
        return nullptr;
    return source;
}

bool OutlineDataSource::outlineViewAcceptsDropOnItem(Node *item) const
{
    if (!item)
        return AllowBetweenDrop;
    return item->type() == Node::Group && AllowOnDropOnGroup;
}

QStringList OutlineDataSource::outlineViewPasteboardTypes() const
{
    return {OutlineViewPboardMimeType};
}

QMimeData *OutlineDataSource::outlineViewWriteItems(const QList<NodePtr> &items)
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
        QHash<quint64, QPointer<OutlineDataSource>> &sources = dragSources();
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
    QPointer<OutlineDataSource> self(this);
    QObject::connect(data, &QObject::destroyed, this, platform::ExceptionBoundary::guarded(this, "destroyed", [self, serial] {
        if (self && self->m_dragSerial == serial) {
            self->m_dragSessionInProgress = false;
            // Nothing drops them any more: held on, they would keep a group the tree
            // lost meanwhile (a revert) until the next drag, and be freed there at once.
            NodeRelease::release(std::move(self->m_draggedNodes));
            self->m_draggedNodes.clear();
        }
    }));
    return data;
}

Qt::DropAction OutlineDataSource::outlineViewValidateDrop(const QMimeData *data, Node *item, qsizetype childIndex) const
{
    const bool container = !item || item->type() == Node::Group || item->type() == Node::Root;
    const bool between = childIndex != -1;
    bool valid = container;
    if (!item && !between)
        valid = AllowOnDropOnLeaf && container;
    if (valid && between && !AllowBetweenDrop)
        valid = false;
    if (item && item->type() == Node::Group && !between && !AllowOnDropOnGroup)
        valid = false;
    // The item must hang in this document's tree.
    if (valid && item && item != m_context.jobList().get() && !m_context.outlineModel()->indexForNode(item).isValid())
        valid = false;
    if (!valid)
        return Qt::IgnoreAction;
    OutlineDataSource *source = dragSource(data);
    if (!source || source->m_draggedNodes.isEmpty())
        return Qt::IgnoreAction;
    if (source != this)
        return Qt::CopyAction;
    // Never into a dragged node or below one.
    if (item && item->isDescendantOfNodeInArray(m_draggedNodes))
        return Qt::IgnoreAction;
    // Only nodes still in this tree move.
    for (const NodePtr &node : m_draggedNodes) {
        if (m_context.outlineModel()->indexForNode(node.get()).isValid())
            return Qt::MoveAction;
    }
    return Qt::IgnoreAction;
}

bool OutlineDataSource::outlineViewAcceptDrop(const QMimeData *data, Node *item, qsizetype childIndex)
{
    if (outlineViewValidateDrop(data, item, childIndex) == Qt::IgnoreAction)
        return false;
    const NodePtr target = item ? Node::shared(item) : m_context.jobList();
    if (!target)
        return false;
    performDropOperation(data, target, childIndex < 0 ? 0 : childIndex);
    return true;
}

void OutlineDataSource::performDropOperation(const QMimeData *data, const NodePtr &target, qsizetype index)
{
    OutlineDataSource *source = dragSource(data);
    if (source == this) {
        OutlineMoves::move(m_context, *m_edits, source->m_draggedNodes, target, index);
        return;
    }
    QList<QVariant> selection;
    std::optional<DocumentOutlineModel::EditBatch> batch(std::in_place, m_context.outlineModel());
    if (source) {
        if (QTreeView *outline = m_context.outlineView())
            selection = NTXOutlineViewExtension::allSelectedItems(outline);
        // From another document: copies, so that each document's undo keeps to its
        // own tree.
        QList<NodePtr> copies;
        for (const NodePtr &node : Node::minimumNodeCoverFromNodesInArray(source->m_draggedNodes)) {
            if (!isJobOrGroup(node.get()))
                continue;
            NodePtr copy = node->clone();
            deactivateTree(*copy);
            copies.append(copy);
        }
        if (!copies.isEmpty()) {
            m_edits->insertNodes(copies, target, std::clamp<qsizetype>(index, 0, target->childrenCount()));
            m_context.platformDocument().undoManager()->setActionName(localizedText("LSUDDragAndDrop"));
        }
    }
    // The copied rows show, then take the selection they had.
    batch.reset();
    m_context.displayActivatedJob();
    if (QTreeView *outline = m_context.outlineView())
        NTXOutlineViewExtension::selectItems(outline, selection, false);
}

void OutlineDataSource::outlineViewDraggingExited(QTreeView *, QDragLeaveEvent *)
{
    m_dragSessionInProgress = false;
    m_context.reloadOutline();
}

void OutlineDataSource::outlineViewConcludeDragOperation(QTreeView *, QDropEvent *)
{
    m_dragSessionInProgress = false;
    m_context.reloadOutline();
}

void OutlineDataSource::setupOutlineDragAndDrop()
{
    QTreeView *outline = m_context.outlineView();
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
        OutlineDataSource *source = dragSource(data);
        return !source ? Qt::IgnoreAction : (source == this ? Qt::MoveAction : Qt::CopyAction);
    }));
    connect(outline, &QTreeView::expanded, this,
            platform::ExceptionBoundary::guarded(this, "expanded", [this, outline](const QModelIndex &index) {
                if (!outlineViewShouldExpandItem(m_context.outlineModel()->nodeForIndex(index)))
                    outline->collapse(index);
            }));
}
