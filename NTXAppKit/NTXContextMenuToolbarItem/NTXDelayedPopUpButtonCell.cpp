#include "NTXAppKit/NTXContextMenuToolbarItem/NTXDelayedPopUpButtonCell.h"

#include <QMenu>
#include <QWidget>

NTXDelayedPopUpButtonCell::NTXDelayedPopUpButtonCell(const QString &title)
    : platform::ButtonCell(title)
{
    setControlSize(ControlSize::Regular);
}

NTXDelayedPopUpButtonCell::NTXDelayedPopUpButtonCell(const NTXDelayedPopUpButtonCell &other)
    : platform::ButtonCell(other)
    , m_menu(other.m_menu)
{
    // a copy starts without a press to track
}

NTXDelayedPopUpButtonCell::~NTXDelayedPopUpButtonCell() = default;

std::unique_ptr<platform::Cell> NTXDelayedPopUpButtonCell::clone() const
{
    return std::unique_ptr<platform::Cell>(new NTXDelayedPopUpButtonCell(*this));
}

QPointF NTXDelayedPopUpButtonCell::menuPositionForFrame(const QRectF &cellFrame, const QWidget *controlView) const
{
    QPointF origin = cellFrame.topLeft();
    if (controlView)
        origin = controlView->mapTo(controlView->window(), origin);
    return origin + QPointF(MenuOffsetX, cellFrame.height() + MenuGapBelow);
}

void NTXDelayedPopUpButtonCell::showMenuForEvent(QWidget *controlView, const QRectF &cellFrame)
{
    if (!m_menu || !controlView)
        return;
    const QPointF inWindow = menuPositionForFrame(cellFrame, controlView);
    const QPoint global = controlView->window()->mapToGlobal(inWindow).toPoint();
    m_menu->popup(global);
}

void NTXDelayedPopUpButtonCell::beginTracking(const QPointF &location, const QRectF &cellFrame, QWidget *controlView,
                                              bool untilMouseUp)
{
    m_lastPoint = location;
    m_cellFrame = cellFrame;
    m_untilMouseUp = untilMouseUp;
    m_trackingFlag = startTrackingAt(location, cellFrame, controlView);
    m_mouseUpFlag = false;
    m_answer = false;
    m_isTracking = true;
}

bool NTXDelayedPopUpButtonCell::trackEvent(bool isMouseUp, const QPointF &point, QWidget *controlView)
{
    if (!m_isTracking)
        return true;
    bool done = false;
    if (m_trackingFlag) {
        if (!continueTracking(m_lastPoint, point, controlView)) {
            stopTracking(m_lastPoint, point, controlView, m_mouseUpFlag);
            done = true;
        }
        if (isContinuous())
            sendAction(controlView);
    }
    m_mouseUpFlag = isMouseUp;
    done = done || m_mouseUpFlag;
    m_answer = m_mouseUpFlag;
    if (!m_untilMouseUp) {
        const bool inside = m_cellFrame.contains(point);
        m_answer = inside;
        done = done || !inside;
    }
    if (done && m_answer && !isContinuous())
        sendAction(controlView);
    m_lastPoint = point;
    if (done)
        finishTracking();
    return done;
}

bool NTXDelayedPopUpButtonCell::continueTracking(const QPointF &, const QPointF &current, QWidget *)
{
    setHighlighted(m_trackingFrame.contains(current));
    return true;
}

bool NTXDelayedPopUpButtonCell::deadlinePassed(QWidget *controlView)
{
    if (!m_isTracking)
        return true;
    if (!m_menu)
        return false; // without a menu the deadline lies in the distant future
    m_answer = true;
    const QRectF frame = m_cellFrame;
    finishTracking();
    showMenuForEvent(controlView, frame);
    return true;
}

void NTXDelayedPopUpButtonCell::cancelTracking(QWidget *)
{
    if (!m_isTracking)
        return;
    m_answer = false;
    finishTracking();
}

void NTXDelayedPopUpButtonCell::finishTracking()
{
    m_isTracking = false;
    // the control unhighlights its cell once tracking returns
    setHighlighted(false);
    m_trackingFrame = QRectF();
}
