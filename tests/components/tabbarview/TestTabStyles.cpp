// The Adium, Aqua, Unified, Card, LiveChat and Safari styles: their rectangles, the
// pictures they choose, what they draw (read back from pixels) and their archives.
#include "tests/components/tabbarview/TabBarTestSupport.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZOverflowPopUpButton.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabBarViewExtensions.h"
#include "components/tabbarview/KZTabStyleRegistry.h"
#include "components/tabbarview/styles/KZAdiumTabStyle.h"
#include "components/tabbarview/styles/KZAquaTabStyle.h"
#include "components/tabbarview/styles/KZCardTabStyle.h"
#include "components/tabbarview/styles/KZLiveChatTabStyle.h"
#include "components/tabbarview/styles/KZSafariTabStyle.h"
#include "components/tabbarview/styles/KZUnifiedTabStyle.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/drawing/ControlTint.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/TabView.h"
#include "platform/drawing/WindowChrome.h"
#include "platform/drawing/WindowChromeObserver.h"

#include <QMainWindow>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace KZTabBarViewExtensions;

namespace {

// A window with a (hidden) toolbar and one bar of the style over a tab view.
struct StyledBar
{
    StyledBar(const QString &style, int tabs, int width = 400, unsigned orientation = KZTabBarView::Horizontal)
    {
        toolbar = window.addToolBar(QStringLiteral("Tools"));
        toolbar->hide();
        auto *central = new QWidget(&window);
        auto *layout = new QVBoxLayout(central);
        layout->setContentsMargins(0, 0, 0, 0);
        bar = new KZTabBarView(central);
        bar->setStyleNamed(style);
        bar->setOrientation(orientation);
        bar->setFixedSize(orientation == KZTabBarView::Horizontal ? QSize(width, 22) : QSize(150, width));
        tabView = new platform::TabView(central);
        bar->setTabView(tabView);
        tabView->setDelegate(bar);
        layout->addWidget(bar);
        layout->addWidget(tabView);
        window.setCentralWidget(central);
        for (int i = 0; i < tabs; ++i) {
            auto item = platform::TabViewItem::create();
            item->setLabel(QStringLiteral("Tab %1").arg(i + 1));
            tabView->addTabViewItem(item);
        }
        bar->updateTabBar(false);
    }
    ~StyledBar() { tabView->setDelegate(nullptr); }

    void activate()
    {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        bar->updateTabBar(false);
    }
    KZAttachedTabBarButton *button(int index) const { return bar->orderedAttachedButtons().at(size_t(index)); }
    QImage picture() const { return bar->grab().toImage(); }

    QMainWindow window;
    QToolBar *toolbar = nullptr;
    KZTabBarView *bar = nullptr;
    platform::TabView *tabView = nullptr;
};

QImage canvas(int w, int h, const QColor &colour = Qt::white)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

bool dark(QRgb pixel)
{
    return qGray(pixel) < 200;
}

template <class Style> std::shared_ptr<Style> roundTrip(const std::shared_ptr<Style> &style)
{
    const std::optional<QByteArray> data = platform::KeyedArchiver::archivedData(style);
    EXPECT_TRUE(data);
    return data ? platform::KeyedUnarchiver::unarchivedObject<Style>(*data) : nullptr;
}

} // namespace

TEST(TabStyles, RegisteredWithTheirOrientations)
{
    const QStringList names = KZTabStyleRegistry::registeredTabStyleNames();
    // The default styles, in the order they are registered.
    EXPECT_EQ(names.mid(0, 7), QStringList({"Aqua", "Unified", "Adium", "Metal", "Card", "LiveChat", "Safari"}));
    struct Case
    {
        QString name;
        bool vertical;
    };
    for (const Case &c : {Case{QStringLiteral("Adium"), true}, Case{QStringLiteral("Aqua"), true},
                          Case{QStringLiteral("Unified"), false}, Case{QStringLiteral("Card"), false},
                          Case{QStringLiteral("LiveChat"), false}, Case{QStringLiteral("Safari"), false}}) {
        ASSERT_TRUE(names.contains(c.name)) << qPrintable(c.name);
        const auto style = KZTabStyleRegistry::styleNamed(c.name);
        EXPECT_EQ(style->name(), c.name);
        EXPECT_EQ(style->supportsOrientation(KZTabBarView::Vertical, nullptr).value_or(true), c.vertical);
        EXPECT_TRUE(style->supportsOrientation(KZTabBarView::Horizontal, nullptr).value_or(true));
    }
}

