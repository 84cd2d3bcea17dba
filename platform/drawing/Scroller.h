#pragma once
// A scroller: a bar with a knob whose place stands for a value in [0, 1] and whose
// length for the visible proportion, with arrow buttons. A press is hit-tested into
// a part (testPart()); on an arrow the part stays highlighted while the button is
// down and the action is sent once, then repeated while the button is held; on the
// knob a drag moves the value along the knob's track and sends the action at each
// move. Other parts do nothing. The action goes to the target (or along the
// responder chain) through platform::sendAction with the scroller as the sender.
//
// Coordinates are the widget's own (y down). Subclasses replace the geometry
// (rectForPart(), knobTrack()), the hit test and the drawing. Owned by its parent
// widget; GUI thread only. Non-finite values become 0; values are clamped.
#include <QByteArray>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QTimer>
#include <QWidget>

namespace platform {

class Scroller : public QWidget
{
    Q_OBJECT
public:
    enum class Part { None, DecrementPage, Knob, IncrementPage, DecrementLine, IncrementLine, KnobSlot };

    explicit Scroller(QWidget *parent = nullptr);
    ~Scroller() override;

    double doubleValue() const { return m_value; }
    void setDoubleValue(double value);
    double knobProportion() const { return m_proportion; }
    void setKnobProportion(double proportion);
    // The part being tracked while the mouse button is down, else None.
    Part hitPart() const { return m_hitPart; }

    QObject *target() const { return m_target; }
    void setTarget(QObject *target) { m_target = target; }
    QByteArray action() const { return m_action; }
    void setAction(const QByteArray &action) { m_action = action; }

    // A part's rectangle; the default lays 16-point arrows at both ends of a
    // horizontal bar with the slot between them.
    virtual QRectF rectForPart(Part part) const;
    // The part under a point of the widget (None where nothing reacts).
    virtual Part testPart(const QPointF &point) const;
    // The span the knob moves over: its left edge at value 0 to its right edge at 1.
    virtual QRectF knobTrack() const;

protected:
    // Draws the whole scroller (the default: slot, arrows, knob in the palette).
    virtual void drawScroller(QPainter &painter);
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void sendScrollerAction();
    void endTracking();

    double m_value = 0;
    double m_proportion = 1;
    Part m_hitPart = Part::None;
    QPointer<QObject> m_target;
    QByteArray m_action;
    qreal m_grabOffset = 0;
    QTimer m_repeat;
};

} // namespace platform
