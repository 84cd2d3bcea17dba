#include "components/tabbarcontrol/VTTabDragWindowController.h"

VTTabDragWindowController::VTTabDragWindowController(const QImage &image, unsigned styleMask, unsigned tearOffStyle)
    : m_window(VTTabDragWindow::dragWindowWithImage(image, styleMask)), m_tearOffStyle(tearOffStyle)
{
    // The miniature of the torn-off window casts a shadow, as a window does.
    if (m_tearOffStyle == Miniwindow)
        m_window->setHasShadow(true);
    m_window->setAlpha(InitialAlpha);
}

VTTabDragWindowController::~VTTabDragWindowController()
{
    m_window->close();
}

void VTTabDragWindowController::switchImages()
{
    if (m_tearOffStyle == Miniwindow && !alternateImage().isNull())
        m_window->switchImages();
}