TEST(TabStyles, ArchivesKeepImagesOrDecodeFresh)
{
    auto unified = std::make_shared<KZUnifiedTabStyle>();
    unified->setLeftMarginForTabBarView(9);
    const auto unifiedBack = roundTrip(unified);
    ASSERT_TRUE(unifiedBack);
    EXPECT_EQ(unifiedBack->leftMarginForTabBarView(), 0.0) << "the margin is not archived";
    EXPECT_FALSE(unifiedBack->closeButtonImageOfType(KZCloseButtonImageTypeDirtyPressed, KZTabBarButtonCell())->isNull());

    auto liveChat = std::make_shared<KZLiveChatTabStyle>();
    liveChat->setLeftMarginForTabBarView(12);
    const auto liveChatBack = roundTrip(liveChat);
    ASSERT_TRUE(liveChatBack);
    EXPECT_EQ(liveChatBack->leftMarginForTabBarView(), 5.0);

    auto card = std::make_shared<KZCardTabStyle>();
    card->setHorizontalInset(8);
    const auto cardBack = roundTrip(card);
    ASSERT_TRUE(cardBack);
    EXPECT_EQ(cardBack->horizontalInset(), 3.0);
    EXPECT_TRUE(roundTrip(std::make_shared<KZSafariTabStyle>()));

    const auto aquaBack = roundTrip(std::make_shared<KZAquaTabStyle>());
    ASSERT_TRUE(aquaBack);
    EXPECT_FALSE(aquaBack->selectedBackground(platform::ControlTint::Graphite, true).isNull());
    EXPECT_FALSE(aquaBack->divider().isNull());
}

// The mend: a decoded Adium style still fills the selected tab of a horizontal bar.
TEST(AdiumTabStyle, DecodedStyleFillsTheSelectedTab)
{
    auto style = std::make_shared<KZAdiumTabStyle>();
    style->setDrawsRight(true);
    const auto back = roundTrip(style);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->drawsRight());
    ASSERT_FALSE(back->gradientImage().isNull());
    StyledBar bar(QStringLiteral("Adium"), 2);
    bar.bar->setStyle(back);
    QImage image = canvas(120, 22, Qt::black);
    QPainter painter(&image);
    back->drawBezelInRect(painter, QRectF(10, 0, 100, 19.5), 0xF, bar.button(0), bar.bar, false, false);
    painter.end();
    EXPECT_GT(qGray(image.pixel(60, 8)), 200) << "the gradient picture is drawn";
}

TEST(AdiumTabStyle, Rectangles)
{
    StyledBar bar(QStringLiteral("Adium"), 2);
    KZTabBarButtonCell *cell = bar.button(1)->tabCell();
    auto *style = static_cast<KZAdiumTabStyle *>(bar.bar->style().get());
    const QRectF bounds(0, 0, 120, 22);
    cell->setHasCloseButton(true);

    // Count 0 has no counter rectangle, even shown.
    cell->setShowObjectCount(true);
    EXPECT_EQ(style->objectCounterRectForBounds(bounds, *cell), QRectF());
    cell->setObjectCount(3);
    EXPECT_NE(style->objectCounterRectForBounds(bounds, *cell), QRectF());
    cell->setObjectCount(0);

    // The title starts after the wider of icon and close button, plus 4.
    const QRectF dr = style->drawingRectForBounds(bounds, *cell).value();
    const QRectF close = style->closeButtonRectForBounds(bounds, *cell).value();
    ASSERT_NE(close, QRectF());
    EXPECT_EQ(style->titleRectForBounds(bounds, *cell)->x(), dr.x() + close.width() + 4);
    cell->setIcon(tabbartest::squareIcon(20, Qt::red));
    const QRectF icon = style->iconRectForBounds(bounds, *cell).value();
    EXPECT_EQ(icon.width(), 18) << "fitted to the drawing height";
    EXPECT_EQ(style->titleRectForBounds(bounds, *cell)->x(), dr.x() + std::max(icon.width(), close.width()) + 4);
    cell->setTitle(QString());
    EXPECT_EQ(style->titleRectForBounds(bounds, *cell), QRectF());
}

