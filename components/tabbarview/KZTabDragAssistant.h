#pragma once
// The one controller of every drag of a tab of a KZTabBarView, from the press in an
// attached button to the drop or the cancel.
//
// - The slide: while the button is held inside its bar (and up to 15 points beyond it
//   across the bar), the button follows the pointer and the others slide aside to show
//   where it would land; on release the tab view item moves there: right after the
//   item of the tab left of it in the row (else right before the one right of it),
//   whatever was added to or removed from the tab view meanwhile, and the bar is laid
//   out again when it changed during the slide. The slide is driven
//   by the button's own press, moves and release (slideMovedTo, slideReleased); a lost
//   grab (slideCancelled) brings the button home.
// - The detached drag: leaving the stay zone (when the bar allows the tab to leave)
//   takes the button out of the bar and starts a platform::DragSession; a drag window
//   (KZTabDragWindowController) shows the tab under the pointer, with, by the bar's
//   tear-off style, a translucent window of the tab's content (ContentWindow, the two
//   cross-faded by platform::DragWindowFade) or a miniature of the window it came from
//   (Miniwindow).
// - The drop: over any tab bar of the process the buttons open a gap at the proposed
//   index and the drop moves the item there (another bar's tab view included).
// - The tear-off: released outside every bar, the tab goes to a bar the source bar's
//   delegate makes, or back where it came from.
//
// A drag is a tab drag only when it is this process's session carrying the assistant's
// pasteboard item as its local object; the private type's data is never read. Every
// other drag answers no operation here (the bar handles those itself).
//
// Notifications (platform::NotificationCenter::defaultCenter()): DidBeginNotification
// once per drag, object the pasteboard item; DidEndNotification, object null, when a
// drop is performed or refused and when a detached drag ends without a drop (a pure
// slide posts only the first).
//
// One instance (sharedDragAssistant), made on first use, never freed. It owns the
// pasteboard item, the detached button, the drag windows and the fade; bars are held
// weakly. Main thread only. Failed internal checks are logged with their text and
// change nothing (nothing is thrown through the event loop).
#include "components/tabbarview/KZSlideButtonsAnimation.h"
#include "components/tabbarview/KZTabDragWindowController.h"
#include "components/tabbarview/KZTabPasteboardItem.h"
#include "platform/layers/DragInfo.h"

#include <QObject>
#include <QPointer>
#include <QPointF>
#include <QSizeF>
#include <memory>
#include <vector>

class KZAttachedTabBarButton;
class KZTabBarView;

namespace platform {
class DragSession;
class DragWindowFade;
} // namespace platform

class KZTabDragAssistant : public QObject
{
    Q_OBJECT
public:
    static constexpr int NotFound = -1;
    static constexpr qreal DragThreshold = 5;
    static constexpr qreal StayZone = 15;
    static constexpr double SlideBackDuration = 0.05;
    static inline const QString DidBeginNotification = QStringLiteral("KZTabDragDidBeginNotification");
    static inline const QString DidEndNotification = QStringLiteral("KZTabDragDidEndNotification");

    static KZTabDragAssistant *sharedDragAssistant();

    QPointF currentMouseLocation() const { return m_currentMouseLocation; }
    KZTabPasteboardItem *pasteboardItem() const { return m_pasteboardItem.get(); }
    KZTabBarView *destinationTabBar() const { return m_destinationTabBar; }
    bool isDragging() const { return m_isDragging; }
    bool isSliding() const { return m_isSliding; }
    // The button taken out of its bar during a detached drag, or null.
    KZAttachedTabBarButton *draggedButton() const { return m_detachedButton.get(); }
    KZTabDragWindowController *draggedTab() const { return m_draggedTab.get(); }
    KZTabDragWindowController *draggedView() const { return m_draggedView.get(); }
    platform::DragWindowFade *fade() const { return m_fade; }
    bool centersDragWindows() const { return m_centersDragWindows; }
    QSizeF dragWindowOffset() const { return m_dragWindowOffset; }
    KZSlideButtonsAnimation *slideAnimation() const { return m_slideAnimation; }
    // Whether the drag is this process's tab drag.
    bool isTabDrag(const platform::DragInfo &info) const;

