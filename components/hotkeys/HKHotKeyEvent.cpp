#include "components/hotkeys/HKHotKeyEvent.h"

#include <utility>

HKHotKeyEvent::HKHotKeyEvent(Type type, QPointF locationInWindow, quint32 modifierFlags, double timestamp,
                             int windowNumber, QString characters, QString charactersIgnoringModifiers,
                             bool isARepeat, quint16 keyCode, QVariant object, QObject *parent)
    : QObject(parent)
    , m_type(type)
    , m_locationInWindow(locationInWindow)
    , m_modifierFlags(modifierFlags)
    , m_timestamp(timestamp)
    , m_windowNumber(windowNumber)
    , m_characters(std::move(characters))
    , m_charactersIgnoringModifiers(std::move(charactersIgnoringModifiers))
    , m_isARepeat(isARepeat)
    , m_keyCode(keyCode)
    , m_object(std::move(object))
{
}

HKHotKeyEvent::~HKHotKeyEvent() = default;
