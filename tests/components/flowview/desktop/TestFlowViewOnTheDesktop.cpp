// The flow view on a real X server: a movie file playing in the selected item,
// the shared preview panel, and drags out of and into the view driven by xdotool.
#include "platform/layers/AnimationDriver.h"
#include "tests/support/GuiThreadWatchdog.h"
#include "tests/support/MachinePace.h"
#include "tests/support/TestSupport.h"
#include "components/flowview/KZFlowView.h"
#include "components/flowview/KZVideoOverlayLayer.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/media/MediaMovie.h"
#include "platform/media/MoviePoster.h"
#include "platform/media/PreviewPanel.h"
#include "tests/components/flowview/FlowViewItems.h"
#include "tests/components/flowview/desktop/MjpegAvi.h"
#include "tests/support/DesktopTestSupport.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMediaPlayer>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <iostream>

namespace {

using flowtest::ValueItem;

void showAt(QWidget &widget, const QRect &geometry)
{
    widget.setGeometry(geometry);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    QCoreApplication::processEvents();
}

// Where an item's picture stands, in screen coordinates.
QPoint screenCentreOf(KZFlowView &view, quint32 index)
{
    const QRectF r = view.rectInViewForLayer(view.imageLayerAtIndex(index).get());
    return view.mapToGlobal(QPoint(int(r.center().x()), int(view.height() - r.center().y())));
}

// Presses at `from`, moves through the points of the path in small steps, releases at the last.
void dragWithXdotool(QProcess &process, const QPoint &from, const QList<QPoint> &path)
{
    process.start(QStringLiteral("xdotool"), desktoptest::pointerDragArguments(from, path, 8, 0.05, 0.3));
}

class DropTarget : public QWidget
{
public:
    DropTarget() { setAcceptDrops(true); }
    QList<QUrl> dropped;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override { event->acceptProposedAction(); }
    void dragMoveEvent(QDragMoveEvent *event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent *event) override
    {
        dropped = event->mimeData()->urls();
        event->acceptProposedAction();
    }
};

// Starts a drag of a URI list when pressed and moved.
class DragSource : public QWidget
{
public:
    QList<QUrl> urls;

protected:
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (!(event->buttons() & Qt::LeftButton) || dragging)
            return;
        dragging = true;
        auto *drag = new QDrag(this);
        auto *payload = new QMimeData;
        payload->setUrls(urls);
        drag->setMimeData(payload);
        drag->exec(Qt::CopyAction);
        dragging = false;
    }

private:
    bool dragging = false;
};

class RecordingSource : public flowtest::ValueSource
{
public:
    std::optional<Qt::DropAction> flowViewValidateDrop(KZFlowView &, const QDropEvent &, unsigned index) override
    {
        validated.append(index);
        return Qt::CopyAction;
    }
    std::optional<bool> flowViewAcceptDrop(KZFlowView &, const QDropEvent &info, unsigned index) override
    {
        accepted.append(index);
        acceptedUrls = info.mimeData()->urls();
        return true;
    }
    QList<unsigned> validated;
    QList<unsigned> accepted;
    QList<QUrl> acceptedUrls;
};

class FlowViewOnTheDesktop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (int i = 0; i < 4; ++i) {
            const QString path = dir.filePath(QStringLiteral("picture %1.png").arg(i));
            flowtest::solid(QSize(240, 180), QColor::fromHsv(i * 80, 200, 230)).save(path);
            source.items.push_back(std::make_unique<ValueItem>(path, path, KZFlowView::PathRepresentationType,
                                                               QStringLiteral("picture %1").arg(i)));
        }
    }
    // The row's animations end: the animation heartbeat stops when nothing moves.
    static void animationsEnd()
    {
        ASSERT_TRUE(QTest::qWaitFor([] { return !platform::AnimationDriver::instance()->isTicking(); }, 10000));
    }
    void loadInto(KZFlowView &view)
    {
        view.setDataSource(&source);
        view.reloadContent();
        ASSERT_TRUE(QTest::qWaitFor([&] { return view.operationQueue().operationCount() == 0; }, 10000));
        animationsEnd();
    }
    QTemporaryDir dir;
    RecordingSource source;
};

