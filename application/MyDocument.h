#pragma once
// The document of the application: one per open file of the type "Chronark Format".
// It owns the node tree (a root of type 4 whose delegate it is) and the stored window
// state, keeps the active job, validates the menus of its window and makes the
// undoable edits of the tree. It owns one collaborator per job and forwards the
// actions the menus send to it:
//   DocumentCounter    the running counter
//   OutlineDataSource  what the outline shows, its context menu, drag and drop
//   DocumentToolbar    the window's toolbar
//   TimeEntrySheets    the time-entry sheets
// and reaches the application through its DocumentServices. The class itself is
// implemented across files by concern:
//   MyDocument.cpp                 life cycle, reading and writing, queries, actions
//   MyDocumentWindow.cpp           the window: made, wired, stored state
//   DocumentPrivate.cpp            the totals header and the totals
//   NodeDelegateCategory.cpp       what the root node reports
//   DocumentUndoCategory.cpp       undoable edits of the tree
//   DeleteAssistantCategory.cpp, MyDocumentJobNameDialog.cpp, MyDocumentGroupDialog.cpp
//                                  the delete assistant, job-name and group sheets
//
// GUI thread only. Closing or deleting it tears its window down first (see
// platform::Document); its collaborators go before its tree and services.
#include "application/CurrencyFormatter.h"
#include "application/DocumentOutlineModel.h"
#include "application/DocumentServices.h"
#include "application/DocumentValuesStore.h"
#include "application/Node.h"
#include "application/NodeDelegate.h"
#include "platform/document/Document.h"
#include "platform/document/DocumentType.h"

#include <QMenu>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <memory>

class DeleteAssistantSheet;
class DocumentCounter;
class DocumentToolbar;
class DocumentWindow;
class GroupNameSheet;
class JobNameSheet;
class NodeArrayController;
class OutlineDataSource;
class QAction;
class QHeaderView;
class QStandardItemModel;
class QTimer;
class QToolBar;
class QTreeView;
class TimeEntrySheets;

namespace platform {
class UserDefaults;
}

class MyDocument : public platform::Document, public NodeDelegate
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
    // The key of the last edited file in the user defaults (spelt as stored).
    static inline const QString LastEditedFileNameKey = QStringLiteral("LestEditedFileName");
    // The notification the preference panels post after changing the defaults.
    static inline const QString PrefsChangedNotification = QStringLiteral("PrefsChanged");

    // The document type that makes MyDocument objects sharing the services (each
    // document gets its own when none are given).
    static platform::DocumentType documentType(std::shared_ptr<DocumentServices> services = {});

    explicit MyDocument(QObject *parent = nullptr, std::shared_ptr<DocumentServices> services = {});
    ~MyDocument() override;

    // ---- Services ----
    DocumentServices &services() const { return *m_services; }
    // The application controller's "rebuild your menus"; called when the jobs or
    // the active job may have changed.
    void rebuildApplicationMenus() const;
    // The number of counters running in the documents sharing the services.
    int numberOfRunningCounters() const;

    // ---- Window ----
    DocumentWindow *documentWindow() const;
    QTreeView *outlineView() const;
    DocumentOutlineModel *outlineModel() const { return m_outlineModel; }
    // The totals header (null before the window was loaded) and the model that
    // carries its columns.
    QHeaderView *tableHeaderView() const;
    QStandardItemModel *dummyOutlineView() const { return m_dummyOutlineView; }
    // The outline's context menu: empty after load, filled for each click.
    QMenu *outlineMenu() const { return m_outlineMenu; }
    // Connects and fills the window once it was made (called after the window was
    // created).
    void awakeFromNib();
    // The outline's header changed: the totals header follows. Resize: user info
    // "NSTableColumn" (identifier) and "NSOldWidth"; move: "NSOldColumn" and
    // "NSNewColumn" (positions).
    void outlineViewColumnDidResize(const QVariantMap &userInfo);
    void outlineViewColumnDidMove(const QVariantMap &userInfo);
    // Adds to the destination header's model (a QStandardItemModel) one column per
    // column of the source, in the order shown, with the same identifier and width,
    // an empty right-aligned title; the destination cannot be resized, clicked or
    // reordered by the user.
    static void copyColumnsFromTableView(const QTreeView *source, QHeaderView *destination);

    // ---- Tree and state ----
    const NodePtr &jobList() const { return m_jobList; }
    const DocumentValuesStore &docValues() const { return m_docValues; }
    DocumentValuesStore &docValues() { return m_docValues; }
    const CurrencyFormatter &formatter() const { return m_formatter; }
    const CurrencyFormatter &wageFormatter() const { return m_wageFormatter; }
    NodeArrayController *inspectedObjectsController() const { return m_inspectedObjectsController; }

    // The user defaults of the document's controller (the standard ones without).
    platform::UserDefaults &userDefaults() const;

    // ---- Counter (DocumentCounter) ----
    DocumentCounter &counter() const { return *m_counter; }
    bool timerIsRunning() const;
    const NodePtr &timerNode() const;
    QTimer *counterTimer() const;
    Q_INVOKABLE void toggleTimer(QObject *sender);
    Q_INVOKABLE void startTimerForJob(QObject *sender);
    Q_INVOKABLE void stopTimer(QObject *sender);
    void doTimer();
