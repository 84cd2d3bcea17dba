#include "components/scopebar/SRButtonCell.h"

#include "components/scopebar/SRTextMetrics.h"
#include "FoundationExtensions/NTXNSStringExtension.h"
#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/drawing/SystemColors.h"

#include <QPainter>
#include <QPainterPath>

namespace {
const bool registered = platform::CodingRegistry::registerClass<SRButtonCell>(QStringLiteral("SRButtonCell"));
const QString BorderKey = QStringLiteral("SRButtonCell showsBorderOnlyWhileMouseInside");
} // namespace

SRButtonCell::SRButtonCell() : SRButtonCell(QString()) {}

SRButtonCell::SRButtonCell(const QString &title) : platform::ButtonCell(title, ButtonType::PushOnPushOff)
{
    (void)registered;
}

std::unique_ptr<platform::Cell> SRButtonCell::clone() const
{
    return std::unique_ptr<platform::Cell>(new SRButtonCell(*this));
}

void SRButtonCell::setState(State state)
{
    ButtonCell::setState(state);
    m_selected = this->state() == State::On;
}

void SRButtonCell::mouseEntered(QWidget *controlView)
{
    m_mouseOver = true;
    ButtonCell::mouseEntered(controlView);
}

void SRButtonCell::mouseExited(QWidget *controlView)
{
    m_mouseOver = false;
    ButtonCell::mouseExited(controlView);
}

void SRButtonCell::drawCapsule(QPainter &painter, const QRectF &frame, bool pressed)
{
    const QRectF rect = frame.adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = rect.height() / 2;
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path, platform::SystemColors::calibratedWhite(pressed ? 0.32 : 0.48));
    // The recessed look: a darker inner top edge, a light bottom edge.
    painter.setPen(QPen(platform::SystemColors::calibratedWhite(0.25, 0.8), 1.0));
    painter.drawPath(path);
    painter.setPen(QPen(platform::SystemColors::calibratedWhite(1.0, 0.55), 1.0));
    painter.drawLine(QPointF(rect.left() + radius, rect.bottom() + 0.5), QPointF(rect.right() - radius, rect.bottom() + 0.5));
    painter.restore();
}

void SRButtonCell::drawScopeTitle(QPainter &painter, const QString &title, const QRectF &frame) const
{
    NTXNSStringExtension::TextAttributes attributes;
    attributes.font = SRTextMetrics::boldSystemFont(11.0);
    const bool light = m_selected || m_mouseOver;
    attributes.color = light ? platform::SystemColors::whiteColor() : platform::SystemColors::deviceRGB(0.25, 0.25, 0.25);
    attributes.shadow = light ? platform::Shadow(QSizeF(0, -0.5), 0, platform::SystemColors::deviceRGB(0.2, 0.2, 0.2))
                              : platform::Shadow(QSizeF(0, -1.0), 0, platform::SystemColors::whiteColor());
    NTXNSStringExtension::drawWithFontAttributes(title, painter, attributes,
                                                 NTXNSStringExtension::CenterTextAlignment, true, frame);
}

void SRButtonCell::drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *) const
{
    if (m_selected || m_mouseOver || isHighlighted() || !m_showsBorderOnlyWhileMouseInside)
        drawCapsule(painter, frame, isHighlighted());
    QRectF content = frame.adjusted(Padding, 0, -Padding, 0);
    if (!image().isNull()) {
        const QSizeF size = imageSize().isEmpty() ? QSizeF(16, 16) : imageSize();
        const QRectF imageRect(content.left(), frame.center().y() - size.height() / 2, size.width(), size.height());
        image().paint(&painter, imageRect.toRect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
        content.setLeft(imageRect.right() + ImageGap);
    }
    if (!title().isEmpty())
        drawScopeTitle(painter, title(), content);
}

QSizeF SRButtonCell::cellSize() const
{
    qreal width = 2 * Padding;
    if (!title().isEmpty())
        width += SRTextMetrics::width(title(), font());
    if (!image().isNull())
        width += (imageSize().isEmpty() ? 16.0 : imageSize().width()) + (title().isEmpty() ? 0 : ImageGap);
    return QSizeF(width, Height);
}

void SRButtonCell::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    ButtonCell::encodeWithCoder(coder);
    coder.encodeBool(m_showsBorderOnlyWhileMouseInside, BorderKey);
}

bool SRButtonCell::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    const bool shows = coder.containsValueForKey(BorderKey) ? coder.decodeBool(BorderKey) : true;
    if (coder.failed() || !ButtonCell::initWithCoder(coder))
        return false;
    m_showsBorderOnlyWhileMouseInside = shows;
    m_selected = state() == State::On;
    return true;
}
