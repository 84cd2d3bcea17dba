#pragma once
// The one preferences window of the application: panes held under their
// identifiers, one toolbar item per pane, the chosen pane's view as the window's
// content (the window grows or shrinks with its top-left corner kept), its frame
// remembered in the user defaults, plug-in panes, categories and an icon grid of
// all panes behind an optional Show All item.
//
// One instance per process: the first creation wins (initWithAutosaveName(), or
// sharedPreferenceWindowController() creating a plain one); later creations
// answer null. The instance is never freed.
#include "NTXAppKit/preferences/NTXPrefPaneIconView.h"
#include "NTXAppKit/preferences/NTXPrefPaneProtocol.h"
#include "NTXAppKit/preferences/NTXPreferenceWindowDelegate.h"
#include "NTXAppKit/preferences/NTXWindow.h"

#include <QHash>
#include <QIcon>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

class QAction;
class QActionGroup;
class QToolBar;
class NTXPrefPaneIcon;
class NTXPrefPaneIconView;
namespace platform { class UserDefaults; }

class NTXPreferenceWindowController : public QObject
{
    Q_OBJECT
public:
    static inline const QString ToolbarIdentifier = QStringLiteral("NTXPPToolbar");
    static inline const QString ShowAllItemIdentifier = QStringLiteral("NTXPPToolbarShowAll");
    static inline const QString SeparatorItemIdentifier = QStringLiteral("NSToolbarSeparatorItem");
    static inline const QString StringsTable = QStringLiteral("NTXPreferenceWindow");
    // The user-defaults key of the window frame, filled with the autosave name.
    static QString frameDefaultsKey(const QString &autosaveName);

    // The instance; creates a plain one (no window, no panes) when none exists.
    static NTXPreferenceWindowController *sharedPreferenceWindowController();
    // Creates the instance with a window of style titled and closable, or of the
    // given style; null when an instance exists already.
    static NTXPreferenceWindowController *initWithAutosaveName(const QString &name);
    static NTXPreferenceWindowController *initWithAutosaveName(const QString &name, unsigned styleMask);
    // Shared objects are never freed.
    quint32 retainCount() const { return 4294967295u; }

    ~NTXPreferenceWindowController() override;

    // The user defaults the frame is kept in (the standard ones unless set).
    void setUserDefaults(platform::UserDefaults *defaults) { m_defaults = defaults; }
    platform::UserDefaults &userDefaults() const;

    // ---- Accessors ----
    QHash<QString, NTXPrefPaneProtocol *> prefPanes() const { return m_prefPanes; }
    void setPrefPanes(const QHash<QString, NTXPrefPaneProtocol *> &panes);
    NTXPrefPaneProtocol *prefPaneWithIdentifier(const QString &identifier) const;
    NTXPrefPaneProtocol *activePane() const { return m_activePane; }
    void setActivePane(NTXPrefPaneProtocol *pane) { m_activePane = pane; }
    NTXPreferenceWindowDelegate *delegate() const { return m_delegate; }
    void setDelegate(NTXPreferenceWindowDelegate *delegate) { m_delegate = delegate; }
    bool usesConfigurationPane() const { return m_usesConfigurationPane; }
    void setUsesConfigurationPane(bool flag) { m_usesConfigurationPane = flag; }
    // The Show All item's image, given by the application (its "PrefsShowAll.png");
    // without one the main bundle's file of that name, else a style icon.
    QImage showAllImage() const { return m_showAllImage; }
    void setShowAllImage(const QImage &image);
    QString title() const { return m_title; }
    void setTitle(const QString &title) { m_title = title; }
    QString autosaveName() const { return m_autosaveName; }
    void setAutosaveName(const QString &name) { m_autosaveName = name; }
    NTXPrefPaneIconView *iconView() const { return m_iconView; }

    bool sortByCategory() const;
    void setSortByCategory(bool flag);
    QStringList categorySortOrder() const;
    void setCategorySortOrder(const QStringList &order);

