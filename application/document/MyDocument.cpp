#include "application/document/MyDocument.h"

#include "application/document/OutlineMoves.h"

#include "AppKitExtensions/NTXNSAlertExtensions.h"
#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelWidget.h"
#include "NTXAppKit/NTXLabeledImageTextCell/NTXLabeledImageTextCell.h"
#include "application/base/ApplicationImages.h"
#include "application/document/ButtonCellForOutlineView.h"
#include "application/base/DefaultsKeys.h"
#include "application/document/DeleteAssistant.h"
#include "application/document/DocumentCounter.h"
#include "application/document/DocumentEdits.h"
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/NodeRelease.h"
#include "application/tree/NodeSnapshot.h"
#include "application/tree/DocumentReadAhead.h"
#include "application/document/DocumentToolbar.h"
#include "application/document/DocumentTotals.h"
#include "application/document/OutlineDataSource.h"
#include "application/document/TimeEntrySheets.h"
#include "application/document/DocumentWindow.h"
#include "application/document/DocumentWindowController.h"
#include "platform/foundation/ArrayController.h"
#include "platform/foundation/Bindings.h"
#include "application/document/NodeNameSheets.h"
#include "platform/document/OpenEdits.h"
#include "platform/drawing/Sheet.h"
#include "platform/foundation/DisplayText.h"
#include "platform/drawing/ActionDispatch.h"
#include "platform/foundation/Bundle.h"
#include "platform/drawing/CellItemDelegate.h"
#include "platform/document/DocumentController.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/ExceptionBoundary.h"
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
#include <optional>
#include <utility>
#include <QStandardItemModel>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>
#include <cmath>

