#pragma once
// The colour functions of NTXCTGradient: the stop record, the three evaluators that
// give the colour at a position of a list of stops (linear in RGBA, chromatic and
// reverse chromatic along the hue circle in HSV), and the colour-space conversions
// they use. Colours leave an evaluator with every component in [0, 1] (NaN as 0).
// The evaluators walk the list from the start for each position and allocate nothing.
// Threads: reentrant; pure functions over the caller's data.
#include <span>

// One colour stop: components in [0, 1], position along the gradient in [0, 1].
struct CTGradientElement
{
    float red = 0;
    float green = 0;
    float blue = 0;
    float alpha = 0;
    float position = 0;
};

// The blending modes; any other value evaluates as linear.
enum NTXCTGradientBlendingMode : int {
    NTXLinearBlendingMode = 0,
    NTXChromaticBlendingMode = 1,
    NTXInverseChromaticBlendingMode = 2
};

// Each writes red, green, blue and alpha at position t for stops sorted by position;
// an empty list gives opaque white.
void NTXCTGradientLinearEvaluation(std::span<const CTGradientElement> stops, float t, float out[4]);
void NTXCTGradientChromaticEvaluation(std::span<const CTGradientElement> stops, float t, float out[4]);
void NTXCTGradientReverseChromaticEvaluation(std::span<const CTGradientElement> stops, float t, float out[4]);
// The evaluator of a mode (linear for an unknown one).
void NTXCTGradientEvaluate(int mode, std::span<const CTGradientElement> stops, float t, float out[4]);
// The blend between two stops at fraction f (0 the lower, 1 the upper) as a mode does
// it, without picking: what the drawing samples between two stops.
void NTXCTGradientBlend(int mode, const CTGradientElement &lower, const CTGradientElement &upper, float f,
                        float out[4]);

// In place: red, green, blue → hue (degrees, NaN when undefined), saturation, value.
void NTXCTGradientRGBToHSV(float hsv[3]);
// In place: hue (degrees, taken modulo 360 keeping its sign; negative gives black),
// saturation, value → red, green, blue.
void NTXCTGradientHSVToRGB(float rgb[3]);
// An undefined hue takes the other; both undefined become 0.
void NTXCTGradientResolveHue(float &first, float &second);
