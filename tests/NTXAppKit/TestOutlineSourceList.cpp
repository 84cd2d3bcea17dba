// The source list offscreen: headings that never get selected, the arrow walk, the
// delete key, the reload's selection repair, icon and badge geometry, a group held
// open for good, and the delegate's notifications.
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceList.h"
#include "platform/drawing/ActionDispatch.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "tests/NTXAppKit/SourceListTestDataSource.h"
#include "tests/support/ExceptionLog.h"
#include "tests/support/MouseButtonsCheck.h"

#include <QTest>
#include <stdexcept>
#include <gtest/gtest.h>

namespace {

class OutlineSourceList : public ::testing::Test
{
protected:
    void SetUp() override
    {
        library = data.add(nullptr, QStringLiteral("LIBRARY"), -1, QImage(), QStringLiteral("library"));
        music = data.add(library, QStringLiteral("Music"), 7, QImage(32, 32, QImage::Format_ARGB32));
        movies = data.add(library, QStringLiteral("Movies"));
        places = data.add(nullptr, QStringLiteral("PLACES"));
        data.add(places, QStringLiteral("Desktop"));
        data.add(places, QStringLiteral("Documents"));
        list.resize(260, 300);
        list.setDelegate(&delegate);
        list.setDataSource(&data);
        list.expandItem(SourceListTestDataSource::variantOf(places));
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
        delegate.received.clear();
    }

    QPoint centreOfRow(int row) const { return list.frameOfCellAtColumnRow(0, row).center().toPoint(); }
    int count(const QString &name) const { return int(delegate.received.count(name)); }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(&list, k, modifiers); }

    SourceListTestDataSource data;
    SourceListTestDelegate delegate;
    NTXOutlineSourceList list;
    NTXOutlineSourceListItem *library = nullptr;
    NTXOutlineSourceListItem *music = nullptr;
    NTXOutlineSourceListItem *movies = nullptr;
    NTXOutlineSourceListItem *places = nullptr;
    // Rows: 0 LIBRARY, 1 Music, 2 Movies, 3 PLACES, 4 Desktop, 5 Documents.
};

// Raises when asked for the badge or the icon of the row titled "Music".
class RaisingForMusic : public SourceListTestDataSource
{
    Q_OBJECT
public:
    Q_INVOKABLE bool sourceListItemHasBadge(NTXOutlineSourceList *list, const QVariant &item)
    {
        if (itemOf(item)->title() == QStringLiteral("Music"))
            throw std::runtime_error("no badge today");
        return SourceListTestDataSource::sourceListItemHasBadge(list, item);
    }
    Q_INVOKABLE QImage sourceListIconForItem(NTXOutlineSourceList *list, const QVariant &item)
    {
        if (itemOf(item)->title() == QStringLiteral("Music"))
            throw std::runtime_error("no icon today");
        return SourceListTestDataSource::sourceListIconForItem(list, item);
    }
};

class RaisingDelegate : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void sourceListSelectionDidChange(const platform::Notification &)
    {
        throw std::runtime_error("no selection today");
    }
};

} // namespace

TEST_F(OutlineSourceList, AClickOnAHeadingSelectsNothing)
{
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, centreOfRow(4));
    EXPECT_EQ(list.selectedRows(), QList<int>{4});
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, centreOfRow(3));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, centreOfRow(0));
    EXPECT_EQ(list.selectedRows(), QList<int>{4});
    list.selectRows({0, 3}, false);
    EXPECT_TRUE(list.selectedRows().isEmpty());
    EXPECT_TRUE(list.isItemExpanded(SourceListTestDataSource::variantOf(places)));
}

