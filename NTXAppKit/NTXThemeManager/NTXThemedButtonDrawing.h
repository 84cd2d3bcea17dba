#pragma once
// The themed drawing that the themed button cell and the themed pop-up button cell
// share: the cell mask, the image rectangle, the image, the highlighted background
// in its three modes and the gradient strips along chosen border sides. The cell's
// own platform drawing (platform::ButtonCell's image rectangle and image) is reached
// with qualified calls, so a themed override never calls itself.
//
// Stateless functions; GUI thread (they draw).
#include "NTXAppKit/NTXThemeManager/NTXTheme.h"
#include "platform/drawing/ButtonCell.h"

#include <QPainter>

class QPainter;
class QWidget;

namespace NTXThemedButtonDrawing {

// How a highlighted borderless button shows its highlight.
enum HighlightBackgroundMode : unsigned { FlatFill = 0, GlowingImage = 1, GradientFill = 2 };
// The sides of the border-side mask.
enum BorderSide : unsigned { MinXSide = 1, MaxXSide = 2, MinYSide = 4, MaxYSide = 8 };

// (disabled when the cell is) + (highlighted when it is).
unsigned cellMask(const platform::ButtonCell &cell);
bool highlightsByChangingBackground(const platform::ButtonCell &cell);

// The platform's rectangle, except for a borderless image-only button: the bounds
// inset by width/3.5 and height/3.5 for a glowing highlight that changes the
// background, else by width/7 and height/7.
QRectF imageRectForBounds(const platform::ButtonCell &cell, unsigned highlightMode, const QRectF &bounds);
// The image in imageRectForBounds() of the frame: through the platform cell when it
// highlights by changing grey, else stretched over the rectangle at full opacity.
void drawImage(const platform::ButtonCell &cell, unsigned highlightMode, QPainter &painter, const QIcon &image,
               const QRectF &frame, QWidget *controlView);
// The highlight under the content, clipped to the frame: mode 0 the theme's fill
// (source-atop, so only painted pixels take it), 1 the image glowing in the fill
// colour (whitened on dark themes), 2 the theme's gradient; other modes nothing.
void drawHighlightedBackground(const platform::ButtonCell &cell, const NTXTheme &theme, unsigned highlightMode,
                               unsigned mask, const QIcon &image, QPainter &painter, const QRectF &frame,
                               QWidget *controlView);
// One-point strips of the theme's border-side gradient along the chosen sides of the
// drawing rectangle, drawn at 90 degrees; nothing without a gradient.
void drawBorderSides(const NTXTheme &theme, unsigned mask, unsigned sides, QPainter &painter,
                     const QRectF &drawingRect);
// The icon drawn over the whole rectangle, upright, at full opacity.
void drawStretchedImage(QPainter &painter, const QIcon &image, const QRectF &rect, qreal opacity = 1.0,
                        QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver);

} // namespace NTXThemedButtonDrawing
