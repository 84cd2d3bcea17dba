// The tab view without tabs, its items' extra keys, and named bundle images.
#include "platform/drawing/BundleImages.h"
#include "platform/drawing/TabView.h"
#include "platform/drawing/TabViewDelegate.h"
#include "platform/foundation/Bundle.h"

#include <QPainter>
#include <QStringList>
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
