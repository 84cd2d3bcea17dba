#include "platform/foundation/Exception.h"
#include "platform/foundation/KeyValueObserving.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>
#include <map>
#include <memory>
#include <vector>

using platform::KeyTable;
using platform::KeyValueObservable;

namespace {

class Person : public KeyValueObservable
{
public:
    QString name;
    KeyValueObservable *partner = nullptr;

    QString className() const override { return QStringLiteral("Person"); }

protected:
    const KeyTable &keyTable() const override
    {
        static const KeyTable table{
            {QStringLiteral("name"),
             {[](const KeyValueObservable &o) { return QVariant(static_cast<const Person &>(o).name); },
              [](KeyValueObservable &o, const QVariant &v) { static_cast<Person &>(o).name = v.toString(); }}},
            {QStringLiteral("partner"),
             {[](const KeyValueObservable &o) { return fromObservable(static_cast<const Person &>(o).partner); },
              [](KeyValueObservable &o, const QVariant &v) { static_cast<Person &>(o).partner = toObservable(v); }}},
        };
        return table;
    }
};

class Employee : public Person
{
public:
    int salary = 0;

protected:
    const KeyTable &keyTable() const override
    {
        static const KeyTable table = extendKeyTable(
            Person::keyTable(),
            {{QStringLiteral("salary"),
              {[](const KeyValueObservable &o) { return QVariant(static_cast<const Employee &>(o).salary); }, {}}}});
        return table;
    }
};

} // namespace

TEST(KeyValueObserving, KeysGoThroughTheTableAndDerivedTablesExtendTheirBase)
{
    Employee e;
    e.setValueForKey(QStringLiteral("Ada"), QStringLiteral("name"));
    e.salary = 5;
    EXPECT_EQ(e.valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Ada"));
    EXPECT_EQ(e.valueForKey(QStringLiteral("salary")).toInt(), 5);
    // A read-only key cannot be set.
    EXPECT_THROW(e.setValueForKey(7, QStringLiteral("salary")), platform::Exception);
    EXPECT_EQ(e.salary, 5);
}

TEST(KeyValueObserving, UndefinedKeyRaisesItsOwnException)
{
    Person p;
    try {
        p.valueForKey(QStringLiteral("age"));
        FAIL() << "no exception";
    } catch (const platform::Exception &x) {
        EXPECT_EQ(x.name(), QStringLiteral("KVO/Undefined Key"));
        EXPECT_EQ(x.reason(), QStringLiteral("Person KVO/Undefined Key: age"));
    }
    EXPECT_THROW(p.setValueForKey(1, QStringLiteral("age")), platform::Exception);
}

TEST(KeyValueObserving, ObserversHearBeforeAndAfterASet)
{
    Person p;
    p.name = QStringLiteral("old");
    QStringList heard;
    const auto token = p.addObserver(QStringLiteral("name"), [&](KeyValueObservable &o, const QString &key, bool prior) {
        heard << QStringLiteral("%1:%2:%3").arg(key, prior ? QStringLiteral("before") : QStringLiteral("after"),
                                              o.valueForKey(key).toString());
    });
    EXPECT_TRUE(p.hasObservers(QStringLiteral("name")));
    EXPECT_FALSE(p.hasObservers(QStringLiteral("partner")));
    p.setValueForKey(QStringLiteral("new"), QStringLiteral("name"));
    EXPECT_EQ(heard, QStringList({QStringLiteral("name:before:old"), QStringLiteral("name:after:new")}));

    p.removeObserver(token);
    p.removeObserver(token); // twice is harmless
    p.setValueForKey(QStringLiteral("x"), QStringLiteral("name"));
    EXPECT_EQ(heard.size(), 2);
    EXPECT_FALSE(p.hasObservers(QStringLiteral("name")));
}

TEST(KeyValueObserving, NestedChangesOfOneKeyNotifyOnce)
{
    Person p;
    int before = 0, after = 0;
    p.addObserver(QStringLiteral("name"), [&](KeyValueObservable &, const QString &, bool prior) { ++(prior ? before : after); });
    p.willChangeValueForKey(QStringLiteral("name"));
    p.willChangeValueForKey(QStringLiteral("name"));
    p.didChangeValueForKey(QStringLiteral("name"));
    EXPECT_EQ(after, 0);
    p.didChangeValueForKey(QStringLiteral("name"));
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);
    // A bracket left open by an inner change does not swallow the next one.
    p.willChangeValueForKey(QStringLiteral("name"));
    p.didChangeValueForKey(QStringLiteral("name"));
    EXPECT_EQ(after, 2);
}