TEST(AdiumTabStyle, CloseButtonTakesTheIconsPlaceOnlyWhileHovered)
{
    StyledBar bar(QStringLiteral("Adium"), 2);
    KZAttachedTabBarButton *button = bar.button(1);
    KZTabBarButtonCell *cell = button->tabCell();
    KZTabStyle *style = bar.bar->style().get();
    QImage image = canvas(120, 22);
    QPainter painter(&image);
    cell->setHasCloseButton(true);
    style->drawCloseButtonOfTabCell(*cell, painter, QRectF(button->rect()), button);
    EXPECT_FALSE(cell->closeButton()->isHidden()) << "without an icon the close button stays";
    cell->setIcon(tabbartest::squareIcon(16, Qt::red));
    style->drawCloseButtonOfTabCell(*cell, painter, QRectF(button->rect()), button);
    EXPECT_TRUE(cell->closeButton()->isHidden());
    button->rolloverCell()->mouseEntered(Qt::NoModifier);
    style->drawCloseButtonOfTabCell(*cell, painter, QRectF(button->rect()), button);
    EXPECT_FALSE(cell->closeButton()->isHidden());
    // While hovered the icon is not drawn.
    QImage icon = canvas(120, 22);
    QPainter iconPainter(&icon);
    style->drawIconOfTabCell(*cell, iconPainter, QRectF(button->rect()), button);
    iconPainter.end();
    const QRectF place = cell->iconRectForBounds(QRectF(button->rect()));
    EXPECT_EQ(icon.pixel(place.center().toPoint()), qRgb(255, 255, 255));
}

TEST(AdiumTabStyle, EdgesAndDividers)
{
    StyledBar bar(QStringLiteral("Adium"), 3);
    auto *style = static_cast<KZAdiumTabStyle *>(bar.bar->style().get());
    KZAttachedTabBarButton *selected = bar.button(0);
    ASSERT_EQ(selected->state(), platform::Cell::State::On);
    const auto edges = [&](unsigned mask) {
        QImage image = canvas(120, 22);
        QPainter painter(&image);
        style->drawBezelInRect(painter, QRectF(10, 0, 100, 19.5), mask, selected, bar.bar, false, false);
        painter.end();
        return std::pair{dark(image.pixel(10, 10)), dark(image.pixel(110, 10))};
    };
    EXPECT_EQ(edges(0xF), std::pair(true, true));
    EXPECT_EQ(edges(KZCapLeft), std::pair(true, false)) << "the overflow button's last tab has no right edge";

    // An unselected tab left of a still selected neighbour draws no right divider.
    KZAttachedTabBarButton *other = bar.button(1);
    const auto rightDivider = [&](unsigned state) {
        other->setTabState(state);
        QImage image = canvas(120, 22);
        QPainter painter(&image);
        style->drawBezelInRect(painter, QRectF(0, 0, 100, 22), 0xF, other, bar.bar, false, false);
        painter.end();
        return dark(image.pixel(100, 12));
    };
    EXPECT_TRUE(rightDivider(KZTabBarView::KZTabStateMiddle));
    EXPECT_FALSE(rightDivider(KZTabBarView::KZTabStateMiddle | KZTabBarView::KZTabStateRightNeighbourSelected));
    EXPECT_TRUE(rightDivider(KZTabBarView::KZTabStateMiddle | KZTabBarView::KZTabStateRightNeighbourSelected
                             | KZTabBarView::KZTabStateRightNeighbourSliding));

    // A vertical bar draws no bezel for unselected tabs.
    bar.bar->setOrientation(KZTabBarView::Vertical);
    QImage image = canvas(120, 30);
    QPainter painter(&image);
    style->drawBezelWithFrame(painter, QRectF(0, 0, 120, 28), other, bar.bar, true, true);
    painter.end();
    EXPECT_EQ(image, canvas(120, 30));
}

