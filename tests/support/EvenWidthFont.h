#pragma once
// A font whose every printable ASCII character (U+0020 to U+007E) is half an em wide,
// for tests whose expected widths come from text: a text of n such characters in the
// font at pixel size p is exactly n × p / 2 wide (use an even p), with no kerning.
// Each character but the space draws a filled bar of 0.4 em, from the baseline to 0.7
// em up; the ascent is 0.8 em and the descent 0.2 em. Other characters are not in the
// font (Qt takes them from another one).
//
// The font is built in memory and registered with the application's font database on
// first use (a QGuiApplication must exist); it stays registered for the life of the
// process. GUI thread only. Failures: a font the database refuses fails the calling
// test (the answer is then the application's font).
#include <QFont>

namespace testsupport {

// The even-width font at the pixel size.
QFont evenWidthFont(int pixelSize);

} // namespace testsupport