namespace {

QString localized(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
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

// ---------------------------------------------------------------------------
// Life cycle

MyDocument::MyDocument(QObject *parent, std::shared_ptr<DocumentServices> services)
    : platform::Document(parent),
      m_services(services ? std::move(services) : std::make_shared<DocumentServices>()),
      m_jobList(Node::create(Node::Root))
{
    m_jobList->setDelegate(&m_treeReports);
    m_context.setAnswers({.updateUI = [this] { updateUI(); },
                          .reloadOutline = [this] { reloadOutline(); },
                          .selectionChanged = [this] { handleOutlineSelection(); },
                          .displayActivatedJob = [this] { displayActivatedJob(); },
                          .setAutoLoadFileName = [this] { setAutoLoadFileName(); }});
    m_inspectedObjectsController = std::make_unique<platform::ArrayController>();
    m_windowController = std::make_unique<DocumentWindowController>(m_context, m_docValues,
                                                                    static_cast<WindowControllerHost &>(*this));
    m_totals = std::make_unique<DocumentTotals>(m_context, *m_windowController, m_wageFormatter,
                                                static_cast<TotalsHost &>(*this));
    m_dataSource = std::make_unique<OutlineDataSource>(m_context, *m_windowController);
    m_dataSource->setColumnTitle(QStringLiteral("outlineStatus"), QString());
    m_dataSource->setColumnTitle(QStringLiteral("outlineName"), localized("LSHeaderName"));
    m_dataSource->setColumnTitle(QStringLiteral("outlineTime"), localized("LSHeaderTime"));
    m_dataSource->setColumnTitle(QStringLiteral("outlineTurnover"), localized("LSturnover"));
    m_outlineModel = std::make_unique<DocumentOutlineModel>(m_dataSource.get(), this);
    m_context.setOutlineModel(m_outlineModel.get());
    connect(m_outlineModel.get(), &DocumentOutlineModel::editBatchEnded, this,
            platform::ExceptionBoundary::guarded(this, "editBatchEnded", [this] {
                // The totals row adds up the sums counted only now.
                if (m_edits->recalcPendingGroups())
                    m_totals->updateTotalTime();
                // What the batch took out of the tree and did not put back.
                if (m_counter)
                    m_counter->stopWhenOutsideTree();
                displayActivatedJob();
                handleOutlineSelection();
                tellPendingInspectedValues();
                if (std::exchange(m_colorLabelPickerStale, false))
                    showSelectedColorLabel();
            }));
    // An undo or redo may hold many edits: the outline shows them as one batch, then
    // the window follows (this document's own undos and redos only, once each).
    connect(undoManager(), &platform::UndoManager::willPerform, m_outlineModel.get(),
            platform::ExceptionBoundary::guarded(m_outlineModel.get(), "beginEditBatch", &DocumentOutlineModel::beginEditBatch));
    connect(undoManager(), &platform::UndoManager::didPerform, m_outlineModel.get(),
            platform::ExceptionBoundary::guarded(m_outlineModel.get(), "endEditBatch", &DocumentOutlineModel::endEditBatch));
    connect(undoManager(), &platform::UndoManager::didPerform, this,
            platform::ExceptionBoundary::guarded(this, "didPerform", [this] { updateUI(); }));
    m_edits = std::make_unique<DocumentEdits>(m_context, *m_windowController, static_cast<EditsHost &>(*this));
    m_counter = std::make_unique<DocumentCounter>(m_context, *m_totals);
    m_toolbar = std::make_unique<DocumentToolbar>(m_context, *m_windowController, *m_counter);
    m_timeEntrySheets = std::make_unique<TimeEntrySheets>(m_context, *m_windowController, *m_edits, *m_counter);
    m_deleteAssistant = std::make_unique<DeleteAssistant>(m_context, *m_edits);
    m_nameSheets = std::make_unique<NodeNameSheets>(m_context, *m_windowController, *m_edits);
    // Those made after the ones that use them.
    m_windowController->setCollaborators(*m_dataSource, *m_totals, *m_counter, *m_toolbar);
    m_dataSource->setEdits(m_edits.get());
    m_dataSource->setCounter(m_counter.get());
    m_edits->setCounter(m_counter.get());
}

MyDocument::~MyDocument()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    // The window goes first: its views ask this document while they exist.
    tearDownWindow();
    // The tree reports nothing more: what the collaborators undo as they go (the
    // running entry) reaches no outline.
    if (m_jobList && m_jobList->delegate() == &m_treeReports)
        m_jobList->setDelegate(nullptr);
    // The collaborators in the order the header gives, each while what it uses is whole.
    m_nameSheets.reset();
    m_deleteAssistant.reset();
    m_timeEntrySheets.reset();
    m_toolbar.reset();
    m_counter.reset();
    m_edits.reset();
    m_totals.reset();
    m_windowController.reset();
    m_context.setOutlineModel(nullptr);
    m_outlineModel.reset();
    m_dataSource.reset();
    m_colorLabelObserver.reset();
    m_inspectedObjectsController.reset();
    m_inspectedNodes.clear();
    m_inspectedSet = {};
    // A large tree is freed a slice per turn, not in the turn that closes the window.
    NodeRelease::release(std::move(m_jobList));
    m_services.reset();
}

// ---------------------------------------------------------------------------
// Window

QWidget *MyDocument::makeMainWindow()
{
    // The window made while the launch's files were read, else a new one.
    DocumentWindow *window = m_services->takeWindowMadeAhead();
    if (!window)
        window = new DocumentWindow;
    m_context.setWindow(window);
    window->outlineView()->setModel(m_outlineModel.get());
    m_windowController->watchSelection();
    // The places the selection can move to, as they are when the menu opens.
    QMenu *moveMenu = window->moveToGroupMenu();
    connect(moveMenu, &QMenu::aboutToShow, this, platform::ExceptionBoundary::guarded(this, "aboutToShow", [this, moveMenu] {
        OutlineMoves::fillMenu(moveMenu, m_context);
        platform::MenuItemValidation::validateMenu(moveMenu);
    }));
    // Whenever it is made (also while an alert holds the focus): About and
    // Preferences are reachable from every document window.
    m_services->installApplicationMenu(window->menuBar());
    return window;
}

void MyDocument::windowControllerDidLoad()
{
    m_windowController->awakeFromNib();
}

// ---------------------------------------------------------------------------
// Reading and writing

bool MyDocument::readFromFile(const QString &path, const QString &typeName)
{
    if (typeName != TypeName)
        return false;
    DocumentFileFormat::ReadResult result;
    // The file may have been read already, on a pool thread: its tree is taken, and
    // its refusal stands (the file is as it was read; it is not read again).
    DocumentReadAhead::Offer readAhead;
    if (m_services->readAhead)
        readAhead = m_services->readAhead->take(path);
    if (readAhead.refused) {
        if (readAhead.outOfMemory)
            setFailureReason(notEnoughMemoryReason());
        return false;
    }
    if (readAhead.result)
        result = std::move(*readAhead.result);
    else if (!DocumentFileFormat::readFromFile(path, typeName, result) || !result.root)
        return false;
    // The running entry belongs to the tree being replaced.
    if (timerIsRunning())
        stopTimer(this);
    // The one edit that resets the outline: a new tree.
    m_outlineModel->beginTreeReplacement();
    if (m_jobList && m_jobList->delegate() == &m_treeReports)
        m_jobList->setDelegate(nullptr);
    NodePtr oldTree = std::exchange(m_jobList, result.root);
    m_docValues = result.store;
    m_jobList->setDelegate(&m_treeReports);
    m_outlineModel->endTreeReplacement();
    // The old tree (a million nodes, say) is freed a slice per turn, not in this one;
    // so are the old groups the Move to Group menu held (it is filled again when it
    // opens).
    if (DocumentWindow *window = documentWindow())
        OutlineMoves::emptyMenu(window->moveToGroupMenu());
    NodeRelease::release(std::move(oldTree));
    if (m_windowController->isLoaded()) {
        reloadOutline();
        updateUI();
        displayActivatedJob();
        handleOutlineSelection();
    }
    m_services->rebuildMenus();
    return true;
}

bool MyDocument::writeToFile(const QString &path, const QString &typeName)
{
    if (typeName != TypeName)
        return false;
    m_windowController->captureWindowState();
    QString reason;
    QString replaced;
    if (DocumentFileFormat::writeToFile(path, typeName, *m_jobList, m_docValues, &reason, {}, &replaced)) {
        tellReplacedCharacter(replaced);
        return true;
    }
    setFailureReason(reason);
    return false;
}

void MyDocument::tellReplacedCharacter(const QString &replaced)
{
    if (replaced.isEmpty() || replaced == m_toldReplaced || !documentWindow())
        return;
    m_toldReplaced = replaced;
    NTXBeginAlertSheetWithHandler(platform::localized(QStringLiteral("LSTextCharacterReplacedTitle")),
                                  platform::localized(QStringLiteral("LSok")), QString(), QString(), documentWindow(),
                                  [](QMessageBox *, int) {}, QStringLiteral("%@"), {replaced});
}

platform::Document::FileWriter MyDocument::makeFileWriter(const QString &path, const QString &typeName)
{
    // Another type is refused by writeToFile(), on this thread.
    if (typeName != TypeName)
        return {};
    m_windowController->captureWindowState();
    // A copy: the counter and the person go on changing the document's own tree while
    // the file is written, and while it is copied. The copy has no delegate and goes
    // on the writing thread once whole.
    auto snapshot = std::make_shared<NodeSnapshot>(m_jobList);
    auto copied = std::make_shared<NodePtr>();
    FileWriter writer;
    writer.copyStep = [snapshot, copied, slice = m_saveCopySlice] {
        if (!snapshot->copyMore(slice))
            return false;
        *copied = snapshot->copy();
        return true;
    };
    // What the writer replaced, told on the GUI thread once the file is written.
    auto replaced = std::make_shared<QString>();
    writer.write = [path, typeName, copied, replaced, store = m_docValues](const ReplaceCheck &mayReplace, QString *reason) {
        return DocumentFileFormat::writeToFile(path, typeName, **copied, store, reason, mayReplace, replaced.get());
    };
    writer.saved = [this, replaced] { tellReplacedCharacter(*replaced); };
    return writer;
}

namespace {

// What a file read ahead gave, not taken: a whole document's tree, freed a slice per
// turn.
void dropReadTree(DocumentReadAhead::Offer offer)
{
    if (offer.result)
        NodeRelease::release(std::move(offer.result->root));
}

} // namespace

void MyDocument::readFileAhead(const QString &path, const QString &typeName, std::function<void()> ready)
{
    QPointer<DocumentReadAhead> reader = m_services->readAhead;
    if (!reader || typeName != TypeName) {
        platform::Document::readFileAhead(path, typeName, std::move(ready));
        return;
    }
    reader->read({path});
    // Waited for with the reader as the context: what the read leaves is dropped
    // also when the document went first.
    QPointer<MyDocument> self(this);
    reader->whenRead(reader, [self, reader, path, ready = std::move(ready)] {
        if (self)
            ready();
        else if (reader)
            dropReadTree(reader->take(path));
    });
}

void MyDocument::dropFileReadAhead(const QString &path)
{
    if (m_services->readAhead)
        dropReadTree(m_services->readAhead->take(path));
}


// ---------------------------------------------------------------------------
// Queries and commands

void MyDocument::displayActivatedJob()
{
    // Inside a batch of edits, once at its end.
    DocumentWindow *window = documentWindow();
    if (!window || m_outlineModel->isInEditBatch())
        return;
    const NodePtr job = getActiveJob();
    // One line: a name's line breaks show as blanks.
    window->activedJob()->setText(
        job ? localized("LSactiveJob") + QStringLiteral(": ") + platform::DisplayText::shownOnOneLine(job->itemNameWithPath())
            : QStringLiteral("-"));
}

QList<NodePtr> MyDocument::getJobArray() const
{
    QList<NodePtr> jobs;
    m_jobList->fillArrayWithJobNodes(jobs);
    return jobs;
}

void MyDocument::updateUI()
{
    m_services->showCountingInApplicationIcon(m_services->runningCounters >= 1);
    if (DocumentWindow *window = documentWindow()) {
        window->startStopButton()->setEnabled(canToggleTimer());
        // The button says what a click does, like the menu item.
        window->startStopButton()->setText(localized(timerIsRunning() ? "LSstop2" : "LSstart2"));
    }
    m_totals->updateTotalTime();
}

void MyDocument::setAutoLoadFileName()
{
    if (!filePath().isEmpty())
        userDefaults().setString(filePath(), LestEditedFileNameKey);
}

void MyDocument::handleOutlineSelection()
{
    // An edit still open in the inspector goes to the nodes it was typed for, before
    // the inspector shows others. A value the field refuses is told, and the outline
    // selects the nodes it was typed for again (while they are all in the tree: else
    // it is dropped with them).
    if (platform::OpenEdits::hasChangedEdits(documentWindow()) && m_windowController->selectedNodes() != m_inspectedNodes
        && !commitEditingOrTell()) {
        QVariantList typedFor;
        for (const NodePtr &node : std::as_const(m_inspectedNodes))
            if (node->documentRoot() == m_jobList.get())
                typedFor.append(QVariant::fromValue(node));
        if (!typedFor.isEmpty() && typedFor.size() == m_inspectedNodes.size()) {
            NTXOutlineViewExtension::selectItems(outlineView(), typedFor, false);
            if (m_windowController->selectedNodes() == m_inspectedNodes)
                return;
        }
    }
    m_totals->updateSelectedNodeWorkTimeAndWage();
    const QList<NodePtr> selected = m_windowController->selectedNodes();
    QList<qsizetype> all;
    all.reserve(selected.size());
    for (qsizetype i = 0; i < selected.size(); ++i)
        all.append(i);
    if (selected == m_inspectedNodes) {
        // The same nodes (the outline was reloaded): the inspector's bindings follow
        // their values already, so only a selection let go during an edit of many of
        // them is taken back; binding tens of thousands of nodes anew takes a while.
        // Compared by std::equal: Qt's own comparison of two empty lists may pass a null
        // pointer to memcmp.
        const QList<qsizetype> shown = m_inspectedObjectsController->selectionIndexes();
        if (shown.size() != all.size() || !std::equal(shown.cbegin(), shown.cend(), all.cbegin()))
            m_inspectedObjectsController->setSelectionIndexes(all);
    } else {
        QVariantList content;
        content.reserve(selected.size());
        for (const NodePtr &node : selected)
            content.append(KeyValueObservable::fromObservable(node.get()));
        // The nodes shown so far stay alive until the controller has let them go.
        const QList<NodePtr> previous = std::exchange(m_inspectedNodes, selected);
        m_inspectedSet = {};
        m_inspectedSetMade = false;
        m_inspectedObjectsController->setSelectionIndexes({});
        m_inspectedObjectsController->setContentArray(content);
        m_inspectedObjectsController->setSelectionIndexes(all);
        inspectedValuesChanged({QStringLiteral("colorLabel"), QStringLiteral("descript")});
    }
    setInspectedObjectsNotEmpty(!selected.isEmpty());
    if (NTXTextViewInspector *inspector = textViewInspector())
        inspector->setSubjectName(selected.size() == 1 ? selected.constFirst()->itemName() : QString());
}

void MyDocument::reloadOutline()
{
    if (!m_outlineModel->isInEditBatch())
        handleOutlineSelection();
}

void MyDocument::setInspectedObjectsNotEmpty(bool notEmpty)
{
    if (notEmpty == m_inspectedObjectsNotEmpty)
        return;
    willChangeValueForKey(QStringLiteral("inspectedObjectsNotEmpty"));
    m_inspectedObjectsNotEmpty = notEmpty;
    didChangeValueForKey(QStringLiteral("inspectedObjectsNotEmpty"));
    Q_EMIT inspectedObjectsNotEmptyChanged(notEmpty);
}

void MyDocument::doJobTimeSheet(QObject *sender)
{
    NodePtr node = m_windowController->nodeForSender(sender, true);
    if (!node)
        node = m_windowController->nodeForSender(sender, false);
    m_timeEntrySheets->doJobTimeSheet(node);
}

void MyDocument::newTimeEntry(QObject *sender)
{
    m_timeEntrySheets->newTimeEntry(sender);
}

bool MyDocument::timerIsRunning() const
{
    return m_counter && m_counter->isRunning();
}

const NodePtr &MyDocument::timerNode() const
{
    return m_counter->timerNode();
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

// ---------------------------------------------------------------------------
// Actions

void MyDocument::activedSelectedJob(QObject *sender)
{
    setAutoLoadFileName();
    const NodePtr node = m_windowController->nodeForSender(sender, false);
    if (!node)
        return;
    const NodePtr job = Node::shared(node->getRootObject());
    if (!job || (timerIsRunning() && job != getActiveJob()))
        return;
    m_edits->doUndoSetActiveJob(job);
}

void MyDocument::deleteEntry(QObject *sender)
{
    m_edits->deleteEntry(sender);
}

void MyDocument::toggleDrawer(QObject *)
{
    m_windowController->toggleDrawer();
}

void MyDocument::moveSelectionToGroup(QObject *sender)
{
    // Where a drop does: onto a group (at its top), or after the top level's rows.
    auto *item = qobject_cast<QAction *>(sender);
    const NodePtr group = item ? platform::MenuItemValidation::representedObject(item).value<NodePtr>() : NodePtr();
    const NodePtr target = group ? group : m_jobList;
    if (group && !m_outlineModel->indexForNode(group.get()).isValid())
        return;
    OutlineMoves::move(m_context, *m_edits, m_windowController->selectedNodes(), target, group ? 0 : target->childrenCount());
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
    const QList<NodePtr> nodes = m_windowController->selectedNodes();
    if (nodes.isEmpty())
        return;
    {
        // One batch: the window follows the selection once, not once for each node, and
        // the inspector's picker shows the selection's label at its end (meanwhile it
        // would gather the label over all of them at each node's change). The inspector
        // stays bound to the selection: binding tens of thousands of nodes anew takes
        // a while.
        const DocumentOutlineModel::EditBatch batch(m_outlineModel.get());
        for (const NodePtr &node : nodes)
            m_edits->setColorLabelType(label, node);
    }
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
        item->setText(localized(timerIsRunning() ? "LSMenuStopCounter" : "LSMenuStartCounter"));
        return canToggleTimer();
    }
    if (action == "newTimeEntry")
        return hasChildren && !timerIsRunning();
    if (action == "newJobEntry")
        return !timerIsRunning();
    if (action == "deleteEntry") {
        // It deletes the selected rows: with none there is nothing to ask about.
        return !m_windowController->selectedNodes().isEmpty();
    }
    if (action == "editWholeDescription")
        return descriptionShownCut() != nullptr;
    if (action == "moveSelectionToGroup") {
        const NodePtr group = platform::MenuItemValidation::representedObject(item).value<NodePtr>();
        return !OutlineMoves::movableToGroup(m_windowController->movableSelectionForValidation(), group ? *group : *m_jobList).isEmpty();
    }
    if (action == "toggleDrawer") {
        const bool open = documentWindow() && !documentWindow()->windowDrawer()->isHidden();
        item->setText(localized(open ? "LSMenuHideInspector" : "LSMenuShowInspector"));
        return documentWindow() != nullptr;
    }
    return platform::Document::validateMenuItem(item);
}

