// The GUI-thread watchdog on a real X server: a delivery whose Qt frames wait for the
// server's reply while the server does not run (other programs on a loaded machine
// starve it: here a window Qt's own slot shows, inside the event dispatch) holds the
// thread for nothing of its own, up to two seconds of such waits; past that bound it
// fails as any hold does, and so does a wait that our own code asks for.
#include "tests/support/GuiThreadWatchdog.h"

#include <QGuiApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <thread>

#include <sys/socket.h>
#include <xcb/xcb.h>

#if !defined(__SANITIZE_THREAD__)

namespace {

// Runs `work` as a queued call and waits, in the event loop, until it ran.
void queued(const std::function<void()> &work)
{
    bool ran = false;
    QTimer::singleShot(0, qApp, [&] {
        work();
        ran = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran; }, 60000));
}

xcb_connection_t *connection()
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// A delivery that asks the X server for a reply while the server stands still for
// `ms` (stopped, as a starved process does not run), and goes on with the reply.
void askTheServerWhileItStandsStill(pid_t server, int ms)
{
    queued([&] {
        ASSERT_EQ(::kill(server, SIGSTOP), 0);
        std::thread resume([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            ::kill(server, SIGCONT);
        });
        xcb_connection_t *c = connection();
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        resume.join();
    });
}

// Shows a new window through a queued call of Qt's own slot while the X server stands
// still for `ms`: the window's creation waits for the server in Qt's frames alone.
void showAWindowWhileTheServerStandsStill(pid_t server, int ms)
{
    QWidget window;
    window.resize(120, 80);
    ASSERT_EQ(::kill(server, SIGSTOP), 0);
    std::thread resume([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        ::kill(server, SIGCONT);
    });
    QMetaObject::invokeMethod(&window, "show", Qt::QueuedConnection);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isVisible(); }, 60000));
    resume.join();
}

} // namespace

TEST(GuiThreadWatchdogOnTheDesktop, AWaitForTheDisplayServersReplyIsNoHoldUpToItsBound)
{
    const int limit = testsupport::GuiThreadWatchdog::limitMs();
    ASSERT_GT(limit, 0);
    ASSERT_NE(connection(), nullptr);
    // The X server is the process at the other end of the connection's socket.
    ucred peer{};
    socklen_t size = sizeof peer;
    ASSERT_EQ(::getsockopt(xcb_get_file_descriptor(connection()), SOL_SOCKET, SO_PEERCRED, &peer, &size), 0);
    ASSERT_GT(peer.pid, 0);
    showAWindowWhileTheServerStandsStill(peer.pid, limit + 250);
    // Past the bound by more than the limit however far the machine's pace stretches it.
    const int longest = testsupport::GuiThreadWatchdog::longestLimitMs();
    EXPECT_NONFATAL_FAILURE(showAWindowWhileTheServerStandsStill(peer.pid, 2000 + longest + 250),
                            "for the display server");
    // Our own code's request waits as long, and it is the program's own.
    EXPECT_NONFATAL_FAILURE(askTheServerWhileItStandsStill(peer.pid, longest + 250),
                            "0 ms for the display server in Qt's frames");
}

#endif
