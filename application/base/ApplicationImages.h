#pragma once
// The application's images by the names the code asks for ("entry_job.tif",
// "application.icns", …). The files themselves are SVG drawings in the bundle's
// "images" folder; this is the one place that maps a name to its file.
//
// An icon's images are drawn once per process and kept (a few hundred kilobytes for
// all of them): asking again, as the toolbar does whenever the counter starts or
// stops, draws nothing. prepareIcons() draws them ahead on a pool thread. Every
// function may be called from any thread, but iconNamed() and compositeIcon() answer
// a QIcon, which belongs to the GUI thread.
#include <QIcon>
#include <QImage>
#include <QString>
#include <QStringList>

#include <utility>

namespace ApplicationImages {

// The bundle path of the file drawn for the name; empty for an unknown name.
QString pathForImageNamed(const QString &name);
// The image at its natural size times the scale (device pixels), null for an
// unknown name or an unreadable file.
QImage imageNamed(const QString &name, qreal scale = 1.0);
// An icon with the image at the usual sizes; null for an unknown name.
QIcon iconNamed(const QString &name);
// The base image with the overlay drawn over it at its origin, source over, at the
// base's size; the base alone when the overlay is missing.
QIcon compositeIcon(const QString &baseName, const QString &overlayName);

// Draws the images of the icons named (iconNamed) on a pool thread, in their order,
// then those of the composite icons of the pairs of a base and an overlay
// (compositeIcon), and returns at once; an icon asked for before its images are drawn
// is drawn by the caller, as without it. Unknown names are passed over.
void prepareIcons(const QStringList &names, const QList<std::pair<QString, QString>> &composites = {});

} // namespace ApplicationImages
