#pragma once
// The pictures of the tab bars, drawn in code and registered once as images of the
// bundle "KZTabBarView" (platform::BundleImages), where the bars and their styles
// look them up by name:
// - "overflowImage": a double chevron pointing right, 14 × 16 points;
//   "overflowImagePressed": the same, darker;
// - "pi": the still progress mark a drag image shows where a tab's indicator spins,
//   16 × 16 points;
// - "AquaTabNew", "AquaTabNewPressed", "AquaTabNewRollover": the add-tab button of
//   the bar, a round button with a plus sign, 12 × 12 points.
// registerImages() is idempotent and thread-safe; every accessor runs it first.
#include <QIcon>
#include <QSizeF>
#include <QString>

namespace KZTabBarArtwork {

inline const QString BundleName = QStringLiteral("KZTabBarView");

void registerImages();
// An image of the bundle by name (the null icon for an unknown name).
QIcon imageNamed(const QString &name);

QIcon overflowImage();
QIcon overflowImagePressed();
QIcon progressMark();
QSizeF progressMarkSize();

} // namespace KZTabBarArtwork
