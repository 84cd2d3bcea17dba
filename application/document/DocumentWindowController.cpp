// The wiring of a document window (see DocumentWindowController.h).
#include "application/document/DocumentWindowController.h"

#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelWidget.h"
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "NTXAppKit/NTXLabeledImageTextCell/NTXLabeledImageTextCell.h"
#include "application/document/ButtonCellForOutlineView.h"
#include "application/document/DocumentToolbar.h"
#include "application/document/DocumentTotals.h"
#include "application/document/DocumentWindow.h"
#include "application/document/DocumentContext.h"
#include "application/document/DocumentCounter.h"
#include "application/document/WindowControllerHost.h"
#include "application/tree/CurrencyFormatter.h"
#include "application/document/DocumentOutlineModel.h"
#include "application/document/DocumentServices.h"
#include "application/tree/DocumentValuesStore.h"
#include "platform/document/Document.h"
#include "application/document/OutlineDataSource.h"
#include "application/document/OutlineColumnFit.h"
#include "application/document/OutlineColumns.h"
#include "application/document/OutlineKeyboard.h"
#include "application/document/OutlineMoves.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/document/MenuMnemonics.h"
#include "platform/drawing/ActionDispatch.h"
#include "platform/drawing/CellItemDelegate.h"
#include "platform/drawing/ScreenFit.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAction>
#include <QMetaMethod>
#include <QDockWidget>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>
#include <cmath>

