#include "platform/layers/Transition.h"

#include "platform/layers/Layer.h"

namespace platform {

Transition::Transition(Type type, Subtype subtype)
    : m_type(type)
    , m_subtype(subtype)
{
}

std::shared_ptr<Transition> Transition::make(Type type, double duration, Subtype subtype)
{
    auto transition = std::make_shared<Transition>(type, subtype);
    transition->setDuration(duration);
    return transition;
}

AnimationPtr Transition::clone() const
{
    return std::shared_ptr<Transition>(new Transition(*this));
}

void Transition::runActionForKey(const QString &, Layer &layer, const QVariant &previousValue)
{
    Animation::runActionForKey(QStringLiteral("transition"), layer, previousValue);
}

void Transition::applyTo(Layer &presentation, qreal progress) const
{
    presentation.setTransitionState(Layer::TransitionState{m_type, m_subtype, progress});
}

} // namespace platform
