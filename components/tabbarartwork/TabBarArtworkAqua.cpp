#include "components/tabbarartwork/TabBarArtworkDrawings.h"

#include <QLinearGradient>
#include <QPainter>

namespace TabBarArtwork {

namespace {

// A strip: a vertical gradient with a light line along the top and a dark line
// along the bottom, the same all along its width.
void drawStrip(QPainter &painter, const QSizeF &size, const QColor &top, const QColor &bottom, const QColor &topLine,
               const QColor &bottomLine)
{
    const QRectF all(QPointF(0, 0), size);
    QLinearGradient fill(all.topLeft(), all.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    painter.fillRect(all, fill);
    const qreal line = size.height() / 22.0;
    if (topLine.isValid())
        painter.fillRect(QRectF(0, 0, size.width(), line), topLine);
    if (bottomLine.isValid())
        painter.fillRect(QRectF(0, size.height() - line, size.width(), line), bottomLine);
}

// The same, stored upside down: these pictures are drawn marked flipped.
void drawFlippedStrip(QPainter &painter, const QSizeF &size, const QColor &top, const QColor &bottom,
                      const QColor &topLine, const QColor &bottomLine)
{
    painter.save();
    painter.translate(0, size.height());
    painter.scale(1, -1);
    drawStrip(painter, size, top, bottom, topLine, bottomLine);
    painter.restore();
}

// A one-point line that fades out towards both ends.
void drawSeparator(QPainter &painter, const QSizeF &size, const QColor &colour)
{
    QColor clear = colour;
    clear.setAlpha(0);
    QLinearGradient fade(QPointF(0, 0), QPointF(0, size.height()));
    fade.setColorAt(0, clear);
    fade.setColorAt(0.2, colour);
    fade.setColorAt(0.8, colour);
    fade.setColorAt(1, clear);
    painter.fillRect(QRectF(QPointF(0, 0), size), fade);
}

QColor grey(int level)
{
    return QColor(level, level, level);
}

} // namespace

void addAquaPictures(QList<Picture> &pictures)
{
    const QSizeF strip(8, 22);
    pictures.append({QStringLiteral("AquaTabsBackground"), strip, [](QPainter &p, const QSizeF &s) {
        drawFlippedStrip(p, s, grey(236), grey(206), grey(250), grey(150));
    }});
    pictures.append({QStringLiteral("AquaTabsDown"), strip, [](QPainter &p, const QSizeF &s) {
        drawFlippedStrip(p, s, QColor(176, 208, 246), QColor(112, 160, 226), QColor(210, 230, 252), QColor(70, 110, 170));
    }});
    pictures.append({QStringLiteral("AquaTabsDownGraphite"), strip, [](QPainter &p, const QSizeF &s) {
        drawFlippedStrip(p, s, QColor(206, 212, 220), QColor(150, 162, 176), QColor(228, 232, 236),
                         QColor(110, 118, 128));
    }});
    pictures.append({QStringLiteral("AquaTabsDownNonKey"), strip, [](QPainter &p, const QSizeF &s) {
        drawFlippedStrip(p, s, grey(224), grey(196), grey(238), grey(160));
    }});
    pictures.append({QStringLiteral("AquaTabsSeparator"), QSizeF(1, 22),
                     [](QPainter &p, const QSizeF &s) { drawSeparator(p, s, grey(140)); }});
    pictures.append({QStringLiteral("AquaTabsSeparatorDown"), QSizeF(1, 22),
                     [](QPainter &p, const QSizeF &s) { drawSeparator(p, s, grey(90)); }});
    pictures.append({QStringLiteral("AdiumGradient"), strip, [](QPainter &p, const QSizeF &s) {
        drawStrip(p, s, grey(253), grey(232), QColor(), QColor());
    }});
}

} // namespace TabBarArtwork
