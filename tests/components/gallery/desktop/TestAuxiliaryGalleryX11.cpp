// The cover flow with its scroller and accessory, three spinners and four callouts
// on a real X server; the screen is saved as auxiliary-gallery.png (and the cover
// flow alone as coverflow-gallery.png) in $CHRONARK_SCREENSHOT_DIR or the temp folder.
#include "platform/layers/AnimationDriver.h"
#include "tests/support/DesktopTestSupport.h"
#include "tests/support/TestSupport.h"
#include "components/attachedwindow/FXAttachedWindow.h"
#include "components/flowview/NTXCoverFlowAccessoryController.h"
#include "components/flowview/NTXCoverFlowScroller.h"
#include "components/flowview/NTXCoverFlowView.h"
#include "components/spinner/JWSpinningProgressIndicator.h"

#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

QImage cover(int index)
{
    return testsupport::numberedPicture(index, 200, 41);
}

QLabel *calloutLabel(const QString &text)
{
    auto *label = new QLabel(text);
    label->setAlignment(Qt::AlignCenter);
    label->resize(110, 34);
    return label;
}

QString screenshotPath(const QString &name)
{
    return testsupport::screenshotPath(name);
}

} // namespace

TEST(AuxiliaryGallery, CoverFlowSpinnersAndCallouts)
{
    QWidget window;
    window.setGeometry(20, 20, 760, 520);
    window.setAutoFillBackground(true);
    auto *flow = new NTXCoverFlowView(&window);
    flow->setGeometry(0, 0, 760, 400);
    QVariantList content;
    for (int i = 0; i < 9; ++i)
        content.append(cover(i));
    content.insert(5, QStringLiteral("no picture")); // the right neighbour shows the placeholder
    flow->setContent(content);
    flow->setShowsScrollbar(true);
    auto *accessoryLabel = new QLabel;
    accessoryLabel->setStyleSheet(QStringLiteral("color: white;"));
    accessoryLabel->setAlignment(Qt::AlignCenter);
    accessoryLabel->resize(220, 22);
    NTXCoverFlowAccessoryController accessory(accessoryLabel);
    QObject::connect(&accessory, &NTXCoverFlowAccessoryController::representedObjectChanged, accessoryLabel, [&] {
        accessoryLabel->setText(QStringLiteral("Selected: cover %1").arg(flow->selectionIndex() + 1));
    });
    flow->setAccessoryController(&accessory);
    flow->setSelectionIndex(4);

    const struct
    {
        int x;
        bool turning;
        bool pie;
    } spinners[] = {{60, false, false}, {160, true, false}, {260, false, true}};
    for (const auto &s : spinners) {
        auto *spinner = new JWSpinningProgressIndicator(&window);
        spinner->setGeometry(s.x, 420, 64, 64);
        if (s.pie)
            spinner->setDoubleValue(25);
        if (s.turning)
            spinner->startAnimation();
    }

    QWidget parent;
    parent.setWindowTitle(QStringLiteral("Parent"));
    parent.setGeometry(900, 300, 200, 160);
    parent.setAutoFillBackground(true);
    parent.setPalette(QPalette(QColor(200, 210, 230)));

    window.show();
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    flow->imageLoadQueue().waitUntilAllOperationsAreFinished();

    const struct
    {
        qint32 side;
        QPointF point;
    } callouts[] = {{FXAttachedWindow::Below, {30, 0}},
                    {FXAttachedWindow::Right, {200, 80}},
                    {FXAttachedWindow::LeftExtendingUp, {0, 120}},
                    {FXAttachedWindow::BelowExtendingLeft, {190, 0}}};
    for (const auto &c : callouts) {
        FXAttachedWindow *callout =
            FXAttachedWindow::attach(calloutLabel(QStringLiteral("side %1").arg(c.side)), c.point, &parent, c.side, 2);
        ASSERT_TRUE(callout);
        callout->setBackgroundColor(QColor(255, 250, 220));
        callout->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(callout));
    }

    // The loads have arrived; let the move to the selection finish and show.
    ASSERT_TRUE(QTest::qWaitFor([] { return !platform::AnimationDriver::instance()->isTicking(); }, 10000));
    ASSERT_TRUE(desktoptest::waitUntilScreenSettles(flow)); // the spinners beside it turn
    QGuiApplication::sync();
    const QImage flowShot = flow->grab().toImage();
    ASSERT_TRUE(flowShot.save(screenshotPath(QStringLiteral("coverflow-gallery.png"))));
    const QImage screen = window.screen()->grabWindow(0).toImage();
    ASSERT_TRUE(screen.save(screenshotPath(QStringLiteral("auxiliary-gallery.png"))));
    std::printf("gallery screenshots: %s, %s\n", qPrintable(screenshotPath(QStringLiteral("coverflow-gallery.png"))),
                qPrintable(screenshotPath(QStringLiteral("auxiliary-gallery.png"))));

    // The selected cover is in the middle, face-on: its colour at the centre of its picture.
    const QRectF selected = flow->rectForItemAtIndex(4);
    const QPoint middle(int(selected.center().x()), int(flow->height() - selected.center().y()));
    EXPECT_EQ(flow->indexOfItemAtPoint(middle), 4);
    EXPECT_NEAR(selected.center().x(), flow->width() / 2.0, 2);
    EXPECT_NE(flowShot.pixelColor(middle), QColor(Qt::black));
}