TEST_F(OutlineSourceList, ArrowsWalkOverHeadingsAndStopAtTheEdges)
{
    const struct
    {
        int from;
        Qt::Key key;
        int to;
    } walks[] = {{2, Qt::Key_Down, 4}, {4, Qt::Key_Up, 2}, {1, Qt::Key_Up, 1}, {5, Qt::Key_Down, 5}};
    for (const auto &walk : walks) {
        list.selectRows({walk.from}, false);
        key(walk.key);
        EXPECT_EQ(list.selectedRows(), QList<int>{walk.to}) << walk.from;
    }

    // Two rows, or Shift: the tree view's own handling moves the cursor one row.
    const QModelIndex moviesIndex = list.model()->index(1, 0, list.model()->index(0, 0));
    const QModelIndex placesIndex = list.model()->index(1, 0);
    list.selectRows({1, 2}, false);
    list.selectionModel()->setCurrentIndex(moviesIndex, QItemSelectionModel::NoUpdate);
    key(Qt::Key_Down);
    EXPECT_EQ(list.currentIndex(), placesIndex);
    EXPECT_FALSE(list.selectedRows().contains(4));
    list.selectRows({2}, false);
    list.selectionModel()->setCurrentIndex(moviesIndex, QItemSelectionModel::NoUpdate);
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(list.currentIndex(), placesIndex);
    EXPECT_FALSE(list.selectedRows().contains(4));
}

TEST_F(OutlineSourceList, DeleteKeysReportTheSelectedRowsOnly)
{
    key(Qt::Key_Delete);
    EXPECT_EQ(count(NTXOutlineSourceList::DeleteKeyPressedOnRowsNotification), 0);
    list.selectRows({4, 5}, false);
    QList<int> rows;
    QObject observer;
    platform::NotificationCenter::defaultCenter().addObserver(
        &observer, NTXOutlineSourceList::DeleteKeyPressedOnRowsNotification, &list,
        [&rows](const platform::Notification &n) { rows = n.userInfo.value(NTXOutlineSourceList::RowsKey).value<QList<int>>(); });
    key(Qt::Key_Backspace);
    EXPECT_EQ(count(NTXOutlineSourceList::DeleteKeyPressedOnRowsNotification), 1);
    EXPECT_EQ(rows, (QList<int>{4, 5}));
}

TEST_F(OutlineSourceList, AReloadRepairsTheSelection)
{
    // Movies (row 2) selected; without Music the heading PLACES comes to row 2.
    list.selectRows({2}, false);
    library->removeChild(music);
    list.reloadData();
    EXPECT_EQ(list.selectedRows(), QList<int>{1});
    EXPECT_EQ(list.itemAtRow(1), SourceListTestDataSource::variantOf(movies));

    // Only a heading above the heading that comes to the selected row: nothing stays.
    library->removeChild(movies);
    list.reloadData();
    EXPECT_TRUE(list.selectedRows().isEmpty());

    // No empty selection: the first item row is chosen; with headings only, none.
    list.setAllowsEmptySelection(false);
    list.reloadData();
    EXPECT_EQ(list.selectedRows(), QList<int>{2});
    places->removeAllChildren();
    list.reloadData();
    EXPECT_TRUE(list.selectedRows().isEmpty());
}

TEST_F(OutlineSourceList, IconsFitTheRowAndBadgesTheirNumber)
{
    list.setRowHeight(20);
    list.setIconSize(QSizeF(32, 32));
    EXPECT_EQ(list.iconSize(), QSizeF(20, 20));
    list.setIconSize(QSizeF(40, 20));
    EXPECT_EQ(list.iconSize(), QSizeF(40, 20));
    EXPECT_EQ(list.sizeOfBadgeAtRow(1), QSizeF(22, 14));
    EXPECT_EQ(list.sizeOfBadgeAtRow(2), QSizeF());
    EXPECT_EQ(list.badgeValueForItem(SourceListTestDataSource::variantOf(movies)), NTXOutlineSourceList::NoBadgeValue);
    // Music has an icon: its text starts past it, and ends before the badge.
    const QRectF musicCell = list.frameOfCellAtColumnRow(0, 1);
    const QRectF moviesCell = list.frameOfCellAtColumnRow(0, 2);
    EXPECT_EQ(musicCell.x(), moviesCell.x() + 40 + 4);
    EXPECT_EQ(musicCell.right(), list.viewport()->width() - 22 - 5);
}

