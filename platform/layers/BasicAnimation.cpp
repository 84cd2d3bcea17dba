#include "platform/layers/BasicAnimation.h"

#include "platform/layers/AnimatedValue.h"
#include "platform/layers/Layer.h"

namespace platform {

BasicAnimation::BasicAnimation(const QString &keyPath)
    : m_keyPath(keyPath)
{
}

std::shared_ptr<BasicAnimation> BasicAnimation::withKeyPath(const QString &keyPath)
{
    return std::make_shared<BasicAnimation>(keyPath);
}

AnimationPtr BasicAnimation::clone() const
{
    return std::shared_ptr<BasicAnimation>(new BasicAnimation(*this));
}

void BasicAnimation::prepareAsAction(const QVariant &previousValue)
{
    if (!m_from.isValid() && !m_to.isValid() && !m_by.isValid())
        m_from = previousValue;
}

void BasicAnimation::applyTo(Layer &presentation, qreal progress) const
{
    if (m_keyPath.isEmpty())
        return;
    const QVariant current = presentation.animatedValueForKeyPath(m_keyPath);
    QVariant from = m_from;
    QVariant to = m_to;
    if (!from.isValid())
        from = (m_by.isValid() && to.isValid()) ? AnimatedValue::subtract(to, m_by) : current;
    if (!to.isValid())
        to = m_by.isValid() ? AnimatedValue::add(from, m_by) : current;
    presentation.setAnimatedValueForKeyPath(AnimatedValue::interpolate(from, to, progress), m_keyPath);
}

} // namespace platform
