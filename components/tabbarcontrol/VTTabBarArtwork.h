#pragma once
// The pictures of the tab bar control, drawn in code and registered once as images of
// the control's bundle "VTTabBarControl" (platform::BundleImages), where the buttons
// and the styles look them up by name:
// - "overflowImage", "overflowImagePressed": two chevrons pointing right, 14 × 16;
// - "pi": the still progress mark of a drag image, 16 × 16;
// - "TabClose_Front", "TabClose_Dirty" with the suffixes "", "_Rollover",
//   "_Pressed": the Metal close button (a cross; an edited tab's is a dot until the
//   pointer is over it), 12 × 12;
// - "TabNewMetal", "TabNewMetalPressed", "TabNewMetalRollover": a plus, 16 × 16.
// Besides these, every picture of the shared tab bar artwork (TabBarArtwork: the Aqua
// and Adium strips and separators, the Aqua close and add-tab buttons) is an image of
// the same bundle. A name nobody registered answers the null icon (nothing is drawn, size zero).
// registerImages() is idempotent and thread-safe; every look-up runs it first.
#include <QIcon>
#include <QImage>
#include <QSizeF>
#include <QString>
#include <QVariant>

class QPainter;
class QPointF;

namespace VTTabBarArtwork {

inline const QString BundleName = QStringLiteral("VTTabBarControl");

void registerImages();
QIcon imageNamed(const QString &name);
// The natural size of an image of the bundle (empty for the null icon).
QSizeF sizeOf(const QIcon &image);
// An image as an archive holds it (a QImage at its natural size; none for the null
// icon), and back (the null icon for none).
QVariant archivedImage(const QIcon &image);
QIcon imageFromArchive(const QVariant &value);
// Whether an archived value can be an image (none or a QImage).
bool isArchivedImage(const QVariant &value);
// Draws the image with its top-left corner at the point, source-over, at the opacity.
void drawAtPoint(const QIcon &image, QPainter &painter, const QPointF &point, qreal fraction = 1.0);

} // namespace VTTabBarArtwork
