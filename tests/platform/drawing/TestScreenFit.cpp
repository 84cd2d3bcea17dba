#include "platform/drawing/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

using namespace platform;

// A new window's frame cascades from the last one: a step right and down, starting
// again at the area's edge only on an axis where it would leave the area. A frame
// that ends exactly at the area's right or bottom edge fits, and stays.
TEST(ScreenFit, ACascadedFrameStartsAgainOnlyWhereItWouldLeaveTheArea)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_GE(area.width(), 400);
    ASSERT_GE(area.height(), 300);
    const QSize size(200, 100);
    const int step = 22;
    const struct
    {
        const char *what;
        QPoint previous;
        QPoint expected;
    } cases[] = {
        {"inside", area.topLeft() + QPoint(10, 10), area.topLeft() + QPoint(32, 32)},
        {"ends at the right edge", QPoint(area.right() + 1 - size.width() - step, area.top() + 10),
         QPoint(area.right() + 1 - size.width(), area.top() + 32)},
        {"one past the right edge", QPoint(area.right() + 2 - size.width() - step, area.top() + 10),
         QPoint(area.left(), area.top() + 32)},
        {"ends at the bottom edge", QPoint(area.left() + 10, area.bottom() + 1 - size.height() - step),
         QPoint(area.left() + 32, area.bottom() + 1 - size.height())},
        {"one past the bottom edge", QPoint(area.left() + 10, area.bottom() + 2 - size.height() - step),
         QPoint(area.left() + 32, area.top())},
        {"left of the area", area.topLeft() - QPoint(100, 0), QPoint(area.left(), area.top() + step)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ScreenFit::cascadedTopLeft(QRect(c.previous, size), size, step), c.expected) << c.what;
}
