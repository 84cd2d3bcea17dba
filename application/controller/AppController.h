#pragma once
// The one application-wide object: the application's delegate and the shared document
// controller (every document of the process is kept here). It registers the
// application's defaults, runs the launch sequence, autosaves, stops running counters
// when the application quits or the computer goes to sleep, and offers the
// counters without a document window: the job menu shared by the tray icon (the
// status item), the global hot key with its fading status window, and desktop
// notifications of starts and stops.
//
// The class is implemented across files by concern:
//   AppController.cpp        construction, defaults, autosave and the preference
//                            changes, quitting, the small menu actions
//   AppControllerMenus.cpp   job menu and tray icon, hot key and status window,
//                            sleep, notifications
// and its collaborators, one job each, do the rest behind short forwards:
//   LaunchSequence           the launch, with its files read ahead and its later work
//   FileOpening              the files of later requests read ahead, and the
//                            progress window of a long read
//   PreferenceWindowSetup    the preferences window and its panes
//
// One instance per process: create() makes it, a second create() answers the first;
// getSharedAppController() makes it on first use. Deleting it (tests) frees the slot.
#include "application/controller/AboutBox.h"
#include "application/tree/Node.h"
#include "application/controller/TransparentWindow.h"
#include "components/hotkeys/HKHotKeyCenter.h"
#include "platform/document/DocumentController.h"

#include <QByteArray>
#include <QLabel>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantAnimation>
#include <QVariantMap>
#include <functional>
#include <memory>

class DocumentReadAhead;
class FileOpening;
class LaunchSequence;
class MyDocument;
class NTXPreferenceWindowController;
class QAction;
class QMenu;
class QMenuBar;
class DocumentServices;
class PreferenceWindowSetup;
class RecoveryCopies;
class QSessionManager;
class QSystemTrayIcon;
class QTimer;
class QWindow;

namespace platform {
class DesktopNotifier;
class LogoutInhibitor;
class SleepMonitor;
class UserDefaults;
} // namespace platform

// What a new application controller works with; anything left null is made as the
// running application needs it. The controller takes over the notifier, the monitor and
// the inhibitor.
struct AppControllerServices
{
    platform::UserDefaults *defaults = nullptr;     // the standard defaults
    platform::DesktopNotifier *notifier = nullptr;  // the session bus
    platform::SleepMonitor *sleepMonitor = nullptr; // the system bus (or $CHRONARK_SLEEP_BUS_ADDRESS)
    platform::LogoutInhibitor *logoutInhibitor = nullptr; // the session bus's desktop portal
    // What the controller's documents share; the controller fills in its own hooks.
    std::shared_ptr<DocumentServices> documentServices;
};

class AppController : public platform::DocumentController
{
    Q_OBJECT
public:
    static inline const QString PreferenceWindowAutosaveName = QStringLiteral("ChronarkPreferenceWindowController");
    // Titled, closable and miniaturizable.
    static constexpr unsigned PreferenceWindowStyle = 7;
    static inline const QString DockMenuTitle = QStringLiteral("DockMenu");
    static inline const QString StatusImageName = QStringLiteral("entry_time2.tif");
    static inline const QString StatusRunningImageName = QStringLiteral("entry_timeRun.png");
    // The status window's fade-out, in milliseconds.
    static constexpr int StatusWindowFadeDuration = 3500;
    // A launch ends with these (main() has others: 1 to 3), after a line on the
    // standard error and without a crash report, when the system gives it no thread
    // for its pool, or not the memory to start.
    static constexpr int NoThreadsExitCode = 4;
    static constexpr int OutOfMemoryExitCode = 5;
    // The identifiers of the preference panes, in the order the window shows them.
    static const QStringList &preferencePaneIdentifiers();

    using Services = AppControllerServices;

