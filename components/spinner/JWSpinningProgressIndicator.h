#pragma once
// A spinning progress indicator in any colour on any background. Indeterminate, it
// shows a ring of fins whose brightness fades around the ring and turns while it
// animates; determinate, a circle filled like a pie up to the value.
//
// Ownership: a widget owned by its parent. Threading: everything runs on the GUI
// thread. With threaded animation a worker thread only advances an atomic fin
// position and posts a queued repaint to the indicator (platform::ThreadHandOff);
// painting stays on the GUI thread. The worker owns what it shares with the indicator
// (its lock, its wake-up condition and its stop flag) together with it, and takes a
// frame's step (the position, the repaint's post) only under that lock while it is not
// told to stop: so once the indicator has told it, under the lock, the worker never
// looks at a pointer to the indicator again, and Qt drops the repaints already posted
// with the indicator. Stopping, leaving the screen and destruction tell the worker to
// stop, wake it and let it go: the GUI thread never waits for it to end (at most for the
// lock, which a step holds only while it posts); the worker ends on its own and the
// last of the two to let go frees what they share. The timer or thread runs only while
// the indicator is animating and on screen (isVisible(): it and every ancestor up to
// its window shown, the indicator itself possibly being that window); hiding it or its
// window, or taking it or an ancestor out of the window, stops them, and showing it
// again restarts them. Because the repaint is posted to the GUI thread, the indicator
// cannot turn while the GUI thread is blocked (threaded or not).
//
// Failures: setStyle() with a style other than the spinning one logs where and
// raises platform::Exception ("NSInternalInconsistencyException"). A maximum of 0 or
// less draws no pie; the filled fraction stays in [0, 1].
#include <QColor>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <memory>

class JWSpinningProgressIndicator : public QWidget
{
    Q_OBJECT
public:
    // The progress indicator styles; only the spinning one is available.
    enum Style { BarStyle = 0, SpinningStyle = 1 };

    explicit JWSpinningProgressIndicator(QWidget *parent = nullptr);
    ~JWSpinningProgressIndicator() override;

    Q_INVOKABLE void startAnimation(QObject *sender = nullptr);
    Q_INVOKABLE void stopAnimation(QObject *sender = nullptr);
    void setStyle(int style);

    QColor color() const { return m_foreColor; }
    void setColor(const QColor &color);
    QColor backgroundColor() const { return m_backColor; }
    void setBackgroundColor(const QColor &color);
    bool drawsBackground() const { return m_drawBackground; }
    void setDrawsBackground(bool draws);
    bool isIndeterminate() const { return m_isIndeterminate; }
    void setIndeterminate(bool indeterminate);
    double doubleValue() const { return m_currentValue; }
    void setDoubleValue(double value);
    double maxValue() const { return m_maxValue; }
    void setMaxValue(double value);
    bool usesThreadedAnimation() const { return m_usesThreadedAnimation; }
    void setUsesThreadedAnimation(bool threaded);
    bool isDisplayedWhenStopped() const { return m_displayWhenStopped; }
    void setDisplayedWhenStopped(bool displayed);

    bool isAnimating() const { return m_isAnimating; }
    // Whether a timer or a thread drives the animation now.
    bool hasAnimationTimer() const { return m_animationTimer.isActive(); }
    bool hasAnimationThread() const { return m_animationThread != nullptr; }
    int position() const { return m_position.load(); }
    int numberOfFins() const { return m_numFins; }
    // One animation frame: the fade's start moves one fin on (counting down).
    void updateFrame();
    // The filled part of the pie, in [0, 1]; 0 when the maximum is 0 or less.
    double pieFraction() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    void actuallyStartAnimation();
    void actuallyStopAnimation();
    void advancePosition();
    struct AnimationThread;
    static void animateInBackgroundThread(JWSpinningProgressIndicator *view, const std::shared_ptr<AnimationThread> &shared);
    void viewDidMoveToWindow();
    bool isInWindow() const { return isVisible(); }

    std::atomic<int> m_position{0};
    const int m_numFins = 12; // read by the animation thread
    bool m_isAnimating = false;
    QTimer m_animationTimer;
    // What the running animation thread shares with the indicator; null without one.
    std::shared_ptr<AnimationThread> m_animationThread;
    QColor m_foreColor{Qt::black};
    QColor m_backColor;
    bool m_drawBackground = false;
    bool m_displayWhenStopped = true;
    bool m_isIndeterminate = true;
    double m_currentValue = 0;
    double m_maxValue = 100;
    bool m_usesThreadedAnimation = false;
};
