#pragma once
// The end of one window flip: when the destination image's animation stops
// (finished or not) the two flip windows close, and the destination window becomes
// fully opaque and active. The source window stays hidden, not closed. Held by the
// animation it is the delegate of (it lives as long as the flip windows' layers);
// the windows are watched, not owned. Main thread only.
#include "platform/layers/AnimationDelegate.h"

#include <QPointer>
#include <QWidget>

class NSWindowFlipperDelegate : public platform::AnimationDelegate
{
public:
    NSWindowFlipperDelegate(QWidget *fromWindow, QWidget *toWindow, QWidget *fromFlipWindow, QWidget *toFlipWindow);

    QWidget *fromWindow() const { return m_from; }
    QWidget *toWindow() const { return m_to; }
    QWidget *fromFlipWindow() const { return m_fromFlip; }
    QWidget *toFlipWindow() const { return m_toFlip; }
    bool hasEnded() const { return m_ended; }

    void animationDidStop(platform::Animation &animation, bool finished) override;

private:
    QPointer<QWidget> m_from;
    QPointer<QWidget> m_to;
    QPointer<QWidget> m_fromFlip;
    QPointer<QWidget> m_toFlip;
    bool m_ended = false;
};
