// The Aqua, Adium, Card and Unified styles: the geometry they answer and what they
// draw, checked on pixels of offscreen pictures.
#include "TabBarControlTestSupport.h"
#include "components/tabbarcontrol/styles/VTAdiumTabStyle.h"
#include "components/tabbarcontrol/styles/VTAquaTabStyle.h"
#include "components/tabbarcontrol/styles/VTCardTabStyle.h"
#include "components/tabbarcontrol/styles/VTUnifiedTabStyle.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/drawing/ControlTint.h"
#include "platform/drawing/WindowChrome.h"
#include "platform/foundation/UserDefaults.h"

#include <QMainWindow>
#include <QPainter>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace tabbarcontroltest;

namespace {

// A bar of three tabs (the first selected) with the style, inside a window.
struct StyledBar
{
    QWidget window;
    Bar bar{400, 3};

    explicit StyledBar(const QString &style, int orientation = 0)
    {
        bar.control->setParent(&window);
        bar.control->setStyleNamed(style);
        bar.control->setOrientation(orientation);
        if (orientation == 1)
            bar.control->resize(150, 200);
        bar.control->updateTabBar(false);
    }
    ~StyledBar() { bar.control->setParent(nullptr); }
    bool activate()
    {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
    template <class Style> Style &style() { return static_cast<Style &>(*bar.control->style()); }
    // The bar, or one tab, drawn on a transparent picture.
    QImage picture(const QRectF &dirty = QRectF(0, 0, 400, 22), const VTTabBarCell *only = nullptr)
    {
        QImage image(bar.control->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        if (only)
            bar.control->style()->drawTabCell(only, painter);
        else
            bar.control->style()->drawTabBar(bar.control.get(), painter, dirty);
        return image;
    }
};

int alphaAt(const QImage &image, qreal x, qreal y)
{
    return qAlpha(image.pixel(int(x), int(y)));
}

} // namespace

TEST(AquaTabStyle, SelectedPictureBackgroundDividerAndNoVerticalLayout)
{
    StyledBar bar(QStringLiteral("Aqua"));
    auto &aqua = bar.style<VTAquaTabStyle>();
    VTTabBarCell *selected = bar.bar.cell(0);
    ASSERT_EQ(selected->state(), platform::Cell::State::On);
    for (const unsigned tint : {0u, 1u, 6u}) {
        selected->setControlTint(tint);
        EXPECT_EQ(aqua.selectedImageName(selected), QStringLiteral("AquaTabsDownNonKey")) << tint;
    }
    ASSERT_TRUE(bar.activate());
    // A cell of the default tint follows the user's colour variant; its own tint wins.
    auto &defaults = platform::UserDefaults::standardUserDefaults();
    const QString variant = platform::ControlTint::AquaColorVariantKey;
    selected->setControlTint(platform::ControlTint::Default);
    const struct
    {
        qint64 variant; // -1: no such default
        unsigned cellTint;
        const char *picture;
    } cases[] = {{6, 0, "AquaTabsDownGraphite"}, {1, 0, "AquaTabsDown"}, {-1, 0, "AquaTabsDown"},
                 {6, platform::ControlTint::Blue, "AquaTabsDown"}, {1, platform::ControlTint::Graphite, "AquaTabsDownGraphite"}};
    QImage graphite, blue;
    for (const auto &c : cases) {
        if (c.variant < 0)
            defaults.removeObjectForKey(variant);
        else
            defaults.setInteger(c.variant, variant);
        selected->setControlTint(c.cellTint);
        EXPECT_EQ(aqua.selectedImageName(selected), QLatin1String(c.picture)) << c.variant << " " << c.cellTint;
        (QLatin1String(c.picture) == QLatin1String("AquaTabsDown") ? blue : graphite) = bar.picture({}, selected);
    }
    defaults.removeObjectForKey(variant);
    const QPointF inside = selected->frame().center() + QPointF(0, 8);
    EXPECT_NE(graphite.pixel(inside.toPoint()), blue.pixel(inside.toPoint()));

    const VTTabBarCell *last = bar.bar.cell(2);
    const QRectF f = last->frame();
    EXPECT_GT(alphaAt(bar.picture(), 398, 11), 0);
    const QImage tall = bar.picture(QRectF(0, 0, 400, 30));
    EXPECT_EQ(alphaAt(tall, 398, 11), 0); // no strip under a tall dirty rectangle
    EXPECT_GT(alphaAt(tall, f.right() - 1, 11), 0); // the last tab's divider
    EXPECT_EQ(alphaAt(tall, f.right() + 2, 11), 0);

    const QRectF before[] = {aqua.closeButtonRectForTabCell(last, f), aqua.iconRectForTabCell(last),
                             aqua.indicatorRectForTabCell(last), aqua.dragRectForTabCell(last, 0)};
    aqua.setOrientation(1);
    const QRectF after[] = {aqua.closeButtonRectForTabCell(last, f), aqua.iconRectForTabCell(last),
                            aqua.indicatorRectForTabCell(last), aqua.dragRectForTabCell(last, 1)};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(before[i], after[i]) << i;
    EXPECT_EQ(after[3], f);
}

TEST(AdiumTabStyle, VerticalCounterTakesTheClosePlaceUnlessHoveredOrDisabled)
{
    StyledBar bar(QStringLiteral("Adium"), 1);
    auto &adium = bar.style<VTAdiumTabStyle>();
    EXPECT_EQ(adium.tabCellHeight(), 28.0);
    VTTabBarCell *cell = bar.bar.cell(1);
    const auto drawn = [&](int count) {
        cell->setCount(count);
        return bar.picture({}, cell);
    };
    cell->setHasCloseButton(true);
    EXPECT_NE(drawn(3), drawn(0));
    cell->setCloseButtonOver(true);
    EXPECT_EQ(drawn(3), drawn(0));
    cell->setCloseButtonOver(false);
    cell->setHasCloseButton(false);
    EXPECT_EQ(drawn(3), drawn(0));
    EXPECT_EQ(adium.minimumWidthOfTabCell(cell), 38.0);
    cell->setHasIcon(true);
    EXPECT_EQ(adium.minimumWidthOfTabCell(cell), 38.0);

    adium.setOrientation(0);
    EXPECT_EQ(adium.tabCellHeight(), 22.0);
}

// Without a close button the desired width is 4, the title's width and 2, and 4 at the
// end: an empty title adds nothing.
TEST(AdiumTabStyle, AnEmptyTitleAddsNoWidth)
{
    StyledBar bar(QStringLiteral("Adium"));
    auto &adium = bar.style<VTAdiumTabStyle>();
    VTTabBarCell *cell = bar.bar.cell(1);
    cell->setHasCloseButton(false);
    cell->setObjectValue(QString());
    ASSERT_TRUE(cell->attributedStringValue().string.isEmpty());
    EXPECT_EQ(adium.desiredWidthOfTabCell(cell), 10.0);
    cell->setObjectValue(QStringLiteral("Mail"));
    const qreal title = cell->attributedStringValue().size().width();
    ASSERT_GT(title, 0);
    EXPECT_EQ(adium.desiredWidthOfTabCell(cell), std::ceil(10 + title));
}

TEST(AdiumTabStyle, LargeImageMovesTheTitleAndIsClippedToARoundedSquare)
{
    struct Model : platform::KeyValueObservable
    {
        QImage picture;
        const platform::KeyTable &keyTable() const override
        {
            static const platform::KeyTable table = {
                {QStringLiteral("largeImage"), {[](const KeyValueObservable &o) { return QVariant(static_cast<const Model &>(o).picture); }, {}}}};
            return table;
        }
    } model;
    model.picture = QImage(48, 48, QImage::Format_ARGB32_Premultiplied); // larger than its 24-point box
    model.picture.fill(Qt::transparent); // first clear, so that only the title has ink
    StyledBar bar(QStringLiteral("Adium"), 1);
    auto item = platform::TabViewItem::create(platform::KeyValueObservable::fromObservable(&model));
    item->setLabel(QStringLiteral("Mail"));
    bar.bar.tabView.addTabViewItem(item);
    bar.bar.control->updateTabBar(false);
    VTTabBarCell *cell = bar.bar.cell(3);
    const QRectF f = cell->frame();
    // The leftmost column with any ink.
    const auto titleStart = [&] {
        QImage image(bar.bar.control->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        bar.style<VTAdiumTabStyle>().drawInteriorWithTabCell(cell, bar.bar.control.get(), painter);
        painter.end();
        for (int x = int(f.x()); x < int(f.right()); ++x)
            for (int y = int(f.y()); y < int(f.bottom()); ++y)
                if (qAlpha(image.pixel(x, y)) > 0)
                    return std::pair(x - int(f.x()), image);
        return std::pair(-1, image);
    };
    cell->setHasLargeImage(false);
    const int plain = titleStart().first;
    cell->setHasLargeImage(true);
    EXPECT_EQ(titleStart().first - plain, 28);
    model.picture.fill(Qt::red);
    const QImage drawn = titleStart().second;
    EXPECT_EQ(drawn.pixel(int(f.x() + 16), int(f.y() + 14)), QColor(Qt::red).rgb());
    EXPECT_LT(qAlpha(drawn.pixel(int(f.x() + 4), int(f.y() + 2))), 32);   // the corner is cut at radius 3
    EXPECT_EQ(drawn.pixel(int(f.x() + 5), int(f.y() + 5)), QColor(Qt::red).rgb()); // inside the radius
    EXPECT_EQ(qAlpha(drawn.pixel(int(f.x() + 28), int(f.y() + 14))), 0);  // no wider than its box
}

TEST(AdiumTabStyle, DrawsRightIsInertHorizontallyAndTheArchiveKeepsGradientAndCounter)
{
    StyledBar bar(QStringLiteral("Adium"));
    auto &adium = bar.style<VTAdiumTabStyle>();
    const VTTabBarCell *selected = bar.bar.cell(0);
    const QImage plain = bar.picture({}, selected);
    adium.setDrawsRight(true);
    EXPECT_EQ(bar.picture({}, selected), plain);

    adium.setDrawsUnified(true);
    const auto data = platform::KeyedArchiver::archivedData(bar.bar.control->style());
    ASSERT_TRUE(data);
    const auto copy = platform::KeyedUnarchiver::unarchivedObject<VTAdiumTabStyle>(*data);
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->drawsUnified());
    EXPECT_TRUE(copy->drawsRight());
    EXPECT_TRUE(copy->hasGradientImage());
    EXPECT_TRUE(copy->hasCounterAttributes());
    EXPECT_TRUE(copy->attributedObjectCountValueForTabCell(selected).attributes.font.has_value());
}

TEST(AdiumTabStyle, TitleHeightsAreCachedByTitleAndWidthUpTo101)
{
    VTAttributedString title;
    title.string = QStringLiteral("A long title that wraps onto several lines when the tab is narrow");
    const qreal wide = VTAdiumTabStyle::heightOfAttributedString(title, 1000);
    const qreal narrow = VTAdiumTabStyle::heightOfAttributedString(title, 60);
    EXPECT_GT(narrow, wide);
    EXPECT_EQ(VTAdiumTabStyle::heightOfAttributedString(title, 1000), wide);

    VTAttributedString other;
    for (int i = 0; VTAdiumTabStyle::heightCacheSize() < 101 && i < 300; ++i) {
        other.string = QStringLiteral("title %1").arg(i);
        VTAdiumTabStyle::heightOfAttributedString(other, 80);
    }
    EXPECT_EQ(VTAdiumTabStyle::heightCacheSize(), 101);
    VTAdiumTabStyle::heightOfAttributedString(other, 80); // cached, yet the cache empties first
    EXPECT_EQ(VTAdiumTabStyle::heightCacheSize(), 1);
}

TEST(CardTabStyle, RadiusActiveFillAndSuppressedClose)
{
    EXPECT_EQ(VTCardTabStyle::cardRadius(QRectF(0, 0, 100, 22)), 5.5);
    EXPECT_EQ(VTCardTabStyle::cardRadius(QRectF(0, 0, 8, 22)), 3.0);
    EXPECT_EQ(VTCardTabStyle::cardRadius(QRectF(0, 0, 0, 22)), 0.0);

    StyledBar bar(QStringLiteral("Card"));
    auto &card = bar.style<VTCardTabStyle>();
    VTTabBarCell *other = bar.bar.cell(2);
    const QRectF f = other->frame();
    // Active, the cards are filled (the inactive look is tested on X, where the
    // application can be made inactive again: CardTabStyleX11).
    ASSERT_TRUE(bar.activate());
    ASSERT_EQ(QGuiApplication::applicationState(), Qt::ApplicationActive);
    EXPECT_GT(alphaAt(bar.picture({}, other), f.x() + 3, f.y() + 15), 0);

    other->setHasCloseButton(true);
    EXPECT_FALSE(card.closeButtonRectForTabCell(other, f).isEmpty());
    other->setCloseButtonSuppressed(true);
    EXPECT_EQ(card.closeButtonRectForTabCell(other, f), QRectF());
}

TEST(UnifiedTabStyle, SeparatorGivesFlatTabsAndTheRestFollowsCard)
{
    QMainWindow window;
    auto *toolbar = window.addToolBar(QStringLiteral("Tools"));
    Bar bar(400, 3);
    bar.control->setParent(&window);
    bar.control->setStyleNamed(QStringLiteral("Unified"));
    bar.control->updateTabBar(false);
    bar.tabView.selectTabViewItemAtIndex(2);
    auto &unified = static_cast<VTUnifiedTabStyle &>(*bar.control->style());
    // One tab drawn 5 points down in a taller picture, so an edge above the frame shows.
    const auto drawn = [&](const VTTabBarCell *cell) {
        QImage image(bar.control->width(), 40, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.translate(0, 5);
        unified.drawTabCell(cell, painter);
        return image;
    };
    const auto topRow = [&](const VTTabBarCell *cell) {
        const QImage image = drawn(cell);
        for (int y = 0; y < image.height(); ++y)
            if (alphaAt(image, cell->frame().center().x(), y) > 0)
                return y;
        return -1;
    };
    const VTTabBarCell *first = bar.cell(0), *beforeSelected = bar.cell(1), *selected = bar.cell(2);
    const QRectF a = first->frame(), b = beforeSelected->frame();
    EXPECT_GT(alphaAt(drawn(first), a.right(), 15), 0);         // a right edge
    EXPECT_EQ(alphaAt(drawn(first), a.center().x(), 5), 0);     // flat: no top line
    EXPECT_EQ(alphaAt(drawn(beforeSelected), b.right(), 15), 0); // none before the selected tab
    const int roundedTop = topRow(selected);
    platform::WindowChrome::setShowsBaselineSeparator(toolbar, false);
    EXPECT_GT(alphaAt(drawn(first), a.center().x(), 5), 0); // every tab rounded now,
    EXPECT_EQ(topRow(first), roundedTop + 1);               // one lower
    EXPECT_EQ(topRow(selected), roundedTop + 1);
    platform::WindowChrome::setShowsBaselineSeparator(toolbar, true);
    QWidget plain; // and in a window without a toolbar
    bar.control->setParent(&plain);
    EXPECT_EQ(topRow(first), roundedTop + 1);
    bar.control->setParent(&window);

    VTTabBarCell *cell = bar.cell(0);
    cell->setHasCloseButton(true);
    cell->setCloseButtonSuppressed(true);
    EXPECT_FALSE(unified.closeButtonRectForTabCell(cell, a).isEmpty());
    cell->indicator()->setHidden(false);
    EXPECT_EQ(unified.indicatorRectForTabCell(cell).y(), a.y() + 2);
    bar.control->setParent(nullptr);
}
