// The anchored button bar in a split view (edge marks, the handle and a real divider
// drag over it, decoding, delegate passing) and its buttons' geometry, colours, arrows
// and edge lines, read back from the painted pixels.
#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredButton.h"
#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredButtonBar.h"
#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredPopUpButton.h"
#include "NTXAppKit/NTXAnchoredButtonBar/NTXUnanchoredButton.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/drawing/SplitView.h"
#include "platform/drawing/SystemColors.h"

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

class SubclassedBarButton : public NTXAnchoredButton
{
    Q_OBJECT
public:
    using NTXAnchoredButton::NTXAnchoredButton;
};

class PreviousSplitViewDelegate : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE bool splitViewCanCollapseSubview(platform::SplitView *, QWidget *) { return true; }
};

namespace {

int grey(const QImage &image, int x, int y)
{
    return qGreen(image.pixel(x, y));
}

// Runs of rows in the columns that hold a dark (arrow) pixel.
int darkRowRuns(const QImage &image, int fromColumn, int toColumn)
{
    int runs = 0;
    bool inRun = false;
    for (int y = 0; y < image.height(); ++y) {
        bool dark = false;
        for (int x = fromColumn; x <= toColumn; ++x)
            dark = dark || grey(image, x, y) < 150;
        runs += dark && !inRun;
        inRun = dark;
    }
    return runs;
}

struct SplitFixture
{
    platform::SplitView split;
    QWidget *left = new QWidget;
    QWidget *right = new QWidget;
    NTXAnchoredButtonBar *bar = nullptr;

    SplitFixture()
    {
        split.addWidget(left);
        split.addWidget(right);
        split.resize(400, 200);
        split.setSizes({200, 200});
        bar = new NTXAnchoredButtonBar(right);
    }
    void show()
    {
        split.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&split));
        bar->setGeometry(0, right->height() - bar->height(), right->width(), bar->height());
    }
};

TEST(AnchoredButtonBar, MarksOnlyItsOwnButtonClassesAtTheEdges)
{
    NTXAnchoredButtonBar bar;
    bar.resize(200, bar.height());
    auto *first = new NTXAnchoredButton(&bar);
    first->setGeometry(0, 0, 30, 24);
    auto *last = new NTXAnchoredPopUpButton(true, &bar);
    last->setGeometry(170, 0, 30, 24);
    auto *subclassed = new SubclassedBarButton(&bar);
    subclassed->setGeometry(0, 0, 20, 24);
    subclassed->setAtLeftEdgeOfBar(false);
    (void)bar.grab();
    EXPECT_TRUE(first->isAtLeftEdgeOfBar());
    EXPECT_FALSE(first->isAtRightEdgeOfBar());
    EXPECT_TRUE(last->isAtRightEdgeOfBar());
    EXPECT_FALSE(last->isAtLeftEdgeOfBar());
    EXPECT_FALSE(subclassed->isAtLeftEdgeOfBar());
}

TEST(AnchoredButtonBar, InTheLastPaneDrawsTheHandleLeftAndDragsTheDivider)
{
    SplitFixture f;
    f.show();
    EXPECT_EQ(f.split.delegate(), f.bar);
    EXPECT_TRUE(f.bar->handleIsRightAligned());
    EXPECT_EQ(f.bar->resizeHandleRect().x(), 4);

    // the grooves: dark at x 4, 7, 10 and light one pixel right and lower
    const QImage picture = f.bar->grab().toImage();
    const int row = f.bar->height() - 10; // within the handle's rows (6 ... 16 from the bottom)
    EXPECT_LT(grey(picture, 4, row), grey(picture, 6, row) - 60);
    EXPECT_GT(grey(picture, 5, row + 1), grey(picture, 6, row + 1));
    EXPECT_EQ(grey(picture, f.bar->width() - 11, row), grey(picture, f.bar->width() - 20, row)); // none at the right

    const int before = f.left->width();
    // 50 pixels left, given in the left pane, which stays where it is
    const QPoint target = f.left->mapFromGlobal(f.bar->mapToGlobal(QPoint(-45, 10)));
    QTest::mousePress(f.bar, Qt::LeftButton, {}, QPoint(5, 10));
    QTest::mouseMove(f.left, target);
    QTest::mouseRelease(f.left, Qt::LeftButton, {}, target);
    EXPECT_NEAR(f.left->width(), before - 50, 1);
}

