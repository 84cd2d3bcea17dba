#include "platform/desktop/PortalShortcutGrabber.h"

#include "platform/desktop/KeyboardLayout.h"
#include "platform/desktop/ModifierFlags.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>

#include <xkbcommon/xkbcommon.h>

Q_LOGGING_CATEGORY(lcPortalShortcuts, "chronark.hotkeys.portal")

namespace platform::portalshortcuts {

// One entry of the portal's shortcut list: (id, {description, preferred_trigger}).
struct Entry
{
    QString id;
    QVariantMap properties;
};

QDBusArgument &operator<<(QDBusArgument &argument, const Entry &entry)
{
    argument.beginStructure();
    argument << entry.id << entry.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, Entry &entry)
{
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.endStructure();
    return argument;
}

} // namespace platform::portalshortcuts

Q_DECLARE_METATYPE(platform::portalshortcuts::Entry)

namespace platform {

namespace {

constexpr int AvailabilityTimeoutMs = 10000;
// How long a new session waits for the portal to answer the closing of the old one
// (the bus's usual limit); without an answer it is asked for all the same.
constexpr int CloseTimeoutMs = 25000;
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString SessionInterface = QStringLiteral("org.freedesktop.portal.Session");

void registerTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<portalshortcuts::Entry>();
        qDBusRegisterMetaType<QList<portalshortcuts::Entry>>();
        return true;
    }();
    Q_UNUSED(registered)
}

} // namespace

PortalShortcutGrabber::PortalShortcutGrabber(QObject *parent)
    : PortalShortcutGrabber(QDBusConnection::sessionBus(), parent)
{
}

PortalShortcutGrabber::PortalShortcutGrabber(const QDBusConnection &bus, QObject *parent)
    : HotKeyGrabber(parent), m_bus(bus)
{
    registerTypes();
    if (!m_bus.isConnected()) {
        m_lastError = QStringLiteral("global hot keys need the desktop portal, and there is no session bus");
        m_available = 0;
        return;
    }
    const QString service = QString::fromLatin1(Service);
    const QString path = QString::fromLatin1(Path);
    const QString interface = QString::fromLatin1(Interface);
    // One slot for both signals, taking the message: it needs no registered types.
    m_listening = m_bus.connect(service, path, interface, QStringLiteral("Activated"), this,
                                SLOT(shortcutSignal(QDBusMessage)))
        && m_bus.connect(service, path, interface, QStringLiteral("Deactivated"), this,
                         SLOT(shortcutSignal(QDBusMessage)));
    if (!m_listening) {
        m_lastError = QStringLiteral("no desktop portal offers global shortcuts (its signals cannot be received)");
        m_available = 0;
        return;
    }
    askAvailability();
}

PortalShortcutGrabber::~PortalShortcutGrabber()
{
    watchRequest(m_requestPath, false);
    closeSession(false);
}

void PortalShortcutGrabber::askAvailability()
{
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(Service), QString::fromLatin1(Path),
                                                       QStringLiteral("org.freedesktop.DBus.Properties"),
                                                       QStringLiteral("Get"));
    call << QString::fromLatin1(Interface) << QStringLiteral("version");
    // Answered later: the hot-key centre and the launch go on meanwhile.
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, AvailabilityTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            ExceptionBoundary::guarded(this, "the portal's availability", [this, watcher] {
                watcher->deleteLater();
                availabilityAnswered(watcher->reply());
            }));
}

void PortalShortcutGrabber::availabilityAnswered(const QDBusMessage &reply)
{
    if (reply.type() == QDBusMessage::ReplyMessage) {
        m_available = 1;
        if (!m_shortcuts.isEmpty())
            renewSession();
        return;
    }
    m_available = 0;
    m_lastError = QStringLiteral("no desktop portal offers global shortcuts (%1)").arg(reply.errorMessage());
    const bool held = !m_shortcuts.isEmpty();
    m_shortcuts.clear();
    Q_EMIT becameUnavailable();
    if (held)
        Q_EMIT bindingFinished(false);
}

QString PortalShortcutGrabber::triggerText(quint16 keyCode, quint32 modifierFlags)
{
    if (!(modifierFlags & (ModifierFlags::Shift | ModifierFlags::Control | ModifierFlags::Option | ModifierFlags::Command)))
        return QString();
    const KeyboardLayout &layout = KeyboardLayout::instance();
    const quint32 keycode = layout.keycodeForVirtualKey(keyCode);
    const quint32 keysym = keycode ? layout.keysymForKeycode(keycode, 0) : 0;
    if (!keysym)
        return QString();
    char name[64] = {};
    if (xkb_keysym_get_name(keysym, name, sizeof name) <= 0)
        return QString();
    QString key = QString::fromLatin1(name);
    if (key.size() == 1)
        key = key.toUpper();
    QStringList parts;
    if (modifierFlags & ModifierFlags::Control)
        parts << QStringLiteral("CTRL");
    if (modifierFlags & ModifierFlags::Option)
        parts << QStringLiteral("ALT");
    if (modifierFlags & ModifierFlags::Shift)
        parts << QStringLiteral("SHIFT");
    if (modifierFlags & ModifierFlags::Command)
        parts << QStringLiteral("LOGO");
    parts << key;
    return parts.join(QLatin1Char('+'));
}

