#pragma once
// The window that shows a tab (or its content) under the pointer during a detached tab
// drag: a platform::DragWindow whose view is a KZTabDragView. A style mask of 0 is
// borderless (the image's size); any other is titled (22 points taller).
//
// Owned by its KZTabDragWindowController. Main thread only.
#include "components/tabbarview/KZTabDragView.h"
#include "platform/layers/DragWindow.h"

#include <memory>

class KZTabDragWindow : public platform::DragWindow
{
    Q_OBJECT
public:
    KZTabDragWindow(const QImage &image, unsigned styleMask);
    static std::unique_ptr<KZTabDragWindow> dragWindowWithImage(const QImage &image, unsigned styleMask);

    KZTabDragView *tabDragView() const { return static_cast<KZTabDragView *>(dragView()); }
};
