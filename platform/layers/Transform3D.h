#pragma once
// Three-dimensional transforms of layers (QMatrix4x4, column vectors: a point p maps
// to M·p; the perspective entry m34 is element (3, 2), so w = 1 + m34·z).
// Stateless helpers; thread-safe.
//
// Interpolation is by decomposition: perspective, translation, rotation (a quaternion,
// taken the short way), skew and scale are blended separately and composed again,
// never element by element. A matrix that cannot be decomposed (singular) jumps to
// the other end at the half way point.
#include <QMatrix4x4>
#include <QPointF>
#include <QQuaternion>
#include <QRectF>
#include <QTransform>
#include <QVector3D>
#include <QVector4D>
#include <array>
#include <optional>

namespace platform {

class Transform3D
{
public:
    struct Decomposed
    {
        QVector4D perspective{0, 0, 0, 1};
        QVector3D translation;
        QQuaternion rotation;
        QVector3D skew; // xy, xz, yz
        QVector3D scale{1, 1, 1};
    };

    // A turn by the angle (radians) about the axis, right-handed.
    static QMatrix4x4 rotation(qreal radians, qreal x, qreal y, qreal z);
    static QMatrix4x4 translation(qreal x, qreal y, qreal z = 0);
    static QMatrix4x4 scale(qreal x, qreal y, qreal z = 1);
    // The identity with m34 = -1/eyeDistance.
    static QMatrix4x4 perspective(qreal eyeDistance);

    static std::optional<Decomposed> decompose(const QMatrix4x4 &matrix);
    static QMatrix4x4 compose(const Decomposed &parts);
    static QMatrix4x4 interpolate(const QMatrix4x4 &from, const QMatrix4x4 &to, qreal progress);

    // The map of the plane z = 0 that the matrix gives, as a projective QTransform.
    static QTransform project(const QMatrix4x4 &matrix);
    // The four corners of the rectangle (bottom left, bottom right, top right, top
    // left in y-up terms) through the matrix, with their w; the points are divided.
    struct Corner
    {
        QPointF point;
        qreal w;
    };
    static std::array<Corner, 4> mapCorners(const QMatrix4x4 &matrix, const QRectF &rect);
    // Whether every corner lies in front of the eye (w above a small epsilon).
    static bool allInFront(const std::array<Corner, 4> &corners);
    // Twice the signed area of the quadrilateral (positive: counter-clockwise).
    static qreal signedArea(const std::array<Corner, 4> &corners);
};

} // namespace platform
