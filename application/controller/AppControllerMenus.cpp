// The application controller's ways to the counters without a document window: the
// job menu of the tray icon, the global hot key with its fading status window,
// sleep, and desktop notifications.
#include "application/controller/AppController.h"

#include "application/base/ApplicationImages.h"
#include "application/base/DefaultsKeys.h"
#include "application/document/DocumentServices.h"
#include "application/document/MyDocument.h"
#include "application/controller/RoundedView.h"
#include "application/controller/TransparentWindow.h"
#include "platform/foundation/Bundle.h"
#include "platform/desktop/DesktopNotifier.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/drawing/MenuItemTitle.h"
#include "platform/foundation/DisplayText.h"
#include "platform/desktop/SleepMonitor.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/UserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <QWindow>

namespace {

using platform::localized;
namespace MenuItems = platform::MenuItemValidation;

const QString ApplicationMenuName = QStringLiteral("applicationMenu");

// "  Start: Clients/Acme"
QString jobItemTitle(const QString &verbKey, const NodePtr &job)
{
    return QStringLiteral("  %1: %2").arg(localized(verbKey), platform::MenuItemTitle::fromUserText(job->itemNameWithPath()));
}

// The status window's texts: blue for a start, red for a stop.
const QColor StartedColor(0x3d, 0x8b, 0xff);
const QColor StoppedColor(0xff, 0x3b, 0x30);

// Wayland has no window opacity either (Qt warns at every change): there the
// status window shows fully until its fade ends.
bool platformHasWindowOpacity()
{
    const QString name = QGuiApplication::platformName();
    return name != QStringLiteral("offscreen") && name != QStringLiteral("minimal")
        && !name.startsWith(QStringLiteral("wayland"));
}

} // namespace

// ---- Job menu and tray icon ----

QAction *AppController::constructMenuItem(const QString &title, const QByteArray &action, const NodePtr &object)
{
    QAction *item = MenuItems::makeItem(title, action, nullptr, QKeySequence(), this);
    if (object)
        MenuItems::setRepresentedObject(item, QVariant::fromValue(object));
    item->setEnabled(object != nullptr);
    return item;
}

void AppController::buildMenu()
try {
    if (!m_appDockMenu)
        return;
    const bool hide = defaults().boolForKey(ChronarkMenuHideDoneJobsKey);

    // The item being chosen may be among the old ones: they go once its event is over.
    const QList<QAction *> old = m_appDockMenu->actions();
    for (QAction *item : old) {
        m_appDockMenu->removeAction(item);
        if (item->parent() == m_appDockMenu)
            item->deleteLater();
    }
    auto add = [this](QAction *item) {
        item->setParent(m_appDockMenu);
        m_appDockMenu->addAction(item);
        return item;
    };

    for (MyDocument *document : myDocuments()) {
        const QString name = document->displayName();
        const QList<NodePtr> jobs = document->getJobArray();
        if (name.isEmpty() || jobs.isEmpty())
            continue;
        add(constructMenuItem(platform::MenuItemTitle::fromUserText(name), "menuSelected:", nullptr));
        const NodePtr active = document->getActiveJob();
        if (active && document->timerIsRunning()) {
            QAction *stop = add(constructMenuItem(jobItemTitle(QStringLiteral("LSstop"), active), "menuToggleSelected:",
                                                  active));
            // The running job carries a mark besides its "Stop".
            stop->setCheckable(true);
            stop->setChecked(true);
            m_appDockMenu->addSeparator();
        } else if (active) {
            add(constructMenuItem(jobItemTitle(QStringLiteral("LSstart"), active), "menuToggleSelected:", active));
            m_appDockMenu->addSeparator();
        }
        for (const NodePtr &job : jobs) {
            if (!job || job == active || (hide && job->executed()))
                continue;
            add(constructMenuItem(jobItemTitle(QStringLiteral("LSstart"), job), "menuSelected:", job));
        }
    }

    // What a desktop adds to an application's own menu: the way to the windows of
    // the application, its preferences and the way out.
    if (!m_appDockMenu->isEmpty())
        m_appDockMenu->addSeparator();
    for (auto [key, action] : {std::pair{"LSMenuShowDocuments", "showDocumentWindows:"},
                               std::pair{"LSMenuPreferences", "showPreferences:"},
                               std::pair{"LSMenuQuitChronark", "terminate:"}}) {
        QAction *item = MenuItems::makeItem(localized(QString::fromLatin1(key)), action, m_appDockMenu, QKeySequence(),
                                            this);
        item->setObjectName(ApplicationMenuName);
        m_appDockMenu->addAction(item);
    }

    updateStatusItemImage();
    updateSleepInhibitor();
    updateSessionHolds();
    Q_EMIT menuRebuilt();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "buildMenu");
}

