#pragma once
// The keyboard layout in use, through libxkbcommon: the X server's keymap and its
// active group when the application runs on X, otherwise a keymap compiled from
// layout names (the XKB_DEFAULT_* variables, else a US layout). It turns the
// virtual key codes of stored combinations into keycodes of that keymap and tells
// what text a key types.
//
// layoutChanged() is emitted after the X server announces a new keymap or another
// active group, and after useLayoutNames().
#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

struct xkb_context;
struct xkb_keymap;

namespace platform {

class KeyboardLayout : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    enum class Source { None, XServer, Names };

    // The one layout of the process (main thread), created on first use.
    static KeyboardLayout &instance();

    Source source() const { return m_source; }
    bool isValid() const { return m_keymap != nullptr; }
    // Name of the active layout ("English (US)"), empty without a keymap.
    QString layoutName() const;

    // Keycode of the key with the virtual key code in the current keymap (on X, the
    // X keycode); 0 when the code has no key or the keymap lacks it.
    quint32 keycodeForVirtualKey(int virtualKeyCode) const;
    // Keycode of an XKB key name (aliases resolved); 0 when the keymap lacks it.
    quint32 keycodeForName(const QByteArray &xkbName) const;

    // The keysym of a keycode with the real modifiers of an X modifier mask held
    // (Shift, Lock, Control, Mod1…Mod5 are bits 0…7), in the active group; 0 for none.
    quint32 keysymForKeycode(quint32 keycode, quint16 modifierMask) const;
    // Whether the keysym is one the X server acts on itself and never delivers to
    // clients (switching virtual terminals or video modes, breaking grabs,
    // terminating the server).
    static bool isServerActionKeysym(quint32 keysym);

    // The text the key types in the active layout, with shift and the third-level
    // key (what the option key selects) held as asked and NumLock on; empty when the
    // key types nothing printable.
    QString textForVirtualKey(int virtualKeyCode, bool shift = false, bool option = false) const;

    // Uses a keymap compiled from names (empty fields: the environment's defaults).
    // Answers whether it compiled; on failure the current keymap stays.
    bool useLayoutNames(const QString &layout, const QString &variant = QString(),
                        const QString &model = QString(), const QString &rules = QString());
    // Reads the keymap again from its source (the X server when the application runs
    // on X, else the environment's names). Answers whether a keymap exists afterwards.
    bool reload();

    // Whether Caps Lock is locked now (Qt's keyboard modifiers never report it).
    // By default the X server's keyboard state is asked (false elsewhere); a query
    // set here answers instead, and a null one restores the default.
    bool isCapsLockOn() const;
    void setCapsLockQuery(std::function<bool()> query);

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

Q_SIGNALS:
    void layoutChanged();

private:
    KeyboardLayout();
    ~KeyboardLayout() override;
    bool loadFromServer();
    bool loadFromNames(const QByteArray &layout, const QByteArray &variant,
                       const QByteArray &model, const QByteArray &rules);
    void setKeymap(xkb_keymap *keymap, quint32 group, Source source);

    xkb_context *m_context = nullptr;
    xkb_keymap *m_keymap = nullptr;
    quint32 m_group = 0;
    Source m_source = Source::None;
    int m_xkbEventBase = -1;
    bool m_filterInstalled = false;
    std::function<bool()> m_capsLockQuery;
};

} // namespace platform
