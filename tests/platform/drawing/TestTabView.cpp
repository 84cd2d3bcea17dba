// The tab view without tabs, its items' extra keys, and named bundle images.
#include "platform/drawing/BundleImages.h"
#include "platform/drawing/TabView.h"
#include "platform/drawing/TabViewDelegate.h"
#include "platform/foundation/Bundle.h"

#include <QPainter>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <numeric>
#include <random>
#include <gtest/gtest.h>

using namespace platform;

namespace {

class RecordingDelegate : public TabViewDelegate
{
public:
    bool tabViewShouldSelectTabViewItem(TabView *, TabViewItem *item) override
    {
        calls << QStringLiteral("should ") + item->label();
        return item->label() != QStringLiteral("locked");
    }
    void tabViewWillSelectTabViewItem(TabView *, TabViewItem *item) override { calls << QStringLiteral("will ") + item->label(); }
    void tabViewDidSelectTabViewItem(TabView *, TabViewItem *item) override { calls << QStringLiteral("did ") + item->label(); }
    void tabViewDidChangeNumberOfTabViewItems(TabView *tabView) override
    {
        calls << QStringLiteral("count %1").arg(tabView->numberOfTabViewItems());
    }
    QStringList calls;
};

TabViewItemPtr itemWithView(const QString &label)
{
    auto item = TabViewItem::create(label);
    item->setLabel(label);
    item->setView(new QWidget);
    return item;
}

} // namespace

TEST(TabView, SelectionAsksAndTellsTheDelegateAndShowsTheView)
{
    TabView tabView;
    tabView.resize(200, 100);
    RecordingDelegate delegate;
    tabView.setDelegate(&delegate);
    const auto a = itemWithView(QStringLiteral("a"));
    const auto b = itemWithView(QStringLiteral("b"));
    const auto locked = itemWithView(QStringLiteral("locked"));
    tabView.addTabViewItem(a);
    tabView.addTabViewItem(b);
    tabView.addTabViewItem(locked);
    EXPECT_EQ(tabView.selectedTabViewItem(), a); // the first added is selected
    EXPECT_TRUE(tabView.selectTabViewItem(b.get()));
    EXPECT_FALSE(tabView.selectTabViewItem(locked.get()));
    EXPECT_EQ(delegate.calls, (QStringList{QStringLiteral("count 1"), QStringLiteral("should a"), QStringLiteral("will a"),
                                           QStringLiteral("did a"), QStringLiteral("count 2"), QStringLiteral("count 3"),
                                           QStringLiteral("should b"), QStringLiteral("will b"), QStringLiteral("did b"),
                                           QStringLiteral("should locked")}));
    EXPECT_FALSE(b->view()->isHidden());
    EXPECT_TRUE(a->view()->isHidden());
    EXPECT_EQ(b->view()->geometry(), QRect(0, 0, 200, 100));

    // Removing the selected item selects the one that took its place; the removed
    // item keeps its view.
    tabView.setDelegate(nullptr);
    EXPECT_TRUE(tabView.removeTabViewItem(b.get()));
    EXPECT_EQ(tabView.selectedTabViewItem(), locked);
    EXPECT_EQ(b->view()->parentWidget(), nullptr);
    EXPECT_EQ(b->tabView(), nullptr);
    EXPECT_FALSE(tabView.removeTabViewItem(b.get()));
    EXPECT_EQ(tabView.tabViewItemAtIndex(5), nullptr);

    // An item moves from one tab view to another.
    TabView other;
    other.addTabViewItem(a);
    EXPECT_EQ(tabView.numberOfTabViewItems(), 1);
    EXPECT_EQ(a->tabView(), &other);
    EXPECT_EQ(a->view()->parentWidget(), &other);
}

TEST(TabView, ItemsAnswerRegisteredExtraKeysAndObserveThem)
{
    ASSERT_TRUE(TabViewItem::registerExtraKey(QStringLiteral("testBadge"), 0));
    EXPECT_FALSE(TabViewItem::registerExtraKey(QStringLiteral("label"), 0));
    const auto item = TabViewItem::create();
    EXPECT_TRUE(item->hasKey(QStringLiteral("testBadge")));
    EXPECT_TRUE(item->hasKey(QStringLiteral("label")));
    EXPECT_FALSE(item->hasKey(QStringLiteral("nothing")));
    EXPECT_EQ(item->valueForKey(QStringLiteral("testBadge")).toInt(), 0);
    int changes = 0;
    item->addObserver(QStringLiteral("testBadge"), [&](KeyValueObservable &, const QString &, bool prior) {
        changes += prior ? 0 : 1;
    });
    item->setValueForKey(3, QStringLiteral("testBadge"));
    EXPECT_EQ(item->valueForKey(QStringLiteral("testBadge")).toInt(), 3);
    EXPECT_EQ(changes, 1);
    EXPECT_ANY_THROW(item->setValueForKey(1, QStringLiteral("nothing")));
}

