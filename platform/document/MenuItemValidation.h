#pragma once
// Menu items with target/action, and their validation.
//
// A menu item is a QAction that carries an action name (the selector, e.g.
// "saveDocument:"), an optional target, a tag and a represented object. Triggering
// it sends the action through platform::sendAction() with the item as the sender:
// to its target, or along the responder chain when it has none.
//
// Validation decides whether an item is enabled: the object that would receive the
// action (platform::targetForAction) is asked through its
//     Q_INVOKABLE bool validateMenuItem(QAction *item);
// and the item is enabled when it answers true, or when the receiver has no such
// method. With no receiver the item is disabled. Standard Qt text widgets (line
// edits, text edits, plain text edits), which have no validateMenuItem, are judged
// by their own state for the usual Edit actions (undo, redo, cut, copy, paste,
// selectAll); Paste into one whose pastes another object takes (ClipboardPaste::
// setPasteReceiver()) is offered with text on the clipboard. Items without an action
// name are left alone.
//
// A menu that auto-enables its items validates them every time before it shows.
// Keyboard shortcuts of its items are validated again before a shortcut is matched,
// so a shortcut works exactly when the item would be enabled in the open menu; an open
// menu's items keep the state they showed with until it closes.
// Threads: GUI thread only.
#include <QByteArray>
#include <QKeySequence>
#include <QList>
#include <QString>
#include <QVariant>

class QAction;
class QMenu;
class QObject;

namespace platform::MenuItemValidation {

// Makes a menu item with a title, action and optional shortcut, target and tag; the
// parent owns it (a menu adds it with addAction() afterwards, or use addItem()).
QAction *makeItem(const QString &title, const QByteArray &action, QObject *parent,
                  const QKeySequence &shortcut = QKeySequence(), QObject *target = nullptr, int tag = 0);
// Makes an item as above and appends it to the menu.
QAction *addItem(QMenu *menu, const QString &title, const QByteArray &action,
                 const QKeySequence &shortcut = QKeySequence(), QObject *target = nullptr, int tag = 0);
// The same with a standard key: the item gets every binding of the key on this
// platform (Close is Ctrl+W and Ctrl+F4).
QAction *addItem(QMenu *menu, const QString &title, const QByteArray &action, QKeySequence::StandardKey key,
                 QObject *target = nullptr, int tag = 0);
// The same with a key of its own where the platform binds none to the standard key
// (Save As and Preferences have none under a plain window manager).
QAction *addItem(QMenu *menu, const QString &title, const QByteArray &action, QKeySequence::StandardKey key,
                 const QKeySequence &fallback, QObject *target = nullptr, int tag = 0);
// Every binding of the standard key on this platform, else the fallback alone.
QList<QKeySequence> standardShortcuts(QKeySequence::StandardKey key, const QKeySequence &fallback);

// The action name as given ("saveDocument:"); empty when the item has none.
// Setting one also makes the item send it when triggered.
void setAction(QAction *item, const QByteArray &action);
QByteArray action(const QAction *item);
// The method name of the action, without the selector's colon ("saveDocument").
QByteArray actionMethodName(const QAction *item);

// The explicit target (null: the responder chain). Held weakly.
void setTarget(QAction *item, QObject *target);
QObject *target(const QAction *item);

void setTag(QAction *item, int tag);
int tag(const QAction *item);

void setRepresentedObject(QAction *item, const QVariant &object);
QVariant representedObject(const QAction *item);

// The object that receives the item's action now (null when none).
QObject *targetForItem(const QAction *item);
// Validates one item: sets and answers its enabled state (items without an action
// keep theirs).
bool validateItem(QAction *item);
// Validates every item of the menu (not those of its submenus: they validate when
// they show).
void validateMenu(QMenu *menu);

// Whether the menu validates its items before it shows (off by default).
void setAutoenablesItems(QMenu *menu, bool on);
bool autoenablesItems(const QMenu *menu);

// Sends the item's action (what triggering does). Answers whether some object
// received it; a disabled item sends nothing, nor does an item of a window that a
// sheet holds (platform::WindowHold::refusesInput()).
bool sendItemAction(QAction *item);

} // namespace platform::MenuItemValidation
