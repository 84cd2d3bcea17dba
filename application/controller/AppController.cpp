// The application controller: construction, defaults, the hot key at launch,
// autosave and the preference changes, quitting and the small menu actions.
#include "application/controller/AppController.h"

#include "NTXAppKit/reporting/NTXFeedbackProvider.h"
#include "application/controller/AboutBox.h"
#include "application/controller/FileOpening.h"
#include "application/controller/LaunchSequence.h"
#include "application/controller/PreferenceWindowSetup.h"
#include "application/controller/RecoveryCopies.h"
#include "application/base/DefaultsKeys.h"
#include "application/document/DocumentServices.h"
#include "application/document/MyDocument.h"
#include "application/update/NTXCheckUpdate.h"
#include "application/controller/TransparentWindow.h"
#include "platform/foundation/Bundle.h"
#include "platform/desktop/DesktopNotifier.h"
#include "platform/desktop/DesktopServiceProbe.h"
#include "platform/desktop/LogoutInhibitor.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/TerminationSignals.h"
#include "platform/desktop/SleepMonitor.h"
#include "platform/foundation/UserDefaults.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QGuiApplication>
#include <QSessionManager>
#include <QLoggingCategory>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVariantAnimation>
#include <QWindow>
#include <limits>

Q_LOGGING_CATEGORY(lcSession, "chronark.session")

namespace {

QPointer<AppController> &sharedSlot()
{
    static QPointer<AppController> shared;
    return shared;
}

// The longest interval a timer takes, in minutes (its milliseconds fit an int).
constexpr qint64 MaximumAutoSaveMinutes = std::numeric_limits<int>::max() / 60000;

// A stored number; the fallback for anything else (text that is no number, lists),
// so that a damaged preference never turns into the number 0.
qint64 storedInteger(const platform::UserDefaults &defaults, const QString &key, qint64 fallback)
{
    const QVariant value = defaults.objectForKey(key);
    if (!value.isValid())
        return fallback;
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    return ok ? number : fallback;
}

} // namespace

const QStringList &AppController::preferencePaneIdentifiers()
{
    return PreferenceWindowSetup::paneIdentifiers();
}

// ---- Construction ----

AppController *AppController::create()
{
    return create(Services(), nullptr);
}

AppController *AppController::create(const Services &services, QObject *parent)
{
    if (AppController *existing = sharedSlot()) {
        // One controller per process: what this construction was given goes.
        if (services.notifier && services.notifier != existing->m_notifier)
            delete services.notifier;
        if (services.sleepMonitor && services.sleepMonitor != existing->m_sleepMonitor)
            delete services.sleepMonitor;
        if (services.logoutInhibitor && services.logoutInhibitor != existing->m_logoutInhibitor)
            delete services.logoutInhibitor;
        return existing;
    }
    auto *controller = new AppController(services, parent);
    controller->awakeFromNib();
    return controller;
}

AppController *AppController::getSharedAppController()
{
    if (AppController *shared = sharedSlot())
        return shared;
    return create(Services(), QCoreApplication::instance());
}

AppController *AppController::existingSharedAppController()
{
    return sharedSlot();
}

void AppController::initialize(platform::UserDefaults &defaults)
{
    defaults.registerDefaults(DefaultsKeys::registeredDefaults());
}

