#pragma once
// A backdrop of one colour, or, blended, of horizontal one-point bands going from the
// colour lightened 1 % towards white at the bottom to the colour lightened 60 % at the
// top. Drawing is y-up (origin at the bottom left).
//
// Archiving (keyed only): "_bgColor" (the colour) and "_blended"; a missing colour
// key leaves the view without a colour (it paints nothing).
// Designer hooks answer their constants (the view is a container that edits itself).
// Ownership: a widget owned by its Qt parent. GUI thread only.
#include <QColor>
#include <QRectF>
#include <QString>
#include <QWidget>

class QPainter;

namespace platform {
class Coder;
} // namespace platform

class NTXColorBackgroundView : public QWidget
{
    Q_OBJECT
public:
    explicit NTXColorBackgroundView(QWidget *parent = nullptr);

    static NTXColorBackgroundView *fromCoder(platform::Coder &coder, QWidget *parent = nullptr);
    void encodeWithCoder(platform::Coder &coder) const;

    QColor backgroundColor() const { return m_bgColor; }
    void setBackgroundColor(const QColor &color);
    bool blended() const { return m_blended; }
    void setBlended(bool blended);

    // The banded fill: one band per whole point of the rectangle's height, from the
    // first colour at the bottom, each band one n-th nearer the second colour.
    void _drawRect(QPainter &painter, const QRectF &rect, const QColor &from, const QColor &to) const;
    // The drawing, in y-up coordinates of the bounds.
    void drawRect(QPainter &painter) const;

    static QString inspectorClassName() { return QStringLiteral("VYXColorBackgroundViewInspector"); }
    static bool ibIsContainer() { return true; }
    static bool ibSupportsInsideOutSelection() { return true; }
    static bool ibShouldShowContainerGuides() { return true; }
    static bool ibDrawFrameWhileResizing() { return true; }
    static bool canEditSelf() { return true; }
    static bool editorHandlesCaches() { return true; }
    NTXColorBackgroundView *ibNearestTargetForDrag() { return this; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_bgColor;
    bool m_blended = false;
};
