#pragma once
// The control tint: the colour family the desktop gives selected controls. The
// current tint comes from the integer user default "AppleAquaColorVariant": 6 is
// graphite, every other value (and a missing key) blue. Nothing on Linux sets that
// key by itself; whoever changes it posts DidChangeNotification through
// platform::NotificationCenter so that drawings that cache tint colours read it again.
//
// A cell's own tint (platform::Cell::controlTint()) of Default follows the current
// tint; Clear stands for the tint of a control in a window that is not active.
//
// Stateless: every call reads the user defaults afresh. Thread-safe (the defaults are).
#include <QString>
#include <QtGlobal>

namespace platform {

class UserDefaults;

class ControlTint
{
public:
    enum Value : unsigned { Default = 0, Blue = 1, Graphite = 6, Clear = 7 };

    static inline const QString DidChangeNotification = QStringLiteral("NSControlTintDidChangeNotification");
    static inline const QString AquaColorVariantKey = QStringLiteral("AppleAquaColorVariant");

    // Graphite for the variant 6, else Blue.
    static Value controlTintForVariant(qint64 variant);
    // The tint of the standard user defaults (or of the given ones).
    static Value currentControlTint();
    static Value currentControlTint(const UserDefaults &defaults);
    // A cell's tint with Default replaced by the current tint.
    static Value resolved(unsigned cellTint);
};

} // namespace platform
