#include "components/flowview/KZButtonLayer.h"

#include "platform/drawing/YUpPainter.h"

#include <QPainter>

using platform::KeyAccessor;
using platform::KeyValueObservable;

std::shared_ptr<KZButtonLayer> KZButtonLayer::create()
{
    return std::make_shared<KZButtonLayer>();
}

KZButtonLayer::KZButtonLayer()
{
    setOpaque(false);
}

KZButtonLayer::KZButtonLayer(const KZButtonLayer &m, PresentationCopy tag)
    : Layer(m, tag)
    , m_highlighted(m.m_highlighted)
    , m_enabled(m.m_enabled)
    , m_state(m.m_state)
    , m_type(m.m_type)
    , m_image(m.m_image)
    , m_alternateImage(m.m_alternateImage)
{
}

platform::LayerPtr KZButtonLayer::makePresentationCopy() const
{
    return platform::LayerPtr(new KZButtonLayer(*this, PresentationCopy{}));
}

#define BUTTON_KEY(key, getter, setter, Type)                                                                      \
    {                                                                                                              \
        QStringLiteral(key), KeyAccessor                                                                           \
        {                                                                                                          \
            [](const KeyValueObservable &o) { return QVariant::fromValue(static_cast<const KZButtonLayer &>(o).getter()); }, \
                [](KeyValueObservable &o, const QVariant &v) { static_cast<KZButtonLayer &>(o).setter(v.value<Type>()); } \
        }                                                                                                          \
    }

const platform::KeyTable &KZButtonLayer::keyTable() const
{
    static const platform::KeyTable table = extendKeyTable(Layer::keyTable(),
                                                           {
                                                               BUTTON_KEY("highlighted", isHighlighted, setHighlighted, bool),
                                                               BUTTON_KEY("enabled", isEnabled, setEnabled, bool),
                                                               BUTTON_KEY("state", state, setState, qint64),
                                                               BUTTON_KEY("type", type, setType, quint64),
                                                           });
    return table;
}

void KZButtonLayer::setHighlighted(bool highlighted)
{
    changeProperty(m_highlighted, highlighted, QStringLiteral("highlighted"));
}

void KZButtonLayer::setEnabled(bool enabled)
{
    changeProperty(m_enabled, enabled, QStringLiteral("enabled"));
}

void KZButtonLayer::setState(qint64 state)
{
    changeProperty(m_state, state, QStringLiteral("state"));
}

void KZButtonLayer::setType(quint64 type)
{
    changeProperty(m_type, type, QStringLiteral("type"));
}

void KZButtonLayer::setImage(const QImage &image)
{
    m_image = image;
    setNeedsDisplay();
}

void KZButtonLayer::setAlternateImage(const QImage &image)
{
    m_alternateImage = image;
    setNeedsDisplay();
}

void KZButtonLayer::performClick()
{
    if (const Action action = m_action) // the action may replace itself
        action(*this);
    setHighlighted(false);
}

const QSet<QString> &KZButtonLayer::keysAffectingRedisplay()
{
    static const QSet<QString> keys = {QStringLiteral("highlighted"), QStringLiteral("enabled"),
                                       QStringLiteral("type"), QStringLiteral("state")};
    return keys;
}

const std::vector<platform::ColorControlsFilter> &KZButtonLayer::selectedFilters()
{
    static const std::vector<platform::ColorControlsFilter> filters = [] {
        platform::ColorControlsFilter darker;
        darker.setBrightness(SelectedBrightness);
        return std::vector<platform::ColorControlsFilter>{darker};
    }();
    return filters;
}

bool KZButtonLayer::needsDisplayForKey(const QString &key) const
{
    return keysAffectingRedisplay().contains(key) || Layer::needsDisplayForKey(key);
}

void KZButtonLayer::drawInContext(QPainter &painter)
{
    const QImage &picture = m_state == 1 ? m_alternateImage : m_image;
    if (picture.isNull())
        return;
    if (!m_highlighted) {
        platform::YUpPainter::drawImageUpright(painter, bounds(), picture);
        return;
    }
    // The picture multiplied by the gray, inside the picture's own shape.
    QImage darkened = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    {
        QPainter p(&darkened);
        p.setCompositionMode(QPainter::CompositionMode_Multiply);
        p.fillRect(darkened.rect(), QColor::fromRgbF(HighlightGray, HighlightGray, HighlightGray));
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        p.drawImage(0, 0, picture);
    }
    platform::YUpPainter::drawImageUpright(painter, bounds(), darkened);
}
