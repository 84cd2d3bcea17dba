#pragma once
// A hot key the center registered: its target (not kept alive: a target that goes
// away simply stops receiving), action, object, task, key code and modifier flags,
// the number it was registered under and the desktop service that holds its grab.
// Only HKHotKeyCenter makes these; everyone else sees them as HKHotKey.
#include "components/hotkeys/HKHotKey.h"
#include "platform/desktop/HotKeyGrabber.h"

#include <QPointer>

class HKHotKeyPrivate : public HKHotKey
{
public:
    HKHotKeyPrivate(QObject *target, QByteArray action, QVariant object, quint16 keyCode, quint32 modifierFlags);
    HKHotKeyPrivate(HKHotKeyTask task, quint16 keyCode, quint32 modifierFlags);
    // Releases the grab when still registered.
    ~HKHotKeyPrivate() override;

    QObject *target() const override { return m_target; }
    QByteArray action() const override { return m_action; }
    QVariant object() const override { return m_object; }
    quint16 keyCode() const override { return m_keyCode; }
    quint32 modifierFlags() const override { return m_modifierFlags; }
    HKHotKeyTask task() const override { return m_task; }

    quint32 hotKeyID() const { return m_hotKeyID; }
    bool isRegistered() const { return m_registered; }

    // Grabs the combination under the number nextNumber; on success takes that
    // number and advances nextNumber. On failure nothing changes.
    bool registerHotKey(platform::HotKeyGrabber *grabber, quint32 &nextNumber);
    void unregisterHotKey();
    // Sends the action to the target with the event when the target has it, else
    // runs the task; otherwise does nothing.
    void invokeWithEvent(HKHotKeyEvent &event) const;

private:
    QPointer<QObject> m_target;
    QByteArray m_action;
    QVariant m_object;
    HKHotKeyTask m_task;
    quint16 m_keyCode = 0;
    quint32 m_modifierFlags = 0;
    quint32 m_hotKeyID = 0;
    bool m_registered = false;
    QPointer<platform::HotKeyGrabber> m_grabber; // the service holding the grab
};
