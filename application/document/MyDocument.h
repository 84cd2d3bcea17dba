#pragma once
// The document of the application: one per open file of the type "Chronark Format". It
// owns the node tree (a root of type 4) and the stored window state, keeps the active
// job and validates the menus of its window; it reaches the application through its
// DocumentServices. Its collaborators (the members below), one job each, do the rest:
// each is given the document's DocumentContext and the other collaborators it uses;
// what one alone asks of the document is a small interface implemented here privately
// (EditsHost, TotalsHost, TreeReportsHost, WindowControllerHost). The actions the menus
// send by name are in MyDocumentForwards.cpp, the inspector's fields in
// InspectorCategory.cpp: the document is key-value observable for them
// ("selectedNodeWorkTime", "selectedNodeWage", "inspectedObjectsNotEmpty", and each
// inspected node's value as "inspectedColorLabels" and "inspectedDescripts", told when
// the inspected nodes change or the tree reports a change of the key on one, inside a
// batch of edits or a setting of many nodes once, at its end).
//
// Saving copies the tree a slice of nodes per pass of the event loop (NodeSnapshot), as
// it stood when the save began, and writes the file on a pool thread; a character the
// file cannot hold (saved as U+FFFD) is told in an alert on the window once the save
// is done, once for the same one. Reading and reverting use the services' read-ahead.
//
// GUI thread only. Closing or deleting it tears its window down first (see
// platform::Document). Then the destructor lets the tree report to no one and resets
// the collaborators, first to go first: NodeNameSheets, DeleteAssistant,
// TimeEntrySheets, DocumentToolbar, DocumentCounter (it leaves the services' running
// count), DocumentEdits, DocumentTotals, DocumentWindowController, DocumentOutlineModel,
// OutlineDataSource; then the inspector's observer, controller and nodes, the tree, and
// last the services: each goes while what it uses is whole (one given a collaborator
// made after it follows it with a guarded pointer). The collaborators are owned through
// unique_ptrs; the context, the tree's reports, the formatters, the values are members.
#include "application/tree/CurrencyFormatter.h"
#include "application/document/DocumentOutlineModel.h"
#include "application/document/DocumentServices.h"
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "application/document/DocumentContext.h"
#include "application/document/DocumentTreeReports.h"
#include "application/document/EditsHost.h"
#include "application/document/TotalsHost.h"
#include "application/document/TreeReportsHost.h"
#include "application/document/WindowControllerHost.h"
#include "platform/document/Document.h"
#include "platform/document/DocumentType.h"
#include "platform/foundation/KeyValueObserving.h"

#include <QByteArrayView>
#include <QSet>
#include <QStringList>
#include <QString>
#include <memory>

class DeleteAssistant;
class DocumentCounter;
class DocumentEdits;
class DocumentToolbar;
class DocumentTotals;
class DocumentWindow;
class DocumentWindowController;
class NTXTextViewInspector;
class NTXTextViewInspectorTextField;
class NodeNameSheets;
class OutlineDataSource;
class QAction;
class QTreeView;
class TimeEntrySheets;
namespace platform {
class ArrayController;
class BindingObserver;
class UserDefaults;
}

