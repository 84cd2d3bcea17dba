#pragma once
// The document of the application: one per open file of the type "Chronark Format".
// It owns the node tree (a root of type 4 whose delegate it is) and the stored window
// state, shows the tree in its window's outline with a row of totals under it, keeps
// the active job, validates the menus of its window and makes the undoable edits of
// the tree.
//
// The class is implemented across files by concern:
//   MyDocument.cpp                 life cycle, window, queries, actions, menu validation
//   DocumentPrivate.cpp            the totals header and the totals
//   NodeDelegateCategory.cpp       what the root node reports
//   DataSourceDelegateCategory.cpp what the outline shows
//   DocumentUndoCategory.cpp       undoable edits of the tree
#include "application/DocumentOutlineModel.h"
#include "application/DocumentValuesStore.h"
#include "application/Node.h"
#include "application/NodeDelegate.h"
#include "platform/Document.h"
#include "platform/DocumentType.h"

#include <QHash>
#include <QIcon>
#include <QLocale>
#include <QMenu>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <functional>

class DocumentWindow;
class NodeArrayController;
class QAction;
class QHeaderView;
class QStandardItemModel;
class QTreeView;

namespace platform {
class Cell;
class UserDefaults;
} // namespace platform

// A number formatter in the currency style of a locale.
class CurrencyFormatter
{
public:
    explicit CurrencyFormatter(const QLocale &locale = QLocale()) : m_locale(locale) {}
    QString stringFromNumber(double value) const { return m_locale.toCurrencyString(value); }
    // The locale's currency symbol; empty when it has none.
    QString currencySymbol() const { return m_locale.currencySymbol(); }
    const QLocale &locale() const { return m_locale; }

private:
    QLocale m_locale;
};

class MyDocument : public platform::Document, public NodeDelegate, public DocumentOutlineDataSource
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

    // The document type that makes MyDocument objects.
    static platform::DocumentType documentType();

    explicit MyDocument(QObject *parent = nullptr);
    ~MyDocument() override;

    // ---- Process-wide ----
    // The application controller's "rebuild your menus"; called when the jobs or
    // the active job may have changed. Empty until someone sets it.
    static void setMenuRebuilder(std::function<void()> rebuilder);
    static void rebuildApplicationMenus();
    // The number of counters running in all documents.
    static int numberOfRunningCounters() { return s_numberOfRunningCounters; }

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
    // The row images of the outline.
    const QIcon &groupImage() const { return m_groupImage; }
    const QIcon &activeGroupImage() const { return m_activeGroupImage; }
    const QIcon &timeImage() const { return m_timeImage; }
    const QIcon &jobImage() const { return m_jobImage; }
    const QIcon &activeJobImage() const { return m_activeJobImage; }
    const QIcon &dayImage() const { return m_dayImage; }

    // Whether this document's counter runs.
    bool timerIsRunning() const { return m_fRunTimer; }

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

    // ---- Node delegate ----
    platform::UndoManager *undoManagerForNode(Node &node) override;
    void attributesChangedOfNode(Node &node) override;

    // ---- Outline data source and delegate ----
    Node *outlineRootItem() const override { return m_jobList.get(); }
    NodePtr outlineViewChildOfItem(qsizetype index, Node *item) const override;
    bool outlineViewIsItemExpandable(Node *item) const override;
    qsizetype outlineViewNumberOfChildrenOfItem(Node *item) const override;
    QVariant outlineViewObjectValueForTableColumnByItem(const QString &identifier, Node *item) const override;
    QFont outlineViewFontForItem(Node *item) const override;
    QIcon outlineViewImageForItem(Node *item) const override;
    QString outlineViewTitleForTableColumn(const QString &identifier) const override;
    // Prepares a cell of the outline for the row of the item.
    void outlineViewWillDisplayCell(platform::Cell &cell, const QString &identifier, Node *item) const;
    void outlineViewSelectionDidChange();

Q_SIGNALS:
    void selectedNodeWorkTimeChanged(const QString &text);
    void selectedNodeWageChanged(const QString &text);
    void inspectedObjectsNotEmptyChanged(bool notEmpty);

protected:
    bool readFromFile(const QString &path, const QString &typeName) override;
    bool writeToFile(const QString &path, const QString &typeName) override;
    QWidget *makeMainWindow() override;
    void windowControllerDidLoad() override;

    // The running counter sets these.
    bool m_fRunTimer = false;
    static inline int s_numberOfRunningCounters = 0;

private:
    void handleUndoRedoChange();
    // The user defaults of the document's controller (the standard ones without).
    platform::UserDefaults &userDefaults() const;
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

    NodePtr m_jobList;
    DocumentValuesStore m_docValues;
    CurrencyFormatter m_formatter;
    CurrencyFormatter m_wageFormatter;
    QIcon m_groupImage, m_activeGroupImage, m_timeImage, m_jobImage, m_activeJobImage, m_dayImage;
    NodeArrayController *m_inspectedObjectsController = nullptr;
    bool m_inspectedObjectsNotEmpty = false;
    QString m_selectedNodeWorkTime;
    QString m_selectedNodeWage;
    QHash<QString, QString> m_columnTitles;

    QPointer<DocumentWindow> m_window;
    DocumentOutlineModel *m_outlineModel = nullptr;
    QStandardItemModel *m_dummyOutlineView = nullptr;
    QPointer<QMenu> m_outlineMenu;
    QPersistentModelIndex m_clickedIndex;
    bool m_loaded = false;
    bool m_reloading = false;

    static std::function<void()> &menuRebuilder();
};
