#pragma once
// A pop-up or pull-down button: a platform::Control that carries a PopUpButtonCell
// (or a subclass). A press opens the cell's menu; choosing an item selects it (a
// pop-up), repaints and then sends the cell's action with this button as the sender,
// as a click does. Space or return opens the menu too.
//
// The cell is replaced only through this class's setCell() (given to Control's, a
// cell of another class would break popUpCell()).
// Ownership: a widget owned by its Qt parent; it owns its cell. GUI thread only.
#include "platform/drawing/Control.h"
#include "platform/drawing/PopUpButtonCell.h"

#include <QMetaObject>

namespace platform {

class PopUpButton : public Control
{
    Q_OBJECT
public:
    explicit PopUpButton(bool pullsDown = false, QWidget *parent = nullptr);
    // A null cell is replaced by a plain pop-up cell.
    explicit PopUpButton(std::unique_ptr<PopUpButtonCell> cell, QWidget *parent = nullptr);
    ~PopUpButton() override;

    PopUpButtonCell *popUpCell() const;
    void setCell(std::unique_ptr<PopUpButtonCell> cell);

    bool pullsDown() const { return popUpCell()->pullsDown(); }
    void setPullsDown(bool pullsDown);
    QMenu *menu() const { return popUpCell()->menu(); }
    QAction *addItemWithTitle(const QString &title);
    void addItemsWithTitles(const QStringList &titles);
    void removeAllItems();
    QAction *selectedItem() const { return popUpCell()->selectedItem(); }
    int indexOfSelectedItem() const { return popUpCell()->indexOfSelectedItem(); }
    void selectItemAtIndex(int index);
    QString titleOfSelectedItem() const { return popUpCell()->titleOfSelectedItem(); }

    // Opens the menu as a press does.
    void popUp();

Q_SIGNALS:
    // After the user chose an item (before the action is sent).
    void itemChosen(QAction *item);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void connectMenu();
    void choose(QAction *item);

    QMetaObject::Connection m_triggered;
    QMetaObject::Connection m_hidden;
};

} // namespace platform
