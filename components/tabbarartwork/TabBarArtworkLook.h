#pragma once
// The three looks of a button picture and the shared drawing pieces of the close
// and add-tab pictures. Reentrant: no shared state.
#include <QColor>
#include <QSizeF>

class QPainter;

namespace TabBarArtwork {

enum class Look { Rest, Rollover, Pressed };

// The disc behind a cross or plus: none at rest, darker under the pointer and darker
// still while pressed.
QColor discColour(Look look);
// A cross filling the middle of the picture.
void drawCross(QPainter &painter, const QSizeF &size, const QColor &colour, qreal weight = 8.0);

} // namespace TabBarArtwork
