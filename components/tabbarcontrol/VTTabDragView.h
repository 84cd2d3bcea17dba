#pragma once
// The content of a tab drag window: the two-image cross-fade of platform::DragImageView
// (fade value 1 shows the tab's image, 0 the alternate image). Owned by its window;
// main thread only; no failure cases.
#include "platform/layers/DragImageView.h"

class VTTabDragView : public platform::DragImageView
{
    Q_OBJECT
public:
    explicit VTTabDragView(const QImage &image, QWidget *parent = nullptr) : DragImageView(image, parent) {}
};
