#pragma once
// A layer that fills its bounds with a linear gradient of colours at locations (0 to
// 1; evenly spread when the locations are missing or their count differs), from
// startPoint to endPoint in the unit square of the bounds (y-up: (0.5, 0) is the
// middle of the bottom edge). Ownership and threading as Layer.
#include "platform/layers/Layer.h"

#include <QList>

namespace platform {

class GradientLayer : public Layer
{
public:
    static std::shared_ptr<GradientLayer> create();
    GradientLayer();

    QList<QColor> colors() const { return m_colors; }
    void setColors(const QList<QColor> &colors);
    QList<qreal> locations() const { return m_locations; }
    void setLocations(const QList<qreal> &locations);
    QPointF startPoint() const { return m_start; }
    void setStartPoint(const QPointF &point);
    QPointF endPoint() const { return m_end; }
    void setEndPoint(const QPointF &point);

    void drawInContext(QPainter &painter) override;
    bool needsDisplayForKey(const QString &key) const override;
    bool isAnimatableKey(const QString &key) const override;

protected:
    GradientLayer(const GradientLayer &model, PresentationCopy tag);
    LayerPtr makePresentationCopy() const override;
    const KeyTable &keyTable() const override;

private:
    QList<QColor> m_colors;
    QList<qreal> m_locations;
    QPointF m_start{0.5, 0};
    QPointF m_end{0.5, 1};
};

} // namespace platform
