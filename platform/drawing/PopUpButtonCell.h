#pragma once
// A pop-up button cell: a button that shows a menu of items. A pop-up button shows
// the selected item as its title and selects the item the user chooses; a pull-down
// button shows its first item as the title (the item names the button and is not
// offered in the menu) and leaves the selection alone, sending its action for any
// chosen item. Drawn through the widget style as a combo box.
//
// The items are the QActions of the cell's own QMenu (the cell owns it; it is
// made with the cell and lives as long as it). Each item carries a tag
// (tagOfItem()) and a represented object (QAction::data()). The object value is the
// index of the selected item (-1 for none).
//
// Threading: GUI thread, like every cell.
#include "platform/drawing/ButtonCell.h"

#include <QPointer>
#include <QStringList>

class QAction;
class QMenu;
class QStyleOptionComboBox;

namespace platform {

class PopUpButtonCell : public ButtonCell
{
public:
    // Where the arrow is drawn (none draws the bezel without it).
    enum class ArrowPosition { NoArrow = 0, ArrowAtCenter = 1, ArrowAtBottom = 2 };
    // The edge of the button a pull-down menu opens at (a pop-up's menu always opens
    // over the button): left, top, right, bottom as seen on the screen.
    enum class RectEdge { MinX = 0, MinY = 1, MaxX = 2, MaxY = 3 };

    explicit PopUpButtonCell(const QString &title = QString(), bool pullsDown = false);
    ~PopUpButtonCell() override;

    // A copy with a new menu holding copies of the items (title, icon, tag,
    // represented object, enabled, separators) and the same item selected.
    std::unique_ptr<Cell> clone() const override;

    bool pullsDown() const { return m_pullsDown; }
    void setPullsDown(bool pullsDown) { m_pullsDown = pullsDown; }

    QMenu *menu() const { return m_menu.get(); }

    ArrowPosition arrowPosition() const { return m_arrowPosition; }
    void setArrowPosition(ArrowPosition position) { m_arrowPosition = position; }
    RectEdge preferredEdge() const { return m_preferredEdge; }
    void setPreferredEdge(RectEdge edge) { m_preferredEdge = edge; }

    // ---- Items ----
    // Adding an item to a pop-up without a selection selects it.
    QAction *addItemWithTitle(const QString &title);
    void addItemsWithTitles(const QStringList &titles);
    // An index outside 0 ... count adds at the end.
    QAction *insertItemWithTitle(const QString &title, int index);
    QAction *addSeparatorItem();
    // Removing the selected item selects none (a pop-up then selects the first item).
    void removeItemAtIndex(int index);
    void removeAllItems();
    int numberOfItems() const;
    QList<QAction *> itemArray() const;
    QAction *itemAtIndex(int index) const;
    QAction *itemWithTitle(const QString &title) const;
    QAction *lastItem() const;
    QStringList itemTitles() const;
    // -1 when there is none.
    int indexOfItem(const QAction *item) const;
    int indexOfItemWithTitle(const QString &title) const;
    int indexOfItemWithTag(int tag) const;
    int indexOfItemWithRepresentedObject(const QVariant &object) const;

    static int tagOfItem(const QAction *item);
    static void setTagOfItem(QAction *item, int tag);

    // ---- Selection ----
    QAction *selectedItem() const;
    int indexOfSelectedItem() const;
    // An item of another menu, or null, selects none.
    void selectItem(QAction *item);
    void selectItemAtIndex(int index);
    void selectItemWithTitle(const QString &title);
    // Answers whether an item has the tag (none is selected otherwise).
    bool selectItemWithTag(int tag);
    QString titleOfSelectedItem() const;
    void setObjectValue(const QVariant &value) override;

    // A pop-up: the selected item's title; a pull-down: the first item's.
    QString title() const override;
    // A pop-up selects the item of that title, adding one when there is none; a
    // pull-down renames its first item (adding one when it has none).
    void setTitle(const QString &title) override;

    // The user chose the item in the menu: a pop-up selects it.
    void itemChosen(QAction *item);
    // Opens the menu at the control view's frame without waiting for it: a pop-up's
    // selected item over the frame, a pull-down's menu below it. The first item of a
    // pull-down is hidden while the menu is open.
    void popUpMenu(QWidget *controlView, const QRectF &frame);

    // ---- Drawing ----
    void drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    // The combo-box frame and arrow.
    void drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    // The selected (pop-up) or first (pull-down) item's icon and the title.
    void drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    QSizeF cellSize() const override;
    // The label area of the combo box: the title (and the item's icon) go there.
    QRectF titleRectForBounds(const QRectF &bounds) const override;
    // Choosing happens in the menu, so a click changes no state.
    void activate(QWidget *) override {}

    // The button's settings, then pulls-down, the items (title, tag, enabled,
    // separator; icons and represented objects are not archived) and the selection.
    void encodeWithCoder(Coder &coder) const override;
    bool initWithCoder(Coder &coder) override;

    // The most items an archive may hold.
    static constexpr int MaximumArchivedItems = 10000;

protected:
    PopUpButtonCell(const PopUpButtonCell &other);

private:
    void initStyleOptionComboBox(QStyleOptionComboBox &option, const QRectF &frame,
                                 const QWidget *controlView) const;
    QAction *titleItem() const;

    struct MenuDeleter
    {
        void operator()(QMenu *menu) const;
    };
    std::unique_ptr<QMenu, MenuDeleter> m_menu;
    QPointer<QAction> m_selectedItem;
    bool m_pullsDown = false;
    ArrowPosition m_arrowPosition = ArrowPosition::ArrowAtCenter;
    RectEdge m_preferredEdge = RectEdge::MaxY;
};

} // namespace platform
