// The mini action buttons and the action context menu: the action at the press, the
// types of the cell, and the menu handed out as a copy.
#include "NTXAppKit/NTXContextMenuToolbarItem/NTXActionContextMenu.h"
#include "NTXAppKit/NTXContextMenuToolbarItem/NTXContextMenuButton.h"
#include "NTXAppKit/NTXContextMenuToolbarItem/NTXNewContextMenuButtonCell.h"

#include <QAction>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Receiver : public QObject
{
    Q_OBJECT
public:
    int calls = 0;
    Q_INVOKABLE void showMenu(QObject *) { ++calls; }
};

} // namespace

TEST(MenuButtons, TheActionGoesOutAtThePress)
{
    Receiver receiver;
    NTXContextMenuButton button;
    button.resize(24, 20);
    button.setTarget(&receiver);
    button.setAction("showMenu:");
    for (int round = 0; round < 2; ++round) {
        receiver.calls = 0;
        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(receiver.calls, 1) << "at the press, round " << round;
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(receiver.calls, 1) << "not again at the release";
        button.setCell(std::make_unique<NTXNewContextMenuButtonCell>());
        button.setTarget(&receiver);
        button.setAction("showMenu:");
    }
}

TEST(MenuButtons, TypesChooseImageAndBorders)
{
    NTXContextMenuButtonCell cell;
    EXPECT_FALSE(cell.image().isNull()) << "the add-action image of the bundle";
    EXPECT_EQ(cell.buttonType(), platform::ButtonCell::ButtonType::MomentaryChange);
    EXPECT_EQ(cell.imagePosition(), platform::Cell::ImagePosition::ImageOnly);
    EXPECT_EQ(cell.bezelStyle(), platform::ButtonCell::BezelStyle::SmallSquare);
    cell.setType(2);
    EXPECT_FALSE(cell.isBordered());
    EXPECT_FALSE(cell.isBezeled());
    const qint64 scrollbarImage = cell.image().cacheKey();
    cell.setType(0);
    EXPECT_TRUE(cell.isBezeled());
    EXPECT_NE(cell.image().cacheKey(), scrollbarImage);
    cell.setType(3);
    EXPECT_TRUE(cell.image().isNull()) << "type 3 clears the image";
    EXPECT_TRUE(cell.isBezeled()) << "and keeps the borders";
}

TEST(MenuButtons, TheMenuIsHandedOutAsACopy)
{
    NTXActionContextMenu menu;
    int triggered = 0;
    auto *open = new QAction(QStringLiteral("Open"));
    QObject::connect(open, &QAction::triggered, [&triggered] { ++triggered; });
    menu.addMenuItem(open);
    menu.addSeparatorItem();
    std::unique_ptr<QMenu> copy = menu.menu();
    ASSERT_EQ(copy->actions().size(), 2);
    EXPECT_TRUE(copy->actions()[1]->isSeparator());
    copy->addAction(QStringLiteral("Stray"));
    copy->actions()[0]->trigger();
    EXPECT_EQ(triggered, 1) << "a copied item does what the item does";

    QWidget window;
    window.resize(200, 120);
    QWidget view(&window);
    view.setGeometry(40, 20, 100, 60);
    window.show();
    menu.showContextMenuForView(&view);
    QMenu *shown = menu.shownMenu();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(shown));
    EXPECT_EQ(shown->actions().size(), 2) << "the stray item stays in the copy";
    EXPECT_EQ(shown->pos(), window.mapToGlobal(QPoint(90, 50))) << "at the view's centre";
    shown->close();
    menu.removeAllItems();
    EXPECT_TRUE(menu.menu()->actions().isEmpty());
}

#include "TestMenuButtons.moc"