    void removeAllPanes() {}
    void replyToShouldUnselect(bool) {}

    // ---- Panes ----
    // Takes the pane (it becomes a child of the controller) when it is added;
    // answers false, leaving it to the caller, when the identifier is present or
    // the delegate refuses it.
    bool addPane(NTXPrefPaneProtocol *pane, const QString &identifier);
    // Adds every plug-in with the file extension (e.g. "so") in the folder.
    void addPluginsOfType(const QString &extension, const QString &directory);
    // Adds the plug-in at the path; answers whether a pane was added.
    bool addPluginFromPath(const QString &path);
    // Identifiers of all panes by ascending sort order.
    QStringList validPrefPaneIdentifiers() const;
    // A new grid icon for the pane (identifier, icon, label, category, the
    // controller as target and toolbarShowPane as action).
    NTXPrefPaneIcon *iconForPrefPane(NTXPrefPaneProtocol *pane);
    void createIconViewPane();

    // ---- Categories ----
    QString categoryForIdentifier(const QString &identifier) const;
    QStringList categories() const;
    QString categoryDisplayNameForIdentifier(const QString &identifier) const;

    // ---- Selection and display ----
    // The window, building its toolbar (and selecting the first pane, and placing
    // the window at its saved frame) on first use; null for a plain controller.
    NTXWindow *window();
    NTXWindow *existingWindow() const { return m_window; }
    QToolBar *toolbar() const { return m_toolbar; }
    bool selectPaneWithIdentifier(const QString &identifier);
    bool deselectActivePane();
    bool selectIconViewPane();
    Q_INVOKABLE void toolbarShowAll();
    Q_INVOKABLE void toolbarShowPane(QObject *sender);
    // The frame that shows content of the size with the window's top-left kept.
    QRect frameForContentSize(const QSize &size) const;
    void changeContentView(QWidget *view);
    // Shows the window and makes it active.
    Q_INVOKABLE void showPreferences(QObject *sender = nullptr);
    void close();

    // ---- Toolbar ----
    QAction *toolbarItemForItemIdentifier(const QString &identifier);
    QStringList toolbarDefaultItemIdentifiers() const;
    QStringList toolbarAllowedItemIdentifiers() const;
    QStringList toolbarSelectableItemIdentifiers() const;
    bool toolbarAllowsUserCustomization() const;
    // The identifier of the checked toolbar item (empty when none).
    QString selectedToolbarItemIdentifier() const;

    // ---- Window events ----
    void windowWillClose();
    void applicationWillTerminate();
    void windowDidMove();
    QRect windowWillUseStandardFrame(const QRect &defaultFrame);
    void windowDidBecomeMain();
    // Zooms the window to the standard frame.
    void zoom();

private:
    friend class NTXPreferenceWindowControllerTestAccess;
    NTXPreferenceWindowController();
    NTXPreferenceWindowController(const QString &autosaveName, unsigned styleMask);
    static NTXPreferenceWindowController *&instanceSlot();

    void buildToolbar();
    QIcon showAllIcon() const;
    void placeAtSavedFrame();
    void checkToolbarItem(const QString &identifier);
    void sendUnselectHooksForClose();

    QHash<QString, NTXPrefPaneProtocol *> m_prefPanes;
    QPointer<NTXPrefPaneIconView> m_iconView;
    // The empty view the window shows before the first pane; ours until replaced.
    QPointer<QWidget> m_placeholderView;
    QPointer<NTXPrefPaneProtocol> m_activePane;
    bool m_usesConfigurationPane = false;
    QImage m_showAllImage;
    NTXPreferenceWindowDelegate *m_delegate = nullptr;
    QString m_autosaveName;
    QString m_title;
    NTXWindow *m_window = nullptr;
    QToolBar *m_toolbar = nullptr;
    QActionGroup *m_toolbarGroup = nullptr;
    QHash<QString, QAction *> m_toolbarItems;
    bool m_sortByCategory = false;
    QStringList m_categorySortOrder;
    platform::UserDefaults *m_defaults = nullptr;
};