TEST(AnchoredButtonBar, DecodesIndexTwoAsBorderedAndNotResizable)
{
    platform::KeyedArchiver archiver;
    archiver.encodeBool(true, QStringLiteral("NTXABBIsResizable"));
    archiver.encodeBool(true, QStringLiteral("NTXABBIsAtBottom"));
    archiver.encodeBool(false, QStringLiteral("NTXABBHandleIsRightAligned"));
    archiver.encodeInt32(2, QStringLiteral("NTXABBSelectedIndex"));
    const auto data = archiver.finishEncoding();
    ASSERT_TRUE(data);
    platform::KeyedUnarchiver unarchiver(*data);
    std::unique_ptr<NTXAnchoredButtonBar> bar(NTXAnchoredButtonBar::fromCoder(unarchiver));
    ASSERT_TRUE(bar);
    EXPECT_FALSE(bar->isResizable());
    EXPECT_FALSE(bar->isAtBottom());
    EXPECT_EQ(bar->height(), 24);
    EXPECT_TRUE(NTXAnchoredButtonBar::wasBorderedBar());
}

TEST(AnchoredButtonBar, PassesThePreviousDelegatesAnswerUnchanged)
{
    SplitFixture f;
    EXPECT_FALSE(f.bar->splitViewCanCollapseSubview(&f.split, f.left));
    PreviousSplitViewDelegate previous;
    f.bar->setSplitViewDelegate(&previous);
    EXPECT_TRUE(f.bar->splitViewCanCollapseSubview(&f.split, f.left));
    f.split.setDelegate(f.bar);
    EXPECT_TRUE(f.split.isCollapsible(0));
}

TEST(BarButtons, KeepTheirHeightColoursArrowsAndLines)
{
    NTXAnchoredButton button;
    button.setGeometry(0, 0, 40, 30);
    EXPECT_EQ(button.frame().height(), 24);
    NTXUnanchoredButton unanchored;
    unanchored.setGeometry(0, 0, 40, 30);
    EXPECT_EQ(unanchored.frame().height(), 22);

    button.setEnabled(false);
    EXPECT_EQ(button.buttonCell()->textColor(), platform::SystemColors::calibratedWhite(0.0392, 0.6));

    // a pop-up shows two arrows pointing apart, a pull-down one
    for (bool pullsDown : {false, true}) {
        NTXAnchoredPopUpButton popUp(pullsDown);
        popUp.resize(60, 24);
        const QImage image = popUp.grab().toImage();
        EXPECT_EQ(darkRowRuns(image, 60 - 11, 60 - 4), pullsDown ? 1 : 2) << "pulls down " << pullsDown;
    }

    // outside a bar: grey 0.7451 at the bottom; on a bottom bar 0.7922; 0.6667 at the top
    QWidget plain;
    auto *outside = new NTXAnchoredButton(&plain);
    outside->setGeometry(0, 0, 40, 24);
    NTXAnchoredButtonBar bar;
    auto *inside = new NTXAnchoredButton(&bar);
    inside->setGeometry(10, 0, 40, 24);
    const QImage out = outside->grab().toImage();
    const QImage in = inside->grab().toImage();
    EXPECT_NEAR(grey(out, 20, 23), 190, 1);
    EXPECT_NEAR(grey(in, 20, 23), 202, 1);
    EXPECT_NEAR(grey(out, 20, 0), 170, 1);
}

} // namespace

#include "TestAnchoredButtonBar.moc"
