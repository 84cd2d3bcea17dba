#pragma once
// The system colours that controls are drawn with, taken from the application's
// palette (QApplication::palette()) at the moment of the call, so that drawing
// follows the desktop's colour scheme; and the fixed colours that do not change
// with it. Every function answers a new value; nothing is cached.
//
// "Device" and "calibrated" colours of the platform are plain sRGB here:
// deviceRGB() and calibratedWhite() build them with components in [0, 1].
//
// Threading: the palette functions read the application's palette and belong to
// the thread that runs the QApplication; the fixed colours are safe anywhere.
#include <QColor>

namespace platform::SystemColors {

// ---- From the palette (active colour group unless said otherwise) ----
// Shadows of control edges: QPalette::Dark.
QColor controlShadowColor();
// The darker shadow of control edges: QPalette::Shadow.
QColor controlDarkShadowColor();
// Grid and separator lines: QPalette::Mid.
QColor gridColor();
// The light edge of a control: QPalette::Light.
QColor controlHighlightColor();
// The background of controls that show content (lists, text): QPalette::Base.
QColor controlBackgroundColor();
// Titles of enabled controls: QPalette::ButtonText.
QColor controlTextColor();
// Titles of disabled controls: QPalette::ButtonText of the disabled group.
QColor disabledControlTextColor();
// Selected text and the background behind it: HighlightedText and Highlight.
QColor selectedTextColor();
QColor selectedTextBackgroundColor();
// The keyboard focus ring: QPalette::Highlight.
QColor keyboardFocusIndicatorColor();
// The face and text of a selected control (a chosen segment, a selected row):
// Highlight and HighlightedText.
QColor selectedControlColor();
QColor selectedControlTextColor();
// The face of a selection in a control that does not have the focus: QPalette::Midlight.
QColor secondarySelectedControlColor();

// ---- Fixed ----
QColor blackColor();     // white 0
QColor darkGrayColor();  // white 1/3
QColor grayColor();      // white 0.5
QColor lightGrayColor(); // white 2/3
QColor whiteColor();     // white 1
QColor clearColor();     // black with alpha 0

// An sRGB colour from components in [0, 1] (clamped).
QColor deviceRGB(qreal red, qreal green, qreal blue, qreal alpha = 1.0);
// A grey of the given white level in [0, 1] (clamped).
QColor calibratedWhite(qreal white, qreal alpha = 1.0);
// The colour with its alpha replaced (clamped to [0, 1]).
QColor withAlpha(const QColor &color, qreal alpha);
// The colour moved the fraction of the way towards another one, component by
// component (alpha included); a fraction of 0 answers the colour, 1 the other.
QColor blended(const QColor &color, qreal fraction, const QColor &other);

} // namespace platform::SystemColors
