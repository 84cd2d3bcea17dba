#pragma once
// The document window's toolbar "XQMainNewToolbar": new job, new group, delete,
// start/stop, the inspector and the active job. It makes the items and validates
// them (it is the toolbar's delegate); the start/stop and inspector items show the
// state they would change. The items send their actions to the document. The user
// chooses the items and how they show (image and label under it, image, label) from
// the toolbar's context menu; the choice is kept in the user defaults.
//
// Owned by its MyDocument (a child object); the QToolBar belongs to the window.
// GUI thread only; nothing here throws.
#include <QObject>
#include <QPointer>
#include <QStringList>

class DocumentContext;
class DocumentCounter;
class DocumentWindowController;
class QAction;
class QPoint;
class QToolBar;

class DocumentToolbar : public QObject
{
    Q_OBJECT
public:
    static inline const QString ToolbarIdentifier = QStringLiteral("XQMainNewToolbar");
    // The document, seen through what its collaborators are given (DocumentContext.h);
    // the selection the items act on (the window's controller) and the counter whose
    // state they show.
    DocumentToolbar(const DocumentContext &context, DocumentWindowController &windowController,
                    DocumentCounter &counter);
    ~DocumentToolbar() override;

    // The names of the images its items show (ApplicationImages), the start/stop
    // item's as it first shows.
    static QStringList imageNames();

    // Makes the window's toolbar from the saved configuration (or the default set).
    void setupToolbar();
    QToolBar *toolbar() const;
    // A new item for one of the six identifiers; null for any other.
    QAction *toolbarItemForItemIdentifier(const QString &identifier, bool willBeInsertedIntoToolbar);
    QStringList toolbarAllowedItemIdentifiers() const;
    QStringList toolbarDefaultItemIdentifiers() const;
    Q_INVOKABLE bool validateToolbarItem(QAction *item);
    void validateVisibleToolbarItems();
    // The toolbar's identifiers as shown; setting them rebuilds and saves it.
    QStringList toolbarItemIdentifiers() const { return m_toolbarItemIdentifiers; }
    void setToolbarItemIdentifiers(const QStringList &identifiers);
    // How the items show (kept with the choice of items): 1 image and label, 2 image
    // only, 3 label only.
    int displayMode() const { return m_displayMode; }
    void setDisplayMode(int mode);
    // The item of an identifier in the toolbar (null when not shown).
    QAction *toolbarItem(const QString &identifier) const;

private:
    void rebuildToolbar();
    void showToolbarCustomizationMenu(const QPoint &position);

    const DocumentContext &m_context;
    DocumentWindowController &m_windowController;
    DocumentCounter &m_counter;
    QPointer<QToolBar> m_toolbar;
    QStringList m_toolbarItemIdentifiers;
    int m_displayMode = 1;
};
