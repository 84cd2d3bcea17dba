// The time-registration pane on a real X server (the private Xvfb of
// run-in-desktop.sh): a combination typed into its recorder through XTEST becomes
// the global hot key, and releasing it anywhere fires the pane's target.
#include "application/base/DefaultsKeys.h"
#include "application/preferences/TimeRegistrationPrefPanel.h"
#include "components/hotkeys/HKHotKeyCenter.h"
#include "components/hotkeys/HKHotKeyEvent.h"
#include "components/keyrecorder/KRRecorderCell.h"
#include "components/keyrecorder/KRRecorderControl.h"
#include "platform/desktop/KeyboardLayout.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/desktop/X11KeyGrabber.h"
#include "tests/support/DesktopTestSupport.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

constexpr quint32 Control = 0x40000, Option = 0x80000, Shift = 0x20000;
// Control+Option+Fn alone switches virtual terminals on X; shift makes it free.
constexpr quint32 Flags = Control | Option | Shift;
constexpr quint16 F5 = 96, F6 = 97;
constexpr int Patience = 5000; // ms to wait for the X server

class Controller : public QObject
{
    Q_OBJECT
public:
    QList<quint16> keyCodes;
    Q_INVOKABLE void chronarkHotKeyDown(QObject *sender)
    {
        if (auto *event = qobject_cast<HKHotKeyEvent *>(sender))
            keyCodes.append(event->keyCode());
    }
};

bool xdotool(const QStringList &arguments)
{
    return desktoptest::runProgram(QStringLiteral("xdotool"), arguments) == 0;
}

class TimeRegistrationHotKey : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run with QT_QPA_PLATFORM=xcb on an X server";
        HKHotKeyCenter::setHotKeyGrabber(nullptr);
        auto *grabber = qobject_cast<platform::X11KeyGrabber *>(HKHotKeyCenter::hotKeyGrabber());
        ASSERT_NE(grabber, nullptr);
        ASSERT_TRUE(grabber->isAvailable());
        ASSERT_TRUE(dir.isValid());
        defaults = std::make_unique<platform::UserDefaults>(dir.filePath(QStringLiteral("defaults.conf")));
        defaults->registerDefaults({{ChronarkKeyCodeKey, -1}, {ChronarkKeyModifierKey, 0}});
        platform::NotificationCenter::defaultCenter().addObserver(
            &observer, PrefsChangedNotification, nullptr, [this](const platform::Notification &) { ++posted; });
    }
    void TearDown() override
    {
        HKHotKeyCenter().unregisterHotKeysMatchingPredicate([](const HKHotKey &) { return true; });
    }

    void showPane()
    {
        pane.reset(NTXPreferencePanel::create<TimeRegistrationPrefPanel>(
            QStringLiteral("TimeRegistrationPrefPanel.nib"), QStringLiteral("TimeRegistrationPrefPanel"),
            defaults.get()));
        pane->setHotKeyTarget(&controller);
        window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(window.get());
        layout->addWidget(pane->mainView());
        pane->willSelect();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), Patience));
        pane->keyCodeRecorder()->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([this] { return pane->keyCodeRecorder()->hasFocus(); }, Patience));
    }

    QTemporaryDir dir;
    std::unique_ptr<platform::UserDefaults> defaults;
    Controller controller;
    QObject observer;
    int posted = 0;
    std::unique_ptr<TimeRegistrationPrefPanel> pane;
    std::unique_ptr<QWidget> window;
};

// A stored combination that was not registered at launch (the key was taken) is
// registered when the pane is selected again.
TEST_F(TimeRegistrationHotKey, SelectingThePaneAgainRetriesTheStoredHotKey)
{
    defaults->setInteger(F6, ChronarkKeyCodeKey);
    defaults->setInteger(Flags, ChronarkKeyModifierKey);
    showPane();
    const HKHotKeyCenter::HotKeys hotKeys = HKHotKeyCenter().registeredHotKeys();
    ASSERT_EQ(hotKeys.size(), 1);
    EXPECT_EQ(hotKeys.first()->keyCode(), F6);
    EXPECT_EQ(hotKeys.first()->target(), &controller);
    EXPECT_EQ(defaults->integerForKey(ChronarkKeyCodeKey), F6);
    EXPECT_EQ(posted, 0);
}

