#include "NTXAppKit/NTXLabeledImageTextCell/NTXLabeledImageTextCell.h"

#include "AppKitExtensions/NTXNSBezierPathExtension.h"
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelColors.h"
#include "platform/drawing/Gradient.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QWidget>
#include <algorithm>

namespace {

// NSDivideRect at the left (minimum x) edge: the slice is `amount` wide (at most the
// whole rectangle), the remainder is what lies right of it.
void divideLeft(const QRectF &rect, qreal amount, QRectF &slice, QRectF &remainder)
{
    amount = std::clamp(amount, qreal(0), std::max(qreal(0), rect.width()));
    slice = QRectF(rect.x(), rect.y(), amount, rect.height());
    remainder = QRectF(rect.x() + amount, rect.y(), rect.width() - amount, rect.height());
}

// NSDivideRect at the right (maximum x) edge.
void divideRight(const QRectF &rect, qreal amount, QRectF &slice, QRectF &remainder)
{
    amount = std::clamp(amount, qreal(0), std::max(qreal(0), rect.width()));
    slice = QRectF(rect.x() + rect.width() - amount, rect.y(), amount, rect.height());
    remainder = QRectF(rect.x(), rect.y(), rect.width() - amount, rect.height());
}

// NSInsetRect along x only.
QRectF insetX(const QRectF &rect, qreal dx)
{
    return QRectF(rect.x() + dx, rect.y(), rect.width() - 2 * dx, rect.height());
}

bool isZeroRect(const QRectF &rect)
{
    return rect.x() == 0 && rect.y() == 0 && rect.width() == 0 && rect.height() == 0;
}

} // namespace

NTXLabeledImageTextCell::NTXLabeledImageTextCell() = default;

NTXLabeledImageTextCell::NTXLabeledImageTextCell(const QString &text)
    : platform::Cell(text)
{
}

NTXLabeledImageTextCell::~NTXLabeledImageTextCell() = default;

std::unique_ptr<platform::Cell> NTXLabeledImageTextCell::clone() const
{
    // QIcon, QString and QColor are shared, not duplicated, by the copy
    return std::unique_ptr<platform::Cell>(new NTXLabeledImageTextCell(*this));
}

void NTXLabeledImageTextCell::setColorLabelType(int type)
{
    if (type == m_colorLabelType)
        return;
    m_colorLabelType = type;
    m_labelColor = NTXColorLabelColors::getLabelColorForLabelType(type);
}

QSizeF NTXLabeledImageTextCell::imageSizeOf(const QIcon &image)
{
    if (image.isNull())
        return QSizeF();
    const QList<QSize> sizes = image.availableSizes();
    if (sizes.isEmpty())
        return QSizeF(16, 16);
    QSize largest = sizes.first();
    for (const QSize &size : sizes) {
        if (size.width() * size.height() > largest.width() * largest.height())
            largest = size;
    }
    return QSizeF(largest);
}

QColor NTXLabeledImageTextCell::blendedColor(const QColor &color, qreal fraction, const QColor &other)
{
    const QColor a = color.toRgb();
    const QColor b = other.toRgb();
    const auto mix = [fraction](float x, float y) { return static_cast<float>(x * (1 - fraction) + y * fraction); };
    return QColor::fromRgbF(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()), mix(a.blueF(), b.blueF()),
                            mix(a.alphaF(), b.alphaF()));
}

void NTXLabeledImageTextCell::calcDrawInfo(const QRectF &rect) const
{
    // 1. (the platform cell has no layout step of its own)
    const bool highlighted = isHighlighted();
    // 2.
    QRectF r = drawingRectForBounds(rect);
    // 3. the text attributes: only the cell's font
    m_textFont = font();
    // 4.
    m_capRadius = static_cast<float>(r.height() * 0.5);
    const qreal halfCap = m_capRadius * 0.5;
    // 5.
    r = QRectF(r.x() + m_leftInset, r.y(), r.width() - (m_leftInset + m_rightInset), r.height());
    QRectF slice;
    // 6. the left image
    const QIcon leftImage = image();
    if (!leftImage.isNull()) {
        const QSizeF size = imageSizeOf(leftImage);
        divideLeft(r, std::max<qreal>(m_minImageWidth, size.width()) + 4, slice, r);
        m_imageRect = QRectF(slice.x() + 3, slice.y(), size.width(), size.height());
    }
    // 7. the status image, rightmost
    if (!m_statusImage.isNull()) {
        const QSizeF size = imageSizeOf(m_statusImage);
        divideRight(r, size.width() + 4, slice, r);
        m_statusImageRect = QRectF(slice.x() + 3, slice.y(), size.width(), size.height());
    }
    // 8. the right image, left of the status image
    if (!m_rightImage.isNull()) {
        const QSizeF size = imageSizeOf(m_rightImage);
        divideRight(r, size.width() + 4, slice, r);
        m_rightImageRect = QRectF(slice.x(), slice.y(), size.width(), size.height());
    }
    // 9. the info text
    if (!m_infoText.isEmpty()) {
        const qreal width = QFontMetricsF(m_textFont).horizontalAdvance(m_infoText);
        divideLeft(r, width + 4, slice, r);
        m_infoTextRect = slice;
    }
    // 10. the label
    if (!m_labelColor.isValid()) {
        r = insetX(r, halfCap);
    } else if (!highlighted) {
        m_labelRect = r;
        r = insetX(r, halfCap);
    } else if (!m_statusImage.isNull()) {
        m_labelRect = QRectF(); // no label on a highlighted row with a status image
        r = QRectF(r.x() + halfCap, r.y(), r.width() - halfCap, r.height());
    } else {
        // a pill of twice the cap radius at the right end
        const qreal cap = m_capRadius;
        m_labelRect = QRectF(r.x() + r.width() - 2 * cap, r.y(), 2 * cap, r.height() - 1);
        r = QRectF(r.x(), r.y(), r.width() - (2 * cap + 4), r.height());
        r = QRectF(r.x() + halfCap, r.y(), r.width() - halfCap, r.height());
    }
    // 11.
    m_textRect = r;
    // 12.
    if (m_middleAlignedText) {
        const double h = QFontMetricsF(font()).height();
        const double y = double(m_textRect.y()) - 0.5 + (double(m_textRect.height()) - h) * 0.5;
        m_textRect.moveTop(static_cast<float>(y));
    }
}

