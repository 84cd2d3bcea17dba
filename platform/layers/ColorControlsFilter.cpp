#include "platform/layers/ColorControlsFilter.h"

#include <QLoggingCategory>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcColorControls, "chronark.layers.colorcontrols")

bool acceptable(double value, const char *input)
{
    if (std::isfinite(value))
        return true;
    qCInfo(lcColorControls).nospace() << "colour controls: " << input << " of " << value
                                      << " refused: not a finite number";
    return false;
}

} // namespace

void ColorControlsFilter::setSaturation(double saturation)
{
    if (acceptable(saturation, "saturation"))
        m_saturation = saturation;
}

void ColorControlsFilter::setBrightness(double brightness)
{
    if (acceptable(brightness, "brightness"))
        m_brightness = brightness;
}

void ColorControlsFilter::setContrast(double contrast)
{
    if (acceptable(contrast, "contrast"))
        m_contrast = contrast;
}

QImage ColorControlsFilter::apply(const QImage &picture) const
{
    if (picture.isNull())
        return {};
    // Work on straight colour so that a translucent pixel keeps its alpha and is
    // changed as an opaque one of its colour would be.
    QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const auto adjust = [this](double channel, double luma) {
        double c = luma + m_saturation * (channel - luma);
        c += m_brightness;
        c = (c - 0.5) * m_contrast + 0.5;
        return std::clamp(c, 0.0, 1.0);
    };
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            const double r = qRed(pixel) / 255.0;
            const double g = qGreen(pixel) / 255.0;
            const double b = qBlue(pixel) / 255.0;
            const double luma = 0.2125 * r + 0.7154 * g + 0.0721 * b;
            line[x] = qRgba(int(std::lround(adjust(r, luma) * 255)), int(std::lround(adjust(g, luma) * 255)),
                            int(std::lround(adjust(b, luma) * 255)), qAlpha(pixel));
        }
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace platform
