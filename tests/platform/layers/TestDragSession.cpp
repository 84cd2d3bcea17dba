// In-process drags offscreen: the order of destination and source calls, a refused
// drop, Escape, the slide back; the drag window's size, image switch and cross-fade.
#include "tests/platform/layers/LayerTestSupport.h"

#include "platform/layers/DragDestinationAdapter.h"
#include "platform/layers/DragSession.h"
#include "platform/layers/DragWindow.h"
#include "platform/layers/DragWindowFade.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QStringList>
#include <QWidget>

using namespace platform;

namespace {

struct Target : QWidget, DragDestination {
    QStringList calls;
    Qt::DropAction answer = Qt::MoveAction;
    bool sawSession = false;
    Qt::DropAction dragEntered(const DragInfo &info) override
    {
        calls << QStringLiteral("entered");
        sawSession = info.session() != nullptr;
        return answer;
    }
    Qt::DropAction dragUpdated(const DragInfo &) override { return calls << QStringLiteral("updated"), answer; }
    void dragExited(const DragInfo &) override { calls << QStringLiteral("exited"); }
    bool prepareForDrop(const DragInfo &) override { return calls << QStringLiteral("prepare"), true; }
    bool performDrop(const DragInfo &info) override
    {
        calls << QStringLiteral("perform");
        return info.hasPasteboardType(QStringLiteral("tab"));
    }
    void concludeDrop(const DragInfo &) override { calls << QStringLiteral("conclude"); }
};

struct Source : DragSource {
    QStringList calls;
    Qt::DropAction ended = Qt::CopyAction;
    void draggedImageBeganAt(DragSession &, QPoint) override { calls << QStringLiteral("began"); }
    void draggedImageMovedTo(DragSession &, QPoint) override { calls << QStringLiteral("moved"); }
    void draggedImageEndedAt(DragSession &, QPoint, Qt::DropAction operation) override
    {
        calls << QStringLiteral("ended");
        ended = operation;
    }
};

std::unique_ptr<QMimeData> tabData()
{
    auto data = std::make_unique<QMimeData>();
    data->setData(DragInfo::formatForPasteboardType(QStringLiteral("tab")), "title");
    return data;
}

class DragSessionTest : public layertest::FrozenClockTest
{
protected:
    void SetUp() override
    {
        FrozenClockTest::SetUp();
        source.setGeometry(0, 0, 100, 100);
        target.setGeometry(300, 0, 100, 100);
        source.show();
        target.show();
    }
    QWidget source;
    Target target;
    Source sourceCalls;
};

} // namespace

TEST_F(DragSessionTest, DropsOnTheDestinationUnderThePointer)
{
    DragSession *session = DragSession::begin(&source, &sourceCalls, tabData(), QPoint(50, 50));
    ASSERT_TRUE(session);
    EXPECT_TRUE(session->hasGrab());
    EXPECT_FALSE(DragSession::begin(&source, &sourceCalls, tabData(), QPoint(50, 50))); // one at a time
    session->moveTo(QPoint(350, 50));
    session->moveTo(QPoint(360, 50));
    session->moveTo(QPoint(200, 50)); // out and back in
    session->moveTo(QPoint(360, 50));
    QSignalSpy finished(session, &DragSession::finished);
    session->drop();
    EXPECT_EQ(target.calls, QStringList({"entered", "updated", "exited", "entered", "prepare", "perform", "conclude"}));
    EXPECT_TRUE(target.sawSession);
    EXPECT_EQ(sourceCalls.calls.first(), QStringLiteral("began"));
    EXPECT_EQ(sourceCalls.calls.last(), QStringLiteral("ended"));
    EXPECT_EQ(sourceCalls.ended, Qt::MoveAction);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(DragSession::current(), nullptr);
}

TEST_F(DragSessionTest, RefusalEscapeAndSlideBackEndWithoutADrop)
{
    target.answer = Qt::IgnoreAction; // a refusing destination hears exited, not perform
    DragSession *session = DragSession::begin(&source, &sourceCalls, tabData(), QPoint(50, 50));
    session->moveTo(QPoint(350, 50));
    session->drop();
    EXPECT_EQ(target.calls, QStringList({"entered", "exited"}));
    EXPECT_EQ(sourceCalls.ended, Qt::IgnoreAction);
    deliver();

    target.calls.clear();
    target.answer = Qt::MoveAction;
    QImage picture(20, 10, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::red);
    session = DragSession::begin(&source, &sourceCalls, tabData(), QPoint(50, 50), {picture, QPoint(5, 5), true});
    ASSERT_TRUE(session->imageWindow());
    session->moveTo(QPoint(350, 50));
    EXPECT_EQ(session->imageWindow()->pos(), QPoint(345, 45));
    QSignalSpy finished(session, &DragSession::finished);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(QWidget::keyboardGrabber(), &escape);
    EXPECT_EQ(target.calls, QStringList({"entered", "exited"}));
    EXPECT_EQ(finished.count(), 0); // still sliding home
    deliver();
    advance(125);
    EXPECT_GT(session->imageWindow()->x(), 45);
    EXPECT_LT(session->imageWindow()->x(), 345);
    advance(150);
    EXPECT_EQ(finished.count(), 1);
}

TEST_F(DragSessionTest, ForeignDragsReachTheSameInterfaceWithoutASession)
{
    DragDestinationAdapter::install(&target);
    EXPECT_TRUE(target.acceptDrops());
    QMimeData data;
    data.setData(DragInfo::formatForPasteboardType(QStringLiteral("tab")), "forged");
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &enter);
    EXPECT_FALSE(target.sawSession);
    EXPECT_EQ(DragDestinationAdapter::install(&source), nullptr);
}

