#pragma once
// A colour-controls filter for layer pictures: saturation, then brightness, then
// contrast, applied to each pixel's colour without its alpha.
//   saturation s: c' = luma + s · (c − luma), luma = 0.2125 r + 0.7154 g + 0.0721 b
//   brightness b: c' = c + b
//   contrast k:   c' = (c − 0.5) · k + 0.5
// Each channel is clamped to [0, 1] at the end. The defaults (saturation 1,
// brightness 0, contrast 1) leave a picture as it is.
//
// A value type: copies are independent, any thread may use its own copy, and apply()
// reads only the filter and the picture it is given. A non-finite input is refused
// (the input keeps its value and the refusal is logged); a null picture gives a null
// picture.
#include <QImage>

namespace platform {

class ColorControlsFilter
{
public:
    static constexpr double DefaultSaturation = 1.0;
    static constexpr double DefaultBrightness = 0.0;
    static constexpr double DefaultContrast = 1.0;

    double saturation() const { return m_saturation; }
    void setSaturation(double saturation);
    double brightness() const { return m_brightness; }
    void setBrightness(double brightness);
    double contrast() const { return m_contrast; }
    void setContrast(double contrast);

    // The filtered copy, in ARGB32 with premultiplied alpha.
    QImage apply(const QImage &picture) const;

    bool operator==(const ColorControlsFilter &) const = default;

private:
    double m_saturation = DefaultSaturation;
    double m_brightness = DefaultBrightness;
    double m_contrast = DefaultContrast;
};

} // namespace platform
