#pragma once
// The controller of one tab drag window: it makes the window (alpha 0.75) and keeps
// the tear-off style; switchImages() runs the window's image switch only in the
// miniwindow style (1) and only with an alternate image. Owned by the drag assistant;
// closes its window when it goes. Main thread only; no failure cases.
#include "components/tabbarcontrol/VTTabDragWindow.h"

#include <memory>

class VTTabDragWindowController
{
public:
    enum TearOffStyle : unsigned { AlphaWindow = 0, Miniwindow = 1 };
    static constexpr double InitialAlpha = 0.75;

    VTTabDragWindowController(const QImage &image, unsigned styleMask, unsigned tearOffStyle);
    ~VTTabDragWindowController();

    VTTabDragWindow *window() const { return m_window.get(); }
    VTTabDragView *view() const { return m_window->tabDragView(); }
    unsigned tearOffStyle() const { return m_tearOffStyle; }

    QImage image() const { return m_window->image(); }
    QImage alternateImage() const { return m_window->alternateImage(); }
    void setAlternateImage(const QImage &image) { m_window->setAlternateImage(image); }
    bool isAnimating() const { return m_window->isAnimating(); }
    void switchImages();

private:
    std::unique_ptr<VTTabDragWindow> m_window;
    unsigned m_tearOffStyle;
};
