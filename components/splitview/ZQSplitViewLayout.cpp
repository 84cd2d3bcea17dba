// The layout of the split view: the panes' sizes along the split, kept within their
// limits, with the remainders of rounding carried from one layout to the next.
#include "components/splitview/ZQSplitView.h"

#include "platform/drawing/DelegateCall.h"

#include <algorithm>
#include <cmath>
#include <utility>

using platform::tellDelegate;

void ZQSplitView::ZQ___copyIntoCache(SubviewCache &cache, ZQSplitSubview *pane, const PendingPane *state) const
{
    cache.rect = pane->frame();
    cache.pane = pane;
    cache.constrained = false;
    if (state) {
        // As the state text left the pane, at the size the view has now.
        const double whole = std::floor(state->size);
        cache.visible = state->collapsed ? 0.0f : float(whole);
        cache.size = cache.visible;
        cache.fraction = state->collapsed ? ZQSplitSubview::share(state->size, ZQ___dimensionWithoutDividers())
                                          : state->size - whole;
        cache.share = state->collapsed ? cache.fraction : 0.0;
    } else {
        cache.fraction = pane->ZQ___fraction();
        cache.visible = pane->ZQ___visibleDimension();
        cache.size = cache.visible;
        cache.share = cache.visible >= 1.0f ? 0.0 : std::clamp(cache.fraction, 0.0, 1.0);
        // A pane that a squeeze left untouched starts from the size its user gave it, so
        // that the panes come back to those sizes when there is room again.
        if (pane->m_squeezedSize >= 0 && pane->ZQ___visibleDimension() == pane->m_squeezedSize) {
            const double whole = std::floor(pane->m_userSize + 0.5);
            cache.size = float(whole);
            cache.fraction = pane->m_userSize - whole;
        }
    }
    // A pane that may not collapse is never laid out at zero (a state text or an
    // archive may have left it there): it takes the size it remembers.
    if (cache.size <= 0 && !pane->ownsAnimation() && !pane->canCollapse()) {
        cache.size = state ? std::clamp(float(state->size), pane->minDimension(), pane->maxDimension())
                           : pane->dimension();
        cache.fraction = 0;
    }
}

void ZQSplitView::ZQ___updateFromCache(SubviewCache &cache, float total)
{
    ZQSplitSubview *pane = cache.pane;
    const float v = pane->ZQ___visibleDimension();
    const float s = cache.size;
    // A pane that collapses now keeps its share of the room for the size it started
    // from, at most all of it (the room may be shorter than the pane).
    // A pane that stays collapsed keeps its share, within 0…1 whatever an archive gave it.
    const double fraction = s >= 1.0f               ? cache.fraction
                            : cache.visible >= 1.0f ? ZQSplitSubview::share(cache.visible, total)
                                                    : cache.share;
    if ((s >= 1.0f) == (v >= 1.0f)) {
        pane->ZQ___setFrame(cache.rect, fraction, true);
    } else if (s >= 1.0f) {
        pane->ZQ___finishExpand(cache.rect, fraction);
    } else {
        pane->ZQ___clearResponder();
        pane->ZQ___finishCollapse(cache.rect, fraction);
    }
}

bool ZQSplitView::ZQ___squeeze(std::vector<SubviewCache> &cache, float room)
{
    double total = 0;
    for (const SubviewCache &c : cache) {
        if (c.size > 0)
            total += c.size + c.fraction;
    }
    if (!(total - room >= 1.0))
        return false;
    const double whole = std::max(0.0, std::floor(double(room)));
    double left = whole;
    for (SubviewCache &c : cache) {
        if (!(c.size > 0))
            continue;
        const double share = std::floor((c.size + c.fraction) * whole / total);
        c.size = float(std::max(1.0, share));
        c.fraction = 0;
        c.constrained = true;
        left -= c.size;
    }
    // Pixels left by rounding down go one each to the panes in order, first to those
    // under their minimums; pixels given to keep panes visible come back from the
    // largest panes, last first.
    for (const bool underMinimum : {true, false}) {
        for (SubviewCache &c : cache) {
            if (left < 1.0)
                break;
            if (c.size > 0 && (!underMinimum || c.size < c.pane->minDimension())) {
                c.size += 1;
                left -= 1;
            }
        }
    }
    while (left <= -1.0) {
        SubviewCache *largest = nullptr;
        for (auto it = cache.rbegin(); it != cache.rend(); ++it) {
            if (it->size > 1 && (!largest || it->size > largest->size))
                largest = &*it;
        }
        if (!largest)
            break;
        const float take = float(std::min(double(largest->size) - 1, -left));
        largest->size -= take;
        left += take;
    }
    return true;
}

