#include "NTXAppKit/NTXThemeManager/NTXTImageCell.h"

#include "NTXAppKit/NTXThemeManager/NTXThemeManager.h"
#include "NTXAppKit/NTXThemeManager/NTXThemedButtonDrawing.h"
#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"

namespace {
const bool registeredForCoding =
    platform::CodingRegistry::registerClass<NTXTImageCell>(QStringLiteral("NTXTImageCell"));
} // namespace

NTXTImageCell::NTXTImageCell(const QIcon &image)
    : ImageCell(image)
{
}

std::unique_ptr<platform::Cell> NTXTImageCell::clone() const
{
    return std::unique_ptr<platform::Cell>(new NTXTImageCell(*this));
}

std::shared_ptr<const NTXTheme> NTXTImageCell::theme() const
{
    return NTXThemeManager::sharedThemeManager().themeForKey(m_themeKey);
}

void NTXTImageCell::drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    const auto found = theme();
    if (!found) {
        ImageCell::drawInteriorWithFrame(painter, frame, controlView);
        return;
    }
    if (image().isNull())
        return;
    const qreal alpha =
        found->alphaValueForBackgroundStyle(backgroundStyle(), isEnabled() ? 0u : NTXTheme::StateDisabled);
    NTXThemedButtonDrawing::drawStretchedImage(painter, image(), frame, alpha);
}

QString NTXTImageCell::classNameForCoder() const
{
    return QStringLiteral("NTXTImageCell");
}

void NTXTImageCell::encodeWithCoder(platform::Coder &coder) const
{
    ImageCell::encodeWithCoder(coder);
    if (coder.allowsKeyedCoding() && !m_themeKey.isNull())
        coder.encodeObject(QVariant(m_themeKey), NTXThemeArchiveKeys::ThemeKey);
}

bool NTXTImageCell::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    const QString key = coder.containsValueForKey(NTXThemeArchiveKeys::ThemeKey)
        ? coder.decodeObject<QString>(NTXThemeArchiveKeys::ThemeKey)
        : QString();
    if (coder.failed() || !ImageCell::initWithCoder(coder))
        return false;
    m_themeKey = key;
    return true;
}
