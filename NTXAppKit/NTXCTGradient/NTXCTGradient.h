#pragma once
// A gradient of any number of colour stops, drawn axially along an angle or radially
// from the centre of a rectangle. Colours between stops blend in RGBA (linear) or along
// the hue circle in HSV, the hue increasing (chromatic) or decreasing (reverse
// chromatic); see NTXCTGradientEvaluation.h.
//
// A value: the stops are kept sorted by position (a stop added at the position of
// others goes after them). Every operation that changes the stops answers a changed
// copy and leaves the receiver alone; only setBlendingMode() changes a gradient in
// place. Drawing uses the painter's numbers as they stand (0° runs along +x, 90° along
// +y: upward in a y-up painter).
//
// Failure: removing a stop that does not exist, or asking for a stop beyond the list,
// throws platform::Exception "NSRangeException" and changes nothing. A stop at a NaN
// position is refused (the copy answered is unchanged).
// Threads: reentrant; separate values may be used on any thread.
#include "NTXAppKit/NTXCTGradient/NTXCTGradientEvaluation.h"

#include <QColor>
#include <QGradientStops>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <utility>
#include <vector>

class QPainter;

class NTXCTGradient
{
public:
    // No stops, linear blending.
    NTXCTGradient();

    // The first colour at 0, the second at 1, linear.
    static NTXCTGradient gradientWithBeginningColor(const QColor &begin, const QColor &end);
    static NTXCTGradient aquaSelectedGradient();
    static NTXCTGradient aquaNormalGradient();
    static NTXCTGradient aquaPressedGradient();
    static NTXCTGradient unifiedSelectedGradient();
    static NTXCTGradient unifiedNormalGradient();
    static NTXCTGradient unifiedPressedGradient();
    static NTXCTGradient unifiedDarkGradient();
    static NTXCTGradient sourceListSelectedGradient();
    static NTXCTGradient sourceListUnselectedGradient();
    static NTXCTGradient rainbowGradient();
    static NTXCTGradient hydrogenSpectrumGradient();

    // A copy with every stop's alpha replaced, blended linearly.
    NTXCTGradient gradientWithAlphaComponent(float alpha) const;
    NTXCTGradient gradientWithBlendingMode(int mode) const;
    NTXCTGradient addColorStop(const QColor &color, float position) const;
    // Without the first stop at exactly that position.
    NTXCTGradient removeColorStopAtPosition(float position) const;
    NTXCTGradient removeColorStopAtIndex(unsigned index) const;

    int blendingMode() const { return m_blendingMode; }
    void setBlendingMode(int mode) { m_blendingMode = mode; }

    int numberOfColorStops() const { return static_cast<int>(m_elements.size()); }
    QColor colorStopAtIndex(unsigned index) const;
    QColor colorAtPosition(float position) const;

    // fillRect() at 45°.
    void drawSwatchInRect(QPainter &painter, const QRectF &rect) const;
    // Along the angle through the centre, the axis just spanning the rectangle;
    // clipped to it.
    void fillRect(QPainter &painter, const QRectF &rect, float angle) const;
    // From a circle of radius 1 at the centre to one of max(width, height)/2, padded
    // beyond; clipped to the rectangle.
    void radialFillRect(QPainter &painter, const QRectF &rect) const;
    // fillRect() with the painter's state saved and clipped to the rectangle.
    void drawInRect(QPainter &painter, const QRectF &rect, float angle) const;

    // The axis of fillRect(): start and end point.
    static std::pair<QPointF, QPointF> axisForRect(const QRectF &rect, float angle);
    // The stops Qt draws: the stops themselves for linear blending, samples of the
    // blend between each two stops otherwise.
    QGradientStops drawnStops() const;

private:
    // List primitives.
    void addElement(const CTGradientElement &element);
    CTGradientElement removeElementAtIndex(unsigned index);
    CTGradientElement removeElementAtPosition(float position);
    const CTGradientElement *elementAtIndex(unsigned index) const;
    void _commonInit() { m_elements.clear(); }

    static CTGradientElement elementFromColor(const QColor &color, float position);
    static NTXCTGradient fromStops(std::initializer_list<CTGradientElement> stops, int mode = NTXLinearBlendingMode);

    std::vector<CTGradientElement> m_elements;
    int m_blendingMode = NTXLinearBlendingMode;
};