    // ---- From the bar (the bar passes itself) ----
    bool shouldStartDraggingAttachedTabBarButton(KZAttachedTabBarButton *button, KZTabBarView *bar,
                                                 QPointF pressPoint, QPointF currentPoint) const;
    // Writes the pasteboard item, posts the begin notification and starts the slide
    // (points in the bar's coordinates).
    void startDraggingAttachedTabBarButton(KZAttachedTabBarButton *button, KZTabBarView *bar, QPointF pressPoint);
    void slideMovedTo(QPointF barPoint);
    void slideReleased();
    void slideCancelled();
    // Stops the slide animation the drag runs in the bar, leaving its buttons where it
    // got them (a pass of the bar places them itself).
    void stopSlideAnimationOf(KZTabBarView *bar);
    Qt::DropActions draggingSourceOperationMask(bool local, KZTabBarView *bar) const;
    void draggedImageBeganAt(QPoint screenPoint, KZTabBarView *bar);
    void draggedImageMovedTo(QPoint screenPoint);
    void draggedImageEndedAt(QPoint screenPoint, Qt::DropAction operation);
    Qt::DropAction draggingEntered(const platform::DragInfo &info, KZTabBarView *bar);
    Qt::DropAction draggingUpdated(const platform::DragInfo &info, KZTabBarView *bar);
    void draggingExitedTabBarView(KZTabBarView *bar, const platform::DragInfo &info);
    bool performDragOperation(const platform::DragInfo &info, KZTabBarView *bar);

    // Where a button would land at a point of a bar (bar coordinates), or NotFound.
    int destinationIndexForButton(KZAttachedTabBarButton *button, QPointF point, KZTabBarView *bar) const;
    void finishDragOfPasteboardItem(KZTabPasteboardItem *item);

private:
    KZTabDragAssistant();
    int moveAttachedTabBarButton(KZAttachedTabBarButton *button, KZTabBarView *bar, int from, int to);
    void slideBack(KZAttachedTabBarButton *button, KZTabBarView *bar);
    static int droppedIndex(const std::vector<KZAttachedTabBarButton *> &row, KZAttachedTabBarButton *button,
                            KZTabBarView *bar);
    void dropSlideAnimation();
    void finalizeAnimation(KZSlideButtonsAnimation *animation);
    void startSlideAnimation(KZSlideButtonsAnimation *animation);
    void endSlide();
    void detach(KZAttachedTabBarButton *button, KZTabBarView *bar, QPoint screenPoint);
    void draggingExited(KZTabBarView *bar, KZTabPasteboardItem *item);
    void beginDraggingWindow(KZTabPasteboardItem *item, bool isSourceWindow);
    void endDraggingWindow();
    void putBack(KZTabPasteboardItem *item);
    void expandWindow(QWidget *window, QPoint screenPoint);
    QImage contentImage(KZTabPasteboardItem *item, unsigned &styleMask);
    void placeContentWindow();
    static void logFailure(const QString &text);

    QPointF m_currentMouseLocation;
    std::unique_ptr<KZTabPasteboardItem> m_pasteboardItem;
    QPointer<KZTabBarView> m_destinationTabBar;
    bool m_isDragging = false;
    bool m_isSliding = false;
    std::unique_ptr<KZAttachedTabBarButton> m_detachedButton;
    std::unique_ptr<KZTabDragWindowController> m_draggedTab;
    std::unique_ptr<KZTabDragWindowController> m_draggedView;
    QSizeF m_dragWindowOffset;
    platform::DragWindowFade *m_fade;
    bool m_centersDragWindows = false;
    unsigned m_currentTearOffStyle = 0;
    QPointer<KZSlideButtonsAnimation> m_slideAnimation;
    QPointer<QWidget> m_hiddenSourceWindow;
    // The slide.
    QPointF m_grabOffset;
    int m_currentIndex = NotFound;
    int m_proposedIndex = NotFound;
    // The button's place when the slide started; the bar's pass count then and at
    // the last move.
    int m_startIndex = NotFound;
    bool m_heldOverflowButton = false;
    int m_passesAtStart = 0;
    int m_passesSeen = 0;
};
