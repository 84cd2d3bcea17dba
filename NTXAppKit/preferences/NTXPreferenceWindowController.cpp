#include "NTXAppKit/preferences/NTXPreferenceWindowController.h"

#include "NTXAppKit/preferences/NTXPlugInPreferencePane.h"
#include "NTXAppKit/preferences/NTXPrefPaneBundle.h"
#include "NTXAppKit/preferences/NTXPrefPaneIcon.h"
#include "NTXAppKit/preferences/NTXPrefPaneIconView.h"
#include "platform/drawing/ScreenFit.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/GeometryText.h"
#include "platform/foundation/UserDefaults.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QGuiApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QStyle>
#include <QToolBar>
#include <algorithm>
#include <cmath>

namespace {

QMutex &classLock()
{
    static QMutex mutex;
    return mutex;
}

platform::Bundle &frameworkBundle()
{
    return platform::Bundle::bundleNamed(QStringLiteral("NTXAppKit"));
}

QString localized(const QString &key)
{
    return frameworkBundle().localizedString(key, NTXPreferenceWindowController::StringsTable);
}

// Largest saved-frame text read, and the largest coordinate accepted from it.
constexpr qsizetype MaxFrameTextLength = 256;
constexpr double MaxFrameCoordinate = 1e6;

// The size a view wants to be shown at: the size it was given, else its hint.
QSize naturalSize(const QWidget *view)
{
    if (!view)
        return QSize(0, 0);
    if (view->testAttribute(Qt::WA_Resized) || !view->sizeHint().isValid())
        return view->size();
    return view->sizeHint();
}

QSize boundedSize(const QSizeF &size)
{
    const auto bound = [](qreal v) {
        if (!std::isfinite(v) || v < 0)
            return 0;
        return int(std::min<qreal>(std::ceil(v), QWIDGETSIZE_MAX));
    };
    return QSize(bound(size.width()), bound(size.height()));
}

} // namespace

QString NTXPreferenceWindowController::frameDefaultsKey(const QString &autosaveName)
{
    return QStringLiteral("NSWindow Frame %1").arg(autosaveName);
}

NTXPreferenceWindowController *&NTXPreferenceWindowController::instanceSlot()
{
    static NTXPreferenceWindowController *instance = nullptr;
    return instance;
}

NTXPreferenceWindowController *NTXPreferenceWindowController::sharedPreferenceWindowController()
{
    QMutexLocker lock(&classLock());
    NTXPreferenceWindowController *&instance = instanceSlot();
    if (!instance)
        instance = new NTXPreferenceWindowController();
    return instance;
}

NTXPreferenceWindowController *NTXPreferenceWindowController::initWithAutosaveName(const QString &name)
{
    return initWithAutosaveName(name, NTXWindow::TitledWindowMask | NTXWindow::ClosableWindowMask);
}

NTXPreferenceWindowController *NTXPreferenceWindowController::initWithAutosaveName(const QString &name,
                                                                                   unsigned styleMask)
{
    QMutexLocker lock(&classLock());
    NTXPreferenceWindowController *&instance = instanceSlot();
    if (instance)
        return nullptr;
    instance = new NTXPreferenceWindowController(name, styleMask);
    return instance;
}

NTXPreferenceWindowController::NTXPreferenceWindowController()
{
}

