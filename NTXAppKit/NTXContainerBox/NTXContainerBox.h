#pragma once
// A backdrop: its bounds filled with a colour, or a vertical gradient from the second
// background colour at the bottom to the background colour at the top, and a border
// in the border colour on the chosen edges. With all four edges the border is a
// one-pixel frame inside the bounds; otherwise each edge is a line of its own width
// centred on the edge, so that only its inner half shows (width 0: the thinnest line
// the device draws). Drawing is y-up (origin at the bottom left).
//
// Setters only store: call update() to see a change.
// Archiving (keyed only): "backgroundColor", "borderColor", "secondBackgroundColor",
// "hasGradient", "hasLeftLine", "hasRightLine", "hasTopLine", "hasBottomLine"; the line
// widths are not archived, and a decoded box draws its edge lines at width 0. A
// missing key leaves that setting at its default.
// Ownership: a widget owned by its Qt parent. GUI thread only.
#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QWidget>

class QPainter;

namespace platform {
class Coder;
} // namespace platform

class NTXContainerBox : public QWidget
{
    Q_OBJECT
public:
    explicit NTXContainerBox(QWidget *parent = nullptr);

    // A box read from a keyed archive (none for another coder or a failed decode).
    static NTXContainerBox *fromCoder(platform::Coder &coder, QWidget *parent = nullptr);
    void encodeWithCoder(platform::Coder &coder) const;

    static QPainterPath bezierPathWithLineFrom(const QPointF &from, const QPointF &to);

    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor &color) { m_backgroundColor = color; }
    QColor borderColor() const { return m_borderColor; }
    void setBorderColor(const QColor &color) { m_borderColor = color; }
    QColor secondBackgroundColor() const { return m_secondBackgroundColor; }
    void setSecondBackgroundColor(const QColor &color) { m_secondBackgroundColor = color; }
    bool hasGradient() const { return m_hasGradient; }
    void setHasGradient(bool has) { m_hasGradient = has; }
    bool hasTopLine() const { return m_hasTopLine; }
    void setHasTopLine(bool has) { m_hasTopLine = has; }
    bool hasBottomLine() const { return m_hasBottomLine; }
    void setHasBottomLine(bool has) { m_hasBottomLine = has; }
    bool hasLeftLine() const { return m_hasLeftLine; }
    void setHasLeftLine(bool has) { m_hasLeftLine = has; }
    bool hasRightLine() const { return m_hasRightLine; }
    void setHasRightLine(bool has) { m_hasRightLine = has; }
    float topLineWidth() const { return m_topLineWidth; }
    void setTopLineWidth(float width) { m_topLineWidth = width; }
    float bottomLineWidth() const { return m_bottomLineWidth; }
    void setBottomLineWidth(float width) { m_bottomLineWidth = width; }
    float leftLineWidth() const { return m_leftLineWidth; }
    void setLeftLineWidth(float width) { m_leftLineWidth = width; }
    float rightLineWidth() const { return m_rightLineWidth; }
    void setRightLineWidth(float width) { m_rightLineWidth = width; }

    // The drawing, in y-up coordinates of the bounds.
    virtual void drawRect(QPainter &painter);

protected:
    void paintEvent(QPaintEvent *event) override;
    // Reads the box's keys into this box; false (nothing changed) when the coder failed.
    bool initWithCoder(platform::Coder &coder);

private:
    QColor m_backgroundColor;
    QColor m_borderColor;
    QColor m_secondBackgroundColor;
    bool m_hasGradient = false;
    bool m_hasTopLine = true;
    bool m_hasBottomLine = true;
    bool m_hasLeftLine = true;
    bool m_hasRightLine = true;
    float m_topLineWidth = 1;
    float m_bottomLineWidth = 1;
    float m_leftLineWidth = 1;
    float m_rightLineWidth = 1;
};
