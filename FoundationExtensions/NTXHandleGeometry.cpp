#include "FoundationExtensions/NTXHandleGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Rounds to a 32-bit float. The store through a volatile keeps the rounding:
// GCC 12's vectorizer at -O2 folds a pair of double→float→double conversions
// away, which would quietly give the results double precision.
float f32(qreal v)
{
    volatile float f = static_cast<float>(v);
    return f;
}

// A rectangle in 32-bit floats.
struct FRect
{
    float x, y, w, h;
};

FRect toF(const QRectF &r)
{
    return {f32(r.x()), f32(r.y()), f32(r.width()), f32(r.height())};
}

QRectF fromF(const FRect &r)
{
    return QRectF(r.x, r.y, r.w, r.h);
}

bool pointInRect(float px, float py, const FRect &r)
{
    return px >= r.x && px < r.x + r.w && py >= r.y && py < r.y + r.h;
}

} // namespace

QRectF NTXRectFromPoints(QPointF a, QPointF b)
{
    const float ax = f32(a.x()), ay = f32(a.y()), bx = f32(b.x()), by = f32(b.y());
    return fromF({std::min(ax, bx), std::min(ay, by), std::fabs(bx - ax), std::fabs(by - ay)});
}

QRectF NTXRectAtPoint(QPointF point)
{
    return fromF({f32(point.x()), f32(point.y()), 0.0f, 0.0f});
}

QRectF NTXRectAroundOrigin(qreal width, qreal height)
{
    const float w = f32(width), h = f32(height);
    return fromF({-w / 2.0f, -h / 2.0f, w, h});
}

QPointF NTXHandlePoint(const QRectF &rect, int handle)
{
    const FRect r = toF(rect);
    const float midX = r.x + r.w / 2.0f;
    const float midY = r.y + r.h / 2.0f;
    switch (handle) {
    case 0: return QPointF(midX, r.y);
    case 1: return QPointF(r.x, midY);
    case 2: return QPointF(midX, r.y + r.h);
    case 3: return QPointF(r.x + r.w, midY);
    case 4: return QPointF(r.x, r.y);
    case 5: return QPointF(r.x + r.w, r.y);
    case 6: return QPointF(r.x + r.w, r.y + r.h);
    case 7: return QPointF(r.x, r.y + r.h);
    case 8: return QPointF(midX, midY);
    default: return QPointF(r.x, r.y);
    }
}

bool NTXIsCornerHandle(int handle)
{
    return handle >= 4 && handle <= 7;
}

int NTXHandleAtPoint(const QRectF &rect, QPointF point)
{
    const float px = f32(point.x()), py = f32(point.y());
    for (int handle = 0; handle <= 8; ++handle) {
        const QPointF h = NTXHandlePoint(rect, handle);
        if (f32(h.x()) == px && f32(h.y()) == py)
            return handle;
    }
    return -1;
}

int NTXResizeRectByHandle(QRectF &rect, int handle, QPointF point)
{
    if (handle > 8 || handle < 0)
        return handle;
    if (handle == 8) {
        rect = NTXCenterRectOnPoint(rect, point);
        return 8;
    }
    FRect r = toF(rect);
    const float px = f32(point.x()), py = f32(point.y());
    if (handle == 1 || handle == 4 || handle == 7) {
        r.w += r.x - px;
        r.x = px;
    }
    if (handle == 3 || handle == 5 || handle == 6)
        r.w = px - r.x;
    if (handle == 0 || handle == 4 || handle == 5) {
        r.h += r.y - py;
        r.y = py;
    }
    if (handle == 2 || handle == 6 || handle == 7)
        r.h = py - r.y;

    if (r.w < 0.0f) {
        r.x += r.w;
        r.w = -r.w;
        switch (handle) {
        case 1: handle = 3; break;
        case 3: handle = 1; break;
        case 4: handle = 5; break;
        case 5: handle = 4; break;
        case 7: handle = 6; break;
        case 6: handle = 7; break;
        default: break;
        }
    }
    if (r.h < 0.0f) {
        r.y += r.h;
        r.h = -r.h;
        switch (handle) {
        case 0: handle = 2; break;
        case 2: handle = 0; break;
        case 4: handle = 7; break;
        case 7: handle = 4; break;
        case 5: handle = 6; break;
        case 6: handle = 5; break;
        default: break;
        }
    }
    rect = fromF(r);
    return handle;
}

