// The recorder on a real X server (the private Xvfb of run-in-desktop.sh): a
// combination another X client grabbed is refused, the application's own grab is
// not, and recording with global shortcuts suspended holds the keyboard.
#include "components/keyrecorder/KRDesktopShortcuts.h"
#include "components/keyrecorder/KRRecorderControl.h"
#include "components/keyrecorder/KRValidator.h"
#include "platform/desktop/KeyboardLayout.h"
#include "platform/desktop/X11KeyGrabber.h"

#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

constexpr quint16 F7 = 98, F8 = 100;
constexpr quint32 CocoaFlags = 0x40000 | 0x80000 | 0x20000;           // control, option, shift
constexpr quint32 CarbonFlags = 0x1000 | 0x800 | 0x200;
constexpr quint16 XMods = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT;

// Another X client on its own connection.
class OtherClient
{
public:
    OtherClient()
    {
        int screenNumber = 0;
        m_connection = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(m_connection))
            return;
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
        for (int i = 0; i < screenNumber && it.rem; ++i)
            xcb_screen_next(&it);
        if (it.rem)
            m_root = it.data->root;
    }
    ~OtherClient() { xcb_disconnect(m_connection); }
    bool isConnected() const { return m_root != 0; }

    bool grabKey(quint32 keycode, quint16 modifiers)
    {
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(m_connection, 1, m_root, modifiers,
                                                              xcb_keycode_t(keycode), XCB_GRAB_MODE_ASYNC,
                                                              XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t *error = xcb_request_check(m_connection, cookie);
        const bool granted = error == nullptr;
        std::free(error);
        return granted;
    }
    void ungrabKey(quint32 keycode, quint16 modifiers)
    {
        xcb_ungrab_key(m_connection, xcb_keycode_t(keycode), m_root, modifiers);
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }
    // The status of an active keyboard grab (0 success, 1 already grabbed…); -1 on error.
    int grabKeyboard()
    {
        xcb_grab_keyboard_reply_t *reply = xcb_grab_keyboard_reply(
            m_connection,
            xcb_grab_keyboard(m_connection, 0, m_root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
            nullptr);
        const int status = reply ? reply->status : -1;
        std::free(reply);
        return status;
    }
    void ungrabKeyboard()
    {
        xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

private:
    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = 0;
};

class DesktopValidatorTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        ASSERT_TRUE(other.isConnected());
        ASSERT_TRUE(KRDesktopShortcuts::isAvailable());
        platform::KeyboardLayout::instance().reload();
        ASSERT_EQ(platform::KeyboardLayout::instance().source(), platform::KeyboardLayout::Source::XServer);
    }
    quint32 keycodeOf(int virtualKeyCode) const
    {
        return platform::KeyboardLayout::instance().keycodeForVirtualKey(virtualKeyCode);
    }

    OtherClient other;
};

TEST_F(DesktopValidatorTest, CombinationGrabbedByAnotherClientIsRefused)
{
    KRValidator validator;
    EXPECT_FALSE(validator.isKeyCode(F7, CarbonFlags));
    EXPECT_EQ(KRDesktopShortcuts::statusOfKeyCode(F7, CocoaFlags), KRDesktopShortcuts::Status::Free);

    ASSERT_TRUE(other.grabKey(keycodeOf(F7), XMods));
    KRValidatorError error;
    EXPECT_TRUE(validator.isKeyCode(F7, CarbonFlags, &error));
    EXPECT_EQ(KRDesktopShortcuts::statusOfKeyCode(F7, CocoaFlags),
              KRDesktopShortcuts::Status::TakenByAnotherApplication);
    EXPECT_TRUE(error.localizedRecoverySuggestion().startsWith(
        QStringLiteral("The key combination \"Option + Control + Shift + F7\" can't be used because it's already "
                       "used by a system-wide keyboard shortcut.")));
    // Other modifiers make another combination.
    EXPECT_FALSE(validator.isKeyCode(F7, 0x1000 | 0x200));

    other.ungrabKey(keycodeOf(F7), XMods);
    EXPECT_FALSE(validator.isKeyCode(F7, CarbonFlags));
    // The trial grab was released: the other client can take the combination again.
    EXPECT_TRUE(other.grabKey(keycodeOf(F7), XMods));
    other.ungrabKey(keycodeOf(F7), XMods);
}

TEST_F(DesktopValidatorTest, TheApplicationsOwnGrabIsNotTakenAndSurvivesTheCheck)
{
    platform::X11KeyGrabber grabber;
    ASSERT_TRUE(grabber.grabHotKey(1, F8, CocoaFlags));
    KRValidator validator;
    EXPECT_FALSE(validator.isKeyCode(F8, CarbonFlags));
    EXPECT_FALSE(other.grabKey(keycodeOf(F8), XMods)); // still ours
    grabber.ungrabHotKey(1);
    EXPECT_TRUE(other.grabKey(keycodeOf(F8), XMods));
    other.ungrabKey(keycodeOf(F8), XMods);
}

