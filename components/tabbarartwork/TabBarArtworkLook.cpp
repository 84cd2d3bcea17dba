#include "components/tabbarartwork/TabBarArtworkLook.h"

#include <QPainter>

namespace TabBarArtwork {

QColor discColour(Look look)
{
    switch (look) {
    case Look::Rest:
        return QColor(0, 0, 0, 0);
    case Look::Rollover:
        return QColor(0, 0, 0, 70);
    case Look::Pressed:
        return QColor(0, 0, 0, 130);
    }
    return {};
}

void drawCross(QPainter &painter, const QSizeF &size, const QColor &colour, qreal weight)
{
    painter.setPen(QPen(colour, size.width() / weight, Qt::SolidLine, Qt::RoundCap));
    const qreal inset = size.width() * 0.32;
    painter.drawLine(QPointF(inset, inset), QPointF(size.width() - inset, size.height() - inset));
    painter.drawLine(QPointF(size.width() - inset, inset), QPointF(inset, size.height() - inset));
}

} // namespace TabBarArtwork