void ZQSplitView::ZQ___fill(std::vector<SubviewCache> &cache, double room, bool remaindersDropped)
{
    double sum = 0;
    SubviewCache *last = nullptr;
    for (SubviewCache &c : cache) {
        sum += c.size;
        if (c.size > 0)
            last = &c;
    }
    double g = room - sum;
    if (!last || g == 0)
        return;
    // A pane that takes part of the difference keeps its own size in its remainder,
    // unless the layout dropped the remainders (the sizes are the panes' own now):
    // then the size it gets is its own as far as its limits go (a rounding pixel under
    // its minimum, or a stretch past its maximum, is not), so that the next layout at
    // this size changes nothing.
    const double slack = 0.5 * double(cache.size()) + 1.0;
    const auto change = [remaindersDropped, slack](SubviewCache &c, double by) {
        c.size = float(double(c.size) + by);
        if (!remaindersDropped) {
            c.fraction -= by;
            return;
        }
        const double size = c.size;
        const double own = std::clamp(size, double(c.pane->minDimension()), double(c.pane->maxDimension()));
        c.fraction = (std::fabs(own - size) <= slack || own < size) ? own - size : 0.0;
    };
    // The last shown pane takes it first, then the panes before it, last first, each
    // within its limits. A limit gives way only for what none can take: the last pane
    // takes what is left over past its maximum; what is too much comes off the panes
    // below their minimums, last first, down to a pixel each.
    const auto spread = [&cache, &g, &change](const auto &leeway) {
        for (auto it = cache.rbegin(); it != cache.rend() && g != 0; ++it) {
            if (!(it->size > 0))
                continue;
            const double by = g > 0 ? std::clamp(leeway(*it), 0.0, g) : -std::clamp(leeway(*it), 0.0, -g);
            if (by != 0) {
                change(*it, by);
                g -= by;
            }
        }
    };
    if (g > 0) {
        spread([](const SubviewCache &c) { return double(c.pane->maxDimension()) - double(c.size); });
        if (g > 0)
            change(*last, g);
        return;
    }
    spread([](const SubviewCache &c) { return double(c.size) - std::max(1.0, double(c.pane->minDimension())); });
    spread([](const SubviewCache &c) { return double(c.size) - 1.0; });
}

double ZQSplitView::ZQ___shownTotal(const std::vector<SubviewCache> &cache, bool withRemainders)
{
    double total = 0;
    for (const SubviewCache &c : cache) {
        if (c.size > 0)
            total += c.size + (withRemainders ? c.fraction : 0.0);
    }
    return total;
}

bool ZQSplitView::ZQ___fillsAsTheyStand(const std::vector<SubviewCache> &cache, double room)
{
    double total = 0;
    bool anyShown = false;
    for (const SubviewCache &c : cache) {
        if (!(c.size > 0))
            continue;
        if (c.size != std::floor(c.size) || c.size < c.pane->minDimension() || c.size > c.pane->maxDimension())
            return false;
        total += c.size;
        anyShown = true;
    }
    return anyShown && total == room;
}

std::vector<ZQSplitView::PendingPane> ZQSplitView::ZQ___takePendingState()
{
    // A state text restored before the view was shown gives the sizes to start from
    // as long as nothing but the view's size changed since; shown, the view has the
    // size its window gives it, and this layout is the text's last.
    std::vector<PendingPane> state;
    if (pendingStateHolds())
        state = m_pendingState;
    if (state.empty() || isVisible())
        m_pendingState.clear();
    if (!state.empty())
        m_mustClearFractions = false;
    // A hidden pane that the text collapsed keeps the text's size at this size too
    // (those shown take it from the text below).
    for (const PendingPane &entry : state) {
        if (entry.collapsed && entry.pane->isHiddenPane())
            entry.pane->m_fraction = ZQSplitSubview::share(entry.size, ZQ___dimensionWithoutDividers());
    }
    return state;
}

