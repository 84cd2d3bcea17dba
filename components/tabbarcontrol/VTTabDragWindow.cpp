#include "components/tabbarcontrol/VTTabDragWindow.h"

VTTabDragWindow::VTTabDragWindow(const QImage &image, unsigned styleMask)
    : DragWindow(new VTTabDragView(image), styleMask != 0)
{
}

std::unique_ptr<VTTabDragWindow> VTTabDragWindow::dragWindowWithImage(const QImage &image, unsigned styleMask)
{
    return std::make_unique<VTTabDragWindow>(image, styleMask);
}
