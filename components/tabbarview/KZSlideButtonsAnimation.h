#pragma once
// The animation that slides tab buttons from their current frames to their stacking
// frames in 0.3 seconds: one entry per button, in the order given. Whoever runs it
// tells the buttons when it starts and ends (slideAnimationWillStart/DidEnd) and
// owns it. Buttons are held weakly. Main thread only.
#include "platform/layers/ViewAnimation.h"

#include <vector>

class KZAttachedTabBarButton;

class KZSlideButtonsAnimation : public platform::ViewAnimation
{
    Q_OBJECT
public:
    static constexpr double Duration = 0.3;

    explicit KZSlideButtonsAnimation(const std::vector<KZAttachedTabBarButton *> &buttons, QObject *parent = nullptr);

    // Appends one more entry.
    void addAnimationDictionary(const platform::ViewAnimationEntry &entry);
};
