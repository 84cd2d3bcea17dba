#include "platform/layers/ConstraintLayoutManager.h"

#include "platform/layers/Layer.h"
#include "platform/layers/LayoutConstraint.h"

#include <QHash>
#include <QSet>
#include <optional>

namespace platform {

namespace {

using Attribute = LayoutConstraint::Attribute;

struct Axis
{
    std::optional<qreal> min, mid, max, size;
};

// New origin and size along one axis.
std::pair<qreal, qreal> solve(const Axis &axis, qreal origin, qreal size)
{
    if (axis.size)
        size = *axis.size;
    else if (axis.min && axis.max)
        size = *axis.max - *axis.min;
    else if (axis.min && axis.mid)
        size = 2 * (*axis.mid - *axis.min);
    else if (axis.mid && axis.max)
        size = 2 * (*axis.max - *axis.mid);
    if (axis.min)
        origin = *axis.min;
    else if (axis.mid)
        origin = *axis.mid - size / 2;
    else if (axis.max)
        origin = *axis.max - size;
    return {origin, std::max<qreal>(size, 0)};
}

void place(Layer &sublayer, const Layer &superlayer, const QHash<QString, Layer *> &byName)
{
    Axis x, y;
    for (const LayoutConstraint &c : sublayer.constraints()) {
        QRectF source;
        if (c.isOnSuperlayer()) {
            source = superlayer.bounds();
        } else {
            const Layer *sibling = byName.value(c.sourceName());
            if (!sibling || sibling == &sublayer)
                continue;
            source = sibling->frame();
        }
        const qreal value = LayoutConstraint::valueOf(c.sourceAttribute(), source) * c.scale() + c.offset();
        Axis &axis = LayoutConstraint::isHorizontal(c.attribute()) ? x : y;
        switch (c.attribute()) {
        case Attribute::MinX:
        case Attribute::MinY:
            axis.min = value;
            break;
        case Attribute::MidX:
        case Attribute::MidY:
            axis.mid = value;
            break;
        case Attribute::MaxX:
        case Attribute::MaxY:
            axis.max = value;
            break;
        case Attribute::Width:
        case Attribute::Height:
            axis.size = value;
            break;
        }
    }
    const QRectF frame = sublayer.frame();
    const auto [left, width] = solve(x, frame.left(), frame.width());
    const auto [bottom, height] = solve(y, frame.top(), frame.height());
    sublayer.setFrame(QRectF(left, bottom, width, height));
}

} // namespace

std::shared_ptr<ConstraintLayoutManager> ConstraintLayoutManager::shared()
{
    static const auto instance = std::make_shared<ConstraintLayoutManager>();
    return instance;
}

void ConstraintLayoutManager::layoutSublayersOfLayer(Layer &layer)
{
    const QList<LayerPtr> sublayers = layer.sublayers();
    QHash<QString, Layer *> byName;
    for (const LayerPtr &sublayer : sublayers)
        if (!sublayer->name().isEmpty() && !byName.contains(sublayer->name()))
            byName.insert(sublayer->name(), sublayer.get());

    // Repeatedly place the layers whose named siblings are placed already.
    QSet<const Layer *> done;
    QList<Layer *> pending;
    for (const LayerPtr &sublayer : sublayers)
        pending.append(sublayer.get());
    while (!pending.isEmpty()) {
        bool progressed = false;
        for (qsizetype i = 0; i < pending.size();) {
            Layer *candidate = pending.at(i);
            bool ready = true;
            for (const LayoutConstraint &c : candidate->constraints()) {
                const Layer *sibling = c.isOnSuperlayer() ? nullptr : byName.value(c.sourceName());
                if (sibling && sibling != candidate && !done.contains(sibling))
                    ready = false;
            }
            if (!ready) {
                ++i;
                continue;
            }
            if (!candidate->constraints().isEmpty())
                place(*candidate, layer, byName);
            done.insert(candidate);
            pending.removeAt(i);
            progressed = true;
        }
        if (!progressed) {
            // A circle of references: the first waiting layer goes with what it has.
            Layer *first = pending.takeFirst();
            place(*first, layer, byName);
            done.insert(first);
        }
    }
}

} // namespace platform
