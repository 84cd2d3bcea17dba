#include "components/tabbarartwork/TabBarArtworkDrawings.h"
#include "components/tabbarartwork/TabBarArtworkLook.h"

#include <QLinearGradient>
#include <algorithm>
#include <QPainter>
#include <QPainterPath>

namespace TabBarArtwork {

namespace {

QColor grey(int level)
{
    return QColor(level, level, level);
}

// The colours of one window activity.
struct Palette
{
    QColor barTop, barBottom, barLine;
    QColor tabTop, tabBottom, tabOutline;
    QColor separator, separatorLight;
    int closeSelected, closeUnselected; // disc grey at rest; darker under the pointer and pressed
};

const Palette Active{grey(150), grey(170), grey(92), grey(214), grey(194), grey(104), grey(110), grey(186), 150, 122};
const Palette Inactive{grey(204), grey(214), grey(150), grey(236), grey(226), grey(160), grey(168), grey(228), 186, 170};

void drawBackground(QPainter &painter, const QSizeF &size, const Palette &palette)
{
    const QRectF all(QPointF(0, 0), size);
    QLinearGradient fill(all.topLeft(), all.bottomLeft());
    fill.setColorAt(0, palette.barTop);
    fill.setColorAt(1, palette.barBottom);
    painter.fillRect(all, fill);
    painter.fillRect(QRectF(0, 0, size.width(), size.height() / 22.0), palette.barLine);
}

QLinearGradient tabFill(const QSizeF &size, const Palette &palette)
{
    QLinearGradient fill(QPointF(0, 0), QPointF(0, size.height()));
    fill.setColorAt(0, palette.tabTop);
    fill.setColorAt(1, palette.tabBottom);
    return fill;
}

// The selected tab's fill: open at the top, outlined along the bottom.
void drawTabFill(QPainter &painter, const QSizeF &size, const Palette &palette)
{
    painter.fillRect(QRectF(QPointF(0, 0), size), tabFill(size, palette));
    painter.fillRect(QRectF(0, size.height() - size.height() / 22.0, size.width(), size.height() / 22.0),
                     palette.tabOutline);
}

// The selected tab's left cap: the tab's side running down into a rounded bottom
// corner; right of the side the tab's fill, left of it nothing. The right cap is its
// mirror image.
void drawTabCap(QPainter &painter, const QSizeF &size, const Palette &palette, bool right)
{
    painter.save();
    if (right) {
        painter.translate(size.width(), 0);
        painter.scale(-1, 1);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width(), h = size.height(), r = std::min(w - 1.5, h / 3);
    QPainterPath shape;
    shape.moveTo(0.5, 0);
    shape.lineTo(0.5, h - r - 0.5);
    shape.quadTo(0.5, h - 0.5, 0.5 + r, h - 0.5);
    shape.lineTo(w, h - 0.5);
    shape.lineTo(w, 0);
    shape.closeSubpath();
    painter.fillPath(shape, tabFill(size, palette));
    QPainterPath outline;
    outline.moveTo(0.5, 0);
    outline.lineTo(0.5, h - r - 0.5);
    outline.quadTo(0.5, h - 0.5, 0.5 + r, h - 0.5);
    outline.lineTo(w, h - 0.5);
    painter.strokePath(outline, QPen(palette.tabOutline, 1.0));
    painter.restore();
}

// A separator between unselected tabs: a dark line with a light one beside it, on
// the cap's outer edge.
void drawSeparatorCap(QPainter &painter, const QSizeF &size, const Palette &palette, bool right)
{
    const qreal inset = size.height() * 4.0 / 22.0;
    const qreal length = size.height() - 2 * inset;
    const qreal line = size.width() / 2;
    const qreal dark = right ? size.width() - line : 0;
    const qreal light = right ? 0 : line;
    painter.fillRect(QRectF(dark, inset, line, length), palette.separator);
    painter.fillRect(QRectF(light, inset, line, length), palette.separatorLight);
}

void drawClose(QPainter &painter, const QSizeF &size, int disc, Look look)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const int level = look == Look::Rest ? disc : look == Look::Rollover ? disc - 40 : disc - 75;
    painter.setPen(Qt::NoPen);
    painter.setBrush(grey(std::max(0, level)));
    painter.drawEllipse(QRectF(QPointF(0, 0), size).adjusted(0.5, 0.5, -0.5, -0.5));
    drawCross(painter, size, grey(250), 7.0);
}

void drawAddButton(QPainter &painter, const QSizeF &size, Look look)
{
    painter.setRenderHint(QPainter::Antialiasing);
    if (look != Look::Rest) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(look == Look::Rollover ? QColor(0, 0, 0, 40) : QColor(0, 0, 0, 90));
        painter.drawRoundedRect(QRectF(QPointF(0, 0), size).adjusted(3, 3, -3, -3), 3, 3);
    }
    const QColor mark = look == Look::Pressed ? grey(20) : look == Look::Rollover ? grey(40) : grey(72);
    painter.setPen(QPen(mark, size.width() / 11.0, Qt::SolidLine, Qt::RoundCap));
    const qreal cx = size.width() / 2, cy = size.height() / 2, arm = size.width() * 0.2;
    painter.drawLine(QPointF(cx - arm, cy), QPointF(cx + arm, cy));
    painter.drawLine(QPointF(cx, cy - arm), QPointF(cx, cy + arm));
}

} // namespace