std::vector<ZQSplitView::SubviewCache> ZQSplitView::ZQ___cachePanes(const QList<ZQSplitSubview *> &panes,
                                                                     const std::vector<PendingPane> &state) const
{
    std::vector<SubviewCache> cache(static_cast<size_t>(panes.size()));
    for (qsizetype i = 0; i < panes.size(); ++i) {
        ZQSplitSubview *pane = panes.at(i);
        SubviewCache &c = cache[size_t(i)];
        const auto entry = std::find_if(state.begin(), state.end(),
                                        [pane](const PendingPane &e) { return e.pane == pane; });
        const PendingPane *fromState = entry == state.end() ? nullptr : &*entry;
        c.remembered = !fromState && pane->m_squeezedSize >= 0 && pane->ZQ___visibleDimension() == pane->m_squeezedSize;
        ZQ___copyIntoCache(c, pane, fromState);
        c.before = c.size > 0 ? c.size + c.fraction : 0.0;
    }
    return cache;
}

void ZQSplitView::ZQ___round(SubviewCache &cache, double size)
{
    double r = std::fmod(size, 1.0);
    double whole = size - r;
    if (r > 0.5) {
        whole += 1;
        r -= 1.0;
    }
    cache.size = float(whole);
    cache.fraction = r;
}

void ZQSplitView::ZQ___scale(std::vector<SubviewCache> &cache, double total, double room, const ZQSplitSubview *excepted)
{
    // Scale the free panes; panes that hit a limit are fixed there and the rest share
    // what is left.
    double R = room, freeSum = 0;
    bool first = true, constrainedNow = true;
    while (constrainedNow && (first || freeSum > 0)) {
        const double ratio = R / (first ? total : freeSum);
        first = false;
        constrainedNow = false;
        freeSum = 0;
        for (SubviewCache &c : cache) {
            if (!(c.size > 0) || c.constrained)
                continue;
            double fixed = -1;
            if (c.pane->ownsAnimation()) {
                fixed = c.size;
            } else if (c.pane == excepted && excepted->dimension() > 0) {
                // Within its limits (a pane shown again may come back with the size a
                // squeeze gave it), in whole pixels like every other pane: a part of
                // one stays in its remainder, so that the next layout at this size,
                // which starts from the whole size, comes to the same.
                ZQ___round(c, std::clamp(excepted->dimension(), excepted->minDimension(), excepted->maxDimension()));
                c.constrained = true;
                R -= c.size + c.fraction;
                constrainedNow = true;
            } else {
                const double x = (c.size + c.fraction) * ratio;
                if (x < c.pane->minDimension()) {
                    fixed = c.pane->minDimension();
                } else if (x > c.pane->maxDimension()) {
                    fixed = c.pane->maxDimension();
                } else {
                    ZQ___round(c, x);
                    freeSum += c.size + c.fraction;
                }
            }
            if (fixed >= 0) {
                c.constrained = true;
                c.fraction = 0;
                c.size = float(fixed);
                R -= c.size;
                constrainedNow = true;
            }
        }
    }
}

bool ZQSplitView::ZQ___collapseOrExpand(std::vector<SubviewCache> &cache, double room, const ZQSplitSubview *excepted)
{
    // A collapsed pane's remainder is its share of the room, not a part of a pixel.
    double sum = ZQ___shownTotal(cache, true);
    const double X = sum - room;
    if (X >= 1.0) {
        for (SubviewCache &c : cache) {
            if (!c.constrained || c.pane == excepted || c.pane->ownsAnimation() || !c.pane->canCollapse())
                continue;
            sum -= c.size;
            if (sum < 1.0)
                break;
            c.size = 0;
            if (sum - room < 1.0)
                break;
        }
        return false;
    }
    if (X > -1.0)
        return true;
    for (SubviewCache &c : cache) {
        if (sum - room > -1.0)
            break;
        if (c.size > 0)
            continue;
        // A collapsed pane whose minimum doesn't fit in the room left stays collapsed:
        // expanded, it would make the panes too big, and the next pass would collapse
        // it again (the result then depends on how the passes fall, and a restored
        // state would not come back). The shown panes take the room (see the fill).
        if (sum + c.pane->minDimension() - room >= 1.0)
            continue;
        c.size = c.pane->minDimension();
        c.fraction = 0;
        sum += c.size;
    }
    return false;
}

