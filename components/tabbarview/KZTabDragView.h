#pragma once
// The view of a tab's drag window: the tab's picture cross-faded with its alternate
// picture (a miniature of the window, or the tab's content), as platform::DragImageView
// draws them. A child of its KZTabDragWindow; main thread only.
#include "platform/layers/DragImageView.h"

class KZTabDragView : public platform::DragImageView
{
    Q_OBJECT
public:
    explicit KZTabDragView(const QImage &image, QWidget *parent = nullptr) : DragImageView(image, parent) {}
};
