#pragma once
// The drawing that the anchored button bar and its buttons share: one-pixel edge
// lines named by the edge the user sees, the anchored bezel, titles with their
// engraved shadow, the highlight, and the bar's images (the pull-down arrow and the
// action gear, SVG pictures of the NTXAppKit bundle).
//
// Colours and images are made once, at the first use, and kept for the process.
// Threads: GUI thread only (painting).
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QRectF>
#include <QString>

class QPainter;
class QWidget;

namespace NTXAnchoredButtonDrawing {

enum class Edge { Top, Bottom, Left, Right };

// A line one device pixel thick, `position` pixels in from the edge of the rectangle
// that the user sees as that edge (whichever way the painter's y axis points),
// running the rectangle's length less `inset` pixels at each end.
void drawLine(QPainter &painter, const QWidget *view, const QRectF &rect, const QColor &color, Edge edge,
              int position, int inset);

// Title and image colours by the enabled state: grey 0.0392 and 0.2824, alpha 0.6
// when disabled.
QColor textColor(bool enabled);
QColor imageColor(bool enabled);
// The system font at 11 pixels.
QFont titleFont();

// The anchored face in the frame of a y-down control view: the gradient, the top
// line, the inner light lines and the bottom and side lines of a button on a bottom
// bar or elsewhere (with the bar's outer lines at the bar's edges).
void drawAnchoredBezel(QPainter &painter, const QRectF &frame, QWidget *controlView);
// The highlight laid over a pressed face.
void fillHighlight(QPainter &painter, const QRectF &rect);
// The title in the rectangle (vertically centred) with its shadow: the title in white
// alpha 0.75 one pixel lower, then in the text colour.
void drawTitle(QPainter &painter, const QString &title, const QRectF &rect, bool enabled,
               Qt::Alignment alignment = Qt::AlignHCenter);

// "ButtonBarPullDownArrow": 7 × 4 points, pointing down.
QImage pullDownArrow(qreal devicePixelRatio);
// "NSActionTemplate": the gear, 10 × 10 points.
QIcon actionTemplateImage();
bool isActionTemplate(const QIcon &icon);
// The image in the rectangle (the gear sized 10 × 10 and tinted in the image colour),
// centred, in the y-down space of a control.
void drawImage(QPainter &painter, const QIcon &image, const QRectF &rect, bool enabled);

} // namespace NTXAnchoredButtonDrawing