bool ZQSplitView::ZQ___distribute(std::vector<SubviewCache> &cache, float room, const ZQSplitSubview *excepted,
                                  bool stateSizes) const
{
    const int passes = excepted ? 6 : 3;
    bool asTheyStand = false;
    double stateTolerance = 0;
    std::vector<std::pair<float, double>> unscaled(cache.size());
    for (int pass = 0; pass < passes; ++pass) {
        const ZQSplitSubview *e = pass < 3 ? excepted : nullptr;
        bool anyShown = false;
        for (SubviewCache &c : cache) {
            c.constrained = false;
            anyShown = anyShown || c.size > 0;
        }
        if (!anyShown) {
            cache[0].size = cache[0].pane->minDimension();
            cache[0].fraction = 0;
        }
        if (m_isInScrollView)
            break;
        double S = ZQ___shownTotal(cache, true);
        if (S < 1.0) {
            cache[0].size = room;
            cache[0].fraction = 0;
            S = room;
        }
        // Sizes from a state text that fill the room to within what rounding leaves
        // (up to half a pixel a pane, which the panes took when they were saved, as
        // they do below) are the sizes the panes had: scaled, they would move a pixel
        // from one pane to another.
        if (pass == 0 && stateSizes) {
            const auto expanded = std::count_if(cache.begin(), cache.end(), [](const SubviewCache &c) { return c.size > 0; });
            stateTolerance = 0.5 * double(expanded);
            asTheyStand = expanded > 0 && std::fabs(S - room) <= stateTolerance;
        }
        if (asTheyStand)
            S = room;
        for (size_t i = 0; i < cache.size(); ++i)
            unscaled[i] = {cache[i].size, cache[i].fraction};
        ZQ___scale(cache, S, room, e);
        if (asTheyStand && std::fabs(ZQ___shownTotal(cache, true) - room) <= stateTolerance)
            break;
        std::vector<bool> shown(cache.size());
        for (size_t i = 0; i < cache.size(); ++i)
            shown[i] = cache[i].size > 0;
        if (ZQ___collapseOrExpand(cache, room, e))
            break;
        // A pane collapsed or shown: the text's sizes no longer fill the room as they
        // stand, and the panes share it anew.
        asTheyStand = false;
        // A pane whose minimum is more than the whole room pushed the others to their
        // own minimums in this pass; collapsed now, it leaves them the room, and they
        // share it from the sizes they had before the pass, not those minimums.
        bool unmeetableCollapsed = false;
        for (size_t i = 0; i < cache.size(); ++i)
            unmeetableCollapsed = unmeetableCollapsed
                || (shown[i] && !(cache[i].size > 0) && double(cache[i].pane->minDimension()) > double(room));
        if (unmeetableCollapsed) {
            for (size_t i = 0; i < cache.size(); ++i) {
                if (cache[i].size > 0 && unscaled[i].first > 0) {
                    cache[i].size = unscaled[i].first;
                    cache[i].fraction = unscaled[i].second;
                }
            }
        }
    }
    return asTheyStand;
}

void ZQSplitView::ZQ___place(std::vector<SubviewCache> &cache, const QRectF &bounds, float room)
{
    const bool horizontal = isHorizontal();
    const float t = dividerThickness();
    const size_t n = cache.size();
    m_dividers.resize(qsizetype(n) - 1);
    double origin = 0;
    for (size_t i = 0; i < n; ++i) {
        SubviewCache &c = cache[i];
        c.rect = horizontal ? QRectF(0, origin, bounds.width(), c.size) : QRectF(origin, 0, c.size, bounds.height());
        ZQ___updateFromCache(c, room);
        origin += c.size;
        if (i + 1 < n) {
            m_dividers[qsizetype(i)] = horizontal ? QRectF(0, origin, bounds.width(), t) : QRectF(origin, 0, t, bounds.height());
            origin += t;
        }
    }
    if (m_isInScrollView) {
        // The split view takes the size its panes need.
        QSizeF size = m_frame.size();
        if (horizontal)
            size.setHeight(origin);
        else
            size.setWidth(origin);
        m_frame.setSize(size);
        applyWidgetGeometry();
    }
}

void ZQSplitView::ZQ___rememberSqueeze(const std::vector<SubviewCache> &cache, bool squeezed)
{
    // A squeeze remembers the sizes the panes had before it (kept through further
    // squeezes); a layout with room forgets them.
    for (const SubviewCache &c : cache) {
        ZQSplitSubview *pane = c.pane;
        if (!squeezed) {
            pane->m_squeezedSize = -1;
            continue;
        }
        if (!c.remembered) {
            // A pane collapsed before the squeeze keeps its share the usual way.
            if (!(c.before >= 1.0)) {
                pane->m_squeezedSize = -1;
                continue;
            }
            pane->m_userSize = c.before;
        }
        pane->m_squeezedSize = pane->ZQ___visibleDimension();
    }
}

