#include "components/tabbarartwork/TabBarArtworkDrawings.h"
#include "components/tabbarartwork/TabBarArtworkLook.h"

#include <QPainter>

namespace TabBarArtwork {

namespace {

// The Metal close button: a grey cross that gets a dark disc under the pointer; the
// edited tab's button is a dot until the pointer comes.
void drawMetalClose(QPainter &painter, const QSizeF &size, Look look, bool dirty)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(discColour(look));
    painter.drawEllipse(QRectF(QPointF(0, 0), size));
    const QColor mark = look == Look::Rest ? QColor(70, 70, 70) : QColor(250, 250, 250);
    if (dirty && look == Look::Rest) {
        painter.setBrush(mark);
        const qreal d = size.width() * 0.42;
        painter.drawEllipse(QRectF((size.width() - d) / 2, (size.height() - d) / 2, d, d));
        return;
    }
    drawCross(painter, size, mark);
}

// The Aqua close button: a light grey ball with a dark cross, a mid grey ball under
// the pointer and a dark one while pressed; the edited tab's ball carries a ring
// around a dot instead of the cross.
void drawAquaClose(QPainter &painter, const QSizeF &size, Look look, bool dirty)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF ball = QRectF(QPointF(0, 0), size).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor top, bottom, mark;
    switch (look) {
    case Look::Rest:
        top = QColor(214, 214, 214);
        bottom = QColor(176, 176, 176);
        mark = QColor(78, 78, 78);
        break;
    case Look::Rollover:
        top = QColor(160, 160, 160);
        bottom = QColor(120, 120, 120);
        mark = QColor(255, 255, 255);
        break;
    case Look::Pressed:
        top = QColor(100, 100, 100);
        bottom = QColor(64, 64, 64);
        mark = QColor(235, 235, 235);
        break;
    }
    QLinearGradient fill(ball.topLeft(), ball.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    painter.setPen(QPen(bottom.darker(125), size.width() / 16.0));
    painter.setBrush(fill);
    painter.drawEllipse(ball);
    if (dirty && look == Look::Rest) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(mark);
        const qreal d = size.width() * 0.36;
        painter.drawEllipse(QRectF((size.width() - d) / 2, (size.height() - d) / 2, d, d));
        return;
    }
    drawCross(painter, size, mark, 7.0);
}

} // namespace

void addClosePictures(QList<Picture> &pictures)
{
    const struct
    {
        const char *suffix;
        Look look;
    } looks[] = {{"", Look::Rest}, {"_Rollover", Look::Rollover}, {"_Pressed", Look::Pressed}};
    for (const auto &entry : looks) {
        const Look look = entry.look;
        const QLatin1String suffix(entry.suffix);
        pictures.append({QStringLiteral("TabClose_Front") + suffix, QSizeF(12, 12),
                         [look](QPainter &p, const QSizeF &s) { drawMetalClose(p, s, look, false); }});
        pictures.append({QStringLiteral("TabClose_Dirty") + suffix, QSizeF(12, 12),
                         [look](QPainter &p, const QSizeF &s) { drawMetalClose(p, s, look, true); }});
        pictures.append({QStringLiteral("AquaTabClose_Front") + suffix, QSizeF(12, 12),
                         [look](QPainter &p, const QSizeF &s) { drawAquaClose(p, s, look, false); }});
        pictures.append({QStringLiteral("AquaTabCloseDirty_Front") + suffix, QSizeF(12, 12),
                         [look](QPainter &p, const QSizeF &s) { drawAquaClose(p, s, look, true); }});
    }
}

} // namespace TabBarArtwork
