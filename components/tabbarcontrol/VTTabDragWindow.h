#pragma once
// The window of a dragged tab: a platform::DragWindow around a VTTabDragView, titled
// (22 points taller) when the style mask is not 0. Owned by its controller; main
// thread only; no failure cases.
#include "components/tabbarcontrol/VTTabDragView.h"
#include "platform/layers/DragWindow.h"

#include <memory>

class VTTabDragWindow : public platform::DragWindow
{
    Q_OBJECT
public:
    VTTabDragWindow(const QImage &image, unsigned styleMask);
    static std::unique_ptr<VTTabDragWindow> dragWindowWithImage(const QImage &image, unsigned styleMask);

    VTTabDragView *tabDragView() const { return static_cast<VTTabDragView *>(dragView()); }
};
