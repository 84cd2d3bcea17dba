// The item delegate that draws table and outline cells through prototype cells.
#include "platform/drawing/ButtonCell.h"
#include "platform/drawing/CellItemDelegate.h"

#include <QApplication>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

using platform::ButtonCell;
using platform::Cell;
using platform::CellItemDelegate;

namespace {

// A cell whose title sits right of a wide gap, so the editor's place is recognisable.
class IndentedCell : public Cell
{
public:
    std::unique_ptr<Cell> clone() const override { return std::unique_ptr<Cell>(new IndentedCell(*this)); }
    QRectF titleRectForBounds(const QRectF &bounds) const override { return bounds.adjusted(40, 0, 0, 0); }
};

struct Fixture
{
    QStandardItemModel model{3, 2};
    QTableView view;
    CellItemDelegate *delegate = new CellItemDelegate(&view);

    Fixture()
    {
        for (int row = 0; row < 3; ++row) {
            model.setItem(row, 0, new QStandardItem(QStringLiteral("Job %1").arg(row)));
            auto *check = new QStandardItem();
            check->setCheckable(true);
            check->setCheckState(row == 1 ? Qt::Checked : Qt::Unchecked);
            check->setEditable(false);
            model.setItem(row, 1, check);
        }
        view.setModel(&model);
        view.setItemDelegate(delegate);
        delegate->setPrototypeCell(0, std::make_unique<IndentedCell>());
        delegate->setPrototypeCell(1, std::make_unique<ButtonCell>(QString(), ButtonCell::ButtonType::Switch));
        view.resize(400, 200);
    }

    QStyleOptionViewItem optionFor(const QModelIndex &index, bool selected = false) const
    {
        QStyleOptionViewItem option;
        option.rect = view.visualRect(index);
        option.state = QStyle::State_Enabled;
        if (selected)
            option.state |= QStyle::State_Selected;
        option.widget = &view;
        return option;
    }
};

} // namespace

TEST(CellItemDelegate, PreparesACopyOfThePrototypeFromTheModel)
{
    Fixture f;
    const QModelIndex name = f.model.index(2, 0);
    std::unique_ptr<Cell> cell = f.delegate->preparedCell(f.optionFor(name, true), name);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->stringValue(), QStringLiteral("Job 2"));
    EXPECT_TRUE(cell->isHighlighted()) << "selected rows draw highlighted";
    EXPECT_TRUE(cell->isEditable());
    EXPECT_EQ(f.delegate->prototypeCell(0)->stringValue(), QString()) << "the prototype is not changed";

    const QModelIndex check = f.model.index(1, 1);
    std::unique_ptr<Cell> box = f.delegate->preparedCell(f.optionFor(check), check);
    EXPECT_EQ(box->state(), Cell::State::On) << "state from the check-state role";
    EXPECT_FALSE(box->isHighlighted());
}

TEST(CellItemDelegate, WillDisplayHookAdjustsEachRow)
{
    Fixture f;
    QList<int> rows;
    f.delegate->setWillDisplayCell([&rows](Cell &cell, const QModelIndex &index) {
        rows.append(index.row());
        if (index.row() == 0)
            cell.setEnabled(false);
    });
    const QModelIndex first = f.model.index(0, 0);
    EXPECT_FALSE(f.delegate->preparedCell(f.optionFor(first), first)->isEnabled());
    const QModelIndex second = f.model.index(1, 0);
    EXPECT_TRUE(f.delegate->preparedCell(f.optionFor(second), second)->isEnabled());
    EXPECT_EQ(rows, (QList<int>{0, 1}));

    rows.clear();
    f.view.show();
    (void)f.view.grab();
    EXPECT_TRUE(rows.contains(2)) << "painting asks the hook for every row";
}

TEST(CellItemDelegate, ColumnsWithoutPrototypeUseTheStyledDelegate)
{
    Fixture f;
    f.delegate->setPrototypeCell(0, nullptr);
    const QModelIndex name = f.model.index(0, 0);
    EXPECT_EQ(f.delegate->preparedCell(f.optionFor(name), name), nullptr);
    EXPECT_GT(f.delegate->sizeHint(f.optionFor(name), name).width(), 0);
}

TEST(CellItemDelegate, EditorGoesWhereTheCellPutsItsTitle)
{
    Fixture f;
    f.view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.view));
    const QModelIndex name = f.model.index(1, 0);
    f.view.edit(name);
    auto *editor = f.view.viewport()->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    const QRect cellRect = f.view.visualRect(name);
    EXPECT_EQ(editor->font(), f.delegate->prototypeCell(0)->font()) << "the editor uses the cell's font";
    EXPECT_EQ(editor->geometry().left(), cellRect.left() + 40);
    EXPECT_EQ(editor->geometry().right(), cellRect.right());
}

TEST(CellItemDelegate, ClickTogglesCheckBoxCells)
{
    Fixture f;
    f.view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.view));
    const QModelIndex check = f.model.index(0, 1);
    const QPoint centre = f.view.visualRect(check).center();
    QTest::mouseClick(f.view.viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    EXPECT_EQ(f.model.item(0, 1)->checkState(), Qt::Checked);
    // a second click, after the double-click interval, unchecks it again
    QTest::mouseClick(f.view.viewport(), Qt::LeftButton, Qt::NoModifier, centre, QApplication::doubleClickInterval() + 10);
    EXPECT_EQ(f.model.item(0, 1)->checkState(), Qt::Unchecked);
    // space on the current check-box cell toggles too
    f.view.setCurrentIndex(check);
    QTest::keyClick(&f.view, Qt::Key_Space);
    EXPECT_EQ(f.model.item(0, 1)->checkState(), Qt::Checked);
}

TEST(CellItemDelegate, CheckBoxCellsWithoutCheckStateWriteTheEditRole)
{
    QStandardItemModel model(1, 1);
    model.setItem(0, 0, new QStandardItem());
    model.setData(model.index(0, 0), 0, Qt::EditRole);
    QTreeView view;
    view.setModel(&model);
    auto *delegate = new CellItemDelegate(&view);
    delegate->setPrototypeCell(0, std::make_unique<ButtonCell>(QString(), ButtonCell::ButtonType::Switch));
    view.setItemDelegate(delegate);
    view.resize(200, 100);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const QModelIndex index = model.index(0, 0);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, view.visualRect(index).center());
    EXPECT_EQ(model.data(index, Qt::EditRole).toInt(), 1);
}

TEST(CellItemDelegate, PaintsSelectedRowsDifferently)
{
    Fixture f;
    f.view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.view));
    const QRect rect = f.view.visualRect(f.model.index(0, 0));
    const QImage before = f.view.viewport()->grab(rect).toImage();
    f.view.selectRow(0);
    const QImage after = f.view.viewport()->grab(rect).toImage();
    EXPECT_NE(before, after);
}
