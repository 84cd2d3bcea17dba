// The document window's toolbar (see DocumentToolbar.h).
#include "NTXAppKit/NTXContextMenuToolbarItem/NTXContextMenuToolbarItem.h"
#include "NTXAppKit/NTXContextMenuToolbarItem/NTXDelayedPopUpButton.h"
#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "application/base/ApplicationImages.h"
#include "application/document/DocumentWindow.h"
#include "application/document/DocumentToolbar.h"
#include "application/document/DocumentContext.h"
#include "application/document/DocumentCounter.h"
#include "platform/document/Document.h"
#include "application/document/DocumentWindowController.h"
#include "platform/foundation/Bundle.h"
#include "platform/document/DocumentController.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/document/MenuMnemonics.h"
#include "platform/drawing/WindowUpdateNotifier.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/UserDefaults.h"

#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QDockWidget>
#include <QItemSelectionModel>
#include <QMenu>
#include <QSizePolicy>
#include <QToolBar>
#include <QTreeView>
#include <QWidgetAction>

namespace {

const QString SeparatorItem = QStringLiteral("NSToolbarSeparatorItem");
const QString SpaceItem = QStringLiteral("NSToolbarSpaceItem");
const QString FlexibleSpaceItem = QStringLiteral("NSToolbarFlexibleSpaceItem");
const QString CustomizeItem = QStringLiteral("NSToolbarCustomizeToolbarItem");

const QString AddItem = QStringLiteral("AddItem");
const QString AddGroup = QStringLiteral("AddGroup");
const QString RemoveItem = QStringLiteral("RemoveItem");
const QString StartStopButton = QStringLiteral("StartStopButton");
const QString ToggleDrawer = QStringLiteral("ToggleDrawer");
const QString ActivedJob = QStringLiteral("ActivedJob");

// The identifier an item of the toolbar carries.
const char *const IdentifierProperty = "toolbarItemIdentifier";
// Where the user's choice of items is kept: the list under "TB Item Identifiers".
const QString ConfigurationKey = QStringLiteral("NSToolbar Configuration XQMainNewToolbar");
const QString ItemIdentifiersKey = QStringLiteral("TB Item Identifiers");
// ... and how the items show: 1 image and label (the default), 2 image, 3 label.
const QString DisplayModeKey = QStringLiteral("TB Display Mode");
enum DisplayMode { IconAndLabel = 1, IconOnly = 2, LabelOnly = 3 };

Qt::ToolButtonStyle styleForDisplayMode(int mode)
{
    switch (mode) {
    case IconOnly:
        return Qt::ToolButtonIconOnly;
    case LabelOnly:
        return Qt::ToolButtonTextOnly;
    default:
        return Qt::ToolButtonTextUnderIcon;
    }
}

struct ItemDescription
{
    QString identifier;
    const char *label;
    const char *image;
    const char *action;
    const char *toolTip;
};

const QList<ItemDescription> &itemDescriptions()
{
    static const QList<ItemDescription> items{
        {AddItem, "LSaddEntry", "add.png", "newJobEntry:", "LSTTNewJob"},
        {AddGroup, "LSaddGroup", "addGroup.png", "newGroupEntry:", "LSTTNewGroup"},
        {RemoveItem, "LSdeleteEntry", "remove.png", "deleteEntry:", "LSTTDeleteEntry"},
        {StartStopButton, "LSstart2", "start_button", "toggleTimer:", "LSTTStart"},
        {ToggleDrawer, "LSShowDetails", "DrawerOpenNew", "toggleDrawer:", "LSDetailsToolTip"},
        {ActivedJob, "LSCActived", "activatesJob.pdf", "activedSelectedJob:", "LSActivateToolTip"},
    };
    return items;
}

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

QString identifierOf(const QAction *item)
{
    if (!item)
        return QString();
    if (const auto *contextItem = qobject_cast<const NTXContextMenuToolbarItem *>(item))
        return contextItem->itemIdentifier();
    return item->property(IdentifierProperty).toString();
}

// Label, image and tool tip of an item of either kind.
void setLabel(QAction *item, const QString &label)
{
    if (auto *contextItem = qobject_cast<NTXContextMenuToolbarItem *>(item))
        contextItem->setLabel(label);
    else
        item->setText(label);
}

void setImage(QAction *item, const char *name)
{
    // Validation runs often: an image already shown is not read again.
    if (item->property("toolbarImageName").toString() == QLatin1String(name))
        return;
    const QIcon image = ApplicationImages::iconNamed(QString::fromLatin1(name));
    if (auto *contextItem = qobject_cast<NTXContextMenuToolbarItem *>(item))
        contextItem->setImage(image);
    else
        item->setIcon(image);
    item->setProperty("toolbarImageName", QString::fromLatin1(name));
}

void setToolTip(QAction *item, const QString &toolTip)
{
    if (auto *contextItem = qobject_cast<NTXContextMenuToolbarItem *>(item))
        contextItem->setToolTip(toolTip);
    else
        item->setToolTip(toolTip);
}

// A blank of the toolbar: a fixed space or one that takes the room left.
QAction *spaceItem(const QString &identifier, QObject *parent)
{
    auto *item = new QWidgetAction(parent);
    auto *space = new QWidget;
    if (identifier == FlexibleSpaceItem)
        space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    else
        space->setFixedWidth(16);
    item->setDefaultWidget(space);
    item->setProperty(IdentifierProperty, identifier);
    return item;
}

} // namespace

