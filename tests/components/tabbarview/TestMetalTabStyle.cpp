// What the Metal style draws of the bar and of a tab, read back from pixels.
#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/styles/KZMetalTabStyle.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/drawing/TabView.h"
#include "platform/drawing/WindowChrome.h"

#include <QMainWindow>
#include <QPainter>
#include <QToolBar>
#include <gtest/gtest.h>

namespace {

QImage bezelOf(KZTabBarView &bar)
{
    QImage image(bar.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    bar.drawBezelInRect(painter, QRectF(bar.rect()));
    return image;
}

bool rowIsLine(const QImage &image, int y)
{
    return qGray(image.pixel(image.width() / 2, y)) < 120;
}

} // namespace

TEST(MetalTabStyle, BarBackgroundAndBorderLines)
{
    KZTabBarView bar;
    bar.setOrientation(KZTabBarView::Vertical);
    bar.resize(1, 40);
    EXPECT_EQ(bezelOf(bar).pixel(0, 20), qRgb(255, 255, 255));
    bar.resize(2, 40);
    EXPECT_NE(bezelOf(bar).pixel(0, 20), qRgb(255, 255, 255));

    // Horizontal: the top line only under a visible toolbar without its separator.
    QMainWindow window;
    auto *toolbar = window.addToolBar(QStringLiteral("Tools"));
    auto *horizontal = new KZTabBarView(&window);
    window.setCentralWidget(horizontal);
    horizontal->resize(200, 22);
    struct Case
    {
        bool toolbarVisible;
        bool separator;
        bool topLine;
    };
    for (const Case c : {Case{true, true, false}, Case{true, false, true}, Case{false, false, false}}) {
        const int passes = horizontal->updateCount();
        const bool wasVisible = !toolbar->isHidden();
        toolbar->setHidden(!c.toolbarVisible);
        EXPECT_EQ(horizontal->updateCount() > passes, wasVisible != c.toolbarVisible);
        platform::WindowChrome::setShowsBaselineSeparator(toolbar, c.separator);
        const QImage image = bezelOf(*horizontal);
        EXPECT_EQ(rowIsLine(image, 0), c.topLine);
        EXPECT_TRUE(rowIsLine(image, 21));
        EXPECT_FALSE(rowIsLine(image, 10));
    }
}

TEST(MetalTabStyle, TrailingDividerBesideTheSelectedTab)
{
    KZTabBarView bar;
    bar.resize(300, 22);
    auto *button = new KZAttachedTabBarButton(QRect(10, 0, 100, 22), platform::TabViewItem::create(), &bar);
    auto *style = static_cast<KZMetalTabStyle *>(bar.style().get());
    const auto trailingColumn = [&](unsigned state) {
        button->setTabState(state);
        QImage image(120, 22, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        style->drawBezelInRect(painter, QRectF(0.5, 0.5, 99, 21), 0x100F, button, &bar);
        painter.end();
        return qGray(image.pixel(100, 10)) < 120 || qGray(image.pixel(99, 10)) < 120;
    };
    EXPECT_TRUE(trailingColumn(0x100));
    EXPECT_FALSE(trailingColumn(0x100 | KZTabBarView::KZTabStateRightNeighbourSelected));
    EXPECT_TRUE(trailingColumn(0x100 | KZTabBarView::KZTabStateRightNeighbourSelected
                               | KZTabBarView::KZTabStateRightNeighbourSliding));
    EXPECT_TRUE(trailingColumn(0x100 | KZTabBarView::KZTabStateRightNeighbourSelected
                               | KZTabBarView::KZTabStateRightNeighbourAtDropIndex));
}

TEST(MetalTabStyle, DecodedStyleKeepsImagesAndBuildsItsCounterAttributes)
{
    auto style = std::make_shared<KZMetalTabStyle>();
    const std::optional<QByteArray> data = platform::KeyedArchiver::archivedData(style);
    ASSERT_TRUE(data);
    const auto back = platform::KeyedUnarchiver::unarchivedObject<KZMetalTabStyle>(*data);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->objectCountStringAttributes().font.has_value());
    EXPECT_FALSE(back->closeButtonImageOfType(KZCloseButtonImageTypeDirtyPressed, KZTabBarButtonCell()).value().isNull());
    EXPECT_TRUE(back->closeButtonImageOfType(6, KZTabBarButtonCell()).value().isNull());
}