TEST_F(OutlineSourceList, AnAlwaysExpandedGroupNeverCollapses)
{
    const QVariant libraryItem = SourceListTestDataSource::variantOf(library);
    EXPECT_TRUE(list.isGroupAlwaysExpanded(libraryItem));
    EXPECT_TRUE(list.frameOfOutlineCellAtRow(0).isEmpty());
    EXPECT_FALSE(list.frameOfOutlineCellAtRow(3).isEmpty());
    EXPECT_EQ(list.frameOfCellAtColumnRow(0, 0).x(), 7);

    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(4, centreOfRow(0).y()));
    testsupport::doubleClick(list.viewport(), centreOfRow(0));
    list.selectRows({1}, false);
    key(Qt::Key_Left);
    key(Qt::Key_Minus);
    list.collapseItem(libraryItem);
    EXPECT_TRUE(list.isItemExpanded(libraryItem));
    EXPECT_EQ(count(NTXOutlineSourceList::ItemWillCollapseNotification), 0);

    // An ordinary group: the triangle and the double click work, announced first.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, list.frameOfOutlineCellAtRow(3).center().toPoint());
    EXPECT_FALSE(list.isItemExpanded(SourceListTestDataSource::variantOf(places)));
    delegate.allowsExpanding = false;
    testsupport::doubleClick(list.viewport(), centreOfRow(3));
    EXPECT_FALSE(list.isItemExpanded(SourceListTestDataSource::variantOf(places)));
    delegate.allowsExpanding = true;
    testsupport::doubleClick(list.viewport(), centreOfRow(3));
    EXPECT_TRUE(list.isItemExpanded(SourceListTestDataSource::variantOf(places)));
    const QStringList expected{NTXOutlineSourceList::ItemWillCollapseNotification,
                               NTXOutlineSourceList::ItemDidCollapseNotification,
                               NTXOutlineSourceList::ItemWillExpandNotification,
                               NTXOutlineSourceList::ItemDidExpandNotification};
    QStringList expansions = delegate.received;
    expansions.removeIf([](const QString &name) { return name.contains(QLatin1String("Selection")); });
    EXPECT_EQ(expansions, expected);
}

TEST_F(OutlineSourceList, ADelegateGetsOnlyTheNotificationsItHasMethodsFor)
{
    platform::NotificationCenter &center = platform::NotificationCenter::defaultCenter();
    const int before = center.observerCount();
    SourceListDidChangeOnlyDelegate only;
    list.setDelegate(&only);
    EXPECT_EQ(center.observerCount(), before - 7 + 1);
    list.selectRows({4}, false);
    key(Qt::Key_Delete);
    list.collapseItem(SourceListTestDataSource::variantOf(places));
    EXPECT_EQ(only.calls, 1);
    EXPECT_TRUE(delegate.received.isEmpty());
}

// A data source that raises while the view asks it (an item's title, its count) is
// stopped at the model and the delegate: the list paints the rest and goes on.
TEST(OutlineSourceListFailures, ADataSourceThatRaisesStopsAtTheView)
{
    // The exceptions this test provokes are expected to reach the program's nets.
    const testsupport::ExpectedQtWarning expectedExceptions(QStringLiteral("^An exception escaped "));
    struct Raising : SourceListTestDataSource
    {
        bool raise = false;
        QVariant sourceListObjectValueForItem(NTXOutlineSourceList *list, const QVariant &item) override
        {
            if (raise && itemOf(item)->title() == QStringLiteral("Movies"))
                throw std::runtime_error("no title today");
            return SourceListTestDataSource::sourceListObjectValueForItem(list, item);
        }
        int sourceListNumberOfChildrenOfItem(NTXOutlineSourceList *list, const QVariant &item) override
        {
            if (raise && item.isValid() && itemOf(item)->title() == QStringLiteral("PLACES"))
                throw std::runtime_error("no count today");
            return SourceListTestDataSource::sourceListNumberOfChildrenOfItem(list, item);
        }
    } data;
    NTXOutlineSourceListItem *library = data.add(nullptr, QStringLiteral("LIBRARY"));
    data.add(library, QStringLiteral("Music"));
    data.add(library, QStringLiteral("Movies"));
    NTXOutlineSourceListItem *places = data.add(nullptr, QStringLiteral("PLACES"));
    data.add(places, QStringLiteral("Desktop"));
    NTXOutlineSourceList list;
    list.resize(260, 300);
    list.setDataSource(&data);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    const int before = platform::ExceptionBoundary::caughtCount();
    data.raise = true;
    list.reloadData();
    list.expandItem(SourceListTestDataSource::variantOf(places));
    const QImage shown = list.grab().toImage();
    EXPECT_FALSE(shown.isNull());
    EXPECT_GT(platform::ExceptionBoundary::caughtCount(), before);
    data.raise = false;
    list.reloadData();
    list.expandItem(SourceListTestDataSource::variantOf(places));
    EXPECT_FALSE(list.grab().toImage().isNull());
}

