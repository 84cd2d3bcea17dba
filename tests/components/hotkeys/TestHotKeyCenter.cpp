// The hot-key registry and the invocation of hot keys, over a desktop service that
// the test drives itself (the X11 service is tested in desktop/).
#include "components/hotkeys/HKHotKeyCenter.h"
#include "components/hotkeys/HKHotKeyEvent.h"
#include "components/hotkeys/HKHotKeyPrivate.h"
#include "platform/foundation/Exception.h"
#include "platform/desktop/HotKeyGrabber.h"
#include "tests/support/QtWarningCheck.h"

#include <QGuiApplication>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr quint32 ControlOption = 0x40000 | 0x80000;
constexpr quint32 ControlCommand = 0x40000 | 0x100000;

class FakeGrabber : public platform::HotKeyGrabber
{
public:
    struct Combination
    {
        quint16 keyCode;
        quint32 flags;
    };
    bool available = true;
    QSet<quint16> refusedKeyCodes;
    QHash<quint32, Combination> grabs;
    QList<quint32> ungrabbed;
    int grabRequests = 0;

    bool isAvailable() const override { return available; }
    bool grabHotKey(quint32 id, quint16 keyCode, quint32 flags) override
    {
        ++grabRequests;
        if (!available || refusedKeyCodes.contains(keyCode))
            return false;
        grabs.insert(id, {keyCode, flags});
        return true;
    }
    void ungrabHotKey(quint32 id) override
    {
        grabs.remove(id);
        ungrabbed.append(id);
    }
    QString lastError() const override { return available ? QStringLiteral("refused") : QStringLiteral("no desktop here"); }

    void release(quint32 id, quint32 flags = ControlOption)
    {
        platform::HotKeyEvent event;
        event.hotKeyID = id;
        event.keyCode = grabs.value(id).keyCode;
        event.modifierFlags = flags;
        event.location = QPointF(12, 34);
        event.timestamp = 56.5;
        Q_EMIT hotKeyReleased(event);
    }
    void press(quint32 id)
    {
        platform::HotKeyEvent event;
        event.hotKeyID = id;
        Q_EMIT hotKeyPressed(event);
    }
    quint32 idOf(quint16 keyCode, quint32 flags) const
    {
        for (auto it = grabs.begin(); it != grabs.end(); ++it) {
            if (it->keyCode == keyCode && it->flags == flags)
                return it.key();
        }
        return 0;
    }
};

class Target : public QObject
{
    Q_OBJECT
public:
    struct Call
    {
        int type;
        quint16 keyCode;
        quint32 flags;
        QPointF location;
        double timestamp;
        int windowNumber;
        QString characters;
        bool isARepeat;
        QVariant object;
    };
    QList<Call> calls;
    std::function<void()> during;

    Q_INVOKABLE void hotKeyDown(QObject *sender)
    {
        auto *event = qobject_cast<HKHotKeyEvent *>(sender);
        ASSERT_NE(event, nullptr);
        calls.append({event->type(), event->keyCode(), event->modifierFlags(), event->locationInWindow(),
                      event->timestamp(), event->windowNumber(), event->characters(), event->isARepeat(),
                      event->object()});
        if (during)
            during();
    }
    Q_INVOKABLE void other(QObject *) { ++otherCalls; }
    int otherCalls = 0;
};

class HotKeyCenterTest : public testing::Test
{
protected:
    void SetUp() override { HKHotKeyCenter::setHotKeyGrabber(&grabber); }
    void TearDown() override
    {
        center.unregisterHotKeysMatchingPredicate([](const HKHotKey &) { return true; });
        HKHotKeyCenter::setHotKeyGrabber(nullptr);
    }
    static quint32 idOf(const std::shared_ptr<HKHotKey> &hotKey)
    {
        auto own = std::dynamic_pointer_cast<HKHotKeyPrivate>(hotKey);
        return own ? own->hotKeyID() : 0;
    }

    FakeGrabber grabber;
    HKHotKeyCenter center;
    Target target;
};

// --- registry ---