Q_SIGNALS:
    // The counter started or stopped (the toolbar validates its items on it).
    void counterStateChanged(bool running);

public:
    // End of counter

    // Whether a sheet (a window-modal dialog) is up on the document window: one
    // sheet at a time.
    bool hasOpenSheet() const;

    // ---- Queries and commands ----
    NodePtr getActiveJob() const;
    // Not undoable (see doUndoSetActiveJob()).
    void setActiveJob(const NodePtr &job);
    void displayActivatedJob();
    QList<NodePtr> getJobArray() const;
    bool isJobMemberOfDocument(const Node *job) const;
    // Application icon, start/stop button, totals.
    void updateUI();
    void updateTotalTime();
    void updateSelectedNodeWorkTimeAndWage();
    // Remembers the document's file as the one last edited.
    void setAutoLoadFileName();
    void handleOutlineSelection();
    // Reloads the outline, keeping the expanded rows and the selection.
    void reloadOutline();

    QString selectedNodeWorkTime() const { return m_selectedNodeWorkTime; }
    void setSelectedNodeWorkTime(const QString &text);
    QString selectedNodeWage() const { return m_selectedNodeWage; }
    void setSelectedNodeWage(const QString &text);
    bool inspectedObjectsNotEmpty() const { return m_inspectedObjectsNotEmpty; }
    void setInspectedObjectsNotEmpty(bool notEmpty);

    // "%d:%02d" of hours and minutes.
    static QString workTimeText(int hours, int minutes);

    // ---- Actions ----
    Q_INVOKABLE void activedSelectedJob(QObject *sender);
    Q_INVOKABLE void handleMyDoubleClick(QObject *sender);
    Q_INVOKABLE void deleteEntry(QObject *sender);
    Q_INVOKABLE void toggleDrawer(QObject *sender);
    Q_INVOKABLE void colorLabelAction(QObject *sender);
    Q_INVOKABLE bool validateMenuItem(QAction *item) override;

    // ---- Undoable edits: each registers its opposite and keeps its step's name
    // through undo and redo ----
    void addNode(const NodePtr &node, const NodePtr &parent, qsizetype index);
    void deleteNode(const NodePtr &node, const NodePtr &parent);
    void doUndoSetActiveJob(const NodePtr &job);
    void setColorLabelType(int label, const NodePtr &node);
    // Undoable edits (continued)
    // Adds the nodes at the index so that they end up there in their order.
    void insertNodes(const QList<NodePtr> &nodes, const NodePtr &parent, qsizetype index);
    // Appends a new job and makes it the active job; undone by deleteNewJob().
    void addNewJob(const NodePtr &job, const NodePtr &parent);
    void deleteNewJob(const NodePtr &job, const NodePtr &parent, const NodePtr &lastActive);
    void setExecutedForNode(bool value, const NodePtr &node);
    // A group ticked ticks its direct children; a node unticked unticks the groups
    // above it. Every flag changed is restored by one undo.
    void setExecutedForNodeTree(bool value, const NodePtr &node);
    void setNameForNode(const QString &name, const NodePtr &node);
    // Sets the wage of the node and of its subtree and recomputes the turnovers.
    void setWageForNode(float wage, const NodePtr &node);
    // Copies the values of the snapshot (a deep copy made with Node::clone() before
    // an edit) into the node and its subtree.
    void restoreNodeData(const NodePtr &snapshot, const NodePtr &node);
    // End of undoable edits

    // ---- Time-entry sheets (TimeEntrySheets) ----
    TimeEntrySheets &timeEntrySheets() const { return *m_timeEntrySheets; }
    // The edit sheet for the time entry the sender stands for (a menu item of the
    // outline's context menu, else the outline's clicked row), or for the entry.
    Q_INVOKABLE void doJobTimeSheet(QObject *sender);
    void doJobTimeSheet(const NodePtr &entry);
    Q_INVOKABLE void newTimeEntry(QObject *sender);

    // ---- Outline data source and drag and drop (OutlineDataSource) ----
    // The private pasteboard type of a drag of jobs and groups, and the MIME format
    // that carries it.
    static inline const QString OutlineViewPboardType = QStringLiteral("ChronarkOutlineViewPboardType");
    static inline const QString OutlineViewPboardMimeType =
        QStringLiteral("application/x-ChronarkOutlineViewPboardType");
    OutlineDataSource &outlineSource() const { return *m_dataSource; }
    // Whether the outline is being reloaded (selection and expansion come back).
    bool isReloadingOutline() const { return m_reloading; }

    // ---- Toolbar (DocumentToolbar) ----
    static inline const QString ToolbarIdentifier = QStringLiteral("XQMainNewToolbar");
    DocumentToolbar &documentToolbar() const { return *m_toolbar; }
    QToolBar *toolbar() const;

    // ---- Delete assistant and job-name sheet (DeleteAssistantCategory.cpp,
    // MyDocumentJobNameDialog.cpp) ----
    // What the delete assistant removes: a kind (0 any, 1 groups, 2 jobs, 3 time
    // entries), a date condition (0 none, 1 created before, 2 created after the
    // date, by whole minutes) and whether only nodes of executed jobs go.
    struct DeleteAssistantSettings
    {
        int kind = 0;
        int condition = 0;
        bool onlyExecuted = false;
        QDateTime date;
    };
    Q_INVOKABLE void deleteAssistant(QObject *sender);
    Q_INVOKABLE void deleteAssistantValueChanged(QObject *sender);
    Q_INVOKABLE void okDeleteAssistant(QObject *sender);
    void sheetDidEndDeleteAssistant(DeleteAssistantSheet *sheet, int returnCode);
    // One run of the assistant over the node's subtree (undoable edits); answers the
    // number of nodes deleted.
    int deleteAssistantActionForNode(const NodePtr &node, const DeleteAssistantSettings &settings);
    DeleteAssistantSheet *deleteWindow() const;
    QDateTime deleteDateValue() const { return m_deleteDateValue; }
    Q_INVOKABLE void newJobEntry(QObject *sender);
    // Edits (function 1) the job the sender stands for; function 0 offers a new job.
    Q_INVOKABLE void funcJobName(QObject *sender, int function);
    void funcJobName(const NodePtr &node, int function);
    Q_INVOKABLE void endJobNameWindow(QObject *sender);
    void sheetDidEndJobName(JobNameSheet *sheet, int returnCode, const NodePtr &node, int function);
    JobNameSheet *jobNameWindow() const;
    // End of delete assistant and job-name sheet

    // ---- Group sheet (MyDocumentGroupDialog.cpp) ----
    Q_INVOKABLE void newGroupEntry(QObject *sender);
    // Renames (function 1) the group the sender stands for; function 0 names a new one.
    Q_INVOKABLE void funcGroupName(QObject *sender, int function);
    void funcGroupName(const NodePtr &node, int function);
    Q_INVOKABLE void endGroupNameWindow(QObject *sender);
    void sheetDidEndGroupName(GroupNameSheet *sheet, int returnCode, const NodePtr &node, int function);
    GroupNameSheet *groupNameWindow() const;
    // End of group sheet

    // ---- Export and printing (DocumentExportCategory.cpp, DocumentPrintCategory.cpp) ----
    Q_INVOKABLE void saveAsRTFFile(QObject *sender);
    Q_INVOKABLE void printDocument(QObject *sender);

    // ---- Node delegate ----
    platform::UndoManager *undoManagerForNode(Node &node) override;
    void attributesChangedOfNode(Node &node) override;