TEST(BundleImages, NamedImagesDrawAtTheDevicePixelRatioAndMissingOnesAreEmpty)
{
    ASSERT_TRUE(BundleImages::registerImage(QStringLiteral("TestBundle"), QStringLiteral("dot"), QSizeF(8, 6),
                                            [](QPainter &painter, const QSizeF &size) {
                                                painter.fillRect(QRectF(QPointF(0, 0), size), Qt::black);
                                            }));
    const QIcon dot = BundleImages::imageNamed(Bundle::bundleNamed(QStringLiteral("TestBundle")), QStringLiteral("dot"));
    EXPECT_EQ(BundleImages::naturalSize(dot), QSizeF(8, 6));
    const QImage sharp = BundleImages::rendered(dot, 2.0);
    EXPECT_EQ(sharp.size(), QSize(16, 12));
    EXPECT_EQ(sharp.pixelColor(15, 11), QColor(Qt::black));

    const QIcon missing = BundleImages::imageNamed(QStringLiteral("TestBundle"), QStringLiteral("nothing"));
    EXPECT_TRUE(missing.isNull());
    EXPECT_TRUE(BundleImages::naturalSize(missing).isEmpty());
    EXPECT_TRUE(BundleImages::rendered(missing).isNull());
}

// A seeded run of inserts (at any place, past the end too), removals (of held items
// and of items held elsewhere or nowhere), moves within the tab view and to another
// one, selections and new views, checked after every step against a plain list:
// every item's index both ways (looked up in a shuffled order), the selected item
// and the one shown view, and each signal and delegate report heard exactly once
// per change.
TEST(TabView, RandomEditsKeepIndexesSelectionAndViews)
{
    TabView tabView;
    TabView other;
    tabView.resize(120, 80);
    RecordingDelegate delegate;
    tabView.setDelegate(&delegate);
    int selectionSignals = 0;
    int numberSignals = 0;
    QObject::connect(&tabView, &TabView::selectionChanged, [&] { ++selectionSignals; });
    QObject::connect(&tabView, &TabView::numberOfTabViewItemsChanged, [&] { ++numberSignals; });

    std::mt19937 random(20261208);
    const auto pick = [&random](int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); };
    std::vector<TabViewItemPtr> held;  // the expected order
    std::vector<TabViewItemPtr> loose; // items made but not held here
    TabViewItemPtr selected;
    int made = 0;
    int expectedSelections = 0; // selectionChanged, per step
    int expectedDid = 0;        // the delegate's did-select: a change to an item

    const auto removeExpected = [&](const TabViewItemPtr &item) {
        const auto at = std::find(held.begin(), held.end(), item);
        const int index = int(at - held.begin());
        held.erase(at);
        if (item != selected)
            return;
        ++expectedSelections;
        selected = nullptr;
        if (!held.empty()) {
            const TabViewItemPtr next = held[size_t(std::min(index, int(held.size()) - 1))];
            if (next->label() != QStringLiteral("locked")) {
                selected = next;
                ++expectedDid;
            }
        }
    };
    const auto insertExpected = [&](const TabViewItemPtr &item, int index) {
        held.insert(held.begin() + std::min(index, int(held.size())), item);
        if (!selected && item->label() != QStringLiteral("locked")) {
            selected = item;
            ++expectedSelections;
            ++expectedDid;
        }
    };

    for (int step = 0; step < 3000; ++step) {
        const int count = tabView.numberOfTabViewItems();
        const int selectionsBefore = selectionSignals;
        const int numbersBefore = numberSignals;
        delegate.calls.clear();
        expectedSelections = 0;
        expectedDid = 0;
        int expectedNumbers = 0;
        QString what;
        switch (pick(7)) {
        case 0:
        case 1: { // insert a new item or a loose one
            TabViewItemPtr item;
            if (!loose.empty() && pick(2) == 0) {
                const size_t i = size_t(pick(int(loose.size())));
                item = loose[i];
                loose.erase(loose.begin() + qsizetype(i));
            } else {
                item = itemWithView(pick(6) == 0 ? QStringLiteral("locked") : QStringLiteral("tab %1").arg(made++));
                if (pick(5) == 0)
                    item->setView(nullptr);
            }
            if (count > 60) {
                loose.push_back(item);
                break;
            }
            const int index = pick(count + 3); // past the end appends
            what = QStringLiteral("insert %1 at %2").arg(item->label()).arg(index);
            if (item->tabView() == &other)
                other.removeTabViewItem(item.get());
            ASSERT_TRUE(tabView.insertTabViewItem(item, index));
            insertExpected(item, index);
            ++expectedNumbers;
            break;
        }
        case 2: { // remove a held item, or refuse one not held
            if (count == 0 || pick(8) == 0) {
                const TabViewItemPtr stranger = loose.empty() ? itemWithView(QStringLiteral("stranger")) : loose.front();
                what = QStringLiteral("remove one not held");
                EXPECT_FALSE(tabView.removeTabViewItem(stranger.get()));
                EXPECT_FALSE(tabView.removeTabViewItem(nullptr));
                break;
            }
            const int index = pick(3) == 0 ? (pick(2) == 0 ? 0 : count - 1) : pick(count);
            const TabViewItemPtr item = held[size_t(index)];
            what = QStringLiteral("remove %1 at %2").arg(item->label()).arg(index);
            ASSERT_TRUE(tabView.removeTabViewItem(item.get()));
            removeExpected(item);
            ++expectedNumbers;
            loose.push_back(item);
            break;
        }
        case 3: { // move within the tab view: out and in again
            if (count == 0)
                break;
            const TabViewItemPtr item = held[size_t(pick(count))];
            const int index = pick(count);
            what = QStringLiteral("move %1 to %2").arg(item->label()).arg(index);
            ASSERT_TRUE(tabView.removeTabViewItem(item.get()));
            removeExpected(item);
            ASSERT_TRUE(tabView.insertTabViewItem(item, index));
            insertExpected(item, index);
            expectedNumbers += 2;
            break;
        }
        case 4: { // another tab view takes one
            if (count == 0)
                break;
            const TabViewItemPtr item = held[size_t(pick(count))];
            what = QStringLiteral("give %1 away").arg(item->label());
            other.addTabViewItem(item);
            removeExpected(item);
            ++expectedNumbers;
            loose.push_back(item);
            break;
        }
        case 5: { // select a held item (again, refused, or one not held)
            if (count == 0)
                break;
            const TabViewItemPtr item = pick(10) == 0 && !loose.empty() ? loose.back() : held[size_t(pick(count))];
            what = QStringLiteral("select %1").arg(item->label());
            const bool isHeld = item->tabView() == &tabView;
            const bool allowed = isHeld && item->label() != QStringLiteral("locked");
            EXPECT_EQ(tabView.selectTabViewItem(item.get()), isHeld && (allowed || item == selected));
            if (allowed && item != selected) {
                selected = item;
                ++expectedSelections;
                ++expectedDid;
            }
            break;
        }
        default: { // a held item gets a new view
            if (count == 0)
                break;
            const TabViewItemPtr item = held[size_t(pick(count))];
            what = QStringLiteral("new view for %1").arg(item->label());
            item->setView(pick(4) == 0 ? nullptr : new QWidget);
            break;
        }
        }
        SCOPED_TRACE(::testing::Message() << "step " << step << ": " << what.toStdString());

        ASSERT_EQ(tabView.numberOfTabViewItems(), int(held.size()));
        std::vector<int> order(held.size());
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), random);
        for (const int i : order) {
            const TabViewItemPtr &item = held[size_t(i)];
            ASSERT_EQ(tabView.indexOfTabViewItem(item.get()), i);
            ASSERT_EQ(tabView.tabViewItemAtIndex(i), item);
            ASSERT_EQ(item->tabView(), &tabView);
            if (QWidget *view = item->view()) {
                EXPECT_EQ(view->parentWidget(), &tabView);
                EXPECT_EQ(view->isHidden(), item != selected);
            }
        }
        for (const TabViewItemPtr &item : loose) {
            EXPECT_EQ(tabView.indexOfTabViewItem(item.get()), -1);
            EXPECT_NE(item->tabView(), &tabView);
            if (QWidget *view = item->view()) {
                EXPECT_NE(view->parentWidget(), &tabView);
            }
        }
        EXPECT_EQ(tabView.tabViewItemAtIndex(count + 5), nullptr);
        EXPECT_EQ(tabView.selectedTabViewItem(), selected);
        if (selected && selected->view()) {
            EXPECT_EQ(selected->view()->geometry(), QRect(0, 0, 120, 80));
        }
        EXPECT_EQ(selectionSignals - selectionsBefore, expectedSelections);
        EXPECT_EQ(numberSignals - numbersBefore, expectedNumbers);
        EXPECT_EQ(delegate.calls.filter(QRegularExpression(QStringLiteral("^count "))).size(), expectedNumbers);
        EXPECT_EQ(delegate.calls.filter(QRegularExpression(QStringLiteral("^did "))).size(), expectedDid);
    }
    tabView.setDelegate(nullptr);
}