QRectF NTXCenterRectOnPoint(const QRectF &rect, QPointF point)
{
    FRect r = toF(rect);
    r.x = f32(point.x()) - r.w / 2.0f;
    r.y = f32(point.y()) - r.h / 2.0f;
    return fromF(r);
}

QRectF NTXRectCenteredAtPoint(const QRectF &rect, QPointF point)
{
    return NTXCenterRectOnPoint(rect, point);
}

int NTXOppositeHandle(int handle)
{
    switch (handle) {
    case 0: return 2;
    case 2: return 0;
    case 1: return 3;
    case 3: return 1;
    case 4: return 6;
    case 6: return 4;
    case 5: return 7;
    case 7: return 5;
    case 8: return 8;
    default: return -1;
    }
}

QPointF NTXOppositeHandlePoint(const QRectF &rect, int handle)
{
    return NTXHandlePoint(rect, NTXOppositeHandle(handle));
}

QPointF NTXCircumcenter(QPointF p1, QPointF p2, QPointF p3)
{
    const double ax = p2.x() - p1.x(), ay = p2.y() - p1.y();
    const double bx = p3.x() - p1.x(), by = p3.y() - p1.y();
    const double d = 2.0 * (ax * by - ay * bx);
    if (d == 0.0) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        return QPointF(nan, nan);
    }
    const double p1sq = p1.x() * p1.x() + p1.y() * p1.y();
    const double c2 = p2.x() * p2.x() + p2.y() * p2.y() - p1sq;
    const double c3 = p3.x() * p3.x() + p3.y() * p3.y() - p1sq;
    return QPointF((c2 * by - c3 * ay) / d, (c3 * ax - c2 * bx) / d);
}

QRectF NTXRectIncludingPoint(const QRectF &rect, QPointF point)
{
    FRect r = toF(rect);
    const float px = f32(point.x()), py = f32(point.y());
    if (px < r.x) {
        r.w += r.x - px;
        r.x = px;
    } else if (px > r.x + r.w) {
        r.w = px - r.x;
    }
    if (py < r.y) {
        r.h += r.y - py;
        r.y = py;
    } else if (py > r.y + r.h) {
        r.h = py - r.y;
    }
    return fromF(r);
}

bool NTXPointInAnyRect(QPointF point, const QList<QVariant> &rects)
{
    const float px = f32(point.x()), py = f32(point.y());
    for (const QVariant &v : rects) {
        QRectF rect;
        if (v.canConvert<QRectF>())
            rect = v.toRectF();
        if (pointInRect(px, py, toF(rect)))
            return true;
    }
    return false;
}

bool NTXRectHits(const QRectF &a, const QRectF &b, bool centreOnly)
{
    const FRect fa = toF(a), fb = toF(b);
    if (centreOnly)
        return pointInRect(fa.x + fa.w / 2.0f, fa.y + fa.h / 2.0f, fb);
    if (fa.w <= 0.0f || fa.h <= 0.0f || fb.w <= 0.0f || fb.h <= 0.0f)
        return false;
    return fa.x < fb.x + fb.w && fb.x < fa.x + fa.w && fa.y < fb.y + fb.h && fb.y < fa.y + fa.h;
}

QRectF NTXScaleRect(const QRectF &rect, qreal xFactor, qreal yFactor)
{
    const FRect r = toF(rect);
    const float fx = f32(xFactor), fy = f32(yFactor);
    return fromF({r.x * fx, r.y * fy, r.w * fx, r.h * fy});
}

QRectF NTXBoundingRect(const QRectF &a, const QRectF &b)
{
    const FRect fa = toF(a), fb = toF(b);
    const float minX = std::min({fa.x, fa.x + fa.w, fb.x, fb.x + fb.w});
    const float maxX = std::max({fa.x, fa.x + fa.w, fb.x, fb.x + fb.w});
    const float minY = std::min({fa.y, fa.y + fa.h, fb.y, fb.y + fb.h});
    const float maxY = std::max({fa.y, fa.y + fa.h, fb.y, fb.y + fb.h});
    return fromF({minX, minY, maxX - minX, maxY - minY});
}
