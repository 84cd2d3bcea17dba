#include "FoundationExtensions/NTXExtensions.h"
#include "FoundationExtensions/NTXNSArray_Extension.h"
#include "FoundationExtensions/NTXNSIndexPath_Extensions.h"
#include "FoundationExtensions/NTXNSIndexSet_Extension.h"
#include "FoundationExtensions/NTXNSMutableArray_Extension.h"
#include "platform/foundation/Exception.h"

#include <gtest/gtest.h>

#include <QTimer>

namespace A = NTXNSArray_Extension;
namespace M = NTXNSMutableArray_Extension;
using platform::KeyTable;
using platform::KeyValueObservable;
using platform::Range;

namespace {

class Job : public KeyValueObservable
{
public:
    explicit Job(QString c, QString n = {}) : country(std::move(c)), note(std::move(n)) {}
    QString country;
    QString note;

protected:
    const KeyTable &keyTable() const override
    {
        static const KeyTable table{
            {QStringLiteral("country"), {[](const KeyValueObservable &o) { return QVariant(static_cast<const Job &>(o).country); }, {}}},
            {QStringLiteral("note"),
             {[](const KeyValueObservable &o) {
                  const QString &n = static_cast<const Job &>(o).note;
                  return n.isEmpty() ? QVariant() : QVariant(n);
              },
              {}}},
        };
        return table;
    }
};

class Task : public Job
{
public:
    using Job::Job;
};

QVariantList strings(std::initializer_list<const char *> items)
{
    QVariantList list;
    for (const char *item : items)
        list.append(QString::fromUtf8(item));
    return list;
}

} // namespace

TEST(ArrayExtension, FilteringByKeyAndKeyPath)
{
    Job de(QStringLiteral("DE"), QStringLiteral("n")), fr(QStringLiteral("FR")), de2(QStringLiteral("DE"));
    const QList<Job *> jobs{&de, &fr, &de2};
    EXPECT_EQ(A::arrayFromArray(jobs, QStringLiteral("country"), QStringLiteral("DE")), QList<Job *>({&de, &de2}));
    EXPECT_EQ(A::arrayFromArrayForKeyPathMatching(jobs, QStringLiteral("country"), QStringLiteral("FR")), QList<Job *>{&fr});
    EXPECT_EQ(A::arrayFromArrayForKeyPath(jobs, QStringLiteral("note")), QList<Job *>{&de});

    const QVariantList maps{QVariantMap{{QStringLiteral("k"), 1}}, QVariantMap{{QStringLiteral("k"), 2}}};
    EXPECT_EQ(A::arrayFromArray(maps, QStringLiteral("k"), 2), QVariantList{maps.at(1)});

    // A nil value matches nothing, not even the elements whose value is nil.
    EXPECT_TRUE(A::arrayFromArray(jobs, QStringLiteral("note"), QVariant()).isEmpty());
    EXPECT_TRUE(A::arrayFromArrayForKeyPathMatching(jobs, QStringLiteral("note"), QVariant()).isEmpty());
    EXPECT_TRUE(A::arrayFromArray(maps, QStringLiteral("absent"), QVariant()).isEmpty());
}

TEST(ArrayExtension, FirstObjectAndJoining)
{
    EXPECT_FALSE(A::firstObject(QVariantList()).isValid());
    EXPECT_EQ(A::firstObject(QList<Job *>()), nullptr);
    EXPECT_EQ(A::anyObject(strings({"a", "b"})).toString(), QStringLiteral("a"));

    EXPECT_EQ(A::componentsJoinedByComma(strings({"a", "b", "c"})), QStringLiteral("a, b, c"));
    EXPECT_EQ(A::componentsJoinedByCommaAndAnd(QStringList()), QString());
    EXPECT_FALSE(A::componentsJoinedByCommaAndAnd(QStringList()).isNull()); // the empty string, not nil
    EXPECT_EQ(A::componentsJoinedByCommaAndAnd(QStringList{QStringLiteral("Ann")}), QStringLiteral("Ann"));
    EXPECT_EQ(A::componentsJoinedByCommaAndAnd(QStringList({QStringLiteral("Ann"), QStringLiteral("Bo")})),
              QStringLiteral("Ann and Bo"));
    EXPECT_EQ(A::componentsJoinedByCommaAndAnd(QStringList({QStringLiteral("Ann"), QStringLiteral("Bo"), QStringLiteral("Cy")})),
              QStringLiteral("Ann, Bo, and Cy"));
    EXPECT_EQ(A::componentsJoinedByCommaAndAnd(QVariantList({1, 2.5, QVariant()})), QStringLiteral("1, 2.5, and (null)"));
}

