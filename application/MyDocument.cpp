#include "application/MyDocument.h"

#include "AppKitExtensions/NTXNSAlertExtensions.h"
#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelWidget.h"
#include "NTXAppKit/NTXLabeledImageTextCell/NTXLabeledImageTextCell.h"
#include "application/ApplicationImages.h"
#include "application/ButtonCellForOutlineView.h"
#include "application/DocumentCounter.h"
#include "application/DocumentEdits.h"
#include "application/DocumentFileFormat.h"
#include "application/DocumentToolbar.h"
#include "application/OutlineDataSource.h"
#include "application/TimeEntrySheets.h"
#include "application/DocumentWindow.h"
#include "application/NodeArrayController.h"
#include "application/NodeNameSheets.h"
#include "platform/drawing/Sheet.h"
#include "platform/drawing/ActionDispatch.h"
#include "platform/foundation/Bundle.h"
#include "platform/drawing/CellItemDelegate.h"
#include "platform/document/DocumentController.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QGuiApplication>
#include <QDialog>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMetaMethod>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QToolButton>
#include <QTreeView>
#include <cmath>

namespace {

const QString DidUndoNotification = QStringLiteral("NSUndoManagerDidUndoChangeNotification");
const QString DidRedoNotification = QStringLiteral("NSUndoManagerDidRedoChangeNotification");

QString localized(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

NodePtr sharedNode(Node *node)
{
    return node ? node->weak_from_this().lock() : NodePtr();
}

} // namespace

// ---------------------------------------------------------------------------
// Type and process-wide hooks

platform::DocumentType MyDocument::documentType(std::shared_ptr<DocumentServices> services)
{
    return platform::DocumentType(TypeName, {FileExtension}, MimeType,
                                  [services](QObject *parent) -> platform::Document * {
                                      return new MyDocument(parent, services);
                                  });
}

void MyDocument::rebuildApplicationMenus() const
{
    m_services->rebuildMenus();
}

int MyDocument::numberOfRunningCounters() const
{
    return m_services->runningCounters;
}

// ---------------------------------------------------------------------------
// Life cycle

MyDocument::MyDocument(QObject *parent, std::shared_ptr<DocumentServices> services)
    : platform::Document(parent),
      m_services(services ? std::move(services) : std::make_shared<DocumentServices>()),
      m_jobList(Node::create(Node::Root))
{
    m_jobList->setDelegate(this);
    m_inspectedObjectsController = new NodeArrayController(this);
    m_dataSource = new OutlineDataSource(*this);
    m_dataSource->setColumnTitle(QStringLiteral("outlineStatus"), QString());
    m_dataSource->setColumnTitle(QStringLiteral("outlineName"), localized("LSHeaderName"));
    m_dataSource->setColumnTitle(QStringLiteral("outlineTime"), localized("LSHeaderTime"));
    m_dataSource->setColumnTitle(QStringLiteral("outlineTurnover"), localized("LSturnover"));
    m_outlineModel = new DocumentOutlineModel(m_dataSource, this);
    connect(m_outlineModel, &DocumentOutlineModel::editBatchEnded, this, [this] {
        m_edits->recalcPendingGroups();
        displayActivatedJob();
        handleOutlineSelection();
    });
    // An undo or redo may hold many edits: the outline shows them as one batch.
    connect(undoManager(), &platform::UndoManager::willPerform, m_outlineModel,
            &DocumentOutlineModel::beginEditBatch);
    connect(undoManager(), &platform::UndoManager::didPerform, m_outlineModel,
            &DocumentOutlineModel::endEditBatch);

    platform::NotificationCenter &center = platform::NotificationCenter::defaultCenter();
    auto refresh = [this](const platform::Notification &) { handleUndoRedoChange(); };
    center.addObserver(this, DidUndoNotification, nullptr, refresh);
    center.addObserver(this, DidRedoNotification, nullptr, refresh);
    m_edits = std::make_unique<DocumentEdits>(*this);
    m_counter = std::make_unique<DocumentCounter>(*this);
    m_toolbar = new DocumentToolbar(*this);
    m_timeEntrySheets = new TimeEntrySheets(*this);
    m_deleteAssistant = new DeleteAssistant(*this);
    m_nameSheets = new NodeNameSheets(*this);
}

MyDocument::~MyDocument()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    // The window goes first: its views ask this document while they exist.
    tearDownWindow();
    if (m_jobList && m_jobList->delegate() == this)
        m_jobList->setDelegate(nullptr);
}