QString PortalShortcutGrabber::shortcutId(const QString &trigger)
{
    return QStringLiteral("hotkey:") + trigger.toLower();
}

bool PortalShortcutGrabber::grabHotKey(quint32 hotKeyID, quint16 keyCode, quint32 modifierFlags)
{
    if (!isAvailable())
        return false;
    const QString trigger = triggerText(keyCode, modifierFlags);
    if (trigger.isEmpty()) {
        m_lastError = QStringLiteral("key code %1 with flags 0x%2 has no shortcut text in the current layout")
                          .arg(keyCode)
                          .arg(modifierFlags, 0, 16);
        return false;
    }
    for (auto it = m_shortcuts.cbegin(); it != m_shortcuts.cend(); ++it) {
        if (it.value().trigger == trigger) {
            m_lastError = QStringLiteral("%1 is held already").arg(trigger);
            return false;
        }
    }
    m_shortcuts.insert(hotKeyID, Shortcut{keyCode, modifierFlags, trigger});
    if (m_available == 1)
        renewSession(); // else bound once the portal has answered
    return true;
}

void PortalShortcutGrabber::ungrabHotKey(quint32 hotKeyID)
{
    if (m_shortcuts.remove(hotKeyID) && m_available == 1)
        renewSession();
}

QString PortalShortcutGrabber::senderPathPart() const
{
    QString sender = m_bus.baseService();
    if (sender.startsWith(QLatin1Char(':')))
        sender.remove(0, 1);
    return sender.replace(QLatin1Char('.'), QLatin1Char('_'));
}

void PortalShortcutGrabber::watchRequest(const QString &path, bool watch)
{
    if (path.isEmpty())
        return;
    const QString service = QString::fromLatin1(Service);
    if (watch)
        m_bus.connect(service, path, RequestInterface, QStringLiteral("Response"), this,
                      SLOT(requestAnswered(uint,QVariantMap)));
    else
        m_bus.disconnect(service, path, RequestInterface, QStringLiteral("Response"), this,
                         SLOT(requestAnswered(uint,QVariantMap)));
}

QVariant PortalShortcutGrabber::shortcutList() const
{
    QList<portalshortcuts::Entry> entries;
    const QString application = QCoreApplication::applicationName();
    for (const Shortcut &shortcut : m_shortcuts) {
        QVariantMap properties;
        properties.insert(QStringLiteral("description"),
                          application.isEmpty() ? shortcut.trigger : application + QStringLiteral(": ") + shortcut.trigger);
        properties.insert(QStringLiteral("preferred_trigger"), shortcut.trigger);
        entries.append(portalshortcuts::Entry{shortcutId(shortcut.trigger), properties});
    }
    return QVariant::fromValue(entries);
}

void PortalShortcutGrabber::closeSession(bool awaitAnswer)
{
    if (m_sessionPath.isEmpty())
        return;
    // The portal drops the session and its shortcuts.
    const QDBusPendingCall call = m_bus.asyncCall(
        QDBusMessage::createMethodCall(QString::fromLatin1(Service), m_sessionPath, SessionInterface,
                                       QStringLiteral("Close")),
        CloseTimeoutMs);
    m_sessionPath.clear();
    m_bound = false;
    if (!awaitAnswer)
        return;
    m_closing = true;
    auto *watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            ExceptionBoundary::guarded(this, "the portal's closing of a session", [this, watcher] {
                watcher->deleteLater();
                m_closing = false;
                if (watcher->isError())
                    qCInfo(lcPortalShortcuts).noquote()
                        << "the desktop portal's closing of the shortcuts' session failed:"
                        << watcher->error().message();
                if (m_renewWhenAnswered) {
                    m_renewWhenAnswered = false;
                    renewSession();
                }
            }));
}

void PortalShortcutGrabber::renewSession()
{
    if (!m_requestPath.isEmpty() || m_closing) {
        // A session is being made or closed: renewed once the portal has answered, so
        // that no session of an older list stays behind.
        m_renewWhenAnswered = true;
        return;
    }
    if (!m_sessionPath.isEmpty()) {
        // The new session gets the old one's path (the token is the same), so it is
        // asked for once the portal has answered the Close: by then the desktop has
        // dropped the old session and said so. The portal handles calls side by side,
        // and a new session asked for sooner could be made before the desktop's word
        // that the old one closed came in, which then closes the new one: the portal
        // still reports it bound, and its shortcuts reach no one.
        m_renewWhenAnswered = true;
        closeSession(true);
        return;
    }
    if (m_shortcuts.isEmpty())
        return;
    const QString requestToken = startRequest();
    m_sessionPath = QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                        .arg(senderPathPart(), QString::fromLatin1(SessionToken));
    m_bindStep = false;

    QVariantMap options;
    options.insert(QStringLiteral("handle_token"), requestToken);
    options.insert(QStringLiteral("session_handle_token"), QString::fromLatin1(SessionToken));
    options.insert(QStringLiteral("shortcuts"), shortcutList());
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(Service), QString::fromLatin1(Path),
                                                       QString::fromLatin1(Interface), QStringLiteral("CreateSession"));
    call << options;
    sendRequest(call);
}

