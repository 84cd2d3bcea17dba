// Change records, key paths across arrays, following bindings and the array
// controller that uses all three.
#include "platform/foundation/ArrayController.h"
#include "platform/foundation/Bindings.h"

#include <gtest/gtest.h>

using platform::ArrayController;
using platform::KeyTable;
using platform::KeyValueChange;
using platform::KeyValueChangeKind;
using platform::KeyValueObservable;

namespace {

class Item : public KeyValueObservable
{
public:
    explicit Item(QString text = {}) : descript(std::move(text)) {}
    QString descript;
    QVariantList tags;

protected:
    const KeyTable &keyTable() const override
    {
        static const KeyTable table{
            {QStringLiteral("descript"),
             {[](const KeyValueObservable &o) { return QVariant(static_cast<const Item &>(o).descript); },
              [](KeyValueObservable &o, const QVariant &v) { static_cast<Item &>(o).descript = v.toString(); }}},
            {QStringLiteral("tags"),
             {[](const KeyValueObservable &o) { return QVariant(static_cast<const Item &>(o).tags); },
              [](KeyValueObservable &o, const QVariant &v) { static_cast<Item &>(o).tags = v.toList(); }}},
        };
        return table;
    }
};

QVariant ref(Item &item)
{
    return KeyValueObservable::fromObservable(&item);
}

struct Recorded
{
    KeyValueChangeKind kind;
    QList<qsizetype> indexes;
    QVariant oldValue, newValue;
};

} // namespace

TEST(ArrayController, ChangesOfTheArrangedObjectsCarryTheirKindIndexesAndValues)
{
    Item a(QStringLiteral("a")), b(QStringLiteral("b")), c(QStringLiteral("c"));
    ArrayController controller;
    std::vector<Recorded> seen;
    controller.addObserver(
        QStringLiteral("arrangedObjects"),
        [&](KeyValueObservable &object, const QString &key, bool prior) {
            const KeyValueChange *change = object.changeForKey(key);
            ASSERT_NE(change, nullptr);
            if (!prior)
                seen.push_back({change->kind, change->indexes, change->oldValue, change->newValue});
        },
        true);

    controller.setContentArray({ref(a), ref(b)});
    controller.insertObjectAtArrangedObjectIndex(ref(c), 0);
    controller.replaceObjectAtArrangedObjectIndex(1, ref(b));
    controller.removeObjectsAtArrangedObjectIndexes({2, 0});

    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].kind, KeyValueChangeKind::Setting);
    EXPECT_EQ(seen[0].newValue.toList().size(), 2);
    EXPECT_EQ(seen[1].kind, KeyValueChangeKind::Insertion);
    EXPECT_EQ(seen[1].indexes, QList<qsizetype>{0});
    EXPECT_EQ(seen[1].newValue, QVariant(QVariantList{ref(c)}));
    EXPECT_EQ(seen[2].kind, KeyValueChangeKind::Replacement);
    EXPECT_EQ(seen[2].oldValue, QVariant(QVariantList{ref(a)}));
    EXPECT_EQ(seen[2].newValue, QVariant(QVariantList{ref(b)}));
    EXPECT_EQ(seen[3].kind, KeyValueChangeKind::Removal);
    EXPECT_EQ(seen[3].indexes, (QList<qsizetype>{0, 2}));
    EXPECT_EQ(seen[3].oldValue, QVariant(QVariantList{ref(c), ref(b)}));
    EXPECT_EQ(controller.arrangedObjects(), QVariantList{ref(b)});
    EXPECT_EQ(controller.changeForKey(QStringLiteral("arrangedObjects")), nullptr);
}

TEST(ArrayController, SelectionFollowsItsElementsAndRefusesOtherClasses)
{
    Item a, b, c;
    ArrayController controller;
    controller.setObjectClass([](const QVariant &v) { return dynamic_cast<Item *>(KeyValueObservable::toObservable(v)); });
    controller.setContentArray({ref(a), ref(b), ref(c)});
    EXPECT_EQ(controller.selectionIndex(), 0); // never empty while there are elements
    controller.setSelectionIndexes({2, 1, 7});
    EXPECT_EQ(controller.selectionIndexes(), (QList<qsizetype>{1, 2}));
    controller.removeObjectAtArrangedObjectIndex(0);
    EXPECT_EQ(controller.selectedObjects(), (QVariantList{ref(b), ref(c)}));
    EXPECT_FALSE(controller.addObject(QStringLiteral("text")));
    EXPECT_TRUE(controller.canRemove());
    controller.setEditable(false);
    EXPECT_FALSE(controller.valueForKey(QStringLiteral("canAdd")).toBool());
}

TEST(ArrayController, KeyPathsCrossListsAndObserversFollowEachElement)
{
    Item a(QStringLiteral("one")), b(QStringLiteral("two"));
    ArrayController controller;
    controller.setContentArray({ref(a), ref(b)});
    controller.setSelectionIndexes({0, 1});

    int changes = 0;
    platform::BindingObserver observer(&controller, QStringLiteral("selectedObjects.descript"), [&] { ++changes; });
    EXPECT_EQ(observer.value(), QVariant(QVariantList{QStringLiteral("one"), QStringLiteral("two")}));
    b.setValueForKey(QStringLiteral("zwei"), QStringLiteral("descript"));
    EXPECT_EQ(changes, 1);

    // Writing through the list step sets every element; an element that is no
    // object answers null.
    controller.setValueForKeyPath(QStringLiteral("both"), QStringLiteral("selectedObjects.descript"));
    EXPECT_EQ(a.descript, QStringLiteral("both"));
    EXPECT_EQ(b.descript, QStringLiteral("both"));
    controller.setContentArray({ref(a), QStringLiteral("plain")});
    controller.setSelectionIndexes({0, 1});
    EXPECT_TRUE(platform::isNullValue(controller.valueForKeyPath(QStringLiteral("selectedObjects.descript")).toList().at(1)));

    // The new selection is observed: the old element no longer reports.
    const int before = changes;
    Item c;
    controller.setContentArray({ref(c)});
    b.setValueForKey(QStringLiteral("ignored"), QStringLiteral("descript"));
    c.setValueForKey(QStringLiteral("seen"), QStringLiteral("descript"));
    EXPECT_EQ(changes, before + 2); // the new content, then c's change
}

TEST(ArrayController, FollowingBindingsSetTheKeyUntilUnboundAndWriteInsertionsBack)
{
    Item model;
    model.tags = {QStringLiteral("x")};
    {
        ArrayController controller;
        platform::bindFollowing(&controller, QStringLiteral("contentArray"), &model, QStringLiteral("tags"));
        EXPECT_EQ(controller.contentArray(), QVariantList{QStringLiteral("x")});
        model.setValueForKey(QVariantList{QStringLiteral("y"), QStringLiteral("z")}, QStringLiteral("tags"));
        EXPECT_EQ(controller.arrangedObjects().size(), 2);

        controller.addObject(QStringLiteral("w"));
        EXPECT_EQ(model.tags.size(), 3);

        platform::unbind(&controller, QStringLiteral("contentArray"));
        model.setValueForKey(QVariantList{}, QStringLiteral("tags"));
        EXPECT_EQ(controller.arrangedObjects().size(), 3);
        platform::bindFollowing(&controller, QStringLiteral("contentArray"), &model, QStringLiteral("tags"));
    }
    // The controller died while bound: the model changes without it.
    model.setValueForKey(QVariantList{QStringLiteral("after")}, QStringLiteral("tags"));
    EXPECT_EQ(model.tags.size(), 1);
}
