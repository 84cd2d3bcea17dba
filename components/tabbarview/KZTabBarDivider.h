#pragma once
// The 3-point strip along the right edge of a vertical tab bar that allows resizing:
// it shows the resize cursor the bar's width allows (resize-right at the minimum
// button width, resize-left at the maximum, left-right between), and a drag on it with
// the left button resizes the bar (KZTabBarView::dividerDragged), with the bar's
// isResizing set from the press to the release. Placed and shown by its bar (hidden on
// horizontal bars). The one-way cursors, which Qt has no shape for, are drawn in code
// once (a bar with an arrow away from it), hot spot in the middle.
//
// A child widget of its bar. Main thread only; no failure cases.
#include <QCursor>
#include <QWidget>

class KZTabBarView;

class KZTabBarDivider : public QWidget
{
    Q_OBJECT
public:
    enum class Cursor { ResizeRight, ResizeLeft, ResizeLeftRight };

    explicit KZTabBarDivider(KZTabBarView *bar);

    static QCursor cursorOf(Cursor kind);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    KZTabBarView *m_bar;
    qreal m_lastX = 0;
};
