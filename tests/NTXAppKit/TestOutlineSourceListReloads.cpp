// The source list's selection across reloads that remove, add and move items: the
// delegate hears of every change of the selected items, and of nothing else.
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceList.h"
#include "tests/NTXAppKit/SourceListTestDataSource.h"

#include <QTest>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// The selected items with the rows they stand on; the pointers held so that an item
// removed during a step is not mistaken for one made later at its address.
struct Selection
{
    QList<int> rows;
    std::vector<NTXOutlineSourceListItemPtr> items;
    bool operator==(const Selection &o) const
    {
        if (rows != o.rows || items.size() != o.items.size())
            return false;
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i].get() != o.items[i].get())
                return false;
        }
        return true;
    }
};

NTXOutlineSourceListItemPtr findShared(const NTXOutlineSourceListItemPtr &node, const NTXOutlineSourceListItem *item)
{
    for (qsizetype i = 0; i < node->countOfChildren(); ++i) {
        const NTXOutlineSourceListItemPtr child = node->childAtIndex(i);
        if (child.get() == item)
            return child;
        if (NTXOutlineSourceListItemPtr found = findShared(child, item))
            return found;
    }
    return nullptr;
}

Selection selectionOf(const NTXOutlineSourceList &list, SourceListTestDataSource &data)
{
    Selection selection;
    selection.rows = list.selectedRows();
    for (int row : std::as_const(selection.rows))
        selection.items.push_back(findShared(data.root, SourceListTestDataSource::itemOf(list.itemAtRow(row))));
    return selection;
}

} // namespace

// The report: the selected item removed, and the reload puts another item on its row.
TEST(OutlineSourceListReloads, AnotherItemOnTheSelectedRowIsAChange)
{
    SourceListTestDataSource data;
    SourceListTestDelegate delegate;
    NTXOutlineSourceList list;
    NTXOutlineSourceListItem *library = data.add(nullptr, QStringLiteral("LIBRARY"));
    NTXOutlineSourceListItem *music = data.add(library, QStringLiteral("Music"));
    NTXOutlineSourceListItem *movies = data.add(library, QStringLiteral("Movies"));
    NTXOutlineSourceListItem *books = data.add(library, QStringLiteral("Books"));
    list.resize(260, 300);
    list.setDelegate(&delegate);
    list.setDataSource(&data);
    list.expandItem(SourceListTestDataSource::variantOf(library));
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.selectRows({2}, false);
    ASSERT_EQ(list.itemAtRow(2), SourceListTestDataSource::variantOf(movies));
    delegate.received.clear();

    library->removeChild(movies);
    list.reloadData();
    EXPECT_EQ(list.selectedRows(), QList<int>{2});
    EXPECT_EQ(list.itemAtRow(2), SourceListTestDataSource::variantOf(books));
    EXPECT_EQ(delegate.received.count(NTXOutlineSourceList::SelectionDidChangeNotification), 1);

    // The same item on the same row again is no change.
    delegate.received.clear();
    list.reloadData();
    EXPECT_EQ(delegate.received.count(NTXOutlineSourceList::SelectionDidChangeNotification), 0);
    (void)music;
}

// Seeded random removals, insertions (a new item may take a freed item's address),
// selections and reloads of a tree of headings and items in a shown list. After every
// reload: exactly one notice when the selected rows or the items on them changed,
// none otherwise; and no heading is selected.
TEST(OutlineSourceListReloads, RandomReloadsTellEveryChangeOfTheSelectedItems)
{
    int changes = 0;
    for (unsigned seed = 1; seed <= 4; ++seed) {
        std::mt19937 random(seed);
        const auto uniform = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        SourceListTestDataSource data;
        SourceListTestDelegate delegate;
        NTXOutlineSourceList list;
        std::vector<NTXOutlineSourceListItem *> headings;
        for (int h = 0; h < 3; ++h) {
            headings.push_back(data.add(nullptr, QStringLiteral("HEADING %1").arg(h)));
            for (int i = uniform(0, 4); i > 0; --i)
                data.add(headings.back(), QStringLiteral("item"));
        }
        list.resize(260, 400);
        list.setDelegate(&delegate);
        list.setDataSource(&data);
        for (NTXOutlineSourceListItem *heading : headings)
            list.expandItem(SourceListTestDataSource::variantOf(heading));
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
        int made = 0;
        for (int step = 0; step < 250; ++step) {
            const std::string where = "seed " + std::to_string(seed) + " step " + std::to_string(step);
            NTXOutlineSourceListItem *heading = headings[size_t(uniform(0, 2))];
            // Headings that have items again are opened before the step: what the
            // reload does to the selection is measured on its own.
            for (NTXOutlineSourceListItem *h : headings)
                list.expandItem(SourceListTestDataSource::variantOf(h));
            const int rows = list.numberOfRows();
            if (uniform(0, 2) == 0 && rows > 0)
                list.selectRows({uniform(0, rows - 1)}, false);
            const Selection before = selectionOf(list, data);
            delegate.received.clear();
            switch (uniform(0, 3)) {
            case 0:
                if (heading->countOfChildren() > 0)
                    heading->removeChildAtIndex(uniform(0, int(heading->countOfChildren()) - 1));
                break;
            case 1: {
                // Removed and a new one made at once: it may stand where the old one stood.
                if (heading->countOfChildren() > 0) {
                    const int index = uniform(0, int(heading->countOfChildren()) - 1);
                    heading->removeChildAtIndex(index);
                    heading->insertChild(NTXOutlineSourceListItem::create(QStringLiteral("new %1").arg(++made)), index);
                }
                break;
            }
            case 2:
                heading->insertChild(NTXOutlineSourceListItem::create(QStringLiteral("new %1").arg(++made)),
                                     uniform(0, int(heading->countOfChildren())));
                break;
            default:
                break; // a reload that changes nothing
            }
            list.reloadData();
            const Selection after = selectionOf(list, data);
            const bool changed = !(after == before);
            changes += changed;
            const auto rowsText = [](const Selection &sel) {
                std::string text;
                for (size_t i = 0; i < sel.items.size(); ++i)
                    text += std::to_string(sel.rows.at(qsizetype(i))) + ":"
                            + (sel.items[i] ? sel.items[i]->title().toStdString() : std::string("none")) + " ";
                return text;
            };
            EXPECT_EQ(delegate.received.count(NTXOutlineSourceList::SelectionDidChangeNotification), changed ? 1 : 0)
                << where << " before " << rowsText(before) << " after " << rowsText(after);
            for (int row : after.rows)
                EXPECT_FALSE(list.isGroupItem(list.itemAtRow(row))) << where;
        }
    }
    EXPECT_GT(changes, 50);
}