TEST_F(FlowViewOnTheDesktop, AFileItemDraggedOutDeliversItsUri)
{
    KZFlowView view;
    showAt(view, QRect(20, 20, 800, 400));
    loadInto(view);
    view.setSelectedIndex(1);
    animationsEnd();
    DropTarget target;
    showAt(target, QRect(880, 20, 300, 300));

    QProcess xdotool;
    const QPoint start = screenCentreOf(view, 1);
    // Over its own picture first (no drop there), then out to the target.
    dragWithXdotool(xdotool, start, {start + QPoint(20, 10), target.mapToGlobal(QPoint(150, 150))});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !target.dropped.isEmpty(); }, 20000)) << "no drop arrived";
    xdotool.waitForFinished(5000);
    EXPECT_EQ(target.dropped, QList<QUrl>{QUrl::fromLocalFile(source.items[1]->valueForKey(QStringLiteral("imageItemUID")).toString())});
    EXPECT_FALSE(source.validated.contains(1u)) << "the own item over itself takes no drop";
    EXPECT_EQ(view.highlightedLayer(), nullptr);
}

TEST_F(FlowViewOnTheDesktop, AUriListDroppedOnAnItemReachesTheDataSource)
{
    KZFlowView view;
    showAt(view, QRect(20, 20, 800, 400));
    loadInto(view);
    view.setSelectedIndex(2); // facing front, where its middle is on its picture
    animationsEnd();
    DragSource from;
    from.urls = {QUrl::fromLocalFile(QStringLiteral("/tmp/dropped file.txt"))};
    showAt(from, QRect(880, 20, 200, 200));

    QProcess xdotool;
    dragWithXdotool(xdotool, from.mapToGlobal(QPoint(100, 100)), {screenCentreOf(view, 2)});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !source.accepted.isEmpty(); }, 20000)) << "no drop arrived";
    xdotool.waitForFinished(5000);
    EXPECT_EQ(source.accepted, QList<unsigned>{2u});
    EXPECT_EQ(source.acceptedUrls, from.urls);
}

TEST_F(FlowViewOnTheDesktop, ThePreviewPanelShowsTheSelectedFileAndPassesItsKeys)
{
    KZFlowView view;
    showAt(view, QRect(20, 20, 800, 400));
    loadInto(view);
    view.setCanControlQuickLookPanel(true);
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Space);
    ASSERT_TRUE(platform::PreviewPanel::sharedPreviewPanelExists());
    platform::PreviewPanel *panel = platform::PreviewPanel::sharedPreviewPanel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel->currentPicture().isNull(); }, 10000));
    EXPECT_EQ(panel->currentName(), QStringLiteral("picture 0.png"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
    const QString shot = testsupport::screenshotPath(QStringLiteral("flowview-preview-panel.png"));
    panel->grab().save(shot);
    std::cout << "preview panel: " << shot.toStdString() << std::endl;

    // A key pressed in the panel goes to the view; the panel follows the selection.
    QTest::keyClick(panel, Qt::Key_Right);
    EXPECT_EQ(view.selectedIndex(), 1u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->currentName() == QStringLiteral("picture 1.png"); }, 5000));
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_FALSE(panel->isVisible());
    panel->setDataSource(nullptr);
    panel->setDelegate(nullptr);
}

// Waits until `done` holds while the movie's player moves on, however slowly: fails
// at once when the player reports an error, and when it reported nothing at all (no
// status, position, length or picture) for StallMs, stretched by the machine's pace
// meanwhile (a player that the programs beside the tests slow down has not stalled).
::testing::AssertionResult whilePlayerMovesOn(const platform::MediaMovie &movie, const std::function<bool()> &done,
                                              const char *what)
{
    constexpr int StallMs = 30000;
    namespace pace = testsupport::MachinePace;
    for (;;) {
        const quint64 seen = movie.progress();
        const auto changed = [&] { return done() || !movie.errorString().isEmpty() || movie.progress() != seen; };
        const qint64 since = pace::nowNs();
        bool moved = QTest::qWaitFor(changed, StallMs);
        while (!moved && (pace::nowNs() - since) / 1000000 < pace::stretchedMs(StallMs, since))
            moved = QTest::qWaitFor(changed, 1000);
        if (done())
            return ::testing::AssertionSuccess();
        if (!movie.errorString().isEmpty())
            return ::testing::AssertionFailure() << what << ": the player failed: " << movie.errorString().toStdString();
        if (!moved)
            return ::testing::AssertionFailure() << what << ": the player reported nothing for "
                                                 << (pace::nowNs() - since) / 1000000 << " ms (the limit is " << StallMs
                                                 << " ms × " << double(pace::stretchedMs(StallMs, since)) / StallMs
                                                 << ", the machine's pace then; " << movie.frameCount() << " pictures)";
    }
}