Q_SIGNALS:
    void selectedNodeWorkTimeChanged(const QString &text);
    void selectedNodeWageChanged(const QString &text);
    void inspectedObjectsNotEmptyChanged(bool notEmpty);

protected:
    bool readFromFile(const QString &path, const QString &typeName) override;
    bool writeToFile(const QString &path, const QString &typeName) override;
    QWidget *makeMainWindow() override;
    void windowControllerDidLoad() override;
    void windowWillTearDown() override;

private:
    void handleUndoRedoChange();
    // The node a menu item of the outline's context menu stands for, or the node of
    // the outline's selected row.
    NodePtr nodeForSender(QObject *sender, bool clickedRow) const;
    NodePtr nodeAtIndex(const QModelIndex &index) const;
    QList<NodePtr> selectedNodes() const;
    void deleteSheetDidEnd(const QList<NodePtr> &nodes, int returnCode);
    // Calls a sheet operation of the document when it has one.
    bool sendToSelf(const char *method, QObject *sender, int function = -1);
    // Sets the name of the undo step being built to the name it carries through
    // undo and redo.
    void keepUndoActionName();
    // Applies the stored window state (frame, drawer, columns).
    void applyStoredWindowState();
    void captureWindowState();
    void connectOutline();
    void setupTotalsHeader();

    std::shared_ptr<DocumentServices> m_services;
    NodePtr m_jobList;
    DocumentValuesStore m_docValues;
    CurrencyFormatter m_formatter;
    CurrencyFormatter m_wageFormatter;
    NodeArrayController *m_inspectedObjectsController = nullptr;
    bool m_inspectedObjectsNotEmpty = false;
    QString m_selectedNodeWorkTime;
    QString m_selectedNodeWage;

    QPointer<DocumentWindow> m_window;
    OutlineDataSource *m_dataSource = nullptr;
    DocumentOutlineModel *m_outlineModel = nullptr;
    QStandardItemModel *m_dummyOutlineView = nullptr;
    QPointer<QMenu> m_outlineMenu;
    QPersistentModelIndex m_clickedIndex;
    bool m_loaded = false;
    bool m_reloading = false;






    // Delete assistant and job-name sheet
    QPointer<DeleteAssistantSheet> m_deleteWindow;
    QPointer<JobNameSheet> m_jobNameWindow;
    QDateTime m_deleteDateValue;
    // End of delete assistant and job-name sheet

    // Group sheet
    QPointer<GroupNameSheet> m_groupNameWindow;
    // End of group sheet

    // Last: it goes first, while the tree and the services are still there.
    std::unique_ptr<DocumentCounter> m_counter;
    DocumentToolbar *m_toolbar = nullptr;
    TimeEntrySheets *m_timeEntrySheets = nullptr;
};
