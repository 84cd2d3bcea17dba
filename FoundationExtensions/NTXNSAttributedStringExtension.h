#pragma once
// Attributed-string helpers: one-line drawing in a rectangle with an ellipsis where
// the text does not fit, comparisons by the plain text, and a readable description
// of attributes. Stateless free functions; main thread (they paint).
#include "platform/drawing/AttributedString.h"

#include <QRectF>
#include <QString>

class QPainter;

namespace NTXNSAttributedStringExtension {

using platform::AttributedString;

// Alignment numbers: 1 right, 2 centre, anything else left.
enum Alignment : int { AlignLeft = 0, AlignRight = 1, AlignCenter = 2 };

// What one-line drawing decided (also what it drew).
struct LineDrawing
{
    qsizetype charactersDrawn = 0; // from the start of the first line
    bool ellipsis = false;
    bool rightToLeft = false;
    QPointF point;       // top-left of the drawn text (y-down painter coordinates)
    qreal drawnWidth = 0; // text and ellipsis
    qreal lineHeight = 0;
};

// Draws the first line of the text in the rectangle (y-down painter coordinates),
// cut with U+2026 when the text is longer than that line or wider than the
// rectangle; right-to-left text keeps its start (on the right) and shows the
// ellipsis on the left. The painter's state is restored afterwards.
LineDrawing drawInRectangle(const AttributedString &text, QPainter &painter, const QRectF &rectangle,
                            int alignment, bool verticallyCentered);
// The same decision without drawing.
LineDrawing layoutInRectangle(const AttributedString &text, const QRectF &rectangle, int alignment,
                              bool verticallyCentered);

int caseInsensitiveCompare(const AttributedString &a, const AttributedString &b);
int localizedCaseInsensitiveCompare(const AttributedString &a, const AttributedString &b);

// "<font family>, <size> pt" for attributes holding a font, else "".
QString humanReadableDescriptionForAttributes(const AttributedString::Attributes &attributes);

} // namespace NTXNSAttributedStringExtension
