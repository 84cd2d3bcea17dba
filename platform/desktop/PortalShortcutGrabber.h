#pragma once
// Global hot keys on Wayland through the desktop portal's GlobalShortcuts interface
// (org.freedesktop.portal.GlobalShortcuts on the session bus): a Wayland compositor
// lets no client grab keys, but the desktop binds shortcuts for it and reports them.
//
// Every combination held becomes one shortcut of one portal session. Its trigger
// text is the portal's: the modifiers "CTRL", "ALT", "SHIFT", "LOGO" (command) and
// the XKB keysym name of the key in the current layout, joined with "+" (control +
// option + T is "CTRL+ALT+T"); the shortcut's id is derived from that text, so the
// desktop recognises a combination again across sessions and keeps a key the user
// gave it in the desktop's own settings. Any change closes the session and, once
// the portal has answered that, opens a new one with all combinations under the
// same session token (so under the same path): the desktop names the application's
// shortcuts after it; changes made meanwhile go into that new session. The
// combinations are passed in CreateSession's options, which KDE Plasma binds and
// lists in its answer; when the answer lists none they are bound with
// BindShortcuts, the standard step (on KDE Plasma that call only opens the shortcut
// settings, so it is not made there).
//
// "Activated" is reported as the press, "Deactivated" as the release. A grab
// answers true once the portal was asked; the portal's answer arrives later and is
// reported by bindingFinished(), a refusal also in the log. Whether the portal
// offers global shortcuts is asked once, without waiting, when the grabber is made:
// until it answers (within ten seconds) isAvailable() is true and grabs are held;
// then they are bound, or, when no portal offers global shortcuts, dropped with
// becameUnavailable() and bindingFinished(false). Owned by its parent (the hot-key
// center's by the application object); GUI thread only.
#include "platform/desktop/HotKeyGrabber.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QMap>
#include <QVariantMap>

namespace platform {

class PortalShortcutGrabber : public HotKeyGrabber
{
    Q_OBJECT
public:
    static constexpr const char *Service = "org.freedesktop.portal.Desktop";
    static constexpr const char *Path = "/org/freedesktop/portal/desktop";
    static constexpr const char *Interface = "org.freedesktop.portal.GlobalShortcuts";
    // The session token: stable, so the desktop files the shortcuts under one name.
    static constexpr const char *SessionToken = "chronark";

    // On the session bus.
    explicit PortalShortcutGrabber(QObject *parent = nullptr);
    PortalShortcutGrabber(const QDBusConnection &bus, QObject *parent = nullptr);
    // Closes the portal session.
    ~PortalShortcutGrabber() override;

    // False once the portal's answer said it offers no global shortcuts (or there is
    // no bus); true while it is asked and when it offers them.
    bool isAvailable() const override { return m_available != 0; }
    // Whether the portal has answered the question.
    bool hasAnsweredAvailability() const { return m_available >= 0; }
    bool grabHotKey(quint32 hotKeyID, quint16 keyCode, quint32 modifierFlags) override;
    void ungrabHotKey(quint32 hotKeyID) override;
    QString lastError() const override { return m_lastError; }

    // The portal's trigger text of a combination; empty when the code has no key in
    // the current layout or the flags hold no modifier.
    static QString triggerText(quint16 keyCode, quint32 modifierFlags);
    // Whether the portal accepted the current session (false while it is asked).
    bool isBound() const { return m_bound; }

Q_SIGNALS:
    // The portal answered the latest session request.
    void bindingFinished(bool accepted);

private Q_SLOTS:
    void requestAnswered(uint response, const QVariantMap &results);
    // Activated (the press) and Deactivated (the release).
    void shortcutSignal(const QDBusMessage &message);

private:
    struct Shortcut
    {
        quint16 keyCode = 0;
        quint32 modifierFlags = 0;
        QString trigger;
    };

    void askAvailability();
    void availabilityAnswered(const QDBusMessage &reply);
    void renewSession();
    // Asks the portal to close the open session; with awaitAnswer, a renewal asked
    // for meanwhile waits for its answer.
    void closeSession(bool awaitAnswer);
    // A new request path to await (the token to pass as handle_token).
    QString startRequest();
    void sendRequest(const QDBusMessage &call);
    void finishRequest(bool bound);
    QString senderPathPart() const;
    void watchRequest(const QString &path, bool watch);
    HotKeyEvent eventFor(const QString &shortcutId, qulonglong timestamp, bool *found) const;
    QVariant shortcutList() const;
    static QString shortcutId(const QString &trigger);

    QDBusConnection m_bus;
    QMap<quint32, Shortcut> m_shortcuts; // hot-key number → combination
    QString m_sessionPath;               // of the open (or requested) session
    QString m_requestPath;               // of the request awaiting its answer
    quint32 m_requestCount = 0;
    bool m_bound = false;
    bool m_bindStep = false;           // the request awaited is BindShortcuts
    bool m_renewWhenAnswered = false;
    bool m_closing = false;            // the portal is closing the former session
    QString m_lastError;
    int m_available = -1; // -1 while the portal is asked
    bool m_listening = false;
};

} // namespace platform
