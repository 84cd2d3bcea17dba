// Source-list items: badges, reports, archives, the tree operations and the cover.
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListItem.h"
#include "platform/archive/Coder.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/foundation/NotificationCenter.h"

#include <QObject>
#include <gtest/gtest.h>

namespace {

using Item = NTXOutlineSourceListItem;
using ItemPtr = NTXOutlineSourceListItemPtr;

// Counts the notifications of one name, with their objects.
struct Recorder
{
    QObject owner;
    QList<QObject *> objects;
    QList<QObject *> parents;
    explicit Recorder(const QString &name)
    {
        platform::NotificationCenter::defaultCenter().addObserver(&owner, name, nullptr,
                                                                  [this](const platform::Notification &n) {
                                                                      objects.append(n.object);
                                                                      parents.append(n.userInfo.value(Item::ParentKey).value<QObject *>());
                                                                  });
    }
};

// An archived object under the item's class name that writes only the keys it is given.
class PartialItem final : public platform::Coding
{
public:
    QVariant title;
    QVariant children;
    QString classNameForCoder() const override { return Item::ClassName; }
    void encodeWithCoder(platform::Coder &coder) const override
    {
        coder.encodeObject(title, QStringLiteral("title"));
        coder.encodeObject(children, QStringLiteral("children"));
    }
    bool initWithCoder(platform::Coder &) override { return true; }
};

QByteArray archive(const platform::CodingPtr &root)
{
    return platform::KeyedArchiver::archivedData(root).value_or(QByteArray());
}

} // namespace

TEST(OutlineSourceListItem, BadgesAndTitleReportsOfNewDecodedAndCopiedItems)
{
    Recorder titles(Item::AttributesChangedNotification);
    Item plain;
    EXPECT_EQ(plain.badgeValue(), -1);
    EXPECT_FALSE(plain.hasBadge());
    plain.setBadgeValue(0);
    EXPECT_TRUE(plain.hasBadge());
    EXPECT_TRUE(titles.objects.isEmpty());

    const ItemPtr titled = Item::create(QStringLiteral("Inbox"), QStringLiteral("inbox"));
    ASSERT_EQ(titles.objects.size(), 1);
    EXPECT_EQ(titles.objects.last(), titled.get());

    auto partial = std::make_shared<PartialItem>();
    partial->title = QStringLiteral("Old");
    const ItemPtr decoded = Item::treeFromArchive(archive(partial));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->title(), QStringLiteral("Old"));
    EXPECT_EQ(decoded->badgeValue(), 0);
    ASSERT_EQ(titles.objects.size(), 2);
    EXPECT_EQ(titles.objects.last(), decoded.get());

    titled->silentAddChild(Item::create(QStringLiteral("child")));
    titled->setBadgeValue(4);
    const ItemPtr copy = titled->copy();
    EXPECT_EQ(titles.objects.last(), copy.get());
    EXPECT_EQ(copy->identifier(), QStringLiteral("inbox"));
    EXPECT_EQ(copy->badgeValue(), 4);
    EXPECT_FALSE(copy->hasChildren());
}

TEST(OutlineSourceListItem, ADecodedTreeHasNoParentLinksUntilTheyAreSet)
{
    const ItemPtr root = Item::create(QStringLiteral("root"));
    const ItemPtr child = Item::create(QStringLiteral("child"));
    root->addChild(child);
    child->addChild(Item::create(QStringLiteral("grandchild")));
    const std::optional<QByteArray> data = Item::archivedTree(root);
    ASSERT_TRUE(data);
    const ItemPtr decoded = Item::treeFromArchive(*data);
    ASSERT_TRUE(decoded);
    Item *decodedChild = decoded->childAtIndex(0).get();
    Item *grandchild = decodedChild->childAtIndex(0).get();
    EXPECT_EQ(decodedChild->parentItem(), nullptr);
    EXPECT_EQ(grandchild->rootObject(), grandchild);
    decoded->setParentForTree();
    EXPECT_EQ(grandchild->parentItem(), decodedChild);
    EXPECT_EQ(grandchild->rootObject(), decoded.get());
    EXPECT_EQ(grandchild->title(), QStringLiteral("grandchild"));
}

