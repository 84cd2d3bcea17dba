#include "components/hotkeys/HKHotKeyPrivate.h"

#include "components/hotkeys/HKHotKeyEvent.h"
#include "platform/drawing/ActionDispatch.h"

#include <limits>
#include <utility>

HKHotKeyPrivate::HKHotKeyPrivate(QObject *target, QByteArray action, QVariant object, quint16 keyCode,
                                 quint32 modifierFlags)
    : m_target(target)
    , m_action(std::move(action))
    , m_object(std::move(object))
    , m_keyCode(keyCode)
    , m_modifierFlags(modifierFlags)
{
}

HKHotKeyPrivate::HKHotKeyPrivate(HKHotKeyTask task, quint16 keyCode, quint32 modifierFlags)
    : m_task(std::move(task))
    , m_keyCode(keyCode)
    , m_modifierFlags(modifierFlags)
{
}

HKHotKeyPrivate::~HKHotKeyPrivate()
{
    if (m_registered)
        unregisterHotKey();
}

bool HKHotKeyPrivate::registerHotKey(platform::HotKeyGrabber *grabber, quint32 &nextNumber)
{
    if (m_registered || !grabber || nextNumber == 0)
        return false;
    if (!grabber->grabHotKey(nextNumber, m_keyCode, m_modifierFlags))
        return false;
    m_grabber = grabber;
    m_hotKeyID = nextNumber;
    m_registered = true;
    // Numbers are never reused; after the last one there are no more registrations.
    nextNumber = nextNumber == std::numeric_limits<quint32>::max() ? 0 : nextNumber + 1;
    return true;
}

void HKHotKeyPrivate::unregisterHotKey()
{
    if (!m_registered)
        return;
    if (m_grabber)
        m_grabber->ungrabHotKey(m_hotKeyID);
    m_grabber = nullptr;
    m_registered = false;
}

void HKHotKeyPrivate::invokeWithEvent(HKHotKeyEvent &event) const
{
    QObject *receiver = m_target;
    if (receiver && !m_action.isEmpty() && platform::respondsTo(receiver, m_action.constData())) {
        platform::sendAction(m_action.constData(), receiver, &event);
        return;
    }
    if (m_task)
        m_task(event);
}
