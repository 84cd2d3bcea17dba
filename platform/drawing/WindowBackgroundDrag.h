#pragma once
// Moving a window by dragging its background. A window opts in with
// setMovableByWindowBackground (off by default; the flag lives on the top-level widget);
// a view whose empty background is pressed asks isMovableByWindowBackground and then
// drives one WindowBackgroundDrag from its press, move and release events. The drag asks
// the window manager to move the window where it offers that (the user sees the usual
// move feedback and snapping); otherwise the window follows the pointer by the change of
// its global position. No nested event loop. Value type; main thread only. A drag whose
// window goes away mid-way ends quietly.
#include <QPointF>
#include <QPointer>

class QWidget;

namespace platform {

class WindowBackgroundDrag
{
public:
    static bool isMovableByWindowBackground(const QWidget *window);
    static void setMovableByWindowBackground(QWidget *window, bool movable);

    // Starts moving the top-level window of widget from the pointer's global position.
    // Answers whether a drag is now under way (the window manager's, or ours).
    bool begin(QWidget *widget, const QPointF &globalPosition);
    // Follows the pointer; answers whether this drag handled the event.
    bool follow(const QPointF &globalPosition);
    void end();
    bool isFollowingPointer() const { return !m_window.isNull(); }

private:
    QPointer<QWidget> m_window;
    QPointF m_last;
};

} // namespace platform
