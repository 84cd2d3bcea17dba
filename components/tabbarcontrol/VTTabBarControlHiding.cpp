// Show and hide of the tab bar control: the bar gives its room to its partner view (or
// its window) and takes it back, and the first window update after it entered a
// window. The frames are worked out in unflipped space (a greater y is higher up):
// the bar's and the partner's in their superview, the window's on its screen.
#include "components/tabbarcontrol/VTTabBarControl.h"

#include "platform/drawing/YUpPainter.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QScreen>

namespace {

qreal superviewHeight(const QWidget *view)
{
    if (const QWidget *parent = view->parentWidget())
        return parent->height();
    const QScreen *screen = view->screen();
    return screen ? screen->virtualGeometry().height() : 0.0;
}

QRectF upFrame(const QWidget *view)
{
    return platform::YUpPainter::rectFromView(QRectF(view->geometry()), superviewHeight(view));
}

// A window's new size may reach its widgets only with the next events, so a caller
// that just resized the window gives the height its child will have.
void setUpFrame(QWidget *view, const QRectF &frame, qreal height = -1)
{
    view->setGeometry(platform::YUpPainter::rectToView(frame, height < 0 ? superviewHeight(view) : height).toRect());
}

double originOf(const QRectF &r, bool vertical)
{
    return vertical ? r.x() : r.y();
}

double sizeOf(const QRectF &r, bool vertical)
{
    return vertical ? r.width() : r.height();
}

QRectF alongAxis(QRectF r, bool vertical, float origin, float size)
{
    if (vertical) {
        r.moveLeft(origin);
        r.setWidth(size);
    } else {
        r.moveTop(origin);
        r.setHeight(size);
    }
    return r;
}

} // namespace

void VTTabBarControl::hideTabBar(bool hide, bool animate)
{
    if (!m_awakenedFromNib || hide == m_isHidden || m_currentStep != -1)
        return;
    m_overflowPopUpButton->setVisible(false);
    m_addTabButton->setVisible(false);
    m_isHidden = hide;
    m_currentStep = animate ? 0 : 3;
    if (!hide && !animate) {
        m_overflowPopUpButton->setVisible(m_controller->hasOverflowMenu());
        m_addTabButton->setVisible(m_showAddTabButton);
    }

    auto frames = std::make_unique<ShowHideFrames>();
    const bool vertical = m_orientation == 1;
    frames->vertical = vertical;
    QWidget *win = window() != this ? window() : nullptr;
    frames->neighbour = m_partnerView ? m_partnerView.data() : win;
    frames->neighbourIsWindow = !m_partnerView && win;
    const QRectF mine = upFrame(this);
    const QRectF theirs = frames->neighbour ? upFrame(frames->neighbour) : QRectF();
    const double O = originOf(mine, vertical), S = sizeOf(mine, vertical);
    const double PO = originOf(theirs, vertical), PS = sizeOf(theirs, vertical);
    const double w = m_tabBarWidth;
    double to = O, ts = S, tpo = PO, tps = PS;
    if (vertical) {
        if (hide)
            m_tabBarWidth = int(S);
        if (m_partnerView && PO + PS > O) {
            if (hide) { ts = 1; tpo = PO - S + 1; tps = PS + S - 1; }
            else { ts = S + w; tpo = PO + w; tps = PS - w; }
        } else if (m_partnerView) {
            if (hide) { to = O + S; ts = 1; tps = PS + S; }
            else { to = O - w; ts = S + w; tps = PS - w; }
        } else {
            if (hide) { ts = 1; tpo = PO + S - 1; tps = PS - S + 1; }
            else { ts = w; tpo = PO - w + 1; tps = PS + w - 1; }
        }
        if (!hide && m_delegate)
            if (const auto desired = m_delegate->desiredWidthForVerticalTabBar(this))
                ts = *desired;
    } else if (m_partnerView && O - 22 > PO) {
        if (hide) { to = O + 21; ts = S - 21; tps = PS + 21; }
        else { to = O - 21; ts = S + 21; tps = PS - 21; }
    } else if (m_partnerView) {
        if (hide) { ts = S - 21; tpo = PO - 21; tps = PS + 21; }
        else { ts = S + 21; tpo = PO + 21; tps = PS - 21; }
    } else {
        if (hide) { ts = S - 21; tpo = PO + 21; tps = PS - 21; }
        else { ts = S + 21; tpo = PO - 21; tps = PS + 21; }
    }
    frames->myOriginalOrigin = O;
    frames->myOriginalSize = S;
    frames->partnerOriginalOrigin = PO;
    frames->partnerOriginalSize = PS;
    frames->myTargetOrigin = to;
    frames->myTargetSize = ts;
    frames->partnerTargetOrigin = tpo;
    frames->partnerTargetSize = tps;
    m_showHideFrames = std::move(frames);

    m_showHideAnimationTimer = std::make_unique<QTimer>();
    m_showHideAnimationTimer->setInterval(AnimationFrameMs);
    connect(m_showHideAnimationTimer.get(), &QTimer::timeout, this,
        platform::ExceptionBoundary::guarded(this, "timeout", [this] { animateShowHide(); }));
    m_showHideAnimationTimer->start();
}