namespace {

// Largest window side taken from a stored frame.
constexpr qreal MaximumWindowSide = 16384.0;
constexpr qreal MinimumWindowSide = 120.0;

QString localized(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

} // namespace

DocumentWindowController::DocumentWindowController(const DocumentContext &context, DocumentValuesStore &docValues,
                                                   WindowControllerHost &document)
    : QObject(&context.platformDocument())
    , m_context(context)
    , m_docValues(docValues)
    , m_document(document) {}

void DocumentWindowController::setCollaborators(OutlineDataSource &dataSource, DocumentTotals &totals,
                                                DocumentCounter &counter, DocumentToolbar &toolbar)
{
    m_dataSource = &dataSource;
    m_totals = &totals;
    m_counter = &counter;
    m_toolbar = &toolbar;
}

bool DocumentWindowController::counterRuns() const
{
    return m_counter && m_counter->isRunning();
}

void DocumentWindowController::toggleDrawer()
{
    if (DocumentWindow *window = m_context.documentWindow())
        window->windowDrawer()->setVisible(window->windowDrawer()->isHidden());
}

DocumentWindowController::~DocumentWindowController() = default;

void DocumentWindowController::awakeFromNib()
{
    DocumentWindow *window = m_context.documentWindow();
    if (!window || m_loaded)
        return;
    m_loaded = true;
    QTreeView *outline = window->outlineView();
    QHeaderView *header = outline->header();
    DocumentOutlineModel *outlineModel = m_context.outlineModel();

    m_outlineMenu = new QMenu(window);
    m_outlineMenu->setObjectName(QStringLiteral("outlineMenu"));
    platform::MenuItemValidation::setAutoenablesItems(m_outlineMenu, false);
    m_toolbar->setupToolbar();

    const int statusColumn = outlineModel->columnForIdentifier(QStringLiteral("outlineStatus"));
    const int nameColumn = outlineModel->columnForIdentifier(QStringLiteral("outlineName"));
    const int timeColumn = outlineModel->columnForIdentifier(QStringLiteral("outlineTime"));
    const int turnoverColumn = outlineModel->columnForIdentifier(QStringLiteral("outlineTurnover"));
    header->setStretchLastSection(false);
    header->setSectionsMovable(true);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setMinimumSectionSize(20);
    header->resizeSection(statusColumn, 26);
    header->resizeSection(nameColumn, 420);
    header->resizeSection(timeColumn, 90);
    header->resizeSection(turnoverColumn, 130);
    header->moveSection(header->visualIndex(statusColumn), 0);
    // The disclosure triangles and the indentation belong to the name column.
    outline->setTreePosition(nameColumn);
    // Where the window cannot give the columns their widths, the name gives up room.
    new OutlineColumnFit(outline, nameColumn);

    applyStoredWindowState();

    auto *cells = new platform::CellItemDelegate(outline);
    auto nameCell = std::make_unique<NTXLabeledImageTextCell>();
    nameCell->setEditable(true);
    cells->setPrototypeCell(nameColumn, std::move(nameCell));
    auto statusCell = std::make_unique<ButtonCellForOutlineView>();
    statusCell->setButtonType(platform::ButtonCell::ButtonType::Switch);
    statusCell->setEditable(false);
    statusCell->setControlSize(platform::Cell::ControlSize::Small);
    statusCell->setImagePosition(platform::Cell::ImagePosition::ImageOnly);
    statusCell->setTitle(QString());
    cells->setPrototypeCell(statusColumn, std::move(statusCell));
    cells->setWillDisplayCell([this, outlineModel](platform::Cell &cell, const QModelIndex &index) {
        m_dataSource->outlineViewWillDisplayCell(
            cell, outlineModel->identifierForColumn(index.column()), outlineModel->nodeForIndex(index));
    });
    outline->setItemDelegate(cells);

    const QString turnoverTitle = localized("LSturnover") + QLatin1Char(' ') + m_context.formatter().currencySymbol();
    m_dataSource->setColumnTitle(QStringLiteral("outlineTurnover"), turnoverTitle);
    outlineModel->reloadHeaders();

    connectOutline();
    m_dataSource->setupOutlineDragAndDrop();
    m_totals->setupTotalsHeader();

    m_context.updateUI();
    m_context.services().rebuildMenus();
    m_context.displayActivatedJob();

    if (NTXTextViewInspector *inspector = window->textViewInspector()) {
        inspector->beginFieldEditing();
        m_document.setupInspectorFields();
        inspector->endFieldEditing();
        inspector->setEditableState(true);
    }
    // The keyboard starts in the outline, on a selected row.
    m_keyboard->keepCurrentRow(true);
    outline->setFocus(Qt::OtherFocusReason);
    m_context.selectionChanged();
}

void DocumentWindowController::applyStoredWindowState()
{
    DocumentWindow *window = m_context.documentWindow();
    if (!window)
        return;
    const bool available = m_docValues.available();
    const QRectF frame = available ? m_docValues.windowFrame() : QRectF();
    const bool sizeUsable = available && std::isfinite(frame.width()) && std::isfinite(frame.height())
                            && frame.width() >= MinimumWindowSide && frame.height() >= MinimumWindowSide
                            && frame.width() <= MaximumWindowSide && frame.height() <= MaximumWindowSide;
    const bool placeUsable = sizeUsable && std::isfinite(frame.x()) && std::isfinite(frame.y())
                             && std::abs(frame.x()) <= MaximumWindowSide && std::abs(frame.y()) <= MaximumWindowSide;
    // A stored frame is the frame's top-left corner and the client size. The window
    // manager's decorations count when it is fitted to the screen: the title bar and
    // borders stay on it too.
    const QMargins decorations = platform::ScreenFit::decorationMargins(window);
    const QSize size = sizeUsable ? QSize(int(std::lround(frame.width())), int(std::lround(frame.height())))
                                  : window->size();
    const QSize frameSize = size.grownBy(decorations);
    QPoint place = placeUsable ? QPoint(int(std::lround(frame.x())), int(std::lround(frame.y()))) : window->pos();
    // A new window does not cover the last one: it steps down and right from it by a
    // title bar's height (a stored place is kept unless a window stands there).
    const QWidget *last = lastDocumentWindow(window);
    if (last && (!placeUsable || last->frameGeometry().topLeft() == place)) {
        const QMargins lastDecorations = platform::ScreenFit::decorationMargins(last);
        int step = lastDecorations.top();
        if (step <= 0)
            step = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
        place = platform::ScreenFit::cascadedTopLeft(last->frameGeometry(), frameSize, step);
    } else if (!placeUsable) {
        // A first window without a stored place goes where the cascade starts again,
        // the top-left corner of the available area, whatever else is on the screen:
        // left to the window manager, an alert up at launch pushed it into a corner.
        place = platform::ScreenFit::availableAreaFor(QRect()).topLeft();
    }
    // Frames are in device-independent pixels; one saved on a larger screen (or at
    // a smaller scale factor), like the window's own size at a large scale factor, is
    // made to fit this one.
    const QRect fitted = platform::ScreenFit::fittedFrame(QRect(place, frameSize));
    window->resize(fitted.marginsRemoved(decorations).size());
    window->move(fitted.topLeft());
    // Opened after the frame is set: the inspector widens the window from there.
    if (available && window->windowDrawer()->isHidden() && m_docValues.drawerVisible())
        window->windowDrawer()->show();
    if (available)
        OutlineColumns::restore(m_docValues, window->outlineView());
    placedWindows().append(window);
}

QWidget *DocumentWindowController::lastDocumentWindow(const QWidget *except)
{
    QList<QPointer<QWidget>> &windows = placedWindows();
    windows.removeAll(nullptr);
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        QWidget *window = it->data();
        if (window != except && window->isVisible())
            return window;
    }
    return nullptr;
}