AppController::AppController(const Services &services, QObject *parent) : platform::DocumentController(parent)
{
    sharedSlot() = this;
    setSharedDocumentController(this);
    if (services.defaults)
        setUserDefaults(services.defaults);
    initialize(defaults());
    m_documentServices = services.documentServices ? services.documentServices : std::make_shared<DocumentServices>();
    addDocumentType(MyDocument::documentType(m_documentServices));

    platform::NotificationCenter::defaultCenter().addObserver(
        this, PrefsChangedNotification, nullptr, [this](const platform::Notification &) { handlePrefsChange(); });

    m_notifier = services.notifier ? services.notifier : new platform::DesktopNotifier(this);
    m_notifier->setParent(this);
    m_notifier->setApplicationName(QStringLiteral("Chronark"));

    m_sleepMonitor = services.sleepMonitor ? services.sleepMonitor : new platform::SleepMonitor(this);
    m_sleepMonitor->setParent(this);
    connect(m_sleepMonitor, &platform::SleepMonitor::aboutToSleep, this,
            platform::ExceptionBoundary::guarded(this, "aboutToSleep", [this] { receiveSleepNote(nullptr); }));
    connect(m_sleepMonitor, &platform::SleepMonitor::aboutToShutDown, this,
            platform::ExceptionBoundary::guarded(this, "aboutToShutDown", [this] {
                sessionEnds(QStringLiteral("The system's shutdown"));
            }));
    m_logoutInhibitor = services.logoutInhibitor ? services.logoutInhibitor : new platform::LogoutInhibitor(this);
    m_logoutInhibitor->setParent(this);

    m_documentServices->menuRebuilder = [this] { buildMenu(); };
    m_documentServices->notificationPoster = [this](const QString &message, const QString &title) {
        postMessageToGrowl(message, title);
    };
    m_documentServices->applicationController = this;
    m_documentServices->applicationMenuInstaller = [this](QMenuBar *menuBar) { installApplicationMenu(menuBar); };
    m_fileOpening = std::make_unique<FileOpening>(*this);
    m_preferences = std::make_unique<PreferenceWindowSetup>(*this);
    m_launch = std::make_unique<LaunchSequence>(*this, *m_fileOpening, *m_preferences, [this] { runUpdateCheck(true); });
    m_recovery = std::make_unique<RecoveryCopies>(*this);
    connect(this, &platform::DocumentController::willTerminate, this,
            platform::ExceptionBoundary::guarded(this, "willTerminate", [this] { m_quitting = true; }));

    // The signals that end the process from outside end it through the quit.
    if (platform::TerminationSignals *signals = platform::TerminationSignals::installed())
        connect(signals, &platform::TerminationSignals::received, this,
                platform::ExceptionBoundary::guarded(this, "a termination signal", [this](int signal) {
                    sessionEnds(QString::fromLatin1(platform::TerminationSignals::name(signal)));
                }));

    // Tray hosts that show an exported menu never ask for it again: it follows the
    // documents as they open, close and are renamed (starts and stops rebuild it too).
    connect(this, &platform::DocumentController::documentAdded, this,
            platform::ExceptionBoundary::guarded(this, "documentAdded", [this](platform::Document *document) {
                connect(document, &platform::Document::displayNameChanged, this, &AppController::buildMenu,
                        Qt::UniqueConnection);
                connect(document, &platform::Document::documentEditedChanged, this,
                        platform::ExceptionBoundary::guarded(this, "updateSessionHolds", &AppController::updateSessionHolds));
                buildMenu();
            }));
    connect(this, &platform::DocumentController::documentRemoved, this,
            platform::ExceptionBoundary::guarded(this, "documentRemoved", [this](platform::Document *document) {
                disconnect(document, &platform::Document::displayNameChanged, this, &AppController::buildMenu);
                disconnect(document, &platform::Document::documentEditedChanged, this, nullptr);
                buildMenu();
            }));

    if (auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(application, &QGuiApplication::focusWindowChanged, this,
            platform::ExceptionBoundary::guarded(this, "focusWindowChanged", &AppController::focusWindowChanged));
        // Answered within the call: Qt tells the session manager when it returns.
        connect(application, &QGuiApplication::commitDataRequest, this,
                platform::ExceptionBoundary::guarded(this, "commitDataRequest", &AppController::commitDataRequest),
                Qt::DirectConnection);
    }
}

