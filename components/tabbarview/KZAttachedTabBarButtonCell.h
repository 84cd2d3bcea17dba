#pragma once
// The cell of an attached tab button: a tab cell that also knows whether its tab is
// shown through the bar's overflow button instead of in the row (set by the bar's
// layout). Owned by its button; main thread only.
#include "components/tabbarview/KZTabBarButtonCell.h"

class KZAttachedTabBarButtonCell : public KZTabBarButtonCell
{
public:
    KZAttachedTabBarButtonCell() = default;

    std::unique_ptr<platform::Cell> clone() const override;

    bool isOverflowButton() const { return m_isOverflowButton; }
    void setIsOverflowButton(bool overflow) { m_isOverflowButton = overflow; }

protected:
    KZAttachedTabBarButtonCell(const KZAttachedTabBarButtonCell &other) = default;

private:
    bool m_isOverflowButton = false;
};
