#include "platform/desktop/KeyboardLayout.h"

#include "platform/desktop/VirtualKeyCodes.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <cstring>
#include <memory>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcLayout, "chronark.keyboard")

// XKB events (the extension's header cannot be used from C++).
constexpr quint8 XkbNewKeyboardNotify = 0;
constexpr quint8 XkbMapNotify = 1;
constexpr quint8 XkbStateNotify = 2;
// Byte offsets in an XKB event: its kind, and the effective group of a state notification.
constexpr std::size_t XkbTypeOffset = 1;
constexpr std::size_t StateNotifyGroupOffset = 13;


xcb_connection_t *qtConnection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto *app = qGuiApp;
    if (!app)
        return nullptr;
    auto *x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

struct StateDeleter
{
    void operator()(xkb_state *state) const { xkb_state_unref(state); }
};

} // namespace

KeyboardLayout &KeyboardLayout::instance()
{
    static KeyboardLayout *layout = new KeyboardLayout; // lives until the process ends
    return *layout;
}

KeyboardLayout::KeyboardLayout()
{
    m_context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!m_context)
        qCWarning(lcLayout) << "libxkbcommon could not create a context; key names are unavailable";
    reload();
}

KeyboardLayout::~KeyboardLayout()
{
    if (m_filterInstalled && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    if (m_keymap)
        xkb_keymap_unref(m_keymap);
    if (m_context)
        xkb_context_unref(m_context);
}

QString KeyboardLayout::layoutName() const
{
    if (!m_keymap)
        return {};
    const char *name = xkb_keymap_layout_get_name(m_keymap, m_group);
    return name ? QString::fromUtf8(name) : QString();
}

quint32 KeyboardLayout::keycodeForVirtualKey(int virtualKeyCode) const
{
    return keycodeForName(VirtualKeyCodes::xkbKeyName(virtualKeyCode));
}

quint32 KeyboardLayout::keycodeForName(const QByteArray &xkbName) const
{
    if (!m_keymap || xkbName.isEmpty())
        return 0;
    const xkb_keycode_t code = xkb_keymap_key_by_name(m_keymap, xkbName.constData());
    return code == XKB_KEYCODE_INVALID ? 0 : code;
}

quint32 KeyboardLayout::keysymForKeycode(quint32 keycode, quint16 modifierMask) const
{
    if (!m_keymap || !keycode)
        return 0;
    std::unique_ptr<xkb_state, StateDeleter> state(xkb_state_new(m_keymap));
    if (!state)
        return 0;
    // libxkbcommon numbers the eight real modifiers first, in the X order.
    xkb_state_update_mask(state.get(), modifierMask & 0xff, 0, 0, 0, 0, m_group);
    return xkb_state_key_get_one_sym(state.get(), keycode);
}

bool KeyboardLayout::isServerActionKeysym(quint32 keysym)
{
    constexpr quint32 SwitchVTFirst = 0x1008FE01;   // XF86Switch_VT_1
    constexpr quint32 SwitchVTLast = 0x1008FE0C;    // XF86Switch_VT_12
    constexpr quint32 UngrabFirst = 0x1008FE20;     // XF86Ungrab, ClearGrab, Next_VMode, Prev_VMode,
    constexpr quint32 UngrabLast = 0x1008FE25;      // LogWindowTree, LogGrabInfo
    constexpr quint32 TerminateServer = 0xFE24;     // Terminate_Server
    return (keysym >= SwitchVTFirst && keysym <= SwitchVTLast) || (keysym >= UngrabFirst && keysym <= UngrabLast)
        || keysym == TerminateServer;
}

QString KeyboardLayout::textForVirtualKey(int virtualKeyCode, bool shift, bool option) const
{
    const quint32 key = keycodeForVirtualKey(virtualKeyCode);
    if (!key)
        return {};
    std::unique_ptr<xkb_state, StateDeleter> state(xkb_state_new(m_keymap));
    if (!state)
        return {};
    auto maskOf = [this](const char *name) -> xkb_mod_mask_t {
        const xkb_mod_index_t index = xkb_keymap_mod_get_index(m_keymap, name);
        return index == XKB_MOD_INVALID || index >= 32 ? 0 : (xkb_mod_mask_t(1) << index);
    };
    xkb_mod_mask_t depressed = 0;
    if (shift)
        depressed |= maskOf(XKB_MOD_NAME_SHIFT);
    if (option)
        depressed |= maskOf("Mod5");
    xkb_state_update_mask(state.get(), depressed, 0, maskOf(XKB_MOD_NAME_NUM), 0, 0, m_group);

    char buffer[64];
    const int length = xkb_state_key_get_utf8(state.get(), key, buffer, sizeof buffer);
    if (length <= 0 || length >= int(sizeof buffer))
        return {};
    const QString text = QString::fromUtf8(buffer, length);
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return {};
    }
    return text;
}

