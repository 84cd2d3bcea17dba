#pragma once
// An in-process drag: data, an optional picture that follows the pointer, a source
// that hears how the drag goes, and destination widgets (DragDestination) that the
// pointer passes over. It never leaves the process: other programs see nothing of it.
//
// begin() starts the session (one at a time: answers null while another runs). From
// then on the session holds an explicit pointer and keyboard grab on a 1 × 1 window of
// its own, so it keeps getting the pointer wherever it goes, and drives the drag from
// the grabbed events: every move is a step (moveTo(QCursor::pos())), the release of the
// left button drops (drop()), Escape or a lost grab (another widget grabbing, the grab
// window hidden) cancels (cancel()). Callers and tests may call moveTo(), drop() and
// cancel() themselves.
//
// A step finds the destination under the point: the top-level windows of the process
// that are visible, not minimised and not transparent for input (drag windows are) and
// contain the point, the active one first; in it, the deepest widget under the point
// and then its ancestors, the first that implements DragDestination. Leaving a
// destination sends it dragExited, reaching one dragEntered, staying dragUpdated (see
// DragDestination for the order on a drop). The source hears draggedImageBeganAt at
// begin(), draggedImageMovedTo on every step, and draggedImageEndedAt once at the end
// with the performed operation (Qt::IgnoreAction when nothing was dropped).
//
// With an image, a DragWindow shows it at the pointer minus the image offset; when the
// drag ends without a drop and slideBack was asked for, the window slides back to
// where it started in SlideBackDuration before it closes.
//
// Data travel as MIME formats (DragInfo::formatForPasteboardType()); localObject() is
// an object the source hands to in-process destinations (held weakly, not owned).
//
// Ownership: the session is a child of the application object and deletes itself one
// event-loop pass after finished() is emitted; it owns the data and its windows and
// owns neither source nor destinations (held weakly where they are widgets). GUI
// thread only. Failures: begin() with a null source widget or while another session
// runs answers null and changes nothing.
#include "platform/layers/DragDestination.h"
#include "platform/layers/DragSource.h"

#include <QImage>
#include <QMimeData>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <memory>

namespace platform {

class DragWindow;
class TimedAnimation;

// What a drag shows under the pointer.
struct DragPicture {
    QImage image;  // null: no window follows the pointer
    QPoint offset; // the pointer's place in the image
    bool slideBack = false;
};

class DragSession : public QObject
{
    Q_OBJECT
public:
    static constexpr double SlideBackDuration = 0.25;

    // localObject is set before the source and the first destination hear of the drag.
    static DragSession *begin(QWidget *sourceWidget, DragSource *source, std::unique_ptr<QMimeData> data,
                              QPoint screenLocation, const DragPicture &picture = {}, QObject *localObject = nullptr);
    // The running session, or null.
    static DragSession *current();
    ~DragSession() override;

    QWidget *sourceWidget() const { return m_sourceWidget; }
    DragSource *source() const { return m_source; }
    const QMimeData *mimeData() const { return m_data.get(); }
    QObject *localObject() const { return m_localObject; }
    void setLocalObject(QObject *object) { m_localObject = object; }
    Qt::DropActions sourceOperationMask() const { return m_operations; }
    QPoint location() const { return m_location; }
    QPoint startLocation() const { return m_start; }
    QWidget *destinationWidget() const { return m_destinationWidget; }
    Qt::DropAction currentOperation() const { return m_operation; }
    DragWindow *imageWindow() const { return m_imageWindow.get(); }
    bool isActive() const { return m_active; }
    bool hasGrab() const;

    void moveTo(QPoint screenLocation);
    void drop();
    void cancel();

    // The destination widget under a screen point (and its interface), or null.
    static QWidget *destinationAt(QPoint screenLocation, DragDestination **destination = nullptr);
    // The top-level window under a screen point that may take drops, or null.
    static QWidget *topLevelAt(QPoint screenLocation);
    static DragDestination *destinationOf(QWidget *widget);

Q_SIGNALS:
    void finished(Qt::DropAction operation);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    DragSession(QWidget *sourceWidget, DragSource *source, std::unique_ptr<QMimeData> data, QPoint location,
                const DragPicture &picture);
    DragInfo info();
    void exitDestination();
    void finish(Qt::DropAction operation);
    void releaseGrab();

    QPointer<QWidget> m_sourceWidget;
    DragSource *m_source;
    std::unique_ptr<QMimeData> m_data;
    QPointer<QObject> m_localObject;
    Qt::DropActions m_operations;
    QPoint m_start;
    QPoint m_location;
    DragPicture m_picture;
    std::unique_ptr<QWidget> m_grabWindow;
    std::unique_ptr<DragWindow> m_imageWindow;
    TimedAnimation *m_slideBack = nullptr;
    QPointer<QWidget> m_destinationWidget;
    Qt::DropAction m_operation = Qt::IgnoreAction;
    bool m_active = true;
    bool m_inStep = false;
};

} // namespace platform
