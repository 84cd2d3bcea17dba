#pragma once
// The application's images by the names the code asks for ("entry_job.tif",
// "application.icns", …). The files themselves are SVG drawings in the bundle's
// "images" folder; this is the one place that maps a name to its file.
#include <QIcon>
#include <QImage>
#include <QString>

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

} // namespace ApplicationImages
