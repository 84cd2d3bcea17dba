#include "platform/desktop/KeyState.h"

#include "platform/desktop/KeyboardLayout.h"

#include <QGuiApplication>
#include <xcb/xcb.h>

#include <cstdlib>

namespace platform {

namespace {

xcb_connection_t *x11Connection()
{
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

} // namespace

KeyState::Fake *&KeyState::currentFake()
{
    static Fake *fake = nullptr;
    return fake;
}

KeyState::Fake::Fake(Qt::KeyboardModifiers held, QSet<int> keys)
    : modifiers(held), keysDown(std::move(keys)), m_previous(currentFake())
{
    currentFake() = this;
}

KeyState::Fake::~Fake()
{
    currentFake() = m_previous;
}

Qt::KeyboardModifiers KeyState::modifiers()
{
    if (const Fake *fake = currentFake())
        return fake->modifiers;
    return qGuiApp ? QGuiApplication::queryKeyboardModifiers() : Qt::NoModifier;
}

bool KeyState::isVirtualKeyDown(int virtualKeyCode)
{
    if (const Fake *fake = currentFake())
        return fake->keysDown.contains(virtualKeyCode);
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return false;
    const quint32 keycode = KeyboardLayout::instance().keycodeForVirtualKey(virtualKeyCode);
    if (keycode == 0 || keycode > 255)
        return false;
    xcb_query_keymap_reply_t *reply = xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr);
    if (!reply)
        return false;
    const bool down = (reply->keys[keycode / 8] >> (keycode % 8)) & 1;
    std::free(reply);
    return down;
}

} // namespace platform
