// A group's selection after its objects became fewer: only indexes of objects stay,
// and the delegate hears the repair once.
#include "ScopeBarTestSupport.h"

#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace scopebartest;
using IndexSet = SRScopeBarGroup::IndexSet;

namespace {

QStringList objects(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list.append(QStringLiteral("object %1").arg(i));
    return list;
}

// The changes heard for a group, by its identifier.
int heardFor(const RecordingDelegate &delegate, const QString &identifier)
{
    int count = 0;
    for (const platform::Notification &notification : delegate.heard)
        count += notification.userInfo.value(QStringLiteral("SRGroupIdentifierKey")).toString() == identifier;
    return count;
}

// A bar in a shown window with a one-choice group "one" and a many-choice group "many".
struct BarInWindow
{
    QWidget window;
    SRScopeBar *bar = new SRScopeBar;
    ListDataSource source;
    RecordingDelegate delegate;
    std::shared_ptr<SRScopeBarGroup> one, many;

    explicit BarInWindow(int count)
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(bar);
        bar->setDelegate(&delegate);
        source.lists = {objects(count), objects(count)};
        bar->setDataSource(&source);
        one = bar->addGroup();
        one->setIdentifier(QStringLiteral("one"));
        many = bar->addGroup();
        many->setIdentifier(QStringLiteral("many"));
        many->setGroupSelectionStyle(1);
        window.resize(600, 40);
        window.show();
        bar->reloadData();
        delegate.heard.clear();
    }
};

} // namespace

// The report: item 4 of a one-choice group selected, the objects cut to 3 and the
// group reloaded. The group selects its first object, once told; when the objects
// grow back, item 4 does not come back selected.
TEST(ScopeBarSelectionRepair, ASelectionPastTheObjectsFallsBackOnceAndStaysGone)
{
    BarInWindow shown(6);
    shown.one->selectObjectWithIndex(4);
    shown.many->setSelectionIndexes({1, 4, 5});
    shown.delegate.heard.clear();

    shown.source.lists = {objects(3), objects(3)};
    shown.bar->reloadDataForGroup(0);
    EXPECT_EQ(shown.one->selectionIndexes(), IndexSet{0});
    EXPECT_EQ(shown.one->selectedObject(), QVariant(QStringLiteral("object 0")));
    EXPECT_EQ(heardFor(shown.delegate, QStringLiteral("one")), 1);
    shown.bar->reloadData();
    EXPECT_EQ(shown.many->selectionIndexes(), IndexSet{1});
    EXPECT_EQ(heardFor(shown.delegate, QStringLiteral("many")), 1);
    EXPECT_EQ(heardFor(shown.delegate, QStringLiteral("one")), 1) << "a sound selection is not told again";

    shown.source.lists = {objects(6), objects(6)};
    shown.bar->reloadData();
    EXPECT_EQ(shown.one->selectionIndexes(), IndexSet{0});
    EXPECT_EQ(shown.many->selectionIndexes(), IndexSet{1});
    EXPECT_EQ(shown.delegate.heard.size(), 2);

    // A delegate that accepts no object leaves a one-choice group without selection.
    shown.one->selectObjectWithIndex(5);
    shown.delegate.heard.clear();
    shown.delegate.selects = false;
    shown.source.lists = {objects(2), objects(2)};
    shown.bar->reloadData();
    EXPECT_TRUE(shown.one->selectionIndexes().empty());
    EXPECT_FALSE(shown.one->selectedObject().isValid());
    EXPECT_EQ(heardFor(shown.delegate, QStringLiteral("one")), 1);

    // No objects at all: nothing selected in either style.
    shown.delegate.selects = true;
    shown.source.lists = {QStringList(), QStringList()};
    shown.bar->reloadData();
    EXPECT_TRUE(shown.one->selectionIndexes().empty());
    EXPECT_TRUE(shown.many->selectionIndexes().empty());
}

// Seeded random object counts, reloads, clicks and selections (past the objects too)
// in both styles. After every step no index lies past the objects; a one-choice
// group with objects the delegate accepts has exactly one selected; and each group
// was told exactly when its selection differs from before the step, once.
TEST(ScopeBarSelectionRepair, RandomOperationsKeepSelectionsWithinTheObjects)
{
    for (unsigned seed = 1; seed <= 5; ++seed) {
        std::mt19937 random(seed);
        const auto uniform = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        BarInWindow shown(uniform(0, 8));
        for (int step = 0; step < 1000; ++step) {
            const std::string where = "seed " + std::to_string(seed) + " step " + std::to_string(step);
            const IndexSet oneBefore = shown.one->selectionIndexes();
            const IndexSet manyBefore = shown.many->selectionIndexes();
            shown.delegate.heard.clear();
            SRScopeBarGroup &group = uniform(0, 1) ? *shown.one : *shown.many;
            const qsizetype count = group.numberOfObjects();
            switch (uniform(0, 5)) {
            case 0:
                shown.source.lists[uniform(0, 1)] = objects(uniform(0, 8));
                shown.bar->reloadData();
                break;
            case 1: {
                const int index = uniform(0, 1);
                shown.source.lists[index] = objects(uniform(0, 8));
                shown.bar->reloadDataForGroup(index);
                break;
            }
            case 2:
                if (count > 0)
                    group.didClickObject(uniform(0, int(count) - 1));
                break;
            case 3: {
                IndexSet indexes;
                for (int n = uniform(0, 3); n > 0; --n)
                    indexes.insert(uniform(0, 10));
                group.setSelectionIndexes(indexes);
                break;
            }
            case 4:
                if (count > 0)
                    group.selectObjectWithIndex(uniform(0, int(count) - 1));
                break;
            default:
                shown.delegate.selects = uniform(0, 3) != 0;
                shown.bar->reloadData();
                break;
            }
            for (const auto *g : {shown.one.get(), shown.many.get()}) {
                const IndexSet selection = g->selectionIndexes();
                if (!selection.empty()) {
                    EXPECT_LT(*selection.rbegin(), g->numberOfObjects()) << where << " " << g->identifier().toStdString();
                }
                EXPECT_EQ(g->selectedObjects().size(), qsizetype(selection.size())) << where;
            }
            if (shown.one->numberOfObjects() > 0 && shown.delegate.selects) {
                EXPECT_EQ(shown.one->selectionIndexes().size(), 1u) << where;
            }
            if (shown.one->groupSelectionStyle() == 0) {
                EXPECT_LE(shown.one->selectionIndexes().size(), 1u) << where;
            }
            EXPECT_EQ(heardFor(shown.delegate, QStringLiteral("one")), shown.one->selectionIndexes() != oneBefore ? 1 : 0)
                << where;
            EXPECT_EQ(heardFor(shown.delegate, QStringLiteral("many")),
                      shown.many->selectionIndexes() != manyBefore ? 1 : 0)
                << where;
        }
    }
}
