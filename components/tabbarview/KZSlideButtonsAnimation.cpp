#include "components/tabbarview/KZSlideButtonsAnimation.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"

KZSlideButtonsAnimation::KZSlideButtonsAnimation(const std::vector<KZAttachedTabBarButton *> &buttons, QObject *parent)
    : platform::ViewAnimation({}, parent)
{
    std::vector<platform::ViewAnimationEntry> entries;
    entries.reserve(buttons.size());
    for (KZAttachedTabBarButton *button : buttons) {
        if (!button)
            continue;
        entries.push_back({button, QRectF(button->geometry()), button->stackingFrame(), {}});
    }
    setViewAnimations(std::move(entries));
    setDuration(Duration);
}

void KZSlideButtonsAnimation::addAnimationDictionary(const platform::ViewAnimationEntry &entry)
{
    std::vector<platform::ViewAnimationEntry> entries = viewAnimations();
    entries.push_back(entry);
    setViewAnimations(std::move(entries));
}
