#include "components/tabbarview/styles/KZAquaTabStyle.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZOverflowPopUpButton.h"
#include "components/tabbarview/KZTabBarArtwork.h"
#include "components/tabbarview/KZTabBarButtonCell.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/styles/KZTabStyleDrawing.h"
#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/drawing/BundleImages.h"
#include "platform/drawing/ControlTint.h"
#include "platform/drawing/ThreePartImage.h"

#include <QPaintDevice>
#include <QPainter>

using namespace KZTabStyleDrawing;
using platform::ThreePartImage;

namespace {

const bool registered = platform::CodingRegistry::registerClass<KZAquaTabStyle>(QStringLiteral("KZAquaTabStyle"));

const QStringList ImageKeys = {
    QStringLiteral("aquaTabBg"),          QStringLiteral("aquaTabBgDown"),        QStringLiteral("aquaTabBgDownGraphite"),
    QStringLiteral("aquaTabBgDownNonKey"), QStringLiteral("aquaDividerDown"),     QStringLiteral("aquaDivider"),
    QStringLiteral("aquaCloseButton"),    QStringLiteral("aquaCloseButtonDown"),  QStringLiteral("aquaCloseButtonOver"),
    QStringLiteral("aquaCloseDirtyButton"), QStringLiteral("aquaCloseDirtyButtonDown"),
    QStringLiteral("aquaCloseDirtyButtonOver")};

// Tab pictures are drawn as into a y-up space: the view is flipped, so the flipped
// argument is its negation.
constexpr bool DrawFlipped = false;

} // namespace

KZAquaTabStyle::KZAquaTabStyle()
{
    Q_UNUSED(registered);
    using KZTabBarArtwork::imageNamed;
    const QStringList names = {QStringLiteral("AquaTabsBackground"),
                               QStringLiteral("AquaTabsDown"),
                               QStringLiteral("AquaTabsDownGraphite"),
                               QStringLiteral("AquaTabsDownNonKey"),
                               QStringLiteral("AquaTabsSeparatorDown"),
                               QStringLiteral("AquaTabsSeparator"),
                               QStringLiteral("AquaTabClose_Front"),
                               QStringLiteral("AquaTabClose_Front_Pressed"),
                               QStringLiteral("AquaTabClose_Front_Rollover"),
                               QStringLiteral("AquaTabCloseDirty_Front"),
                               QStringLiteral("AquaTabCloseDirty_Front_Pressed"),
                               QStringLiteral("AquaTabCloseDirty_Front_Rollover")};
    const QList<QIcon *> fields = images();
    for (qsizetype i = 0; i < fields.size(); ++i)
        *fields[i] = imageNamed(names[i]);
}

QList<QIcon *> KZAquaTabStyle::images()
{
    return {&m_tabBg,       &m_tabBgDown,       &m_tabBgDownGraphite, &m_tabBgDownNonKey,
            &m_dividerDown, &m_divider,         &m_closeButton,       &m_closeButtonDown,
            &m_closeButtonOver, &m_closeDirtyButton, &m_closeDirtyButtonDown, &m_closeDirtyButtonOver};
}

void KZAquaTabStyle::encodeWithCoder(platform::Coder &coder) const
{
    const QList<QIcon *> fields = const_cast<KZAquaTabStyle *>(this)->images();
    encodeImages(coder, QList<const QIcon *>(fields.begin(), fields.end()), ImageKeys);
}

bool KZAquaTabStyle::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding()) {
        for (QIcon *image : images())
            *image = QIcon();
        return true;
    }
    return decodeImages(coder, images(), ImageKeys);
}

std::optional<QIcon> KZAquaTabStyle::closeButtonImageOfType(unsigned type, const KZTabBarButtonCell &)
{
    const CloseImages close = {m_closeButton,      m_closeButtonOver,      m_closeButtonDown,
                               m_closeDirtyButton, m_closeDirtyButtonOver, m_closeDirtyButtonDown};
    return closeImageOfType(close, type);
}

QIcon KZAquaTabStyle::selectedBackground(unsigned cellTint, bool windowActive) const
{
    const unsigned tint = windowActive ? platform::ControlTint::resolved(cellTint) : platform::ControlTint::Clear;
    if (tint == platform::ControlTint::Clear)
        return m_tabBgDownNonKey;
    if (tint == platform::ControlTint::Graphite)
        return m_tabBgDownGraphite;
    return m_tabBgDown;
}

bool KZAquaTabStyle::drawBezelOfTabBarView(KZTabBarView *bar, QPainter &painter, const QRectF &rect)
{
    if (rect.height() > 22.0)
        return true;
    const QRectF bounds = bar ? QRectF(bar->rect()) : QRectF();
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QImage strip = platform::BundleImages::rendered(m_tabBg, ratio);
    if (strip.isNull() || bounds.isEmpty())
        return true;
    // One 1 × 22 column stretched over the bar, drawn as into a y-up space.
    const QRectF source(0, 0, ratio, std::min<qreal>(strip.height(), 22.0 * ratio));
    painter.save();
    painter.translate(0, bounds.y() + bounds.height() / 2);
    painter.scale(1, -1);
    painter.translate(0, -(bounds.y() + bounds.height() / 2));
    painter.drawImage(bounds, strip, source);
    painter.restore();
    return true;
}

bool KZAquaTabStyle::drawBezelOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame,
                                         QWidget *view)
{
    auto *button = qobject_cast<KZAttachedTabBarButton *>(view);
    if (!button)
        return true;
    KZTabBarView *bar = button->tabBarView();
    const QIcon left = button->shouldDisplayLeftDivider() ? m_divider : QIcon();
    const QIcon right = button->shouldDisplayRightDivider() ? m_divider : QIcon();
    if (isSelected(cell)) {
        ThreePartImage::draw(painter, frame, left, selectedBackground(cell.controlTint(), bar && bar->isWindowActive()),
                             right, false, QPainter::CompositionMode_SourceOver, 1.0, DrawFlipped);
        return true;
    }
    if (cell.mouseHovered())
        wash(painter, frame, 0.1);
    if (!button->isOverflowButton())
        ThreePartImage::draw(painter, frame, left, QIcon(), right, false, QPainter::CompositionMode_SourceOver, 1.0,
                             DrawFlipped);
    return true;
}

bool KZAquaTabStyle::drawBezelOfOverflowButton(KZOverflowPopUpButton *button, KZTabBarView *bar, QPainter &painter,
                                                const QRectF &)
{
    KZAttachedTabBarButton *last = bar ? bar->lastAttachedButton() : nullptr;
    if (!last || last->isSliding())
        return true;
    QRectF frame = button ? QRectF(button->geometry()) : QRectF();
    frame.setWidth(frame.width() + 5.0);
    const QIcon end = bar->showAddTabButton() ? m_divider : QIcon();
    if (isSelected(last)) {
        ThreePartImage::draw(painter, frame, QIcon(), selectedBackground(last->tabCell()->controlTint(), bar->isWindowActive()),
                             end, false, QPainter::CompositionMode_SourceOver, 1.0, DrawFlipped);
        return true;
    }
    if (last->mouseHovered())
        wash(painter, frame, 0.1);
    ThreePartImage::draw(painter, frame, QIcon(), QIcon(), end, false, QPainter::CompositionMode_SourceOver, 1.0,
                         DrawFlipped);
    return true;
}
