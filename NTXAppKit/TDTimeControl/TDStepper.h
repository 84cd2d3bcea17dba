#pragma once
// A pair of small arrows that step a number up and down within a range, optionally
// wrapping around at its ends. A click on the upper arrow adds the increment, on the
// lower arrow subtracts it; then the stepper sends its action to its target. The
// time and date controls use one beside them to step their selected field.
#include "platform/drawing/Control.h"

class TDStepper : public platform::Control
{
    Q_OBJECT
public:
    explicit TDStepper(QWidget *parent = nullptr);

    double minValue() const { return m_minValue; }
    void setMinValue(double value);
    double maxValue() const { return m_maxValue; }
    void setMaxValue(double value);
    double increment() const { return m_increment; }
    void setIncrement(double increment) { m_increment = increment > 0 ? increment : 1; }
    bool valueWraps() const { return m_valueWraps; }
    void setValueWraps(bool wraps) { m_valueWraps = wraps; }

    // The value is kept within [minValue, maxValue].
    void setValue(double value);
    double value() const { return doubleValue(); }

    // One step as a click on an arrow does, then the action.
    void stepUp();
    void stepDown();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void stepBy(double delta);

    double m_minValue = 0;
    double m_maxValue = 59;
    double m_increment = 1;
    bool m_valueWraps = true;
    int m_pressedArrow = 0; // 1 up, -1 down, 0 none
};
