#pragma once
// The object a layer asks about its actions and its drawing. Not owned by the layer:
// whoever sets a delegate clears it (setDelegate(nullptr)) before the delegate dies.
// Main thread only.
#include "platform/layers/Action.h"

#include <QString>
#include <optional>

class QPainter;

namespace platform {

class Layer;

class LayerDelegate
{
public:
    virtual ~LayerDelegate() = default;
    // No answer (nullopt) lets the layer's own actions decide; an answer of a null
    // pointer means "no action": the change is not animated.
    virtual std::optional<ActionPtr> actionForLayer(Layer &layer, const QString &key)
    {
        Q_UNUSED(layer);
        Q_UNUSED(key);
        return std::nullopt;
    }
    // Draws the layer's content in its own y-up coordinates (see Layer::drawInContext).
    virtual void drawLayer(Layer &layer, QPainter &painter)
    {
        Q_UNUSED(layer);
        Q_UNUSED(painter);
    }
};

} // namespace platform
