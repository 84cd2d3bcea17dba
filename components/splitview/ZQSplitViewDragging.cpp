// Divider dragging and double clicks of the split view: press, move and release
// events drive it, so no event loop runs inside a handler.
#include "components/splitview/ZQSplitView.h"

#include "platform/drawing/DelegateCall.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

#include <algorithm>
#include <cmath>

using platform::askDelegate;

namespace {
constexpr float Unlimited = 1000000.0f;

QPointF convertPoint(const QPointF &point, const QWidget *from, const QWidget *to)
{
    return from == to ? point : to->mapFromGlobal(from->mapToGlobal(point));
}
} // namespace

void ZQSplitView::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton || m_dividers.isEmpty() || ZQ___numberOfSubviews() < 2
        || m_actDivider != NotFound || divider().isNull()) {
        ZQSplitSubview::mousePressEvent(event);
        return;
    }
    const QPointF p = event->position();
    const QList<ZQSplitSubview *> panes = ZQ___subviews();
    const bool horizontal = isHorizontal();
    for (qsizetype index = 0; index < m_dividers.size() && index + 1 < panes.size(); ++index) {
        const QRectF r = m_dividers.at(index);
        if (!(p.x() >= r.left() && p.x() < r.right() && p.y() >= r.top() && p.y() < r.bottom()))
            continue;
        const unsigned i = unsigned(index);
        ZQSplitSubview *leading = panes.at(index), *trailing = panes.at(index + 1);
        event->accept();
        bool handle = true;
        if (askDelegate(m_delegate.data(), "splitViewShouldHandleEventInDividerBetweenViewAndView", &handle, this, p,
                        i, leading, trailing)
            && !handle)
            return;
        if (event->type() == QEvent::MouseButtonDblClick) {
            doubleClickDivider(i);
            return;
        }
        m_drag = std::make_unique<Drag>();
        m_drag->divider = i;
        m_drag->start = p;
        m_drag->grab = float(horizontal ? p.y() : p.x()) - ZQ___dividerOrigin(i);
        const float t = dividerThickness();
        ZQSplitSubview *neighbours[2] = {leading, trailing};
        for (int side = 0; side < 2; ++side) {
            ZQSplitView *nested = neighbours[side]->coupledSplitView();
            if (!nested)
                continue;
            const unsigned j = nested->ZQ___dividerHitBy(p, this, t);
            if (j == NotFound)
                continue;
            const QPointF q = convertPoint(p, this, nested);
            m_drag->nested[side] = {nested, j, float(nested->isHorizontal() ? q.y() : q.x()) - nested->ZQ___dividerOrigin(j), q};
        }
        QGuiApplication::setOverrideCursor(cursor(3));
        ZQ___setDragging(true);
        // The drag ends at the first divider that takes the press.
        return;
    }
    ZQSplitSubview::mousePressEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void ZQSplitView::mouseMoveEvent(QMouseEvent *event)
