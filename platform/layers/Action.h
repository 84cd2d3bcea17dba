#pragma once
// What a layer runs when one of its properties changes (implicit animation) or when
// it enters or leaves a layer tree ("onOrderIn", "onOrderOut"). Animations are
// actions: running one adds a copy of it to the layer. Main thread only.
#include <QString>
#include <QVariant>
#include <memory>

namespace platform {

class Layer;

class Action
{
public:
    virtual ~Action() = default;
    // `previousValue` is the presentation value the property had before the change
    // (none for ordering events).
    virtual void runActionForKey(const QString &key, Layer &layer, const QVariant &previousValue) = 0;
};

using ActionPtr = std::shared_ptr<Action>;

} // namespace platform
