#include "components/scopebar/SRTextMetrics.h"

#include "platform/drawing/Cell.h"

#include <QFontMetricsF>
#include <cmath>

namespace {
SRTextMetrics::Measurer &measurer()
{
    static SRTextMetrics::Measurer function;
    return function;
}
} // namespace

qreal SRTextMetrics::width(const QString &text, const QFont &font)
{
    if (measurer())
        return measurer()(text, font);
    return QFontMetricsF(font).horizontalAdvance(text);
}

void SRTextMetrics::setMeasurer(Measurer function)
{
    measurer() = std::move(function);
}

QFont SRTextMetrics::boldSystemFont(qreal pixels)
{
    QFont font = platform::Cell::systemFontForControlSize(platform::Cell::ControlSize::Regular);
    font.setPixelSize(std::max(1, int(std::lround(pixels))));
    font.setBold(true);
    return font;
}

int SRTextMetrics::smallSystemFontSize()
{
    static const int size = [] {
        const QFont font = platform::Cell::systemFontForControlSize(platform::Cell::ControlSize::Small);
        return int(font.pixelSize() > 0 ? font.pixelSize() : std::trunc(font.pointSizeF()));
    }();
    return size;
}