QList<QPointer<QWidget>> &DocumentWindowController::placedWindows()
{
    static QList<QPointer<QWidget>> windows;
    return windows;
}

void DocumentWindowController::captureWindowState()
{
    DocumentWindow *window = m_context.documentWindow();
    if (!window)
        return;
    // Without the room the open inspector took: it is opened again at load.
    m_docValues.setWindowFrame(QRectF(window->frameWithoutDrawer()));
    OutlineColumns::store(m_docValues, window->outlineView());
    m_docValues.setDrawerVisible(!window->windowDrawer()->isHidden());
}

void DocumentWindowController::connectOutline()
{
    DocumentWindow *window = m_context.documentWindow();
    QTreeView *outline = window->outlineView();
    QHeaderView *header = outline->header();

    NTXOutlineViewExtension::setDelegate(outline, m_dataSource.data());
    connect(outline->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            platform::ExceptionBoundary::guarded(this, "selectionChanged", [this] {
                m_validationMovable.reset();
                // A batch of edits brings the selection's followers up to date at its end.
                if (!m_context.outlineModel()->isInEditBatch())
                    m_dataSource->outlineViewSelectionDidChange();
            }));
    // What Move to Group's items were validated against goes with any change of the rows.
    QAbstractItemModel *model = m_context.outlineModel();
    const auto forget = [this] { m_validationMovable.reset(); };
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model, signal, this, platform::ExceptionBoundary::guarded(this, "rowsChanged", forget));
    connect(model, &QAbstractItemModel::rowsMoved, this, platform::ExceptionBoundary::guarded(this, "rowsMoved", forget));
    connect(model, &QAbstractItemModel::modelReset, this, platform::ExceptionBoundary::guarded(this, "modelReset", forget));
    connect(model, &QAbstractItemModel::layoutChanged, this,
            platform::ExceptionBoundary::guarded(this, "layoutChanged", forget));
    connect(outline, &QAbstractItemView::pressed, this,
            platform::ExceptionBoundary::guarded(this, "pressed", [this](const QModelIndex &index) { m_clickedIndex = index; }));
    connect(outline, &QAbstractItemView::doubleClicked, this,
            platform::ExceptionBoundary::guarded(this, "doubleClicked", [this, outline](const QModelIndex &index) {
                m_clickedIndex = index;
                handleDoubleClick(outline);
            }));
    outline->installEventFilter(this);
    m_keyboard = new OutlineKeyboard(outline, m_context.outlineModel());
    // Edit > Delete reaches the data source while the outline has the focus, as the
    // Delete key does.
    platform::setNextResponder(outline, m_dataSource.data());
    connect(header, &QHeaderView::sectionResized, this,
            platform::ExceptionBoundary::guarded(this, "sectionResized", [this, header](int logical, int oldSize, int) {
                m_totals->outlineViewColumnDidResize(
                    {{QStringLiteral("NSTableColumn"), OutlineColumns::columnIdentifier(header, logical)},
                     {QStringLiteral("NSOldWidth"), oldSize}});
            }));
    connect(header, &QHeaderView::sectionMoved, this,
            platform::ExceptionBoundary::guarded(this, "sectionMoved", [this](int, int oldVisual, int newVisual) {
                m_totals->outlineViewColumnDidMove(
                    {{QStringLiteral("NSOldColumn"), oldVisual}, {QStringLiteral("NSNewColumn"), newVisual}});
            }));

    connect(window->startStopButton(), &QPushButton::clicked, this,
            platform::ExceptionBoundary::guarded(this, "clicked", [this, button = window->startStopButton()] { platform::sendAction("toggleTimer:", &m_context.platformDocument(), button); }));
    connect(window->drawerStateButton(), &QToolButton::clicked, this,
            platform::ExceptionBoundary::guarded(this, "the drawer button",
                                                 [this, button = window->drawerStateButton()] {
                toggleDrawer();
            }));
    if (NTXColorLabelWidget *picker = window->colorLabelControl()) {
        picker->setTarget(&m_context.platformDocument());
        picker->setAction("colorLabelAction:");
    }
}

