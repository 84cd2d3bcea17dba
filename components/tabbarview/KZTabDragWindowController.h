#pragma once
// One drag window of a tab drag and the way it changes: with the tear-off style
// Miniwindow, switchImages() turns the tab's picture into the alternate one (a
// miniature of the window) and back, resizing around the pointer; with the style
// ContentWindow (or no alternate image) it does nothing. Every new window starts at
// alpha 0.75.
//
// Owns its window (closed and deleted with the controller, which also stops a running
// switch). Main thread only; no failure cases.
#include "components/tabbarview/KZTabDragWindow.h"

#include <memory>

class KZTabDragWindowController
{
public:
    enum TearOffStyle : unsigned { KZTearOffStyleContentWindow = 0, KZTearOffStyleMiniwindow = 1 };
    static constexpr double InitialAlpha = 0.75;

    KZTabDragWindowController(const QImage &image, unsigned styleMask, unsigned tearOffStyle);
    ~KZTabDragWindowController();

    KZTabDragWindow *window() const { return m_window.get(); }
    KZTabDragView *view() const { return m_window->tabDragView(); }
    unsigned tearOffStyle() const { return m_tearOffStyle; }

    QImage image() const { return m_window->image(); }
    QImage alternateImage() const { return m_window->alternateImage(); }
    void setAlternateImage(const QImage &image) { m_window->setAlternateImage(image); }
    bool isAnimating() const { return m_window->isAnimating(); }
    void switchImages();

private:
    std::unique_ptr<KZTabDragWindow> m_window;
    unsigned m_tearOffStyle;
};
