#pragma once
// A theme: the colours, gradients, shadows and opacities that themed cells and views
// draw with, answered for a drawing state. Themes are stateless objects shared by
// every control that names them (see NTXThemeManager); every answer is a new value.
// An empty std::optional is "none": the caller skips that drawing step.
//
// The state mask that most operations take is a set of the bits below, built by the
// caller for each call: (Disabled when the control is disabled) + (Highlighted when it
// is highlighted or on), with Inactive or'ed in for an inactive look. Themes test the
// bits in the order Disabled, Inactive, then Pushed or Highlighted, so a disabled mask
// wins over every other bit.
//
// Threading: themes are immutable; their answers read the application palette (system
// colours), so they are asked on the GUI thread.
#include "platform/drawing/Cell.h"
#include "platform/drawing/Gradient.h"
#include "platform/drawing/Shadow.h"

#include <QColor>
#include <optional>

class NTXTheme
{
public:
    using BackgroundStyle = platform::Cell::BackgroundStyle;

    static constexpr unsigned StateDisabled = 1;
    static constexpr unsigned StateInactive = 2;
    static constexpr unsigned StateHighlighted = 4; // highlighted, or on
    static constexpr unsigned StatePushed = 8;

    virtual ~NTXTheme() = default;

    // The background style of the theme's surfaces (light or dark).
    virtual BackgroundStyle backgroundStyle() const = 0;
    virtual platform::Shadow focusRing() const = 0;
    // Light outlines, dark outlines, grid and separator lines.
    virtual std::optional<QColor> strokeColorForStateMask(unsigned mask) const = 0;
    virtual std::optional<QColor> darkStrokeColorForStateMask(unsigned mask) const = 0;
    virtual std::optional<QColor> gridColorForStateMask(unsigned mask) const = 0;
    // Flat fills.
    virtual std::optional<QColor> fillColorForStateMask(unsigned mask) const = 0;
    // The angle (degrees) the gradients below are drawn at.
    virtual qreal gradientAngleForStateMask(unsigned mask) const = 0;
    // Bezels; the four-stop gradient of square bezels; the gradient of single border sides.
    virtual std::optional<platform::Gradient> gradientForStateMask(unsigned mask) const = 0;
    virtual std::optional<platform::Gradient> complexGradientForStateMask(unsigned mask) const = 0;
    virtual std::optional<platform::Gradient> borderSideGradientForStateMask(unsigned mask) const = 0;
    // Titles and glyphs; selected text and the background behind it.
    virtual std::optional<QColor> textColorForBackgroundStyle(BackgroundStyle style, unsigned mask) const = 0;
    virtual std::optional<QColor> selectedTextColorForBackgroundStyle(BackgroundStyle style, unsigned mask) const = 0;
    virtual std::optional<QColor> selectedTextBackgroundColorForBackgroundStyle(BackgroundStyle style,
                                                                                unsigned mask) const = 0;
    // The opacity of drawing in that state, and of images on that background.
    virtual qreal alphaValueForStateMask(unsigned mask) const = 0;
    virtual qreal alphaValueForBackgroundStyle(BackgroundStyle style, unsigned mask) const = 0;
    // Whether controls draw the drop shadow.
    virtual bool applyShadows() const = 0;
    virtual platform::Shadow dropShadow() const = 0;
    virtual std::optional<platform::Shadow> dropShadowForBackgroundStyle(BackgroundStyle style) const = 0;
};
