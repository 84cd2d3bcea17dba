// The global hot key on Wayland. On KDE Plasma the desktop portal's
// GlobalShortcuts binds the stored combination, Ctrl+Alt+T typed into KWin toggles
// the counter of the front document, and a combination recorded in the preferences
// replaces it. On GNOME (Mutter) no portal offers GlobalShortcuts: nothing is bound.
#include "tests/application/controller/wayland/WaylandTestSupport.h"

#include "application/base/DefaultsKeys.h"
#include "application/preferences/TimeRegistrationPrefPanel.h"
#include "components/hotkeys/HKHotKeyCenter.h"
#include "components/keyrecorder/KRRecorderControl.h"
#include "platform/desktop/PortalShortcutGrabber.h"
#include "platform/foundation/Bundle.h"

#include <QSignalSpy>
#include <QTest>

using namespace waylandtest;
using platform::localized;

namespace {

constexpr quint32 Control = 0x40000, Option = 0x80000;
constexpr quint16 VirtualT = 17, VirtualY = 16;


} // namespace

TEST_F(KWinSession, PortalBindsTheHotKeyAndItTogglesTheFrontDocument)
{
    EXPECT_EQ(platform::PortalShortcutGrabber::triggerText(VirtualT, Control | Option), QStringLiteral("CTRL+ALT+T"));
    defaults().setInteger(VirtualT, ChronarkKeyCodeKey);
    defaults().setInteger(Control | Option, ChronarkKeyModifierKey);
    defaults().setBool(true, AcceptHotKeyKey);
    auto *grabber = qobject_cast<platform::PortalShortcutGrabber *>(HKHotKeyCenter::hotKeyGrabber());
    ASSERT_NE(grabber, nullptr);
    QSignalSpy bound(grabber, &platform::PortalShortcutGrabber::bindingFinished);
    QSignalSpy released(grabber, &platform::HotKeyGrabber::hotKeyReleased);
    controller = appcontrollertest::makeController();
    ASSERT_TRUE(controller->hotKeyRegisteredAtLaunch()) << grabber->lastError().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bound.count() == 1; }, Patience));
    ASSERT_TRUE(bound.first().first().toBool());

    MyDocument *document = documentWithJob();
    ASSERT_NE(document, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(document->mainWindow(), Patience));
    std::unique_ptr<KeyInjector> keys = makeKeyInjector();
    ASSERT_TRUE(keys->isReady()) << keys->lastError().toStdString();

    ASSERT_TRUE(keys->tap({KeyLeftCtrl, KeyLeftAlt, KeyT}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return document->timerIsRunning(); }, Patience));
    EXPECT_EQ(controller->chronarkStatusTextField()->text(), localized(QStringLiteral("LSstarted")));
    ASSERT_TRUE(keys->tap({KeyLeftCtrl, KeyLeftAlt, KeyT}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !document->timerIsRunning(); }, Patience));

    // The preferences record Ctrl+Alt+Y: the portal session is made anew with it
    // alone, so T does nothing any more and Y toggles.
    std::unique_ptr<TimeRegistrationPrefPanel> pane(NTXPreferencePanel::create<TimeRegistrationPrefPanel>(
        QStringLiteral("TimeRegistrationPrefPanel.nib"), QStringLiteral("TimeRegistrationPrefPanel"), &defaults()));
    pane->setHotKeyTarget(controller);
    pane->willSelect();
    bound.clear();
    pane->keyCodeRecorder()->setKeyCombo(KeyCombo{Control | Option, VirtualY});
    EXPECT_EQ(defaults().integerForKey(ChronarkKeyCodeKey), VirtualY);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bound.isEmpty(); }, Patience)) << "the portal did not answer";
    ASSERT_TRUE(bound.last().first().toBool()) << grabber->lastError().toStdString();
    ASSERT_TRUE(grabber->isBound());
    released.clear();
    ASSERT_TRUE(keys->tap({KeyLeftCtrl, KeyLeftAlt, KeyT}));
    ASSERT_TRUE(keys->tap({KeyLeftCtrl, KeyLeftAlt, KeyY}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return document->timerIsRunning(); }, Patience));
    ASSERT_EQ(released.count(), 1);
    EXPECT_EQ(released.first().first().value<platform::HotKeyEvent>().keyCode, VirtualY);
}

TEST_F(MutterSession, WithoutAGlobalShortcutsPortalNoHotKeyIsRegistered)
{
    defaults().setInteger(VirtualT, ChronarkKeyCodeKey);
    defaults().setInteger(Control | Option, ChronarkKeyModifierKey);
    auto *grabber = qobject_cast<platform::PortalShortcutGrabber *>(HKHotKeyCenter::hotKeyGrabber());
    ASSERT_NE(grabber, nullptr);
    controller = appcontrollertest::makeController();
    // The portal is asked without waiting: the hot key goes once it has answered.
    ASSERT_TRUE(QTest::qWaitFor([&] { return grabber->hasAnsweredAvailability(); }, Patience));
    EXPECT_FALSE(grabber->isAvailable());
    EXPECT_TRUE(HKHotKeyCenter().registeredHotKeys().isEmpty());
    EXPECT_TRUE(grabber->lastError().startsWith(QStringLiteral("no desktop portal offers global shortcuts")))
        << grabber->lastError().toStdString();
}