QMenu *AppController::applicationDockMenu()
{
    buildMenu();
    return m_appDockMenu;
}

QString AppController::statusItemImageName() const
{
    return m_documentServices->runningCounters > 0 ? StatusRunningImageName : StatusImageName;
}

void AppController::updateStatusItemImage()
{
    if (m_appsStatusItem)
        m_appsStatusItem->setIcon(ApplicationImages::iconNamed(statusItemImageName()));
}

void AppController::statusItemActivated(int reason)
{
    switch (QSystemTrayIcon::ActivationReason(reason)) {
    case QSystemTrayIcon::Context:
        buildMenu();
        break;
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::MiddleClick:
        // A click on the icon: the menu, as a click on a status item shows it.
        if (m_appDockMenu) {
            buildMenu();
            m_appDockMenu->popup(QCursor::pos());
        }
        break;
    case QSystemTrayIcon::DoubleClick:
        applicationShouldHandleReopen();
        break;
    default:
        break;
    }
}

void AppController::showDocumentWindows(QObject *)
{
    applicationShouldHandleReopen();
}

void AppController::installApplicationMenu(QMenuBar *menuBar)
{
    if (!menuBar || menuBar->findChild<QMenu *>(ApplicationMenuName, Qt::FindDirectChildrenOnly))
        return;
    auto *menu = new QMenu(localized(QStringLiteral("LSMenuApplication")), menuBar);
    menu->setObjectName(ApplicationMenuName);
    MenuItems::addItem(menu, localized(QStringLiteral("LSMenuAboutChronark")), "showAboutBox:", QKeySequence(), this)
        ->setMenuRole(QAction::AboutRole);
    menu->addSeparator();
    MenuItems::addItem(menu, localized(QStringLiteral("LSMenuPreferences")), "showPreferences:",
                       QKeySequence::Preferences, QKeySequence(Qt::CTRL | Qt::Key_Comma), this)
        ->setMenuRole(QAction::PreferencesRole);
    MenuItems::addItem(menu, localized(QStringLiteral("LSMenuCheckForUpdates")), "checkForUpdates:", QKeySequence(),
                       this);
    menu->addSeparator();
    MenuItems::addItem(menu, localized(QStringLiteral("LSMenuVisitWebsite")), "visitURL:", QKeySequence(), this);
    MenuItems::addItem(menu, localized(QStringLiteral("LSMenuVersionHistory")), "visitHistoryURL:", QKeySequence(),
                       this);
    MenuItems::addItem(menu, localized(QStringLiteral("LSMenuSendFeedback")), "showSendFeedbackDialog:",
                       QKeySequence(), this);
    const QList<QAction *> existing = menuBar->actions();
    menuBar->insertMenu(existing.isEmpty() ? nullptr : existing.first(), menu);
}

// ---- Menu actions ----

MyDocument *AppController::documentForMenuItem(QObject *sender, NodePtr *job) const
{
    auto *item = qobject_cast<QAction *>(sender);
    if (!item)
        return nullptr;
    const NodePtr node = MenuItems::representedObject(item).value<NodePtr>();
    if (!node)
        return nullptr;
    for (MyDocument *document : myDocuments()) {
        if (document->isJobMemberOfDocument(node.get())) {
            if (job)
                *job = node;
            return document;
        }
    }
    return nullptr;
}

void AppController::menuSelected(QObject *sender)
{
    NodePtr job;
    MyDocument *document = documentForMenuItem(sender, &job);
    if (!document)
        return;
    QPointer<MyDocument> guard(document);
    if (document->timerIsRunning()) {
        document->toggleTimer(this);
        if (!guard)
            return;
    }
    document->setActiveJob(job);
    document->toggleTimer(this);
}

