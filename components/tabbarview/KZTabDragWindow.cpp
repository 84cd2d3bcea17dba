#include "components/tabbarview/KZTabDragWindow.h"

KZTabDragWindow::KZTabDragWindow(const QImage &image, unsigned styleMask)
    : DragWindow(new KZTabDragView(image), styleMask != 0)
{
}

std::unique_ptr<KZTabDragWindow> KZTabDragWindow::dragWindowWithImage(const QImage &image, unsigned styleMask)
{
    return std::make_unique<KZTabDragWindow>(image, styleMask);
}