    // Makes the controller, registers the defaults, and wires the hot key, menus
    // and services (what loading the main interface does). When a controller exists
    // already, the services handed in are deleted and the existing one is answered.
    static AppController *create();
    static AppController *create(const Services &services, QObject *parent = nullptr);
    // The shared controller, made with the standard services on first use.
    static AppController *getSharedAppController();
    // The shared controller if there is one.
    static AppController *existingSharedAppController();

    ~AppController() override;

    // Registers the application's thirty defaults in the defaults, in one call.
    static void initialize(platform::UserDefaults &defaults);

    // ---- Launch ----
    // Opens the files (command-line arguments), finishes launching (reopening the
    // last edited document, the update check, the preferences window), and opens an
    // untitled document when no document is open and "OpenEmptyDocument" says so.
    // The application's icon is set before launch() returns, so before any window
    // shows. Without a read-ahead all of it is done when launch() returns. With one (the
    // application's own launch), the files and the last edited document are read on
    // a pool thread while a document window is made, and the rest runs in the pass
    // in which the reads end, as it would have run at once: the same documents, the
    // same alert for files that cannot be read, the same windows when first shown.
    // The update check and the preferences window controller then wait until a
    // document window was first drawn. A quit before the reads end ends the launch:
    // nothing more opens. The read-ahead must outlive the launch (or be cancelled).
    void launch(const QStringList &files, DocumentReadAhead *readAhead = nullptr);
    // The files of later requests (the open dialog, the recent files, another
    // program's request through openDocumentsWhenRead()) are read the same way, on a
    // pool thread with the window alive; they open in the pass in which their reads
    // end, with the same documents and alerts as a read on the GUI thread. A read
    // running longer than OpeningProgressDelay milliseconds shows a progress window
    // until it ends.
    static constexpr int OpeningProgressDelay = 500;
    // The progress window of files being read; null when none shows.
    QWidget *openingProgressWindow() const;
    void applicationDidFinishLaunching();
    bool applicationShouldOpenUntitledFile() const;
    // The tray icon was clicked: the front document window comes forward, or an
    // untitled document opens when none is open (and "OpenEmptyDocument" is set).
    void applicationShouldHandleReopen();
    // Quitting, once the user answered the questions about unsaved changes without
    // cancelling: stops every running counter silently (each stop posts its
    // notification), before the documents chosen are saved. A cancelled quit leaves
    // the counters running.
    void terminationWillProceed() override;
    // The session ends (a termination signal, a logout that allows no questions): the
    // quit goes on without asking (DocumentController::terminateWithoutQuestions()):
    // the counters stop as at any quit, and each document with unsaved changes is kept
    // in a recovery copy (RecoveryCopies), never written over its file; the next launch
    // offers each. `why` goes to the log.
    void sessionEnds(const QString &why);
    // The X11 session manager asks the application to save before the session ends (Qt's
    // session management, QGuiApplication::commitDataRequest). With something to keep
    // and questions allowed, the session's end is the quit (terminate()): the counters
    // stop and each unsaved document is asked about; a Cancel cancels the logout. The
    // answers must be in before the request is answered, so the quit's questions run
    // in an event loop of their own here, as Qt's session API wants. Without questions
    // allowed nothing is done now: the end that follows is sessionEnds().
    void commitDataRequest(QSessionManager &manager);
    // The requests to quit that come from outside the quit (Qt's quit event: the X11
    // session manager's end of the session, the last window closed) end the application
    // through the quit too, as sessionEnds() (the running application's; main() asks).
    void takeQuitRequests();
    // The copies kept of unsaved documents, offered by the launch.
    RecoveryCopies &recoveryCopies() const { return *m_recovery; }

    // ---- Preferences and autosave ----
    // Re-reads "AutoSaveTimer" and "ShowChronarkMenu": re-creates the autosave
    // timer, makes or drops the tray icon, rebuilds the menu. The icon is made once
    // the desktop's tray has answered (platform::DesktopServiceProbe): at once when it
    // has, later when it is still being asked, never when it holds its answers.
    void handlePrefsChange();
    // The autosave tick: every document that has a file and unsaved changes is saved.
    Q_INVOKABLE void doTimer(QObject *sender = nullptr);
    // The autosave timer; null while autosave is off.
    QTimer *autoSaveTimer() const { return m_timer; }

