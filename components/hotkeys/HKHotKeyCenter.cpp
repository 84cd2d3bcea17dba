#include "components/hotkeys/HKHotKeyCenter.h"

#include "components/hotkeys/HKHotKeyEvent.h"
#include "components/hotkeys/HKHotKeyPrivate.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/desktop/DesktopSession.h"
#include "platform/desktop/HotKeyGrabber.h"
#include "platform/desktop/PortalShortcutGrabber.h"
#include "platform/desktop/VirtualKeyCodes.h"
#include "platform/desktop/X11KeyGrabber.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QPointer>

#include <algorithm>
#include <vector>

namespace {

Q_LOGGING_CATEGORY(lcHotKeys, "chronark.hotkeys")

using HotKeyPointer = std::shared_ptr<HKHotKeyPrivate>;

struct Registry
{
    std::vector<HotKeyPointer> hotKeys;
    quint32 nextNumber = 1;
    QPointer<platform::HotKeyGrabber> chosen;      // set by setHotKeyGrabber()
    QPointer<platform::HotKeyGrabber> desktop;     // the default, owned by the application
    QList<QPointer<platform::HotKeyGrabber>> heard; // every service whose releases arrive here
    bool reportedUnavailable = false;
};

Registry &registry()
{
    // Lives until the process ends; the hot keys it holds release their grabs then,
    // as far as their service still exists.
    static Registry instance;
    return instance;
}

// The handler of every release: finds the hot key by number and invokes it.
void handleRelease(const platform::HotKeyEvent &release)
{
    Registry &r = registry();
    std::vector<HotKeyPointer> matches;
    for (const HotKeyPointer &hotKey : r.hotKeys) {
        if (hotKey->isRegistered() && hotKey->hotKeyID() == release.hotKeyID)
            matches.push_back(hotKey);
    }
    if (matches.size() >= 2)
        qCWarning(lcHotKeys) << "ERROR!";
    if (matches.empty())
        return;
    const HotKeyPointer hotKey = matches.front(); // kept alive while it runs
    HKHotKeyEvent event(HKHotKeyEvent::KeyUp, release.location, release.modifierFlags, release.timestamp, -1,
                        QString(), QString(), false, hotKey->keyCode(), hotKey->object());
    hotKey->invokeWithEvent(event);
}

// Releases of every service that ever held a grab keep arriving: hot keys stay with
// the service that grabbed them. Numbers are unique across services.
void listenTo(platform::HotKeyGrabber *grabber)
{
    Registry &r = registry();
    r.heard.removeAll(nullptr);
    if (!grabber || r.heard.contains(grabber))
        return;
    r.heard.append(grabber);
    QObject::connect(grabber, &platform::HotKeyGrabber::hotKeyReleased, grabber,
                     platform::ExceptionBoundary::guarded(grabber, "hotKeyReleased", &handleRelease));
    // A desktop that says later that it offers no hot keys: what was registered through
    // it is gone, and the log says why, once (as for a refusal at registration).
    QObject::connect(grabber, &platform::HotKeyGrabber::becameUnavailable, grabber,
                     platform::ExceptionBoundary::guarded(grabber, "becameUnavailable", [grabber] {
                         Registry &registryNow = registry();
                         const platform::HotKeyGrabber *inUse =
                             registryNow.chosen ? registryNow.chosen.data() : registryNow.desktop.data();
                         if (grabber != inUse)
                             return; // the hot keys were registered through another
                         if (!registryNow.reportedUnavailable) {
                             registryNow.reportedUnavailable = true;
                             qCWarning(lcHotKeys).noquote() << "global hot keys are unavailable:" << grabber->lastError();
                         }
                         HKHotKeyCenter().unregisterHotKeysMatchingPredicate({});
                     }));
}

HKHotKeyCenter::HotKeys toPublic(const std::vector<HotKeyPointer> &hotKeys)
{
    HKHotKeyCenter::HotKeys result;
    result.reserve(qsizetype(hotKeys.size()));
    for (const HotKeyPointer &hotKey : hotKeys)
        result.append(hotKey);
    return result;
}

bool addHotKey(const HotKeyPointer &hotKey)
{
    Registry &r = registry();
    if (hotKey->keyCode() > platform::VirtualKeyCodes::MaximumKeyCode) {
        qCInfo(lcHotKeys) << "hot key refused:" << hotKey->keyCode() << "is not a virtual key code";
        return false;
    }
    platform::HotKeyGrabber *grabber = HKHotKeyCenter::hotKeyGrabber();
    if (!grabber || !grabber->isAvailable()) {
        if (!r.reportedUnavailable) {
            r.reportedUnavailable = true;
            qCWarning(lcHotKeys).noquote() << "global hot keys are unavailable:"
                                           << (grabber ? grabber->lastError() : QStringLiteral("there is no application object"));
        }
        return false;
    }
    if (r.nextNumber == 0) {
        qCWarning(lcHotKeys) << "hot key refused: every hot-key number has been used";
        return false;
    }
    if (!hotKey->registerHotKey(grabber, r.nextNumber)) {
        qCInfo(lcHotKeys).noquote() << "hot key refused:" << grabber->lastError();
        return false;
    }
    r.hotKeys.push_back(hotKey);
    return true;
}

} // namespace

HKHotKeyCenter::HKHotKeyCenter()
{
    registry();
}

HKHotKeyCenter::~HKHotKeyCenter() = default;