try {
    if (m_drag) {
        dragMove(event->position());
        event->accept();
        return;
    }
    m_cursorRects.apply(this, event->position());
    ZQSplitSubview::mouseMoveEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

void ZQSplitView::mouseReleaseEvent(QMouseEvent *event)
try {
    if (!m_drag) {
        ZQSplitSubview::mouseReleaseEvent(event);
        return;
    }
    dragMove(event->position());
    endDrag();
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

void ZQSplitView::endDrag()
{
    m_drag.reset();
    ZQ___setDragging(false);
    QGuiApplication::restoreOverrideCursor();
}

void ZQSplitView::dragMove(const QPointF &position)
{
    Drag &drag = *m_drag;
    ZQ___trackMouseEvent(position, drag.start, QPointF(), drag.divider);
    bool pending = m_mustAdjust;
    for (Drag::Nested &nested : drag.nested) {
        if (!nested.view)
            continue;
        nested.view->ZQ___trackMouseEvent(convertPoint(position, this, nested.view), nested.start, QPointF(),
                                          nested.divider);
        pending = pending || nested.view->m_mustAdjust;
    }
    if (!pending)
        return;
    ZQSplitView *outer = splitView() ? splitView() : this;
    outer->adjustSubviews();
    ZQSplitSubview::display();
    const float along = ZQ___dividerOrigin(drag.divider) + drag.grab;
    if (isHorizontal())
        drag.start.setY(along);
    else
        drag.start.setX(along);
    for (Drag::Nested &nested : drag.nested) {
        if (!nested.view || nested.view->isCollapsed())
            continue;
        const float cross = nested.view->ZQ___dividerOrigin(nested.divider) + nested.grab;
        if (nested.view->isHorizontal())
            nested.start.setY(cross);
        else
            nested.start.setX(cross);
    }
}

void ZQSplitView::doubleClickDivider(unsigned i)
{
    const QList<ZQSplitSubview *> panes = ZQ___subviews();
    if (i + 1 >= unsigned(panes.size()))
        return;
    ZQSplitSubview *leading = panes.at(i), *trailing = panes.at(i + 1);
    const bool lc = leading->isCollapsed(), tc = trailing->isCollapsed();
    if (!tc && lc) {
        ZQ___tryToExpandLeading(leading, i, trailing, leading->dimension());
    } else if (tc && !lc) {
        ZQ___tryToExpandTrailing(trailing, leading, -trailing->dimension());
    } else if (!tc && !lc) {
        bool collapseL = leading->canCollapse(), collapseT = trailing->canCollapse();
        if (collapseL && collapseT) {
            ZQSplitSubview *choice = nullptr;
            if (askDelegate(m_delegate.data(), "splitViewCollapseLeadingOrTrailing", &choice, this, leading, trailing)) {
                collapseL = choice == leading;
                collapseT = choice == trailing;
            } else {
                collapseL = leading->dimension() < trailing->dimension();
            }
        }
        if (collapseL)
            ZQ___tryToShortenLeading(leading, i, trailing, -leading->dimension(), false);
        if (!m_mustAdjust && collapseT)
            ZQ___tryToShortenTrailing(trailing, i, leading, trailing->dimension(), false);
    }
    if (m_mustAdjust) {
        ZQ___setMustClearFractions();
        (splitView() ? splitView() : this)->adjustSubviews();
        ZQSplitSubview::display();
    }
}

void ZQSplitView::ZQ___trackMouseEvent(const QPointF &position, const QPointF &start, const QPointF &base,
                                       unsigned divider)
{
    const QList<ZQSplitSubview *> panes = ZQ___subviews();
    const qsizetype n = panes.size();
    if (divider >= unsigned(n))
        return;
    const qsizetype i = divider;
    ZQSplitSubview *leading = panes.at(i);
    ZQSplitSubview *trailing = i + 1 < n ? panes.at(i + 1) : nullptr;
    const QPointF movement = position - base - start;
    const float d = float(isHorizontal() ? movement.y() : movement.x());
    if (d == 0)
        return;
    if (d > 0) {
        ZQSplitSubview *shrink = trailing;
        if (trailing && !trailing->canShrink()) {
            for (qsizetype k = i + 2; k < n; ++k) {
                if (panes.at(k)->canShrink()) {
                    shrink = panes.at(k);
                    break;
                }
            }
        }
        if (m_isInScrollView)
            shrink = nullptr;
        if (leading->isCollapsed())
            ZQ___tryToExpandLeading(leading, divider, shrink, d);
        else
            ZQ___tryToShortenTrailing(shrink, divider, leading, d, true);
    } else {
        ZQSplitSubview *shrink = leading;
        if (!leading->canShrink()) {
            for (qsizetype k = i - 1; k >= 0; --k) {
                if (panes.at(k)->canShrink()) {
                    shrink = panes.at(k);
                    break;
                }
            }
        }
        ZQSplitSubview *grow = m_isInScrollView ? nullptr : trailing;
        if (grow && grow->isCollapsed())
            ZQ___tryToExpandTrailing(grow, shrink, d);
        else
            ZQ___tryToShortenLeading(shrink, divider, grow, d, true);
    }
}

bool ZQSplitView::ZQ___shouldResizeWindowForDivider(unsigned divider, ZQSplitSubview *leading,
                                                    ZQSplitSubview *trailing, bool willGrow)
{
    if (m_isInScrollView)
        return false;
    bool answer = false;
    if (askDelegate(m_delegate.data(), "splitViewShouldResizeWindowForDividerBetweenViewAndViewWillGrow", &answer, this,
                    divider, leading, trailing, willGrow))
        return answer;
    return false;
}

float ZQSplitView::windowRoom(bool grow) const
{
    const bool horizontal = isHorizontal();
    QRectF frame, screen;
    QSizeF limit;
    if (!m_isInScrollView) {
        const QWidget *w = window();
        frame = QRectF(w->geometry());
        limit = QSizeF(grow ? w->maximumSize() : w->minimumSize());
        if (const QScreen *s = w->screen())
            screen = QRectF(s->availableGeometry());
    } else {
        frame = m_frame;
        limit = grow ? QSizeF(Unlimited, Unlimited) : QSizeF(0, 0);
        screen = QRectF(0, 0, Unlimited, Unlimited);
    }
    const auto along = [horizontal](const QSizeF &size) { return float(horizontal ? size.height() : size.width()); };
    if (!grow)
        return along(frame.size()) - along(limit);
    // In y-down space a horizontal split view grows downward: the top edge stays.
    float room = horizontal ? float((screen.y() + screen.height()) - (frame.y() + frame.height()))
                            : float((screen.x() + screen.width()) - (frame.x() + frame.width()));
    room = std::max(0.0f, room);
    return std::min(room, along(limit) - along(frame.size()));
}

void ZQSplitView::applyWindowChange(float change)
{
    const bool horizontal = isHorizontal();
    if (!m_isInScrollView) {
        QWidget *w = window();
        QSize size = w->size();
        if (horizontal)
            size.setHeight(size.height() + int(std::lround(change)));
        else
            size.setWidth(size.width() + int(std::lround(change)));
        w->resize(size);
    } else {
        QSizeF size = m_frame.size();
        if (horizontal)
            size.setHeight(size.height() + change);
        else
            size.setWidth(size.width() + change);
        setFrame(QRectF(m_frame.topLeft(), size));
        update();
    }
    setMustAdjust();
}

void ZQSplitView::ZQ___tryToExpandLeading(ZQSplitSubview *leading, unsigned divider, ZQSplitSubview *trailing,
                                          float delta)
{
    const bool grow = ZQ___shouldResizeWindowForDivider(divider, leading, trailing, true);
    const float available = grow ? windowRoom(true) : (trailing ? trailing->dimension() : Unlimited);
    if (leading->minDimension() > available)
        return;
    if (!grow && trailing && leading->minDimension() + trailing->minDimension() > available) {
        if (trailing->canCollapse() && delta > available * 0.55f && available >= leading->maxDimension()) {
            const float former = trailing->dimension();
            trailing->ZQ___collapse();
            leading->changeDimensionBy(former, false, false);
        }
        return;
    }
    const float c = leading->changeDimensionBy(delta, false, false);
    if (grow)
        applyWindowChange(c);
    else if (trailing)
        trailing->changeDimensionBy(-c, false, true);
}

void ZQSplitView::ZQ___tryToShortenLeading(ZQSplitSubview *leading, unsigned divider, ZQSplitSubview *trailing,
                                           float delta, bool always)
{
    const bool grow = ZQ___shouldResizeWindowForDivider(divider, leading, trailing, false);
    const float room = grow ? windowRoom(false)
                            : (trailing ? trailing->maxDimension() - trailing->dimension() : Unlimited);
    if (room < -delta) {
        if (!always)
            return;
        delta = -room;
    }
    const float own = leading->dimension();
    if (!always && own > room)
        return;
    const float c = leading->changeDimensionBy(delta, own <= room, false);
    if (grow)
        applyWindowChange(c);
    else if (trailing)
        trailing->changeDimensionBy(-c, false, true);
}

void ZQSplitView::ZQ___tryToShortenTrailing(ZQSplitSubview *trailing, unsigned divider, ZQSplitSubview *leading,
                                            float delta, bool always)
{
    const bool grow = ZQ___shouldResizeWindowForDivider(divider, leading, trailing, true);
    const float room = grow ? windowRoom(true) : leading->maxDimension() - leading->dimension();
    if (delta > room) {
        if (!always)
            return;
        delta = room;
    }
    if (grow) {
        applyWindowChange(leading->changeDimensionBy(delta, false, false));
        return;
    }
    const float tau = trailing ? trailing->dimension() : Unlimited;
    if (!always && room < tau)
        return;
    if (!trailing) {
        leading->changeDimensionBy(delta, false, false);
        return;
    }
    const float c = trailing->changeDimensionBy(-delta, tau <= room, true);
    leading->changeDimensionBy(-c, false, false);
}

void ZQSplitView::ZQ___tryToExpandTrailing(ZQSplitSubview *trailing, ZQSplitSubview *leading, float delta)
{
    const float m = trailing ? trailing->minDimension() : 0.0f;
    const float own = leading->dimension();
    if (own < m)
        return;
    if (m + leading->minDimension() <= own) {
        const float c = trailing ? trailing->changeDimensionBy(-delta, false, true) : -delta;
        leading->changeDimensionBy(-c, false, false);
        return;
    }
    const float maximum = trailing ? trailing->maxDimension() : 0.0f;
    if (leading->canCollapse() && -delta > own * 0.55f && own >= maximum) {
        const float former = leading->dimension();
        leading->ZQ___collapse();
        if (trailing)
            trailing->changeDimensionBy(former, false, true);
    }
}
