#pragma once
// A spinning progress indicator: twelve spokes around the centre, the brightest one
// turning while the indicator animates. Stopped, it draws the still spokes when
// displayedWhenStopped() is set, otherwise nothing.
//
// startAnimationLater() is the delayed start ("start after a delay of 0"): the start
// runs from the event loop once the current event is done; cancelPendingStart()
// drops such a pending start. stopAnimation() of this class leaves a pending start
// alone, so a subclass decides whether a stop overrides it.
//
// The indicator is a widget owned by its parent; its two timers are made when first
// needed, so an indicator that never animates (one on each of thousands of tabs)
// costs one widget. Main thread only; no failure cases.
#include <QTimer>
#include <QWidget>
#include <memory>

namespace platform {

class ProgressIndicator : public QWidget
{
    Q_OBJECT
public:
    enum class ControlSize { Regular = 0, Small = 1, Mini = 2 };

    explicit ProgressIndicator(QWidget *parent = nullptr);
    ~ProgressIndicator() override;

    bool isAnimating() const { return m_animating; }
    virtual void startAnimation();
    virtual void stopAnimation();

    void startAnimationLater();
    void cancelPendingStart();
    bool hasPendingStart() const { return m_pendingStart && m_pendingStart->isActive(); }

    bool isDisplayedWhenStopped() const { return m_displayedWhenStopped; }
    void setDisplayedWhenStopped(bool displayed);
    ControlSize controlSize() const { return m_controlSize; }
    void setControlSize(ControlSize size);
    // Which spoke is the brightest (0..11): moves on one step per frame while animating.
    int phase() const { return m_phase; }

    static constexpr int SpokeCount = 12;
    static constexpr int FrameIntervalMs = 83;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void step();
    QTimer &frames();
    QTimer &pendingStart();

    std::unique_ptr<QTimer> m_frames;
    std::unique_ptr<QTimer> m_pendingStart;
    bool m_animating = false;
    bool m_displayedWhenStopped = true;
    ControlSize m_controlSize = ControlSize::Regular;
    int m_phase = 0;
};

} // namespace platform