bool KeyboardLayout::useLayoutNames(const QString &layout, const QString &variant,
                                    const QString &model, const QString &rules)
{
    if (!loadFromNames(layout.toUtf8(), variant.toUtf8(), model.toUtf8(), rules.toUtf8()))
        return false;
    Q_EMIT layoutChanged();
    return true;
}

bool KeyboardLayout::reload()
{
    if (!m_context)
        return false;
    if (qtConnection()) {
        if (loadFromServer())
            return true;
        qCWarning(lcLayout) << "could not read the X server's keymap; using the default layout";
    }
    return loadFromNames({}, {}, {}, {}) || m_keymap;
}

bool KeyboardLayout::isCapsLockOn() const
{
    if (m_capsLockQuery)
        return m_capsLockQuery();
    xcb_connection_t *connection = qtConnection();
    if (!connection || !m_keymap || m_source != Source::XServer)
        return false;
    const int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    if (device < 0)
        return false;
    const std::unique_ptr<xkb_state, StateDeleter> state(xkb_x11_state_new_from_device(m_keymap, connection, device));
    return state && xkb_state_mod_name_is_active(state.get(), XKB_MOD_NAME_CAPS, XKB_STATE_MODS_LOCKED) > 0;
}

void KeyboardLayout::setCapsLockQuery(std::function<bool()> query)
{
    m_capsLockQuery = std::move(query);
}

bool KeyboardLayout::loadFromServer()
{
    xcb_connection_t *connection = qtConnection();
    if (!connection || !m_context)
        return false;
    if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr))
        return false;
    const int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    if (device < 0)
        return false;
    xkb_keymap *keymap = xkb_x11_keymap_new_from_device(m_context, connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap)
        return false;
    quint32 group = 0;
    if (xkb_state *state = xkb_x11_state_new_from_device(keymap, connection, device)) {
        group = xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE);
        xkb_state_unref(state);
    }
    setKeymap(keymap, group, Source::XServer);

    if (m_xkbEventBase < 0) {
        static const char extension[] = "XKEYBOARD";
        xcb_query_extension_reply_t *reply = xcb_query_extension_reply(
            connection, xcb_query_extension(connection, sizeof extension - 1, extension), nullptr);
        if (reply) {
            if (reply->present)
                m_xkbEventBase = reply->first_event;
            free(reply);
        }
    }
    if (!m_filterInstalled && QCoreApplication::instance()) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        m_filterInstalled = true;
    }
    return true;
}

bool KeyboardLayout::loadFromNames(const QByteArray &layout, const QByteArray &variant,
                                   const QByteArray &model, const QByteArray &rules)
{
    if (!m_context)
        return false;
    xkb_rule_names names;
    std::memset(&names, 0, sizeof names);
    names.rules = rules.isEmpty() ? nullptr : rules.constData();
    names.model = model.isEmpty() ? nullptr : model.constData();
    names.layout = layout.isEmpty() ? nullptr : layout.constData();
    names.variant = variant.isEmpty() ? nullptr : variant.constData();
    xkb_keymap *keymap = xkb_keymap_new_from_names(m_context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) {
        qCWarning(lcLayout) << "no keymap for the layout" << layout << variant;
        return false;
    }
    setKeymap(keymap, 0, Source::Names);
    return true;
}

void KeyboardLayout::setKeymap(xkb_keymap *keymap, quint32 group, Source source)
{
    if (m_keymap)
        xkb_keymap_unref(m_keymap);
    m_keymap = keymap;
    const quint32 layouts = xkb_keymap_num_layouts(keymap);
    m_group = layouts ? group % layouts : 0;
    m_source = source;
}

bool KeyboardLayout::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
try {
    if (eventType != "xcb_generic_event_t" || !message || m_source != Source::XServer)
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const quint8 type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        if (loadFromServer())
            Q_EMIT layoutChanged();
        return false;
    }
    if (m_xkbEventBase < 0 || type != m_xkbEventBase)
        return false;
    const auto *bytes = static_cast<const quint8 *>(message); // events are 32 bytes at least
    const quint8 xkbType = bytes[XkbTypeOffset];
    if (xkbType == XkbNewKeyboardNotify || xkbType == XkbMapNotify) {
        if (loadFromServer())
            Q_EMIT layoutChanged();
    } else if (xkbType == XkbStateNotify && m_keymap) {
        const quint32 layouts = xkb_keymap_num_layouts(m_keymap);
        const quint32 group = layouts ? quint32(bytes[StateNotifyGroupOffset]) % layouts : 0;
        if (group != m_group) {
            m_group = group;
            Q_EMIT layoutChanged();
        }
    }
    return false; // Qt's own keyboard handling needs these too
} catch (...) {
    platform::ExceptionBoundary::caught(nullptr, "nativeEventFilter");
    return false;
}

} // namespace platform
