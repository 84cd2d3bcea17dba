#include "components/tabbarview/KZTabDragWindowController.h"

KZTabDragWindowController::KZTabDragWindowController(const QImage &image, unsigned styleMask, unsigned tearOffStyle)
    : m_window(KZTabDragWindow::dragWindowWithImage(image, styleMask)), m_tearOffStyle(tearOffStyle)
{
    // The miniature of the torn-off window casts a shadow, as a window does.
    if (m_tearOffStyle == KZTearOffStyleMiniwindow)
        m_window->setHasShadow(true);
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
