#include "components/tabbarartwork/TabBarArtworkDrawings.h"
#include "components/tabbarartwork/TabBarArtworkLook.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace TabBarArtwork {

namespace {

void drawChevrons(QPainter &painter, const QSizeF &size, const QColor &colour)
{
    const qreal w = size.width(), h = size.height();
    QPen pen(colour, std::max(1.0, w / 8.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal top = h * 0.3, bottom = h * 0.7, middle = h * 0.5;
    for (const qreal left : {w * 0.2, w * 0.5}) {
        QPainterPath chevron;
        chevron.moveTo(left, top);
        chevron.lineTo(left + w * 0.25, middle);
        chevron.lineTo(left, bottom);
        painter.drawPath(chevron);
    }
}

void drawProgressMark(QPainter &painter, const QSizeF &size)
{
    // The spinning indicator's spokes, standing still.
    const qreal side = std::min(size.width(), size.height());
    const qreal outer = side * 0.5, inner = outer * 0.45;
    QPen pen(QColor(60, 60, 60), std::max(1.0, side / 10.0), Qt::SolidLine, Qt::RoundCap);
    painter.translate(size.width() * 0.5, size.height() * 0.5);
    for (int spoke = 0; spoke < 12; ++spoke) {
        QColor colour = pen.color();
        colour.setAlphaF(1.0f - spoke * (0.8f / 12.0f));
        QPen spokePen = pen;
        spokePen.setColor(colour);
        painter.setPen(spokePen);
        const qreal angle = qDegreesToRadians(-90.0 - spoke * 30.0);
        const qreal inset = pen.widthF() * 0.5;
        painter.drawLine(QPointF(qCos(angle) * inner, qSin(angle) * inner),
                         QPointF(qCos(angle) * (outer - inset), qSin(angle) * (outer - inset)));
    }
}

void drawAquaPlus(QPainter &painter, const QSizeF &size, const QColor &fill, const QColor &mark)
{
    // A round button with a plus sign.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(fill.darker(140), 1));
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(0.5, (size.height() - size.width()) / 2 + 0.5, size.width() - 1, size.width() - 1));
    painter.setPen(QPen(mark, std::max(1.0, size.width() / 7.0), Qt::SolidLine, Qt::RoundCap));
    const qreal cx = size.width() / 2, cy = size.height() / 2, arm = size.width() * 0.25;
    painter.drawLine(QPointF(cx - arm, cy), QPointF(cx + arm, cy));
    painter.drawLine(QPointF(cx, cy - arm), QPointF(cx, cy + arm));
}

void drawPlus(QPainter &painter, const QSizeF &size, Look look)
{
    painter.setRenderHint(QPainter::Antialiasing);
    if (look != Look::Rest) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(discColour(look));
        painter.drawRoundedRect(QRectF(1, 1, size.width() - 2, size.height() - 2), 3, 3);
    }
    painter.setPen(QPen(look == Look::Rest ? QColor(60, 60, 60) : QColor(250, 250, 250), 2.0, Qt::SolidLine,
                        Qt::RoundCap));
    const qreal cx = size.width() / 2, cy = size.height() / 2, arm = size.width() * 0.28;
    painter.drawLine(QPointF(cx - arm, cy), QPointF(cx + arm, cy));
    painter.drawLine(QPointF(cx, cy - arm), QPointF(cx, cy + arm));
}

} // namespace

void addBarPictures(QList<Picture> &pictures)
{
    pictures.append({QStringLiteral("overflowImage"), QSizeF(14, 16),
                     [](QPainter &p, const QSizeF &s) { drawChevrons(p, s, QColor(80, 80, 80)); }});
    pictures.append({QStringLiteral("overflowImagePressed"), QSizeF(14, 16),
                     [](QPainter &p, const QSizeF &s) { drawChevrons(p, s, QColor(20, 20, 20)); }});
    pictures.append({QStringLiteral("pi"), QSizeF(16, 16), drawProgressMark});
    pictures.append({QStringLiteral("AquaTabNew"), QSizeF(12, 12), [](QPainter &p, const QSizeF &s) {
        drawAquaPlus(p, s, QColor(225, 225, 225), QColor(70, 70, 70));
    }});
    pictures.append({QStringLiteral("AquaTabNewPressed"), QSizeF(12, 12), [](QPainter &p, const QSizeF &s) {
        drawAquaPlus(p, s, QColor(150, 150, 150), QColor(30, 30, 30));
    }});
    pictures.append({QStringLiteral("AquaTabNewRollover"), QSizeF(12, 12), [](QPainter &p, const QSizeF &s) {
        drawAquaPlus(p, s, QColor(190, 190, 190), QColor(40, 40, 40));
    }});
    const struct
    {
        const char *suffix;
        Look look;
    } looks[] = {{"", Look::Rest}, {"Rollover", Look::Rollover}, {"Pressed", Look::Pressed}};
    for (const auto &entry : looks) {
        const Look look = entry.look;
        pictures.append({QStringLiteral("TabNewMetal") + QLatin1String(entry.suffix), QSizeF(16, 16),
                         [look](QPainter &p, const QSizeF &s) { drawPlus(p, s, look); }});
    }
}

} // namespace TabBarArtwork
