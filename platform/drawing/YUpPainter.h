#pragma once
// Painting a view whose geometry is described with y growing upward (origin at the
// bottom left). While a YUpPainter lives, the painter's coordinates are y-up: the
// transform translates to the bottom of the view and scales y by -1. Text and images
// drawn through the helpers here stay upright. Event positions are converted once,
// where they enter the view, with pointFromView().
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include <QPointF>
#include <QRectF>
#include <QString>

class QImage;
class QPainter;
class QPixmap;
class QWidget;

namespace platform {

class YUpPainter
{
public:
    // Sets up y-up coordinates for a view of the given height; the painter's state
    // is saved here and restored by the destructor.
    YUpPainter(QPainter &painter, qreal viewHeight);
    ~YUpPainter();
    YUpPainter(const YUpPainter &) = delete;
    YUpPainter &operator=(const YUpPainter &) = delete;

    QPainter &painter() const { return m_painter; }
    qreal viewHeight() const { return m_height; }

    // The transform alone, for painters set up elsewhere.
    static void apply(QPainter &painter, qreal viewHeight);

    // Whether the painter's y axis points up on the device (a y-up space).
    static bool isYUp(const QPainter &painter);

    // Text in a rectangle of the current space; the flags are Qt's (Qt::AlignTop is
    // the visual top), the text is upright in y-up and y-down spaces alike.
    static void drawTextUpright(QPainter &painter, const QRectF &rect, int flags, const QString &text);
    // Text whose baseline starts at the point.
    static void drawTextUpright(QPainter &painter, const QPointF &baselineStart, const QString &text);
    // An image upright in a rectangle of the current space.
    static void drawImageUpright(QPainter &painter, const QRectF &target, const QImage &image);
    static void drawPixmapUpright(QPainter &painter, const QRectF &target, const QPixmap &pixmap);
    // An image at its natural size whose origin is the point: its bottom-left corner
    // in a y-up space, its top-left corner in a y-down space.
    static void drawImageUpright(QPainter &painter, const QPointF &origin, const QImage &image);

    // An event position of the view (y-down, Qt's) in the view's y-up coordinates,
    // and back; rectangles likewise.
    static QPointF pointFromView(const QPointF &viewPoint, qreal viewHeight);
    static QPointF pointFromView(const QPointF &viewPoint, const QWidget *view);
    static QPointF pointToView(const QPointF &yUpPoint, qreal viewHeight);
    static QRectF rectToView(const QRectF &yUpRect, qreal viewHeight);
    static QRectF rectFromView(const QRectF &viewRect, qreal viewHeight);

private:
    QPainter &m_painter;
    qreal m_height;
};

} // namespace platform
