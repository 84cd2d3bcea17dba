#include "platform/drawing/TrackingAreas.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using platform::TrackingAreas;

TEST(TrackingAreas, EnterAndExitFollowThePointer)
{
    QWidget view;
    view.resize(200, 50);
    auto *areas = new TrackingAreas(&view);
    QStringList events;
    areas->setEnteredHandler([&](int area, const QPointF &) { events << QStringLiteral("in%1").arg(area); });
    areas->setExitedHandler([&](int area, const QPointF &) { events << QStringLiteral("out%1").arg(area); });
    EXPECT_EQ(areas->addArea(QRectF(10, 10, 40, 30)), 0);
    EXPECT_EQ(areas->addArea(QRectF(60, 10, 40, 30)), 1);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    QTest::mouseMove(&view, QPoint(20, 20));
    QTest::mouseMove(&view, QPoint(25, 20)); // still inside: nothing
    QTest::mouseMove(&view, QPoint(70, 20)); // straight into the next: exit first
    EXPECT_EQ(events, (QStringList{"in0", "out0", "in1"}));
    EXPECT_TRUE(areas->isInside(1));

    // While a button is held nothing changes; the release reports what happened.
    events.clear();
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(70, 20));
    QTest::mouseMove(&view, QPoint(20, 20));
    EXPECT_TRUE(events.isEmpty());
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(20, 20));
    QCoreApplication::processEvents();
    EXPECT_EQ(events, (QStringList{"out1", "in0"}));

    // New areas under the pointer count as inside and report nothing.
    events.clear();
    areas->removeAllAreas();
    EXPECT_EQ(areas->addArea(QRectF(0, 0, 100, 50)), 0);
    EXPECT_TRUE(areas->isInside(0));
    QTest::mouseMove(&view, QPoint(150, 20));
    EXPECT_EQ(events, QStringList{"out0"});
}