TEST_F(TimeRegistrationHotKey, TypedCombinationBecomesTheGlobalHotKey)
{
    // The hot key the application registered at launch.
    HKHotKeyCenter application;
    ASSERT_TRUE(application.registerHotKeyWithKeyCode(F6, Flags, &controller, "chronarkHotKeyDown:"));
    defaults->setInteger(F6, ChronarkKeyCodeKey);
    defaults->setInteger(Flags, ChronarkKeyModifierKey);
    showPane();

    // Click into the recorder and type the combination on the X server.
    KRRecorderControl *recorder = pane->keyCodeRecorder();
    QTest::mouseClick(recorder, Qt::LeftButton, Qt::NoModifier, QPoint(12, recorder->height() / 2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder->recorderCell()->isRecording(); }, Patience));
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+shift+F5")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return defaults->integerForKey(ChronarkKeyCodeKey) == F5; }, Patience));
    EXPECT_EQ(quint32(defaults->integerForKey(ChronarkKeyModifierKey)) & Flags, Flags);
    EXPECT_EQ(posted, 0);

    // The old combination is gone, the new one is the only hot key of the target.
    const HKHotKeyCenter::HotKeys hotKeys = application.registeredHotKeys();
    ASSERT_EQ(hotKeys.size(), 1);
    EXPECT_EQ(hotKeys.first()->keyCode(), F5);
    EXPECT_EQ(hotKeys.first()->target(), &controller);

    // Releasing it fires the target once, with the key code, also while one of our
    // own windows (the preferences window) has the keyboard focus.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder->recorderCell()->isRecording(); }, Patience));
    ASSERT_TRUE(window->isActiveWindow() || QTest::qWaitForWindowActive(window.get()));
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+shift+F5")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.keyCodes.size() == 1; }, Patience));
    EXPECT_EQ(controller.keyCodes.first(), F5);

    // Now the combination held down and let go in two steps: still one more.
    ASSERT_TRUE(xdotool({QStringLiteral("keydown"), QStringLiteral("ctrl+alt+shift+F5")}));
    ASSERT_TRUE(xdotool({QStringLiteral("keyup"), QStringLiteral("ctrl+alt+shift+F5")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.keyCodes.size() == 2; }, Patience));
}

TEST_F(TimeRegistrationHotKey, ClearedRecorderLetsTheCombinationGo)
{
    HKHotKeyCenter application;
    ASSERT_TRUE(application.registerHotKeyWithKeyCode(F5, Flags, &controller, "chronarkHotKeyDown:"));
    defaults->setInteger(F5, ChronarkKeyCodeKey);
    defaults->setInteger(Flags, ChronarkKeyModifierKey);
    showPane();
    pane->keyCodeRecorder()->setObjectValue(QVariant()); // what the recorder's clear button does
    window->hide();
    EXPECT_TRUE(application.registeredHotKeys().isEmpty());
    EXPECT_EQ(defaults->integerForKey(ChronarkKeyCodeKey), -1);

    // A marker hot key registered afterwards: X delivers in order, so once the
    // marker has fired, a release of the cleared combination would have fired before.
    ASSERT_TRUE(application.registerHotKeyWithKeyCode(F6, Flags, &controller, "chronarkHotKeyDown:"));
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+shift+F5")}));
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+shift+F6")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.keyCodes.isEmpty(); }, Patience));
    EXPECT_EQ(controller.keyCodes, QList<quint16>({F6}));
    EXPECT_EQ(posted, 0);
}

} // namespace

#include "TestTimeRegistrationHotKey.moc"