void DocumentWindowController::windowWillTearDown()
{
    DocumentWindow *window = m_context.documentWindow();
    if (!window)
        return;
    QTreeView *outline = window->outlineView();
    NTXOutlineViewExtension::setDelegate(outline, nullptr);
    outline->removeEventFilter(this);
    platform::setNextResponder(outline, nullptr);
    if (NTXColorLabelWidget *picker = window->colorLabelControl())
        picker->setTarget(nullptr);
    outline->setModel(nullptr);
}

bool DocumentWindowController::isOutlineMenuItem(QObject *sender) const
{
    const auto *item = qobject_cast<QAction *>(sender);
    return item && m_outlineMenu && item->associatedObjects().contains(m_outlineMenu.data());
}

QMenu *DocumentWindowController::fillOutlineMenu(const NodePtr &node)
{
    QMenu *menu = m_outlineMenu;
    if (!menu)
        return nullptr;
    menu->clear();
    if (!node)
        return nullptr;
    const bool idle = !counterRuns();
    using platform::MenuItemValidation::makeItem;
    // An item for the node: its action goes to the document, and it is usable only
    // while this document counts no time.
    auto add = [&](const char *key, const QByteArray &action) {
        QAction *menuItem = makeItem(localized(key), action, menu, QKeySequence(), &m_context.platformDocument());
        platform::MenuItemValidation::setRepresentedObject(menuItem, QVariant::fromValue(node));
        menuItem->setEnabled(idle);
        menu->addAction(menuItem);
    };
    switch (node->type()) {
    case Node::Job: {
        // Starting and stopping belong to the application controller: no target, so
        // the action travels along the responder chain to it.
        const bool running = counterRuns() && node->active();
        QAction *startStop = makeItem(localized(running ? "LSCstop" : "LSCstart"),
                                      running ? QByteArrayLiteral("menuToggleSelected:") : QByteArrayLiteral("menuSelected:"),
                                      menu);
        platform::MenuItemValidation::setRepresentedObject(startStop, QVariant::fromValue(node));
        startStop->setEnabled(true);
        menu->addAction(startStop);
        menu->addSeparator();
        add("LSCEdit", "handleMyDoubleClick:");
        add("LSCActived", "activedSelectedJob:");
        menu->addSeparator();
        break;
    }
    case Node::Day:
        break;
    case Node::TimeEntry:
    case Node::Group:
        add("LSCEdit", "handleMyDoubleClick:");
        menu->addSeparator();
        break;
    default:
        return nullptr;
    }
    // Every row can take a new job or group, and be deleted.
    add("LSaddEntry", "newJobEntry:");
    add("LSaddGroup", "newGroupEntry:");
    menu->addSeparator();
    add("LSCDelete", "deleteEntry:");
    platform::MenuMnemonics::assign(menu);
    return menu;
}

