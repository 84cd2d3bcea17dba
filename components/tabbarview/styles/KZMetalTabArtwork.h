#pragma once
// The pictures of the Metal tab style, drawn in code and registered once as images
// of the bundle "KZTabBarView" (platform::BundleImages):
// - "TabClose_Front", "TabClose_Front_Rollover", "TabClose_Front_Pressed": a grey
//   cross in a round button, 12 × 12 points; under the pointer on a darker disc,
//   pressed on a darker one still;
// - "TabClose_Dirty", "TabClose_Dirty_Rollover", "TabClose_Dirty_Pressed": the
//   edited tab's button, a dot that turns into the cross under the pointer;
// - "TabNewMetal", "TabNewMetalRollover", "TabNewMetalPressed": a plus sign, 16 ×
//   16 points.
// registerImages() is idempotent and thread-safe; imageNamed() runs it first.
#include <QIcon>
#include <QString>

namespace KZMetalTabArtwork {

void registerImages();
QIcon imageNamed(const QString &name);

} // namespace KZMetalTabArtwork
