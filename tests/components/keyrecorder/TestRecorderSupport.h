#pragma once
// Helpers of the recorder tests: a delegate that counts what it is told, key events
// carrying the keycodes of the US keymap, and closing the alert a refused
// combination shows.
#include "components/keyrecorder/KRRecorderControl.h"
#include "platform/desktop/KeyboardLayout.h"
#include "tests/support/TestSupport.h"
#include "platform/drawing/Sheet.h"

#include <QApplication>
#include <QKeyEvent>
#include <QList>
#include <QMessageBox>
#include <QTimer>

namespace recordertest {

// The user defaults of this test program live in a temporary folder.
inline void useTemporaryHome()
{
    static testsupport::ScopedXdgHome home;
    Q_UNUSED(home);
}

class Delegate : public QObject
{
    Q_OBJECT
public:
    QList<KeyCombo> changes;
    QList<QPair<int, quint32>> questions;
    bool answerTaken = false;
    QString reason;

    Q_INVOKABLE void keyRecorder(KRRecorderControl *recorder, KeyCombo newKeyCombo)
    {
        Q_UNUSED(recorder);
        changes.append(newKeyCombo);
    }
    Q_INVOKABLE bool keyRecorder(KRRecorderControl *recorder, int keyCode, quint32 flags, QString *why)
    {
        Q_UNUSED(recorder);
        questions.append({keyCode, flags});
        if (answerTaken && why)
            *why = reason;
        return answerTaken;
    }
};

// A key press (and release) as the X server would report it: with the keycode of
// the virtual key in the US keymap.
inline void press(QWidget *widget, int qtKey, Qt::KeyboardModifiers modifiers, int virtualKeyCode,
                  const QString &text = QString())
{
    const quint32 keycode = platform::KeyboardLayout::instance().keycodeForVirtualKey(virtualKeyCode);
    QKeyEvent down(QEvent::KeyPress, qtKey, modifiers, keycode, 0, 0, text);
    QApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, qtKey, modifiers, keycode, 0, 0, text);
    QApplication::sendEvent(widget, &up);
}

// Closes the next modal alert that opens and keeps its texts.
class AlertCloser : public QObject
{
public:
    AlertCloser()
    {
        auto *timer = new QTimer(this);
        timer->setInterval(10);
        connect(timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal)
                modal = platform::Sheet::activeSheet();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                text = box->text();
                informativeText = box->informativeText();
                ++alerts;
                box->done(0);
            }
        });
        timer->start();
    }
    int alerts = 0;
    QString text;
    QString informativeText;
};

} // namespace recordertest