void VTTabBarControl::animateShowHide()
{
    if (!m_showHideFrames || m_currentStep < 0)
        return;
    const ShowHideFrames &k = *m_showHideFrames;
    const double f = m_currentStep / 3.0;
    const auto current = [f](double s, double t) { return float(s + (t - s) * f); };
    qreal height = -1;
    if (QWidget *neighbour = k.neighbour) {
        const QRectF frame = alongAxis(upFrame(neighbour), k.vertical, current(k.partnerOriginalOrigin, k.partnerTargetOrigin),
                                       current(k.partnerOriginalSize, k.partnerTargetSize));
        setUpFrame(neighbour, frame);
        neighbour->update();
        if (k.neighbourIsWindow && parentWidget() == neighbour)
            height = frame.height();
    }
    setUpFrame(this, alongAxis(upFrame(this), k.vertical, current(k.myOriginalOrigin, k.myTargetOrigin),
                               current(k.myOriginalSize, k.myTargetSize)), height);

    if (++m_currentStep >= 4) {
        m_currentStep = -1;
        m_showHideFrames.reset();
        // The timer goes first: the layout below may start the next change.
        if (m_showHideAnimationTimer) {
            m_showHideAnimationTimer->stop();
            m_showHideAnimationTimer.release()->deleteLater();
        }
        frameDidChange();
        updateTabBar(false);
        if (m_isHidden) {
            // Taken out of the bar at the start; the layout above must not bring them back.
            m_overflowPopUpButton->setVisible(false);
            m_addTabButton->setVisible(false);
            if (m_delegate)
                m_delegate->tabViewTabBarDidHide(m_tabView, this);
        } else {
            m_overflowPopUpButton->setVisible(m_controller->hasOverflowMenu());
            m_addTabButton->setVisible(m_showAddTabButton);
            if (m_delegate)
                m_delegate->tabViewTabBarDidUnhide(m_tabView, this);
        }
    }
    window()->update();
}

void VTTabBarControl::finishShowHideAtOnce()
{
    if (m_currentStep == -1)
        return;
    m_currentStep = 3;
    animateShowHide();
}

void VTTabBarControl::scheduleFirstWindowUpdate()
{
    if (!m_windowUpdatePending || !m_watchedWindow || !isVisible())
        return;
    m_windowUpdatePending = false;
    QTimer::singleShot(0, this, platform::ExceptionBoundary::guarded(this, "a timer", [this] { windowDidUpdate(); }));
}

void VTTabBarControl::windowDidUpdate()
{
    if (m_hideForSingleTab && m_cells.size() <= 1 && !m_awakenedFromNib) {
        const QRectF F = upFrame(this);
        QWidget *win = window() != this ? window() : nullptr;
        const bool vertical = m_orientation == 1;
        if (vertical)
            m_tabBarWidth = int(F.width());
        if (QWidget *partner = m_partnerView) {
            const QRectF P = upFrame(partner);
            if (vertical && P.x() > F.x()) {
                setUpFrame(this, QRectF(F.x(), F.y(), 1, F.height()));
                setUpFrame(partner, QRectF(P.x() - F.width() + 1, P.y(), P.width() + F.width() - 1, P.height()));
            } else if (vertical) {
                setUpFrame(this, QRectF(F.x() + F.width(), F.y(), 1, F.height()));
                setUpFrame(partner, QRectF(P.x(), P.y(), P.width() + F.width(), P.height()));
            } else if (F.y() - 22 > P.y()) {
                setUpFrame(this, QRectF(F.x(), F.y() + 21, F.width(), F.height() - 21));
                setUpFrame(partner, QRectF(P.x(), P.y(), P.width(), P.height() + 21));
            } else {
                setUpFrame(this, QRectF(F.x(), F.y(), F.width(), F.height() - 21));
                setUpFrame(partner, QRectF(P.x(), P.y() - 21, P.width(), P.height() + 21));
            }
            partner->update();
        } else {
            qreal height = -1;
            if (win) {
                const QRectF W = upFrame(win);
                const QRectF target = vertical ? QRectF(W.x() + F.width() - 1, W.y(), W.width() - F.width() + 1, W.height())
                                               : QRectF(W.x(), W.y() + 21, W.width(), W.height() - 21);
                setUpFrame(win, target);
                win->update();
                if (parentWidget() == win)
                    height = target.height();
            }
            setUpFrame(this, vertical ? QRectF(F.x(), F.y(), 1, F.height())
                                      : QRectF(F.x(), F.y(), F.width(), F.height() - 21), height);
        }
        m_isHidden = true;
        if (m_delegate)
            m_delegate->tabViewTabBarDidHide(m_tabView, this);
    }
    m_awakenedFromNib = true;
    update();
}
