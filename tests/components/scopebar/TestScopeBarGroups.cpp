// Groups, their exceptions, selection, notifications and bindings.
#include "ScopeBarTestSupport.h"
#include "platform/foundation/ArrayController.h"
#include "platform/foundation/Exception.h"

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

} // namespace

TEST(ScopeBarGroups, ExceptionsCarryTheirReasons)
{
    SRScopeBar bar;
    ListDataSource source;
    fill(bar, source, {{"a", "b"}}, 300);
    auto group = bar.groupAtIndex(0);
    const std::vector<std::pair<std::function<void()>, QString>> cases = {
        {[&] { bar.groupAtIndex(1); }, "NSRangeException SRScopeBar:groupAtIndex: groupIndex invalid"},
        {[&] { bar.insertGroup(std::make_shared<SRScopeBarGroup>(), 2); },
         "NSRangeException SRScopeBar:insertGroup:atIndex: groupIndex invalid"},
        {[&] { bar.removeGroupAtIndex(1); }, "NSRangeException SRScopeBar:removeGroup:atIndex: groupIndex invalid"},
        {[&] { bar.moveGroupWithIndex(1, 0); },
         "NSRangeException SRScopeBar:moveGroupWithIndex:toIndex: originalIndex invalid"},
        {[&] { bar.moveGroupWithIndex(0, 1); },
         "NSRangeException SRScopeBar:moveGroupWithIndex:toIndex: destinationIndex invalid"},
        {[&] { bar.reloadDataForGroup(3); }, "NSRangeException SRScopeBar:reloadDataForGroup: groupIndex invalid"},
        {[&] { bar.preparedButtonCellForGroup(0, 2); },
         "NSRangeException SRScopeBar:preparedButtonCellForGroup:object: objectIndex invalid"},
        {[&] { bar.preparedPopUpCellForGroup(1); },
         "NSRangeException SRScopeBar:preparedPopUpCellForGroup: groupIndex invalid"},
        {[&] { group->objectAtIndex(2); }, "NSRangeException SRScopeBarGroup:objectAtIndex: objectIndex invalid"},
        {[&] { group->selectObjectWithIndex(-1); },
         "NSRangeException SRScopeBarGroup:selectObjectWithIndex: objectIndex invalid"},
        {[&] { group->didClickObject(5); },
         "NSRangeException SRScopeBarGroup:didClickObject_:alwaysSetToOnState: objectIndex invalid"},
        {[&] { group->selectObject(QStringLiteral("z")); },
         "NSInvalidArgumentException SRScopeBarGroup:selectObject theObject not a member of this group"},
        {[&] { SRScopeBarGroupHelper helper; },
         "SRScopeBarException An instance of an SRScopeBarGroupHelper was initialized using init instead of "
         "initWithGroup:inScopeBar:"},
    };
    for (const auto &[call, reason] : cases)
        EXPECT_EQ(reasonOf(call), reason);
    EXPECT_EQ(group->selectionIndexes(), IndexSet{0}); // nothing changed
}

TEST(ScopeBarGroups, SeparatorsAndGroupsAnnouncements)
{
    SRScopeBar bar;
    QStringList announced;
    bar.addObserver(QStringLiteral("groups"), [&](platform::KeyValueObservable &, const QString &key, bool prior) {
        if (!prior)
            announced << key;
    });
    bar.addObserver(QStringLiteral("numberOfGroups"),
                    [&](platform::KeyValueObservable &, const QString &key, bool prior) {
                        if (!prior)
                            announced << key;
                    });
    auto first = bar.addGroup();
    auto second = bar.addGroup();
    EXPECT_FALSE(first->showsSeparator());
    EXPECT_TRUE(second->showsSeparator());
    EXPECT_EQ(announced.size(), 4);
    announced.clear();
    bar.moveGroupWithIndex(0, 1);
    EXPECT_TRUE(announced.isEmpty());
    EXPECT_EQ(bar.groupAtIndex(1), first);
    bar.removeGroup(first.get());
    EXPECT_EQ(announced, (QStringList{"numberOfGroups", "groups"}));
    EXPECT_EQ(first->scopeBar(), nullptr);
    // Setting groups that are not groups fails after the ones before stay added.
    const QList<platform::CodingPtr> objects{second, std::make_shared<SRButtonCell>()};
    EXPECT_EQ(reasonOf([&] { bar.setGroupObjects(objects); }),
              "NSInvalidArgumentException SRScopeBar:setGroups: element in array not of class SRScopeBarGroup");
    EXPECT_EQ(bar.numberOfGroups(), 1);
}