TEST(AquaTabStyle, TintAndActivityChooseTheSelectedPicture)
{
    KZAquaTabStyle style;
    const auto key = [&](unsigned tint, bool active) { return style.selectedBackground(tint, active).cacheKey(); };
    const qint64 down = key(platform::ControlTint::Blue, true);
    const qint64 graphite = key(platform::ControlTint::Graphite, true);
    const qint64 nonKey = key(platform::ControlTint::Graphite, false);
    EXPECT_NE(down, graphite);
    EXPECT_NE(down, nonKey);
    EXPECT_NE(graphite, nonKey);
    EXPECT_EQ(key(platform::ControlTint::Blue, false), nonKey) << "an inactive window is always non-key";
    EXPECT_EQ(key(platform::ControlTint::Clear, true), nonKey);
    EXPECT_EQ(key(platform::ControlTint::Default, true),
              platform::ControlTint::currentControlTint() == platform::ControlTint::Graphite ? graphite : down);
}

TEST(AquaTabStyle, StripOverflowAndEndCap)
{
    StyledBar bar(QStringLiteral("Aqua"), 12, 300);
    ASSERT_TRUE(bar.bar->isOverflowButtonVisible());
    KZTabStyle *style = bar.bar->style().get();
    const auto strip = [&](const QRectF &dirty) {
        QImage image = canvas(300, 22, Qt::red);
        QPainter painter(&image);
        style->drawBezelOfTabBarView(bar.bar, painter, dirty);
        return image.pixel(150, 11);
    };
    EXPECT_NE(strip(QRectF(0, 0, 300, 22)), qRgb(255, 0, 0));
    EXPECT_EQ(strip(QRectF(0, 0, 300, 23)), qRgb(255, 0, 0)) << "a dirty rectangle over 22 high draws no strip";

    // An unselected overflow button gets only the wash, no dividers.
    KZAttachedTabBarButton *last = bar.bar->lastAttachedButton();
    ASSERT_TRUE(last->isOverflowButton());
    ASSERT_NE(last->state(), platform::Cell::State::On);
    QImage tab = canvas(100, 22);
    QPainter tabPainter(&tab);
    style->drawBezelOfTabCell(*last->tabCell(), tabPainter, QRectF(0, 0, 100, 22), last);
    tabPainter.end();
    EXPECT_EQ(tab, canvas(100, 22));

    // No end cap on the overflow button while the add button is hidden.
    const auto endCap = [&](bool addButton) {
        bar.bar->setShowAddTabButton(addButton);
        const QRect f = bar.bar->overflowPopUpButton()->geometry();
        QImage image = canvas(300, 22);
        QPainter painter(&image);
        style->drawBezelOfOverflowButton(bar.bar->overflowPopUpButton(), bar.bar, painter, QRectF());
        painter.end();
        return dark(image.pixel(f.x() + f.width() + 4, 11));
    };
    EXPECT_TRUE(endCap(true));
    EXPECT_FALSE(endCap(false));
}

