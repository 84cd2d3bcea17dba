// The application controller: construction, defaults, launch, autosave,
// preferences, quitting and the small menu actions.
#include "application/controller/AppController.h"

#include "NTXAppKit/reporting/NTXCrashReporter.h"
#include "NTXAppKit/reporting/NTXFeedbackProvider.h"
#include "NTXAppKit/preferences/NTXPreferencePanel.h"
#include "NTXAppKit/preferences/NTXPreferenceWindowController.h"
#include "application/controller/AboutBox.h"
#include "application/base/ApplicationImages.h"
#include "application/base/DefaultsKeys.h"
#include "application/tree/DocumentReadAhead.h"
#include "application/document/DocumentServices.h"
#include "application/document/DocumentWindow.h"
#include "application/preferences/GeneralPrefPanel.h"
#include "application/document/MyDocument.h"
#include "application/update/NTXCheckUpdate.h"
#include "application/preferences/SoundPrefPanel.h"
#include "application/preferences/TimeRegistrationPrefPanel.h"
#include "application/preferences/UpdatePreferencePanel.h"
#include "application/controller/TransparentWindow.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/DisplayText.h"
#include "platform/desktop/DesktopNotifier.h"
#include "platform/desktop/DesktopServiceProbe.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/desktop/SleepMonitor.h"
#include "platform/foundation/UserDefaults.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLocale>
#include <QProgressDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVariantAnimation>
#include <QWindow>
#include <cstdio>
#include <limits>
#include <new>

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

// Runs work in the pass after a window was first exposed (its first drawing is done
// then); in the next pass when there is no window shown, or when it goes first.
class AfterFirstExpose : public QObject
{
public:
    static void run(QWidget *widget, QObject *context, std::function<void()> work)
    {
        QWindow *window = widget && widget->isVisible() ? widget->windowHandle() : nullptr;
        auto *watcher = new AfterFirstExpose(context, std::move(work));
        if (!window || window->isExposed()) {
            delete watcher;
            return;
        }
        watcher->setParent(window);
        window->installEventFilter(watcher);
    }

    ~AfterFirstExpose() override
    {
        if (!m_work || !m_context)
            return;
        QTimer::singleShot(0, m_context.data(),
                           platform::ExceptionBoundary::guarded(m_context.data(), "the launch's later work",
                                                                std::move(m_work)));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    try {
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            deleteLater();
        }
        return false;
    } catch (...) {
        platform::ExceptionBoundary::caught(this, "eventFilter");
        return false;
    }

private:
    AfterFirstExpose(QObject *context, std::function<void()> work) : m_context(context), m_work(std::move(work)) {}

    QPointer<QObject> m_context;
    std::function<void()> m_work;
};

} // namespace