NTXPreferenceWindowController::NTXPreferenceWindowController(const QString &autosaveName, unsigned styleMask)
{
    // Made whole or not at all: a failure (memory ran out) leaves no hidden window behind.
    auto dropWhatWasMade = qScopeGuard([this] {
        if (m_iconView && !m_iconView->parentWidget())
            delete m_iconView.data();
        if (m_placeholderView && !m_placeholderView->parentWidget())
            delete m_placeholderView.data();
        delete m_window;
        m_window = nullptr;
    });
    m_window = new NTXWindow(QRect(0, 0, 200, 100), styleMask);
    m_window->setAttribute(Qt::WA_OpaquePaintEvent, false);
    m_window->setAutoFillBackground(true);
    m_placeholderView = new QWidget;
    m_placeholderView->resize(200, 100);
    m_window->setContentView(m_placeholderView);
    m_autosaveName = autosaveName;
    m_title = localized(QStringLiteral("NTXPWWindowTitle"));
    m_window->setWindowTitle(m_title);
    m_window->setUnifiedTitleAndToolBarOnMac(false);
    createIconViewPane();

    connect(m_window, &NTXWindow::windowDidMove, this,
        platform::ExceptionBoundary::guarded(this, "windowDidMove", &NTXPreferenceWindowController::windowDidMove));
    connect(m_window, &NTXWindow::windowWillClose, this,
        platform::ExceptionBoundary::guarded(this, "windowWillClose", &NTXPreferenceWindowController::windowWillClose));
    connect(m_window, &NTXWindow::windowDidBecomeMain, this,
        platform::ExceptionBoundary::guarded(this, "windowDidBecomeMain", &NTXPreferenceWindowController::windowDidBecomeMain));
    connect(m_window, &NTXWindow::windowZoomRequested, this,
        platform::ExceptionBoundary::guarded(this, "zoom", &NTXPreferenceWindowController::zoom));
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this,
            platform::ExceptionBoundary::guarded(this, "applicationWillTerminate", &NTXPreferenceWindowController::applicationWillTerminate));
    dropWhatWasMade.dismiss();
}

NTXPreferenceWindowController::~NTXPreferenceWindowController()
{
    if (m_iconView && !m_iconView->parentWidget())
        delete m_iconView.data();
    delete m_window;
}

platform::UserDefaults &NTXPreferenceWindowController::userDefaults() const
{
    return m_defaults ? *m_defaults : platform::UserDefaults::standardUserDefaults();
}

// ---- Accessors ----

void NTXPreferenceWindowController::setPrefPanes(const QHash<QString, NTXPrefPaneProtocol *> &panes)
{
    m_prefPanes.clear();
    for (auto it = panes.constBegin(); it != panes.constEnd(); ++it) {
        if (!it.value())
            continue;
        it.value()->setParent(this);
        m_prefPanes.insert(it.key(), it.value());
    }
}

NTXPrefPaneProtocol *NTXPreferenceWindowController::prefPaneWithIdentifier(const QString &identifier) const
{
    return m_prefPanes.value(identifier);
}

bool NTXPreferenceWindowController::sortByCategory() const
{
    return m_iconView ? m_iconView->sortByCategory() : m_sortByCategory;
}

void NTXPreferenceWindowController::setSortByCategory(bool flag)
{
    if (flag != sortByCategory()) {
        m_sortByCategory = flag;
        if (m_iconView)
            m_iconView->setSortByCategory(flag);
    }
    if (!m_activePane)
        toolbarShowAll();
}

QStringList NTXPreferenceWindowController::categorySortOrder() const
{
    return m_iconView ? m_iconView->categorySortOrder() : m_categorySortOrder;
}

void NTXPreferenceWindowController::setCategorySortOrder(const QStringList &order)
{
    m_categorySortOrder = order;
    if (m_iconView)
        m_iconView->setCategorySortOrder(order);
}

// ---- Panes ----

bool NTXPreferenceWindowController::addPane(NTXPrefPaneProtocol *pane, const QString &identifier)
{
    if (!pane || m_prefPanes.contains(identifier))
        return false;
    if (m_delegate && !m_delegate->shouldLoadPreferencePane(identifier))
        return false;
    pane->setSortOrder(quint32(m_prefPanes.size()));
    pane->setParent(this);
    m_prefPanes.insert(identifier, pane);
    if (m_iconView)
        m_iconView->addIcon(iconForPrefPane(pane));
    return true;
}

void NTXPreferenceWindowController::addPluginsOfType(const QString &extension, const QString &directory)
{
    if (extension.isEmpty() || directory.isEmpty())
        return;
    const QDir dir(directory);
    const QStringList files = dir.entryList({QStringLiteral("*.") + extension}, QDir::Files, QDir::Name);
    for (const QString &file : files)
        addPluginFromPath(dir.filePath(file));
}

