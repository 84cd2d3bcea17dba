// Whether a display answers, told before the application object is made: the
// displays Qt's platform choice would try, with real sockets (a listening one stands
// for a Wayland compositor; an X display number nobody serves answers nothing).
#include "platform/desktop/DisplayAvailability.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using platform::DisplayAvailability;

// An X display number without a server (no socket, no lock file).
QString unservedDisplay(int after = 0)
{
    for (int number = 6000 + after; number < 7000; ++number) {
        if (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number))
            && !QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
            return QStringLiteral(":%1").arg(number);
    }
    return QStringLiteral(":6999");
}

TEST(DisplayAvailability, NamesTheDisplayThatDoesNotAnswerAndKeepsWaylandSessions)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    // A compositor's socket, by name in the runtime folder and by path.
    QLocalServer compositor;
    ASSERT_TRUE(compositor.listen(runtime.filePath(QStringLiteral("wayland-7"))));
    QLocalServer defaultCompositor;
    QTemporaryDir defaultRuntime;
    ASSERT_TRUE(defaultCompositor.listen(defaultRuntime.filePath(QStringLiteral("wayland-0"))));
    const QString x = unservedDisplay();
    const QString otherX = unservedDisplay(x.mid(1).toInt() + 1 - 6000);
    ASSERT_NE(x, otherX);

    struct Case
    {
        const char *what;
        QStringList arguments;
        QList<std::pair<QString, QString>> environment;
        QString expected;
    };
    const QString runtimeFolder = runtime.path();
    const QString xMessage = QStringLiteral("cannot open display \"%1\"").arg(x);
    const Case cases[] = {
        {"nothing set", {}, {}, QStringLiteral("cannot open a display: neither DISPLAY nor WAYLAND_DISPLAY is set")},
        {"an X display nobody serves", {}, {{"DISPLAY", x}}, xMessage},
        {"beside a Wayland display", {}, {{"DISPLAY", x}, {"WAYLAND_DISPLAY", "wayland-7"}, {"XDG_RUNTIME_DIR", runtimeFolder}}, {}},
        {"a Wayland display by path", {}, {{"DISPLAY", x}, {"WAYLAND_DISPLAY", runtime.filePath("wayland-7")}}, {}},
        {"a Wayland session's default socket", {}, {{"XDG_SESSION_TYPE", "wayland"}, {"XDG_RUNTIME_DIR", defaultRuntime.path()}}, {}},
        {"a Wayland display without a compositor", {}, {{"WAYLAND_DISPLAY", "wayland-8"}, {"XDG_RUNTIME_DIR", runtimeFolder}},
         QStringLiteral("cannot open Wayland display \"wayland-8\"")},
        {"neither answers", {}, {{"DISPLAY", x}, {"WAYLAND_DISPLAY", "wayland-8"}, {"XDG_RUNTIME_DIR", runtimeFolder}},
         QStringLiteral("cannot open Wayland display \"wayland-8\"; ") + xMessage},
        {"X named: Wayland is not tried", {}, {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", x}, {"WAYLAND_DISPLAY", "wayland-7"}, {"XDG_RUNTIME_DIR", runtimeFolder}}, xMessage},
        {"X named with options", {}, {{"QT_QPA_PLATFORM", "xcb:nograb"}, {"DISPLAY", x}}, xMessage},
        {"X named without DISPLAY", {}, {{"QT_QPA_PLATFORM", "xcb"}}, QStringLiteral("cannot open a display: DISPLAY is not set")},
        {"the option over the variable", {"-platform", "xcb"}, {{"QT_QPA_PLATFORM", "offscreen"}, {"DISPLAY", x}}, xMessage},
        {"Qt's -display option", {"--platform", "xcb", "-display", otherX}, {{"DISPLAY", x}},
         QStringLiteral("cannot open display \"%1\"").arg(otherX)},
        {"a list, Wayland first", {}, {{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", x}, {"WAYLAND_DISPLAY", "wayland-7"}, {"XDG_RUNTIME_DIR", runtimeFolder}}, {}},
        {"another platform is Qt's to judge", {}, {{"QT_QPA_PLATFORM", "offscreen"}}, {}},
        {"named by the option", {"-platform", "offscreen"}, {{"DISPLAY", x}}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QProcessEnvironment environment;
        for (const auto &[name, value] : c.environment)
            environment.insert(name, value);
        EXPECT_EQ(DisplayAvailability::problem(c.arguments, environment).toStdString(), c.expected.toStdString());
    }
}

} // namespace
