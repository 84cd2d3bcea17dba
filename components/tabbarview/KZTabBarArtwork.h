#pragma once
// The pictures of the tab bar view and its styles: the shared tab bar pictures
// (components/tabbarartwork, where each is listed) registered as images of the bundle
// "KZTabBarView", where the bar, its buttons and its styles look them up by name.
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