void MyDocument::windowWillTearDown()
{
    if (!m_window)
        return;
    QTreeView *outline = m_window->outlineView();
    NTXOutlineViewExtension::setDelegate(outline, nullptr);
    m_window->colorLabelControl()->setTarget(nullptr);
    outline->setModel(nullptr);
}

platform::UserDefaults &MyDocument::userDefaults() const
{
    if (platform::DocumentController *controller = documentController())
        return *controller->userDefaults();
    return platform::UserDefaults::standardUserDefaults();
}

void MyDocument::handleUndoRedoChange()
{
    updateUI();
}

// ---------------------------------------------------------------------------
// Reading and writing

bool MyDocument::readFromFile(const QString &path, const QString &typeName)
{
    if (typeName != TypeName)
        return false;
    DocumentFileFormat::ReadResult result;
    if (!DocumentFileFormat::readFromFile(path, typeName, result) || !result.root)
        return false;
    // The running entry belongs to the tree being replaced.
    if (timerIsRunning())
        stopTimer(this);
    // The one edit that resets the outline: a new tree.
    m_outlineModel->beginTreeReplacement();
    if (m_jobList && m_jobList->delegate() == this)
        m_jobList->setDelegate(nullptr);
    m_jobList = result.root;
    m_docValues = result.store;
    m_jobList->setDelegate(this);
    m_outlineModel->endTreeReplacement();
    if (m_loaded) {
        reloadOutline();
        updateUI();
        displayActivatedJob();
        handleOutlineSelection();
    }
    rebuildApplicationMenus();
    return true;
}

bool MyDocument::writeToFile(const QString &path, const QString &typeName)
{
    if (typeName != TypeName)
        return false;
    captureWindowState();
    QString reason;
    if (DocumentFileFormat::writeToFile(path, typeName, *m_jobList, m_docValues, &reason))
        return true;
    setFailureReason(reason);
    return false;
}

// ---------------------------------------------------------------------------
// Queries and commands

NodePtr MyDocument::getActiveJob() const
{
    return m_jobList->getActiveNode();
}

void MyDocument::setActiveJob(const NodePtr &job)
{
    if (NodePtr current = getActiveJob())
        current->setActive(false);
    if (job)
        job->setActive(true);
    displayActivatedJob();
}

void MyDocument::displayActivatedJob()
{
    // Inside a batch of edits, once at its end.
    if (!m_window || m_outlineModel->isInEditBatch())
        return;
    const NodePtr job = getActiveJob();
    m_window->activedJob()->setText(job ? localized("LSactiveJob") + QStringLiteral(": ") + job->itemNameWithPath()
                                      : QStringLiteral("-"));
}

QList<NodePtr> MyDocument::getJobArray() const
{
    QList<NodePtr> jobs;
    m_jobList->fillArrayWithJobNodes(jobs);
    return jobs;
}

bool MyDocument::isJobMemberOfDocument(const Node *job) const
{
    return job && m_jobList->nodeIsMemberOfTree(job);
}

void MyDocument::updateUI()
{
    m_services->showCountingInApplicationIcon(numberOfRunningCounters() >= 1);
    if (m_window) {
        m_window->startStopButton()->setEnabled(m_jobList->childrenCount() > 0);
        // The button says what a click does, like the menu item.
        m_window->startStopButton()->setText(localized(timerIsRunning() ? "LSstop2" : "LSstart2"));
    }
    updateTotalTime();
}

void MyDocument::setAutoLoadFileName()
{
    if (!filePath().isEmpty())
        userDefaults().setString(filePath(), LastEditedFileNameKey);
}

QList<NodePtr> MyDocument::selectedNodes() const
{
    QList<NodePtr> nodes;
    if (QTreeView *outline = outlineView()) {
        for (const QVariant &item : NTXOutlineViewExtension::allSelectedItems(outline)) {
            if (NodePtr node = item.value<NodePtr>())
                nodes.append(node);
        }
    }
    return nodes;
}

NodePtr MyDocument::nodeAtIndex(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != m_outlineModel)
        return NodePtr();
    return m_outlineModel->itemForIndex(index).value<NodePtr>();
}

NodePtr MyDocument::nodeForSender(QObject *sender, bool clickedRow) const
{
    if (auto *item = qobject_cast<QAction *>(sender); item && m_outlineMenu
                                                       && item->associatedObjects().contains(m_outlineMenu.data()))
        return platform::MenuItemValidation::representedObject(item).value<NodePtr>();
    if (clickedRow)
        return nodeAtIndex(m_clickedIndex);
    QTreeView *outline = outlineView();
    return outline ? NTXOutlineViewExtension::selectedItem(outline).value<NodePtr>() : NodePtr();
}