TEST_F(HotKeyCenterTest, SameCombinationTwiceIsRefusedOtherFlagsAreSeparate)
{
    EXPECT_TRUE(center.registerHotKeyWithKeyCode(96, ControlOption, &target, "hotKeyDown:"));
    EXPECT_FALSE(center.registerHotKeyWithKeyCode(96, ControlOption, &target, "other:"));
    EXPECT_FALSE(center.registerHotKeyWithKeyCode(96, ControlOption, [](const HKHotKeyEvent &) {}));
    EXPECT_EQ(center.registeredHotKeys().size(), 1);
    EXPECT_EQ(grabber.grabRequests, 1); // refused before the desktop is asked
    EXPECT_TRUE(center.registerHotKeyWithKeyCode(96, ControlCommand, &target, "hotKeyDown:"));
    EXPECT_EQ(center.registeredHotKeys().size(), 2);
    EXPECT_TRUE(center.hasRegisteredHotKeyWithKeyCode(96, ControlOption));
    EXPECT_TRUE(center.hasRegisteredHotKeyWithKeyCode(96, ControlCommand));
    EXPECT_FALSE(center.hasRegisteredHotKeyWithKeyCode(97, ControlOption));
}

TEST_F(HotKeyCenterTest, RefusedRegistrationKeepsTheNextNumber)
{
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(96, ControlOption, &target, "hotKeyDown:"));
    const quint32 first = idOf(center.registeredHotKeys().first());
    grabber.refusedKeyCodes.insert(97);
    EXPECT_FALSE(center.registerHotKeyWithKeyCode(97, ControlOption, &target, "hotKeyDown:"));
    EXPECT_FALSE(center.hasRegisteredHotKeyWithKeyCode(97, ControlOption));
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(98, ControlOption, &target, "hotKeyDown:"));
    const auto keys = center.hotKeysMatchingPredicate([](const HKHotKey &k) { return k.keyCode() == 98; });
    ASSERT_EQ(keys.size(), 1);
    EXPECT_EQ(idOf(keys.first()), first + 1);
}

TEST_F(HotKeyCenterTest, NumbersAreNeverReused)
{
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(96, ControlOption, &target, "hotKeyDown:"));
    const quint32 first = idOf(center.registeredHotKeys().first());
    EXPECT_GE(first, 1u);
    center.unregisterHotKeyWithKeyCode(96, ControlOption);
    EXPECT_TRUE(center.registeredHotKeys().isEmpty());
    EXPECT_EQ(grabber.ungrabbed, QList<quint32>{first});
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(96, ControlOption, &target, "hotKeyDown:"));
    EXPECT_EQ(idOf(center.registeredHotKeys().first()), first + 1);
}

TEST_F(HotKeyCenterTest, CentersShareOneRegistry)
{
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(96, ControlOption, &target, "hotKeyDown:"));
    Target stranger;
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(97, ControlOption, &stranger, "hotKeyDown:"));
    {
        auto second = std::make_unique<HKHotKeyCenter>();
        EXPECT_EQ(second->registeredHotKeys().size(), 2);
        EXPECT_FALSE(second->registerHotKeyWithKeyCode(96, ControlOption, &stranger, "other:"));
        second->unregisterHotKeysWithTarget(&target);
    } // removing a center unregisters nothing
    const auto left = center.registeredHotKeys();
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left.first()->target(), &stranger);
    EXPECT_EQ(grabber.grabs.size(), 1);
}

TEST_F(HotKeyCenterTest, UnregisterByTargetAndAction)
{
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(96, ControlOption, &target, "hotKeyDown:"));
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(97, ControlOption, &target, "other:"));
    center.unregisterHotKeysWithTarget(&target, "other:");
    const auto left = center.registeredHotKeys();
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left.first()->action(), QByteArray("hotKeyDown:"));
    center.unregisterHotKeysWithTarget(&target, "nothing:");
    EXPECT_EQ(center.registeredHotKeys().size(), 1);
    center.unregisterHotKeysWithTarget(nullptr);
    EXPECT_EQ(center.registeredHotKeys().size(), 1);
}

TEST_F(HotKeyCenterTest, UnregisterHotKeyTakesOnlyRealHotKeys)
{
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(96, ControlOption, &target, "hotKeyDown:"));
    const auto hotKey = center.registeredHotKeys().first();
    try {
        center.unregisterHotKey(std::make_shared<HKHotKey>());
        FAIL() << "no exception";
    } catch (const platform::Exception &e) {
        EXPECT_EQ(e.name(), QStringLiteral("NSInvalidArgumentException"));
        EXPECT_EQ(e.reason(), QStringLiteral("Invalid hotkey"));
    }
    EXPECT_THROW(center.unregisterHotKey(nullptr), platform::Exception);
    EXPECT_EQ(center.registeredHotKeys().size(), 1);
    center.unregisterHotKey(hotKey);
    EXPECT_TRUE(center.registeredHotKeys().isEmpty());
    EXPECT_TRUE(grabber.grabs.isEmpty());
    center.unregisterHotKey(hotKey); // a second time changes nothing
    EXPECT_EQ(grabber.ungrabbed.size(), 1);
}

