#pragma once
// The one object that runs every drag of a tab of a VTTabBarControl: the control that
// starts the drag and every control the pointer passes over forward their drag-source
// and drag-destination events here. It opens a gap that follows the pointer by putting
// placeholder cells between the visible tabs, whose size along the bar moves through
// eight sine-curve steps (one step per 1/30 s tick), keeps the drag windows in step
// (the tab window, and in the alpha-window tear-off the view window, cross-faded by
// platform::DragWindowFade), and on the drop moves the tab view item and its cell.
//
// The drag itself is a platform::DragSession whose local object is this assistant and
// whose data carry DraggedType with the dragged cell's index (written for the record;
// nothing reads it back): only this process's session is a tab drag.
//
// Notifications (platform::NotificationCenter::defaultCenter(), object null):
// DidBeginNotification when a drag starts, DidEndNotification when it ends on a bar,
// in a new window or put back.
//
// Archive: the bars, cells and state under their keys; "animationTimer" is written
// empty (a timer is not archived) and a decoded assistant never runs a drag.
//
// One instance (sharedDragAssistant), made on first use, never freed. It holds the
// bars weakly, shares the dragged and target cells, owns the drag windows, the fade
// and the timers. Main thread only. A drag that cannot start (another session runs)
// puts the tab back and logs; nothing is thrown through the event loop.
#include "components/tabbarcontrol/VTTabBarCell.h"
#include "components/tabbarcontrol/VTTabDragWindowController.h"
#include "platform/archive/Coding.h"
#include "platform/layers/WindowGrowth.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QPointF>
#include <QSizeF>
#include <QTimer>
#include <memory>
#include <vector>

class QMouseEvent;
class VTTabBarControl;

namespace platform {
class DragWindowFade;
} // namespace platform

class VTTabDragAssistant : public QObject, public platform::Coding
{
    Q_OBJECT
public:
    using CellPtr = std::shared_ptr<VTTabBarCell>;
    static inline const QString DidBeginNotification = QStringLiteral("VTTabDragDidBeginNotification");
    static inline const QString DidEndNotification = QStringLiteral("VTTabDragDidEndNotification");
    static inline const QString ClassName = QStringLiteral("VTTabDragAssistant");
    static constexpr int AnimationIntervalMs = 1000 / 30;

    static VTTabDragAssistant *sharedDragAssistant();
    // A free-standing assistant (archives and tests); drags use the shared one.
    VTTabDragAssistant();
    ~VTTabDragAssistant() override;

    // ---- State ----
    VTTabBarControl *sourceTabBar() const { return m_sourceTabBar; }
    VTTabBarControl *destinationTabBar() const { return m_destinationTabBar; }
    VTTabBarCell *draggedCell() const { return m_draggedCell.get(); }
    VTTabBarCell *targetCell() const { return m_targetCell.get(); }
    int draggedCellIndex() const { return m_draggedCellIndex; }
    bool isDragging() const { return m_isDragging; }
    QPointF currentMouseLoc() const { return m_currentMouseLoc; }
    const std::vector<int> &sineCurveWidths() const { return m_sineCurveWidths; }
    QList<VTTabBarControl *> participatingTabBars() const;
    VTTabDragWindowController *draggedTab() const { return m_draggedTab.get(); }
    VTTabDragWindowController *draggedView() const { return m_draggedView.get(); }
    platform::DragWindowFade *fade() const { return m_fade; }
    bool centersDragWindows() const { return m_centersDragWindows; }
    QSizeF dragWindowOffset() const { return m_dragWindowOffset; }
    bool isAnimationTimerRunning() const { return m_animationTimer.isActive(); }
    platform::WindowGrowth *windowGrowth() const { return m_growth; }

    // ---- The course of a drag (bar points in the bar's coordinates) ----
    void startDraggingCell(VTTabBarCell *cell, VTTabBarControl *bar, const QMouseEvent *mouseDown);
    void draggingBeganAt(QPoint screenPoint);
    void draggingMovedTo(QPoint screenPoint);
    void draggingEnteredTabBar(VTTabBarControl *bar, QPointF point);
    void draggingUpdatedInTabBar(VTTabBarControl *bar, QPointF point);
    void draggingExitedTabBar(VTTabBarControl *bar);
    void performDragOperation();
    void draggedImageEndedAt(QPoint screenPoint, Qt::DropAction operation);
    void finishDrag();

    // ---- Placeholders and the animation ----
    static std::vector<int> sineCurveWidthsFor(const QRectF &frame, int orientation);
    void distributePlaceholdersInTabBar(VTTabBarControl *bar);
    void distributePlaceholdersInTabBar(VTTabBarControl *bar, VTTabBarCell *cell);
    void removeAllPlaceholdersFromTabBar(VTTabBarControl *bar);
    void calculateDragAnimationForTabBar(VTTabBarControl *bar);
    // One tick: every participating bar moves one step and asks one repaint.
    void animateDrag();

    // ---- Drag window pictures ----
    QImage imageForViewOfCell(VTTabBarCell *cell, unsigned *styleMask);
    static QImage miniwindowImageOfWindow(QWidget *window);
    void expandWindow(QWidget *window, QPoint screenPoint);

    // ---- Archive ----
    QString classNameForCoder() const override { return ClassName; }
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

private:
    static void rearranging(VTTabBarControl *bar);
    void setSourceWindowTransparent(VTTabBarControl *source);
    void postNotification(const QString &name);

    QPointer<VTTabBarControl> m_sourceTabBar;
    QPointer<VTTabBarControl> m_destinationTabBar;
    QList<QPointer<VTTabBarControl>> m_participatingTabBars;
    CellPtr m_draggedCell;
    int m_draggedCellIndex = -1;
    bool m_isDragging = false;
    std::unique_ptr<VTTabDragWindowController> m_draggedTab;
    std::unique_ptr<VTTabDragWindowController> m_draggedView;
    QSizeF m_dragWindowOffset;
    platform::DragWindowFade *m_fade;
    bool m_centersDragWindows = false;
    int m_currentTearOffStyle = 0;
    QTimer m_animationTimer;
    std::vector<int> m_sineCurveWidths;
    QPointF m_currentMouseLoc = QPointF(-1, -1);
    CellPtr m_targetCell;
    QPointF m_grabOffset;
    QPoint m_currentScreenPoint;
    QPointer<QWidget> m_transparentSourceWindow;
    QPointer<platform::WindowGrowth> m_growth;
};