AppController::~AppController()
{
    sharedSlot() = nullptr;
    // The documents go in the base class's destructor, taking their windows with them:
    // nothing may call back into this part of the object by then.
    if (QCoreApplication *application = QCoreApplication::instance())
        disconnect(application, nullptr, this, nullptr);
    for (platform::Document *document : documents())
        disconnect(document, nullptr, this, nullptr);
    // Documents may outlive the controller's part of the object: they reach nothing of it.
    m_documentServices->menuRebuilder = {};
    m_documentServices->notificationPoster = {};
    m_documentServices->applicationMenuInstaller = {};
    m_documentServices->applicationController = nullptr;
    // A launch still waiting for its files ends here, and so do later reads.
    m_launch.reset();
    m_fileOpening.reset();
    m_recovery.reset();
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    // Hot keys outlive their center: take ours back before the target goes.
    m_hotKeyCenter.unregisterHotKeysWithTarget(this);
    stopStatusWindowFade();
    delete m_chronarkStatusWindow.data();
    delete m_aboutBoxWindow.data();
    delete m_appsStatusItem;
    m_appsStatusItem = nullptr;
    delete m_appDockMenu;
    m_appDockMenu = nullptr;
    if (m_timer)
        m_timer->stop();
    if (m_sleepMonitor)
        m_sleepMonitor->releaseInhibitor();
    delete m_sleepMonitor;
    delete m_logoutInhibitor;
    m_logoutInhibitor = nullptr;
    m_sleepMonitor = nullptr;
    delete m_notifier;
    m_notifier = nullptr;
    m_preferences.reset();
}

void AppController::awakeFromNib()
{
    m_appDockMenu = new QMenu(DockMenuTitle);
    m_appDockMenu->setObjectName(QStringLiteral("appDockMenu"));
    buildMenu();
    handlePrefsChange();
    registerHotKeyFromDefaults();
}

void AppController::registerHotKeyFromDefaults()
{
    platform::UserDefaults &defaults = this->defaults();
    // A stored value that is no key (negative, or out of the key codes) is never
    // handed to the desktop, also not cut down to some other key.
    const std::optional<quint16> keyCode =
        HKHotKeyCenter::keyCodeForStoredValue(storedInteger(defaults, ChronarkKeyCodeKey, -1));
    if (!keyCode)
        return;
    const quint32 modifiers = quint32(storedInteger(defaults, ChronarkKeyModifierKey, 0));
    m_hotKeyRegistered = m_hotKeyCenter.registerHotKeyWithKeyCode(*keyCode, modifiers, this, "chronarkHotKeyDown:");
}

// ---- Launch (LaunchSequence), the files of requests (FileOpening) ----

void AppController::launch(const QStringList &files, DocumentReadAhead *readAhead)
{
    m_launch->launch(files, readAhead);
}

void AppController::applicationDidFinishLaunching()
{
    m_launch->applicationDidFinishLaunching();
}

void AppController::readFilesAhead(const QStringList &paths, std::function<void()> ready)
{
    m_fileOpening->read(paths, std::move(ready));
}

QWidget *AppController::openingProgressWindow() const
{
    return m_fileOpening->progressWindow();
}

bool AppController::applicationShouldOpenUntitledFile() const
{
    return defaults().boolForKey(OpenEmptyDocumentKey);
}

void AppController::applicationShouldHandleReopen()
{
    if (MyDocument *document = frontmostDocument()) {
        document->showWindows();
        return;
    }
    for (platform::Document *document : documents()) {
        document->showWindows();
        return;
    }
    if (applicationShouldOpenUntitledFile())
        openUntitledDocument(true);
}

// ---- Preferences and autosave ----

