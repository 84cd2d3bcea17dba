#pragma once
// The small window that follows the pointer during a drag: a frameless top-level
// (Qt::ToolTip, stays on top, transparent for input, translucent, never activated)
// whose content is a DragImageView. The drop target under it stays reachable because
// it never takes pointer events. A titled window is TitleBarHeight (22) points taller
// than its image and draws a plain title strip above it; an untitled one is exactly
// the image's size (in points).
//
// alpha() is the window's own opacity value. It is applied as window opacity only
// where the platform supports it (not on the offscreen platform; on X11 it shows only
// under a compositing window manager), but is always kept, so callers and tests read
// back what they set.
//
// switchImages() cross-fades between the main and the alternate image while the
// window resizes from its current size to the other image's size, centred on the
// pointer (QCursor::pos()), in SwitchDuration (0.25 s) of Clock::mediaTime() along an
// ease-in-ease-out curve, one frame every FrameInterval (1/30 s). A switch while one runs reverses it:
// the new one starts at 1 - the old progress. Without an alternate image it does
// nothing. animationStep() is one frame (the frame timer calls it).
//
// miniature() is a picture of a window (QWidget::grab()) scaled so that its longer
// side is the given length, keeping the aspect ratio; null for a null or empty window.
//
// setHasShadow(true) gives the window a soft shadow under its content (the miniature
// of a torn-off tab's window casts one, as a window does). A window manager draws no
// shadow for a translucent frameless window, so the window draws its own: it grows by
// ShadowMargin on each side, the content stays the image's size inside, and
// setTopLeft() and centreOn() place the content, not the margin, where they are told.
// The shadow needs a desktop that composites translucent windows
// (desktopCompositesTranslucentWindows(), asked when the shadow is set): elsewhere its
// margin would show as a solid black frame, so the window keeps no margin and draws no
// shadow there.
//
// Ownership: a top-level widget with no parent, owned by whoever made it; it owns its
// view and frame timer, which stop with it. GUI thread only.
#include "platform/layers/DragImageView.h"

#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>

namespace platform {

class DragWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr int TitleBarHeight = 22;
    static constexpr double SwitchDuration = 0.25;
    static constexpr int FrameIntervalMs = 33;
    static constexpr int MiniatureSide = 125;
    static constexpr int ShadowMargin = 10;

    explicit DragWindow(const QImage &image, bool titled = false);
    ~DragWindow() override;

    DragImageView *dragView() const { return m_view; }
    bool isTitled() const { return m_titled; }

    QImage image() const { return m_view->image(); }
    QImage alternateImage() const { return m_view->alternateImage(); }
    void setAlternateImage(const QImage &image) { m_view->setAlternateImage(image); }

    double alpha() const { return m_alpha; }
    void setAlpha(double alpha);

    // Places the content's top-left corner (screen coordinates) / centres it on a point.
    void setTopLeft(QPoint screenPoint) { move(screenPoint - QPoint(shadowMargin(), shadowMargin())); }
    void centreOn(QPoint screenPoint);

    bool hasShadow() const { return m_hasShadow; }
    void setHasShadow(bool shadow);
    // The room on each side that the shadow takes (0 without one, or where the desktop
    // shows no translucency).
    int shadowMargin() const { return m_hasShadow ? m_shadowMargin : 0; }

    void switchImages();
    bool isShowingAlternate() const { return m_showingAlternate; }
    bool isAnimating() const { return m_switching; }
    // Progress of the running (or last) switch in time, 0 to 1, and its value on the curve.
    double switchProgress() const;
    double switchValue() const;
    void animationStep();

    static QImage miniature(QWidget *window, int longerSide = MiniatureSide);
    static bool platformSupportsOpacity();
    // Whether the desktop composites translucent windows: on X11 only while a
    // compositing manager runs (it owns the selection _NET_WM_CM_S<screen>); always
    // on Wayland and on the offscreen platform (its windows are images with alpha).
    static bool desktopCompositesTranslucentWindows();

protected:
    // A window around a view of a subclass of DragImageView (the window takes it).
    DragWindow(DragImageView *view, bool titled);
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeView();

    DragImageView *m_view;
    bool m_titled;
    bool m_hasShadow = false;
    int m_shadowMargin = 0;
    double m_alpha = 1.0;
    QTimer m_frameTimer;
    bool m_switching = false;
    double m_switchStartTime = 0;
    double m_switchStartProgress = 0;
    bool m_showingAlternate = false;
    QRect m_originalFrame;
};

} // namespace platform
