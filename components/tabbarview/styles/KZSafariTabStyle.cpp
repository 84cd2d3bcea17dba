#include "components/tabbarview/styles/KZSafariTabStyle.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZOverflowPopUpButton.h"
#include "components/tabbarview/KZRolloverButton.h"
#include "components/tabbarview/KZTabBarArtwork.h"
#include "components/tabbarview/KZTabBarButtonCell.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/styles/KZMetalTabStyle.h"
#include "components/tabbarview/styles/KZTabStyleDrawing.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/ThreePartImage.h"

#include <QPainter>

using namespace KZTabStyleDrawing;
using platform::ThreePartImage;
namespace colors = platform::SystemColors;

namespace {

const bool registered = platform::CodingRegistry::registerClass<KZSafariTabStyle>(QStringLiteral("KZSafariTabStyle"));

QString windowPrefix(bool active)
{
    return active ? QStringLiteral("SafariAW") : QStringLiteral("SafariIW");
}

QIcon named(bool active, const char *part)
{
    return KZSafariTabStyle::picture(windowPrefix(active) + QLatin1String(part));
}

void drawParts(QPainter &painter, const QRectF &rect, const QIcon &start, const QIcon &fill, const QIcon &end,
               QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver)
{
    // Widgets are flipped: the pictures stand upright.
    ThreePartImage::draw(painter, rect, start, fill, end, false, mode, 1.0, true);
}

void drawSelected(QPainter &painter, const QRectF &rect, bool active, bool withRightCap)
{
    drawParts(painter, rect, named(active, "ATLeftCap"), named(active, "ATFill"),
              withRightCap ? named(active, "ATRightCap") : QIcon());
}

} // namespace

KZSafariTabStyle::KZSafariTabStyle()
{
    Q_UNUSED(registered);
    QFont font(QStringLiteral("Helvetica"));
    font.setPixelSize(11);
    font.setBold(true);
    m_objectCountAttributes.font = font;
    m_objectCountAttributes.color = colors::calibratedWhite(1.0, 0.85);
}

QIcon KZSafariTabStyle::picture(const QString &name)
{
    return KZTabBarArtwork::imageNamed(name);
}

std::optional<bool> KZSafariTabStyle::supportsOrientation(unsigned orientation, KZTabBarView *)
{
    return orientation == KZTabBarView::Horizontal;
}

std::optional<QSizeF> KZSafariTabStyle::addTabButtonSizeForTabBarView(KZTabBarView *bar)
{
    return QSizeF(22.0, bar ? bar->height() : 0.0);
}

std::optional<QRectF> KZSafariTabStyle::addTabButtonRectForTabBarView(KZTabBarView *bar)
{
    if (!bar)
        return QRectF();
    const QRectF rect = bar->_addTabButtonRect();
    return QRectF(rect.x(), rect.y() + 1.0, rect.width(), rect.height() - 1.0);
}

std::optional<QRectF> KZSafariTabStyle::overflowButtonRectForTabBarView(KZTabBarView *bar)
{
    const QRectF rect = bar ? bar->_overflowButtonRect() : QRectF();
    if (KZTabBarButtonCell::isEmptyRect(rect))
        return rect;
    return QRectF(rect.x(), rect.y() + 1.0, rect.width(), rect.height() - 1.0);
}

bool KZSafariTabStyle::updateAddButton(KZRolloverButton *button, KZTabBarView *)
{
    if (!button)
        return true;
    button->setImage(picture(QStringLiteral("SafariAWAddTabButton")));
    button->setAlternateImage(picture(QStringLiteral("SafariAWAddTabButtonPushed")));
    button->setRolloverImage(picture(QStringLiteral("SafariAWAddTabButtonRolloverPlus")));
    return true;
}

std::optional<QRectF> KZSafariTabStyle::draggingRectForTabButton(KZAttachedTabBarButton *button, KZTabBarView *bar)
{
    return KZMetalTabStyle::metalDraggingRect(button, bar);
}

std::optional<QIcon> KZSafariTabStyle::closeButtonImageOfType(unsigned type, const KZTabBarButtonCell &cell)
{
    static const char *const dirty[] = {"TabClose_Dirty", "TabClose_Dirty_Rollover", "TabClose_Dirty_Pressed"};
    static const char *const looks[] = {"Close", "CloseRollover", "ClosePressed"};
    if (type >= KZCloseButtonImageTypeDirty && type <= KZCloseButtonImageTypeDirtyPressed)
        return picture(QLatin1String(dirty[type - KZCloseButtonImageTypeDirty]));
    if (type > KZCloseButtonImageTypePressed)
        return QIcon();
    const KZTabBarView *bar = cell.tabBarView();
    const bool active = bar && bar->isWindowActive();
    return picture(windowPrefix(active) + (isSelected(cell) ? QStringLiteral("AT") : QStringLiteral("IT"))
                   + QLatin1String(looks[type]));
}