bool NTXPreferenceWindowController::addPluginFromPath(const QString &path)
{
    std::unique_ptr<NTXPrefPaneBundle> bundle = NTXPrefPaneBundle::bundleWithPath(path);
    if (!bundle)
        return false;
    qInfo().noquote() << QStringLiteral("loaded: %1").arg(bundle->bundlePath());
    const QString identifier = bundle->bundleIdentifier();
    if (identifier.isEmpty() || m_prefPanes.contains(identifier))
        return false;
    if (m_delegate && !m_delegate->shouldLoadPreferencePane(identifier)) {
        qInfo().noquote() << QStringLiteral("delegate did not approve plugin %1").arg(identifier);
        return false;
    }
    auto *pane = new NTXPlugInPreferencePane(std::move(bundle));
    if (!addPane(pane, identifier)) {
        delete pane;
        return false;
    }
    if (m_delegate)
        m_delegate->didLoadPreferencePane(identifier);
    return true;
}

QStringList NTXPreferenceWindowController::validPrefPaneIdentifiers() const
{
    QList<NTXPrefPaneProtocol *> panes = m_prefPanes.values();
    std::stable_sort(panes.begin(), panes.end(), [](NTXPrefPaneProtocol *a, NTXPrefPaneProtocol *b) {
        if (a->sortOrder() != b->sortOrder())
            return a->sortOrder() < b->sortOrder();
        return a->identifier() < b->identifier();
    });
    QStringList identifiers;
    for (NTXPrefPaneProtocol *pane : std::as_const(panes))
        identifiers << m_prefPanes.key(pane);
    return identifiers;
}

NTXPrefPaneIcon *NTXPreferenceWindowController::iconForPrefPane(NTXPrefPaneProtocol *pane)
{
    auto *icon = new NTXPrefPaneIcon(pane->identifier(), pane->icon(), pane->label());
    icon->setCategory(pane->category());
    icon->setTarget(this);
    icon->setSelector("toolbarShowPane");
    return icon;
}

void NTXPreferenceWindowController::createIconViewPane()
{
    if (m_iconView)
        return;
    QList<NTXPrefPaneIcon *> icons;
    for (const QString &identifier : validPrefPaneIdentifiers()) {
        NTXPrefPaneProtocol *pane = m_prefPanes.value(identifier);
        if (pane->mainView())
            icons << iconForPrefPane(pane);
    }
    m_iconView = new NTXPrefPaneIconView(this, icons, 7);
    m_iconView->setSortByCategory(m_sortByCategory);
}

// ---- Categories ----

QString NTXPreferenceWindowController::categoryForIdentifier(const QString &identifier) const
{
    NTXPrefPaneProtocol *pane = m_prefPanes.value(identifier);
    const QString category = pane ? pane->category() : QString();
    return m_delegate ? m_delegate->categoryForPreferencePane(identifier, category) : category;
}

QStringList NTXPreferenceWindowController::categories() const
{
    QStringList result;
    for (const QString &identifier : validPrefPaneIdentifiers()) {
        const QString category = categoryForIdentifier(identifier);
        if (!result.contains(category))
            result << category;
    }
    return result;
}

QString NTXPreferenceWindowController::categoryDisplayNameForIdentifier(const QString &identifier) const
{
    const QString category = categoryForIdentifier(identifier);
    if (m_delegate) {
        const QString name = m_delegate->displayNameForCategory(category);
        if (!name.isNull())
            return name;
    }
    if (NTXPrefPaneProtocol *pane = m_prefPanes.value(identifier)) {
        if (auto name = pane->sendOptionalString("categoryDisplayName"); name && !name->isNull())
            return *name;
    }
    return category;
}

// ---- Selection and display ----

NTXWindow *NTXPreferenceWindowController::window()
{
    if (!m_window || m_toolbar)
        return m_window;
    buildToolbar();
    if (!m_toolbar->actions().isEmpty()) {
        const QString first = m_toolbar->actions().first()->property("itemIdentifier").toString();
        checkToolbarItem(first);
        // A first Show All item shows the grid: it names no pane to select.
        if (first == ShowAllItemIdentifier)
            toolbarShowAll();
        else
            selectPaneWithIdentifier(first);
    }
    placeAtSavedFrame();
    return m_window;
}

