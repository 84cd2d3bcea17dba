#include "components/flowview/KZVideoOverlayLayer.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/layers/BasicAnimation.h"
#include "platform/layers/ConstraintLayoutManager.h"
#include "platform/layers/MovieLayer.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

using platform::KeyAccessor;
using platform::KeyValueObservable;
using platform::LayoutConstraint;
using Attribute = platform::LayoutConstraint::Attribute;

namespace {

QList<LayoutConstraint> centredOnSuperlayer()
{
    return {LayoutConstraint::superlayer(Attribute::MidX, Attribute::MidX),
            LayoutConstraint::superlayer(Attribute::MidY, Attribute::MidY)};
}

QImage buttonImage(const QPainterPath &shape)
{
    QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // The shapes are described y-up; the image's rows run top down.
    p.translate(0, 40);
    p.scale(1, -1);
    QPainterPath path = shape;
    path.setFillRule(Qt::OddEvenFill);
    p.fillPath(path, Qt::white);
    return image;
}

} // namespace

std::shared_ptr<KZVideoOverlayLayer> KZVideoOverlayLayer::create()
{
    auto overlay = std::make_shared<KZVideoOverlayLayer>();
    std::weak_ptr<KZVideoOverlayLayer> weak = overlay;
    overlay->setAction([weak](KZButtonLayer &) {
        if (const auto self = weak.lock())
            self->buttonClicked();
    });
    overlay->setupNotifications();
    return overlay;
}

KZVideoOverlayLayer::KZVideoOverlayLayer()
    : m_buttonLayer(KZButtonLayer::create())
{
    setLayoutManager(platform::ConstraintLayoutManager::shared());
    setConstraints(centredOnSuperlayer());
    m_buttonLayer->setBorderColor(Qt::white);
    m_buttonLayer->setBorderWidth(2);
    m_buttonLayer->setCornerRadius(20);
    m_buttonLayer->setBounds(QRectF(0, 0, 40, 40));
    m_buttonLayer->setConstraints(centredOnSuperlayer());
    m_buttonLayer->setImage(playImage());
    m_buttonLayer->setAlternateImage(pauseImage());
    m_buttonLayer->setType(1);
    m_buttonLayer->setNeedsDisplay();
    addSublayer(m_buttonLayer);
}

KZVideoOverlayLayer::KZVideoOverlayLayer(const KZVideoOverlayLayer &m, PresentationCopy tag)
    : Layer(m, tag)
    , m_indicatorScale(m.m_indicatorScale)
    , m_indicatorValue(m.m_indicatorValue)
{
}

KZVideoOverlayLayer::~KZVideoOverlayLayer()
{
    teardownNotifications();
}

platform::LayerPtr KZVideoOverlayLayer::makePresentationCopy() const
{
    return platform::LayerPtr(new KZVideoOverlayLayer(*this, PresentationCopy{}));
}

const platform::KeyTable &KZVideoOverlayLayer::keyTable() const
{
    static const platform::KeyTable table = extendKeyTable(
        Layer::keyTable(),
        {
            {QStringLiteral("indicatorScale"),
             KeyAccessor{[](const KeyValueObservable &o) {
                             return QVariant(static_cast<const KZVideoOverlayLayer &>(o).indicatorScale());
                         },
                         [](KeyValueObservable &o, const QVariant &v) {
                             static_cast<KZVideoOverlayLayer &>(o).setIndicatorScale(v.toDouble());
                         }}},
            {QStringLiteral("indicatorValue"),
             KeyAccessor{[](const KeyValueObservable &o) {
                             return QVariant(static_cast<const KZVideoOverlayLayer &>(o).indicatorValue());
                         },
                         [](KeyValueObservable &o, const QVariant &v) {
                             static_cast<KZVideoOverlayLayer &>(o).setIndicatorValue(v.toDouble());
                         }}},
        });
    return table;
}

void KZVideoOverlayLayer::setIndicatorScale(qreal scale)
{
    changeProperty(m_indicatorScale, std::isfinite(scale) ? scale : 0.0, QStringLiteral("indicatorScale"));
}

void KZVideoOverlayLayer::setIndicatorValue(qreal value)
{
    changeProperty(m_indicatorValue, std::isfinite(value) ? value : 0.0, QStringLiteral("indicatorValue"));
}

std::shared_ptr<platform::Movie> KZVideoOverlayLayer::movie() const
{
    const auto *movieLayer = dynamic_cast<const platform::MovieLayer *>(superlayer());
    return movieLayer ? movieLayer->movie() : nullptr;
}

bool KZVideoOverlayLayer::needsDisplayForKey(const QString &key) const
{
    return key == QLatin1String("indicatorScale") || key == QLatin1String("indicatorValue")
        || Layer::needsDisplayForKey(key);
}

void KZVideoOverlayLayer::buttonClicked()
{
    const auto m = movie();
    if (m && m->rate() > 0)
        collapse();
    else
        expand();
}

void KZVideoOverlayLayer::animateIndicator(qreal from, qreal to)
{
    auto animation = platform::BasicAnimation::withKeyPath(QStringLiteral("indicatorScale"));
    animation->setFromValue(from);
    animation->setToValue(to);
    animation->setDuration(ExpandDuration);
    animation->setTimingFunction(
        platform::MediaTimingFunction::named(platform::MediaTimingFunction::Name::EaseInEaseOut));
    addAnimation(animation, QStringLiteral("indicatorScale"));
}

