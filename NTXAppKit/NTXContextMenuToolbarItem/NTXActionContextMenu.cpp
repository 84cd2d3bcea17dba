#include "NTXAppKit/NTXContextMenuToolbarItem/NTXActionContextMenu.h"

#include <QAction>
#include <QWidget>

NTXActionContextMenu::NTXActionContextMenu()
    : m_menu(std::make_unique<QMenu>())
{
}

NTXActionContextMenu::~NTXActionContextMenu() = default;

void NTXActionContextMenu::addMenuItem(QAction *item)
{
    if (!item)
        return;
    if (!item->parent())
        item->setParent(m_menu.get());
    m_menu->addAction(item);
}

void NTXActionContextMenu::addSeparatorItem()
{
    auto *separator = new QAction(m_menu.get());
    separator->setSeparator(true);
    addMenuItem(separator);
}

void NTXActionContextMenu::removeAllItems()
{
    const QList<QAction *> items = m_menu->actions();
    for (QAction *item : items) {
        m_menu->removeAction(item);
        if (item->parent() == m_menu.get())
            delete item;
    }
}

std::unique_ptr<QMenu> NTXActionContextMenu::menu() const
{
    auto copy = std::make_unique<QMenu>(m_menu->title());
    copy->setIcon(m_menu->icon());
    for (QAction *item : m_menu->actions()) {
        auto *itemCopy = new QAction(item->icon(), item->text(), copy.get());
        itemCopy->setSeparator(item->isSeparator());
        itemCopy->setCheckable(item->isCheckable());
        itemCopy->setChecked(item->isChecked());
        itemCopy->setEnabled(item->isEnabled());
        itemCopy->setShortcut(item->shortcut());
        itemCopy->setToolTip(item->toolTip());
        itemCopy->setData(item->data());
        itemCopy->setMenu(item->menu());
        QObject::connect(itemCopy, &QAction::triggered, item, &QAction::trigger);
        copy->addAction(itemCopy);
    }
    return copy;
}

void NTXActionContextMenu::setMenu(QMenu *menu)
{
    if (menu == m_menu.get())
        return;
    m_menu.reset(menu ? menu : new QMenu);
}

void NTXActionContextMenu::showContextMenuForView(QWidget *view)
{
    if (!view)
        return;
    const QPointF centre = QRectF(view->geometry()).center();
    const QWidget *superview = view->parentWidget();
    const QPointF inWindow = superview ? QPointF(superview->mapTo(view->window(), centre.toPoint())) : centre;
    showContextMenuForView(view, inWindow);
}

void NTXActionContextMenu::showContextMenuForView(QWidget *view, const QPointF &windowPosition)
{
    if (!view)
        return;
    m_menu->popup(view->window()->mapToGlobal(windowPosition.toPoint()));
}
