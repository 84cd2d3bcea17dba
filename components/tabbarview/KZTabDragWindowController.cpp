#include "components/tabbarview/KZTabDragWindowController.h"

KZTabDragWindowController::KZTabDragWindowController(const QImage &image, unsigned styleMask, unsigned tearOffStyle)
    : m_window(KZTabDragWindow::dragWindowWithImage(image, styleMask)), m_tearOffStyle(tearOffStyle)
{
    m_window->setAlpha(InitialAlpha);
}

KZTabDragWindowController::~KZTabDragWindowController()
{
    m_window->close();
}

void KZTabDragWindowController::switchImages()
{
    if (m_tearOffStyle == KZTearOffStyleMiniwindow)
        m_window->switchImages();
}