void MyDocument::handleOutlineSelection()
{
    updateSelectedNodeWorkTimeAndWage();
    const QList<NodePtr> selected = selectedNodes();
    m_inspectedObjectsController->removeSelection();
    m_inspectedObjectsController->setContent(selected);
    m_inspectedObjectsController->selectAll();
    setInspectedObjectsNotEmpty(!selected.isEmpty());
}

void MyDocument::reloadOutline()
{
    if (!m_outlineModel->isInEditBatch())
        handleOutlineSelection();
}

void MyDocument::setSelectedNodeWorkTime(const QString &text)
{
    if (text == m_selectedNodeWorkTime && text.isNull() == m_selectedNodeWorkTime.isNull())
        return;
    m_selectedNodeWorkTime = text;
    Q_EMIT selectedNodeWorkTimeChanged(text);
}

void MyDocument::setSelectedNodeWage(const QString &text)
{
    if (text == m_selectedNodeWage && text.isNull() == m_selectedNodeWage.isNull())
        return;
    m_selectedNodeWage = text;
    Q_EMIT selectedNodeWageChanged(text);
}

void MyDocument::setInspectedObjectsNotEmpty(bool notEmpty)
{
    if (notEmpty == m_inspectedObjectsNotEmpty)
        return;
    m_inspectedObjectsNotEmpty = notEmpty;
    Q_EMIT inspectedObjectsNotEmptyChanged(notEmpty);
}

void MyDocument::doJobTimeSheet(QObject *sender)
{
    NodePtr node = nodeForSender(sender, true);
    if (!node)
        node = nodeForSender(sender, false);
    m_timeEntrySheets->doJobTimeSheet(node);
}

void MyDocument::doJobTimeSheet(const NodePtr &entry)
{
    m_timeEntrySheets->doJobTimeSheet(entry);
}

void MyDocument::newTimeEntry(QObject *sender)
{
    m_timeEntrySheets->newTimeEntry(sender);
}

QToolBar *MyDocument::toolbar() const
{
    return m_toolbar->toolbar();
}

bool MyDocument::timerIsRunning() const
{
    return m_counter && m_counter->isRunning();
}

const NodePtr &MyDocument::timerNode() const
{
    return m_counter->timerNode();
}

QTimer *MyDocument::counterTimer() const
{
    return m_counter->timer();
}

void MyDocument::toggleTimer(QObject *sender)
{
    m_counter->toggle(sender);
}

void MyDocument::startTimerForJob(QObject *sender)
{
    m_counter->start(sender);
}

void MyDocument::stopTimer(QObject *sender)
{
    m_counter->stop(sender);
}

void MyDocument::doTimer()
{
    m_counter->tick();
}

QString MyDocument::workTimeText(int hours, int minutes)
{
    return QString::asprintf("%d:%02d", hours, minutes);
}

// ---------------------------------------------------------------------------
// Actions

void MyDocument::activedSelectedJob(QObject *sender)
{
    setAutoLoadFileName();
    const NodePtr node = nodeForSender(sender, false);
    if (!node)
        return;
    const NodePtr job = sharedNode(node->getRootObject());
    if (!job || (timerIsRunning() && job != getActiveJob()))
        return;
    doUndoSetActiveJob(job);
}

bool MyDocument::sendToSelf(const char *method, QObject *sender, int function)
{
    const QMetaObject *meta = metaObject();
    const QByteArray withFunction = QByteArray(method) + "(QObject*,int)";
    const QByteArray withSender = QByteArray(method) + "(QObject*)";
    if (function >= 0) {
        const int index = meta->indexOfMethod(withFunction.constData());
        if (index >= 0)
            return meta->method(index).invoke(this, Qt::DirectConnection, Q_ARG(QObject *, sender), Q_ARG(int, function));
    }
    const int index = meta->indexOfMethod(withSender.constData());
    if (index >= 0)
        return meta->method(index).invoke(this, Qt::DirectConnection, Q_ARG(QObject *, sender));
    return false;
}

void MyDocument::handleMyDoubleClick(QObject *sender)
{
    const auto *item = qobject_cast<QAction *>(sender);
    const bool fromMenu = item && m_outlineMenu && item->associatedObjects().contains(m_outlineMenu.data());
    if (!fromMenu && !m_clickedIndex.isValid())
        return;
    const NodePtr node = nodeForSender(sender, true);
    if (!node || timerIsRunning())
        return;
    switch (node->type()) {
    case Node::Group:
        sendToSelf("funcGroupName", sender, 1);
        break;
    case Node::TimeEntry:
        sendToSelf("doJobTimeSheet", sender);
        break;
    case Node::Job:
        sendToSelf("funcJobName", sender, 1);
        break;
    default:
        break;
    }
}

