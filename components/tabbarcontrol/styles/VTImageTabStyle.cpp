#include "components/tabbarcontrol/styles/VTImageTabStyle.h"

#include "components/tabbarcontrol/VTTabBarArtwork.h"
#include "components/tabbarcontrol/VTTabBarCell.h"
#include "components/tabbarcontrol/VTTabBarControl.h"
#include "components/tabbarcontrol/styles/VTTabStyleDrawing.h"

#include <QPainter>

using namespace VTTabStyleDrawing;

namespace {

QIcon image(const char *name)
{
    return VTTabBarArtwork::imageNamed(QString::fromLatin1(name));
}

} // namespace

VTImageTabStyle::VTImageTabStyle(const ButtonImageNames &names)
    : m_close{image(names[0]), image(names[1]), image(names[2]), image(names[3]), image(names[4]), image(names[5])}
    , m_addTabButtonImage(image(names[6]))
    , m_addTabButtonPressedImage(image(names[7]))
    , m_addTabButtonRolloverImage(image(names[8]))
{
}

VTTabBarControl *VTImageTabStyle::tabBar() const
{
    return m_tabBar;
}

qreal VTImageTabStyle::closeWidth() const
{
    return VTTabBarArtwork::sizeOf(m_close[0]).width();
}

QRectF VTImageTabStyle::iconRectAt(const VTTabBarCell *cell, qreal top) const
{
    if (!cell || !cell->hasIcon())
        return {};
    const QRectF f = frameOf(cell);
    const qreal x = f.x() + MarginX + (showsCloseButton(cell) ? closeWidth() + Gap : 0);
    return QRectF(x, f.y() + top, IconSize, IconSize);
}

QRectF VTImageTabStyle::indicatorRectAt(const VTTabBarCell *cell, qreal top) const
{
    if (!showsIndicator(cell))
        return {};
    const QRectF f = frameOf(cell);
    return QRectF(f.x() + f.width() - MarginX - IconSize, f.y() + top, IconSize, IconSize);
}

QRectF VTImageTabStyle::objectCounterRectForTabCell(const VTTabBarCell *cell) const
{
    return counterRect(*this, cell);
}

qreal VTImageTabStyle::minimumWidthOfTabCell(const VTTabBarCell *cell) const
{
    return minimumWidth(*this, cell, closeWidth());
}

qreal VTImageTabStyle::desiredWidthOfTabCell(const VTTabBarCell *cell) const
{
    return desiredWidth(*this, cell, closeWidth());
}

VTAttributedString VTImageTabStyle::attributedObjectCountValueForTabCell(const VTTabBarCell *cell) const
{
    return countString(cell);
}

void VTImageTabStyle::drawContents(const VTTabBarCell *cell, const QRectF &k, qreal titleY, qreal titleHeight,
                                   qreal counterShift, const QColor &counterFill, QPainter &painter) const
{
    qreal x0 = k.x() + MarginX;
    if (showsCloseButton(cell)) {
        const QIcon picture = closeImage(cell, m_close);
        VTTabBarArtwork::drawAtPoint(picture, painter, cell->closeButtonRectForFrame(k).topLeft());
        x0 += VTTabBarArtwork::sizeOf(picture).width() + Gap;
    }
    if (cell->hasIcon()) {
        const QRectF rect = iconRectForTabCell(cell);
        drawIcon(painter, tabIcon(cell), rect.topLeft());
        x0 += rect.width() + Gap;
    }
    QRectF title(x0, titleY, k.width() - (x0 - k.x()) - Gap, titleHeight);
    if (showsIndicator(cell))
        title.setWidth(title.width() - IndicatorSlot);
    if (cell->count() > 0) {
        const QRectF c = objectCounterRectForTabCell(cell).translated(0, counterShift);
        drawCounter(painter, c, cell, counterFill, attributedObjectCountValueForTabCell(cell));
        title.setWidth(title.width() - (c.width() + Gap));
    }
    cell->attributedStringValue().drawInRect(painter, title);
}
