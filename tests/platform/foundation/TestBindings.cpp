#include "platform/foundation/Bindings.h"
#include "platform/foundation/ValueTransformer.h"

#include <gtest/gtest.h>

#include <QObject>

using platform::KeyTable;
using platform::KeyValueObservable;

namespace {

class Item : public KeyValueObservable
{
public:
    QString title;
    KeyValueObservable *child = nullptr;

protected:
    const KeyTable &keyTable() const override
    {
        static const KeyTable table{
            {QStringLiteral("title"),
             {[](const KeyValueObservable &o) { return QVariant(static_cast<const Item &>(o).title); },
              [](KeyValueObservable &o, const QVariant &v) { static_cast<Item &>(o).title = v.toString(); }}},
            {QStringLiteral("child"),
             {[](const KeyValueObservable &o) { return fromObservable(static_cast<const Item &>(o).child); },
              [](KeyValueObservable &o, const QVariant &v) { static_cast<Item &>(o).child = toObservable(v); }}},
        };
        return table;
    }
};

class Upper : public platform::ValueTransformer
{
public:
    QVariant transformedValue(const QVariant &v) const override { return v.toString().toUpper(); }
    QVariant reverseTransformedValue(const QVariant &v) const override { return v.toString().toLower(); }
};

} // namespace