QRectF NTXLabeledImageTextCell::titleRectForBounds(const QRectF &bounds) const
{
    // editWithFrame / selectWithFrame: the layout on the frame exactly as received
    calcDrawInfo(bounds);
    return m_textRect;
}

QRectF NTXLabeledImageTextCell::imageRectForBounds(const QRectF &bounds) const
{
    calcDrawInfo(bounds);
    return image().isNull() ? QRectF() : m_imageRect;
}

QSizeF NTXLabeledImageTextCell::cellSize() const
{
    return platform::Cell::cellSize();
}

QColor NTXLabeledImageTextCell::backgroundColor(QWidget *controlView) const
{
    const QPalette palette = controlView ? controlView->palette() : QApplication::palette();
    return palette.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Base);
}

void NTXLabeledImageTextCell::drawImageInRect(QPainter &painter, const QIcon &image, const QRectF &rect,
                                              QWidget *controlView) const
{
    if (image.isNull() || rect.width() <= 0 || rect.height() <= 0)
        return;
    if (drawsBackground())
        painter.fillRect(rect, backgroundColor(controlView));
    // the whole image into the rectangle, source-over, opacity 1, upright
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap pixmap = image.pixmap(rect.size().toSize(), ratio);
    if (pixmap.isNull())
        return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(1.0);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawPixmap(rect, pixmap, QRectF(pixmap.rect()));
    painter.restore();
}

void NTXLabeledImageTextCell::drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    // 1.
    const bool highlighted = isHighlighted();
    const QRectF drawing = drawingRectForBounds(frame);
    calcDrawInfo(drawing);
    // 2. the band behind the title
    if (m_labelColor.isValid() && !highlighted && !isZeroRect(m_labelRect))
        drawLabelColorWithFrame(painter, drawing, controlView);
    // 3. the title. The platform's text cell centres a line vertically in its
    // rectangle; a middle-aligned title is instead drawn from the computed top, in a
    // rectangle one line high, as the text cell that the layout was made for does.
    QRectF titleRect = m_textRect;
    const qreal lineHeight = QFontMetricsF(font()).height();
    if (m_middleAlignedText)
        titleRect.setHeight(lineHeight);
    drawTitle(painter, title(), titleRect, controlView);
    // 4. the image
    if (!image().isNull())
        drawImageInRect(painter, image(), m_imageRect, controlView);
    // 5. the info text, in the cell's font and the default text colour, on the
    // title's line
    if (!m_infoText.isEmpty() && m_infoTextRect.width() > 0) {
        painter.save();
        painter.setFont(m_textFont);
        const QPalette palette = controlView ? controlView->palette() : QApplication::palette();
        painter.setPen(palette.color(QPalette::Active, QPalette::Text));
        const QRectF line(m_infoTextRect.x(), titleRect.y(), m_infoTextRect.width(), titleRect.height());
        painter.drawText(line, int(Qt::AlignLeft | Qt::AlignVCenter), m_infoText);
        painter.restore();
    }
    // 6. the status image
    if (!m_statusImage.isNull())
        drawImageInRect(painter, m_statusImage, m_statusImageRect, controlView);
    // 7. the right image
    if (!m_rightImage.isNull())
        drawImageInRect(painter, m_rightImage, m_rightImageRect, controlView);
    // 8. the pill on top
    if (m_labelColor.isValid() && highlighted && !isZeroRect(m_labelRect))
        drawLabelColorWithFrame(painter, drawing, controlView);
}

void NTXLabeledImageTextCell::drawLabelColorWithFrame(QPainter &painter, const QRectF &frame,
                                                      QWidget *controlView) const
{
    if (!m_labelColor.isValid())
        return;
    // 1. - 2.
    const QColor light = blendedColor(m_labelColor, 0.5, QColor(Qt::white));
    const qreal radius = frame.height() * 0.5;
    // 3.
    if (drawsBackground())
        painter.fillRect(frame, backgroundColor(controlView));
    // 4.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath path;
    NTXNSBezierPathExtension::appendBezierPathWithRoundedRectangle(path, m_labelRect, radius);
    platform::Gradient(m_labelColor, light).drawInBezierPath(painter, path, 270);
    painter.restore();
}