TEST_F(DesktopValidatorTest, ServerReservedCombinationsAreTaken)
{
    // Control+Alt+F1 switches virtual terminals: the server keeps it.
    EXPECT_EQ(KRDesktopShortcuts::statusOfKeyCode(122, 0x40000 | 0x80000), KRDesktopShortcuts::Status::ReservedByServer);
    KRValidator validator;
    EXPECT_TRUE(validator.isKeyCode(122, 0x1000 | 0x800));
}

// Sends what the application's own X connection has buffered.
void flushApplicationConnection()
{
    if (auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        xcb_flush(x11->connection());
}

TEST_F(DesktopValidatorTest, RecordingHoldsTheKeyboardUntilItEnds)
{
    KRRecorderControl recorder;
    recorder.setCanCaptureGlobalHotKeys(true);
    recorder.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&recorder));
    // Let the window's own activation arrive first: it would take the keyboard again
    // in the middle of the steps below.
    recorder.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&recorder));
    QCoreApplication::processEvents();
    KRRecorderCell *cell = recorder.recorderCell();
    cell->startRecordingTransition();
    ASSERT_TRUE(cell->isRecording());
    EXPECT_TRUE(cell->isSuspendingGlobalShortcuts());
    EXPECT_TRUE(QTest::qWaitFor([this] { return other.grabKeyboard() == XCB_GRAB_STATUS_ALREADY_GRABBED; }));

    // The window goes inactive: the keyboard is given back, recording goes on; it is
    // taken again when the window is active once more.
    QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(&recorder, &deactivated);
    EXPECT_TRUE(cell->isRecording());
    EXPECT_FALSE(cell->isSuspendingGlobalShortcuts());
    flushApplicationConnection(); // an idle test loop never blocks, so Qt would not flush
    EXPECT_TRUE(QTest::qWaitFor([this] { return other.grabKeyboard() == XCB_GRAB_STATUS_SUCCESS; }));
    other.ungrabKeyboard();
    QFocusEvent activated(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(&recorder, &activated);
    EXPECT_TRUE(cell->isSuspendingGlobalShortcuts());
    flushApplicationConnection();
    EXPECT_TRUE(QTest::qWaitFor([this] { return other.grabKeyboard() == XCB_GRAB_STATUS_ALREADY_GRABBED; }));

    // Losing the focus to another control ends recording and the grab.
    QFocusEvent tabbedAway(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(&recorder, &tabbedAway);
    EXPECT_TRUE(QTest::qWaitFor([cell] { return !cell->isRecording(); }));
    EXPECT_FALSE(cell->isSuspendingGlobalShortcuts());
    EXPECT_TRUE(QTest::qWaitFor([this] { return other.grabKeyboard() == XCB_GRAB_STATUS_SUCCESS; }));
    other.ungrabKeyboard();

    // Without the wish to capture global hot keys nothing is grabbed.
    recorder.setCanCaptureGlobalHotKeys(false);
    cell->startRecordingTransition();
    EXPECT_FALSE(cell->isSuspendingGlobalShortcuts());
    EXPECT_EQ(other.grabKeyboard(), XCB_GRAB_STATUS_SUCCESS);
    other.ungrabKeyboard();
    cell->endRecordingTransition();
}

// A pop-up that takes the focus while recording (a menu of the window) takes the
// keyboard with it; when it closes and the recorder has the focus in the active
// window again, the recording holds the keyboard again.
TEST_F(DesktopValidatorTest, RecordingTakesTheKeyboardBackAfterAPopUp)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *recorder = new KRRecorderControl(&window);
    layout->addWidget(recorder);
    recorder->setCanCaptureGlobalHotKeys(true);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    recorder->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
    KRRecorderCell *cell = recorder->recorderCell();
    cell->startRecordingTransition();
    ASSERT_TRUE(cell->isRecording());
    ASSERT_TRUE(cell->isSuspendingGlobalShortcuts());

    QMenu menu;
    menu.addAction(QStringLiteral("One"));
    menu.popup(window.mapToGlobal(QPoint(5, 5)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    ASSERT_TRUE(QTest::qWaitFor([cell] { return !cell->isSuspendingGlobalShortcuts(); }));
    EXPECT_TRUE(cell->isRecording());
    menu.close();
    ASSERT_TRUE(QTest::qWaitFor([&menu] { return !menu.isVisible(); }));
    EXPECT_TRUE(QTest::qWaitFor([cell] { return cell->isSuspendingGlobalShortcuts(); }));
    EXPECT_TRUE(cell->isRecording());
    EXPECT_EQ(QWidget::keyboardGrabber(), recorder);
    flushApplicationConnection();
    EXPECT_TRUE(QTest::qWaitFor([this] {
        flushApplicationConnection();
        return other.grabKeyboard() == XCB_GRAB_STATUS_ALREADY_GRABBED;
    }));
    cell->endRecordingTransition();
    EXPECT_TRUE(QTest::qWaitFor([cell] { return !cell->isRecording(); }));
}

} // namespace