// --- refusals ---

TEST_F(HotKeyCenterTest, AbsurdKeyCodesAreRefusedBeforeTheDesktopIsAsked)
{
    EXPECT_FALSE(center.registerHotKeyWithKeyCode(128, ControlOption, &target, "hotKeyDown:"));
    EXPECT_FALSE(center.registerHotKeyWithKeyCode(0xffff, ControlOption, &target, "hotKeyDown:"));
    EXPECT_EQ(grabber.grabRequests, 0);
    EXPECT_TRUE(center.registerHotKeyWithKeyCode(127, 0, &target, "hotKeyDown:")); // the service decides
    EXPECT_EQ(HKHotKeyCenter::keyCodeForStoredValue(-1), std::nullopt);
    EXPECT_EQ(HKHotKeyCenter::keyCodeForStoredValue(65536 + 96), std::nullopt);
    EXPECT_EQ(HKHotKeyCenter::keyCodeForStoredValue(128), std::nullopt);
    EXPECT_EQ(HKHotKeyCenter::keyCodeForStoredValue(96), std::optional<quint16>(96));
    EXPECT_EQ(HKHotKeyCenter::keyCodeForStoredValue(0), std::optional<quint16>(0));
    // The highest key code is a key like any other: stored, it comes back and registers.
    const std::optional<quint16> highest = HKHotKeyCenter::keyCodeForStoredValue(127);
    ASSERT_EQ(highest, std::optional<quint16>(127));
    EXPECT_TRUE(center.registerHotKeyWithKeyCode(*highest, ControlOption, &target, "hotKeyDown:"));
    EXPECT_NE(grabber.idOf(127, ControlOption), 0u);
}

TEST_F(HotKeyCenterTest, NoDesktopRefusesAndSaysWhyOnce)
{
    grabber.available = false;
    testsupport::CapturedLog log;
    EXPECT_FALSE(center.registerHotKeyWithKeyCode(96, ControlOption, &target, "hotKeyDown:"));
    EXPECT_FALSE(center.registerHotKeyWithKeyCode(97, ControlOption, &target, "hotKeyDown:"));
    const QStringList messages = log.take();
    EXPECT_TRUE(center.registeredHotKeys().isEmpty());
    ASSERT_EQ(messages.filter(QStringLiteral("unavailable")).size(), 1);
    EXPECT_TRUE(messages.filter(QStringLiteral("unavailable")).first().contains(QStringLiteral("no desktop here")));
}

TEST_F(HotKeyCenterTest, ADesktopThatSaysLaterItHasNoHotKeysTakesTheRegisteredOnesAway)
{
    testsupport::CapturedLog log;
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(96, ControlOption, &target, "hotKeyDown:"));
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(97, ControlOption, &target, "hotKeyDown:"));
    // Another service saying so changes nothing here.
    FakeGrabber other;
    Q_EMIT other.becameUnavailable();
    EXPECT_EQ(center.registeredHotKeys().size(), 2);

    grabber.available = false;
    Q_EMIT grabber.becameUnavailable();
    Q_EMIT grabber.becameUnavailable();
    const QStringList messages = log.take();
    EXPECT_TRUE(center.registeredHotKeys().isEmpty());
    EXPECT_EQ(grabber.ungrabbed.size(), 2);
    ASSERT_EQ(messages.filter(QStringLiteral("unavailable")).size(), 1);
    EXPECT_TRUE(messages.filter(QStringLiteral("unavailable")).first().contains(QStringLiteral("no desktop here")));
}

// --- invocation ---

TEST_F(HotKeyCenterTest, ReleaseSendsTheActionWithAKeyUpEvent)
{
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(96, ControlOption, &target, "hotKeyDown:", QStringLiteral("payload")));
    const quint32 id = grabber.idOf(96, ControlOption);
    ASSERT_NE(id, 0u);
    grabber.press(id);
    EXPECT_TRUE(target.calls.isEmpty());
    grabber.release(id, ControlOption | 0x10000);
    ASSERT_EQ(target.calls.size(), 1);
    const Target::Call &call = target.calls.first();
    EXPECT_EQ(call.type, HKHotKeyEvent::KeyUp);
    EXPECT_EQ(call.keyCode, 96);
    EXPECT_EQ(call.flags, ControlOption | 0x10000);
    EXPECT_EQ(call.location, QPointF(12, 34));
    EXPECT_EQ(call.timestamp, 56.5);
    EXPECT_EQ(call.windowNumber, -1);
    EXPECT_TRUE(call.characters.isEmpty());
    EXPECT_FALSE(call.isARepeat);
    EXPECT_EQ(call.object, QVariant(QStringLiteral("payload")));
    EXPECT_EQ(target.otherCalls, 0);
}

