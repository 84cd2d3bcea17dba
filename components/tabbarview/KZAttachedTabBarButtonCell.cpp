#include "components/tabbarview/KZAttachedTabBarButtonCell.h"

std::unique_ptr<platform::Cell> KZAttachedTabBarButtonCell::clone() const
{
    auto copy = std::unique_ptr<KZAttachedTabBarButtonCell>(new KZAttachedTabBarButtonCell(*this));
    copy->setControlView(nullptr);
    return copy;
}
