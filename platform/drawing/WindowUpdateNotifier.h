#pragma once
// "The window updated": after the events that can change what a window's controls
// should show (keys, mouse buttons, the wheel, focus moves, the window becoming
// active), windowDidUpdate(window) is emitted once per top-level window, after the
// event loop has delivered everything pending. Toolbars validate their visible items
// on it, as the platform's toolbars did on each window update, instead of polling:
// an idle window wakes nobody. Changes that arrive without input (a counter started
// by a global hot key, a file read) are announced by their owners.
//
// One per process (instance()), made on first use as a child of the application;
// its event filter only records windows and posts one queued flush. GUI thread only;
// nothing here throws.
#include <QObject>
#include <QPointer>
#include <QVector>

class QWidget;

namespace platform {

class WindowUpdateNotifier : public QObject
{
    Q_OBJECT
public:
    static WindowUpdateNotifier *instance();

    // Asks for an update of window (its top-level window) on the next pass.
    void setNeedsUpdate(QWidget *window);

Q_SIGNALS:
    void windowDidUpdate(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit WindowUpdateNotifier(QObject *parent);
    void flush();

    QVector<QPointer<QWidget>> m_pending;
    bool m_flushPosted = false;
};

} // namespace platform
