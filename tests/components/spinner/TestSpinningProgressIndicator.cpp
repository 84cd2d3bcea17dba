#include "components/spinner/JWSpinningProgressIndicator.h"
#include "platform/foundation/AssertionHandler.h"
#include "platform/foundation/Exception.h"
#include "tests/support/ThreadState.h"

#include <QCoreApplication>
#include <QImage>
#include <QSet>
#include <QTest>
#include <QThread>
#include <atomic>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <utility>
#include <sys/syscall.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <thread>

namespace {

// Records on which thread each paint runs.
class ProbeSpinner : public JWSpinningProgressIndicator
{
public:
    using JWSpinningProgressIndicator::JWSpinningProgressIndicator;
    int paints = 0;
    int paintsOffGuiThread = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++paints;
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            ++paintsOffGuiThread;
        JWSpinningProgressIndicator::paintEvent(event);
    }
};

QImage render(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The alpha at a distance from the middle of a 100 × 100 picture, at an angle
// counted counter-clockwise from twelve o'clock.
int alphaAt(const QImage &image, qreal radius, qreal radians)
{
    const int x = int(std::lround(50 - radius * std::sin(radians)));
    const int y = int(std::lround(50 - radius * std::cos(radians)));
    return qAlpha(image.pixel(x, y));
}

// A thread held in a signal handler until the test lets it go (or 5 s pass, so that a
// caller waiting for the thread learns it rather than hangs).
std::atomic<bool> threadHeld{false};
std::atomic<bool> threadLetGo{false};
int letGoPipe[2] = {-1, -1};

void holdThread(int)
{
    threadHeld = true;
    pollfd letGo{letGoPipe[0], POLLIN, 0};
    ::poll(&letGo, 1, 5000);
    threadLetGo = true;
}

} // namespace

TEST(SpinningProgressIndicator, DeterminateIndicatorDoesNotStart)
{
    QWidget window;
    JWSpinningProgressIndicator spinner(&window);
    spinner.setIndeterminate(false);
    spinner.startAnimation();
    EXPECT_FALSE(spinner.isAnimating());
    EXPECT_FALSE(spinner.hasAnimationTimer());
}

TEST(SpinningProgressIndicator, StoppedIndicatorDrawsTwelveFaintFins)
{
    JWSpinningProgressIndicator spinner;
    spinner.resize(100, 100);
    const QImage image = render(spinner);
    for (int fin = 0; fin < 12; ++fin) {
        const int alpha = alphaAt(image, 33, fin * 6.282185 / 12);
        EXPECT_NEAR(alpha, 51, 6) << "fin " << fin;
        // Between two fins there is nothing.
        EXPECT_EQ(alphaAt(image, 33, (fin + 0.5) * 6.282185 / 12), 0) << "after fin " << fin;
    }
}

TEST(SpinningProgressIndicator, DoubleValueStopsAndShowsThePie)
{
    QWidget window;
    JWSpinningProgressIndicator spinner(&window);
    spinner.resize(100, 100);
    window.show();
    spinner.startAnimation();
    ASSERT_TRUE(spinner.hasAnimationTimer());
    spinner.setDoubleValue(25);
    EXPECT_FALSE(spinner.isAnimating());
    EXPECT_FALSE(spinner.hasAnimationTimer());
    EXPECT_FALSE(spinner.isIndeterminate());
    const QImage image = render(spinner);
    const qreal quarter = M_PI / 2;
    EXPECT_EQ(alphaAt(image, 20, -quarter / 2), 255); // between twelve and three o'clock
    EXPECT_EQ(alphaAt(image, 20, quarter / 2), 0);    // between nine and twelve
    EXPECT_EQ(alphaAt(image, 20, -quarter * 1.5), 0); // past three o'clock
}

TEST(SpinningProgressIndicator, PieFractionStaysInRange)
{
    JWSpinningProgressIndicator spinner;
    spinner.resize(100, 100);
    const struct
    {
        double value, maximum, fraction;
    } cases[] = {{25, 100, 0.25}, {150, 100, 1.0}, {-5, 100, 0.0}, {5, 0, 0.0}, {5, -10, 0.0}, {0, 0, 0.0}};
    for (const auto &c : cases) {
        spinner.setMaxValue(c.maximum);
        spinner.setDoubleValue(c.value);
        EXPECT_DOUBLE_EQ(spinner.pieFraction(), c.fraction) << c.value << " of " << c.maximum;
    }
    spinner.setMaxValue(0);
    spinner.setDoubleValue(50);
    EXPECT_EQ(alphaAt(render(spinner), 20, -M_PI / 4), 0);
}