void ZQSplitView::ZQ___adjustSubviewsExcepting(ZQSplitSubview *excepted)
{
    m_mustAdjust = false;
    const QList<ZQSplitSubview *> panes = ZQ___subviews();
    if (panes.isEmpty())
        return;
    QRectF bounds(QPointF(0, 0), m_frame.size());
    if (bounds.width() < 1.0 || bounds.height() < 1.0 || m_isAdjusting)
        return;
    const std::vector<PendingPane> state = ZQ___takePendingState();
    const bool stateSizes = std::exchange(m_takesStateSizes, false) || !state.empty();
    // A text that waits for the view to be shown is still what the user left: the
    // layouts at the sizes the view has until then don't replace it.
    const bool textWaits = !state.empty() && !isVisible();
    m_isAdjusting = true;
    struct Finish
    {
        bool &flag;
        ~Finish() { flag = false; }
    } finish{m_isAdjusting};
    if (tellDelegate(m_delegate.data(), "willAdjustSubviews", this))
        bounds = QRectF(QPointF(0, 0), m_frame.size());

    std::vector<SubviewCache> cache = ZQ___cachePanes(panes, state);
    const float length = float(isHorizontal() ? bounds.height() : bounds.width());
    const float A = length - float(panes.size() - 1) * dividerThickness();
    // Whole sizes that fill the room, each within its limits, are what a layout at
    // this size gave: laid out again, a remainder of exactly one half (or one that
    // arithmetic puts a hair's breadth past it) could round the other way and move a
    // pixel, or collapse or show a pane. A state text being applied, a view in a
    // scroll view and panes whose remainders go take the full way.
    if (!stateSizes && !m_isInScrollView && !m_mustClearFractions && ZQ___fillsAsTheyStand(cache, A)) {
        ZQ___place(cache, bounds, A);
        ZQ___rememberSqueeze(cache, false);
        ZQ___finishLayout(panes, false, textWaits);
        return;
    }
    const bool asTheyStand = ZQ___distribute(cache, A, excepted, stateSizes);

    // Still too big: every pane that is left is at its minimum and may not collapse
    // (or collapsing did not help). They share the room in proportion to their sizes,
    // in whole pixels, each keeping at least one so that none shows collapsed. Only
    // when there is not even a pixel for each do they reach past the bounds. The
    // sizes from before the squeeze are kept (below) for when there is room again.
    // Sizes taken as they stand fill the room but for what the last pane takes.
    const bool squeezed = !m_isInScrollView && !asTheyStand && ZQ___squeeze(cache, A);

    // What rounding leaves over (or takes too much) goes to the last shown pane, its
    // remainder keeping its own size, and as far as its limits don't let it to the
    // panes before it, within theirs; past them only what none can take, down to a
    // pixel a pane, so that the panes and dividers fill the view exactly (only with
    // less than a pixel for each shown pane do they reach past it).
    for (SubviewCache &c : cache) {
        if (m_mustClearFractions && c.size > 0)
            c.fraction = 0;
    }
    if (!m_isInScrollView)
        ZQ___fill(cache, double(length) - double(panes.size() - 1) * dividerThickness(), m_mustClearFractions);

    ZQ___place(cache, bounds, A);
    ZQ___rememberSqueeze(cache, squeezed);
    ZQ___finishLayout(panes, squeezed, textWaits);
}

void ZQSplitView::ZQ___finishLayout(const QList<ZQSplitSubview *> &panes, bool squeezed, bool textWaits)
{
    for (ZQSplitSubview *pane : panes) {
        ZQSplitView *nested = pane->asSplitView();
        if (nested && nested->m_mustAdjust)
            nested->adjustSubviews();
    }
    m_mustAdjust = false;
    m_mustClearFractions = false;
    markPendingState();
    resetCursorRects();
    // Squeezed sizes are the window's doing, not the user's: the saved state keeps
    // the last sizes that fitted, to be restored when there is room again.
    if (!m_isDragging && !squeezed && !textWaits)
        saveState(false);
    if (ZQSplitView *coupling = couplingSplitView())
        coupling->resetCursorRects();
    m_isAdjusting = false;
    tellDelegate(m_delegate.data(), "didAdjustSubviews", this);
}
