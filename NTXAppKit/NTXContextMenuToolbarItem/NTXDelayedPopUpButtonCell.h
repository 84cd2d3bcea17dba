#pragma once
// The cell of a delayed pop-up button. When the mouse goes down on a cell with a
// menu and no release or drag of that press is waiting to be handled, the menu pops
// up just below the button; otherwise the cell tracks the mouse like a plain button
// and sends its action for a click released inside it. Without a menu it is a plain
// button throughout.
//
// Tracking runs in steps that the control view drives with the events of the press:
// beginTracking() at the press, trackEvent() for every drag or release, and
// deadlinePassed() when the queue holds nothing more for the press (the control view
// learns this from a zero-interval timer, which fires only after the events already
// queued have been delivered).
#include "platform/drawing/ButtonCell.h"

#include <QPointF>
#include <QPointer>
#include <QRectF>

#include <QMenu>
class QWidget;

class NTXDelayedPopUpButtonCell : public platform::ButtonCell
{
public:
    // Where the menu opens relative to the button's frame: 1 point right of its left
    // edge and 5.5 points below its bottom edge.
    static constexpr qreal MenuOffsetX = 1.0;
    static constexpr qreal MenuGapBelow = 5.5;

    // A text cell with the title, at the regular control size.
    explicit NTXDelayedPopUpButtonCell(const QString &title = QString());
    ~NTXDelayedPopUpButtonCell() override;

    std::unique_ptr<platform::Cell> clone() const override;

    // The menu the cell pops up; not owned (the menu's parent owns it). Null: none.
    QMenu *menu() const { return m_menu; }
    void setMenu(QMenu *menu) { m_menu = menu; }

    // The point (window coordinates, y down) where the menu's top-left corner goes:
    // the frame's origin in the window, moved right by 1 and down by the frame's
    // height plus 5.5.
    QPointF menuPositionForFrame(const QRectF &cellFrame, const QWidget *controlView) const;
    // Pops the menu up at menuPositionForFrame() as a context menu of the view; the
    // call returns at once, the menu stays open until the user closes it. Nothing
    // without a menu or a view.
    void showMenuForEvent(QWidget *controlView, const QRectF &cellFrame);

    // ---- Tracking ----
    // The press at the location (view coordinates) in the cell frame. untilMouseUp
    // NO (a button's way) ends tracking as soon as the mouse leaves the frame.
    void beginTracking(const QPointF &location, const QRectF &cellFrame, QWidget *controlView, bool untilMouseUp);
    // One left-mouse-dragged (isMouseUp false) or left-mouse-up event at the point.
    // Answers whether tracking is done; the action has then been sent when it was due.
    bool trackEvent(bool isMouseUp, const QPointF &point, QWidget *controlView);
    // Nothing is waiting for the press: with a menu the menu pops up and tracking is
    // done (answers true); without one tracking goes on (answers false).
    bool deadlinePassed(QWidget *controlView);
    // Ends tracking without a result (the view went away or was disabled).
    void cancelTracking(QWidget *controlView);

    // Highlights while the mouse is inside the tracked frame; the continuous action
    // is sent by trackEvent(), once per event.
    bool continueTracking(const QPointF &last, const QPointF &current, QWidget *controlView) override;

    bool isTracking() const { return m_isTracking; }
    // The answer of the last tracking (trackMouse:…'s result).
    bool trackingResult() const { return m_answer; }
    // Whether the cell wants the deadline now: tracking with a menu.
    bool waitsForDeadline() const { return m_isTracking && m_menu; }

protected:
    NTXDelayedPopUpButtonCell(const NTXDelayedPopUpButtonCell &other);

private:
    void finishTracking();

    QPointer<QMenu> m_menu;
    // tracking state of the press being handled
    bool m_isTracking = false;
    bool m_trackingFlag = false;
    bool m_mouseUpFlag = false;
    bool m_answer = false;
    bool m_untilMouseUp = false;
    QPointF m_lastPoint;
    QRectF m_cellFrame;
};
