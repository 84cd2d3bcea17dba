#include "platform/document/StandardMenus.h"

#include "platform/document/DocumentAlert.h"
#include "platform/document/DocumentController.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace platform {

namespace {

using DocumentAlert::localizedString;
using MenuItemValidation::addItem;

QString text(const char *key)
{
    return localizedString(QString::fromLatin1(key));
}

} // namespace

StandardMenus::StandardMenus(QMenuBar *menuBar, DocumentController *controller) : QObject(menuBar)
{
    if (!controller)
        controller = DocumentController::sharedDocumentController();

    m_fileMenu = new QMenu(text("MenuFile"), menuBar);
    m_fileMenu->setObjectName(QStringLiteral("fileMenu"));
    m_new = addItem(m_fileMenu, text("MenuNew"), "newDocument:", QKeySequence::New);
    m_open = addItem(m_fileMenu, text("MenuOpen"), "openDocument:", QKeySequence::Open);
    m_openRecentMenu = m_fileMenu->addMenu(text("MenuOpenRecent"));
    m_openRecentMenu->setObjectName(QStringLiteral("openRecentMenu"));
    if (controller)
        controller->attachOpenRecentMenu(m_openRecentMenu);
    m_fileMenu->addSeparator();
    m_close = addItem(m_fileMenu, text("MenuClose"), "performClose:", QKeySequence::Close);
    m_save = addItem(m_fileMenu, text("MenuSave"), "saveDocument:", QKeySequence::Save);
    m_saveAs = addItem(m_fileMenu, text("MenuSaveAs"), "saveDocumentAs:", QKeySequence::SaveAs,
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    m_revert = addItem(m_fileMenu, text("MenuRevert"), "revertDocumentToSaved:");
    m_fileMenu->addSeparator();
    m_quit = addItem(m_fileMenu, text("MenuQuit"), "terminate:", QKeySequence::Quit);
    m_quit->setMenuRole(QAction::QuitRole);

    m_editMenu = new QMenu(text("MenuEdit"), menuBar);
    m_editMenu->setObjectName(QStringLiteral("editMenu"));
    // Titles go back to plain "Undo"/"Redo" before validation lets the receiver
    // name them.
    connect(m_editMenu, &QMenu::aboutToShow, this,
        platform::ExceptionBoundary::guarded(this, "resetUndoTitles", &StandardMenus::resetUndoTitles));
    m_undo = addItem(m_editMenu, text("MenuUndo"), "undo:", QKeySequence::Undo);
    m_redo = addItem(m_editMenu, text("MenuRedo"), "redo:", QKeySequence::Redo);
    m_editMenu->addSeparator();
    m_cut = addItem(m_editMenu, text("MenuCut"), "cut:", QKeySequence::Cut);
    m_copy = addItem(m_editMenu, text("MenuCopy"), "copy:", QKeySequence::Copy);
    m_paste = addItem(m_editMenu, text("MenuPaste"), "paste:", QKeySequence::Paste);
    m_delete = addItem(m_editMenu, text("MenuDelete"), "deleteSelection:", QKeySequence::Delete);
    m_editMenu->addSeparator();
    m_selectAll = addItem(m_editMenu, text("MenuSelectAll"), "selectAll:", QKeySequence::SelectAll);

    // Shortcuts are those of the window the menu bar belongs to (each document
    // window has its menu bar).
    MenuItemValidation::setAutoenablesItems(m_fileMenu, true);
    MenuItemValidation::setAutoenablesItems(m_editMenu, true);

    menuBar->addMenu(m_fileMenu);
    menuBar->addMenu(m_editMenu);
}

void StandardMenus::resetUndoTitles()
{
    m_undo->setText(text("MenuUndo"));
    m_redo->setText(text("MenuRedo"));
}

QAction *StandardMenus::itemWithAction(const QByteArray &action) const
{
    QByteArray wanted = action;
    if (const qsizetype colon = wanted.indexOf(':'); colon >= 0)
        wanted.truncate(colon);
    for (QMenu *menu : {m_fileMenu, m_editMenu}) {
        for (QAction *item : menu->actions()) {
            if (!wanted.isEmpty() && MenuItemValidation::actionMethodName(item) == wanted)
                return item;
        }
    }
    return nullptr;
}

void StandardMenus::validateAll()
{
    resetUndoTitles();
    MenuItemValidation::validateMenu(m_fileMenu);
    MenuItemValidation::validateMenu(m_editMenu);
}

} // namespace platform
