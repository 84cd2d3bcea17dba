#pragma once
// The one item delegate that draws the cells of tables and outlines. Each column has
// a prototype cell; for every item drawn, a copy of it is prepared from the model:
// object value from the edit role (the display role when the model has no edit
// value), state from the check-state role, highlighted from the selection, enabled
// from the item flags, and font, alignment and image from their roles when the
// model gives them. Then the "will display cell" hook lets the owner adjust the
// cell for the row before it is drawn. Columns without a prototype are drawn the
// way QStyledItemDelegate draws them.
//
// An editor is placed where the prepared cell's layout puts its title. A click that
// ends inside a check box or radio cell moves it to its next state and writes it
// back: to the check-state role when the model keeps one, else to the edit role.
//
// Failures: Qt's views call these entries; what a cell or the "will display cell" hook
// raises stops at them (platform::ExceptionBoundary): the row is left unpainted, the
// size is the style's, no editor is made.
// Threads: GUI thread only.
#include "platform/drawing/Cell.h"

#include <unordered_map>
#include <QIcon>
#include <QStyledItemDelegate>
#include <functional>
#include <memory>

namespace platform {

class CellItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using WillDisplayCell = std::function<void(Cell &cell, const QModelIndex &index)>;

    explicit CellItemDelegate(QObject *parent = nullptr);
    ~CellItemDelegate() override;

    // The prototype cell of a model column (null removes it).
    void setPrototypeCell(int column, std::unique_ptr<Cell> cell);
    Cell *prototypeCell(int column) const;

    void setWillDisplayCell(WillDisplayCell hook) { m_willDisplayCell = std::move(hook); }

    // A copy of the column's prototype prepared for the item as it would be drawn
    // (null for a column without prototype).
    std::unique_ptr<Cell> preparedCell(const QStyleOptionViewItem &option, const QModelIndex &index) const;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // The styled delegate's editor, in the prepared cell's font.
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

    // A bound image value as an icon: icons, pixmaps and images; anything else none.
    static QIcon iconFromVariant(const QVariant &value);

protected:
    // The style's item background (selection, hover, focus) without text, icon or
    // check box: what a cell is drawn on.
    void paintItemBackground(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

private:
    // Places the editor over the cell's title, at least one line of its font high.
    void placeEditor(QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &index) const;

    std::unordered_map<int, std::unique_ptr<Cell>> m_prototypes;
    WillDisplayCell m_willDisplayCell;
};

} // namespace platform
