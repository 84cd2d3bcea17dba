#pragma once
// A borderless callout window that shows one view inside a rounded box with an
// arrow whose tip lies at a given distance from a point, in a window or on the
// screen. The box is painted as the window's background; the window is translucent
// around it and shaped to it by a mask, so it looks right without a compositing
// manager too. There is no window shadow.
//
// Geometry is computed y-up (screen coordinates from the bottom-left corner of the
// primary screen, window coordinates from the window's bottom-left corner) and
// handed to Qt through platform::ScreenCoordinates; the scale factor is 1.
//
// Values from the caller: a length or flag that is not a finite number, an arrow
// height or arrow base width below zero (and a point or distance that is not a
// finite number, in attach(), which then answers none) is refused, said in the log
// (category "chronark.attachedwindow") and changes nothing. A margin or corner
// radius below zero is taken as zero; a border width of zero or less draws no
// border. Lengths are
// bounded by what a screen can show: the margin, arrow height and distance by the
// larger side of the largest screen, the view's size in the geometry by that
// screen's size, so a window never grows past a few screens whatever it is given.
//
// Ownership: attached to a window, the callout is its child (a tool window
// transient for it): it follows the window's moves and resizes, hides with it and
// is destroyed with it. Unattached, the caller owns it. The view becomes the
// callout's child. GUI thread only. attach() with no view answers none.
#include <QBrush>
#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QWidget>

class FXAttachedWindow : public QWidget
{
    Q_OBJECT
public:
    // Where the window lies relative to the point (see the side table of the class).
    enum Side : qint32 {
        Left = 0, Below = 1, Right = 2, Above = 3,
        LeftExtendingUp = 4, LeftExtendingDown = 5, RightExtendingUp = 6, RightExtendingDown = 7,
        AboveExtendingLeft = 8, AboveExtendingRight = 9, BelowExtendingLeft = 10, BelowExtendingRight = 11,
        Automatic = 12
    };

    // The point is in the window's y-up coordinates, or on the screen (y-up) when
    // there is no window. No view: none.
    static FXAttachedWindow *attach(QWidget *view, const QPointF &point, QWidget *window = nullptr,
                                    qint32 side = Automatic, qreal distance = 0);
    ~FXAttachedWindow() override;

    QBrush windowBackgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QBrush &color);
    void setBackgroundImage(const QImage &image);
    QColor borderColor() const { return m_borderColor; }
    void setBorderColor(const QColor &color);
    qreal borderWidth() const { return m_borderWidth; }
    void setBorderWidth(qreal width);
    qreal viewMargin() const { return m_viewMargin; }
    void setViewMargin(qreal margin);
    qreal arrowBaseWidth() const { return m_arrowBaseWidth; }
    void setArrowBaseWidth(qreal width);
    qreal arrowHeight() const { return m_arrowHeight; }
    void setArrowHeight(qreal height);
    bool hasArrow() const { return m_hasArrow; }
    void setHasArrow(qreal value);
    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);
    bool drawsRoundCornerBesideArrow() const { return m_drawsRoundCornerBesideArrow; }
    void setDrawsRoundCornerBesideArrow(qreal value);

    qint32 side() const { return m_side; }
    QPointF point() const { return m_point; }
    QWidget *attachedWindow() const { return m_window; }
    // The view's place in the window (y-up).
    QRectF viewFrame() const { return m_viewFrame; }
    // The window's frame on the screen (y-up) as the last geometry update set it.
    QRectF screenFrame() const { return m_frame; }
    // The box and arrow in window coordinates (y-up).
    QPainterPath backgroundPath() const;
    // Where the arrow's tip lies on the window's edge, from the corner.
    qreal arrowInset() const;

    // Closing the callout of an attached window closes that window.
    Q_INVOKABLE void performClose(QObject *sender = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    FXAttachedWindow(QWidget *view, const QPointF &point, QWidget *window, qint32 side, qreal distance);
    void updateGeometryForPoint();
    qint32 bestSideForAutomaticPosition() const;
    QPointF pointOnScreen() const;
    QRectF attachedFrame() const;
    // The view's size, at most a screen's.
    QSizeF shownViewSize() const;
    void updateBackground();
    void redisplay();
    void appendArrowToPath(QPainterPath &path) const;

    QColor m_borderColor;
    qreal m_borderWidth = 2.0;
    qreal m_viewMargin = 2.0;
    qreal m_arrowBaseWidth = 20.0;
    qreal m_arrowHeight = 16.0;
    bool m_hasArrow = true;
    qreal m_cornerRadius = 8.0;
    bool m_drawsRoundCornerBesideArrow = true;
    QBrush m_backgroundColor;
    QPointer<QWidget> m_view;
    QPointer<QWidget> m_window;
    QPointF m_point;
    qint32 m_side = Automatic;
    qreal m_distance = 0;
    QRectF m_viewFrame;
    QRectF m_frame;
    bool m_resizing = false;
};
