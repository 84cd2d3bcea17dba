#include "NTXAppKit/preferences/NTXPrefPaneIcon.h"

#include "platform/drawing/ActionDispatch.h"

#include <QPainter>

NTXPrefPaneIcon::NTXPrefPaneIcon(QObject *parent)
    : NTXPrefPaneIcon(QStringLiteral(""), QImage(), QStringLiteral(""), parent)
{
}

NTXPrefPaneIcon::NTXPrefPaneIcon(const QString &identifier, const QImage &image, const QString &title, QObject *parent)
    : QObject(parent)
    , m_itemIdentifier(identifier)
    , m_title(title)
    , m_category(QStringLiteral(""))
{
    setImage(image);
}

NTXPrefPaneIcon::~NTXPrefPaneIcon() = default;

void NTXPrefPaneIcon::setImage(const QImage &image)
{
    QImage scaled(ImageSize, ImageSize, QImage::Format_ARGB32_Premultiplied);
    scaled.fill(Qt::transparent);
    if (!image.isNull()) {
        QPainter painter(&scaled);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(0, 0, ImageSize, ImageSize), image, QRectF(image.rect()));
    }
    m_image = scaled;
}

bool NTXPrefPaneIcon::sendAction()
{
    if (!m_target || m_selector.isEmpty())
        return false;
    return platform::sendAction(m_selector.constData(), m_target, this);
}

int NTXPrefPaneIcon::compare(const NTXPrefPaneIcon &other) const
{
    return QString::compare(m_title, other.m_title, Qt::CaseSensitive);
}

int NTXPrefPaneIcon::caseInsensitiveCompare(const NTXPrefPaneIcon &other) const
{
    return QString::compare(m_title, other.m_title, Qt::CaseInsensitive);
}
