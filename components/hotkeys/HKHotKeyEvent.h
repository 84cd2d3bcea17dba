#pragma once
// The key event a hot key's action or task receives: a key-up event made when the
// user releases the registered combination, carrying its key code, the modifier
// flags held at the release, the pointer position and the time. It also carries the
// object the hot key was registered with.
//
// An action is a Q_INVOKABLE method of the target taking one QObject* (see
// platform/drawing/ActionDispatch.h); for a hot key that argument is this event:
//     Q_INVOKABLE void chronarkHotKeyDown(QObject *sender)
//     { auto *event = qobject_cast<HKHotKeyEvent *>(sender); … event->object() … }
// The event lives only while the action or task runs.
#include <QObject>
#include <QPointF>
#include <QString>
#include <QVariant>

class HKHotKeyEvent : public QObject
{
    Q_OBJECT
public:
    // The key event types of stored events.
    enum Type { KeyDown = 10, KeyUp = 11 };
    Q_ENUM(Type)

    HKHotKeyEvent(Type type, QPointF locationInWindow, quint32 modifierFlags, double timestamp,
                  int windowNumber, QString characters, QString charactersIgnoringModifiers,
                  bool isARepeat, quint16 keyCode, QVariant object = QVariant(),
                  QObject *parent = nullptr);
    ~HKHotKeyEvent() override;

    Type type() const { return m_type; }
    QPointF locationInWindow() const { return m_locationInWindow; }
    quint32 modifierFlags() const { return m_modifierFlags; }
    double timestamp() const { return m_timestamp; }
    int windowNumber() const { return m_windowNumber; }
    QString characters() const { return m_characters; }
    QString charactersIgnoringModifiers() const { return m_charactersIgnoringModifiers; }
    bool isARepeat() const { return m_isARepeat; }
    quint16 keyCode() const { return m_keyCode; }
    // The hot key's object (the action's second argument).
    QVariant object() const { return m_object; }

private:
    Type m_type;
    QPointF m_locationInWindow;
    quint32 m_modifierFlags;
    double m_timestamp;
    int m_windowNumber;
    QString m_characters;
    QString m_charactersIgnoringModifiers;
    bool m_isARepeat;
    quint16 m_keyCode;
    QVariant m_object;
};