const QStringList &AppController::preferencePaneIdentifiers()
{
    static const QStringList identifiers{QStringLiteral("GeneralPrefPanel"), QStringLiteral("TimeRegistrationPrefPanel"),
                                         QStringLiteral("SoundPrefPanel"), QStringLiteral("UpdatePreferencePanel")};
    return identifiers;
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

    m_documentServices->menuRebuilder = [this] { buildMenu(); };
    m_documentServices->notificationPoster = [this](const QString &message, const QString &title) {
        postMessageToGrowl(message, title);
    };
    m_documentServices->applicationController = this;
    m_documentServices->applicationMenuInstaller = [this](QMenuBar *menuBar) { installApplicationMenu(menuBar); };
    m_fileReader = new DocumentReadAhead(this);
    m_documentServices->readAhead = m_fileReader;
    m_openingProgressTimer = new QTimer(this);
    m_openingProgressTimer->setSingleShot(true);
    m_openingProgressTimer->setInterval(OpeningProgressDelay);
    connect(m_openingProgressTimer, &QTimer::timeout, this,
            platform::ExceptionBoundary::guarded(this, "the progress of files opening", [this] {
                showOpeningProgress();
            }));

    // Tray hosts that show an exported menu never ask for it again: it follows the
    // documents as they open, close and are renamed (starts and stops rebuild it too).
    connect(this, &platform::DocumentController::documentAdded, this,
            platform::ExceptionBoundary::guarded(this, "documentAdded", [this](platform::Document *document) {
                connect(document, &platform::Document::displayNameChanged, this, &AppController::buildMenu,
                        Qt::UniqueConnection);
                buildMenu();
            }));
    connect(this, &platform::DocumentController::documentRemoved, this,
            platform::ExceptionBoundary::guarded(this, "documentRemoved", [this](platform::Document *document) {
                disconnect(document, &platform::Document::displayNameChanged, this, &AppController::buildMenu);
                buildMenu();
            }));

    if (auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(application, &QGuiApplication::focusWindowChanged, this,
            platform::ExceptionBoundary::guarded(this, "focusWindowChanged", &AppController::focusWindowChanged));
}

AppController::~AppController()
{
    sharedSlot() = nullptr;
    // The documents go in the base class's destructor, taking their windows with them:
    // nothing may call back into this part of the object by then.
    if (QCoreApplication *application = QCoreApplication::instance())
        disconnect(application, nullptr, this, nullptr);
    // Documents may outlive the controller's part of the object: they reach nothing of it.
    m_documentServices->menuRebuilder = {};
    m_documentServices->notificationPoster = {};
    m_documentServices->applicationMenuInstaller = {};
    m_documentServices->applicationController = nullptr;
    // A launch still waiting for its files ends here, and so do later reads.
    dropLaunchPreparation();
    m_documentServices->readAhead = nullptr;
    m_fileReader->cancel();
    endOpeningProgress();
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
    m_sleepMonitor = nullptr;
    delete m_notifier;
    m_notifier = nullptr;
    if (auto *pane = m_preferenceController ? qobject_cast<TimeRegistrationPrefPanel *>(
                         m_preferenceController->prefPaneWithIdentifier(QStringLiteral("TimeRegistrationPrefPanel")))
                                            : nullptr)
        pane->setHotKeyTarget(nullptr);
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

// ---- Launch ----

void AppController::launch(const QStringList &files, DocumentReadAhead *readAhead)
{
    QStringList named = files;
    named.removeAll(QString());
    if (!readAhead) {
        m_documentServices->showCountingInApplicationIcon(false);
        finishLaunch(named, false);
        return;
    }
    QStringList toRead = named;
    if (const QString last = documentToReopen(); !last.isEmpty())
        toRead << last;
    readAhead->read(toRead);
    m_documentServices->readAhead = readAhead;
    // The first document's window is made while its file is read. Only a head start:
    // where the read takes the memory, the window is made when the document opens.
    if (readAhead->isReading()) {
        try {
            m_documentServices->keepWindowMadeAhead(new DocumentWindow);
        } catch (const std::bad_alloc &) {
            // What the window had made is freed with it; the launch goes on.
        }
    }
    // The application's icon, before any window shows (the documents' services change
    // it while a counter runs, and know it is set: it is read once). Its images were
    // drawn on a pool thread meanwhile, while the window above was made; a launch
    // without a read-ahead sets it first thing.
    m_documentServices->showCountingInApplicationIcon(false);
    // A quit while the files are read ends the launch there.
    auto quitting = std::make_shared<QMetaObject::Connection>();
    *quitting = connect(this, &platform::DocumentController::willTerminate, this,
                        platform::ExceptionBoundary::guarded(this, "a quit during the launch", [this, quitting] {
                            disconnect(*quitting);
                            if (m_documentServices->readAhead)
                                m_documentServices->readAhead->cancel();
                            // Requests read with the launch's files went with them.
                            m_requestsReading = 0;
                            endOpeningProgress();
                            dropLaunchPreparation();
                        }));
    readAhead->whenRead(this, [this, named, quitting] {
        disconnect(*quitting);
        // Memory that runs out while the launch makes its windows ends it as it ends a
        // launch that runs out before the loop (main()): with a line, not a crash report
        // nor a program without a window.
        try {
            finishLaunch(named, true);
        } catch (const std::bad_alloc &) {
            std::fprintf(stderr, "%s: cannot start: there is not enough memory\n",
                         qPrintable(QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
            QCoreApplication::exit(OutOfMemoryExitCode);
        }
    });
}

void AppController::finishLaunch(const QStringList &files, bool deferred)
{
    if (!files.isEmpty())
        openDocumentsWithContentsOfFiles(files, true);
    didFinishLaunching(deferred);
    if (documents().isEmpty() && applicationShouldOpenUntitledFile())
        openUntitledDocument(true);
    dropLaunchPreparation();
    if (!deferred)
        return;
    // What nobody sees at launch waits until the front document window was drawn
    // (or for the next pass when no window shows).
    QWidget *window = nullptr;
    for (platform::Document *document : documents()) {
        if (document->mainWindow() && document->mainWindow()->isVisible())
            window = document->mainWindow();
    }
    AfterFirstExpose::run(window, this, [this] { doLaterLaunchWork(); });
}

void AppController::doLaterLaunchWork()
{
    if (defaults().boolForKey(UpdateAutoSearchKey))
        platform::ExceptionBoundary::guard(this, "the launch's update check", [this] { startUpdateCheckAtLaunch(); });
    if (!m_preferenceController)
        platform::ExceptionBoundary::guard(this, "the launch's preferences", [this] { makePreferenceController(); });
}

void AppController::dropLaunchPreparation()
{
    // Later files are read by the controller's own reader.
    m_documentServices->readAhead = m_fileReader;
    m_documentServices->dropWindowMadeAhead();
}

void AppController::readFilesAhead(const QStringList &paths, std::function<void()> ready)
{
    // While the launch reads its files, with them; else with the controller's reader.
    DocumentReadAhead *reader = m_documentServices->readAhead ? m_documentServices->readAhead.data() : m_fileReader;
    QStringList toRead;
    for (const QString &path : paths) {
        // An open file only comes to the front: nothing to read.
        if (!path.trimmed().isEmpty() && !documentForFile(path))
            toRead << path;
    }
    reader->read(toRead);
    const bool reading = reader->isReading();
    if (reading) {
        ++m_requestsReading;
        m_filesBeingRead = toRead;
        if (m_openingProgress)
            showOpeningProgress();
        else if (!m_openingProgressTimer->isActive())
            m_openingProgressTimer->start();
    }
    QPointer<DocumentReadAhead> guard(reader);
    reader->whenRead(this, [this, guard, toRead, reading, ready = std::move(ready)] {
        if (reading && --m_requestsReading == 0)
            endOpeningProgress();
        ready();
        // What no document took (a file that opened meanwhile) is not kept.
        if (guard) {
            for (const QString &path : toRead)
                guard->take(path);
        }
    });
}

void AppController::showOpeningProgress()
{
    if (m_requestsReading == 0)
        return;
    if (!m_openingProgress) {
        // Busy, without a button: the documents open as soon as their files are read.
        m_openingProgress = new QProgressDialog(QString(), QString(), 0, 0);
        m_openingProgress->setObjectName(QStringLiteral("openingProgress"));
        m_openingProgress->setWindowModality(Qt::NonModal);
        m_openingProgress->setAutoClose(false);
        m_openingProgress->setAutoReset(false);
        m_openingProgress->setMinimumDuration(0);
        m_openingProgress->setMinimumWidth(360);
    }
    QString text;
    if (m_filesBeingRead.size() == 1) {
        // A long name is cut in the middle: the window keeps its width.
        const QString name = QFontMetrics(m_openingProgress->font())
                                 .elidedText(QFileInfo(m_filesBeingRead.constFirst()).fileName(), Qt::ElideMiddle, 320);
        text = platform::localized(QStringLiteral("LSOpeningDocument"))
                   .replace(QStringLiteral("%@"), platform::DisplayText::isolated(name));
    } else {
        text = platform::localized(QStringLiteral("LSOpeningDocuments"))
                   .replace(QStringLiteral("%@"), QLocale().toString(m_filesBeingRead.size()));
    }
    m_openingProgress->setLabelText(text);
    // Titled with what it does: the desktop's task list tells it from the alerts,
    // which carry the application's name.
    m_openingProgress->setWindowTitle(text);
    m_openingProgress->show();
    m_openingProgress->raise();
}

void AppController::endOpeningProgress()
{
    m_openingProgressTimer->stop();
    m_filesBeingRead.clear();
    delete m_openingProgress.data();
}

QWidget *AppController::openingProgressWindow() const
{
    return m_openingProgress;
}

QString AppController::documentToReopen() const
{
    if (!defaults().boolForKey(OpenLastEditedDocKey))
        return QString();
    return defaults().stringForKey(LestEditedFileNameKey);
}

void AppController::applicationDidFinishLaunching()
{
    didFinishLaunching(false);
}

void AppController::didFinishLaunching(bool deferred)
{
    // A crash report left by the last run is offered first.
    NTXCrashReporter::checkForCrash();
    // A file that cannot be read is reported by the document machinery.
    if (const QString path = documentToReopen(); !path.isEmpty())
        openDocumentWithContentsOfFile(path, true);
    if (deferred)
        return;
    if (defaults().boolForKey(UpdateAutoSearchKey)) {
        // The check waits for the server: let the windows show first.
        QTimer::singleShot(0, this, platform::ExceptionBoundary::guarded(this, "the launch's update check", [this] {
            startUpdateCheckAtLaunch();
        }));
    }
    platform::ExceptionBoundary::guard(this, "the launch's preferences", [this] { makePreferenceController(); });
}

void AppController::startUpdateCheckAtLaunch()
{
    if (m_updateChecker)
        m_updateChecker(true);
    else
        NTXCheckUpdate::checkForUpdate(true);
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

void AppController::makePreferenceController()
{
    NTXPreferenceWindowController *controller =
        NTXPreferenceWindowController::initWithAutosaveName(PreferenceWindowAutosaveName, PreferenceWindowStyle);
    // There is one preferences window per process: a controller made again (after
    // an earlier one went) takes it over.
    if (!controller)
        controller = NTXPreferenceWindowController::sharedPreferenceWindowController();
    controller->setUserDefaults(&this->defaults());

    platform::UserDefaults *defaults = &this->defaults();
    const QStringList &identifiers = preferencePaneIdentifiers();
    auto add = [controller](NTXPrefPaneProtocol *pane, const QString &identifier) {
        if (!controller->addPane(pane, identifier))
            delete pane;
    };
    if (!controller->prefPaneWithIdentifier(identifiers.at(0)))
        add(NTXPreferencePanel::create<GeneralPrefPanel>(QStringLiteral("GeneralPrefPanel.nib"), identifiers.at(0),
                                                         defaults),
            identifiers.at(0));
    if (!controller->prefPaneWithIdentifier(identifiers.at(1)))
        add(NTXPreferencePanel::create<TimeRegistrationPrefPanel>(QStringLiteral("TimeRegistrationPrefPanel.nib"),
                                                                  identifiers.at(1), defaults),
            identifiers.at(1));
    if (!controller->prefPaneWithIdentifier(identifiers.at(2)))
        add(NTXPreferencePanel::create<SoundPrefPanel>(QStringLiteral("SoundPrefPanel.nib"), identifiers.at(2), defaults),
            identifiers.at(2));
    if (!controller->prefPaneWithIdentifier(identifiers.at(3)))
        add(NTXPreferencePanel::create<UpdatePreferencePanel>(QStringLiteral("UpdatePreferencePanel.nib"),
                                                              identifiers.at(3), defaults),
            identifiers.at(3));
    // The recorder of the time-registration pane registers the hot key for us.
    if (auto *pane = qobject_cast<TimeRegistrationPrefPanel *>(controller->prefPaneWithIdentifier(identifiers.at(1))))
        pane->setHotKeyTarget(this, QByteArrayLiteral("chronarkHotKeyDown:"));

    controller->setShowAllImage(ApplicationImages::imageNamed(QStringLiteral("PrefsShowAll.png")));
    controller->setUsesConfigurationPane(false);
    controller->setSortByCategory(false);
    controller->selectPaneWithIdentifier(identifiers.at(0));
    m_preferenceController = controller;
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
    if (!m_preferenceController)
        makePreferenceController();
    m_preferenceController->showPreferences(this);
    if (NTXWindow *window = m_preferenceController->existingWindow()) {
        window->raise();
        window->activateWindow();
    }
}

void AppController::checkForUpdates(QObject *)
{
    if (m_updateChecker)
        m_updateChecker(false);
    else
        NTXCheckUpdate::checkForUpdate(false);
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
