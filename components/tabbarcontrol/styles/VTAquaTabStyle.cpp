#include "components/tabbarcontrol/styles/VTAquaTabStyle.h"

#include "components/tabbarcontrol/VTTabBarArtwork.h"
#include "components/tabbarcontrol/VTTabBarCell.h"
#include "components/tabbarcontrol/VTTabBarControl.h"
#include "components/tabbarcontrol/styles/VTTabStyleDrawing.h"
#include "platform/drawing/ControlTint.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/WindowChrome.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace VTTabStyleDrawing;
using platform::ControlTint;

namespace {

// One column, 22 high, of a background strip stretched over the target. The strips
// are stored for a y-up space; the bar is y down, so they are turned over here.
void drawSlice(QPainter &painter, const QIcon &image, const QRectF &target)
{
    if (image.isNull() || target.isEmpty())
        return;
    const QImage strip = image.pixmap(QSize(8, 22), 1.0).toImage().mirrored(false, true);
    painter.drawImage(target, strip, QRectF(0, 0, 1, std::min(22, strip.height())));
}

QIcon image(const char *name)
{
    return VTTabBarArtwork::imageNamed(QString::fromLatin1(name));
}

} // namespace

VTAquaTabStyle::VTAquaTabStyle()
    : VTImageTabStyle(AquaButtonImages)
    , m_aquaTabBg(image("AquaTabsBackground"))
    , m_aquaTabBgDown(image("AquaTabsDown"))
    , m_aquaTabBgDownGraphite(image("AquaTabsDownGraphite"))
    , m_aquaTabBgDownNonKey(image("AquaTabsDownNonKey"))
    , m_aquaDividerDown(image("AquaTabsSeparatorDown"))
    , m_aquaDivider(image("AquaTabsSeparator"))
{
}

QRectF VTAquaTabStyle::dragRectForTabCell(const VTTabBarCell *cell, int) const
{
    return frameOf(cell);
}

QRectF VTAquaTabStyle::closeButtonRectForTabCell(const VTTabBarCell *cell, const QRectF &frame) const
{
    if (!cell || !cell->hasCloseButton())
        return {};
    return QRectF(QPointF(frame.x() + MarginX, frame.y() + 5), VTTabBarArtwork::sizeOf(m_close[0]));
}

QRectF VTAquaTabStyle::iconRectForTabCell(const VTTabBarCell *cell) const
{
    return iconRectAt(cell, 3);
}

QRectF VTAquaTabStyle::indicatorRectForTabCell(const VTTabBarCell *cell) const
{
    return indicatorRectAt(cell, 3);
}

VTAttributedString VTAquaTabStyle::attributedStringValueForTabCell(const VTTabBarCell *cell) const
{
    VTAttributedString text;
    text.string = cell ? cell->stringValue() : QString();
    text.attributes.font = systemFont11();
    text.alignment = NTXNSStringExtension::CenterTextAlignment;
    return text;
}

QString VTAquaTabStyle::selectedImageName(const VTTabBarCell *cell) const
{
    unsigned tint = cell ? ControlTint::resolved(cell->controlTint()) : ControlTint::currentControlTint();
    const VTTabBarControl *control = cell ? cell->controlView() : nullptr;
    if (!control || !platform::WindowChrome::isWindowActive(control))
        tint = ControlTint::Clear;
    if (tint == ControlTint::Clear)
        return QStringLiteral("AquaTabsDownNonKey");
    return tint == ControlTint::Graphite ? QStringLiteral("AquaTabsDownGraphite") : QStringLiteral("AquaTabsDown");
}

void VTAquaTabStyle::drawTabCell(const VTTabBarCell *cell, QPainter &painter)
{
    if (!cell)
        return;
    const QRectF f = cell->frame();
    if (isSelected(cell)) {
        const QString name = selectedImageName(cell);
        const QIcon &background = name == QLatin1String("AquaTabsDownNonKey") ? m_aquaTabBgDownNonKey
                                  : name == QLatin1String("AquaTabsDownGraphite") ? m_aquaTabBgDownGraphite
                                                                                  : m_aquaTabBgDown;
        drawSlice(painter, background, f);
    } else if (cell->isHighlighted()) {
        drawHighlight(painter, QRectF(f.x() + 0.5, f.y() + 0.5, f.width(), f.height()));
    }
    // The divider hangs from the tab's bottom edge in the unflipped picture: in the
    // flipped bar it stands over the whole height at the right edge.
    const QSizeF divider = VTTabBarArtwork::sizeOf(m_aquaDivider);
    VTTabBarArtwork::drawAtPoint(m_aquaDivider, painter, QPointF(f.x() + f.width() - 1, f.y() + f.height() - divider.height()));
    drawInteriorWithTabCell(cell, cell->controlView(), painter);
}

void VTAquaTabStyle::drawInteriorWithTabCell(const VTTabBarCell *cell, QWidget *, QPainter &painter)
{
    if (!cell)
        return;
    const QRectF f = cell->frame();
    drawContents(cell, f, f.y() + 4, f.height(), 0, platform::SystemColors::calibratedWhite(0.3, 0.45), painter);
}

void VTAquaTabStyle::drawBackgroundInRect(QPainter &painter, const QRectF &rect)
{
    if (rect.height() > 22)
        return;
    drawSlice(painter, m_aquaTabBg, m_tabBar ? QRectF(m_tabBar->rect()) : QRectF());
}

void VTAquaTabStyle::drawTabBar(VTTabBarControl *control, QPainter &painter, const QRectF &rect)
{
    if (!control)
        return;
    if (m_tabBar != control)
        m_tabBar = control;
    drawBackgroundInRect(painter, rect);
    drawCells(control, painter, rect);
}