void addSafariPictures(QList<Picture> &pictures)
{
    const struct
    {
        const char *prefix;
        const Palette *palette;
    } windows[] = {{"SafariAW", &Active}, {"SafariIW", &Inactive}};
    const struct
    {
        const char *suffix;
        Look look;
    } looks[] = {{"", Look::Rest}, {"Rollover", Look::Rollover}, {"Pressed", Look::Pressed}};
    for (const auto &window : windows) {
        const Palette palette = *window.palette;
        const QString prefix = QLatin1String(window.prefix);
        pictures.append({prefix + QStringLiteral("BG"), QSizeF(8, 22),
                         [palette](QPainter &p, const QSizeF &s) { drawBackground(p, s, palette); }});
        pictures.append({prefix + QStringLiteral("ATFill"), QSizeF(8, 22),
                         [palette](QPainter &p, const QSizeF &s) { drawTabFill(p, s, palette); }});
        pictures.append({prefix + QStringLiteral("ATLeftCap"), QSizeF(8, 22),
                         [palette](QPainter &p, const QSizeF &s) { drawTabCap(p, s, palette, false); }});
        pictures.append({prefix + QStringLiteral("ATRightCap"), QSizeF(8, 22),
                         [palette](QPainter &p, const QSizeF &s) { drawTabCap(p, s, palette, true); }});
        pictures.append({prefix + QStringLiteral("ITLeftCap"), QSizeF(2, 22),
                         [palette](QPainter &p, const QSizeF &s) { drawSeparatorCap(p, s, palette, false); }});
        pictures.append({prefix + QStringLiteral("ITRightCap"), QSizeF(2, 22),
                         [palette](QPainter &p, const QSizeF &s) { drawSeparatorCap(p, s, palette, true); }});
        for (const auto &entry : looks) {
            const Look look = entry.look;
            const QLatin1String suffix(entry.suffix);
            pictures.append({prefix + QStringLiteral("ATClose") + suffix, QSizeF(12, 12),
                             [palette, look](QPainter &p, const QSizeF &s) {
                drawClose(p, s, palette.closeSelected, look);
            }});
            pictures.append({prefix + QStringLiteral("ITClose") + suffix, QSizeF(12, 12),
                             [palette, look](QPainter &p, const QSizeF &s) {
                drawClose(p, s, palette.closeUnselected, look);
            }});
        }
    }
    pictures.append({QStringLiteral("SafariAWAddTabButton"), QSizeF(22, 22),
                     [](QPainter &p, const QSizeF &s) { drawAddButton(p, s, Look::Rest); }});
    pictures.append({QStringLiteral("SafariAWAddTabButtonRolloverPlus"), QSizeF(22, 22),
                     [](QPainter &p, const QSizeF &s) { drawAddButton(p, s, Look::Rollover); }});
    pictures.append({QStringLiteral("SafariAWAddTabButtonPushed"), QSizeF(22, 22),
                     [](QPainter &p, const QSizeF &s) { drawAddButton(p, s, Look::Pressed); }});
}

} // namespace TabBarArtwork
