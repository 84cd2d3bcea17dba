#pragma once
// A marker on a ruler (RulerView): an image placed at a location along the ruler,
// with the image's origin point (in image coordinates, y up from the image's bottom
// edge) lying on that location. Markers are shared objects (std::shared_ptr); the
// ruler they belong to is held weakly and may be gone.
//
// Archiving (keyed coders only): "location", "image" and "imageOrigin"; the ruler is
// not archived. A coder without keyed coding or a failed decode reads as none.
// Threads: GUI thread only (the image is painted there).
#include "platform/archive/Coding.h"

#include <QImage>
#include <QPointF>
#include <QPointer>

namespace platform {

class RulerView;

class RulerMarker : public Coding
{
public:
    RulerMarker() = default;
    RulerMarker(RulerView *ruler, qreal location, const QImage &image, const QPointF &imageOrigin);
    ~RulerMarker() override;

    // A copy with the same settings (copyWithZone:); subclasses copy their own fields.
    virtual std::shared_ptr<RulerMarker> copy() const;

    RulerView *ruler() const { return m_rulerAlive ? m_ruler : nullptr; }
    void setRuler(RulerView *ruler);
    qreal markerLocation() const { return m_location; }
    void setMarkerLocation(qreal location) { m_location = location; }
    QImage image() const { return m_image; }
    void setImage(const QImage &image) { m_image = image; }
    QPointF imageOrigin() const { return m_imageOrigin; }
    void setImageOrigin(const QPointF &origin) { m_imageOrigin = origin; }

    QString classNameForCoder() const override;
    void encodeWithCoder(Coder &coder) const override;
    bool initWithCoder(Coder &coder) override;

protected:
    RulerMarker(const RulerMarker &other) = default;

private:
    RulerView *m_ruler = nullptr;
    QPointer<QObject> m_rulerAlive; // the ruler, while it lives
    qreal m_location = 0;
    QImage m_image;
    QPointF m_imageOrigin;
};

using RulerMarkerPtr = std::shared_ptr<RulerMarker>;

} // namespace platform