QStringList DocumentToolbar::imageNames()
{
    QStringList names;
    for (const ItemDescription &item : itemDescriptions())
        names << QString::fromLatin1(item.image);
    return names;
}

QStringList DocumentToolbar::toolbarAllowedItemIdentifiers() const
{
    return {SeparatorItem, SpaceItem,        FlexibleSpaceItem, CustomizeItem, AddItem,
            AddGroup,      RemoveItem,       StartStopButton,   ToggleDrawer,  ActivedJob};
}

QStringList DocumentToolbar::toolbarDefaultItemIdentifiers() const
{
    return {AddItem, AddGroup, RemoveItem, SpaceItem, StartStopButton, SpaceItem, ActivedJob, FlexibleSpaceItem,
            ToggleDrawer};
}

QAction *DocumentToolbar::toolbarItemForItemIdentifier(const QString &identifier, bool)
{
    const ItemDescription *description = nullptr;
    for (const ItemDescription &candidate : itemDescriptions()) {
        if (candidate.identifier == identifier)
            description = &candidate;
    }
    if (!description)
        return nullptr;
    QAction *item = nullptr;
    if (identifier == AddItem) {
        // A click makes a job; holding the button down offers a job or a group.
        auto *contextItem = new NTXContextMenuToolbarItem(identifier, m_toolbar);
        contextItem->setAction(description->action);
        contextItem->setTarget(&m_context.platformDocument());
        auto *menu = new QMenu(contextItem->button());
        platform::MenuItemValidation::addItem(menu, text("LSaddEntry"), "newJobEntry:", QKeySequence(), &m_context.platformDocument());
        platform::MenuItemValidation::addItem(menu, text("LSaddGroup"), "newGroupEntry:", QKeySequence(), &m_context.platformDocument());
        platform::MenuItemValidation::setAutoenablesItems(menu, true);
        platform::MenuMnemonics::assign(menu);
        contextItem->setMenu(menu);
        item = contextItem;
    } else {
        item = new QAction(m_toolbar);
        item->setObjectName(identifier);
        item->setProperty(IdentifierProperty, identifier);
        platform::MenuItemValidation::setAction(item, description->action);
        platform::MenuItemValidation::setTarget(item, &m_context.platformDocument());
    }
    setLabel(item, text(description->label));
    if (auto *contextItem = qobject_cast<NTXContextMenuToolbarItem *>(item))
        contextItem->setPaletteLabel(text(description->label));
    setImage(item, description->image);
    setToolTip(item, text(description->toolTip));
    return item;
}

