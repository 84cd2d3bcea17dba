#include "components/scopebar/SRPopUpButtonCell.h"

#include "components/scopebar/SRButtonCell.h"
#include "components/scopebar/SRTextMetrics.h"
#include "FoundationExtensions/NTXNSStringExtension.h"
#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/drawing/SystemColors.h"

#include <QPainter>
#include <QPainterPath>

namespace {
const bool registered =
    platform::CodingRegistry::registerClass<SRPopUpButtonCell>(QStringLiteral("SRPopUpButtonCell"));
const QString BorderKey = QStringLiteral("SRPopUpButtonCell showsBorderOnlyWhileMouseInside");
} // namespace

SRPopUpButtonCell::SRPopUpButtonCell(const QString &title, bool pullsDown) : platform::PopUpButtonCell(title, pullsDown)
{
    (void)registered;
}

std::unique_ptr<platform::Cell> SRPopUpButtonCell::clone() const
{
    return std::unique_ptr<platform::Cell>(new SRPopUpButtonCell(*this));
}

void SRPopUpButtonCell::setMenuItem(const QString &title, const QIcon &image)
{
    m_itemTitle = title;
    m_itemImage = image;
}

void SRPopUpButtonCell::mouseEntered(QWidget *controlView)
{
    m_mouseOver = true;
    PopUpButtonCell::mouseEntered(controlView);
}

void SRPopUpButtonCell::mouseExited(QWidget *controlView)
{
    m_mouseOver = false;
    PopUpButtonCell::mouseExited(controlView);
}

void SRPopUpButtonCell::drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *) const
{
    if (m_mouseOver || isHighlighted() || !m_showsBorderOnlyWhileMouseInside)
        SRButtonCell::drawCapsule(painter, frame, isHighlighted());
    QRectF content = frame.adjusted(SRButtonCell::Padding, -1.0, -SRButtonCell::Padding - ArrowWidth, -1.0);
    if (!m_itemImage.isNull()) {
        const QRectF imageRect(content.left(), frame.center().y() - 8, 16, 16);
        m_itemImage.paint(&painter, imageRect.toRect());
        content.setLeft(imageRect.right() + SRButtonCell::ImageGap);
    }
    NTXNSStringExtension::TextAttributes attributes;
    attributes.font = SRTextMetrics::boldSystemFont(11.0);
    attributes.color = platform::SystemColors::whiteColor();
    attributes.shadow = platform::Shadow(QSizeF(0, -0.5), 0, platform::SystemColors::deviceRGB(0.2, 0.2, 0.2));
    const bool light = m_mouseOver || isHighlighted() || !m_showsBorderOnlyWhileMouseInside;
    if (!light) {
        attributes.color = platform::SystemColors::deviceRGB(0.25, 0.25, 0.25);
        attributes.shadow = platform::Shadow(QSizeF(0, -1.0), 0, platform::SystemColors::whiteColor());
    }
    NTXNSStringExtension::drawWithFontAttributes(m_itemTitle, painter, attributes,
                                                 NTXNSStringExtension::LeftTextAlignment, true, content);
    // The arrow: a small triangle pointing down.
    const QPointF tip(frame.right() - SRButtonCell::Padding - ArrowWidth / 2, frame.center().y() + 2.5);
    QPainterPath arrow;
    arrow.moveTo(tip + QPointF(-3.5, -5));
    arrow.lineTo(tip + QPointF(3.5, -5));
    arrow.lineTo(tip);
    arrow.closeSubpath();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(arrow, *attributes.color);
    painter.restore();
}

QSizeF SRPopUpButtonCell::cellSize() const
{
    qreal width = 2 * SRButtonCell::Padding + ArrowWidth + SRTextMetrics::width(m_itemTitle, font());
    if (!m_itemImage.isNull())
        width += 16.0 + SRButtonCell::ImageGap;
    return QSizeF(width, SRButtonCell::Height);
}

void SRPopUpButtonCell::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    PopUpButtonCell::encodeWithCoder(coder);
    coder.encodeBool(m_showsBorderOnlyWhileMouseInside, BorderKey);
}

bool SRPopUpButtonCell::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    const bool shows = coder.containsValueForKey(BorderKey) ? coder.decodeBool(BorderKey) : true;
    if (coder.failed() || !PopUpButtonCell::initWithCoder(coder))
        return false;
    m_showsBorderOnlyWhileMouseInside = shows;
    return true;
}