QList<NodePtr> DocumentWindowController::selectedNodes() const
{
    QTreeView *outline = m_context.outlineView();
    if (!outline)
        return {};
    const bool keep = outline->selectionModel() && outline->selectionModel() == m_watchedSelection
                      && !m_context.outlineModel()->isInEditBatch();
    if (keep && m_selectedNodes)
        return *m_selectedNodes;
    QList<NodePtr> nodes;
    const DocumentOutlineModel *model = m_context.outlineModel();
    if (model && outline->model() == model) {
        // The rows' nodes straight from the indexes, without an item for each.
        const QList<QModelIndex> rows = NTXOutlineViewExtension::selectedShownRowIndexes(outline);
        nodes.reserve(rows.size());
        for (const QModelIndex &row : rows)
            if (NodePtr node = Node::shared(model->nodeForIndex(row)))
                nodes.append(std::move(node));
    } else {
        for (const QVariant &item : NTXOutlineViewExtension::allSelectedItems(outline)) {
            if (NodePtr node = item.value<NodePtr>())
                nodes.append(node);
        }
    }
    if (keep)
        m_selectedNodes = nodes;
    return nodes;
}

// cannot throw: it only drops a list.
void DocumentWindowController::forgetSelectedNodes() noexcept
{
    m_selectedNodes.reset();
}

void DocumentWindowController::watchSelection()
{
    for (const QMetaObject::Connection &connection : m_selectionWatches)
        disconnect(connection);
    m_selectionWatches.clear();
    m_selectedNodes.reset();
    QTreeView *outline = m_context.outlineView();
    QItemSelectionModel *selection = outline ? outline->selectionModel() : nullptr;
    m_watchedSelection = selection;
    if (!selection)
        return;
    m_selectionWatches.push_back(connect(selection, &QItemSelectionModel::selectionChanged, this, &DocumentWindowController::forgetSelectedNodes));
    m_selectionWatches.push_back(connect(selection, &QItemSelectionModel::modelChanged, this, &DocumentWindowController::forgetSelectedNodes));
    // Rows inserted leave it as it is: the selection model splits a range around them,
    // and they come unselected (the counter's new entry beside a large selection).
    if (const QAbstractItemModel *model = selection->model()) {
        m_selectionWatches.push_back(connect(model, &QAbstractItemModel::rowsRemoved, this, &DocumentWindowController::forgetSelectedNodes));
        m_selectionWatches.push_back(connect(model, &QAbstractItemModel::rowsMoved, this, &DocumentWindowController::forgetSelectedNodes));
        m_selectionWatches.push_back(connect(model, &QAbstractItemModel::modelReset, this, &DocumentWindowController::forgetSelectedNodes));
        m_selectionWatches.push_back(connect(model, &QAbstractItemModel::layoutChanged, this, &DocumentWindowController::forgetSelectedNodes));
    }
    // Rows that close or open leave or join the selection that is shown.
    m_selectionWatches.push_back(connect(outline, &QTreeView::collapsed, this, &DocumentWindowController::forgetSelectedNodes));
    m_selectionWatches.push_back(connect(outline, &QTreeView::expanded, this, &DocumentWindowController::forgetSelectedNodes));
}

