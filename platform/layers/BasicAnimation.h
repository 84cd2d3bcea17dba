#pragma once
// An animation of one property of a layer, named by a key path, between two values.
// An open from value starts at the value before the change (as an action) or at the
// layer's current value; an open to value ends at the layer's model value; a by value
// fills in whichever of the two is open. Key paths are the layer's keys
// ("position", "opacity", …, and keys that subclasses or users added) and the parts
// "position.x", "position.y", "bounds.origin", "bounds.size" and, for "transform" and
// "sublayerTransform", "rotation.x", "rotation.y", "rotation.z" ("rotation" alone is
// z), "scale", "scale.x/y/z" and "translation.x/y/z": these animate a number applied
// on top of the model's matrix (a turn by an angle can run from π to 2π, which no
// pair of matrices can say). Main thread only.
#include "platform/layers/Animation.h"

#include <QString>
#include <QVariant>

namespace platform {

class BasicAnimation : public Animation
{
public:
    explicit BasicAnimation(const QString &keyPath = QString());
    static std::shared_ptr<BasicAnimation> withKeyPath(const QString &keyPath);

    QString keyPath() const { return m_keyPath; }
    void setKeyPath(const QString &keyPath) { m_keyPath = keyPath; }
    QVariant fromValue() const { return m_from; }
    void setFromValue(const QVariant &value) { m_from = value; }
    QVariant toValue() const { return m_to; }
    void setToValue(const QVariant &value) { m_to = value; }
    QVariant byValue() const { return m_by; }
    void setByValue(const QVariant &value) { m_by = value; }

    AnimationPtr clone() const override;
    void applyTo(Layer &presentation, qreal progress) const override;

protected:
    BasicAnimation(const BasicAnimation &other) = default;
    void prepareAsAction(const QVariant &previousValue) override;

private:
    QString m_keyPath;
    QVariant m_from;
    QVariant m_to;
    QVariant m_by;
};

} // namespace platform
