#include "NTXAppKit/NTXCTGradient/NTXCTGradientEvaluation.h"

#include <algorithm>
#include <cmath>

namespace {

float clamp01(float value)
{
    if (std::isnan(value))
        return 0;
    return std::clamp(value, 0.0f, 1.0f);
}

void clampOut(float out[4])
{
    for (int i = 0; i < 4; ++i)
        out[i] = clamp01(out[i]);
}

void copyColor(const CTGradientElement &element, float out[4])
{
    out[0] = element.red;
    out[1] = element.green;
    out[2] = element.blue;
    out[3] = element.alpha;
}

// The bracketing stops of t: the lower and upper ones, or the first stop alone.
struct Bracket
{
    const CTGradientElement *lower;
    const CTGradientElement *upper;
};

Bracket bracket(std::span<const CTGradientElement> stops, float t)
{
    std::size_t lower = 0;
    std::size_t upper = stops.size() > 1 ? 1 : 0;
    while (t > stops[upper].position && upper + 1 < stops.size()) {
        lower = upper;
        ++upper;
    }
    if (t > stops[upper].position)
        lower = upper; // past the last stop: it is both
    return {&stops[lower], &stops[upper]};
}

// What the bracket rule picks: -1 the lower colour, 1 the upper one, 0 interpolate
// with the fraction.
int pick(const Bracket &b, float t, float &fraction)
{
    if (b.lower->position >= t)
        return -1;
    if (t >= b.upper->position)
        return 1;
    fraction = (t - b.lower->position) / (b.upper->position - b.lower->position);
    return 0;
}

void linearBlend(const CTGradientElement &lower, const CTGradientElement &upper, float f, float out[4])
{
    out[0] = lower.red + f * (upper.red - lower.red);
    out[1] = lower.green + f * (upper.green - lower.green);
    out[2] = lower.blue + f * (upper.blue - lower.blue);
    out[3] = lower.alpha + f * (upper.alpha - lower.alpha);
}

// Both stops in HSV with their hues resolved and put on the side the mode turns.
void hsvPair(const CTGradientElement &lower, const CTGradientElement &upper, bool reverse, float a[4], float b[4])
{
    a[0] = lower.red, a[1] = lower.green, a[2] = lower.blue, a[3] = lower.alpha;
    b[0] = upper.red, b[1] = upper.green, b[2] = upper.blue, b[3] = upper.alpha;
    NTXCTGradientRGBToHSV(a);
    NTXCTGradientRGBToHSV(b);
    NTXCTGradientResolveHue(a[0], b[0]);
    if (!reverse && a[0] > b[0])
        b[0] += 360;
    else if (reverse && b[0] > a[0])
        a[0] += 360;
}

void chromatic(std::span<const CTGradientElement> stops, float t, float out[4], bool reverse)
{
    if (stops.empty()) {
        out[0] = out[1] = out[2] = out[3] = 1;
        return;
    }
    const Bracket b = bracket(stops, t);
    float lower[4], upper[4];
    hsvPair(*b.lower, *b.upper, reverse, lower, upper);
    float f = 0;
    switch (pick(b, t, f)) {
    case -1:
        std::copy(lower, lower + 4, out);
        break;
    case 1:
        std::copy(upper, upper + 4, out);
        break;
    default:
        for (int i = 0; i < 4; ++i)
            out[i] = lower[i] + f * (upper[i] - lower[i]);
    }
    NTXCTGradientHSVToRGB(out);
    clampOut(out);
}

} // namespace

void NTXCTGradientLinearEvaluation(std::span<const CTGradientElement> stops, float t, float out[4])
{
    if (stops.empty()) {
        out[0] = out[1] = out[2] = out[3] = 1;
        return;
    }
    const Bracket b = bracket(stops, t);
    float f = 0;
    switch (pick(b, t, f)) {
    case -1:
        copyColor(*b.lower, out);
        break;
    case 1:
        copyColor(*b.upper, out);
        break;
    default:
        linearBlend(*b.lower, *b.upper, f, out);
    }
    clampOut(out);
}

void NTXCTGradientChromaticEvaluation(std::span<const CTGradientElement> stops, float t, float out[4])
{
    chromatic(stops, t, out, false);
}

void NTXCTGradientReverseChromaticEvaluation(std::span<const CTGradientElement> stops, float t, float out[4])
{
    chromatic(stops, t, out, true);
}

void NTXCTGradientEvaluate(int mode, std::span<const CTGradientElement> stops, float t, float out[4])
{
    switch (mode) {
    case NTXChromaticBlendingMode:
        NTXCTGradientChromaticEvaluation(stops, t, out);
        break;
    case NTXInverseChromaticBlendingMode:
        NTXCTGradientReverseChromaticEvaluation(stops, t, out);
        break;
    default:
        NTXCTGradientLinearEvaluation(stops, t, out);
    }
}

void NTXCTGradientBlend(int mode, const CTGradientElement &lower, const CTGradientElement &upper, float f,
                        float out[4])
{
    if (mode != NTXChromaticBlendingMode && mode != NTXInverseChromaticBlendingMode) {
        linearBlend(lower, upper, f, out);
    } else {
        float a[4], b[4];
        hsvPair(lower, upper, mode == NTXInverseChromaticBlendingMode, a, b);
        for (int i = 0; i < 4; ++i)
            out[i] = a[i] + f * (b[i] - a[i]);
        NTXCTGradientHSVToRGB(out);
    }
    clampOut(out);
}

void NTXCTGradientRGBToHSV(float hsv[3])
{
    const float r = hsv[0], g = hsv[1], b = hsv[2];
    const float M = std::max({r, g, b});
    const float m = std::min({r, g, b});
    float hue;
    if (M == m)
        hue = NAN;
    else if (M == r)
        hue = 60 * (g - b) / (M - m) + (g < b ? 360.0f : 0.0f);
    else if (M == g)
        hue = 60 * (b - r) / (M - m) + 120;
    else
        hue = 60 * (r - g) / (M - m) + 240;
    hsv[0] = hue;
    hsv[1] = M == 0 ? 0 : 1 - m / M;
    hsv[2] = M;
}

void NTXCTGradientHSVToRGB(float rgb[3])
{
    const float hue = std::isfinite(rgb[0]) ? rgb[0] : 0.0f;
    const float s = rgb[1], v = rgb[2];
    const float x = std::fmod(hue, 360.0f) / 60;
    const float whole = std::floor(x);
    if (whole < 0) {
        rgb[0] = rgb[1] = rgb[2] = 0;
        return;
    }
    const int i = static_cast<int>(whole);
    const float f = x - whole;
    const float p = v * (1 - s);
    const float q = v * (1 - s * f);
    const float t = v * (1 - s * (1 - f));
    float r, g, b;
    switch (i) {
    case 0: r = v, g = t, b = p; break;
    case 1: r = q, g = v, b = p; break;
    case 2: r = p, g = v, b = t; break;
    case 3: r = p, g = q, b = v; break;
    case 4: r = t, g = p, b = v; break;
    default: r = v, g = p, b = q; break;
    }
    rgb[0] = r, rgb[1] = g, rgb[2] = b;
}

void NTXCTGradientResolveHue(float &first, float &second)
{
    const bool firstUndefined = std::isnan(first);
    const bool secondUndefined = std::isnan(second);
    if (firstUndefined && secondUndefined)
        first = second = 0;
    else if (firstUndefined)
        first = second;
    else if (secondUndefined)
        second = first;
}
