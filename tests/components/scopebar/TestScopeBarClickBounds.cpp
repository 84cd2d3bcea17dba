// A group's click entry point at the edges of its objects: the first and the last
// object take a click, one past the last and one before the first raise before
// anything changes; and clicks on every button of a shown bar, through the mouse.
#include "ScopeBarTestSupport.h"
#include "platform/foundation/Exception.h"

#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace scopebartest;
using IndexSet = SRScopeBarGroup::IndexSet;

namespace {

QString reasonOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const platform::Exception &exception) {
        return exception.name() + QLatin1Char(' ') + exception.reason();
    }
    return QString();
}

const QString ClickRange =
    QStringLiteral("NSRangeException SRScopeBarGroup:didClickObject_:alwaysSetToOnState: objectIndex invalid");
const QString SelectRange = QStringLiteral("NSRangeException SRScopeBarGroup:selectObjectWithIndex: objectIndex invalid");

} // namespace

TEST(ScopeBarClickBounds, EveryIndexInsideTakesAClickAndEveryOneOutsideRaisesFirst)
{
    SRScopeBar bar;
    ListDataSource source;
    RecordingDelegate delegate;
    bar.setDelegate(&delegate);
    fill(bar, source, {{"a", "b", "c"}, {"x", "y", "z"}}, 600);
    auto single = bar.groupAtIndex(0);
    auto multiple = bar.groupAtIndex(1);
    multiple->setGroupSelectionStyle(1);
    multiple->setSelectionIndexes({});
    delegate.heard.clear();

    const struct
    {
        const char *name;
        std::function<void()> call;
        QString reason;
        IndexSet single, multiple;
        int heard;
    } steps[] = {
        {"the last object of a group of three", [&] { single->didClickObject(2); }, {}, {2}, {}, 1},
        {"the first", [&] { single->didClickObject(0); }, {}, {0}, {}, 1},
        {"one past the last", [&] { single->didClickObject(3); }, ClickRange, {0}, {}, 0},
        {"one before the first", [&] { single->didClickObject(-1); }, ClickRange, {0}, {}, 0},
        {"far past", [&] { single->didClickObject(1000); }, ClickRange, {0}, {}, 0},
        {"the flag on, one past the last", [&] { single->didClickObject_alwaysSetToOnState(3, true); }, ClickRange,
         {0}, {}, 0},
        {"selecting one past the last", [&] { single->selectObjectWithIndex(3); }, SelectRange, {0}, {}, 0},
        {"selecting the last", [&] { single->selectObjectWithIndex(2); }, {}, {2}, {}, 1},
        {"the last of a multiple group adds it", [&] { multiple->didClickObject(2); }, {}, {2}, {2}, 1},
        {"the first adds it too", [&] { multiple->didClickObject(0); }, {}, {2}, {0, 2}, 1},
        {"one past the last of a multiple group", [&] { multiple->didClickObject(3); }, ClickRange, {2}, {0, 2}, 0},
        {"the last again takes it away", [&] { multiple->didClickObject(2); }, {}, {2}, {0}, 1},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.name);
        delegate.heard.clear();
        EXPECT_EQ(reasonOf(step.call), step.reason);
        EXPECT_EQ(single->selectionIndexes(), step.single);
        EXPECT_EQ(multiple->selectionIndexes(), step.multiple);
        EXPECT_EQ(delegate.heard.size(), step.heard);
    }

    // A group out of any bar has no objects: every click is out of range.
    SRScopeBarGroup loose;
    EXPECT_EQ(reasonOf([&] { loose.didClickObject(0); }), ClickRange);
    EXPECT_TRUE(loose.selectionIndexes().empty());
}

TEST(ScopeBarClickBounds, TheMouseReachesEveryButtonOfBothGroups)
{
    ExactMeasurer measurer;
    ListDataSource source;
    RecordingDelegate delegate;
    SRScopeBar bar;
    bar.setDelegate(&delegate);
    fill(bar, source, {{"alpha0001", "alpha0002", "alpha0003"}, {"betaa0001", "betaa0002", "betaa0003"}}, 800);
    bar.groupAtIndex(1)->setGroupSelectionStyle(1);
    bar.groupAtIndex(1)->setSelectionIndexes({});
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    bar.repaint();

    // Left to right through the single group, then right to left through the
    // multiple one (each button toggles there), then back over it.
    const struct
    {
        int group, index;
        IndexSet single, multiple;
    } clicks[] = {
        {0, 1, {1}, {}},     {0, 2, {2}, {}},     {0, 0, {0}, {}},        {0, 0, {0}, {}},
        {1, 2, {0}, {2}},    {1, 1, {0}, {1, 2}}, {1, 0, {0}, {0, 1, 2}}, {1, 2, {0}, {0, 1}},
        {1, 0, {0}, {1}},    {1, 1, {0}, {}},
    };
    for (const auto &click : clicks) {
        SCOPED_TRACE(QStringLiteral("group %1 object %2").arg(click.group).arg(click.index).toStdString());
        const QPoint at = bar.helperAtIndex(click.group)->buttonRects().at(click.index).center().toPoint();
        movePointerTo(bar, at);
        QTest::mouseClick(&bar, Qt::LeftButton, {}, at);
        EXPECT_EQ(bar.groupAtIndex(0)->selectionIndexes(), click.single);
        EXPECT_EQ(bar.groupAtIndex(1)->selectionIndexes(), click.multiple);
        const SRScopeBarGroupHelper *helper = bar.helperAtIndex(click.group);
        ASSERT_NE(helper->trackingCell(), nullptr);
        EXPECT_EQ(helper->trackingIndex(), click.index);
        EXPECT_EQ(helper->trackingCell()->state() == platform::Cell::State::On,
                  bar.groupAtIndex(click.group)->selectionIndexes().count(click.index) > 0);
    }
}