TEST(OutlineSourceListItem, RefusesArchivesThatAreNoStrictTreeOfItems)
{
    auto notAnItem = std::make_shared<PartialItem>();
    notAnItem->title = QStringLiteral("x");
    auto withStrangeChild = std::make_shared<PartialItem>();
    withStrangeChild->children = QVariantList{QStringLiteral("a string")};
    const ItemPtr shared = Item::create(QStringLiteral("shared"));
    const ItemPtr twice = Item::create(QStringLiteral("twice"));
    twice->setChildren({shared, shared});
    const ItemPtr selfHolding = Item::create(QStringLiteral("loop"));
    selfHolding->setChildren({selfHolding});
    for (const QByteArray &data : {archive(withStrangeChild), archive(twice), archive(selfHolding), QByteArray("junk")}) {
        QString reason;
        EXPECT_FALSE(Item::treeFromArchive(data, &reason));
        EXPECT_FALSE(reason.isEmpty());
    }
    selfHolding->setChildren({});
}

TEST(OutlineSourceListItem, RemovalsAreReportedInOrderAndClearTheParentLink)
{
    Recorder removals(Item::DidRemoveEntryNotification);
    const ItemPtr root = Item::create(QStringLiteral("root"));
    QList<ItemPtr> children;
    for (const char *title : {"a", "b", "c"}) {
        children.append(Item::create(QString::fromLatin1(title)));
        root->addChild(children.last());
    }
    root->removeAllChildren();
    ASSERT_EQ(removals.objects.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(removals.objects.at(i), children.at(i).get());
        EXPECT_EQ(removals.parents.at(i), root.get());
        EXPECT_EQ(children.at(i)->parentItem(), nullptr);
    }
    EXPECT_FALSE(root->hasChildren());
    EXPECT_THROW(root->removeChildAtIndex(0), std::exception);
}

TEST(OutlineSourceListItem, ChildWithIdentifierFindsTheLaterOfTwo)
{
    const ItemPtr root = Item::create();
    const ItemPtr first = Item::create(QStringLiteral("first"), QStringLiteral("same"));
    const ItemPtr second = Item::create(QStringLiteral("second"), QStringLiteral("same"));
    root->addChild(first);
    root->addChild(second);
    EXPECT_EQ(root->childWithIdentifier(QStringLiteral("same")), second);
    EXPECT_EQ(root->childWithIdentifier(QStringLiteral("other")), nullptr);
}

TEST(OutlineSourceListItem, TheCoverHoldsNoItemWithOneOfItsAncestorsWhateverTheOrder)
{
    const ItemPtr g = Item::create(QStringLiteral("G"));
    const ItemPtr p = Item::create(QStringLiteral("P"));
    const ItemPtr c = Item::create(QStringLiteral("C"));
    const ItemPtr other = Item::create(QStringLiteral("O"));
    g->addChild(p);
    p->addChild(c);
    const struct
    {
        QList<ItemPtr> input;
        QList<ItemPtr> cover;
    } cases[] = {
        {{p, c}, {p}},
        {{c, p}, {p}},
        {{c, g}, {g}}, // the grandparent is found even though the parent is not given
        {{g, c}, {g}},
        {{c, other, c}, {c, other}},
    };
    for (const auto &test : cases)
        EXPECT_EQ(Item::minimumNodeCoverFromNodesInArray(test.input), test.cover);

    // Ten thousand selected items under one group and its ten children.
    QList<ItemPtr> selection{g};
    for (int i = 0; i < 10; ++i) {
        const ItemPtr branch = Item::create();
        g->silentAddChild(branch);
        for (int j = 0; j < 1000; ++j) {
            const ItemPtr leaf = Item::create();
            branch->silentAddChild(leaf);
            selection.prepend(leaf);
        }
    }
    EXPECT_EQ(Item::minimumNodeCoverFromNodesInArray(selection), QList<ItemPtr>{g});
}
