#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredPopUpButtonCell.h"

#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredButtonDrawing.h"
#include "AppKitExtensions/NTXNSImage_Extension.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/drawing/SystemColors.h"

#include <QPainter>
#include <QPaintDevice>
#include <cmath>

namespace {

const bool registeredForCoding = platform::CodingRegistry::registerClass<NTXAnchoredPopUpButtonCell>(
    QStringLiteral("NTXAnchoredPopUpButtonCell"));

} // namespace

NTXAnchoredPopUpButtonCell::NTXAnchoredPopUpButtonCell(const QString &title, bool pullsDown)
    : PopUpButtonCell(title, pullsDown)
{
    setControlSize(ControlSize::Small);
    setFont(NTXAnchoredButtonDrawing::titleFont());
}

std::unique_ptr<platform::Cell> NTXAnchoredPopUpButtonCell::clone() const
{
    return std::unique_ptr<NTXAnchoredPopUpButtonCell>(new NTXAnchoredPopUpButtonCell(*this));
}

void NTXAnchoredPopUpButtonCell::drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    drawBorderAndBackgroundWithFrame(painter, frame, controlView);
    drawImageWithFrame(painter, frame, controlView);
    NTXAnchoredButtonDrawing::drawTitle(painter, title(), titleRectForBounds(frame), isEnabled(), Qt::AlignLeft);
    if (isHighlighted())
        NTXAnchoredButtonDrawing::fillHighlight(painter, highlightRectForBounds(frame));
}

void NTXAnchoredPopUpButtonCell::drawBorderAndBackgroundWithFrame(QPainter &painter, const QRectF &frame,
                                                                  QWidget *controlView) const
{
    NTXAnchoredButtonDrawing::drawAnchoredBezel(painter, frame, controlView);
    drawArrowInFrame(painter, frame);
}

void NTXAnchoredPopUpButtonCell::drawArrowInFrame(QPainter &painter, const QRectF &frame) const
{
    static const QColor shadow = platform::SystemColors::calibratedWhite(1, 0.75);
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    const QImage arrow = NTXAnchoredButtonDrawing::pullDownArrow(ratio);
    if (arrow.isNull())
        return;
    const QImage tinted = NTXNSImage_Extension::bwTintedImageWithColor(arrow, imageColor());
    const QImage shadowImage = NTXNSImage_Extension::bwTintedImageWithColor(arrow, shadow);
    const QSizeF size = arrow.deviceIndependentSize();
    const qreal ax = frame.x() + frame.width() - 11;
    const qreal m = std::round(frame.height() / 2);
    // Arrow positions are measured upward from the frame's bottom; the first arrow is
    // drawn as the picture stands (pointing down), the second, of a pop-up, turned over
    // and measured down from the frame's top.
    auto draw = [&](bool turned, qreal top) {
        painter.drawImage(QRectF(ax, top + 1, size.width(), size.height()),
                          turned ? shadowImage.mirrored(false, true) : shadowImage);
        painter.drawImage(QRectF(ax, top, size.width(), size.height()), turned ? tinted.mirrored(false, true) : tinted);
    };
    const qreal firstUp = pullsDown() ? m - 2 : m - 4;
    draw(false, frame.y() + frame.height() - firstUp - size.height());
    if (!pullsDown())
        draw(true, frame.y() + m - 5);
}

void NTXAnchoredPopUpButtonCell::drawImageWithFrame(QPainter &painter, const QRectF &frame, QWidget *) const
{
    const QIcon shown = image();
    if (!shown.isNull())
        NTXAnchoredButtonDrawing::drawImage(painter, shown, imageRectForBounds(frame), isEnabled());
}

QRectF NTXAnchoredPopUpButtonCell::titleRectForBounds(const QRectF &bounds) const
{
    return PopUpButtonCell::titleRectForBounds(bounds).translated(0, -1).adjusted(3, 0, -3, 0);
}

QRectF NTXAnchoredPopUpButtonCell::imageRectForBounds(const QRectF &bounds) const
{
    QRectF rect = PopUpButtonCell::imageRectForBounds(bounds).translated(1, 0);
    const QIcon shown = image();
    const qreal imageWidth = NTXAnchoredButtonDrawing::isActionTemplate(shown) ? 10.0 : imageSize().width();
    if (rect.width() < imageWidth)
        rect.setWidth(rect.width() + 1);
    return rect;
}

QColor NTXAnchoredPopUpButtonCell::textColor() const
{
    return NTXAnchoredButtonDrawing::textColor(isEnabled());
}

QColor NTXAnchoredPopUpButtonCell::imageColor() const
{
    return NTXAnchoredButtonDrawing::imageColor(isEnabled());
}

QString NTXAnchoredPopUpButtonCell::classNameForCoder() const
{
    return QStringLiteral("NTXAnchoredPopUpButtonCell");
}

void NTXAnchoredPopUpButtonCell::encodeWithCoder(platform::Coder &coder) const
{
    PopUpButtonCell::encodeWithCoder(coder);
}

bool NTXAnchoredPopUpButtonCell::initWithCoder(platform::Coder &coder)
{
    if (!PopUpButtonCell::initWithCoder(coder))
        return false;
    setControlSize(ControlSize::Small);
    setFont(NTXAnchoredButtonDrawing::titleFont());
    return true;
}
