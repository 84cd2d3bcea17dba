#pragma once
// Pieces the tab styles share: the six close-button images by type, their keyed
// archive, the tests the styles make of a bar and a button, and the washes and thin
// lines they draw. Stateless functions; GUI thread (they read widgets and paint).
#include <QColor>
#include <QIcon>
#include <QLineF>
#include <QList>
#include <QRectF>
#include <QString>
#include <array>

class QPainter;
class QWidget;
class KZAttachedTabBarButton;
class KZTabBarButtonCell;
class KZTabBarView;

namespace platform {
class Coder;
}

namespace KZTabStyleDrawing {

// Standard, rollover, pressed, dirty, dirty rollover, dirty pressed.
using CloseImages = std::array<QIcon, 6>;

// The close images of a style from the tab bar's pictures, in the order above: for
// instance "AquaTabClose_Front" and "AquaTabCloseDirty_Front".
CloseImages closeImagesNamed(const QString &standard, const QString &dirty);
// The image of a close-button type (KZCloseButtonImageType); null for other types.
QIcon closeImageOfType(const CloseImages &images, unsigned type);

// Keyed archives of images: each icon as the image it draws at its natural size
// under its key (none for the null icon). A coder without keys writes nothing.
void encodeImages(platform::Coder &coder, const QList<const QIcon *> &images, const QStringList &keys);
// Reads all keys first; fills the icons only when the coder did not fail. A coder
// without keys leaves them as they are and answers true.
bool decodeImages(platform::Coder &coder, const QList<QIcon *> &images, const QStringList &keys);

bool isVertical(const KZTabBarView *bar);
// A margin of a horizontal bar: the value there, 0 in a vertical bar.
qreal horizontalMargin(const KZTabBarView *bar, qreal margin);
// The stacking frame of a dragged tab made a point wider (a zero frame for none).
QRectF widenedStackingFrame(const KZAttachedTabBarButton *button);

// Rectangles in a tab's drawing rectangle d (the styles that lay tabs out themselves):
// - the close button's image fitted to d's height, vertically centred in d when
//   lower; x is left for the caller (d.x here);
QRectF fittedCloseButtonRect(const KZTabBarButtonCell &cell, const QRectF &d);
// - the icon fitted to d's height at d's top left, centred in a 16-point square when
//   smaller; none without an icon, or beside a large image in a vertical bar.
QRectF iconRectInColumn(const KZTabBarButtonCell &cell, const QRectF &d);
bool isSelected(const KZTabBarButtonCell &cell);
bool isSelected(const KZAttachedTabBarButton *button);
// A button that is not sliding and is marked as the overflow button.
bool isStillOverflowButton(const KZAttachedTabBarButton *button);
// The trailing divider of an unselected tab: shown as the button says, except beside a
// selected right neighbour that neither slides nor stands at the drop index.
bool showsTrailingDivider(const KZAttachedTabBarButton *button);
// The window of the view shows a visible toolbar.
bool hasVisibleToolbar(const QWidget *view);

QColor windowBackgroundColor();
// A rectangle washed with black at the alpha, composed source-atop.
void wash(QPainter &painter, const QRectF &rect, qreal alpha);
// Lines one point wide in the colour, anti-aliasing off.
void strokeLines(QPainter &painter, const QColor &colour, const QList<QLineF> &lines);

} // namespace KZTabStyleDrawing
