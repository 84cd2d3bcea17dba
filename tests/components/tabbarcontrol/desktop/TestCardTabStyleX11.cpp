// The card style's look while the application is not active, on a real X server:
// only there can a test take the input focus from every window (the offscreen
// platform keeps an application active once a window was).
#include "tests/components/tabbarcontrol/TabBarControlTestSupport.h"
#include "tests/support/DesktopTestSupport.h"
#include "components/tabbarcontrol/styles/VTCardTabStyle.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

using namespace tabbarcontroltest;

namespace {

QImage picture(VTTabBarControl &control, const VTTabBarCell *only = nullptr)
{
    QImage image(control.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    if (only)
        control.style()->drawTabCell(only, painter);
    else
        control.style()->drawTabBar(&control, painter, QRectF(0, 0, 400, 22));
    return image;
}

} // namespace

// Cards are filled only while the application is active: with no window active
// only the outline is drawn, and the bar takes the window's colour while its bottom
// line still breaks under the selected tab.
TEST(CardTabStyleX11, InactiveApplicationDrawsOutlinesOnly)
{
    QWidget window;
    Bar bar(400, 3);
    bar.control->setParent(&window);
    bar.control->setStyleNamed(QStringLiteral("Card"));
    bar.control->updateTabBar(false);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    VTTabBarCell *other = bar.cell(2);
    const QRectF f = other->frame();
    EXPECT_GT(qAlpha(picture(*bar.control, other).pixel(int(f.x() + 3), int(f.y() + 15))), 0) << "active: filled";

    {
        const desktoptest::NoInputFocus noFocus;
        ASSERT_TRUE(noFocus.applicationInactive());
        EXPECT_EQ(qAlpha(picture(*bar.control, other).pixel(int(f.x() + 3), int(f.y() + 15))), 0);
        const QImage whole = picture(*bar.control);
        const QRectF selected = bar.cell(0)->frame();
        EXPECT_EQ(whole.pixel(int(selected.center().x()), 21),
                  picture(*bar.control, bar.cell(0)).pixel(int(selected.center().x()), 21));
        EXPECT_NE(whole.pixel(398, 21), whole.pixel(398, 10));
    }
    bar.control->setParent(nullptr);
}