TEST(ArrayExtension, IndexOfString)
{
    const QVariantList list{5, QStringLiteral("Apple"), QStringLiteral("Johnny"), QStringLiteral("banana"),
                            QStringLiteral("Bananas")};
    const struct {
        const char *string;
        NTXNSStringExtension::SearchOptions options;
        std::optional<Range> range;
        qsizetype index;
    } cases[] = {
        {"banana", 0, std::nullopt, 3},
        {"BANANA", NTXNSStringExtension::CaseInsensitiveSearch, std::nullopt, 3},
        {"pear", 0, std::nullopt, Range::NotFound},
        // The whole element is compared: a beginning is no match.
        {"Jo", 0, std::nullopt, Range::NotFound},
        {"Ban", 0, std::nullopt, Range::NotFound},
        // The range is taken in the given string.
        {"xxJohnnyyy", 0, Range(2, 6), 2},
        {"Bananas!", 0, Range(0, 7), 4},
        {"Bananas!", 0, Range(0, 6), Range::NotFound},
        {"apple", NTXNSStringExtension::CaseInsensitiveSearch, Range(0, 5), 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(A::indexOfString(list, QString::fromUtf8(c.string), c.options, c.range), c.index) << c.string;
    EXPECT_EQ(A::indexOfString(QStringList({QStringLiteral("Johnny"), QStringLiteral("Jo")}), QStringLiteral("Jo")), 1);

    // A range beyond the given string is the caller's error.
    EXPECT_THROW(A::indexOfString(list, QStringLiteral("x"), 0, Range(40, 1)), platform::Exception);
    EXPECT_THROW(A::indexOfString(QStringList(), QStringLiteral("abc"), 0, Range(1, 3)), platform::Exception);

    // Canonically equivalent forms are the same unless the search is literal.
    const QStringList accents{QString::fromUtf8("cafe\xCC\x81")};
    EXPECT_EQ(A::indexOfString(accents, QString::fromUtf8("caf\xC3\xA9"), 0, Range(0, 4)), 0);
    EXPECT_EQ(A::indexOfString(accents, QString::fromUtf8("caf\xC3\xA9"), NTXNSStringExtension::LiteralSearch, Range(0, 4)),
              Range::NotFound);
}

TEST(ArrayExtension, IdentityOperations)
{
    auto a = std::make_shared<Job>(QStringLiteral("A"));
    auto b = std::make_shared<Job>(QStringLiteral("B"));
    auto c = std::make_shared<Job>(QStringLiteral("C"));
    const QList<std::shared_ptr<Job>> list{a, b, c, a};
    EXPECT_TRUE(A::containsObjectIdenticalTo(list, b));
    EXPECT_FALSE(A::containsObjectIdenticalTo(list, std::make_shared<Job>(QStringLiteral("B"))));
    EXPECT_EQ(A::arrayByRemovingObjectIdenticalTo(list, a), QList<std::shared_ptr<Job>>({b, c}));
    EXPECT_TRUE(A::isIdenticalToArray(list, QList<std::shared_ptr<Job>>({a, b, c, a})));
    EXPECT_FALSE(A::isIdenticalToArray(list, QList<std::shared_ptr<Job>>({a, b, c})));

    EXPECT_TRUE(A::containsObjectsInOrder(list, QList<std::shared_ptr<Job>>({a, c})));
    EXPECT_TRUE(A::containsObjectsInOrder(list, QList<std::shared_ptr<Job>>()));
    EXPECT_TRUE(A::containsObjectsInOrder(list, QList<std::shared_ptr<Job>>({b, a})));
    // c occurs only after b: asking for c then b fails.
    EXPECT_FALSE(A::containsObjectsInOrder(list, QList<std::shared_ptr<Job>>({c, b})));
    EXPECT_FALSE(A::containsObjectsInOrder(QList<std::shared_ptr<Job>>{a}, QList<std::shared_ptr<Job>>({a, a})));

    const QList<std::shared_ptr<Job>> wanted{c, std::make_shared<Job>(QStringLiteral("X")), a};
    EXPECT_EQ(A::indexSetForObjects(list, wanted), NTXNSIndexSet_Extension::IndexSet({0, 2}));

    // Values held by value have no identity.
    const QVariantList values{QStringLiteral("s")};
    EXPECT_FALSE(A::containsObjectIdenticalTo(values, QVariant(QStringLiteral("s"))));
    Job j(QStringLiteral("J"));
    EXPECT_TRUE(A::containsObjectIdenticalTo(QVariantList{KeyValueObservable::fromObservable(&j)},
                                             KeyValueObservable::fromObservable(&j)));
}

TEST(ArrayExtension, SelectorOperations)
{
    const QVariantList numbers{1, 2, 3, 4};
    const auto evenOrNil = [](const QVariant &v) { return v.toInt() % 2 == 0 ? QVariant(v.toInt() * 10) : QVariant(); };
    EXPECT_EQ(A::arrayByPerformingSelector(numbers, evenOrNil), QVariantList({20, 40}));
    EXPECT_EQ(A::arrayByPerformingSelector(numbers, [](const QVariant &v, int add) { return QVariant(v.toInt() + add); }, 1),
              QVariantList({2, 3, 4, 5}));
    EXPECT_EQ(A::decimalNumberSumForSelector(numbers, evenOrNil), NTXDecimalNumber(60));
    EXPECT_EQ(A::decimalNumberSumForSelector(QVariantList(), evenOrNil).toString(), QStringLiteral("0"));
    EXPECT_EQ(A::numberedArrayDescribedBySelector(QVariantList({QStringLiteral("a"), QStringLiteral("b")}),
                                                  [](const QVariant &v) { return v; }),
              QStringList({QStringLiteral("0. a"), QStringLiteral("1. b")}));

    const auto parity = [](const QVariant &v) { return std::optional<int>(v.toInt() % 2); };
    const QHash<int, QVariant> index = A::indexBySelector<int>(numbers, parity);
    EXPECT_EQ(index.value(0), QVariant(4)); // the later element wins
    EXPECT_EQ(index.value(1), QVariant(3));
    EXPECT_EQ(A::setByPerformingSelector<int>(numbers, parity), QSet<int>({0, 1}));
    EXPECT_TRUE(A::setByPerformingSelector<int>(numbers, [](const QVariant &) { return std::optional<int>(); }).isEmpty());

    QStringList calls;
    A::makeObjectsPerformSelector(QStringList({QStringLiteral("x"), QStringLiteral("y")}),
                                  [&](const QString &s, const QString &a, int b) { calls << s + a + QString::number(b); },
                                  QStringLiteral("-"), 1);
    A::makeObjectsPerformSelector(QStringList{QStringLiteral("z")}, [&](const QString &s, bool f) { calls << s + (f ? "!" : "?"); }, true);
    EXPECT_EQ(calls, QStringList({QStringLiteral("x-1"), QStringLiteral("y-1"), QStringLiteral("z!")}));
}

TEST(ArrayExtension, CopiesAndClasses)
{
    EXPECT_EQ(A::reversedArray(QVariantList({1, 2, 3})), QVariantList({3, 2, 1}));
    EXPECT_EQ(A::arrayByRemovingObject(QVariantList({1, 2, 1}), QVariant(1)), QVariantList{2});

    const QVariantList nested{1, QVariantList{2, 3}, QVariantMap{{QStringLiteral("k"), QVariantList{4}}}};
    EXPECT_EQ(A::deepMutableCopy(nested), nested);

    const auto doubleInts = [](const QVariant &v, const QVariant &factor) {
        return v.metaType().id() == QMetaType::Int ? QVariant(v.toInt() * factor.toInt()) : QVariant();
    };
    EXPECT_EQ(A::deepCopyWithReplacementFunction(QVariantList({1, QVariantList{2, QStringLiteral("s")}}), doubleInts, 3),
              QVariantList({3, QVariantList{6, QStringLiteral("s")}}));
    const QVariantList untouched{QStringLiteral("a"), QStringLiteral("b")};
    EXPECT_EQ(A::deepCopyWithReplacementFunction(untouched, doubleInts, 3), untouched);

    Job j(QStringLiteral("J"));
    Task t(QStringLiteral("T"));
    const QList<Job *> mixed{&j, &t};
    EXPECT_EQ(A::arrayWithObjectsOfClass<Task>(mixed), QList<Job *>{&t});

    QObject plain;
    QTimer timer;
    EXPECT_EQ(A::arrayWithObjectsOfClass(QList<QObject *>({&plain, &timer, nullptr}), &QTimer::staticMetaObject),
              QList<QObject *>{&timer});
    const QSet<QObject *> set{&plain, &timer};
    EXPECT_TRUE(NTXExtensions::hasMembersOfClass(set, &QTimer::staticMetaObject));
    EXPECT_EQ(NTXExtensions::membersOfClass(set, &QTimer::staticMetaObject), QList<QObject *>{&timer});
    EXPECT_TRUE((NTXExtensions::hasMembersOfClass<QTimer>(set)));
    EXPECT_EQ((NTXExtensions::membersOfClass<QTimer>(QSet<QObject *>{&plain})), QList<QObject *>());
}

TEST(ArrayExtension, IndexesAreChecked)
{
    const QVariantList list{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    EXPECT_EQ(A::arrayFromIndexes(list, {2, 0}), QVariantList({QStringLiteral("a"), QStringLiteral("c")}));
    EXPECT_THROW(A::arrayFromIndexes(list, {1, 3}), platform::Exception);
    EXPECT_THROW(A::arrayFromIndexes(list, {-1}), platform::Exception);
}

TEST(ArrayExtension, TypeConformance)
{
    EXPECT_TRUE(A::typeConformsTo(QStringLiteral("text/html"), QStringLiteral("text/plain")));
    EXPECT_TRUE(A::typeConformsTo(QStringLiteral("text/html"), QStringLiteral("text/html")));
    EXPECT_FALSE(A::typeConformsTo(QStringLiteral("text/plain"), QStringLiteral("text/html")));
    EXPECT_TRUE(A::typeConformsTo(QStringLiteral("image/png"), QStringLiteral("public.image")));
    EXPECT_TRUE(A::typeConformsTo(QStringLiteral("image/svg+xml"), QStringLiteral("public.xml")));
    EXPECT_TRUE(A::typeConformsTo(QStringLiteral("text/csv"), QStringLiteral("public.text")));
    EXPECT_TRUE(A::typeConformsTo(QStringLiteral("application/pdf"), QStringLiteral("public.data")));
    EXPECT_FALSE(A::typeConformsTo(QStringLiteral("application/pdf"), QStringLiteral("public.image")));
    EXPECT_FALSE(A::typeConformsTo(QString(), QStringLiteral("public.data")));

    EXPECT_TRUE(A::UTIConformsTo(QVariantList({5, QStringLiteral("application/pdf"), QStringLiteral("image/png")}),
                                 QStringLiteral("public.image")));
    EXPECT_FALSE(A::containsUTIConformsTo(QStringList{QStringLiteral("application/pdf")}, QStringLiteral("public.text")));
}

TEST(MutableArrayExtension, ValueForKeyAnswersTheTwoExtraKeys)
{
    const QVariantList three = strings({"a", "b", "c"});
    EXPECT_EQ(M::valueForKey(three, QStringLiteral("objectAtIndex2")), QVariant(QStringLiteral("c")));
    EXPECT_EQ(M::valueForKey(three, QStringLiteral("objectAtIndex")), QVariant(QStringLiteral("a")));
    const QVariant beyond = M::valueForKey(strings({"a", "b"}), QStringLiteral("objectAtIndex2"));
    EXPECT_EQ(beyond.metaType(), QMetaType::fromType<QString>());
    EXPECT_TRUE(beyond.toString().isEmpty());
    EXPECT_TRUE(M::valueForKey(three, QStringLiteral("objectAtIndex-1")).toString().isEmpty());
    EXPECT_TRUE(M::valueForKey(three, QStringLiteral("objectAtIndex99999999999999999999")).toString().isEmpty());
    EXPECT_EQ(M::valueForKey(three, QStringLiteral("allValues")), QVariant(QStringLiteral("a b c")));

    // Other keys: each element's value.
    Job de(QStringLiteral("DE")), fr(QStringLiteral("FR"));
    EXPECT_EQ(M::valueForKey(QList<Job *>({&de, &fr}), QStringLiteral("country")),
              QVariant(QVariantList({QStringLiteral("DE"), QStringLiteral("FR")})));
    EXPECT_EQ(KeyValueObservable::toObservable(M::valueForKey(QList<Job *>({&de, &fr}), QStringLiteral("objectAtIndex1"))), &fr);
}

TEST(MutableArrayExtension, AddingAndInserting)
{
    QVariantList list{1, 2};
    M::addObjectIfAbsent(list, QVariant(2));
    M::addObjectIfAbsent(list, QVariant());
    M::addObjectIfAbsent(list, QVariant(3));
    EXPECT_EQ(list, QVariantList({1, 2, 3}));
    M::addObjectsFromArrayIfAbsent(list, QVariantList({3, 4, 4}));
    EXPECT_EQ(list, QVariantList({1, 2, 3, 4}));
    M::addObjectsFromArrayIfAbsent(list, list);
    EXPECT_EQ(list.size(), 4);

    M::insertObjectsFromArray(list, QVariantList({7, 8}), 1);
    EXPECT_EQ(list, QVariantList({1, 7, 8, 2, 3, 4}));
    M::insertObjectsFromArray(list, QVariantList{9}, list.size());
    EXPECT_EQ(list.constLast(), QVariant(9));
    M::insertObjectsFromArray(list, list, 0); // the list into itself
    EXPECT_EQ(list.size(), 14);
    EXPECT_THROW(M::insertObjectsFromArray(list, QVariantList{1}, list.size() + 1), platform::Exception);
    EXPECT_THROW(M::insertObjectsFromArray(list, QVariantList{1}, -1), platform::Exception);

    QList<int> ints{1};
    M::addObjectsFromSet(ints, QSet<int>{5});
    EXPECT_EQ(ints, QList<int>({1, 5}));
    M::reverse(ints);
    EXPECT_EQ(ints, QList<int>({5, 1}));
    QList<int> odd{1, 2, 3};
    M::reverse(odd);
    EXPECT_EQ(odd, QList<int>({3, 2, 1}));
}

TEST(MutableArrayExtension, RemovingIdenticalObjects)
{
    Job a(QStringLiteral("A")), b(QStringLiteral("B"));
    QList<Job *> list{&a, &b, &a};
    M::removeIdenticalObjectsFromArray(list, QList<Job *>{&a});
    EXPECT_EQ(list, QList<Job *>{&b});
    M::removeIdenticalObjectsFromArray(list, list);
    EXPECT_TRUE(list.isEmpty());
}

TEST(MutableArrayExtension, ReplacingARangeByAnswers)
{
    QVariantList list{1, 2, 3, 4};
    M::replaceObjectsInRange(list, Range(1, 2), [](const QVariant &v) { return QVariant(v.toInt() * 10); },
                             QStringLiteral("timesTen"));
    EXPECT_EQ(list, QVariantList({1, 20, 30, 4}));

    const QVariantList before = list;
    try {
        M::replaceObjectsInRange(list, Range(0, 4), [](const QVariant &v) { return v.toInt() == 30 ? QVariant() : v; },
                                 QStringLiteral("nilForThirty"));
        FAIL() << "no exception";
    } catch (const platform::Exception &x) {
        EXPECT_EQ(x.name(), platform::Exception::InvalidArgumentException);
    }
    EXPECT_EQ(list, before);
    EXPECT_THROW(M::replaceObjectsInRange(list, Range(3, 2), [](const QVariant &v) { return v; }, QStringLiteral("same")),
                 platform::Exception);
    EXPECT_THROW(M::replaceObjectsInRange(list, Range(-1, 1), [](const QVariant &v) { return v; }, QStringLiteral("same")),
                 platform::Exception);
}

TEST(IndexPathAndIndexSet, Operations)
{
    namespace P = NTXNSIndexPath_Extensions;
    const P::IndexPath path{1, 4, 2};
    EXPECT_EQ(P::firstIndex(path), 1);
    EXPECT_EQ(P::lastIndex(path), 2);
    EXPECT_EQ(P::firstIndex(P::IndexPath()), Range::NotFound);
    EXPECT_EQ(P::indexPathByIncrementingLastIndex(path), P::IndexPath({1, 4, 3}));
    EXPECT_TRUE(P::indexPathByIncrementingLastIndex(P::IndexPath()).isEmpty());
    EXPECT_EQ(P::indexPathByReplacingIndexAtPosition(path, 1, 9), P::IndexPath({1, 9, 2}));
    EXPECT_EQ(P::indexPathByReplacingIndexAtPosition(path, 3, 9), std::nullopt);
    EXPECT_EQ(P::indexPathByReplacingIndexAtPosition(path, -1, 9), std::nullopt);

    namespace S = NTXNSIndexSet_Extension;
    EXPECT_EQ(S::invertedIndexSetForRange({2, 4, 10}, Range(1, 5)), S::IndexSet({1, 3, 5}));
    EXPECT_EQ(S::invertedIndexSetForRange({2}, Range(7, 0)), S::IndexSet());
    EXPECT_EQ(S::invertedIndexSetForRange({}, Range(-1, 2)), std::nullopt);
    EXPECT_EQ(S::invertedIndexSetForRange({}, Range(0, S::MaximumInvertedRangeLength + 1)), std::nullopt);
    EXPECT_EQ(S::invertedIndexSetForRange({}, Range(Range::NotFound, 1)), std::nullopt);
}