TEST_F(HotKeyCenterTest, TaskRunsWhenThereIsNoUsableAction)
{
    int runs = 0;
    quint16 seenKey = 0;
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(122, 0x100000, [&](const HKHotKeyEvent &e) {
        ++runs;
        seenKey = e.keyCode();
    }));
    grabber.release(grabber.idOf(122, 0x100000));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(seenKey, 122);
}

TEST_F(HotKeyCenterTest, TargetWithoutTheActionDoesNothing)
{
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(96, ControlOption, &target, "missingAction:"));
    grabber.release(grabber.idOf(96, ControlOption));
    EXPECT_TRUE(target.calls.isEmpty());
    EXPECT_EQ(target.otherCalls, 0);
}

TEST_F(HotKeyCenterTest, DestroyedTargetIsNotCalled)
{
    auto doomed = std::make_unique<Target>();
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(96, ControlOption, doomed.get(), "hotKeyDown:"));
    const quint32 id = grabber.idOf(96, ControlOption);
    doomed.reset();
    grabber.release(id); // must not crash
    EXPECT_EQ(center.registeredHotKeys().first()->target(), nullptr);
}

TEST_F(HotKeyCenterTest, UnknownNumbersAndUnregisteredHotKeysDoNothing)
{
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(96, ControlOption, &target, "hotKeyDown:"));
    const quint32 id = grabber.idOf(96, ControlOption);
    grabber.release(id + 1000);
    EXPECT_TRUE(target.calls.isEmpty());
    center.unregisterHotKeysWithTarget(&target);
    grabber.release(id);
    EXPECT_TRUE(target.calls.isEmpty());
}

TEST_F(HotKeyCenterTest, ActionMayReplaceItsOwnHotKey)
{
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(96, ControlOption, &target, "hotKeyDown:"));
    target.during = [this] {
        HKHotKeyCenter second;
        second.unregisterHotKeysWithTarget(&target);
        EXPECT_TRUE(second.registerHotKeyWithKeyCode(97, ControlOption, &target, "hotKeyDown:"));
    };
    grabber.release(grabber.idOf(96, ControlOption));
    ASSERT_EQ(target.calls.size(), 1);
    target.during = nullptr;
    grabber.release(grabber.idOf(97, ControlOption));
    ASSERT_EQ(target.calls.size(), 2);
    EXPECT_EQ(target.calls.last().keyCode, 97);
}

TEST_F(HotKeyCenterTest, ServiceChangeKeepsEarlierGrabsWithTheirService)
{
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(96, ControlOption, &target, "hotKeyDown:"));
    FakeGrabber other;
    HKHotKeyCenter::setHotKeyGrabber(&other);
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(97, ControlOption, &target, "hotKeyDown:"));
    EXPECT_EQ(grabber.grabs.size(), 1);
    EXPECT_EQ(other.grabs.size(), 1);
    other.release(other.idOf(97, ControlOption));
    EXPECT_EQ(target.calls.size(), 1);
    grabber.release(grabber.idOf(96, ControlOption)); // the first service is still heard
    ASSERT_EQ(target.calls.size(), 2);
    EXPECT_EQ(target.calls.last().keyCode, 96);
    center.unregisterHotKeyWithKeyCode(96, ControlOption);
    EXPECT_TRUE(grabber.grabs.isEmpty());
    center.unregisterHotKeysWithTarget(&target);
    EXPECT_TRUE(other.grabs.isEmpty());
    HKHotKeyCenter::setHotKeyGrabber(&grabber);
}

// --- the hot key's face ---

TEST(HotKey, BaseAnswersNothing)
{
    HKHotKey plain;
    EXPECT_EQ(plain.target(), nullptr);
    EXPECT_TRUE(plain.action().isEmpty());
    EXPECT_FALSE(plain.object().isValid());
    EXPECT_EQ(plain.keyCode(), 0);
    EXPECT_EQ(plain.modifierFlags(), 0u);
    EXPECT_FALSE(plain.task());
}

