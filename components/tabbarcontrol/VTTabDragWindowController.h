#pragma once
// The controller of one tab drag window (platform::DragWindowController): it makes the
// window (alpha 0.75) and keeps the tear-off style; switchImages() runs the window's
// image switch only in the miniwindow style (1) and only with an alternate image.
// Owned by the drag assistant; closes its window when it goes. Main thread only; no
// failure cases.
#include "components/tabbarcontrol/VTTabDragWindow.h"
#include "platform/layers/DragWindowController.h"

class VTTabDragWindowController : public platform::DragWindowController<VTTabDragWindow>
{
public:
    // The alpha-window tear-off (0) shows the tab's content in a window of its own.
    static constexpr unsigned AlphaWindow = ContentWindow;

    VTTabDragWindowController(const QImage &image, unsigned styleMask, unsigned tearOffStyle)
        : DragWindowController(VTTabDragWindow::dragWindowWithImage(image, styleMask), tearOffStyle)
    {
    }

    VTTabDragView *view() const { return window()->tabDragView(); }
};