TEST(ScopeBarGroups, SelectionNotificationsAndPlaceholders)
{
    SRScopeBar bar;
    ListDataSource source;
    RecordingDelegate delegate;
    bar.setDelegate(&delegate);
    fill(bar, source, {{"a", "b", "c"}, {"x", "y"}}, 400);
    auto single = bar.groupAtIndex(0);
    single->setIdentifier(QStringLiteral("kind"));
    auto multiple = bar.groupAtIndex(1);
    multiple->setGroupSelectionStyle(1);
    multiple->setSelectionIndexes({});
    EXPECT_EQ(single->selectionIndexes(), IndexSet{0}); // style 0 always has one
    delegate.heard.clear();

    single->selectObjectWithIndex(0); // already selected: silent
    EXPECT_TRUE(delegate.heard.isEmpty());
    single->setSelectionIndexes({0}); // equal: reloads, posts nothing
    EXPECT_TRUE(delegate.heard.isEmpty());
    single->didClickObject(2);
    ASSERT_EQ(delegate.heard.size(), 1);
    EXPECT_EQ(delegate.heard.at(0).object, &bar);
    EXPECT_EQ(delegate.heard.at(0).userInfo, (QVariantMap{{"SRGroupIdentifierKey", "kind"}}));

    multiple->didClickObject(0);
    multiple->didClickObject(1);
    EXPECT_EQ(multiple->selectionIndexes(), (IndexSet{0, 1}));
    EXPECT_EQ(delegate.heard.last().userInfo, QVariantMap()); // no identifier
    EXPECT_EQ(bar.preparedPopUpCellForGroup(1)->menuItemTitle(), "<Multiple>");
    multiple->didClickObject(0); // toggles off
    multiple->didClickObject(1);
    EXPECT_TRUE(multiple->selectionIndexes().empty());
    EXPECT_EQ(bar.preparedPopUpCellForGroup(1)->menuItemTitle(), "<Untitled>");
    multiple->setNoSelectionPlaceholder(QStringLiteral("Any"));
    EXPECT_EQ(bar.preparedPopUpCellForGroup(1)->menuItemTitle(), "Any");
    // A selected index past the objects is skipped, not raised.
    multiple->setSelectionIndexes({7});
    EXPECT_EQ(bar.preparedPopUpCellForGroup(1)->menuItemTitle(), "Any");
    EXPECT_EQ(bar.preparedPopUpCellForGroup(0)->menuItemTitle(), "c");

    // Labels: setting one shows it; outside a bar the plain label has no attributes.
    SRScopeBarGroup loose;
    loose.setLabel(QStringLiteral("Kind"));
    EXPECT_TRUE(loose.showsLabel());
    EXPECT_FALSE(loose.attributedLabel().attributes.color.has_value());
    EXPECT_FALSE(loose.attributedLabel().attributes.font.has_value());
    loose.setLabel(QString());
    EXPECT_FALSE(loose.showsLabel());
}

TEST(ScopeBarGroups, AnEmptyLabelIsStillALabel)
{
    SRScopeBarGroup group;
    group.setLabel(u""_qs);
    EXPECT_TRUE(group.showsLabel());
    group.setLabel(QString());
    EXPECT_FALSE(group.showsLabel());
    // An attributed label keeps it on when the plain one goes.
    group.setAttributedLabel(SRAttributedLabel{u"Kind"_qs, {}});
    group.setLabel(u""_qs);
    group.setLabel(QString());
    EXPECT_TRUE(group.showsLabel());
    group.setAttributedLabel(std::nullopt);
    EXPECT_FALSE(group.showsLabel());
}

TEST(ScopeBarGroups, DelegateWithoutTheMethodIsNotRegistered)
{
    class Silent : public QObject
    {
    } silent;
    SRScopeBar bar;
    const int before = platform::NotificationCenter::defaultCenter().observerCount();
    bar.setDelegate(&silent);
    EXPECT_EQ(platform::NotificationCenter::defaultCenter().observerCount(), before);
    RecordingDelegate delegate;
    bar.setDelegate(&delegate);
    EXPECT_EQ(platform::NotificationCenter::defaultCenter().observerCount(), before + 1);
    bar.setDelegate(nullptr);
    EXPECT_EQ(platform::NotificationCenter::defaultCenter().observerCount(), before);
}

TEST(ScopeBarGroups, SelectionFollowsTheArrayControllerBothWays)
{
    ExactMeasurer measurer;
    SRScopeBar bar;
    platform::ArrayController controller;
    controller.setContentArray({"red", "green", "blue"});
    platform::ArrayController titles;
    titles.setContentArray({"Red", "Green", "Blue"});
    auto group = bar.addGroup();
    group->bind(SRScopeBarGroup::ContentBinding, &controller, QStringLiteral("arrangedObjects"));
    group->bind(SRScopeBarGroup::ContentValuesBinding, &titles, QStringLiteral("arrangedObjects"));
    bar.reloadData();
    EXPECT_EQ(group->numberOfObjects(), 3);
    EXPECT_EQ(controller.selectionIndexes(), QList<qsizetype>{0});
    EXPECT_EQ(bar.preparedButtonCellForGroup(0, 1)->title(), "Green");

    group->didClickObject(2);
    EXPECT_EQ(controller.selectionIndexes(), QList<qsizetype>{2});
    controller.setSelectionIndexes({1});
    EXPECT_EQ(group->selectionIndexes(), IndexSet{1});
    EXPECT_EQ(group->selectedObject(), QVariant("green"));
    // Read live: a new content shows at once.
    controller.setContentArray({"red", "green", "blue", "black"});
    EXPECT_EQ(group->numberOfObjects(), 4);

    // Bound to anything but an array controller, a selection change is an internal
    // inconsistency.
    SRScopeBarGroup other;
    other.bind(SRScopeBarGroup::ContentBinding, group.get(), QStringLiteral("selectionIndexes"));
    try {
        group->setSelectionIndexes({0});
        ADD_FAILURE() << "no assertion";
    } catch (const platform::Exception &exception) {
        EXPECT_EQ(exception.name(), platform::Exception::InternalInconsistencyException);
        EXPECT_EQ(exception.reason(),
                  "SRScopeBarGroup: Observing selectionIndexes from object not of class NSArrayController");
    }
}

TEST(ScopeBarGroups, GroupThatOutlivesItsBarForgetsIt)
{
    std::shared_ptr<SRScopeBarGroup> group;
    {
        SRScopeBar bar;
        ListDataSource source;
        fill(bar, source, {{"a"}}, 200);
        group = bar.groupAtIndex(0);
        EXPECT_EQ(group->scopeBar(), &bar);
    }
    EXPECT_EQ(group->scopeBar(), nullptr);
    group->setShowsSeparator(false); // would reload the freed bar
    group->setSelectionIndexes({0});
    EXPECT_EQ(group->numberOfObjects(), 0);
}