QString PortalShortcutGrabber::startRequest()
{
    watchRequest(m_requestPath, false);
    const QString token = QStringLiteral("chronark_hotkeys_%1").arg(++m_requestCount);
    m_requestPath = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(senderPathPart(), token);
    watchRequest(m_requestPath, true);
    return token;
}

void PortalShortcutGrabber::sendRequest(const QDBusMessage &call)
{
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    const QString expected = m_requestPath;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, platform::ExceptionBoundary::guarded(this, "finished", [this, expected](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        if (m_requestPath != expected)
            return; // answered (or given up) already
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError()) {
            qCInfo(lcPortalShortcuts).noquote() << "the desktop portal refused the shortcuts:" << reply.error().message();
            finishRequest(false);
            return;
        }
        // Portals older than the handle_token option answer under another path.
        const QString path = reply.value().path();
        if (path != m_requestPath) {
            watchRequest(m_requestPath, false);
            m_requestPath = path;
            watchRequest(m_requestPath, true);
        }
    }));
}

void PortalShortcutGrabber::requestAnswered(uint response, const QVariantMap &results)
try {
    if (response != 0) {
        qCInfo(lcPortalShortcuts) << "the desktop portal did not bind the shortcuts, answer" << response;
        finishRequest(false);
        return;
    }
    if (!m_bindStep) {
        const QVariant session = results.value(QStringLiteral("session_handle"));
        const QString path = session.metaType() == QMetaType::fromType<QDBusObjectPath>()
            ? session.value<QDBusObjectPath>().path()
            : session.toString();
        if (!path.isEmpty())
            m_sessionPath = path;
        m_bound = true;
        // A desktop that took the shortcuts with the session lists them in its
        // answer (KDE Plasma, whose BindShortcuts only opens its settings); others
        // bind them in the standard step.
        QList<portalshortcuts::Entry> listed;
        const QVariant shortcuts = results.value(QStringLiteral("shortcuts"));
        if (shortcuts.metaType() == QMetaType::fromType<QDBusArgument>())
            shortcuts.value<QDBusArgument>() >> listed;
        if (!listed.isEmpty()) {
            finishRequest(true);
            return;
        }
        const QString requestToken = startRequest();
        m_bindStep = true;
        QVariantMap options;
        options.insert(QStringLiteral("handle_token"), requestToken);
        QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(Service), QString::fromLatin1(Path),
                                                           QString::fromLatin1(Interface), QStringLiteral("BindShortcuts"));
        call << QVariant::fromValue(QDBusObjectPath(m_sessionPath)) << shortcutList() << QString() << options;
        sendRequest(call);
        return;
    }
    finishRequest(true);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "requestAnswered");
}

void PortalShortcutGrabber::finishRequest(bool bound)
{
    const bool createFailed = !bound && !m_bindStep;
    watchRequest(m_requestPath, false);
    m_requestPath.clear();
    if (createFailed) {
        m_sessionPath.clear();
        m_bound = false;
        m_lastError = QStringLiteral("the desktop portal did not bind the shortcuts");
    }
    if (m_renewWhenAnswered) {
        m_renewWhenAnswered = false;
        renewSession();
        return;
    }
    Q_EMIT bindingFinished(m_bound);
}

HotKeyEvent PortalShortcutGrabber::eventFor(const QString &id, qulonglong timestamp, bool *found) const
{
    HotKeyEvent event;
    *found = false;
    for (auto it = m_shortcuts.cbegin(); it != m_shortcuts.cend(); ++it) {
        if (shortcutId(it.value().trigger) == id) {
            event.hotKeyID = it.key();
            event.keyCode = it.value().keyCode;
            event.modifierFlags = it.value().modifierFlags;
            event.timestamp = double(timestamp) / 1000.0;
            *found = true;
            break;
        }
    }
    return event;
}

void PortalShortcutGrabber::shortcutSignal(const QDBusMessage &message)
try {
    // (o session_handle, s shortcut_id, t timestamp, a{sv} options)
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 3)
        return;
    const QString session = arguments.at(0).value<QDBusObjectPath>().path();
    bool found = false;
    const HotKeyEvent event = eventFor(arguments.at(1).toString(), arguments.at(2).toULongLong(), &found);
    if (!found || session != m_sessionPath)
        return;
    if (message.member() == QLatin1String("Activated"))
        Q_EMIT hotKeyPressed(event);
    else
        Q_EMIT hotKeyReleased(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "shortcutSignal");
}

} // namespace platform