std::optional<QRectF> KZSafariTabStyle::drawingRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell)
{
    const qreal left = cell._leftMargin(), right = cell._rightMargin();
    return QRectF(bounds.x() + left, bounds.y() + 1.0, bounds.width() - (left + right), bounds.height() - 1.0);
}

std::optional<QRectF> KZSafariTabStyle::closeButtonRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell)
{
    const QRectF rect = cell._closeButtonRectForBounds(bounds);
    if (KZTabBarButtonCell::isEmptyRect(rect))
        return rect;
    return QRectF(rect.x(), rect.y() + 1.0, rect.width(), rect.height() - 1.0);
}

bool KZSafariTabStyle::drawBezelOfTabBarView(KZTabBarView *bar, QPainter &painter, const QRectF &)
{
    const QRectF bounds = bar ? QRectF(bar->rect()) : QRectF();
    painter.save();
    if (bounds.height() < 2.0)
        painter.fillRect(bounds, colors::darkGrayColor());
    else
        drawParts(painter, bounds, QIcon(), named(bar->isWindowActive(), "BG"), QIcon(), QPainter::CompositionMode_Source);
    painter.restore();
    return true;
}

KZSafariTabStyle::Separators KZSafariTabStyle::separatorsOfUnselectedButton(int index, int count, int selectedIndex,
                                                                          bool previousSliding, bool nextSliding,
                                                                          int dropIndex, bool lastShowsRightCap)
{
    const bool hasPrevious = index > 0, hasNext = index + 1 < count;
    const bool none = selectedIndex < 0;
    const bool nextGap = nextSliding || dropIndex == index + 1;
    Separators caps;
    if (!hasPrevious) {
        caps.right = (none || index < selectedIndex) && nextGap;
    } else if (!hasNext) {
        caps.left = none || (index > selectedIndex && (previousSliding || dropIndex + 1 == index));
        caps.right = lastShowsRightCap;
    } else if (none || index < selectedIndex) {
        caps.left = true;
        caps.right = nextGap;
    } else if (index > selectedIndex) {
        caps.right = true;
        caps.left = previousSliding;
    }
    return caps;
}

bool KZSafariTabStyle::drawBezelOfButton(KZAttachedTabBarButton *button, unsigned index,
                                         const std::vector<KZAttachedTabBarButton *> &buttons, unsigned selectedIndex,
                                         KZTabBarView *bar, QPainter &painter, const QRectF &)
{
    if (!button || !bar)
        return true;
    const QRectF rect = QRectF(button->geometry()).adjusted(-5.0, 0, 5.0, 0);
    const bool active = bar->isWindowActive();
    if (button->isInAnimatedSlide()) {
        drawParts(painter, rect, named(true, "ITLeftCap"), QIcon(), named(true, "ITRightCap"));
        return true;
    }
    if (isSelected(button)) {
        drawSelected(painter, rect, active, !isStillOverflowButton(button));
        return true;
    }
    const int count = static_cast<int>(buttons.size());
    const int i = static_cast<int>(index);
    const KZAttachedTabBarButton *previous = i > 0 && i - 1 < count ? buttons[i - 1] : nullptr;
    const KZAttachedTabBarButton *next = i + 1 < count ? buttons[i + 1] : nullptr;
    const int selected = selectedIndex == static_cast<unsigned>(KZTabBarView::NotFound) ? -1 : static_cast<int>(selectedIndex);
    const Separators caps = separatorsOfUnselectedButton(
        i, count, selected, previous && previous->isSliding(), next && next->isSliding(),
        bar->destinationIndexForDraggedItem(), bar->showAddTabButton() && !bar->isOverflowButtonVisible());
    drawParts(painter, rect, caps.left ? named(active, "ITLeftCap") : QIcon(), QIcon(),
              caps.right ? named(active, "ITRightCap") : QIcon());
    return true;
}

bool KZSafariTabStyle::drawBezelOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame,
                                           QWidget *view)
{
    auto *button = qobject_cast<KZAttachedTabBarButton *>(view);
    if (!button || button->height() < 2 || !isSelected(cell))
        return true;
    KZTabBarView *bar = button->tabBarView();
    drawSelected(painter, frame.adjusted(-5.0, 0, 5.0, 0), bar && bar->isWindowActive(),
                 !(button->isOverflowButton() && !button->isSliding()));
    return true;
}

bool KZSafariTabStyle::drawBezelOfOverflowButton(KZOverflowPopUpButton *button, KZTabBarView *bar, QPainter &painter,
                                                  const QRectF &)
{
    if (!bar)
        return true;
    const QRectF f = button ? QRectF(button->geometry()) : QRectF();
    const QRectF rect(f.x(), f.y() - 1.0, f.width() + 11.0, f.height() + 1.0);
    const bool active = bar->isWindowActive();
    KZAttachedTabBarButton *last = bar->lastAttachedButton();
    if (last && isSelected(last) && !last->isSliding())
        drawParts(painter, rect, QIcon(), named(active, "ATFill"), named(active, "ATRightCap"));
    else
        drawParts(painter, rect, QIcon(), QIcon(), named(active, "ITRightCap"));
    return true;
}