void MyDocument::deleteEntry(QObject *sender)
{
    setAutoLoadFileName();
    QList<NodePtr> nodes;
    NodePtr named;
    const auto *item = qobject_cast<QAction *>(sender);
    if (item && m_outlineMenu && item->associatedObjects().contains(m_outlineMenu.data())) {
        named = platform::MenuItemValidation::representedObject(item).value<NodePtr>();
        if (named)
            nodes.append(named);
    } else {
        nodes = Node::minimumNodeCoverFromNodesInArray(selectedNodes());
        named = nodeForSender(sender, false);
    }
    if (nodes.isEmpty() || !named || !m_window)
        return;
    QPointer<MyDocument> self(this);
    NTXBeginAlertSheetWithHandler(
        localized("LSAdeleteTitle"), localized("LSyes"), localized("LSno"), QString(), m_window,
        [self, nodes](QMessageBox *, int returnCode) {
            if (self)
                self->deleteSheetDidEnd(nodes, returnCode);
        },
        // More than one node goes: the message counts them instead of naming one.
        nodes.size() > 1 ? localized("LSAdeleteEntries") : localized("LSAdeleteEntry"),
        {nodes.size() > 1 ? QLocale().toString(nodes.size()) : named->itemName()});
}

void MyDocument::deleteSheetDidEnd(const QList<NodePtr> &nodes, int returnCode)
{
    if (returnCode != NTXNSAlertExtensions::AlertFirstButtonReturn)
        return;
    bool deleted = false;
    for (const NodePtr &node : nodes) {
        const NodePtr parent = sharedNode(node->parent());
        // A node that left the tree while the sheet was up is not deleted twice.
        if (!parent || parent->indexOfChild(node.get()) < 0 || !m_outlineModel->indexForNode(node.get()).isValid())
            continue;
        deleteNode(node, parent);
        deleted = true;
    }
    if (!deleted)
        return;
    undoManager()->setActionName(localized("LSUDdeleteEntry"));
    updateUI();
    rebuildApplicationMenus();
}

void MyDocument::toggleDrawer(QObject *)
{
    if (!m_window)
        return;
    m_window->windowDrawer()->setVisible(m_window->windowDrawer()->isHidden());
}

void MyDocument::colorLabelAction(QObject *sender)
{
    int label = -1;
    if (auto *control = qobject_cast<platform::Control *>(sender))
        label = control->intValue();
    else if (auto *item = qobject_cast<QAction *>(sender))
        label = platform::MenuItemValidation::tag(item);
    // 0 is "no label", 1 to 7 the colours; anything else names no label to set.
    if (label < 0 || label > 7)
        return;
    const QList<NodePtr> nodes = selectedNodes();
    if (nodes.isEmpty())
        return;
    for (const NodePtr &node : nodes)
        setColorLabelType(label, node);
    undoManager()->setActionName(localized("LSSetColorLabel"));
}

bool MyDocument::validateMenuItem(QAction *item)
{
    if (!item)
        return false;
    const QByteArray action = platform::MenuItemValidation::actionMethodName(item);
    const bool hasChildren = m_jobList->childrenCount() > 0;
    if (action == "activedSelectedJob") {
        // While counting, the window names the job that counts: no other becomes active.
        QTreeView *outline = outlineView();
        const NodePtr node = outline ? NTXOutlineViewExtension::selectedItem(outline).value<NodePtr>() : NodePtr();
        return node && node->type() == Node::Job && (!timerIsRunning() || node == getActiveJob());
    }
    if (action == "toggleTimer") {
        item->setText(localized(timerIsRunning() ? "LSstop2" : "LSstart2"));
        return hasChildren;
    }
    if (action == "newTimeEntry")
        return hasChildren && !timerIsRunning();
    if (action == "newJobEntry")
        return !timerIsRunning();
    if (action == "toggleDrawer") {
        const bool open = m_window && !m_window->windowDrawer()->isHidden();
        item->setText(localized(open ? "LSMenuHideInspector" : "LSMenuShowInspector"));
        return m_window != nullptr;
    }
    return platform::Document::validateMenuItem(item);
}

bool MyDocument::hasOpenSheet() const
{
    return m_window && platform::Sheet::sheetOfWindow(m_window) != nullptr;
}
