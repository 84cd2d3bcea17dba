#pragma once
// Moves and resizes views: each entry names a target widget with the frame it starts
// at and the frame it ends at (in its parent's coordinates); at every step each
// target's geometry is the interpolation of the two at the current value. Entries may
// carry extra values of their own (the platform's "effect" and the like), which the
// animation keeps for whoever reads them back.
//
// Targets are held weakly: a target deleted while the animation runs is skipped.
// An entry without a start frame starts at the target's geometry when the animation
// starts; one without an end frame keeps that too. Main thread only.
#include "platform/layers/TimedAnimation.h"

#include <QPointer>
#include <QRectF>
#include <QVariantMap>
#include <QWidget>
#include <optional>
#include <vector>

namespace platform {

struct ViewAnimationEntry
{
    QPointer<QWidget> target;
    std::optional<QRectF> startFrame;
    std::optional<QRectF> endFrame;
    QVariantMap extraValues;
};

class ViewAnimation : public TimedAnimation
{
    Q_OBJECT
public:
    explicit ViewAnimation(std::vector<ViewAnimationEntry> entries = {}, QObject *parent = nullptr);
    ~ViewAnimation() override;

    const std::vector<ViewAnimationEntry> &viewAnimations() const { return m_entries; }
    void setViewAnimations(std::vector<ViewAnimationEntry> entries) { m_entries = std::move(entries); }

    // The frame of a target at a value of the curve (0 start, 1 end).
    static QRect interpolatedFrame(const QRectF &start, const QRectF &end, double value);

protected:
    void progressChanged() override;

private:
    std::vector<ViewAnimationEntry> m_entries;
};

} // namespace platform
