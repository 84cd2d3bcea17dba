#include "platform/drawing/RulerMarker.h"

#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/drawing/RulerView.h"

#include <cmath>

namespace platform {

namespace {
const QString LocationKey = QStringLiteral("location");
const QString ImageKey = QStringLiteral("image");
const QString ImageOriginKey = QStringLiteral("imageOrigin");
const bool registered = CodingRegistry::registerClass<RulerMarker>(QStringLiteral("RulerMarker"));
} // namespace

RulerMarker::RulerMarker(RulerView *ruler, qreal location, const QImage &image, const QPointF &imageOrigin)
    : m_location(location)
    , m_image(image)
    , m_imageOrigin(imageOrigin)
{
    setRuler(ruler);
}

void RulerMarker::setRuler(RulerView *ruler)
{
    m_ruler = ruler;
    m_rulerAlive = ruler;
}

RulerMarker::~RulerMarker() = default;

std::shared_ptr<RulerMarker> RulerMarker::copy() const
{
    return std::shared_ptr<RulerMarker>(new RulerMarker(*this));
}

QString RulerMarker::classNameForCoder() const
{
    return QStringLiteral("RulerMarker");
}

void RulerMarker::encodeWithCoder(Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    coder.encodeDouble(m_location, LocationKey);
    if (!m_image.isNull())
        coder.encodeObject(QVariant(m_image), ImageKey);
    coder.encodePoint(m_imageOrigin, ImageOriginKey);
}

bool RulerMarker::initWithCoder(Coder &coder)
{
    (void)registered;
    if (!coder.allowsKeyedCoding())
        return false;
    const double location = coder.decodeDouble(LocationKey);
    const QImage image = coder.decodeObject<QImage>(ImageKey);
    const QPointF origin = coder.decodePoint(ImageOriginKey);
    if (coder.failed())
        return false;
    if (!std::isfinite(location) || !std::isfinite(origin.x()) || !std::isfinite(origin.y())) {
        coder.failWithError(QStringLiteral("ruler marker: location or image origin not finite"));
        return false;
    }
    m_location = location;
    m_image = image;
    m_imageOrigin = origin;
    return true;
}

} // namespace platform