void NTXPreferenceWindowController::buildToolbar()
{
    m_toolbar = new QToolBar(m_window);
    m_toolbar->setObjectName(ToolbarIdentifier);
    m_toolbar->setWindowTitle(m_title);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setIconSize(QSize(32, 32));
    m_toolbar->setFloatable(false);
    m_toolbar->setMovable(toolbarAllowsUserCustomization());
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_toolbarGroup = new QActionGroup(m_toolbar);
    m_toolbarGroup->setExclusive(true);
    const QStringList selectable = toolbarSelectableItemIdentifiers();
    for (const QString &identifier : toolbarDefaultItemIdentifiers()) {
        if (identifier == SeparatorItemIdentifier) {
            m_toolbar->addSeparator();
            continue;
        }
        QAction *item = toolbarItemForItemIdentifier(identifier);
        if (!item)
            continue;
        if (selectable.contains(identifier)) {
            item->setCheckable(true);
            m_toolbarGroup->addAction(item);
        }
        m_toolbar->addAction(item);
    }
    m_window->addToolBar(Qt::TopToolBarArea, m_toolbar);
}

void NTXPreferenceWindowController::placeAtSavedFrame()
{
    if (!m_window)
        return;
    const QString text = m_autosaveName.isEmpty()
        ? QString()
        : userDefaults().stringForKey(frameDefaultsKey(m_autosaveName));
    bool placed = false;
    if (!text.isEmpty() && text.size() <= MaxFrameTextLength) {
        // A frame text holds four numbers; anything else is not ours.
        static const QRegularExpression number(
            QStringLiteral("[-+]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][-+]?\\d+)?"));
        qsizetype count = 0;
        for (auto it = number.globalMatch(text); it.hasNext(); it.next())
            ++count;
        const QRectF saved = platform::GeometryText::rectFromString(text);
        const auto sane = [](double v) { return std::isfinite(v) && std::abs(v) <= MaxFrameCoordinate; };
        if (count >= 4 && sane(saved.x()) && sane(saved.y()) && sane(saved.width()) && sane(saved.height())) {
            // Qt's frames are y-down: the saved top-left corner is where the
            // window's top-left goes; the window keeps its size. A frame saved on a
            // larger screen or at a smaller scale factor comes back on this screen,
            // title bar and borders included.
            const QRect frame(QPoint(int(std::lround(saved.x())), int(std::lround(saved.y()))), m_window->size());
            const QMargins decorations = platform::ScreenFit::decorationMargins(m_window);
            m_window->setFrame(
                platform::ScreenFit::fittedClientGeometry(frame.marginsAdded(decorations), decorations), false);
            placed = true;
        }
    }
    if (!placed) {
        QScreen *screen = m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            QRect frame(QPoint(0, 0), m_window->size());
            frame.moveCenter(screen->availableGeometry().center());
            m_window->setFrame(frame, false);
        }
    }
}

bool NTXPreferenceWindowController::selectPaneWithIdentifier(const QString &identifier)
{
    NTXPrefPaneProtocol *pane = m_prefPanes.value(identifier);
    if (!pane)
        return false;
    if (pane == m_activePane)
        return true;
    // The window's first build selects its first pane; build it before this
    // selection starts, so that no pane is unselected that was never selected.
    window();
    if (pane == m_activePane)
        return true;

    pane->sendOptional("loadMainView");
    QWidget *view = pane->mainView();
    if (!view) {
        qWarning().noquote() << QStringLiteral("Preference Pane \"%1\" has no view").arg(pane->identifier());
        checkToolbarItem(m_activePane ? m_activePane->identifier() : QString());
        return false;
    }

    QPointer<NTXPrefPaneProtocol> old = m_activePane;
    if (old)
        old->sendOptional("willUnselect");
    if (m_delegate)
        m_delegate->willSelectPreferencePane(identifier);
    pane->sendOptional("willSelect");

    if (m_window) {
        m_window->setWindowTitle(pane->label());
        if (auto resize = pane->sendOptionalBool("shouldResize"))
            m_window->setCanResize(*resize);
        if (auto size = pane->sendOptionalSize("minSize"))
            m_window->setMinimumSize(boundedSize(*size));
        if (auto size = pane->sendOptionalSize("maxSize"))
            m_window->setMaximumSize(boundedSize(*size).expandedTo(m_window->minimumSize()));
    }
    changeContentView(view);

    if (old && old != pane) {
        if (m_delegate)
            m_delegate->didUnselectPreferencePane(old->identifier());
        old->sendOptional("didUnselect");
    }
    pane->sendOptional("didSelect");
    m_activePane = pane;
    checkToolbarItem(identifier);
    return true;
}