TEST(Bindings, InfoIsKeptPerObjectAndBinding)
{
    QObject control;
    Item model;
    const QVariantMap options{{QStringLiteral("NSValueTransformerName"), QStringLiteral("NSNegateBoolean")}};
    platform::bind(&control, QStringLiteral("value"), &model, QStringLiteral("title"), options);
    auto info = platform::infoForBinding(&control, QStringLiteral("value"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->observedObject, &model);
    EXPECT_EQ(info->keyPath, QStringLiteral("title"));
    EXPECT_EQ(info->options, options);
    EXPECT_FALSE(platform::infoForBinding(&control, QStringLiteral("enabled")));
    EXPECT_EQ(platform::boundBindings(&control), QStringList{QStringLiteral("value")});

    platform::unbind(&control, QStringLiteral("value"));
    EXPECT_FALSE(platform::infoForBinding(&control, QStringLiteral("value")));
}

// The test asks about addresses of objects that are gone: they are only keys then.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdangling-pointer"
#pragma GCC diagnostic ignored "-Wuse-after-free"
TEST(Bindings, DestroyedObjectsForgetTheirBindings)
{
    Item model;
    const void *address = nullptr;
    {
        QObject control;
        address = &control;
        platform::bind(&control, QStringLiteral("value"), &model, QStringLiteral("title"));
    }
    EXPECT_FALSE(platform::infoForBinding(address, QStringLiteral("value")));

    auto bound = std::make_unique<Item>();
    address = bound.get();
    platform::bind(bound.get(), QStringLiteral("value"), &model, QStringLiteral("title"));
    EXPECT_TRUE(platform::infoForBinding(address, QStringLiteral("value")));
    bound.reset();
    EXPECT_FALSE(platform::infoForBinding(address, QStringLiteral("value")));
}

#pragma GCC diagnostic pop

TEST(Bindings, AnObservedObjectThatDiesLeavesANullObservedObject)
{
    QObject control;
    auto model = std::make_unique<Item>();
    platform::bind(&control, QStringLiteral("value"), model.get(), QStringLiteral("title"));
    model.reset();
    auto info = platform::infoForBinding(&control, QStringLiteral("value"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->observedObject, nullptr);
    EXPECT_FALSE(platform::valueForBinding(&control, QStringLiteral("value")).isValid());
}

TEST(Bindings, TransformersComeFromTheObjectOrTheName)
{
    QObject control;
    Item model;
    model.title = QStringLiteral("abc");
    auto upper = std::make_shared<Upper>();
    platform::ValueTransformer::setValueTransformer(upper, QStringLiteral("TestUpper"));
    EXPECT_EQ(platform::ValueTransformer::valueTransformerForName(QStringLiteral("TestUpper")), upper);

    platform::bind(&control, QStringLiteral("byName"), &model, QStringLiteral("title"),
                   {{QStringLiteral("NSValueTransformerName"), QStringLiteral("TestUpper")}});
    EXPECT_EQ(platform::valueForBinding(&control, QStringLiteral("byName")).toString(), QStringLiteral("ABC"));

    // The object wins over the name.
    platform::bind(&control, QStringLiteral("byObject"), &model, QStringLiteral("title"),
                   {{QStringLiteral("NSValueTransformer"), platform::ValueTransformer::toVariant(upper)},
                    {QStringLiteral("NSValueTransformerName"), QStringLiteral("NSNegateBoolean")}});
    EXPECT_EQ(platform::transformerForBinding(*platform::infoForBinding(&control, QStringLiteral("byObject"))), upper);

    platform::ValueTransformer::setValueTransformer(nullptr, QStringLiteral("TestUpper"));
    EXPECT_EQ(platform::ValueTransformer::valueTransformerForName(QStringLiteral("TestUpper")), nullptr);
    EXPECT_EQ(platform::valueForBinding(&control, QStringLiteral("byName")).toString(), QStringLiteral("abc"));
}

TEST(Bindings, StandardTransformers)
{
    auto negate = platform::ValueTransformer::valueTransformerForName(QStringLiteral("NSNegateBoolean"));
    ASSERT_TRUE(negate);
    EXPECT_EQ(negate->transformedValue(true), QVariant(false));
    EXPECT_EQ(negate->reverseTransformedValue(false), QVariant(true));
    auto isNil = platform::ValueTransformer::valueTransformerForName(QStringLiteral("NSIsNil"));
    ASSERT_TRUE(isNil);
    EXPECT_FALSE(isNil->allowsReverseTransformation());
    EXPECT_EQ(isNil->transformedValue(QVariant()), QVariant(true));
    EXPECT_EQ(isNil->transformedValue(KeyValueObservable::fromObservable(nullptr)), QVariant(true));
    EXPECT_EQ(isNil->transformedValue(QStringLiteral("x")), QVariant(false));
}

TEST(Bindings, AnObserverFollowsEveryStepOfTheKeyPath)
{
    Item root, first, second;
    first.title = QStringLiteral("one");
    second.title = QStringLiteral("two");
    root.child = &first;
    QObject control;
    platform::bind(&control, QStringLiteral("value"), &root, QStringLiteral("child.title"));

    QStringList seen;
    auto observer = std::make_unique<platform::BindingObserver>(&control, QStringLiteral("value"), [&] {
        seen << platform::valueForBinding(&control, QStringLiteral("value")).toString();
    });
    ASSERT_TRUE(observer->isObserving());
    EXPECT_EQ(observer->value().toString(), QStringLiteral("one"));

    first.setValueForKey(QStringLiteral("uno"), QStringLiteral("title"));
    root.setValueForKey(KeyValueObservable::fromObservable(&second), QStringLiteral("child"));
    // The old child is no longer followed, the new one is.
    first.setValueForKey(QStringLiteral("ignored"), QStringLiteral("title"));
    second.setValueForKey(QStringLiteral("dos"), QStringLiteral("title"));
    EXPECT_EQ(seen, QStringList({QStringLiteral("uno"), QStringLiteral("two"), QStringLiteral("dos")}));
    EXPECT_FALSE(first.hasObservers(QStringLiteral("title")));

    observer.reset();
    EXPECT_FALSE(root.hasObservers(QStringLiteral("child")));
    EXPECT_FALSE(second.hasObservers(QStringLiteral("title")));
}

TEST(Bindings, AnObserverOutlivingItsObjectsIsHarmless)
{
    auto root = std::make_unique<Item>();
    auto child = std::make_unique<Item>();
    root->child = child.get();
    int changes = 0;
    platform::BindingObserver observer(root.get(), QStringLiteral("child.title"), [&] { ++changes; });
    child.reset(); // dies without its parent announcing it
    root->setValueForKey(KeyValueObservable::fromObservable(nullptr), QStringLiteral("child"));
    EXPECT_EQ(changes, 1);
    root.reset();
    EXPECT_FALSE(observer.value().isValid());
    // Not bound: observes nothing.
    platform::BindingObserver none(&changes, QStringLiteral("value"), [] {});
    EXPECT_FALSE(none.isObserving());
}