void AppController::menuToggleSelected(QObject *sender)
{
    if (MyDocument *document = documentForMenuItem(sender, nullptr))
        document->toggleTimer(this);
}

void AppController::menuAction(QObject *sender)
{
    MyDocument *document = documentForMenuItem(sender, nullptr);
    if (document && !document->timerIsRunning())
        document->toggleTimer(this);
}

// ---- Sleep ----

void AppController::receiveSleepNote(QObject *)
{
    if (!defaults().boolForKey(StopTimerWhenSleepKey))
        return;
    for (MyDocument *document : myDocuments()) {
        if (document->timerIsRunning())
            document->stopTimer(this);
    }
}

void AppController::updateSleepInhibitor()
{
    if (!m_sleepMonitor)
        return;
    // The lock lets the stop land before the computer sleeps; it is wanted only
    // while there is something to stop.
    const bool wanted = m_documentServices->runningCounters > 0 && defaults().boolForKey(StopTimerWhenSleepKey);
    if (wanted && !m_sleepMonitor->wantsInhibitor())
        m_sleepMonitor->takeInhibitor(QStringLiteral("Chronark"), localized(QStringLiteral("LSSleepInhibitorReason")));
    else if (!wanted && m_sleepMonitor->wantsInhibitor())
        m_sleepMonitor->releaseInhibitor();
}

// ---- Notifications ----

QVariantMap AppController::registrationDictionaryForGrowl() const
{
    const QString kind = QString::fromLatin1(platform::DesktopNotifier::GeneralNotifications);
    return {
        {QStringLiteral("AllNotifications"), QStringList{kind}},
        {QStringLiteral("DefaultNotifications"), QStringList{kind}},
        {QStringLiteral("HumanReadableNames"),
         QVariantMap{{kind, localized(QStringLiteral("LSGrowlGeneralNotifications"))}}},
    };
}

void AppController::postMessageToGrowl(const QString &message, const QString &title)
{
    if (m_notifier)
        m_notifier->post(title, message, QString::fromLatin1(platform::DesktopNotifier::GeneralNotifications));
}

// ---- Window order ----

void AppController::focusWindowChanged(QWindow *window)
{
    if (!window)
        return;
    QWidget *widget = nullptr;
    for (QWidget *topLevel : QApplication::topLevelWidgets()) {
        if (topLevel->windowHandle() == window) {
            widget = topLevel;
            break;
        }
    }
    platform::Document *document = widget ? documentForWindow(widget) : nullptr;
    if (!document || document->mainWindow() != widget)
        return;
    m_windowOrder.removeIf([widget](const QPointer<QWidget> &w) { return !w || w == widget; });
    m_windowOrder.prepend(widget);
    if (auto *mainWindow = qobject_cast<QMainWindow *>(widget))
        installApplicationMenu(mainWindow->menuBar());
}

MyDocument *AppController::frontmostDocument() const
{
    QList<QWidget *> order;
    if (QWidget *active = QApplication::activeWindow())
        order.append(active);
    for (const QPointer<QWidget> &window : m_windowOrder) {
        if (window)
            order.append(window);
    }
    for (QWidget *window : order) {
        if (!window->isVisible())
            continue;
        if (auto *document = qobject_cast<MyDocument *>(documentForWindow(window)))
            return document;
    }
    // Windows that never were active, in the order their documents opened.
    for (MyDocument *document : myDocuments()) {
        if (document->mainWindow() && document->mainWindow()->isVisible())
            return document;
    }
    return nullptr;
}

// ---- Hot key and status window ----