bool NTXPreferenceWindowController::deselectActivePane()
{
    if (NTXPrefPaneProtocol *pane = m_activePane) {
        pane->sendOptional("willUnselect");
        if (m_delegate)
            m_delegate->didUnselectPreferencePane(pane->identifier());
        pane->sendOptional("didUnselect");
        m_activePane = nullptr;
    }
    return true;
}

bool NTXPreferenceWindowController::selectIconViewPane()
{
    const bool done = deselectActivePane();
    if (done)
        toolbarShowAll();
    return done;
}

void NTXPreferenceWindowController::toolbarShowAll()
{
    deselectActivePane();
    if (!m_window)
        return;
    m_window->setWindowTitle(m_title);
    changeContentView(m_iconView);
    m_window->setCanZoom(false);
    checkToolbarItem(ShowAllItemIdentifier);
}

void NTXPreferenceWindowController::toolbarShowPane(QObject *sender)
{
    if (!sender)
        return;
    selectPaneWithIdentifier(sender->property("itemIdentifier").toString());
}

QRect NTXPreferenceWindowController::frameForContentSize(const QSize &size) const
{
    const QRect current = m_window ? m_window->frame() : QRect();
    const QSize frameSize = m_window ? m_window->frameSizeForContentSize(size) : size;
    // y-down: keeping the top-left corner keeps the top edge.
    return QRect(current.topLeft(), frameSize);
}

void NTXPreferenceWindowController::changeContentView(QWidget *view)
{
    if (!m_window)
        return;
    // The grid's size is asked of it each time: panes added since its last layout
    // make it rebuild first (its present size would be the old one).
    const QSize contentSize = view && view == m_iconView ? m_iconView->frame().size().toSize() : naturalSize(view);
    const QRect frame = frameForContentSize(contentSize);
    if (view && view->parentWidget() && view->parentWidget() != m_window)
        view->setParent(nullptr);
    if (QWidget *old = m_window->setContentView(view)) {
        old->hide();
        // Pane views belong to their panes; the placeholder is the only view of ours.
        if (old == m_placeholderView)
            old->deleteLater();
    }
    m_window->setFrame(frame, true);
}

void NTXPreferenceWindowController::showPreferences(QObject *)
{
    if (NTXWindow *w = window()) {
        // Shown again on a screen that changed meanwhile (fewer, smaller, another
        // scale factor), the whole frame comes back on it.
        if (w->isHidden())
            platform::ScreenFit::fitWindowFrameWhenFramed(w);
        w->show();
        w->raise();
        w->activateWindow();
    }
}

void NTXPreferenceWindowController::close()
{
    if (m_window)
        m_window->close();
}

// ---- Toolbar ----

void NTXPreferenceWindowController::setShowAllImage(const QImage &image)
{
    m_showAllImage = image;
    if (QAction *item = m_toolbarItems.value(ShowAllItemIdentifier))
        item->setIcon(showAllIcon());
}

QIcon NTXPreferenceWindowController::showAllIcon() const
{
    if (!m_showAllImage.isNull())
        return QIcon(QPixmap::fromImage(m_showAllImage));
    const QString path = platform::Bundle::mainBundle().pathForResource(QStringLiteral("PrefsShowAll.png"));
    return path.isEmpty() ? QApplication::style()->standardIcon(QStyle::SP_FileDialogContentsView) : QIcon(path);
}

