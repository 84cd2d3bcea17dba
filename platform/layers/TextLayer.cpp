#include "platform/layers/TextLayer.h"

#include "platform/drawing/YUpPainter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {
#define TEXT_KEY(key, getter, setter, Type)                                                                         \
    {                                                                                                              \
        QStringLiteral(key), KeyAccessor {                                                                         \
            [](const KeyValueObservable &o) { return QVariant::fromValue(static_cast<const TextLayer &>(o).getter()); }, \
                [](KeyValueObservable &o, const QVariant &v) { static_cast<TextLayer &>(o).setter(v.value<Type>()); } \
        }                                                                                                          \
    }
} // namespace

std::shared_ptr<TextLayer> TextLayer::create()
{
    return std::make_shared<TextLayer>();
}

TextLayer::TextLayer()
{
    setNeedsDisplayOnBoundsChange(true);
}

TextLayer::TextLayer(const TextLayer &m, PresentationCopy tag)
    : Layer(m, tag)
    , m_string(m.m_string)
    , m_font(m.m_font)
    , m_fontSize(m.m_fontSize)
    , m_foreground(m.m_foreground)
    , m_alignment(m.m_alignment)
    , m_truncation(m.m_truncation)
    , m_wrapped(m.m_wrapped)
{
}

LayerPtr TextLayer::makePresentationCopy() const
{
    return LayerPtr(new TextLayer(*this, PresentationCopy{}));
}

const KeyTable &TextLayer::keyTable() const
{
    static const KeyTable table = extendKeyTable(Layer::keyTable(),
                                                 {
                                                     TEXT_KEY("string", string, setString, QString),
                                                     TEXT_KEY("font", font, setFont, QFont),
                                                     TEXT_KEY("fontSize", fontSize, setFontSize, qreal),
                                                     TEXT_KEY("foregroundColor", foregroundColor, setForegroundColor, QColor),
                                                     TEXT_KEY("wrapped", isWrapped, setWrapped, bool),
                                                 });
    return table;
}

void TextLayer::setString(const QString &string)
{
    changeProperty(m_string, string, QStringLiteral("string"));
    setNeedsDisplay();
}

void TextLayer::setFont(const QFont &font)
{
    changeProperty(m_font, font, QStringLiteral("font"));
    setNeedsDisplay();
}

void TextLayer::setFontSize(qreal size)
{
    changeProperty(m_fontSize, std::isfinite(size) ? std::clamp(size, MinimumFontSize, MaximumFontSize) : 36.0,
                   QStringLiteral("fontSize"));
    setNeedsDisplay();
}

void TextLayer::setForegroundColor(const QColor &color)
{
    changeProperty(m_foreground, color, QStringLiteral("foregroundColor"));
    setNeedsDisplay();
}

void TextLayer::setAlignmentMode(Alignment alignment)
{
    changeProperty(m_alignment, alignment, QStringLiteral("alignmentMode"));
    setNeedsDisplay();
}

void TextLayer::setTruncationMode(Truncation truncation)
{
    changeProperty(m_truncation, truncation, QStringLiteral("truncationMode"));
    setNeedsDisplay();
}

void TextLayer::setWrapped(bool wrapped)
{
    changeProperty(m_wrapped, wrapped, QStringLiteral("wrapped"));
    setNeedsDisplay();
}

bool TextLayer::needsDisplayForKey(const QString &key) const
{
    return key == QLatin1String("fontSize") || key == QLatin1String("foregroundColor")
        || Layer::needsDisplayForKey(key);
}

bool TextLayer::isAnimatableKey(const QString &key) const
{
    return needsDisplayForKey(key) || Layer::isAnimatableKey(key);
}

void TextLayer::drawInContext(QPainter &painter)
{
    Layer::drawInContext(painter);
    if (m_string.isEmpty() || !m_foreground.isValid())
        return;
    QFont font = m_font;
    font.setPointSizeF(m_fontSize);
    painter.setFont(font);
    painter.setPen(m_foreground);
    int flags = Qt::AlignTop;
    switch (m_alignment) {
    case Alignment::Natural:
    case Alignment::Left:
        flags |= Qt::AlignLeft;
        break;
    case Alignment::Right:
        flags |= Qt::AlignRight;
        break;
    case Alignment::Center:
        flags |= Qt::AlignHCenter;
        break;
    case Alignment::Justified:
        flags |= Qt::AlignJustify;
        break;
    }
    const QRectF b = bounds();
    QString text = m_string;
    if (m_wrapped) {
        flags |= Qt::TextWordWrap;
    } else if (m_truncation != Truncation::None) {
        const Qt::TextElideMode mode = m_truncation == Truncation::Start ? Qt::ElideLeft
            : m_truncation == Truncation::Middle                         ? Qt::ElideMiddle
                                                                         : Qt::ElideRight;
        text = QFontMetricsF(font, painter.device()).elidedText(text, mode, b.width());
    }
    YUpPainter::drawTextUpright(painter, b, flags, text);
}

} // namespace platform
