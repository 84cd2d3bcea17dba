#include "components/tabbarview/styles/KZMetalTabArtwork.h"

#include "components/tabbarview/KZTabBarArtwork.h"
#include "platform/drawing/BundleImages.h"

#include <QPainter>

namespace KZMetalTabArtwork {

namespace {

enum class Look { Rest, Rollover, Pressed };

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

void drawCross(QPainter &painter, const QSizeF &size, const QColor &colour)
{
    painter.setPen(QPen(colour, size.width() / 8.0, Qt::SolidLine, Qt::RoundCap));
    const qreal inset = size.width() * 0.32;
    painter.drawLine(QPointF(inset, inset), QPointF(size.width() - inset, size.height() - inset));
    painter.drawLine(QPointF(size.width() - inset, inset), QPointF(inset, size.height() - inset));
}

void drawClose(QPainter &painter, const QSizeF &size, Look look, bool dirty)
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

void registerImages()
{
    static const bool registered = [] {
        using platform::BundleImages;
        const QString bundle = KZTabBarArtwork::BundleName;
        const struct
        {
            const char *suffix;
            Look look;
        } looks[] = {{"", Look::Rest}, {"_Rollover", Look::Rollover}, {"_Pressed", Look::Pressed}};
        for (const auto &entry : looks) {
            const Look look = entry.look;
            BundleImages::registerImage(bundle, QStringLiteral("TabClose_Front") + QLatin1String(entry.suffix),
                                        QSizeF(12, 12),
                                        [look](QPainter &p, const QSizeF &s) { drawClose(p, s, look, false); });
            BundleImages::registerImage(bundle, QStringLiteral("TabClose_Dirty") + QLatin1String(entry.suffix),
                                        QSizeF(12, 12),
                                        [look](QPainter &p, const QSizeF &s) { drawClose(p, s, look, true); });
        }
        BundleImages::registerImage(bundle, QStringLiteral("TabNewMetal"), QSizeF(16, 16),
                                    [](QPainter &p, const QSizeF &s) { drawPlus(p, s, Look::Rest); });
        BundleImages::registerImage(bundle, QStringLiteral("TabNewMetalRollover"), QSizeF(16, 16),
                                    [](QPainter &p, const QSizeF &s) { drawPlus(p, s, Look::Rollover); });
        BundleImages::registerImage(bundle, QStringLiteral("TabNewMetalPressed"), QSizeF(16, 16),
                                    [](QPainter &p, const QSizeF &s) { drawPlus(p, s, Look::Pressed); });
        return true;
    }();
    Q_UNUSED(registered);
}

QIcon imageNamed(const QString &name)
{
    registerImages();
    return platform::BundleImages::imageNamed(KZTabBarArtwork::BundleName, name);
}

} // namespace KZMetalTabArtwork
