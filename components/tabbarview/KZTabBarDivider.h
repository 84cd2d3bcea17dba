#pragma once
// The 3-point strip along the right edge of a vertical tab bar that allows resizing:
// it shows the horizontal resize cursor, and a drag on it with the left button resizes
// the bar (KZTabBarView::dividerDragged), with the bar's isResizing set from the press
// to the release. Placed and shown by its bar (hidden on horizontal bars).
//
// A child widget of its bar. Main thread only; no failure cases.
#include <QWidget>

class KZTabBarView;

class KZTabBarDivider : public QWidget
{
    Q_OBJECT
public:
    explicit KZTabBarDivider(KZTabBarView *bar);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    KZTabBarView *m_bar;
    qreal m_lastX = 0;
};