// The rows are drawn from inside Qt's paint event and the selection is told from
// inside Qt's selection handling: what the data source raises for one row's icon or
// badge, and what an observer of the selection raises, stops at that call. The rows
// after it are still drawn, the selection still changes, the observers after it still
// hear, and nothing reaches the application object.
TEST(OutlineSourceListFailures, RaisingWhileDrawingOrToldOfTheSelectionStopsAtThatCall)
{
    RaisingForMusic data;
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    NTXOutlineSourceListItem *library = data.add(nullptr, QStringLiteral("LIBRARY"));
    data.add(library, QStringLiteral("Music"), 3, red);
    data.add(library, QStringLiteral("Movies"), -1, red);
    RaisingDelegate delegate;
    NTXOutlineSourceList list;
    list.resize(260, 300);
    list.setDelegate(&delegate);
    list.setDataSource(&data);
    list.expandItem(list.itemAtRow(0));
    int heard = 0;
    QObject raising;
    QObject later;
    platform::NotificationCenter &center = platform::NotificationCenter::defaultCenter();
    center.addObserver(&raising, NTXOutlineSourceList::SelectionDidChangeNotification, &list,
                       [](const platform::Notification &) { throw std::runtime_error("nor here"); });
    center.addObserver(&later, NTXOutlineSourceList::SelectionDidChangeNotification, &list,
                       [&](const platform::Notification &) { ++heard; });
    testsupport::ExceptionLog log;
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    const QImage shown = list.grab().toImage();
    int redPixels = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            redPixels += shown.pixelColor(x, y) == QColor(Qt::red);
    EXPECT_GT(redPixels, 0); // Movies' icon, drawn after Music's row failed
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      list.frameOfCellAtColumnRow(0, 2).center().toPoint());
    EXPECT_EQ(list.selectedRows(), QList<int>{2});
    EXPECT_EQ(heard, 1);
    const QStringList messages = log.messages();
    EXPECT_TRUE(log.allStoppedAtTheirEntries()) << messages.join(QLatin1Char('\n')).toStdString();
    for (const char *call : {"sourceListItemHasBadge", "sourceListIconForItem", "sourceListSelectionDidChange",
                             "a notification of QObject"})
        EXPECT_TRUE(messages.filter(QLatin1String(call)).size() > 0) << call;
}

TEST(OutlineSourceListOffers, NoSelectAll)
{
    SourceListTestDataSource data;
    data.add(data.add(nullptr, QStringLiteral("G")), QStringLiteral("a"));
    NTXOutlineSourceList list;
    list.setDataSource(&data);
    list.expandItem(list.itemAtRow(0));
    EXPECT_FALSE(platform::respondsTo(&list, "selectAll:"));
    EXPECT_TRUE(platform::respondsTo(&list, "clearSelection"));
    list.selectRows({}, false);
    QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(list.selectedRows().isEmpty());
}

#include "TestOutlineSourceList.moc"