// The players (the poster's and the movie's) run off the GUI thread: no hold of it is
// excused here, on a busy machine neither.
TEST_F(FlowViewOnTheDesktop, AMoviePlaysInTheSelectedItem)
{
    if (!QMediaPlayer().isAvailable())
        GTEST_SKIP() << "Qt Multimedia has no media backend on this machine";
    QList<QImage> frames;
    for (int i = 0; i < 30; ++i)
        frames.append(flowtest::solid(QSize(160, 120), QColor::fromHsv(i * 12, 220, 230)));
    const QString movie = dir.filePath(QStringLiteral("clip.avi"));
    ASSERT_TRUE(flowtest::MjpegAviWriter::write(movie, frames, 10));

    source.items[0] = std::make_unique<ValueItem>(movie, movie, KZFlowView::QTMoviePathRepresentationType,
                                                  QStringLiteral("clip"));
    KZFlowView view;
    showAt(view, QRect(20, 20, 800, 400));
    view.setSelectedIndex(KZFlowView::NotFound);
    loadInto(view);
    ASSERT_EQ(view.selectedIndex(), 0u);
    const auto movieLayer = view.movieLayerAtIndex(0);
    ASSERT_TRUE(movieLayer) << "the selected movie item gets a movie layer";
    auto *played = dynamic_cast<platform::MediaMovie *>(movieLayer->movie().get());
    ASSERT_TRUE(played);
    const auto overlay = view.overlayLayerAtIndex(0);
    ASSERT_TRUE(overlay);
    view.mouseEnteredLayerAtIndex(0);
    EXPECT_FALSE(overlay->isHidden());
    overlay->buttonLayer()->performClick();
    EXPECT_GT(played->rate(), 0.0) << "a click plays at once";
    ASSERT_TRUE(whilePlayerMovesOn(*played, [&] { return played->frameCount() > 3; }, "no pictures played"));
    const qreal first = overlay->indicatorValue();
    ASSERT_TRUE(whilePlayerMovesOn(*played, [&] { return overlay->indicatorValue() > first; }, "the ring stands still"));
    EXPECT_FALSE(movieLayer->contents().isNull());
    EXPECT_TRUE(played->errorString().isEmpty()) << played->errorString().toStdString();

    view.setSelectedIndex(1);
    EXPECT_EQ(played->rate(), 0.0) << "deselecting stops the movie";
    EXPECT_FALSE(view.movieLayerAtIndex(0));
}

// A movie's poster is its first picture, taken on the worker that asks (the GUI thread
// goes on meanwhile, and gets none itself); a cancelled wait answers none.
TEST_F(FlowViewOnTheDesktop, AMoviesPosterIsTakenOnTheAskingWorker)
{
    if (!QMediaPlayer().isAvailable())
        GTEST_SKIP() << "Qt Multimedia has no media backend on this machine";
    QList<QImage> frames;
    for (int i = 0; i < 10; ++i)
        frames.append(flowtest::solid(QSize(160, 120), i == 0 ? QColor(20, 200, 40) : QColor(200, 20, 40)));
    const QString movie = dir.filePath(QStringLiteral("poster.avi"));
    ASSERT_TRUE(flowtest::MjpegAviWriter::write(movie, frames, 10));
    const QUrl url = QUrl::fromLocalFile(movie);
    EXPECT_TRUE(platform::MoviePoster::posterFrame(url).isNull()) << "the GUI thread never waits for one";

    QImage poster, cancelled;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        poster = platform::MoviePoster::posterFrame(url);
        cancelled = platform::MoviePoster::posterFrame(url, platform::MoviePoster::DefaultTimeoutMs, [] { return true; });
        done = true;
    });
    const bool answered = QTest::qWaitFor([&] { return done.load(); }, 60000);
    worker.join();
    ASSERT_TRUE(answered);
    ASSERT_FALSE(poster.isNull()) << "no poster";
    const QColor middle = poster.pixelColor(poster.width() / 2, poster.height() / 2);
    EXPECT_GT(middle.green(), 150) << "the first picture, not a later one";
    EXPECT_LT(middle.red(), 80);
    EXPECT_TRUE(cancelled.isNull());
}

} // namespace