void AppController::chronarkHotKeyDown(QObject *)
{
    if (!defaults().boolForKey(AcceptHotKeyKey))
        return;
    MyDocument *document = frontmostDocument();
    if (!document || !document->getActiveJob())
        return;
    QPointer<MyDocument> guard(document);
    document->toggleTimer(this);
    if (!guard)
        return;
    stopStatusWindowFade();
    showStatusWindow(document);

    auto *fade = new QVariantAnimation(this);
    fade->setObjectName(QStringLiteral("chronarkStatusWindowAnimation"));
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    fade->setDuration(StatusWindowFadeDuration);
    fade->setEasingCurve(QEasingCurve::InQuad);
    connect(fade, &QVariantAnimation::valueChanged, this,
            platform::ExceptionBoundary::guarded(this, "valueChanged", [this](const QVariant &value) { setStatusWindowOpacity(value.toReal()); }));
    connect(fade, &QVariantAnimation::finished, this, platform::ExceptionBoundary::guarded(this, "finished", [this, fade] {
        // Faded out: the window leaves the screen.
        if (m_chronarkStatusWindowAnimation == fade)
            m_chronarkStatusWindowAnimation = nullptr;
        if (m_chronarkStatusWindow)
            m_chronarkStatusWindow->hide();
        setStatusWindowOpacity(1.0);
        fade->deleteLater();
    }));
    m_chronarkStatusWindowAnimation = fade;
    fade->start();
}

void AppController::stopStatusWindowFade()
{
    if (QVariantAnimation *fade = m_chronarkStatusWindowAnimation) {
        m_chronarkStatusWindowAnimation = nullptr;
        fade->stop();
        fade->deleteLater();
    }
}

void AppController::makeStatusWindow()
{
    auto *window = new TransparentWindow(QRect(0, 0, 300, 110));
    window->setObjectName(QStringLiteral("chronarkStatusWindow"));
    auto *panel = new RoundedView;
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->setSpacing(6);

    auto *status = new QLabel(panel);
    status->setObjectName(QStringLiteral("chronarkStatusTextField"));
    status->setAlignment(Qt::AlignCenter);
    QFont statusFont = status->font();
    statusFont.setPointSizeF(statusFont.pointSizeF() * 2.0);
    statusFont.setBold(true);
    status->setFont(statusFont);

    auto *jobName = new QLabel(panel);
    jobName->setObjectName(QStringLiteral("chronarkStatusJobNameTextField"));
    jobName->setAlignment(Qt::AlignCenter);
    QFont jobFont = jobName->font();
    jobFont.setPointSizeF(jobFont.pointSizeF() * 1.3);
    jobName->setFont(jobFont);
    QPalette jobPalette = jobName->palette();
    jobPalette.setColor(QPalette::WindowText, Qt::white);
    jobName->setPalette(jobPalette);

    layout->addWidget(status);
    layout->addWidget(jobName);
    window->setContentView(panel);

    m_chronarkStatusWindow = window;
    m_chronarkStatusTextField = status;
    m_chronarkStatusJobNameTextField = jobName;
}

void AppController::showStatusWindow(MyDocument *document)
{
    if (!m_chronarkStatusWindow)
        makeStatusWindow();
    const bool running = document->timerIsRunning();
    m_chronarkStatusTextField->setText(localized(running ? QStringLiteral("LSstarted") : QStringLiteral("LSstopped")));
    QPalette palette = m_chronarkStatusTextField->palette();
    palette.setColor(QPalette::WindowText, running ? StartedColor : StoppedColor);
    m_chronarkStatusTextField->setPalette(palette);

    const NodePtr job = document->getActiveJob();
    const QString name = job ? platform::DisplayText::shownOnOneLine(job->itemName()) : QString();
    const int room = m_chronarkStatusWindow->width() - 36;
    m_chronarkStatusJobNameTextField->setText(
        m_chronarkStatusJobNameTextField->fontMetrics().elidedText(name, Qt::ElideMiddle, room));
    m_chronarkStatusJobNameTextField->setToolTip(name);

    setStatusWindowOpacity(1.0);
    m_chronarkStatusWindow->center();
    m_chronarkStatusWindow->show();
    m_chronarkStatusWindow->raise();
}

void AppController::setStatusWindowOpacity(qreal opacity)
{
    m_statusWindowOpacity = opacity;
    // Platforms without window opacity (offscreen) keep the window as it is.
    if (m_chronarkStatusWindow && platformHasWindowOpacity())
        m_chronarkStatusWindow->setWindowOpacity(opacity);
}