TEST(UnifiedTabStyle, ToolbarChoosesCardsOrBoxes)
{
    StyledBar bar(QStringLiteral("Unified"), 3);
    bar.activate();
    KZAttachedTabBarButton *selected = bar.button(0), *other = bar.button(1);
    const auto tab = [&](KZAttachedTabBarButton *button) {
        QImage image = canvas(button->width(), 22);
        QPainter painter(&image);
        button->style()->drawBezelOfTabCell(*button->tabCell(), painter, QRectF(button->rect()), button);
        return image;
    };
    const QRgb white = qRgb(255, 255, 255);
    // Boxes: the selected box is a wash, an unselected one nothing.
    EXPECT_EQ(tab(other), canvas(other->width(), 22));
    const int middle = selected->width() / 2;
    EXPECT_NEAR(qGray(tab(selected).pixel(middle, 11)), 204, 3);
    // Cards: the selected card is a grey gradient; a hovered card stands 1.5 lower.
    bar.toolbar->show();
    EXPECT_NEAR(qGray(tab(selected).pixel(middle, 11)), 174, 8);
    const QImage rest = tab(other);
    other->rolloverCell()->mouseEntered(Qt::NoModifier);
    const QImage hovered = tab(other);
    const int x = other->width() / 2;
    EXPECT_EQ(rest.pixel(x, 11), white) << "an unselected card is only outlined";
    EXPECT_NEAR(qGray(hovered.pixel(x, 11)), 204, 3);
    // The card hangs from the bar; hovered, its fill starts 1.5 lower.
    EXPECT_EQ(hovered.pixel(x, 0), white);
    EXPECT_NEAR(qGray(hovered.pixel(x, 2)), 204, 3);
}

TEST(CardAndUnifiedTabStyles, RadiusRules)
{
    struct Case
    {
        QRectF rect;
        qreal unified, card;
    };
    for (const Case &c : {Case{{0, 0, 100, 20}, 6.0, 5.5}, Case{{0, 0, 10, 20}, 5.0, 4.5}, Case{{0, 0, 12, 12}, 6.0, 5.5},
                          Case{{0, 0, 0, 20}, 0.0, 0.0}, Case{{0, 0, 0.5, 20}, 0.25, 0.0}}) {
        EXPECT_EQ(KZUnifiedTabStyle::cardRadius(c.rect), c.unified) << c.rect.width();
        EXPECT_EQ(KZCardTabStyle::cardRadius(c.rect), c.card) << c.rect.width();
    }
}

TEST(CardTabStyle, LayoutAndInactiveFills)
{
    StyledBar bar(QStringLiteral("Card"), 12, 300);
    KZAttachedTabBarButton *button = bar.button(0);
    EXPECT_EQ(button->geometry().y(), 2);
    EXPECT_EQ(button->height(), 20);
    ASSERT_TRUE(bar.bar->isOverflowButtonVisible());
    EXPECT_EQ(bar.bar->overflowPopUpButton()->geometry().y(), 2);
    EXPECT_EQ(bar.bar->overflowPopUpButton()->height(), 20);
    EXPECT_EQ(button->geometry().x(), 3);
    auto *style = static_cast<KZCardTabStyle *>(bar.bar->style().get());
    style->setHorizontalInset(7);
    bar.bar->updateTabBar(false);
    EXPECT_EQ(bar.bar->leftMargin(), 7);
    EXPECT_EQ(bar.bar->rightMargin(), 7);
    EXPECT_EQ(bar.button(0)->geometry().x(), 7);

    // An inactive window: flat window-background fills, unselected cards keep their bottom line.
    const auto card = [&](KZAttachedTabBarButton *b) {
        QImage image = canvas(100, 21, Qt::red);
        QPainter painter(&image);
        style->drawBezelInRect(painter, QRectF(0.5, 0.5, 99, 20), 0xF, b, bar.bar);
        return image;
    };
    const QImage selected = card(bar.button(0)), other = card(bar.button(1));
    EXPECT_EQ(selected.pixel(50, 10), other.pixel(50, 10));
    EXPECT_EQ(selected.pixel(50, 10), KZTabStyleDrawing::windowBackgroundColor().rgb());
    const QColor line = platform::SystemColors::calibratedWhite(0.576);
    EXPECT_EQ(other.pixel(50, 20), line.rgb()) << "an unselected card is closed below";
    EXPECT_NE(selected.pixel(50, 20), line.rgb());
}

