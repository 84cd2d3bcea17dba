#pragma once
// The public face of a global hot key, as the queries of HKHotKeyCenter hand it out.
// The accessors of this base answer nothing; every hot key the center registers is
// an HKHotKeyPrivate, which answers its real values.
//
// Two hot keys are equal when they have the same key code and modifier flags;
// target, action and task play no part.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>

class HKHotKeyEvent;

// What a hot key runs when it has no usable target and action; it receives the
// key-up event of the release.
using HKHotKeyTask = std::function<void(const HKHotKeyEvent &event)>;

class HKHotKey
{
public:
    HKHotKey() = default;
    HKHotKey(const HKHotKey &) = delete;
    HKHotKey &operator=(const HKHotKey &) = delete;
    virtual ~HKHotKey();

    virtual QObject *target() const { return nullptr; }
    // The action's name as given ("chronarkHotKeyDown:"); empty for none.
    virtual QByteArray action() const { return {}; }
    virtual QVariant object() const { return {}; }
    virtual quint16 keyCode() const { return 0; }
    virtual quint32 modifierFlags() const { return 0; }
    virtual HKHotKeyTask task() const { return {}; }
    // The action's name as text (for predicates).
    QString actionString() const { return QString::fromLatin1(action()); }

    bool isEqual(const HKHotKey &other) const;
    // modifierFlags plus keyCode.
    quint64 hash() const;
    // "<HKHotKey: 0x…>\n\t(key: 96\n\tflags: (NSControlKeyMask)\n\tinvokes: [<Target: 0x…> action:])"
    QString description() const;

    // The flags text of a description: the names of the control, command, shift and
    // option bits in that order, "(A | B)", or "ERROR: No valid flags" for none.
    static QString flagsDescription(quint32 modifierFlags);

    friend bool operator==(const HKHotKey &a, const HKHotKey &b) { return a.isEqual(b); }
};

size_t qHash(const HKHotKey &hotKey, size_t seed = 0);
