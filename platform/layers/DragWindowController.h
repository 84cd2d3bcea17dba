#pragma once
// One drag window of a torn-off drag and the way it changes, for a window class made
// on DragWindow (each tab bar has its own). Every new window starts at alpha
// InitialAlpha (0.75). In the tear-off style Miniwindow the window casts a shadow (it
// will show a miniature of a window, which casts one) and switchImages() turns its
// picture into the alternate one and back (DragWindow::switchImages(): nothing
// without an alternate image); in the style ContentWindow switchImages() does nothing.
//
// Ownership: owns its window and closes it when it goes (the window, deleted with it,
// stops a running switch). Not copyable. GUI thread only; no failure cases.
#include "platform/layers/DragWindow.h"

#include <QImage>

#include <memory>
#include <utility>

namespace platform {

template <class Window>
class DragWindowController
{
public:
    enum TearOffStyle : unsigned { ContentWindow = 0, Miniwindow = 1 };
    static constexpr double InitialAlpha = 0.75;

    DragWindowController(std::unique_ptr<Window> window, unsigned tearOffStyle)
        : m_window(std::move(window)), m_tearOffStyle(tearOffStyle)
    {
        if (m_tearOffStyle == Miniwindow)
            m_window->setHasShadow(true);
        m_window->setAlpha(InitialAlpha);
    }
    ~DragWindowController() { m_window->close(); }
    DragWindowController(const DragWindowController &) = delete;
    DragWindowController &operator=(const DragWindowController &) = delete;

    Window *window() const { return m_window.get(); }
    unsigned tearOffStyle() const { return m_tearOffStyle; }

    QImage image() const { return m_window->image(); }
    QImage alternateImage() const { return m_window->alternateImage(); }
    void setAlternateImage(const QImage &image) { m_window->setAlternateImage(image); }
    bool isAnimating() const { return m_window->isAnimating(); }
    void switchImages()
    {
        if (m_tearOffStyle == Miniwindow)
            m_window->switchImages();
    }

private:
    std::unique_ptr<Window> m_window;
    unsigned m_tearOffStyle;
};

} // namespace platform