HKHotKeyCenter::HotKeys HKHotKeyCenter::hotKeysMatchingPredicate(const Predicate &predicate) const
{
    std::vector<HotKeyPointer> matches;
    for (const HotKeyPointer &hotKey : registry().hotKeys) {
        if (!predicate || predicate(*hotKey))
            matches.push_back(hotKey);
    }
    return toPublic(matches);
}

bool HKHotKeyCenter::hasRegisteredHotKeyWithKeyCode(quint16 keyCode, quint32 modifierFlags) const
{
    const auto &hotKeys = registry().hotKeys;
    return std::any_of(hotKeys.begin(), hotKeys.end(), [&](const HotKeyPointer &hotKey) {
        return hotKey->keyCode() == keyCode && hotKey->modifierFlags() == modifierFlags;
    });
}

bool HKHotKeyCenter::registerHotKeyWithKeyCode(quint16 keyCode, quint32 modifierFlags, QObject *target,
                                               const char *action, const QVariant &object)
{
    if (hasRegisteredHotKeyWithKeyCode(keyCode, modifierFlags))
        return false;
    return addHotKey(std::make_shared<HKHotKeyPrivate>(target, QByteArray(action), object, keyCode, modifierFlags));
}

bool HKHotKeyCenter::registerHotKeyWithKeyCode(quint16 keyCode, quint32 modifierFlags, HKHotKeyTask task)
{
    if (hasRegisteredHotKeyWithKeyCode(keyCode, modifierFlags))
        return false;
    return addHotKey(std::make_shared<HKHotKeyPrivate>(std::move(task), keyCode, modifierFlags));
}

void HKHotKeyCenter::unregisterHotKeysMatchingPredicate(const Predicate &predicate)
{
    auto &hotKeys = registry().hotKeys;
    std::vector<HotKeyPointer> removed;
    for (auto it = hotKeys.begin(); it != hotKeys.end();) {
        if (!predicate || predicate(**it)) {
            removed.push_back(*it);
            it = hotKeys.erase(it);
        } else {
            ++it;
        }
    }
    for (const HotKeyPointer &hotKey : removed)
        hotKey->unregisterHotKey();
}

void HKHotKeyCenter::unregisterHotKey(const std::shared_ptr<HKHotKey> &hotKey)
{
    const HotKeyPointer own = std::dynamic_pointer_cast<HKHotKeyPrivate>(hotKey);
    if (!own)
        throw platform::Exception(platform::Exception::InvalidArgumentException, QStringLiteral("Invalid hotkey"));
    auto &hotKeys = registry().hotKeys;
    hotKeys.erase(std::remove(hotKeys.begin(), hotKeys.end(), own), hotKeys.end());
    own->unregisterHotKey();
}

void HKHotKeyCenter::unregisterHotKeysWithTarget(QObject *target)
{
    unregisterHotKeysMatchingPredicate([target](const HKHotKey &hotKey) { return hotKey.target() == target; });
}

void HKHotKeyCenter::unregisterHotKeysWithTarget(QObject *target, const char *action)
{
    const QString name = QString::fromLatin1(action);
    unregisterHotKeysMatchingPredicate([target, name](const HKHotKey &hotKey) {
        return hotKey.target() == target && hotKey.actionString() == name;
    });
}

void HKHotKeyCenter::unregisterHotKeyWithKeyCode(quint16 keyCode, quint32 modifierFlags)
{
    unregisterHotKeysMatchingPredicate([keyCode, modifierFlags](const HKHotKey &hotKey) {
        return hotKey.keyCode() == keyCode && hotKey.modifierFlags() == modifierFlags;
    });
}

HKHotKeyCenter::HotKeys HKHotKeyCenter::registeredHotKeys() const
{
    std::vector<HotKeyPointer> registered;
    for (const HotKeyPointer &hotKey : registry().hotKeys) {
        if (hotKey->isRegistered())
            registered.push_back(hotKey);
    }
    return toPublic(registered);
}

std::optional<quint16> HKHotKeyCenter::keyCodeForStoredValue(qint64 storedValue)
{
    if (storedValue < 0 || storedValue > platform::VirtualKeyCodes::MaximumKeyCode)
        return std::nullopt;
    return quint16(storedValue);
}

platform::HotKeyGrabber *HKHotKeyCenter::hotKeyGrabber()
{
    Registry &r = registry();
    platform::HotKeyGrabber *grabber = r.chosen;
    if (!grabber) {
        // An X11 grab sees no keys typed into Wayland windows: there the desktop
        // portal binds the combinations.
        if (!r.desktop && QCoreApplication::instance()) {
            if (platform::DesktopSession::isWayland())
                r.desktop = new platform::PortalShortcutGrabber(QCoreApplication::instance());
            else
                r.desktop = new platform::X11KeyGrabber(QCoreApplication::instance());
        }
        grabber = r.desktop;
    }
    listenTo(grabber);
    return grabber;
}

void HKHotKeyCenter::setHotKeyGrabber(platform::HotKeyGrabber *grabber)
{
    Registry &r = registry();
    r.chosen = grabber;
    r.reportedUnavailable = false;
    hotKeyGrabber();
}

quint32 HKCarbonModifiersForCocoaFlags(quint32 cocoaFlags)
{
    quint32 modifiers = 0;
    if (cocoaFlags & 0x100000)
        modifiers |= 0x100;
    if (cocoaFlags & 0x20000)
        modifiers |= 0x200;
    if (cocoaFlags & 0x80000)
        modifiers |= 0x800;
    if (cocoaFlags & 0x40000)
        modifiers |= 0x1000;
    return modifiers;
}