    // ---- Menus (the one job menu of the tray icon) ----
    // Rebuilds the job menu from the open documents and updates the tray icon's image.
    void buildMenu();
    // A new item of the job menu: no shortcut, the controller as target, the job as
    // represented object, enabled exactly when there is a job. Owned by the caller.
    QAction *constructMenuItem(const QString &title, const QByteArray &action, const NodePtr &object);
    // Rebuilds the menu and answers it.
    QMenu *applicationDockMenu();
    QMenu *appDockMenu() const { return m_appDockMenu; }
    // The tray icon; null while "ShowChronarkMenu" is off.
    QSystemTrayIcon *appsStatusItem() const { return m_appsStatusItem; }
    // The name of the image the tray icon shows now.
    QString statusItemImageName() const;
    // The application menu put into each document window's menu bar.
    void installApplicationMenu(QMenuBar *menuBar);

    Q_INVOKABLE void menuSelected(QObject *sender);
    Q_INVOKABLE void menuToggleSelected(QObject *sender);
    Q_INVOKABLE void menuAction(QObject *sender);

    // ---- Sleep, hot key, notifications ----
    Q_INVOKABLE void receiveSleepNote(QObject *sender = nullptr);
    Q_INVOKABLE void chronarkHotKeyDown(QObject *sender);
    QVariantMap registrationDictionaryForGrowl() const;
    void postMessageToGrowl(const QString &message, const QString &title);

    HKHotKeyCenter &hotKeyCenter() { return m_hotKeyCenter; }
    // The hot key of "ChronarkKeyCode" was registered at launch.
    bool hotKeyRegisteredAtLaunch() const { return m_hotKeyRegistered; }
    platform::DesktopNotifier *notifier() const { return m_notifier; }
    platform::SleepMonitor *sleepMonitor() const { return m_sleepMonitor; }
    platform::LogoutInhibitor *logoutInhibitor() const { return m_logoutInhibitor; }
    // Something a logout or shutdown would lose: a document with unsaved changes, or a
    // running counter. While there is, the logout is held through the desktop portal
    // (with a reason the desktop shows) and logind's shutdown is delayed, so that the
    // session's end comes as a quit (sessionEnds()) and not as a kill.
    bool hasWorkToKeep() const;

    // The document of the frontmost document window (windows in the order they were
    // last active, front first); null when no document window shows.
    MyDocument *frontmostDocument() const;

    // ---- The hot-key status window (made on first use) ----
    TransparentWindow *chronarkStatusWindow() const { return m_chronarkStatusWindow; }
    QLabel *chronarkStatusTextField() const { return m_chronarkStatusTextField; }
    QLabel *chronarkStatusJobNameTextField() const { return m_chronarkStatusJobNameTextField; }
    // The running fade; null when none runs.
    QVariantAnimation *chronarkStatusWindowAnimation() const { return m_chronarkStatusWindowAnimation; }
    // The opacity the fade gave the window last (platforms without window opacity
    // keep the window opaque).
    qreal statusWindowOpacity() const { return m_statusWindowOpacity; }

    // ---- Actions ----
    Q_INVOKABLE void showAboutBox(QObject *sender);
    Q_INVOKABLE void showPreferences(QObject *sender);
    Q_INVOKABLE void checkForUpdates(QObject *sender);
    Q_INVOKABLE void visitURL(QObject *sender);
    Q_INVOKABLE void visitHistoryURL(QObject *sender);
    // The feedback form ("Send Feedback…" in the Chronark menu).
    Q_INVOKABLE void showSendFeedbackDialog(QObject *sender);
    // The tray menu's way to the windows (see applicationShouldHandleReopen()).
    Q_INVOKABLE void showDocumentWindows(QObject *sender);

