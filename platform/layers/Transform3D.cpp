#include "platform/layers/Transform3D.h"

#include <QGenericMatrix>
#include <cmath>

namespace platform {

namespace {

constexpr qreal FrontEpsilon = 1e-6;

} // namespace

QMatrix4x4 Transform3D::rotation(qreal radians, qreal x, qreal y, qreal z)
{
    QMatrix4x4 m;
    if (std::isfinite(radians) && (x != 0 || y != 0 || z != 0))
        m.rotate(static_cast<float>(qRadiansToDegrees(radians)), static_cast<float>(x), static_cast<float>(y),
                 static_cast<float>(z));
    return m;
}

QMatrix4x4 Transform3D::translation(qreal x, qreal y, qreal z)
{
    QMatrix4x4 m;
    m.translate(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
    return m;
}

QMatrix4x4 Transform3D::scale(qreal x, qreal y, qreal z)
{
    QMatrix4x4 m;
    m.scale(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
    return m;
}

QMatrix4x4 Transform3D::perspective(qreal eyeDistance)
{
    QMatrix4x4 m;
    if (std::isfinite(eyeDistance) && eyeDistance != 0)
        m(3, 2) = static_cast<float>(-1.0 / eyeDistance);
    return m;
}

// M = P · T · R · K · S: the perspective row P, the translation T, the rotation R,
// the upper triangular skew K and the scale S.
std::optional<Transform3D::Decomposed> Transform3D::decompose(const QMatrix4x4 &matrix)
{
    double m[4][4]; // m[row][column]
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m[r][c] = matrix(r, c);
    if (m[3][3] == 0 || !std::isfinite(m[3][3]))
        return std::nullopt;
    const double norm = m[3][3];
    for (auto &row : m)
        for (double &v : row)
            v /= norm;

    Decomposed parts;
    // The affine part A: M with its last row replaced by (0, 0, 0, 1).
    QMatrix4x4 affine;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            affine(r, c) = static_cast<float>(m[r][c]);
    bool invertible = false;
    const QMatrix4x4 inverse = affine.inverted(&invertible);
    if (!invertible)
        return std::nullopt;
    if (m[3][0] != 0 || m[3][1] != 0 || m[3][2] != 0) {
        // last row of M = pᵀ·A, so p = (A⁻¹)ᵀ·(last row)
        const QVector4D last(static_cast<float>(m[3][0]), static_cast<float>(m[3][1]), static_cast<float>(m[3][2]),
                             static_cast<float>(m[3][3]));
        parts.perspective = inverse.transposed().map(last);
    }
    parts.translation = QVector3D(static_cast<float>(m[0][3]), static_cast<float>(m[1][3]), static_cast<float>(m[2][3]));

    QVector3D columns[3];
    for (int c = 0; c < 3; ++c)
        columns[c] = QVector3D(static_cast<float>(m[0][c]), static_cast<float>(m[1][c]), static_cast<float>(m[2][c]));
    QVector3D scale;
    QVector3D skew;
    scale[0] = columns[0].length();
    if (scale[0] == 0)
        return std::nullopt;
    const QVector3D u0 = columns[0] / scale[0];
    skew[0] = QVector3D::dotProduct(u0, columns[1]);
    QVector3D c1 = columns[1] - skew[0] * u0;
    scale[1] = c1.length();
    if (scale[1] == 0)
        return std::nullopt;
    const QVector3D u1 = c1 / scale[1];
    skew[0] /= scale[1];
    skew[1] = QVector3D::dotProduct(u0, columns[2]);
    skew[2] = QVector3D::dotProduct(u1, columns[2]);
    const QVector3D c2 = columns[2] - skew[1] * u0 - skew[2] * u1;
    scale[2] = c2.length();
    if (scale[2] == 0)
        return std::nullopt;
    QVector3D u2 = c2 / scale[2];
    skew[1] /= scale[2];
    skew[2] /= scale[2];
    QVector3D axes[3] = {u0, u1, u2};
    if (QVector3D::dotProduct(u0, QVector3D::crossProduct(u1, u2)) < 0) {
        scale = -scale;
        for (QVector3D &a : axes)
            a = -a;
    }
    QMatrix3x3 rotation;
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r)
            rotation(r, c) = axes[c][r];
    parts.rotation = QQuaternion::fromRotationMatrix(rotation).normalized();
    parts.skew = skew;
    parts.scale = scale;
    return parts;
}

QMatrix4x4 Transform3D::compose(const Decomposed &parts)
{
    QMatrix4x4 result;
    result.setRow(3, parts.perspective);
    QMatrix4x4 t;
    t.translate(parts.translation);
    QMatrix4x4 r;
    r.rotate(parts.rotation);
    QMatrix4x4 k;
    k(0, 1) = parts.skew[0];
    k(0, 2) = parts.skew[1];
    k(1, 2) = parts.skew[2];
    QMatrix4x4 s;
    s.scale(parts.scale);
    return result * t * r * k * s;
}

QMatrix4x4 Transform3D::interpolate(const QMatrix4x4 &from, const QMatrix4x4 &to, qreal progress)
{
    if (progress <= 0)
        return from;
    if (progress >= 1)
        return to;
    const auto a = decompose(from);
    const auto b = decompose(to);
    if (!a || !b)
        return progress < 0.5 ? from : to;
    Decomposed mix;
    const float t = static_cast<float>(progress);
    mix.perspective = a->perspective + (b->perspective - a->perspective) * t;
    mix.translation = a->translation + (b->translation - a->translation) * t;
    mix.rotation = QQuaternion::slerp(a->rotation, b->rotation, t);
    mix.skew = a->skew + (b->skew - a->skew) * t;
    mix.scale = a->scale + (b->scale - a->scale) * t;
    return compose(mix);
}

QTransform Transform3D::project(const QMatrix4x4 &m)
{
    return QTransform(m(0, 0), m(1, 0), m(3, 0), m(0, 1), m(1, 1), m(3, 1), m(0, 3), m(1, 3), m(3, 3));
}

std::array<Transform3D::Corner, 4> Transform3D::mapCorners(const QMatrix4x4 &m, const QRectF &rect)
{
    const QPointF points[4] = {rect.topLeft(), rect.topRight(), rect.bottomRight(), rect.bottomLeft()};
    std::array<Corner, 4> corners;
    for (int i = 0; i < 4; ++i) {
        const qreal x = points[i].x();
        const qreal y = points[i].y();
        const qreal px = m(0, 0) * x + m(0, 1) * y + m(0, 3);
        const qreal py = m(1, 0) * x + m(1, 1) * y + m(1, 3);
        const qreal w = m(3, 0) * x + m(3, 1) * y + m(3, 3);
        corners[i].w = w;
        corners[i].point = w > FrontEpsilon ? QPointF(px / w, py / w) : QPointF(px, py);
    }
    return corners;
}

bool Transform3D::allInFront(const std::array<Corner, 4> &corners)
{
    for (const Corner &c : corners)
        if (!(c.w > FrontEpsilon))
            return false;
    return true;
}

qreal Transform3D::signedArea(const std::array<Corner, 4> &corners)
{
    qreal area = 0;
    for (int i = 0; i < 4; ++i) {
        const QPointF &a = corners[i].point;
        const QPointF &b = corners[(i + 1) % 4].point;
        area += a.x() * b.y() - b.x() * a.y();
    }
    return area;
}

} // namespace platform
