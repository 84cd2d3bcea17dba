#include "components/tabbarview/KZRolloverButtonCell.h"

#include "platform/archive/Coder.h"
#include "platform/drawing/BundleImages.h"
#include "platform/drawing/Control.h"

#include <QPainter>
#include <QPixmap>

KZRolloverButtonCell::KZRolloverButtonCell() = default;
KZRolloverButtonCell::~KZRolloverButtonCell() = default;

std::unique_ptr<platform::Cell> KZRolloverButtonCell::clone() const
{
    auto copy = std::unique_ptr<KZRolloverButtonCell>(new KZRolloverButtonCell(*this));
    copy->m_mouseHovered = false;
    copy->m_controlView = nullptr;
    copy->setRolloverButtonType(m_rolloverButtonType);
    return copy;
}

void KZRolloverButtonCell::setRolloverButtonType(unsigned type)
{
    m_rolloverButtonType = type;
    if (type == 0) {
        setButtonType(ButtonType::MomentaryChange);
        setImagePosition(ImagePosition::ImageOnly);
        setBordered(false);
    }
    updateControlView();
}

void KZRolloverButtonCell::mouseEntered(Qt::KeyboardModifiers modifiers)
{
    if (m_simulateClick && (modifiers & Qt::AltModifier)) {
        if (auto *control = qobject_cast<platform::Control *>(m_controlView.data()))
            control->performClick(control);
        return;
    }
    m_mouseHovered = true;
    updateControlView();
}

void KZRolloverButtonCell::mouseExited()
{
    m_mouseHovered = false;
    updateControlView();
}

void KZRolloverButtonCell::updateControlView() const
{
    if (m_controlView)
        m_controlView->update();
}

QIcon KZRolloverButtonCell::shownImage() const
{
    if (isHighlighted())
        return buttonType() == ButtonType::MomentaryChange && !alternateImage().isNull() ? alternateImage() : image();
    if (m_mouseHovered && !m_rolloverImage.isNull())
        return m_rolloverImage;
    return image();
}

void KZRolloverButtonCell::drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    if (imagePosition() != ImagePosition::ImageOnly) {
        ButtonCell::drawInteriorWithFrame(painter, frame, controlView);
        return;
    }
    // The image at its natural size (scaled down to fit), centred in the frame.
    const QIcon shown = shownImage();
    if (shown.isNull())
        return;
    QSizeF size = platform::BundleImages::naturalSize(shown);
    if (size.isEmpty())
        size = frame.size();
    size = size.scaled(size.boundedTo(frame.size()), Qt::KeepAspectRatio);
    const QRectF target(frame.center().x() - size.width() / 2, frame.center().y() - size.height() / 2, size.width(),
                        size.height());
    shown.paint(&painter, target.toAlignedRect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
}

void KZRolloverButtonCell::encode(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    coder.encodeObject(m_rolloverImage.isNull() ? QVariant() : QVariant(platform::BundleImages::rendered(m_rolloverImage)),
                       QStringLiteral("rolloverImage"));
    coder.encodeInt32(m_simulateClick ? 1 : 0, QStringLiteral("simulateClickOnMouseHovered"));
    coder.encodeInt32(static_cast<qint32>(m_rolloverButtonType), QStringLiteral("rolloverButtonType"));
}

void KZRolloverButtonCell::decode(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return;
    const QImage image = coder.decodeObject<QImage>(QStringLiteral("rolloverImage"));
    const qint32 simulate = coder.decodeInt32(QStringLiteral("simulateClickOnMouseHovered"));
    const qint32 type = coder.decodeInt32(QStringLiteral("rolloverButtonType"));
    if (coder.failed())
        return;
    m_rolloverImage = image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
    m_simulateClick = simulate != 0;
    m_rolloverButtonType = static_cast<unsigned>(type);
}