    NTXPreferenceWindowController *preferenceController() const;
    AboutBox *aboutBoxWindow() const { return m_aboutBoxWindow; }

    // How visitURL: and visitHistoryURL: open an address (the desktop's handler by
    // default); an empty opener restores it.
    using URLOpener = std::function<bool(const QUrl &url)>;
    void setURLOpener(URLOpener opener);
    // How the update check runs (NTXCheckUpdate::checkForUpdate by default).
    using UpdateChecker = std::function<void(bool silent)>;
    void setUpdateChecker(UpdateChecker checker);

    // What the controller's documents share (hooks, running count).
    DocumentServices &documentServices() const { return *m_documentServices; }

Q_SIGNALS:
    // The job menu was rebuilt.
    void menuRebuilt();

protected:
    explicit AppController(const Services &services, QObject *parent = nullptr);
    bool eventFilter(QObject *watched, QEvent *event) override;
    void readFilesAhead(const QStringList &paths, std::function<void()> ready) override;
    void keepUnsavedDocument(platform::Document *document) override;

private:
    platform::UserDefaults &defaults() const { return *userDefaults(); }
    // What loading the main interface does: menu, preferences pass, sleep, hot key.
    void awakeFromNib();
    // The update check, through the checker set (NTXCheckUpdate's by default).
    void runUpdateCheck(bool silent);
    void registerHotKeyFromDefaults();
    // Makes and shows the tray icon while "ShowChronarkMenu" is on and there is none.
    void showStatusItem();
    void updateQuitOnLastWindowClosed();
    void updateStatusItemImage();
    // Holds logind's delay lock while a counter runs (and stopping on sleep is on).
    void updateSleepInhibitor();
    // Holds or lets go the logout and the shutdown (see hasWorkToKeep()).
    void updateSessionHolds();
    void statusItemActivated(int reason);
    void focusWindowChanged(QWindow *window);
    void showStatusWindow(MyDocument *document);
    void setStatusWindowOpacity(qreal opacity);
    void makeStatusWindow();
    void stopStatusWindowFade();
    // The document holding the job of a menu item (the first open one).
    MyDocument *documentForMenuItem(QObject *sender, NodePtr *job) const;
    QList<MyDocument *> myDocuments() const;
    void openURL(const QString &key);

    QPointer<TransparentWindow> m_chronarkStatusWindow;
    QPointer<QLabel> m_chronarkStatusTextField;
    QPointer<QLabel> m_chronarkStatusJobNameTextField;
    QPointer<QVariantAnimation> m_chronarkStatusWindowAnimation;
    QSystemTrayIcon *m_appsStatusItem = nullptr;
    QPointer<AboutBox> m_aboutBoxWindow;
    QMenu *m_appDockMenu = nullptr;
    QTimer *m_timer = nullptr;
    HKHotKeyCenter m_hotKeyCenter;

    std::shared_ptr<DocumentServices> m_documentServices;
    // The collaborators (the destructor resets them: the launch, the file reading,
    // and last the preferences window).
    std::unique_ptr<FileOpening> m_fileOpening;
    std::unique_ptr<PreferenceWindowSetup> m_preferences;
    std::unique_ptr<LaunchSequence> m_launch; // uses the two above
    std::unique_ptr<RecoveryCopies> m_recovery;
    platform::DesktopNotifier *m_notifier = nullptr;
    platform::SleepMonitor *m_sleepMonitor = nullptr;
    platform::LogoutInhibitor *m_logoutInhibitor = nullptr;
    bool m_hotKeyRegistered = false;
    // The quit (terminate()) has done its work: its own quit event goes through.
    bool m_quitting = false;
    qreal m_statusWindowOpacity = 1.0;
    // Document windows, most recently active first.
    QList<QPointer<QWidget>> m_windowOrder;
    URLOpener m_urlOpener;
    UpdateChecker m_updateChecker;
};
