#pragma once
// A menu that can be shown as the context menu of any view: at the view's centre or
// at a point of its window. menu() hands out a copy, so what a caller adds to it
// never reaches the menu shown.
//
// Ownership: the object owns its menu; menu() answers a new menu the caller owns,
// whose items are copies (triggering a copy triggers the original item). GUI thread
// only.
#include <QMenu>
#include <QPointF>
#include <memory>

class QAction;
class QWidget;

class NTXActionContextMenu
{
public:
    NTXActionContextMenu();
    ~NTXActionContextMenu();
    NTXActionContextMenu(const NTXActionContextMenu &) = delete;
    NTXActionContextMenu &operator=(const NTXActionContextMenu &) = delete;

    // Takes the item (the menu becomes its parent unless it has one).
    void addMenuItem(QAction *item);
    void addSeparatorItem();
    void removeAllItems();

    // A copy of the menu with copies of its items.
    std::unique_ptr<QMenu> menu() const;
    // Takes the menu (null: a new empty one).
    void setMenu(QMenu *menu);
    // The menu itself, as shown.
    QMenu *shownMenu() const { return m_menu.get(); }

    // Pops the menu up at the centre of the view's frame.
    void showContextMenuForView(QWidget *view);
    // Pops the menu up at a point of the view's window (window coordinates).
    void showContextMenuForView(QWidget *view, const QPointF &windowPosition);

private:
    std::unique_ptr<QMenu> m_menu;
};