TEST(KeyValueObserving, ObserversMayRemoveThemselvesAndOthersWhileNotified)
{
    Person p;
    QStringList calls;
    platform::ObservationToken first = 0, third = 0;
    first = p.addObserver(QStringLiteral("name"), [&](KeyValueObservable &o, const QString &, bool prior) {
        calls << QStringLiteral("first");
        if (!prior) {
            o.removeObserver(first);
            o.removeObserver(third);
        }
    });
    p.addObserver(QStringLiteral("name"), [&](KeyValueObservable &, const QString &, bool) { calls << QStringLiteral("second"); });
    third = p.addObserver(QStringLiteral("name"), [&](KeyValueObservable &, const QString &, bool) { calls << QStringLiteral("third"); });
    p.setValueForKey(QStringLiteral("a"), QStringLiteral("name"));
    EXPECT_EQ(calls, QStringList({QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third"),
                                  QStringLiteral("first"), QStringLiteral("second")}));
    calls.clear();
    p.setValueForKey(QStringLiteral("b"), QStringLiteral("name"));
    EXPECT_EQ(calls, QStringList({QStringLiteral("second"), QStringLiteral("second")}));
}

TEST(KeyValueObserving, AnObserverMayDestroyTheObject)
{
    auto *p = new Person;
    int later = 0;
    p->addObserver(QStringLiteral("name"), [&](KeyValueObservable &o, const QString &, bool prior) {
        if (!prior)
            delete &o;
    });
    p->addObserver(QStringLiteral("name"), [&](KeyValueObservable &, const QString &, bool prior) { later += prior ? 0 : 1; });
    const std::weak_ptr<const void> lifetime = p->lifetime();
    p->willChangeValueForKey(QStringLiteral("name"));
    p->didChangeValueForKey(QStringLiteral("name"));
    EXPECT_TRUE(lifetime.expired());
    EXPECT_EQ(later, 0);
}

TEST(KeyValueObserving, KeyPathsFollowObjectValues)
{
    Person a, b;
    b.name = QStringLiteral("Bob");
    a.partner = &b;
    EXPECT_EQ(a.valueForKeyPath(QStringLiteral("partner.name")).toString(), QStringLiteral("Bob"));
    a.setValueForKeyPath(QStringLiteral("Robert"), QStringLiteral("partner.name"));
    EXPECT_EQ(b.name, QStringLiteral("Robert"));
    EXPECT_EQ(KeyValueObservable::toObservable(a.valueForKey(QStringLiteral("partner"))), &b);

    // A missing object along the path gives nil and takes a value nowhere.
    b.partner = nullptr;
    EXPECT_FALSE(b.valueForKeyPath(QStringLiteral("partner.name")).isValid());
    EXPECT_NO_THROW(b.setValueForKeyPath(QStringLiteral("x"), QStringLiteral("partner.name")));
    // A step that is not an object ends the path too.
    EXPECT_FALSE(b.valueForKeyPath(QStringLiteral("name.name")).isValid());
    EXPECT_EQ(KeyValueObservable::toObservable(QVariant(5)), nullptr);
}