TEST(SpinningProgressIndicator, ThreadedAnimationPaintsOnlyOnTheGuiThread)
{
    QWidget window;
    window.resize(120, 120);
    auto *spinner = new ProbeSpinner(&window);
    spinner->resize(100, 100);
    spinner->setUsesThreadedAnimation(true);
    window.show();
    spinner->startAnimation();
    ASSERT_TRUE(spinner->hasAnimationThread());
    const int start = spinner->position();
    QTRY_VERIFY_WITH_TIMEOUT(spinner->paints >= 3 && spinner->position() != start, 5000);
    EXPECT_EQ(spinner->paintsOffGuiThread, 0);
    spinner->stopAnimation();
    EXPECT_FALSE(spinner->hasAnimationThread());

    // Destroyed while turning: the thread is told to stop, its posted repaints dropped.
    spinner->startAnimation();
    ASSERT_TRUE(spinner->hasAnimationThread());
    QTRY_VERIFY_WITH_TIMEOUT(spinner->position() != start, 5000);
    delete spinner;
    QCoreApplication::processEvents();
}

// Destroyed while its thread turns it, over and over: by itself, and with the window
// it stands in. Each time repaints from the thread have been painted first and more
// are on their way; the thread is told to stop and the repaints still queued are dropped.
// (Under ThreadSanitizer this is also the test of the repaints' hand-off to the GUI
// thread.)
TEST(SpinningProgressIndicator, DestroyedWhileItsThreadTurnsIt)
{
    for (int round = 0; round < 16; ++round) {
        SCOPED_TRACE(round);
        auto window = std::make_unique<QWidget>();
        window->resize(60, 60);
        auto *spinner = new ProbeSpinner(window.get());
        spinner->resize(40, 40);
        spinner->setUsesThreadedAnimation(true);
        window->show();
        spinner->startAnimation();
        ASSERT_TRUE(spinner->hasAnimationThread());
        const int paints = spinner->paints;
        const int start = spinner->position();
        ASSERT_TRUE(QTest::qWaitFor([&] { return spinner->paints > paints + 2 && spinner->position() != start; }, 5000));
        if (round % 2 == 0)
            delete spinner;
        else
            window.reset(); // the spinner goes with its window
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// Stopping, leaving the screen and destruction go on while the animation thread cannot
// run (held in a signal handler where it sleeps between frames): the GUI thread does not
// wait for it. Let go, the thread ends by itself and turns the indicator no more.
TEST(SpinningProgressIndicator, StoppingDoesNotWaitForItsThread)
{
    ASSERT_EQ(::pipe2(letGoPipe, O_CLOEXEC), 0);
    struct sigaction hold = {}, previous = {};
    hold.sa_handler = holdThread;
    sigemptyset(&hold.sa_mask);
    ASSERT_EQ(::sigaction(SIGUSR1, &hold, &previous), 0);
#if defined(__SANITIZE_THREAD__)
    // ThreadSanitizer starts a thread of its own with the first thread a process makes:
    // it runs before the animation's thread is looked for.
    std::thread([] {}).join();
#endif
    enum Ending { Stop, Hide, Destroy };
    for (const Ending ending : {Stop, Hide, Destroy}) {
        SCOPED_TRACE(int(ending));
        threadHeld = false;
        threadLetGo = false;
        QWidget window;
        auto *spinner = new JWSpinningProgressIndicator(&window);
        spinner->setUsesThreadedAnimation(true);
        window.show();
        const QSet<pid_t> before = testsupport::threadsOfProcess();
        spinner->startAnimation();
        const QSet<pid_t> started = testsupport::threadsOfProcess() - before;
        ASSERT_EQ(started.size(), 1);
        const pid_t thread = *started.begin();
        // Asleep between frames, on its condition: its lock is not held.
        ASSERT_TRUE(QTest::qWaitFor([&] { return testsupport::systemCallSleptIn(thread) == SYS_futex; }, 5000));
        ASSERT_EQ(::syscall(SYS_tgkill, ::getpid(), thread, SIGUSR1), 0);
        ASSERT_TRUE(QTest::qWaitFor([] { return threadHeld.load(); }, 5000));

        const int position = spinner->position();
        if (ending == Stop)
            spinner->stopAnimation();
        else if (ending == Hide)
            window.hide();
        else
            delete std::exchange(spinner, nullptr);
        const bool wentOnWhileHeld = !threadLetGo;
        ASSERT_EQ(::write(letGoPipe[1], "x", 1), 1);
        EXPECT_TRUE(wentOnWhileHeld);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !testsupport::threadsOfProcess().contains(thread); }, 5000));
        if (spinner) {
            EXPECT_FALSE(spinner->hasAnimationThread());
            QCoreApplication::processEvents();
            EXPECT_EQ(spinner->position(), position);
        }
        char letGo;
        ASSERT_EQ(::read(letGoPipe[0], &letGo, 1), 1);
    }
    ::sigaction(SIGUSR1, &previous, nullptr);
    ::close(letGoPipe[0]);
    ::close(letGoPipe[1]);
}