void KZVideoOverlayLayer::expand()
{
    animateIndicator(0.0, 1.0);
    setIndicatorScale(1.0);
    startMovieUpdateTimer();
    if (const auto m = movie())
        m->autoplay();
    m_buttonLayer->setState(1);
}

void KZVideoOverlayLayer::collapse()
{
    animateIndicator(1.0, 0.0);
    setIndicatorScale(0.0);
    if (const auto m = movie())
        m->stop();
    stopMovieUpdateTimer();
    m_buttonLayer->setState(0);
}

void KZVideoOverlayLayer::startMovieUpdateTimer()
{
    if (isPresentation())
        return;
    if (!m_timer) {
        m_timer = std::make_unique<QTimer>();
        m_timer->setInterval(UpdateIntervalMs);
        QObject::connect(m_timer.get(), &QTimer::timeout,
            platform::ExceptionBoundary::guarded(m_timer.get(), "timeout", [this] { updateMovieOverlay(); }));
    }
    m_timer->start();
}

void KZVideoOverlayLayer::stopMovieUpdateTimer()
{
    m_timer.reset();
}

void KZVideoOverlayLayer::updateMovieOverlay()
{
    const auto m = movie();
    if (m) {
        const std::optional<double> current = platform::Movie::seconds(m->currentTime());
        const std::optional<double> duration = platform::Movie::seconds(m->duration());
        // A movie still loading reports no length: no progress to show yet.
        if (current && duration && *duration > 0)
            setIndicatorValue(std::clamp(*current / *duration, 0.0, 1.0));
    }
    if (!m || !(m->rate() > 0))
        collapse();
}

void KZVideoOverlayLayer::setupNotifications()
{
    if (m_hiddenObservation || isPresentation())
        return;
    m_hiddenObservation = addObserver(QStringLiteral("hidden"), [this](KeyValueObservable &, const QString &, bool prior) {
        if (prior)
            return;
        if (isHidden())
            stopMovieUpdateTimer();
        else
            startMovieUpdateTimer();
    });
    // As observed from the start: the state it has now counts as a change.
    if (isHidden())
        stopMovieUpdateTimer();
    else
        startMovieUpdateTimer();
}

void KZVideoOverlayLayer::teardownNotifications()
{
    if (!m_hiddenObservation)
        return;
    removeObserver(m_hiddenObservation);
    m_hiddenObservation = 0;
}

void KZVideoOverlayLayer::removeFromSuperlayer()
{
    teardownNotifications();
    Layer::removeFromSuperlayer();
}

void KZVideoOverlayLayer::drawInContext(QPainter &painter)
{
    const qreal s = m_indicatorScale;
    QRectF r1 = bounds().adjusted(1, 1, -1, -1);
    const qreal dx = r1.center().x() - 20, dy = r1.center().y() - 20;
    r1.adjust(dx, dy, -dx, -dy);
    const QRectF r2 = r1.adjusted(-10 * s, -10 * s, 10 * s, 10 * s);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor disc = QColor::fromRgbF(0.1f, 0.1f, 0.1f, 0.75f);
    if (!(s > 0)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(disc);
        painter.drawEllipse(r1);
        return;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(disc);
    painter.drawEllipse(r2);
    // The ring: from the top, clockwise (y-up: angles fall), by the played fraction.
    const QPointF c = r2.center();
    const qreal radius = r2.width() / 2 - 5 * s;
    const qreal start = M_PI / 2;
    const qreal sweep = 2 * M_PI * std::clamp<qreal>(m_indicatorValue, 0, 1);
    if (sweep > 0) {
        QPainterPath arc;
        const int steps = std::max(2, static_cast<int>(std::ceil(sweep / (M_PI / 90))));
        for (int i = 0; i <= steps; ++i) {
            const qreal a = start - sweep * i / steps;
            const QPointF p(c.x() + radius * std::cos(a), c.y() + radius * std::sin(a));
            if (i == 0)
                arc.moveTo(p);
            else
                arc.lineTo(p);
        }
        QPen ring(QColor::fromRgbF(0.75f, 0.75f, 0.75f), 10 * s);
        ring.setCapStyle(Qt::FlatCap);
        painter.strokePath(arc, ring);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawEllipse(r2);
}

QPainterPath KZVideoOverlayLayer::trianglePathInRect(const QRectF &rect)
{
    const QRectF r = rect.adjusted(13, 13, -13, -13);
    QPainterPath path;
    path.moveTo(r.left() + 1, r.top());
    path.lineTo(r.right(), r.center().y());
    path.lineTo(r.left() + 1, r.bottom());
    path.closeSubpath();
    return path;
}

QPainterPath KZVideoOverlayLayer::pausePathInRect(const QRectF &rect)
{
    const QRectF r = rect.adjusted(13, 13, -13, -13);
    const QRectF left(r.left(), r.top(), r.width() / 2, r.height());
    const QRectF right(r.left() + r.width() / 2, r.top(), r.width() / 2, r.height());
    QPainterPath path;
    path.addRect(left.adjusted(2, 0, -2, 0));
    path.addRect(right.adjusted(2, 0, -2, 0));
    path.closeSubpath();
    return path;
}

QImage KZVideoOverlayLayer::playImage()
{
    static const QImage image = buttonImage(trianglePathInRect(QRectF(0, 0, 40, 40)));
    return image;
}

QImage KZVideoOverlayLayer::pauseImage()
{
    static const QImage image = buttonImage(pausePathInRect(QRectF(0, 0, 40, 40)));
    return image;
}