TEST(HotKey, EqualityAndHashUseKeyCodeAndFlagsOnly)
{
    Target a, b;
    HKHotKeyPrivate one(&a, "hotKeyDown:", {}, 96, ControlOption);
    HKHotKeyPrivate two(&b, "other:", 5, 96, ControlOption);
    HKHotKeyPrivate task([](const HKHotKeyEvent &) {}, 96, ControlOption);
    HKHotKeyPrivate otherFlags(&a, "hotKeyDown:", {}, 96, ControlCommand);
    HKHotKeyPrivate otherKey(&a, "hotKeyDown:", {}, 97, ControlOption);
    EXPECT_TRUE(one.isEqual(two));
    EXPECT_TRUE(one == task);
    EXPECT_FALSE(one == otherFlags);
    EXPECT_FALSE(one == otherKey);
    EXPECT_EQ(one.hash(), quint64(ControlOption) + 96);
    EXPECT_EQ(qHash(one), qHash(two));
    HKHotKey plain;
    EXPECT_EQ(plain.hash(), 0u);
    EXPECT_FALSE(plain == one);
}

TEST(HotKey, FlagsText)
{
    EXPECT_EQ(HKHotKey::flagsDescription(ControlCommand), QStringLiteral("(NSControlKeyMask | NSCommandKeyMask)"));
    EXPECT_EQ(HKHotKey::flagsDescription(0), QStringLiteral("ERROR: No valid flags"));
    EXPECT_EQ(HKHotKey::flagsDescription(0x10000), QStringLiteral("ERROR: No valid flags"));
    EXPECT_EQ(HKHotKey::flagsDescription(0x1e0000),
              QStringLiteral("(NSControlKeyMask | NSCommandKeyMask | NSShiftKeyMask | NSAlternateKeyMask)"));
    EXPECT_EQ(HKHotKey::flagsDescription(0x80000), QStringLiteral("(NSAlternateKeyMask)"));
}

TEST(HotKey, Description)
{
    Target target;
    HKHotKeyPrivate withAction(&target, "hotKeyDown:", {}, 96, ControlCommand);
    const QString text = withAction.description();
    const QString address = QString::number(quintptr(&withAction), 16);
    EXPECT_EQ(text, QStringLiteral("<HKHotKey: 0x") + address
                        + QStringLiteral(">\n\t(key: 96\n\tflags: (NSControlKeyMask | NSCommandKeyMask)\n\tinvokes: [<Target: 0x")
                        + QString::number(quintptr(&target), 16) + QStringLiteral("> hotKeyDown:])"));
    HKHotKeyPrivate withTask([](const HKHotKeyEvent &) {}, 122, 0);
    EXPECT_TRUE(withTask.description().endsWith(QStringLiteral("(key: 122\n\tflags: ERROR: No valid flags\n\tinvokes: (block))")));
    HKHotKeyPrivate noAction(&target, QByteArray(), {}, 1, 0x20000);
    EXPECT_TRUE(noAction.description().endsWith(QStringLiteral("invokes: (block))")));
}

TEST(HotKey, CarbonModifiers)
{
    EXPECT_EQ(HKCarbonModifiersForCocoaFlags(0x100000), 0x100u);
    EXPECT_EQ(HKCarbonModifiersForCocoaFlags(0x20000), 0x200u);
    EXPECT_EQ(HKCarbonModifiersForCocoaFlags(0x80000), 0x800u);
    EXPECT_EQ(HKCarbonModifiersForCocoaFlags(0x40000), 0x1000u);
    EXPECT_EQ(HKCarbonModifiersForCocoaFlags(0x1e0000), 0x1b00u);
    EXPECT_EQ(HKCarbonModifiersForCocoaFlags(0x810000), 0u); // function key and caps lock dropped
}

TEST(HotKeyCenter, OffscreenApplicationHasNoGlobalHotKeys)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        GTEST_SKIP() << "runs on an X server";
    HKHotKeyCenter::setHotKeyGrabber(nullptr);
    HKHotKeyCenter center;
    Target target;
    EXPECT_FALSE(center.registerHotKeyWithKeyCode(96, ControlOption, &target, "hotKeyDown:"));
    ASSERT_NE(HKHotKeyCenter::hotKeyGrabber(), nullptr);
    EXPECT_FALSE(HKHotKeyCenter::hotKeyGrabber()->isAvailable());
    EXPECT_TRUE(HKHotKeyCenter::hotKeyGrabber()->lastError().contains(QStringLiteral("X11")));
    EXPECT_TRUE(center.registeredHotKeys().isEmpty());
}

} // namespace

#include "TestHotKeyCenter.moc"