void DocumentToolbar::setupToolbar()
{
    DocumentWindow *window = m_context.documentWindow();
    if (!window || m_toolbar)
        return;
    m_toolbar = new QToolBar(window);
    m_toolbar->setObjectName(ToolbarIdentifier);
    m_toolbar->setWindowTitle(text("LSToolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setIconSize(QSize(NTXContextMenuToolbarItem::RegularImageSide, NTXContextMenuToolbarItem::RegularImageSide));
    m_toolbar->setContextMenuPolicy(Qt::CustomContextMenu);
    NTXContextMenuToolbarItem::setToolbarDelegate(m_toolbar, this);
    NTXContextMenuToolbarItem::setToolbarSizeMode(m_toolbar, NTXContextMenuToolbarItem::SizeModeRegular);
    window->addToolBar(Qt::TopToolBarArea, m_toolbar);
    connect(m_toolbar, &QWidget::customContextMenuRequested, this,
            platform::ExceptionBoundary::guarded(this, "customContextMenuRequested", [this](const QPoint &position) { showToolbarCustomizationMenu(m_toolbar->mapToGlobal(position)); }));

    // The saved choice, without what this version does not know.
    const QVariantMap configuration = m_context.userDefaults().dictionaryForKey(ConfigurationKey);
    QStringList identifiers;
    const QVariant saved = configuration.value(ItemIdentifiersKey);
    if (saved.canConvert<QStringList>() && saved.typeId() != QMetaType::QString) {
        const QStringList allowed = toolbarAllowedItemIdentifiers();
        for (const QString &identifier : saved.toStringList()) {
            if (allowed.contains(identifier))
                identifiers.append(identifier);
        }
    }
    m_toolbarItemIdentifiers = configuration.contains(ItemIdentifiersKey) ? identifiers : toolbarDefaultItemIdentifiers();
    const int mode = configuration.value(DisplayModeKey, int(IconAndLabel)).toInt();
    m_displayMode = mode >= IconAndLabel && mode <= LabelOnly ? mode : int(IconAndLabel);
    m_toolbar->setToolButtonStyle(styleForDisplayMode(m_displayMode));
    rebuildToolbar();

    // The toolbar's commands, and the delete assistant, in the window's Document menu.
    if (QMenu *menu = window->documentMenu()) {
        QAction *first = menu->actions().value(0);
        const QList<QAction *> commands{
            platform::MenuItemValidation::makeItem(text("LSMenuNewJob"), "newJobEntry:", menu),
            platform::MenuItemValidation::makeItem(text("LSMenuNewGroup"), "newGroupEntry:", menu)};
        menu->insertActions(first, commands);
        menu->insertSeparator(first);
        QAction *deleteItem = nullptr;
        for (QAction *candidate : menu->actions()) {
            if (platform::MenuItemValidation::action(candidate) == "deleteEntry:")
                deleteItem = candidate;
        }
        QAction *assistant = platform::MenuItemValidation::makeItem(text("LSMenuDeleteAssistant"), "deleteAssistant:", menu);
        const qsizetype after = menu->actions().indexOf(deleteItem);
        menu->insertAction(after >= 0 ? menu->actions().value(after + 1) : nullptr, assistant);
    }

    // Visible items are validated when the window updates after an event, and at
    // once when what they show changes without one (a hot key, a sheet's end).
    connect(platform::WindowUpdateNotifier::instance(), &platform::WindowUpdateNotifier::windowDidUpdate, this,
            platform::ExceptionBoundary::guarded(this, "windowDidUpdate", [this](QWidget *updated) {
                if (m_toolbar && m_toolbar->isVisible() && m_toolbar->window() == updated)
                    validateVisibleToolbarItems();
            }));
    connect(&m_counter, &DocumentCounter::stateChanged,
        this, platform::ExceptionBoundary::guarded(this, "counterStateChanged", [this](bool) { validateVisibleToolbarItems(); }));
    connect(window->windowDrawer(), &QDockWidget::visibilityChanged, this,
        platform::ExceptionBoundary::guarded(this, "visibilityChanged", [this] { validateVisibleToolbarItems(); }));
    if (QItemSelectionModel *selection = window->outlineView()->selectionModel())
        connect(selection, &QItemSelectionModel::selectionChanged, this,
            platform::ExceptionBoundary::guarded(this, "selectionChanged", [this] { validateVisibleToolbarItems(); }));
}

void DocumentToolbar::rebuildToolbar()
{
    if (!m_toolbar)
        return;
    // Every build has its own holder: removing the holder removes the old items.
    delete m_toolbar->findChild<QObject *>(QStringLiteral("toolbarItems"), Qt::FindDirectChildrenOnly);
    m_toolbar->clear();
    auto *holder = new QObject(m_toolbar);
    holder->setObjectName(QStringLiteral("toolbarItems"));
    for (const QString &identifier : m_toolbarItemIdentifiers) {
        QAction *item = nullptr;
        if (identifier == SeparatorItem) {
            item = new QAction(holder);
            item->setSeparator(true);
            item->setProperty(IdentifierProperty, identifier);
        } else if (identifier == SpaceItem || identifier == FlexibleSpaceItem) {
            item = spaceItem(identifier, holder);
        } else if (identifier == CustomizeItem) {
            item = new QAction(text("LSCustomizeToolbar"), holder);
            item->setProperty(IdentifierProperty, identifier);
            item->setIcon(ApplicationImages::iconNamed(QStringLiteral("customize")));
            connect(item, &QAction::triggered, this, platform::ExceptionBoundary::guarded(this, "triggered", [this] {
                showToolbarCustomizationMenu(QCursor::pos());
            }));
        } else {
            item = toolbarItemForItemIdentifier(identifier, true);
            if (item)
                item->setParent(holder);
        }
        if (auto *contextItem = qobject_cast<NTXContextMenuToolbarItem *>(item))
            contextItem->setToolButtonStyle(m_toolbar->toolButtonStyle());
        if (item)
            m_toolbar->addAction(item);
    }
    validateVisibleToolbarItems();
}

DocumentToolbar::DocumentToolbar(const DocumentContext &context, DocumentWindowController &windowController,
                                 DocumentCounter &counter)
    : QObject(&context.platformDocument())
    , m_context(context)
    , m_windowController(windowController)
    , m_counter(counter) {}

DocumentToolbar::~DocumentToolbar() = default;

void DocumentToolbar::setToolbarItemIdentifiers(const QStringList &identifiers)
{
    const QStringList allowed = toolbarAllowedItemIdentifiers();
    QStringList kept;
    for (const QString &identifier : identifiers) {
        if (allowed.contains(identifier))
            kept.append(identifier);
    }
    m_toolbarItemIdentifiers = kept;
    QVariantMap configuration = m_context.userDefaults().dictionaryForKey(ConfigurationKey);
    configuration.insert(ItemIdentifiersKey, kept);
    m_context.userDefaults().setDictionary(configuration, ConfigurationKey);
    rebuildToolbar();
}

void DocumentToolbar::setDisplayMode(int mode)
{
    if (mode < IconAndLabel || mode > LabelOnly || !m_toolbar)
        return;
    m_displayMode = mode;
    QVariantMap configuration = m_context.userDefaults().dictionaryForKey(ConfigurationKey);
    configuration.insert(DisplayModeKey, mode);
    m_context.userDefaults().setDictionary(configuration, ConfigurationKey);
    m_toolbar->setToolButtonStyle(styleForDisplayMode(mode));
    for (QAction *item : m_toolbar->actions()) {
        if (auto *contextItem = qobject_cast<NTXContextMenuToolbarItem *>(item))
            contextItem->setToolButtonStyle(m_toolbar->toolButtonStyle());
    }
}

QAction *DocumentToolbar::toolbarItem(const QString &identifier) const
{
    if (!m_toolbar)
        return nullptr;
    for (QAction *item : m_toolbar->actions()) {
        if (identifierOf(item) == identifier)
            return item;
    }
    return nullptr;
}

void DocumentToolbar::showToolbarCustomizationMenu(const QPoint &position)
{
    if (!m_toolbar)
        return;
    auto *menu = new QMenu(m_toolbar);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const ItemDescription &description : itemDescriptions()) {
        QAction *choice = menu->addAction(text(description.label));
        choice->setCheckable(true);
        choice->setChecked(m_toolbarItemIdentifiers.contains(description.identifier));
        const QString identifier = description.identifier;
        connect(choice, &QAction::toggled, this, platform::ExceptionBoundary::guarded(this, "toggled", [this, identifier](bool shown) {
            QStringList identifiers = m_toolbarItemIdentifiers;
            if (shown) {
                // Back where the default set has it, as far as its neighbours allow.
                const QStringList defaults = toolbarDefaultItemIdentifiers();
                qsizetype at = identifiers.size();
                for (qsizetype i = defaults.indexOf(identifier) + 1; i < defaults.size(); ++i) {
                    const qsizetype next = identifiers.indexOf(defaults.at(i));
                    if (next >= 0 && !defaults.at(i).startsWith(QLatin1String("NSToolbar"))) {
                        at = next;
                        break;
                    }
                }
                identifiers.insert(at, identifier);
            } else {
                identifiers.removeAll(identifier);
            }
            setToolbarItemIdentifiers(identifiers);
        }));
    }
    menu->addSeparator();
    auto *modes = new QActionGroup(menu);
    for (const auto &[mode, key] : {std::pair{int(IconAndLabel), "LSToolbarIconAndText"},
                                    std::pair{int(IconOnly), "LSToolbarIconOnly"},
                                    std::pair{int(LabelOnly), "LSToolbarTextOnly"}}) {
        QAction *choice = menu->addAction(text(key));
        choice->setCheckable(true);
        choice->setChecked(m_displayMode == mode);
        choice->setActionGroup(modes);
        connect(choice, &QAction::triggered, this,
            platform::ExceptionBoundary::guarded(this, "triggered", [this, mode = mode] { setDisplayMode(mode); }));
    }
    menu->addSeparator();
    connect(menu->addAction(text("LSRestoreToolbar")), &QAction::triggered, this,
            platform::ExceptionBoundary::guarded(this, "triggered", [this] { setToolbarItemIdentifiers(toolbarDefaultItemIdentifiers()); }));
    platform::MenuMnemonics::assign(menu);
    menu->popup(position);
}

void DocumentToolbar::validateVisibleToolbarItems()
{
    if (!m_toolbar)
        return;
    for (QAction *item : m_toolbar->actions()) {
        if (auto *contextItem = qobject_cast<NTXContextMenuToolbarItem *>(item)) {
            contextItem->validate();
            continue;
        }
        const QString identifier = identifierOf(item);
        if (identifier.isEmpty() || identifier.startsWith(QLatin1String("NSToolbar")))
            continue;
        item->setEnabled(validateToolbarItem(item));
    }
}

bool DocumentToolbar::validateToolbarItem(QAction *item)
{
    if (!item)
        return false;
    const QString identifier = identifierOf(item);
    const bool running = m_counter.isRunning();
    if (identifier == StartStopButton) {
        setImage(item, running ? "stop_button" : "start_button");
        setLabel(item, text(running ? "LSstop2" : "LSstart2"));
        setToolTip(item, text(running ? "LSTTStop" : "LSTTStart"));
    } else if (identifier == ToggleDrawer) {
        const bool open = m_context.documentWindow() && !m_context.documentWindow()->windowDrawer()->isHidden();
        setImage(item, open ? "DrawerCloseNew" : "DrawerOpenNew");
        setLabel(item, text(open ? "LSHideDetails" : "LSShowDetails"));
    }
    if (identifier == RemoveItem) {
        QTreeView *outline = m_context.outlineView();
        const bool rowSelected = outline && outline->selectionModel() && outline->selectionModel()->hasSelection();
        return rowSelected && !running;
    }
    if (identifier == ActivedJob) {
        QTreeView *outline = m_context.outlineView();
        if (!outline)
            return false;
        // The selection the window keeps: read once for every item and the menus.
        const QList<NodePtr> selected = m_windowController.selectedNodes();
        const NodePtr node = selected.size() == 1 ? selected.constFirst() : NodePtr();
        return node && node->type() == Node::Job && (!running || node == m_context.activeJob());
    }
    if (identifier == AddItem || identifier == AddGroup)
        return !running;
    m_context.updateUI();
    // Start and stop are enabled as the Document menu's item is.
    if (identifier == StartStopButton)
        return m_counter.canToggle();
    return true;
}

QToolBar *DocumentToolbar::toolbar() const
{
    return m_toolbar.data();
}