void AppController::handlePrefsChange()
{
    platform::UserDefaults &defaults = this->defaults();
    const qint64 minutes = qMin(defaults.integerForKey(AutoSaveTimerKey), MaximumAutoSaveMinutes);
    const bool show = defaults.boolForKey(ShowChronarkMenuKey);

    if (m_timer) {
        m_timer->stop();
        m_timer->deleteLater();
        m_timer = nullptr;
    }
    if (minutes > 0) {
        m_timer = new QTimer(this);
        m_timer->setObjectName(QStringLiteral("autoSaveTimer"));
        m_timer->setTimerType(Qt::CoarseTimer);
        m_timer->setInterval(int(minutes * 60000));
        connect(m_timer, &QTimer::timeout, this,
                platform::ExceptionBoundary::guarded(this, "the autosave timer", [this] { doTimer(m_timer); }));
        m_timer->start();
    }

    if (show && !m_appsStatusItem) {
        // Making a tray icon asks the desktop's tray what it offers, waiting for the
        // answer: the icon is made once the tray has answered the probe, never while
        // it holds its answers (then there is none, as without a tray).
        platform::DesktopServiceProbe::shared(platform::DesktopServiceProbe::Service::StatusNotifierWatcher)
            .whenKnown(this, [this](platform::DesktopServiceProbe::State state) {
                if (state != platform::DesktopServiceProbe::State::Silent)
                    showStatusItem();
            });
    } else if (!show && m_appsStatusItem) {
        m_appsStatusItem->hide();
        m_appsStatusItem->setContextMenu(nullptr);
        m_appsStatusItem->deleteLater();
        m_appsStatusItem = nullptr;
    }
    updateQuitOnLastWindowClosed();
    buildMenu();
}

void AppController::showStatusItem()
{
    // The preference may have been turned off while the tray was asked.
    if (m_appsStatusItem || !defaults().boolForKey(ShowChronarkMenuKey))
        return;
    m_appsStatusItem = new QSystemTrayIcon(this);
    m_appsStatusItem->setObjectName(QStringLiteral("appsStatusItem"));
    m_appsStatusItem->setToolTip(platform::localized(QStringLiteral("LSStatusItemToolTip")));
    m_appsStatusItem->setContextMenu(m_appDockMenu);
    connect(m_appsStatusItem, &QSystemTrayIcon::activated, this,
            platform::ExceptionBoundary::guarded(this, "the status item",
                                                 [this](QSystemTrayIcon::ActivationReason reason) {
                statusItemActivated(int(reason));
            }));
    updateStatusItemImage();
    m_appsStatusItem->show();
    updateQuitOnLastWindowClosed();
}