TEST(SpinningProgressIndicator, TurnsOnlyWhileOnScreen)
{
    // Inside a window: a container between the window and the indicator.
    QWidget window;
    auto *container = new QWidget(&window);
    JWSpinningProgressIndicator spinner(container);
    spinner.startAnimation();
    EXPECT_TRUE(spinner.isAnimating());
    EXPECT_FALSE(spinner.hasAnimationTimer()); // the window is not shown yet
    window.show();
    EXPECT_TRUE(spinner.hasAnimationTimer());
    window.hide();
    EXPECT_FALSE(spinner.hasAnimationTimer());
    window.show();
    EXPECT_TRUE(spinner.hasAnimationTimer());

    // Taking an ancestor out of the window stops it without clearing the request;
    // putting it back and showing it turns it again.
    container->setParent(nullptr);
    EXPECT_FALSE(spinner.hasAnimationTimer());
    EXPECT_TRUE(spinner.isAnimating());
    container->setParent(&window);
    container->show();
    EXPECT_TRUE(spinner.hasAnimationTimer());
    spinner.setParent(nullptr);
    EXPECT_FALSE(spinner.hasAnimationTimer());
    spinner.setParent(container);
    spinner.show();
    EXPECT_TRUE(spinner.hasAnimationTimer());
    spinner.setDisplayedWhenStopped(false);
    spinner.stopAnimation();
    EXPECT_TRUE(spinner.isHidden());
    EXPECT_FALSE(spinner.hasAnimationTimer());
    spinner.startAnimation();
    EXPECT_TRUE(spinner.isVisible());
    EXPECT_TRUE(spinner.hasAnimationTimer());
    spinner.stopAnimation();

    // Threaded, the thread follows the same rule.
    spinner.setDisplayedWhenStopped(true);
    spinner.setUsesThreadedAnimation(true);
    spinner.startAnimation();
    EXPECT_TRUE(spinner.hasAnimationThread());
    window.hide();
    EXPECT_FALSE(spinner.hasAnimationThread());
    window.show();
    EXPECT_TRUE(spinner.hasAnimationThread());
    container->hide();
    EXPECT_FALSE(spinner.hasAnimationThread());
    spinner.stopAnimation();
    spinner.setParent(nullptr);
}

TEST(SpinningProgressIndicator, AWindowOfItsOwnTurns)
{
    JWSpinningProgressIndicator spinner;
    spinner.resize(100, 100);
    spinner.startAnimation();
    EXPECT_FALSE(spinner.hasAnimationTimer());
    spinner.show();
    ASSERT_TRUE(spinner.hasAnimationTimer());
    const int start = spinner.position();
    QTRY_VERIFY_WITH_TIMEOUT(spinner.position() != start, 5000);
    spinner.hide();
    EXPECT_FALSE(spinner.hasAnimationTimer());
    EXPECT_TRUE(spinner.isAnimating());

    spinner.setUsesThreadedAnimation(true);
    spinner.show();
    ASSERT_TRUE(spinner.hasAnimationThread());
    const int threadStart = spinner.position();
    QTRY_VERIFY_WITH_TIMEOUT(spinner.position() != threadStart, 5000);
    spinner.close();
    EXPECT_FALSE(spinner.hasAnimationThread());
}

TEST(SpinningProgressIndicator, OnlyTheSpinningStyleIsAvailable)
{
    JWSpinningProgressIndicator spinner;
    EXPECT_NO_THROW(spinner.setStyle(JWSpinningProgressIndicator::SpinningStyle));
    try {
        spinner.setStyle(JWSpinningProgressIndicator::BarStyle);
        FAIL() << "no exception";
    } catch (const platform::Exception &e) {
        EXPECT_EQ(e.name(), platform::Exception::InternalInconsistencyException);
        EXPECT_EQ(e.reason(), QStringLiteral("Non-spinning styles not available."));
        EXPECT_EQ(e.userInfo().value(platform::AssertionHandler::FileKey).toString(),
                  QStringLiteral("JWSpinningProgressIndicator/JWSpinningProgressIndicator"));
        EXPECT_EQ(e.userInfo().value(platform::AssertionHandler::LineKey).toInt(), 254);
    }
}
