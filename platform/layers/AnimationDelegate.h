#pragma once
// Told when an animation starts and stops. The animation keeps its delegate alive
// (shared ownership) until the stop has been delivered; both calls come from the
// event loop, never from inside the call that added or removed the animation.
// Main thread only.
namespace platform {

class Animation;

class AnimationDelegate
{
public:
    virtual ~AnimationDelegate() = default;
    virtual void animationDidStart(Animation &) {}
    // `finished`: the animation ran to its end (false when removed or replaced first).
    virtual void animationDidStop(Animation &, bool finished) = 0;
};

} // namespace platform