TEST(LiveChatTabStyle, LayoutFromTheRight)
{
    StyledBar bar(QStringLiteral("LiveChat"), 2);
    KZTabBarButtonCell *cell = bar.button(1)->tabCell();
    KZTabStyle *style = bar.bar->style().get();
    const QRectF bounds(0, 0, 200, 22);
    cell->setHasCloseButton(true);
    cell->setIsProcessing(true);
    cell->setShowObjectCount(true);
    cell->setObjectCount(4);
    const QRectF close = style->closeButtonRectForBounds(bounds, *cell).value();
    const QRectF indicator = style->indicatorRectForBounds(bounds, *cell).value();
    const QRectF counter = style->objectCounterRectForBounds(bounds, *cell).value();
    const QRectF d = cell->drawingRectForBounds(bounds);
    ASSERT_NE(close, QRectF());
    EXPECT_NEAR(close.right(), d.right(), 1.0);
    EXPECT_EQ(indicator.size(), QSizeF(16, 16));
    EXPECT_NEAR(indicator.right(), close.left() - 4, 1.0);
    EXPECT_NEAR(counter.right(), indicator.left() - 4, 1.0);
    EXPECT_NEAR(style->titleRectForBounds(bounds, *cell)->right(), counter.left() - 4, 1.0);

    cell->setIcon(tabbartest::squareIcon(16, Qt::red));
    const qreal wide = style->iconRectForBounds(bounds, *cell)->x();
    EXPECT_NEAR(wide, d.x(), 1.0);
    cell->setIcon(tabbartest::squareIcon(10, Qt::red));
    EXPECT_EQ(style->iconRectForBounds(bounds, *cell)->x(), wide + 3) << "centred in a 16-point column";
    cell->setTitle(QString());
    EXPECT_EQ(style->titleRectForBounds(bounds, *cell), QRectF());
}

TEST(LiveChatTabStyle, SeparatorLookDropsTheDividerLeftOfTheSelectedTab)
{
    StyledBar bar(QStringLiteral("LiveChat"), 3);
    bar.tabView->selectTabViewItemAtIndex(1);
    bar.bar->updateTabBar(false);
    bar.toolbar->show();
    platform::WindowChrome::setShowsBaselineSeparator(bar.toolbar, true);
    const auto column = [&](KZAttachedTabBarButton *button, int x) {
        QImage image = canvas(button->width() + 4, 22, Qt::black);
        QPainter painter(&image);
        button->style()->drawBezelOfTabCell(*button->tabCell(), painter, QRectF(button->rect()), button);
        return qGray(image.pixel(x, 10)) > 60;
    };
    const auto rightEdge = [&](KZAttachedTabBarButton *button) {
        return column(button, button->width() + 1) || column(button, button->width() + 2);
    };
    EXPECT_FALSE(rightEdge(bar.button(0))) << "left of the selected tab";
    EXPECT_TRUE(rightEdge(bar.button(2)));
    EXPECT_FALSE(column(bar.button(0), bar.button(0)->width() - 1)) << "no card";

    // The bar hears of the separator, as it hears of the toolbar, and redraws.
    platform::WindowChromeObserver observer(bar.bar);
    QSignalSpy separator(&observer, &platform::WindowChromeObserver::baselineSeparatorChanged);
    platform::WindowChrome::setShowsBaselineSeparator(bar.toolbar, false);
    ASSERT_EQ(separator.count(), 1);
    EXPECT_FALSE(separator.at(0).at(0).toBool());
    EXPECT_TRUE(column(bar.button(0), bar.button(0)->width() - 1)) << "cards again";
}

