#pragma once
// The desktop's service for system-wide hot keys: it grabs a key combination (a
// virtual key code with Cocoa modifier flags) under a number chosen by the caller
// and reports each press and release of a grabbed combination with that number,
// whatever application is in front. X11KeyGrabber is the real one.
// Threads: GUI thread only.
#include <QMetaType>
#include <QObject>
#include <QPointF>
#include <QString>

namespace platform {

// One press or release of a grabbed combination.
struct HotKeyEvent
{
    quint32 hotKeyID = 0;        // the number the combination was grabbed under
    quint16 keyCode = 0;         // virtual key code
    quint32 modifierFlags = 0;   // Cocoa flags held when the event happened
    QPointF location;            // pointer position on the screen
    double timestamp = 0;        // seconds (server time)
};

class HotKeyGrabber : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~HotKeyGrabber() override;

    // Whether the desktop offers global hot keys at all (for instance an X server).
    // A grabber whose desktop answers later (the Wayland portal) says true while it
    // asks; when it learns that the desktop offers none it emits becameUnavailable()
    // once, drops what it held, and says false from then on.
    virtual bool isAvailable() const = 0;
    // Grabs the combination for the number. Answers false, and grabs nothing, when
    // the combination cannot be grabbed (no key for the code, taken by another
    // client, no desktop); lastError() then tells why.
    virtual bool grabHotKey(quint32 hotKeyID, quint16 keyCode, quint32 modifierFlags) = 0;
    // Releases what was grabbed under the number (nothing when it holds nothing).
    virtual void ungrabHotKey(quint32 hotKeyID) = 0;
    virtual QString lastError() const = 0;

Q_SIGNALS:
    void hotKeyPressed(const platform::HotKeyEvent &event);
    // The desktop offers no global hot keys after all; lastError() tells why.
    void becameUnavailable();
    void hotKeyReleased(const platform::HotKeyEvent &event);
};

} // namespace platform

Q_DECLARE_METATYPE(platform::HotKeyEvent)
