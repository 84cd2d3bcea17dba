#include "platform/layers/GradientLayer.h"

#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {

QVariantList toVariants(const auto &list)
{
    QVariantList variants;
    for (const auto &item : list)
        variants.append(QVariant::fromValue(item));
    return variants;
}

template <typename T>
QList<T> fromVariants(const QVariant &value)
{
    QList<T> list;
    for (const QVariant &item : value.toList())
        list.append(item.value<T>());
    return list;
}

QPointF finitePoint(const QPointF &p)
{
    return QPointF(std::isfinite(p.x()) ? p.x() : 0, std::isfinite(p.y()) ? p.y() : 0);
}

} // namespace

std::shared_ptr<GradientLayer> GradientLayer::create()
{
    return std::make_shared<GradientLayer>();
}

GradientLayer::GradientLayer()
{
    setNeedsDisplayOnBoundsChange(true);
}

GradientLayer::GradientLayer(const GradientLayer &m, PresentationCopy tag)
    : Layer(m, tag)
    , m_colors(m.m_colors)
    , m_locations(m.m_locations)
    , m_start(m.m_start)
    , m_end(m.m_end)
{
}

LayerPtr GradientLayer::makePresentationCopy() const
{
    return LayerPtr(new GradientLayer(*this, PresentationCopy{}));
}

const KeyTable &GradientLayer::keyTable() const
{
    static const KeyTable table = extendKeyTable(
        Layer::keyTable(),
        {
            {QStringLiteral("colors"),
             KeyAccessor{[](const KeyValueObservable &o) {
                             return QVariant(toVariants(static_cast<const GradientLayer &>(o).colors()));
                         },
                         [](KeyValueObservable &o, const QVariant &v) {
                             static_cast<GradientLayer &>(o).setColors(fromVariants<QColor>(v));
                         }}},
            {QStringLiteral("locations"),
             KeyAccessor{[](const KeyValueObservable &o) {
                             return QVariant(toVariants(static_cast<const GradientLayer &>(o).locations()));
                         },
                         [](KeyValueObservable &o, const QVariant &v) {
                             static_cast<GradientLayer &>(o).setLocations(fromVariants<qreal>(v));
                         }}},
            {QStringLiteral("startPoint"),
             KeyAccessor{[](const KeyValueObservable &o) {
                             return QVariant(static_cast<const GradientLayer &>(o).startPoint());
                         },
                         [](KeyValueObservable &o, const QVariant &v) {
                             static_cast<GradientLayer &>(o).setStartPoint(v.toPointF());
                         }}},
            {QStringLiteral("endPoint"),
             KeyAccessor{[](const KeyValueObservable &o) {
                             return QVariant(static_cast<const GradientLayer &>(o).endPoint());
                         },
                         [](KeyValueObservable &o, const QVariant &v) {
                             static_cast<GradientLayer &>(o).setEndPoint(v.toPointF());
                         }}},
        });
    return table;
}

void GradientLayer::setColors(const QList<QColor> &colors)
{
    changeProperty(m_colors, colors, QStringLiteral("colors"));
    setNeedsDisplay();
}

void GradientLayer::setLocations(const QList<qreal> &locations)
{
    changeProperty(m_locations, locations, QStringLiteral("locations"));
    setNeedsDisplay();
}

void GradientLayer::setStartPoint(const QPointF &point)
{
    changeProperty(m_start, finitePoint(point), QStringLiteral("startPoint"));
    setNeedsDisplay();
}

void GradientLayer::setEndPoint(const QPointF &point)
{
    changeProperty(m_end, finitePoint(point), QStringLiteral("endPoint"));
    setNeedsDisplay();
}

bool GradientLayer::needsDisplayForKey(const QString &key) const
{
    return key == QLatin1String("colors") || key == QLatin1String("locations") || key == QLatin1String("startPoint")
        || key == QLatin1String("endPoint") || Layer::needsDisplayForKey(key);
}

bool GradientLayer::isAnimatableKey(const QString &key) const
{
    return needsDisplayForKey(key) || Layer::isAnimatableKey(key);
}

void GradientLayer::drawInContext(QPainter &painter)
{
    Layer::drawInContext(painter);
    if (m_colors.isEmpty())
        return;
    const QRectF b = bounds();
    const QPointF start(b.x() + m_start.x() * b.width(), b.y() + m_start.y() * b.height());
    const QPointF end(b.x() + m_end.x() * b.width(), b.y() + m_end.y() * b.height());
    QLinearGradient gradient(start, end);
    const bool useLocations = m_locations.size() == m_colors.size();
    const qsizetype n = m_colors.size();
    for (qsizetype i = 0; i < n; ++i) {
        const qreal at = useLocations ? m_locations.at(i) : (n == 1 ? 0.0 : qreal(i) / qreal(n - 1));
        gradient.setColorAt(std::isfinite(at) ? std::clamp<qreal>(at, 0, 1) : 0, m_colors.at(i));
    }
    painter.fillRect(b, gradient);
}

} // namespace platform