TEST(KeyValueObserving, KeyPathsAreBounded)
{
    Person a;
    a.partner = &a; // a cycle: the path would never end by itself
    QStringList steps;
    for (int i = 0; i < KeyValueObservable::MaximumKeyPathDepth; ++i)
        steps << QStringLiteral("partner");
    steps << QStringLiteral("name");
    EXPECT_THROW(a.valueForKeyPath(steps.join(QLatin1Char('.'))), platform::Exception);
    steps.removeFirst();
    EXPECT_NO_THROW(a.valueForKeyPath(steps.join(QLatin1Char('.'))));
}

// Random observers added and removed on several keys and random changes of them, some
// nested, some made by an observer of another key while it is told: after every step
// each key has observers exactly while some are registered, each observer has heard
// every outermost change of its key once, and an observer always finds the record of
// the change it is told of, also after a change of another key made meanwhile.
TEST(KeyValueObserving, RandomObserversAndNestedChangesOfSeveralKeys)
{
    for (const quint32 seed : {1u, 7u, 93u}) {
        SCOPED_TRACE(seed);
        QRandomGenerator random(seed);
        Person p;
        const QStringList keys{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")};
        struct Watch
        {
            QString key;
            std::shared_ptr<int> heard;
            int expected = 0;
        };
        // By the order they were added (an observer's own place never moves).
        std::map<platform::ObservationToken, Watch> watches;
        std::map<QString, int> depth; // brackets kept open, per key
        bool recordMissing = false;
        const auto count = [&](const QString &key) {
            return std::count_if(watches.begin(), watches.end(), [&](const auto &w) { return w.second.key == key; });
        };
        const auto expectChange = [&](const QString &key) {
            for (auto &[token, w] : watches)
                if (w.key == key)
                    ++w.expected;
        };
        for (int step = 0; step < 400; ++step) {
            const QString key = keys.at(qsizetype(random.bounded(int(keys.size()))));
            switch (random.bounded(4)) {
            case 0: {
                const auto heard = std::make_shared<int>(0);
                const platform::ObservationToken token = p.addObserver(key, [&, key, heard](KeyValueObservable &o, const QString &told, bool prior) {
                    const platform::KeyValueChange *record = o.changeForKey(key);
                    if (told != key || !record)
                        recordMissing = true;
                    if (prior)
                        return;
                    ++*heard;
                    // The first key's observers change the last key meanwhile.
                    if (key == QStringLiteral("a")) {
                        o.willChangeValueForKey(QStringLiteral("d"));
                        o.didChangeValueForKey(QStringLiteral("d"));
                        if (o.changeForKey(key) != record)
                            recordMissing = true;
                    }
                });
                watches[token] = Watch{key, heard, 0};
                break;
            }
            case 1:
                if (!watches.empty()) {
                    auto it = std::next(watches.begin(), qsizetype(random.bounded(int(watches.size()))));
                    p.removeObserver(it->first);
                    watches.erase(it);
                }
                break;
            case 2:
                // A key nobody watches keeps no bracket.
                if (count(key) > 0 || depth[key] > 0)
                    ++depth[key];
                p.willChangeValueForKey(key);
                break;
            default:
                // The outermost close of a bracket, or a close without one, is told.
                if (depth[key] == 0 || --depth[key] == 0) {
                    expectChange(key);
                    if (key == QStringLiteral("a") && depth[QStringLiteral("d")] == 0)
                        for (qsizetype i = 0; i < count(QStringLiteral("a")); ++i)
                            expectChange(QStringLiteral("d"));
                }
                p.didChangeValueForKey(key);
                break;
            }
            for (const QString &k : keys)
                ASSERT_EQ(p.hasObservers(k), count(k) > 0) << qPrintable(k) << " at step " << step;
            for (const auto &[token, w] : watches)
                ASSERT_EQ(*w.heard, w.expected) << qPrintable(w.key) << " at step " << step;
            ASSERT_FALSE(recordMissing) << "at step " << step;
        }
    }
}
