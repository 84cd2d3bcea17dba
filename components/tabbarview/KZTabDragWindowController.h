#pragma once
// One drag window of a tab drag and the way it changes (platform::DragWindowController):
// with the tear-off style Miniwindow, switchImages() turns the tab's picture into the
// alternate one (a miniature of the window) and back, resizing around the pointer;
// with the style ContentWindow (or no alternate image) it does nothing. Every new
// window starts at alpha 0.75.
//
// Owns its window (closed and deleted with the controller, which also stops a running
// switch). Main thread only; no failure cases.
#include "components/tabbarview/KZTabDragWindow.h"
#include "platform/layers/DragWindowController.h"

class KZTabDragWindowController : public platform::DragWindowController<KZTabDragWindow>
{
public:
    enum TearOffStyle : unsigned { KZTearOffStyleContentWindow = ContentWindow, KZTearOffStyleMiniwindow = Miniwindow };

    KZTabDragWindowController(const QImage &image, unsigned styleMask, unsigned tearOffStyle)
        : DragWindowController(KZTabDragWindow::dragWindowWithImage(image, styleMask), tearOffStyle)
    {
    }

    KZTabDragView *view() const { return window()->tabDragView(); }
};
