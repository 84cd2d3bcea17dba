#pragma once
// The pictures of both tab bars (the tab bar view and the tab bar control) and of
// their styles, drawn in code. registerImages() registers every one of them as an
// image of the named bundle (platform::BundleImages), so each bar finds them by the
// names its styles use, in its own bundle:
// - the bars' own buttons: "overflowImage", "overflowImagePressed" (14 × 16), the
//   still progress mark "pi" (16 × 16), the add-tab buttons "AquaTabNew…" (12 × 12)
//   and "TabNewMetal…" (16 × 16);
// - close buttons, about 12 × 12: "TabClose_Front…", "TabClose_Dirty…",
//   "AquaTabClose_Front…", "AquaTabCloseDirty_Front…" (each plain, "_Rollover" and
//   "_Pressed");
// - the Aqua and Adium strips, 22 high and even along their width: "AquaTabsBackground",
//   "AquaTabsDown", "AquaTabsDownGraphite", "AquaTabsDownNonKey", "AdiumGradient", and
//   the separators "AquaTabsSeparator", "AquaTabsSeparatorDown";
// - the Safari pictures ("SafariAW…" for an active window, "SafariIW…" otherwise):
//   background, selected tab caps and fill, separator caps, close buttons and the
//   add-tab button.
// The strips that are drawn "marked flipped" (the four Aqua backgrounds) are stored
// upside down, so that drawing them as into a y-up space shows them upright.
//
// Registration is idempotent per bundle and thread-safe (platform::BundleImages).
#include <QIcon>
#include <QString>
#include <QStringList>

namespace TabBarArtwork {

void registerImages(const QString &bundleName);
// Every picture name registerImages() registers.
QStringList imageNames();
// An image of the bundle, registering the pictures first.
QIcon imageNamed(const QString &bundleName, const QString &imageName);

} // namespace TabBarArtwork
