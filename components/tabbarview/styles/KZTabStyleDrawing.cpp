#include "components/tabbarview/styles/KZTabStyleDrawing.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZTabBarArtwork.h"
#include "components/tabbarview/KZTabBarButtonCell.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabBarViewExtensions.h"
#include "components/tabbarview/KZTabStyle.h"
#include "platform/archive/Coder.h"
#include "platform/drawing/BundleImages.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/WindowChrome.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <cmath>

namespace KZTabStyleDrawing {

CloseImages closeImagesNamed(const QString &standard, const QString &dirty)
{
    using KZTabBarArtwork::imageNamed;
    return {imageNamed(standard), imageNamed(standard + QStringLiteral("_Rollover")),
            imageNamed(standard + QStringLiteral("_Pressed")), imageNamed(dirty),
            imageNamed(dirty + QStringLiteral("_Rollover")), imageNamed(dirty + QStringLiteral("_Pressed"))};
}

QIcon closeImageOfType(const CloseImages &images, unsigned type)
{
    return type < images.size() ? images[type] : QIcon();
}

void encodeImages(platform::Coder &coder, const QList<const QIcon *> &images, const QStringList &keys)
{
    if (!coder.allowsKeyedCoding())
        return;
    for (qsizetype i = 0; i < images.size() && i < keys.size(); ++i) {
        const QImage image = platform::BundleImages::rendered(*images[i]);
        coder.encodeObject(image.isNull() ? QVariant() : QVariant(image), keys[i]);
    }
}

bool decodeImages(platform::Coder &coder, const QList<QIcon *> &images, const QStringList &keys)
{
    if (!coder.allowsKeyedCoding())
        return true;
    QList<QImage> decoded;
    for (qsizetype i = 0; i < images.size() && i < keys.size(); ++i)
        decoded.append(coder.decodeObject<QImage>(keys[i]));
    if (coder.failed())
        return false;
    for (qsizetype i = 0; i < decoded.size(); ++i)
        *images[i] = decoded[i].isNull() ? QIcon() : QIcon(QPixmap::fromImage(decoded[i]));
    return true;
}

bool isVertical(const KZTabBarView *bar)
{
    return bar && bar->orientation() == KZTabBarView::Vertical;
}

qreal horizontalMargin(const KZTabBarView *bar, qreal margin)
{
    return isVertical(bar) ? 0.0 : margin;
}

QRectF widenedStackingFrame(const KZAttachedTabBarButton *button)
{
    QRectF rect = button ? button->stackingFrame() : QRectF();
    rect.setWidth(rect.width() + 1.0);
    return rect;
}

QRectF fittedCloseButtonRect(const KZTabBarButtonCell &cell, const QRectF &d)
{
    const QIcon image = cell.closeButtonImageOfType(KZCloseButtonImageTypeStandard);
    if (!cell.shouldDisplayCloseButton() || image.isNull())
        return QRectF();
    const QSizeF natural = platform::BundleImages::naturalSize(image);
    const QSizeF size = KZTabBarViewExtensions::kz_scaleImageWithSize(natural, QSizeF(natural.width(), d.height()),
                                                                      KZTabBarViewExtensions::KZImageScaleProportionallyDown);
    qreal y = d.y();
    if (d.height() > size.height())
        y += std::ceil((d.height() - size.height()) * 0.5);
    return QRectF(QPointF(d.x(), y), size);
}

QRectF iconRectInColumn(const KZTabBarButtonCell &cell, const QRectF &d)
{
    if (cell.icon().isNull() || (isVertical(cell.tabBarView()) && !cell.largeImage().isNull()))
        return QRectF();
    const QSizeF natural = platform::BundleImages::naturalSize(cell.icon());
    const QSizeF size = KZTabBarViewExtensions::kz_scaleImageWithSize(natural, QSizeF(natural.width(), d.height()),
                                                                      KZTabBarViewExtensions::KZImageScaleProportionallyDown);
    qreal x = d.x(), y = d.y();
    if (size.width() < 16.0)
        x += std::ceil((16.0 - size.width()) * 0.5);
    if (size.height() < 16.0)
        y += std::ceil((16.0 - size.height()) * 0.5 - 0.5);
    return KZTabBarButtonCell::integralRect(QRectF(QPointF(x, y), size));
}

bool isSelected(const KZTabBarButtonCell &cell)
{
    return cell.state() == platform::Cell::State::On;
}

bool isSelected(const KZAttachedTabBarButton *button)
{
    return button && button->state() == platform::Cell::State::On;
}

bool isStillOverflowButton(const KZAttachedTabBarButton *button)
{
    return button && button->isOverflowButton() && !button->isSliding();
}

bool showsTrailingDivider(const KZAttachedTabBarButton *button)
{
    if (!button)
        return false;
    const unsigned state = button->tabState();
    if (state & KZTabBarView::KZTabStateRightNeighbourSelected)
        return state & (KZTabBarView::KZTabStateRightNeighbourSliding | KZTabBarView::KZTabStateRightNeighbourAtDropIndex);
    return button->shouldDisplayRightDivider();
}

bool hasVisibleToolbar(const QWidget *view)
{
    return platform::WindowChrome::isToolbarVisible(view);
}

QColor windowBackgroundColor()
{
    return QApplication::palette().color(QPalette::Active, QPalette::Window);
}

void wash(QPainter &painter, const QRectF &rect, qreal alpha)
{
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(rect, platform::SystemColors::calibratedWhite(0.0, alpha));
    painter.restore();
}

void strokeLines(QPainter &painter, const QColor &colour, const QList<QLineF> &lines)
{
    if (lines.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(colour, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawLines(lines);
    painter.restore();
}

} // namespace KZTabStyleDrawing