TEST(SafariTabStyle, SeparatorsAroundSelectionSlidesAndDrops)
{
    using S = KZSafariTabStyle::Separators;
    struct Case
    {
        int index, count, selected;
        bool previousSliding, nextSliding;
        int drop;
        bool lastRight;
        S caps;
    };
    const Case cases[] = {
        {0, 4, 2, false, false, -1, false, {false, false}}, // first: no left cap
        {0, 4, 2, false, true, -1, false, {false, true}},   // next slides
        {0, 4, 2, false, false, 1, false, {false, true}},   // drop right of it
        {1, 4, -1, false, false, -1, false, {true, false}}, // no selection: left separators
        {3, 4, -1, false, false, -1, false, {true, false}},
        {3, 4, -1, false, false, -1, true, {true, true}},  // add button shown, no overflow
        {3, 4, 1, false, false, -1, false, {false, false}}, // right of the selection, neighbour still
        {3, 4, 1, true, false, -1, false, {true, false}},
        {3, 4, 1, false, false, 2, false, {true, false}},
        {2, 4, 1, false, false, -1, false, {false, true}}, // just right of the selected tab
        {2, 4, 1, true, false, -1, false, {true, true}},
        {1, 4, 2, false, false, -1, false, {true, false}}, // left of the selection
        {1, 4, 2, false, false, 2, false, {true, true}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(KZSafariTabStyle::separatorsOfUnselectedButton(c.index, c.count, c.selected, c.previousSliding,
                                                                 c.nextSliding, c.drop, c.lastRight),
                  c.caps)
            << c.index << " of " << c.count << ", selected " << c.selected;
}

TEST(SafariTabStyle, BarCloseImagesAndOverflow)
{
    StyledBar bar(QStringLiteral("Safari"), 12, 300);
    KZTabStyle *style = bar.bar->style().get();
    bar.bar->setFixedHeight(1);
    QImage thin = canvas(300, 1);
    QPainter thinPainter(&thin);
    style->drawBezelOfTabBarView(bar.bar, thinPainter, QRectF());
    thinPainter.end();
    EXPECT_EQ(thin.pixel(150, 0), platform::SystemColors::darkGrayColor().rgb());
    bar.bar->setFixedHeight(22);

    // Edited close pictures are the same in every window, selected or not.
    KZTabBarButtonCell *selected = bar.button(0)->tabCell(), *other = bar.button(1)->tabCell();
    for (unsigned type = KZCloseButtonImageTypeDirty; type <= KZCloseButtonImageTypeDirtyPressed; ++type)
        EXPECT_EQ(style->closeButtonImageOfType(type, *selected)->cacheKey(),
                  style->closeButtonImageOfType(type, *other)->cacheKey());
    EXPECT_NE(style->closeButtonImageOfType(0, *selected)->cacheKey(), style->closeButtonImageOfType(0, *other)->cacheKey());

    // The overflow button continues a selected last tab.
    bar.tabView->selectTabViewItemAtIndex(bar.bar->numberOfAttachedButtons() - 1);
    bar.bar->updateTabBar(false);
    ASSERT_TRUE(bar.bar->isOverflowButtonVisible());
    KZAttachedTabBarButton *last = bar.bar->lastAttachedButton();
    const auto overflowFill = [&] {
        const QRect f = bar.bar->overflowPopUpButton()->geometry();
        QImage image = canvas(300, 22, Qt::black);
        QPainter painter(&image);
        style->drawBezelOfOverflowButton(bar.bar->overflowPopUpButton(), bar.bar, painter, QRectF());
        return qGray(image.pixel(f.center()));
    };
    ASSERT_EQ(last->state(), platform::Cell::State::On);
    EXPECT_GT(overflowFill(), 150);
    bar.tabView->selectTabViewItemAtIndex(0);
    bar.bar->updateTabBar(false);
    EXPECT_EQ(overflowFill(), 0) << "only a separator beside an unselected last tab";
}