QAction *NTXPreferenceWindowController::toolbarItemForItemIdentifier(const QString &identifier)
{
    if (QAction *existing = m_toolbarItems.value(identifier))
        return existing;
    QAction *item = nullptr;
    if (identifier == ShowAllItemIdentifier) {
        item = new QAction(this);
        item->setIcon(showAllIcon());
        item->setText(localized(QStringLiteral("NTXPWShowAll")));
        connect(item, &QAction::triggered, this,
            platform::ExceptionBoundary::guarded(this, "triggered", [this] { toolbarShowAll(); }));
    } else if (NTXPrefPaneProtocol *pane = m_prefPanes.value(identifier)) {
        item = new QAction(this);
        const QImage image = pane->icon();
        if (!image.isNull())
            item->setIcon(QIcon(QPixmap::fromImage(image)));
        item->setText(pane->label());
        connect(item, &QAction::triggered, this,
            platform::ExceptionBoundary::guarded(this, "triggered", [this, item] { toolbarShowPane(item); }));
    } else {
        return nullptr;
    }
    item->setEnabled(true);
    item->setObjectName(identifier);
    item->setProperty("itemIdentifier", identifier);
    m_toolbarItems.insert(identifier, item);
    return item;
}

QStringList NTXPreferenceWindowController::toolbarDefaultItemIdentifiers() const
{
    QStringList identifiers;
    if (m_usesConfigurationPane)
        identifiers << ShowAllItemIdentifier << SeparatorItemIdentifier;
    return identifiers + validPrefPaneIdentifiers();
}

QStringList NTXPreferenceWindowController::toolbarAllowedItemIdentifiers() const
{
    return toolbarDefaultItemIdentifiers();
}

QStringList NTXPreferenceWindowController::toolbarSelectableItemIdentifiers() const
{
    QStringList identifiers;
    if (m_usesConfigurationPane)
        identifiers << ShowAllItemIdentifier;
    return identifiers + validPrefPaneIdentifiers();
}

bool NTXPreferenceWindowController::toolbarAllowsUserCustomization() const
{
    return m_usesConfigurationPane;
}

QString NTXPreferenceWindowController::selectedToolbarItemIdentifier() const
{
    if (!m_toolbarGroup)
        return QString();
    QAction *checked = m_toolbarGroup->checkedAction();
    return checked ? checked->property("itemIdentifier").toString() : QString();
}

void NTXPreferenceWindowController::checkToolbarItem(const QString &identifier)
{
    if (!m_toolbarGroup)
        return;
    QAction *item = m_toolbarItems.value(identifier);
    if (item && m_toolbarGroup->actions().contains(item)) {
        item->setChecked(true);
    } else if (QAction *checked = m_toolbarGroup->checkedAction()) {
        // Nothing shown that has an item: no item stays selected.
        m_toolbarGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
        checked->setChecked(false);
        m_toolbarGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    }
}

// ---- Window events ----

void NTXPreferenceWindowController::sendUnselectHooksForClose()
{
    if (NTXPrefPaneProtocol *pane = m_activePane) {
        pane->sendOptional("willUnselect");
        pane->sendOptional("didUnselect");
    }
}

void NTXPreferenceWindowController::windowWillClose()
{
    sendUnselectHooksForClose();
}

void NTXPreferenceWindowController::applicationWillTerminate()
{
    sendUnselectHooksForClose();
}

void NTXPreferenceWindowController::windowDidMove()
{
    if (!m_window || m_autosaveName.isEmpty())
        return;
    userDefaults().setString(platform::GeometryText::stringFromRect(QRectF(m_window->frame())),
                             frameDefaultsKey(m_autosaveName));
}

QRect NTXPreferenceWindowController::windowWillUseStandardFrame(const QRect &)
{
    if (m_activePane) {
        if (auto size = m_activePane->sendOptionalSize("standardSize"))
            return frameForContentSize(boundedSize(*size));
    }
    return m_window ? m_window->frame() : QRect();
}

void NTXPreferenceWindowController::windowDidBecomeMain()
{
    if (m_activePane)
        m_activePane->sendOptional("panelDidBecomeMain");
}

void NTXPreferenceWindowController::zoom()
{
    if (!m_window)
        return;
    const QRect frame = windowWillUseStandardFrame(m_window->frame());
    if (frame != m_window->frame())
        m_window->setFrame(frame, true);
}
