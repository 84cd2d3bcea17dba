#include "platform/drawing/TrackingAreas.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "tests/support/ExceptionLog.h"

#include <QApplication>
#include <QHelpEvent>

#include <QTest>
#include <QWidget>

#include <stdexcept>
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

namespace {

struct Owner : platform::TrackingAreaOwner
{
    QStringList *events;
    explicit Owner(QStringList *list) : events(list) {}
    void mouseEntered(const platform::TrackingEvent &e) override { *events << QStringLiteral("in%1:%2").arg(e.tag).arg(e.userData.toString()); }
    void mouseExited(const platform::TrackingEvent &e) override { *events << QStringLiteral("out%1:%2").arg(e.tag).arg(e.userData.toString()); }
};

} // namespace

TEST(TrackingAreas, TaggedRectanglesWithOwnersAndToolTips)
{
    QWidget view;
    view.resize(200, 50);
    auto *areas = new TrackingAreas(&view);
    QStringList events;
    Owner owner(&events);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    const int a = areas->addTrackingRect(QRectF(10, 10, 40, 30), &owner, QStringLiteral("a"), false);
    const int b = areas->addTrackingRect(QRectF(60, 10, 40, 30), &owner, QStringLiteral("b"), true); // assumed inside
    EXPECT_GT(a, 0);
    EXPECT_NE(a, b);
    QTest::mouseMove(&view, QPoint(20, 20));
    EXPECT_EQ(events, (QStringList{QStringLiteral("out%1:b").arg(b), QStringLiteral("in%1:a").arg(a)}));
    areas->removeTrackingRect(a);
    areas->removeAllAreas(); // numbered areas only
    EXPECT_TRUE(areas->hasTrackingRect(b));
    events.clear();
    QTest::mouseMove(&view, QPoint(150, 20));
    EXPECT_TRUE(events.isEmpty());

    const int tip = areas->addToolTipRect(QRectF(0, 0, 100, 50), [](int, const QPointF &p, const QVariant &data) {
        return QStringLiteral("%1 at %2").arg(data.toString()).arg(p.x());
    }, QStringLiteral("tab"));
    areas->addToolTipRect(QRectF(50, 0, 50, 50), [](int, const QPointF &, const QVariant &) { return QString(); });
    EXPECT_EQ(areas->toolTipAt(QPointF(10, 5)), QStringLiteral("tab at 10"));
    EXPECT_EQ(areas->toolTipAt(QPointF(60, 5)), QString()); // the later rectangle wins
    EXPECT_EQ(areas->toolTipAt(QPointF(150, 5)), QString());
    areas->removeToolTip(tip);
    EXPECT_EQ(areas->numberOfToolTipRects(), 1);
    areas->removeAllToolTips();
    EXPECT_EQ(areas->numberOfToolTipRects(), 0);
}

namespace {

struct FailingOwner : platform::TrackingAreaOwner
{
    QStringList *events;
    explicit FailingOwner(QStringList *list) : events(list) {}
    void mouseEntered(const platform::TrackingEvent &e) override
    {
        *events << QStringLiteral("in%1").arg(e.tag);
        throw platform::Exception(platform::Exception::RangeException, QStringLiteral("objectIndex invalid"));
    }
    void mouseExited(const platform::TrackingEvent &e) override { *events << QStringLiteral("out%1").arg(e.tag); }
};

} // namespace

// Handlers, owners and tool-tip providers that raise: each exception stops in the
// tracking areas (never at the application object), the other handlers of the same
// move still hear, the areas' state follows the pointer, and a direct toolTipAt()
// passes the provider's exception on to its caller.
TEST(TrackingAreas, AHandlerThatRaisesStopsThereAndTheOthersStillHear)
{
    testsupport::ExceptionLog log;
    const int before = platform::ExceptionBoundary::caughtCount();
    QStringList events;
    FailingOwner owner(&events); // both outlive the view, which reports the pointer gone when it goes
    QWidget view;
    view.resize(200, 50);
    auto *areas = new TrackingAreas(&view);
    areas->setEnteredHandler([&](int area, const QPointF &) {
        events << QStringLiteral("in%1").arg(area);
        throw std::out_of_range("area beyond bounds");
    });
    areas->setExitedHandler([&](int area, const QPointF &) {
        events << QStringLiteral("out%1").arg(area);
        if (area == 0)
            throw platform::Exception(platform::Exception::RangeException, QStringLiteral("groupIndex invalid"));
    });
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    areas->addArea(QRectF(10, 10, 40, 30));
    const int tag = areas->addTrackingRect(QRectF(10, 10, 90, 30), &owner, {}, false);

    QTest::mouseMove(&view, QPoint(20, 20)); // area 0 and the rectangle entered: two raise
    EXPECT_EQ(events, (QStringList{QStringLiteral("in0"), QStringLiteral("in%1").arg(tag)}));
    EXPECT_TRUE(areas->isInside(0));
    EXPECT_TRUE(areas->isInsideTrackingRect(tag));
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 2);

    events.clear();
    QTest::mouseMove(&view, QPoint(150, 20)); // both left: the first exited handler raises
    EXPECT_EQ(events, (QStringList{QStringLiteral("out0"), QStringLiteral("out%1").arg(tag)}));
    EXPECT_FALSE(areas->isInside(0));
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 3);

    // After a release the check runs from a queued call.
    events.clear();
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(150, 20));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(20, 20));
    ASSERT_TRUE(QTest::qWaitFor([&] { return events.size() == 2; }));
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 5);

    areas->addToolTipRect(QRectF(0, 0, 200, 50), [](int, const QPointF &, const QVariant &) -> QString {
        throw platform::Exception(platform::Exception::RangeException, QStringLiteral("no tool tip there"));
    });
    QHelpEvent help(QEvent::ToolTip, QPoint(30, 20), view.mapToGlobal(QPoint(30, 20)));
    EXPECT_TRUE(QApplication::sendEvent(&view, &help)) << "the rectangle answered the tool tip (with none)";
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 6);
    EXPECT_THROW(areas->toolTipAt(QPointF(30, 20)), platform::Exception);
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 6);

    EXPECT_EQ(log.messages().size(), 6);
    EXPECT_TRUE(log.allStoppedAtTheirEntries()) << log.messages().join(QLatin1Char('\n')).toStdString();
}