class MyDocument : public platform::Document,
                   public platform::KeyValueObservable,
                   private EditsHost,
                   private TotalsHost,
                   private TreeReportsHost,
                   private WindowControllerHost
{
    Q_OBJECT
    Q_PROPERTY(QString selectedNodeWorkTime READ selectedNodeWorkTime WRITE setSelectedNodeWorkTime NOTIFY
                   selectedNodeWorkTimeChanged)
    Q_PROPERTY(QString selectedNodeWage READ selectedNodeWage WRITE setSelectedNodeWage NOTIFY selectedNodeWageChanged)
    Q_PROPERTY(bool inspectedObjectsNotEmpty READ inspectedObjectsNotEmpty WRITE setInspectedObjectsNotEmpty NOTIFY
                   inspectedObjectsNotEmptyChanged)
public:
    static inline const QString TypeName = QStringLiteral("Chronark Format");
    static inline const QString FileExtension = QStringLiteral("chronark");
    static inline const QString MimeType = QStringLiteral("application/x-chronark");
    // Nodes a save copies in one pass of the event loop (a few milliseconds' work).
    static constexpr qsizetype SaveCopySliceNodes = 4096;
    // The bytes every file of DocumentFileFormat's writer begins with.
    static constexpr QByteArrayView WrittenFileBeginning = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Chronark";

    // Makes MyDocument objects sharing the services (each its own when none are given).
    static platform::DocumentType documentType(std::shared_ptr<DocumentServices> services = {});
    explicit MyDocument(QObject *parent = nullptr, std::shared_ptr<DocumentServices> services = {});
    ~MyDocument() override;
    DocumentServices &services() const { return *m_services; }

    DocumentWindow *documentWindow() const { return m_context.documentWindow(); }
    QTreeView *outlineView() const { return m_context.outlineView(); }
    DocumentOutlineModel *outlineModel() const { return m_outlineModel.get(); }
    DocumentWindowController &windowController() const { return *m_windowController; }
    DocumentTotals &totals() const { return *m_totals; }

    const NodePtr &jobList() const { return m_jobList; }
    DocumentValuesStore &docValues() { return m_docValues; }
    const CurrencyFormatter &formatter() const { return m_formatter; }
    // The nodes selected in the outline, all of them selected (what the inspector edits).
    platform::ArrayController *inspectedObjectsController() const { return m_inspectedObjectsController.get(); }
    NTXTextViewInspector *textViewInspector() const;
    // Opens the description the inspector shows cut in its dialog (enabled only then).
    Q_INVOKABLE void editWholeDescription(QObject *sender);
    // The user defaults of the document's controller (the standard ones without).
    platform::UserDefaults &userDefaults() const { return m_context.userDefaults(); }

    DocumentCounter &counter() const { return *m_counter; }
    bool timerIsRunning() const;
    const NodePtr &timerNode() const;
    Q_INVOKABLE void toggleTimer(QObject *sender);
    Q_INVOKABLE void startTimerForJob(QObject *sender);
    Q_INVOKABLE void stopTimer(QObject *sender);
    void doTimer();
    NodePtr getActiveJob() const { return m_context.activeJob(); }
    // Not undoable (see DocumentEdits::doUndoSetActiveJob()).
    void setActiveJob(const NodePtr &job) { m_context.setActiveJob(job); }
    QList<NodePtr> getJobArray() const;
    bool isJobMemberOfDocument(const Node *job) const { return m_context.isJobMemberOfDocument(job); }
    // Application icon, start/stop button, totals.
    void updateUI();
    // What follows the selection (its totals, the inspected nodes; the rows follow the
    // tree by themselves), inside a batch of edits (DocumentOutlineModel) at its end.
    void reloadOutline();

    Q_INVOKABLE void activedSelectedJob(QObject *sender);
    Q_INVOKABLE void deleteEntry(QObject *sender);
    Q_INVOKABLE void toggleDrawer(QObject *sender);
    // Moves the selection to the sender's (a menu item's) group or the top level.
    Q_INVOKABLE void moveSelectionToGroup(QObject *sender);
    Q_INVOKABLE void colorLabelAction(QObject *sender);
    Q_INVOKABLE bool validateMenuItem(QAction *item) override;
    // The collaborators.
    DocumentEdits &edits() const { return *m_edits; }
    TimeEntrySheets &timeEntrySheets() const { return *m_timeEntrySheets; }
    Q_INVOKABLE void doJobTimeSheet(QObject *sender);
    OutlineDataSource &outlineSource() const { return *m_dataSource; }
    DocumentToolbar &documentToolbar() const { return *m_toolbar; }
    DeleteAssistant &deleteAssistantSheet() const { return *m_deleteAssistant; }
    NodeNameSheets &nameSheets() const { return *m_nameSheets; }
    // Export and printing (DocumentExportCategory.cpp, DocumentPrintCategory.cpp).
    Q_INVOKABLE void saveAsRTFFile(QObject *sender);
    Q_INVOKABLE void printDocument(QObject *sender);

Q_SIGNALS:
    void selectedNodeWorkTimeChanged(const QString &text);
    void selectedNodeWageChanged(const QString &text);
    void inspectedObjectsNotEmptyChanged(bool notEmpty);

protected:
    // Another slice for the copies of later saves (at least one node).
    void setSaveCopySlice(qsizetype nodes) { m_saveCopySlice = std::max<qsizetype>(1, nodes); }
    const platform::KeyTable &keyTable() const override;
    bool readFromFile(const QString &path, const QString &typeName) override;
    bool writeToFile(const QString &path, const QString &typeName) override;
    FileWriter makeFileWriter(const QString &path, const QString &typeName) override;
    void readFileAhead(const QString &path, const QString &typeName, std::function<void()> ready) override;
    void dropFileReadAhead(const QString &path) override;
    QWidget *makeMainWindow() override;
    void windowControllerDidLoad() override;
    void windowWillTearDown() override;

private:
    // ---- What the collaborators announce (DocumentContext) and ask (their hosts) ----
    void setupInspectorFields() override;
    // The inspector's colour-label picker shows the label the selected nodes share.
    void showSelectedColorLabel();
    void displayActivatedJob();
    // The counter can start or stop: it runs, or the document holds a job (any depth).
    bool canToggleTimer() const { return timerIsRunning() || m_context.holdsJob(); }
    // Remembers the document's file as the one last edited.
    void setAutoLoadFileName();
    void handleOutlineSelection();
    void selectedTotalWillChange(const QString &key) override;
    void selectedTotalDidChange(const QString &key, const QString &text) override;
    void nodeOfTreeChanged(const Node &node, const QString &key) override;
    void inspectedValuesMayHaveChanged() override;
    // The inspected nodes' values of a node key, and the document's key that lists them.
    QVariantList inspectedValues(const QString &nodeKey) const;
    static const QString &inspectedKeyOf(const QString &nodeKey);
    // Tells the observers of each node key's document key (an open batch: at its end).
    void inspectedValuesChanged(const QStringList &nodeKeys);
    void tellPendingInspectedValues();
    // Sets the node key of every inspected node, telling the inspector once.
    void setInspectedValues(const QVariant &value, const QString &nodeKey);
    // ---- Actions the menus and toolbar send by name (code calls the collaborators) ----
    Q_INVOKABLE void newTimeEntry(QObject *sender);
    Q_INVOKABLE void deleteAssistant(QObject *sender);
    Q_INVOKABLE void newJobEntry(QObject *sender);
    Q_INVOKABLE void funcJobName(QObject *sender, int function);
    Q_INVOKABLE void newGroupEntry(QObject *sender);
    Q_INVOKABLE void funcGroupName(QObject *sender, int function);
    // ---- The properties the inspector observes ----
    QString selectedNodeWorkTime() const;
    void setSelectedNodeWorkTime(const QString &text);
    QString selectedNodeWage() const;
    void setSelectedNodeWage(const QString &text);
    bool inspectedObjectsNotEmpty() const { return m_inspectedObjectsNotEmpty; }
    void setInspectedObjectsNotEmpty(bool notEmpty);
    // The inspector's description field when it shows its value cut, else null.
    NTXTextViewInspectorTextField *descriptionShownCut() const;
    // ---- What the collaborators refer to (goes after all of them) ----
    std::shared_ptr<DocumentServices> m_services;
    // Refers to the tree and the formatter below (made first, gone last of them).
    DocumentContext m_context{*this, *m_services, m_jobList, m_formatter};
    DocumentTreeReports m_treeReports{m_context, *this};
    NodePtr m_jobList;
    DocumentValuesStore m_docValues;
    CurrencyFormatter m_formatter;
    CurrencyFormatter m_wageFormatter;
    // Keeps the inspected nodes alive while the controller refers to them.
    QList<NodePtr> m_inspectedNodes;
    std::unique_ptr<platform::ArrayController> m_inspectedObjectsController;
    std::unique_ptr<platform::BindingObserver> m_colorLabelObserver;
    // The selection's label changed inside an edit batch: the picker shows it at its end.
    bool m_colorLabelPickerStale = false;
    // The inspected nodes, for the tree's reports (made at the first report that needs it).
    QSet<const Node *> m_inspectedSet;
    bool m_inspectedSetMade = false;
    // Settings of many inspected nodes open, and the node keys they changed meanwhile.
    int m_inspectedSettings = 0;
    QStringList m_pendingInspectedKeys;
    bool m_inspectedObjectsNotEmpty = false;
    qsizetype m_saveCopySlice = SaveCopySliceNodes;
    // Tells what a save wrote as U+FFFD, unless it is what was told last.
    void tellReplacedCharacter(const QString &replaced);
    QString m_toldReplaced;

    // ---- The collaborators (the destructor's order is in the header's opening) ----
    std::unique_ptr<OutlineDataSource> m_dataSource;
    std::unique_ptr<DocumentOutlineModel> m_outlineModel; // reads the data source
    std::unique_ptr<DocumentWindowController> m_windowController;
    std::unique_ptr<DocumentTotals> m_totals;
    std::unique_ptr<DocumentEdits> m_edits;
    std::unique_ptr<DocumentCounter> m_counter;
    std::unique_ptr<DocumentToolbar> m_toolbar;
    std::unique_ptr<TimeEntrySheets> m_timeEntrySheets;
    std::unique_ptr<DeleteAssistant> m_deleteAssistant;
    std::unique_ptr<NodeNameSheets> m_nameSheets;
};