TEST_F(DragSessionTest, DragWindowSizeSwitchAndFade)
{
    QImage tab(40, 20, QImage::Format_ARGB32_Premultiplied);
    tab.fill(Qt::blue);
    DragWindow plain(tab);
    DragWindow titled(tab, true);
    EXPECT_EQ(plain.size(), QSize(40, 20));
    EXPECT_EQ(titled.size(), QSize(40, 42));
    EXPECT_TRUE(plain.windowFlags() & Qt::WindowTransparentForInput);

    plain.switchImages(); // no alternate image: nothing
    EXPECT_FALSE(plain.isAnimating());
    QImage mini(120, 80, QImage::Format_ARGB32_Premultiplied);
    mini.fill(Qt::green);
    plain.setAlternateImage(mini);
    QCursor::setPos(500, 500);
    plain.switchImages();
    advance(100);
    const double progress = plain.switchProgress();
    EXPECT_NEAR(progress, 0.4, 1e-9);
    plain.switchImages(); // reversed from where it stood
    EXPECT_NEAR(plain.switchProgress(), 0.6, 1e-9);
    EXPECT_FALSE(plain.isShowingAlternate());
    advance(100);
    plain.animationStep();
    EXPECT_FALSE(plain.isAnimating());
    EXPECT_EQ(plain.geometry(), QRect(480, 490, 40, 20)); // back at the tab's size, centred on the pointer
    EXPECT_DOUBLE_EQ(plain.dragView()->fadeValue(), 1.0);

    DragWindow back(mini);
    plain.setAlpha(0.75);
    back.setAlpha(0.75);
    DragWindowFade fade;
    const auto run = [&](DragWindowFade::Direction direction) {
        fade.start(direction, &plain, &back);
        int changing = 0;
        while (fade.isRunning()) {
            const double before = back.alpha();
            fade.tick();
            changing += back.alpha() != before;
        }
        return changing;
    };
    EXPECT_EQ(run(DragWindowFade::Direction::Out), 5);
    EXPECT_EQ(back.alpha(), 0.0);
    EXPECT_EQ(plain.alpha(), 0.75);
    EXPECT_EQ(run(DragWindowFade::Direction::In), 5);
    EXPECT_EQ(back.alpha(), 0.75);
    EXPECT_EQ(plain.alpha(), 0.0);

    QWidget window;
    window.resize(250, 100);
    EXPECT_EQ(DragWindow::miniature(&window).deviceIndependentSize().toSize(), QSize(125, 50));
}

// A window with a shadow keeps its content at the image's size and where it is placed,
// and draws a soft shadow below it in the room around it; one without draws nothing
// there.
TEST_F(DragSessionTest, ADragWindowsShadowLiesAroundItsContent)
{
    QImage tab(40, 20, QImage::Format_ARGB32_Premultiplied);
    tab.fill(Qt::blue);
    for (const bool titled : {false, true}) {
        DragWindow window(tab, titled);
        const int top = titled ? DragWindow::TitleBarHeight : 0;
        window.setTopLeft(QPoint(300, 200));
        window.setHasShadow(true);
        const int m = window.shadowMargin();
        ASSERT_GT(m, 0);
        EXPECT_EQ(window.size(), QSize(40 + 2 * m, 20 + top + 2 * m));
        EXPECT_EQ(window.pos(), QPoint(300 - m, 200 - m)) << "the content stays where it was";
        EXPECT_EQ(window.dragView()->geometry(), QRect(m, m + top, 40, 20));
        window.setTopLeft(QPoint(100, 100));
        EXPECT_EQ(window.mapToGlobal(window.dragView()->geometry().topLeft() - QPoint(0, top)), QPoint(100, 100));
        window.centreOn(QPoint(500, 500));
        EXPECT_EQ(window.pos() + QPoint(window.width() / 2, window.height() / 2), QPoint(500, 500));
        const QPoint centred = window.pos();

        QImage picture(window.size(), QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        window.render(&picture);
        const int below = m + top + 20 + 2; // just under the content
        EXPECT_GT(qAlpha(picture.pixel(m + 20, below)), 0) << "shadow under the content";
        EXPECT_GT(qAlpha(picture.pixel(m + 20, below)), qAlpha(picture.pixel(m + 20, m - 4))) << "more below than above";
        EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0) << "soft: nothing at the far corner";

        // The offscreen platform composites its windows: the shadow has its room. A
        // switch to another image (a miniwindow's: untitled) ends at that image's size
        // with the same room on every side, centred on the pointer.
        EXPECT_EQ(m, DragWindow::ShadowMargin);
        if (!titled) {
            QImage other(60, 30, QImage::Format_ARGB32_Premultiplied);
            other.fill(Qt::red);
            window.setAlternateImage(other);
            QCursor::setPos(400, 300);
            window.switchImages();
            advance(300);
            window.animationStep();
            ASSERT_FALSE(window.isAnimating());
            const QSize shown(60 + 2 * m, 30 + 2 * m);
            EXPECT_EQ(window.geometry(), QRect(QPoint(400, 300) - QPoint(shown.width() / 2, shown.height() / 2), shown));
            EXPECT_EQ(window.dragView()->size(), QSize(60, 30));
            window.switchImages();
            advance(300);
            window.animationStep();
            window.centreOn(QPoint(500, 500));
        }

        window.setHasShadow(false);
        EXPECT_EQ(window.size(), QSize(40, 20 + top));
        EXPECT_EQ(window.pos(), centred + QPoint(m, m)) << "the content stays where it was";
        picture = QImage(window.size(), QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        window.render(&picture);
        EXPECT_EQ(qAlpha(picture.pixel(20, 20 + top - 1)), 255);
    }
}
