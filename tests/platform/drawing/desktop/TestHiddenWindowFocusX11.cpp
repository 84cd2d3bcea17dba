// The keyboard when a dialog hides or ends, on a real X desktop (openbox manages the
// windows): the window the dialog stood on takes it back while the person works in
// this program, and never while another program has it (a plain dialog, and the
// whole-text dialog, which gives the keyboard back itself).
#include "platform/drawing/HiddenWindowFocus.h"
#include "platform/drawing/WholeTextDialog.h"
#include "tests/support/DesktopTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstring>
#include <memory>

namespace {

constexpr int Patience = 15000; // ms for the X server and the window manager
// ms for another program to start and get the keyboard: it starts cold, and on a
// loaded machine reading its libraries, resources and fonts anew may take long.
constexpr int StartPatience = 45000;

bool applicationActive()
{
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

// Whether the dialog itself has the keyboard. (QWidget::isActiveWindow() and
// QTest::qWaitForWindowActive() count a dialog active as soon as the window it stands
// on is, before the desktop has even shown it; its own activation, asked before it
// was shown, goes out only once it is, and reaching the window manager after another
// program's window took the keyboard, it would take it back.)
bool hasTheKeyboard(const QWidget *dialog)
{
    return QGuiApplication::focusWindow() && QGuiApplication::focusWindow() == dialog->windowHandle();
}

// Whether the window manager gave the keyboard to a window of another program.
bool anotherProgramHasTheKeyboard()
{
    const quint64 active = desktoptest::WindowManager::activeWindow();
    if (active == 0)
        return false;
    for (const QWindow *window : QGuiApplication::allWindows()) {
        if (window->handle() && window->winId() == active)
            return false;
    }
    return true;
}

// Waits until the other program, just started, has the keyboard: it starts cold, and
// a loaded machine may take long to load it and show its window. Adds the reason to
// the test's record when it does not.
bool otherProgramTakesTheKeyboard(desktoptest::ScopedProcess &other)
{
    const bool over = QTest::qWaitFor(
        [&] { return anotherProgramHasTheKeyboard() || other.process().state() == QProcess::NotRunning; },
        StartPatience);
    if (over && other.process().state() != QProcess::NotRunning)
        return true;
    if (!over)
        ADD_FAILURE() << "xmessage did not get the keyboard within " << StartPatience / 1000
                      << " s; the window manager's active window is "
                      << "0x" << QString::number(desktoptest::WindowManager::activeWindow(), 16).toStdString();
    else if (other.process().error() == QProcess::FailedToStart)
        ADD_FAILURE() << "xmessage could not be started: " << other.process().errorString().toStdString();
    else
        ADD_FAILURE() << "xmessage ended with exit code " << other.process().exitCode() << " before it got the keyboard";
    return false;
}

} // namespace

// A window of this program with a field, active, on the desktop openbox manages.
class HiddenWindowFocusX11 : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        if (!desktoptest::WindowManager::isInstalled())
            GTEST_SKIP() << "openbox and xprop are needed";
        m_windowManager = std::make_unique<desktoptest::WindowManager>();
        ASSERT_TRUE(m_windowManager->isRunning());
        platform::HiddenWindowFocus::install();
        auto *field = new QLineEdit(&window);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window, Patience));
        field->setFocus();
    }

    std::unique_ptr<desktoptest::WindowManager> m_windowManager;
    QWidget window;
};

TEST_F(HiddenWindowFocusX11, ADialogThatHidesTakesNoKeyboardFromAnotherProgram)
{
    auto *dialog = new QDialog(&window);

    // A plain dialog, and the whole-text dialog, which gives the keyboard back itself.
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        QPointer<QDialog> whole;
        if (round == 2) {
            whole = new platform::WholeTextDialog(QStringLiteral("Description"), QStringLiteral("text"), &window);
            whole->open();
        } else {
            dialog->show();
        }
        QDialog *shown = whole ? whole.data() : dialog;
        shown->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return hasTheKeyboard(shown); }, Patience));
        {
            // The person goes to another program (a new window of it takes the
            // keyboard); the dialog ends meanwhile.
            desktoptest::ScopedProcess other(QStringLiteral("xmessage"), {QStringLiteral("another program")});
            ASSERT_TRUE(otherProgramTakesTheKeyboard(other));
            ASSERT_TRUE(QTest::qWaitFor([] { return !applicationActive(); }, Patience))
                << "the keyboard came back to this program: the window manager's active window is 0x"
                << QString::number(desktoptest::WindowManager::activeWindow(), 16).toStdString();
            if (whole)
                whole->reject();
            else
                dialog->hide();
            EXPECT_FALSE(QTest::qWaitFor(applicationActive, 1500)) << "the keyboard stays with the other program";
            EXPECT_EQ(QApplication::activeWindow(), nullptr);
        }
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window, Patience));
    }

    // While the person works here, the window under a dialog that hides takes the
    // keyboard back.
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog, Patience));
    dialog->hide();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }, Patience));
}

// The program hears a dialog activated after it hid (the desktop's word for a dialog
// that came and went at once arrives late) while the X server still gives the keyboard
// to the window under it. Asked to take the keyboard it already has, the window hears
// nothing from the X server; it is told all the same, and its shortcuts answer keys
// typed through the X server.
TEST_F(HiddenWindowFocusX11, AWindowThatKeptTheKeyboardUnderADialogActivatedLateIsActiveAgain)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_NE(x11, nullptr);
    int fired = 0;
    auto *shortcut = new QAction(&window);
    shortcut->setShortcut(QKeySequence(QStringLiteral("Ctrl+F9")));
    QObject::connect(shortcut, &QAction::triggered, [&fired] { ++fired; });
    window.addAction(shortcut);
    // A dialog with its X window, not shown: the X server's keyboard never left the
    // window.
    auto *dialog = new QDialog(&window);
    const auto dialogId = xcb_window_t(dialog->winId());
    ASSERT_EQ(desktoptest::WindowManager::activeWindow(), window.winId());

    ASSERT_EQ(desktoptest::runProgram(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+F9")}), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fired == 1; }, Patience)) << "the window's shortcut did not fire at first";

    // The late word of the dialog's activation, as the X server words it.
    bool heard = false;
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, dialog,
                     [&heard, dialog](QWindow *focus) { heard = heard || focus == dialog->windowHandle(); });
    xcb_focus_in_event_t event{XCB_FOCUS_IN, XCB_NOTIFY_DETAIL_NONLINEAR, 0, dialogId, XCB_NOTIFY_MODE_NORMAL, {}};
    char sent[32] = {}; // the request carries a whole event of 32 bytes
    std::memcpy(sent, &event, sizeof event);
    xcb_send_event(x11->connection(), 0, dialogId, XCB_EVENT_MASK_FOCUS_CHANGE, sent);
    xcb_flush(x11->connection());
    ASSERT_TRUE(QTest::qWaitFor([&] { return heard; }, Patience)) << "the program never heard of the dialog's activation";
    EXPECT_TRUE(QTest::qWaitFor([&] { return hasTheKeyboard(&window) && QApplication::activeWindow() == &window; }, Patience))
        << "active: " << (QApplication::activeWindow() ? QApplication::activeWindow()->metaObject()->className() : "none");
    ASSERT_EQ(desktoptest::runProgram(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+F9")}), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired == 2; }, Patience)) << "the window's shortcut did not fire";
}