const QList<NodePtr> &DocumentWindowController::movableSelectionForValidation() const
{
    if (!m_validationMovable) {
        m_validationMovable = OutlineMoves::movableNodes(m_context, selectedNodes());
        QTimer::singleShot(0, this, platform::ExceptionBoundary::guarded(this, "a queued call", [this] { m_validationMovable.reset(); }));
    }
    return *m_validationMovable;
}

NodePtr DocumentWindowController::nodeAtIndex(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != m_context.outlineModel())
        return NodePtr();
    return m_context.outlineModel()->itemForIndex(index).value<NodePtr>();
}

NodePtr DocumentWindowController::nodeForSender(QObject *sender, bool clickedRow) const
{
    if (isOutlineMenuItem(sender))
        return platform::MenuItemValidation::representedObject(qobject_cast<QAction *>(sender)).value<NodePtr>();
    if (clickedRow)
        return nodeAtIndex(m_clickedIndex);
    QTreeView *outline = m_context.outlineView();
    return outline ? NTXOutlineViewExtension::selectedItem(outline).value<NodePtr>() : NodePtr();
}

// Calls a sheet operation of the document when its class has one.
bool DocumentWindowController::sendToDocument(const char *method, QObject *sender, int function)
{
    const QMetaObject *meta = m_context.platformDocument().metaObject();
    const QByteArray withFunction = QByteArray(method) + "(QObject*,int)";
    const QByteArray withSender = QByteArray(method) + "(QObject*)";
    if (function >= 0) {
        const int index = meta->indexOfMethod(withFunction.constData());
        if (index >= 0)
            return meta->method(index).invoke(&m_context.platformDocument(), Qt::DirectConnection, Q_ARG(QObject *, sender), Q_ARG(int, function));
    }
    const int index = meta->indexOfMethod(withSender.constData());
    if (index >= 0)
        return meta->method(index).invoke(&m_context.platformDocument(), Qt::DirectConnection, Q_ARG(QObject *, sender));
    return false;
}

bool DocumentWindowController::eventFilter(QObject *watched, QEvent *event)
try {
    auto *outline = qobject_cast<QTreeView *>(watched);
    if (event->type() != QEvent::KeyPress || !outline || outline != m_context.outlineView())
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool opens = key->key() == Qt::Key_F2 || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (!opens || modifiers != Qt::NoModifier || !outline->selectionModel())
        return QObject::eventFilter(watched, event);
    // The current row when it is selected, else the first selected one.
    QModelIndex row = outline->currentIndex();
    if (!row.isValid() || !outline->selectionModel()->isRowSelected(row.row(), row.parent())) {
        const QModelIndexList rows = outline->selectionModel()->selectedRows();
        if (rows.isEmpty())
            return QObject::eventFilter(watched, event);
        row = rows.first();
    }
    // The key acts on that row as a double click on it does.
    m_clickedIndex = row;
    platform::ExceptionBoundary::guard(this, "the outline's opening key",
                                       [&] { handleDoubleClick(outline); });
    return true;
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

void DocumentWindowController::selectNode(const NodePtr &node)
{
    QTreeView *outline = m_context.outlineView();
    const QModelIndex index = node ? m_context.outlineModel()->indexForNode(node.get()) : QModelIndex();
    if (!outline || !m_keyboard || !index.isValid())
        return;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        outline->expand(up);
    m_keyboard->selectRow(index);
    outline->scrollTo(index);
}

void DocumentWindowController::handleDoubleClick(QObject *sender)
{
    if (!isOutlineMenuItem(sender) && !hasClickedRow())
        return;
    const NodePtr node = nodeForSender(sender, true);
    if (!node || counterRuns())
        return;
    switch (node->type()) {
    case Node::Group:
        sendToDocument("funcGroupName", sender, 1);
        break;
    case Node::TimeEntry:
        sendToDocument("doJobTimeSheet", sender);
        break;
    case Node::Job:
        sendToDocument("funcJobName", sender, 1);
        break;
    default:
        break;
    }
}
