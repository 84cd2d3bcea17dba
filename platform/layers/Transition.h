#pragma once
// A transition shows a layer's appearance coming in: a fade raises it from clear to
// its full opacity, a reveal uncovers it from the side named by the subtype (a
// reveal "from left" uncovers the left edge first). Added to a layer under the key
// "transition"; as the "onOrderIn" action it plays when the layer enters a tree.
// Main thread only.
#include "platform/layers/Animation.h"

namespace platform {

class Transition : public Animation
{
public:
    enum class Type { Fade, Reveal };
    enum class Subtype { FromLeft, FromRight, FromTop, FromBottom };

    explicit Transition(Type type = Type::Fade, Subtype subtype = Subtype::FromLeft);
    static std::shared_ptr<Transition> make(Type type, double duration, Subtype subtype = Subtype::FromLeft);

    Type type() const { return m_type; }
    void setType(Type type) { m_type = type; }
    Subtype subtype() const { return m_subtype; }
    void setSubtype(Subtype subtype) { m_subtype = subtype; }

    AnimationPtr clone() const override;
    void runActionForKey(const QString &key, Layer &layer, const QVariant &previousValue) override;
    void applyTo(Layer &presentation, qreal progress) const override;

protected:
    Transition(const Transition &other) = default;

private:
    Type m_type;
    Subtype m_subtype;
};

} // namespace platform
