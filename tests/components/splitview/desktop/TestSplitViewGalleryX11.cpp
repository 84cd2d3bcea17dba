// A gallery of split views on a real X server: nested split views of both
// orientations with divider images and colours, a collapsed and a hidden pane and
// coupled nested dividers. The screenshot is written for people to look at
// ($CHRONARK_SCREENSHOT_DIR, else the temporary folder).
#include "tests/support/TestSupport.h"
#include "tests/components/splitview/SplitViewTestSupport.h"

#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QImage grip(int width, int height, const QColor &colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(1, 1, width - 2, height - 2));
    return image;
}

QWidget *label(const QString &text, const QColor &colour)
{
    auto *widget = new QLabel(text);
    widget->setAlignment(Qt::AlignCenter);
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->resize(100, 100);
    return widget;
}

TEST(SplitViewGallery, NestedSplitViewsOfBothOrientations)
{
    ZQSplitView outer(QRectF(0, 0, 640, 420));
    outer.setDivider(grip(8, 24, QColor(60, 60, 60)));
    outer.setBackground(QColor(200, 205, 215));
    outer.addSubview(label(QStringLiteral("Sources"), QColor(235, 240, 250)));

    auto *middle = new ZQSplitView(QRectF(0, 0, 300, 420));
    outer.addSubview(middle);
    middle->addSubview(label(QStringLiteral("List"), QColor(255, 255, 255)));
    middle->addSubview(label(QStringLiteral("Detail"), QColor(250, 245, 230)));
    middle->addSubview(label(QStringLiteral("Hidden"), QColor(255, 0, 0)));

    auto *right = new ZQSplitView(QRectF(0, 0, 200, 420));
    outer.addSubview(right);
    right->setCoupled(false);
    right->setDivider(grip(30, 6, QColor(30, 90, 160)));
    right->setBackground(QColor(170, 200, 235));
    right->addSubview(label(QStringLiteral("Inspector"), QColor(240, 250, 240)));
    right->addSubview(label(QStringLiteral("Collapsed"), QColor(255, 0, 0)));
    right->addSubview(label(QStringLiteral("Notes"), QColor(250, 240, 250)));

    outer.move(40, 40);
    outer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&outer));
    middle->subviewAtPosition(2)->hide();
    ZQSplitSubview *collapsing = right->subviewAtPosition(1);
    collapsing->setCanCollapse(true);
    collapsing->collapse();
    outer.adjustSubviews();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !outer.mustAdjust() && !right->mustAdjust(); }));

    EXPECT_TRUE(middle->isHorizontal());
    EXPECT_TRUE(right->isHorizontal());
    EXPECT_TRUE(collapsing->isCollapsed());
    EXPECT_EQ(middle->ZQ___numberOfSubviews(), 2u);
    EXPECT_EQ(right->dividerThickness(), 6);
    EXPECT_EQ(middle->dividerThickness(), 24); // the outer image's height, coupled

    // Paint now and let the server catch up, so the screen shows the final layout.
    outer.repaint();
    QGuiApplication::sync();
    ASSERT_TRUE(QTest::qWaitFor([&] { return outer.screen()->grabWindow(outer.winId()).toImage() == outer.grab().toImage(); }));
    const QImage shot = outer.screen()->grabWindow(outer.winId()).toImage();
    const QString path = testsupport::screenshotPath(QStringLiteral("splitview-gallery.png"));
    ASSERT_TRUE(shot.save(path));
    std::printf("gallery screenshot: %s\n", qPrintable(path));
    ASSERT_EQ(shot.size(), QSize(640, 420));

    // Neither the hidden nor the collapsed pane shows (both are red).
    bool red = false;
    for (int y = 0; y < shot.height(); y += 2) {
        for (int x = 0; x < shot.width(); x += 2)
            red = red || shot.pixelColor(x, y) == QColor(255, 0, 0);
    }
    EXPECT_FALSE(red);
    // The middle split view's divider runs on through the outer divider beside it.
    const QRectF outerDivider = outer.dividerRects().at(0);
    const QRectF nestedDivider = middle->dividerRects().at(0);
    const QPoint crossing(int(outerDivider.center().x()), int(nestedDivider.center().y()));
    EXPECT_EQ(shot.pixelColor(crossing), QColor(60, 60, 60));
}

} // namespace
