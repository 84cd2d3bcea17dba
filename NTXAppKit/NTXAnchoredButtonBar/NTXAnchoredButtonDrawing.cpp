#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredButtonDrawing.h"

#include "AppKitExtensions/NTXNSColorExtension.h"
#include "AppKitExtensions/NTXNSImage_Extension.h"
#include "NTXAppKit/NTXCTGradient/NTXCTGradient.h"
#include "platform/drawing/DelegateCall.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/YUpPainter.h"
#include "platform/foundation/Bundle.h"

#include <QApplication>
#include <QImageReader>
#include <QPainter>
#include <QWidget>
#include <cmath>

namespace NTXAnchoredButtonDrawing {

namespace {

using platform::SystemColors::calibratedWhite;

const QString BundleName = QStringLiteral("NTXAppKit");

QImage renderSvg(const QString &fileName, const QSize &size, qreal ratio)
{
    const QString path = platform::Bundle::bundleNamed(BundleName).pathForResource(fileName);
    if (path.isEmpty())
        return QImage();
    QImageReader reader(path);
    reader.setScaledSize((QSizeF(size) * ratio).toSize());
    QImage image = reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    return image;
}

bool askBool(QObject *object, const char *operation)
{
    bool answer = false;
    return platform::askDelegate(object, operation, &answer) && answer;
}

} // namespace

void drawLine(QPainter &painter, const QWidget *view, const QRectF &rect, const QColor &color, Edge edge,
              int position, int inset)
{
    // the line helper counts from the painter space's minimum y: the top in a y-down
    // space, the bottom in a y-up one
    const bool yUp = platform::YUpPainter::isYUp(painter);
    switch (edge) {
    case Edge::Top:
        NTXNSColorExtension::bwDrawPixelThickLineAtPosition(color, painter, position, inset, rect, view, true, yUp);
        break;
    case Edge::Bottom:
        NTXNSColorExtension::bwDrawPixelThickLineAtPosition(color, painter, position, inset, rect, view, true, !yUp);
        break;
    case Edge::Left:
        NTXNSColorExtension::bwDrawPixelThickLineAtPosition(color, painter, position, inset, rect, view, false, false);
        break;
    case Edge::Right:
        NTXNSColorExtension::bwDrawPixelThickLineAtPosition(color, painter, position, inset, rect, view, false, true);
        break;
    }
}

QColor textColor(bool enabled)
{
    static const QColor normal = calibratedWhite(0.0392);
    static const QColor disabled = calibratedWhite(0.0392, 0.6);
    return enabled ? normal : disabled;
}

QColor imageColor(bool enabled)
{
    static const QColor normal = calibratedWhite(0.2824);
    static const QColor disabled = calibratedWhite(0.2824, 0.6);
    return enabled ? normal : disabled;
}

QFont titleFont()
{
    QFont font = QApplication::font();
    font.setPixelSize(11);
    return font;
}

void drawAnchoredBezel(QPainter &painter, const QRectF &frame, QWidget *controlView)
{
    static const NTXCTGradient gradient = NTXCTGradient::aquaNormalGradient();
    static const QColor topColor = calibratedWhite(0.6667);
    static const QColor bottomBarColor = calibratedWhite(0.7922);
    static const QColor borderedColor = calibratedWhite(0.7451);
    static const QColor innerLight = calibratedWhite(1, 0.5);
    static const QColor bottomSide = calibratedWhite(0, 0.2);
    static const QColor borderedSide = calibratedWhite(0, 0.25);

    gradient.fillRect(painter, frame, 90);
    drawLine(painter, controlView, frame, topColor, Edge::Top, 0, 0);
    drawLine(painter, controlView, frame, innerLight, Edge::Left, 1, 1);
    drawLine(painter, controlView, frame, innerLight, Edge::Right, 1, 1);
    QWidget *bar = controlView ? controlView->parentWidget() : nullptr;
    if (askBool(bar, "isAtBottom")) {
        drawLine(painter, controlView, frame, bottomBarColor, Edge::Bottom, 0, 0);
        drawLine(painter, controlView, frame, bottomSide, Edge::Left, 0, 1);
        drawLine(painter, controlView, frame, bottomSide, Edge::Right, 0, 1);
        return;
    }
    drawLine(painter, controlView, frame, borderedColor, Edge::Bottom, 0, 0);
    drawLine(painter, controlView, frame, borderedSide, Edge::Left, 0, 1);
    drawLine(painter, controlView, frame, borderedSide, Edge::Right, 0, 1);
    if (askBool(controlView, "isAtLeftEdgeOfBar"))
        drawLine(painter, controlView, frame, topColor, Edge::Left, 0, 1);
    if (askBool(controlView, "isAtRightEdgeOfBar"))
        drawLine(painter, controlView, frame, topColor, Edge::Right, 0, 1);
}

void fillHighlight(QPainter &painter, const QRectF &rect)
{
    static const QColor highlight = calibratedWhite(0, 0.35);
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillRect(rect, highlight);
    painter.restore();
}

void drawTitle(QPainter &painter, const QString &title, const QRectF &rect, bool enabled, Qt::Alignment alignment)
{
    static const QColor shadow = calibratedWhite(1, 0.75);
    if (title.isEmpty() || rect.isEmpty())
        return;
    painter.save();
    painter.setFont(titleFont());
    const QString shown = painter.fontMetrics().elidedText(title, Qt::ElideRight, int(rect.width()));
    painter.setPen(shadow);
    const int flags = int((alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
    painter.drawText(rect.translated(0, 1), flags, shown);
    painter.setPen(textColor(enabled));
    painter.drawText(rect, flags, shown);
    painter.restore();
}

QImage pullDownArrow(qreal devicePixelRatio)
{
    return renderSvg(QStringLiteral("ButtonBarPullDownArrow.svg"), QSize(7, 4), devicePixelRatio);
}

QIcon actionTemplateImage()
{
    static const QIcon icon = [] {
        QIcon made;
        for (qreal ratio : {1.0, 2.0}) {
            const QImage image = renderSvg(QStringLiteral("NSActionTemplate.svg"), QSize(10, 10), ratio);
            if (!image.isNull())
                made.addPixmap(QPixmap::fromImage(image));
        }
        return made;
    }();
    return icon;
}

bool isActionTemplate(const QIcon &icon)
{
    return !icon.isNull() && icon.cacheKey() == actionTemplateImage().cacheKey();
}

void drawImage(QPainter &painter, const QIcon &image, const QRectF &rect, bool enabled)
{
    if (image.isNull() || rect.isEmpty())
        return;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    QSizeF size(10, 10);
    if (!isActionTemplate(image)) {
        const QList<QSize> sizes = image.availableSizes();
        size = sizes.isEmpty() ? QSizeF(16, 16) : QSizeF(sizes.first());
        size = size.boundedTo(rect.size());
    }
    QImage picture = image.pixmap(size.toSize(), ratio).toImage();
    if (isActionTemplate(image))
        picture = NTXNSImage_Extension::bwTintedImageWithColor(picture, imageColor(enabled));
    const QRectF target(rect.x() + std::round((rect.width() - size.width()) / 2),
                        rect.y() + std::round((rect.height() - size.height()) / 2), size.width(), size.height());
    painter.drawImage(target, picture);
}

} // namespace NTXAnchoredButtonDrawing