void AppController::updateQuitOnLastWindowClosed()
{
    // Without a tray icon (or without a tray to show it), closing the last window
    // is the only way out; with one, the application stays reachable through its menu.
    if (auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        application->setQuitOnLastWindowClosed(!m_appsStatusItem || !QSystemTrayIcon::isSystemTrayAvailable());
}

void AppController::doTimer(QObject *)
{
    // Only documents with unsaved changes (a running counter makes its document
    // edited); a document never saved, or whose file another program changed, is
    // not touched.
    const QList<platform::Document *> open = documents();
    for (platform::Document *document : open) {
        if (document)
            document->autosaveDocument();
    }
}

// ---- Quitting ----

void AppController::terminationWillProceed()
{
    // Silently (the controller as sender), so that the files saved next hold the
    // stopped entries.
    for (MyDocument *document : myDocuments()) {
        if (document->timerIsRunning())
            document->stopTimer(this);
    }
}

void AppController::sessionEnds(const QString &why)
{
    if (isTerminatingWithoutQuestions())
        return;
    qCInfo(lcSession).noquote() << why << "ends the application: the counters stop, unsaved changes are kept for the next launch";
    terminateWithoutQuestions();
}

bool AppController::hasWorkToKeep() const
{
    if (m_documentServices->runningCounters > 0)
        return true;
    for (platform::Document *document : documents()) {
        if (document && !document->isClosing() && document->isDocumentEdited())
            return true;
    }
    return false;
}

void AppController::updateSessionHolds()
{
    // While the session's end is kept, the holds stay: the process lets them go as it ends.
    if (isTerminatingWithoutQuestions())
        return;
    const bool hold = hasWorkToKeep();
    const QString reason = platform::localized(QStringLiteral("LSLogoutInhibitorReason"));
    if (m_logoutInhibitor)
        m_logoutInhibitor->setHeld(hold, reason);
    if (!m_sleepMonitor)
        return;
    if (hold && !m_sleepMonitor->wantsShutdownInhibitor())
        m_sleepMonitor->takeShutdownInhibitor(QStringLiteral("Chronark"), reason);
    else if (!hold && m_sleepMonitor->wantsShutdownInhibitor())
        m_sleepMonitor->releaseShutdownInhibitor();
}

void AppController::takeQuitRequests()
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool AppController::eventFilter(QObject *watched, QEvent *event)
try {
    if (event->type() != QEvent::Quit || watched != QCoreApplication::instance() || m_quitting
        || isTerminatingWithoutQuestions())
        return platform::DocumentController::eventFilter(watched, event);
    sessionEnds(QStringLiteral("A request to quit"));
    return true;
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

void AppController::commitDataRequest(QSessionManager &manager)
{
    if (!hasWorkToKeep() || isTerminatingWithoutQuestions())
        return;
    // Asks the session manager for the person's attention (it waits for the answer).
    if (!manager.allowsInteraction())
        return;
    bool cancelled = false;
    bool ended = false;
    QEventLoop answers;
    const QMetaObject::Connection done = connect(this, &platform::DocumentController::willTerminate, &answers,
                                                 platform::ExceptionBoundary::guarded(this, "the quit's end", [&] {
                                                     ended = true;
                                                     answers.quit();
                                                 }));
    const QMetaObject::Connection refused = connect(this, &platform::DocumentController::terminationCancelled, &answers,
                                                    platform::ExceptionBoundary::guarded(this, "the quit cancelled", [&] {
                                                        cancelled = true;
                                                        answers.quit();
                                                    }));
    terminate(this);
    // The quit may have ended at once (nothing to ask); else its answers come in here.
    if (!ended && !cancelled && isTerminating())
        answers.exec();
    disconnect(done);
    disconnect(refused);
    // Qt tells the session manager once this returns: the logout is cancelled, or the
    // others may ask their questions.
    if (cancelled)
        manager.cancel();
    else
        manager.release();
}

void AppController::keepUnsavedDocument(platform::Document *document)
{
    m_recovery->keep(document);
}

QList<MyDocument *> AppController::myDocuments() const
{
    QList<MyDocument *> result;
    for (platform::Document *document : documents()) {
        if (auto *mine = qobject_cast<MyDocument *>(document))
            result.append(mine);
    }
    return result;
}

// ---- Actions ----

void AppController::showAboutBox(QObject *)
{
    if (!m_aboutBoxWindow)
        m_aboutBoxWindow = new AboutBox(&defaults());
    m_aboutBoxWindow->showWindow(this);
}

void AppController::showPreferences(QObject *)
{
    m_preferences->show();
}

NTXPreferenceWindowController *AppController::preferenceController() const
{
    return m_preferences->windowController();
}

void AppController::checkForUpdates(QObject *)
{
    runUpdateCheck(false);
}

void AppController::runUpdateCheck(bool silent)
{
    if (m_updateChecker)
        m_updateChecker(silent);
    else
        NTXCheckUpdate::checkForUpdate(silent);
}

void AppController::visitURL(QObject *)
{
    openURL(QStringLiteral("LSXQLink"));
}

void AppController::visitHistoryURL(QObject *)
{
    openURL(QStringLiteral("LSXQHistoryLink"));
}

void AppController::showSendFeedbackDialog(QObject *)
{
    NTXFeedbackProvider::showFeedbackProviderDialog();
}

void AppController::openURL(const QString &key)
{
    const QUrl url(platform::localized(key));
    if (!url.isValid() || url.scheme().isEmpty())
        return;
    if (m_urlOpener)
        m_urlOpener(url);
    else
        QDesktopServices::openUrl(url);
}

void AppController::setURLOpener(URLOpener opener)
{
    m_urlOpener = std::move(opener);
}

void AppController::setUpdateChecker(UpdateChecker checker)
{
    m_updateChecker = std::move(checker);
}
