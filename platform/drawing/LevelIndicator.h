#pragma once
// A level indicator in the rating style: stars from the minimum to the maximum (0 and
// 5 unless set), the level filled, the rest shown as dots while the indicator is
// editable. The level is the cell's integer value, kept within the bounds. With an
// editable cell a click sets the level from where it lands (the left edge 0, each
// star's width one more, up to the maximum) and sends the action once.
// Threads: GUI thread only.
#include "platform/drawing/Control.h"

namespace platform {

class LevelIndicator : public Control
{
    Q_OBJECT
public:
    explicit LevelIndicator(QWidget *parent = nullptr);
    ~LevelIndicator() override;

    int minValue() const { return m_minValue; }
    int maxValue() const { return m_maxValue; }
    // Bounds in order (a maximum under the minimum is raised to it); the level is kept inside.
    void setBounds(int minimum, int maximum);
    int level() const { return intValue(); }
    void setLevel(int level);
    bool isEditable() const { return cell()->isEditable(); }
    void setEditable(bool editable);
    // The level a click at x (in the indicator's coordinates) sets.
    int levelAt(qreal x) const;

    QSize sizeHint() const override { return {96, 14}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int m_minValue = 0;
    int m_maxValue = 5;
};

} // namespace platform
