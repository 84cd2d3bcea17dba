#include "components/tabbarview/styles/KZTabStyleDrawing.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZTabBarArtwork.h"
#include "components/tabbarview/KZTabBarButtonCell.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabStyle.h"
#include "platform/archive/Coder.h"
#include "platform/drawing/BundleImages.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/WindowChrome.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

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
