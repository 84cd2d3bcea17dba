#pragma once
// A widget that shows a layer tree. Its root layer always covers the widget (the
// host sets the root's bounds and position on resize); the tree is y-up, flipped
// once onto the widget. The widget repaints only when the tree changed or animates:
// then it lays the tree out and renders it at the device pixel ratio, presentation
// values included. A transparent host paints nothing but its layers (for
// see-through windows). Owns its root layer (shared with whoever keeps it); GUI
// thread only.
#include "platform/layers/Layer.h"
#include "platform/layers/LayerHost.h"

#include <QImage>
#include <QWidget>

namespace platform {

class LayerHostWidget : public QWidget, public LayerHost
{
    Q_OBJECT
public:
    explicit LayerHostWidget(QWidget *parent = nullptr);
    ~LayerHostWidget() override;

    LayerPtr rootLayer() const { return m_root; }
    // Replaces the root layer (a null pointer gives a new plain one).
    void setRootLayer(const LayerPtr &root);

    bool isTransparent() const { return m_transparent; }
    // For a window, set before it is first shown (the window system fixes its
    // translucency then).
    void setTransparent(bool transparent);

    // The tree as it is on screen now, in an image of the widget's size at the scale.
    QImage renderToImage(qreal scale = 1);

    void layerTreeNeedsRender() override;

    // How many times the widget has rendered its tree.
    quint64 renderCount() const { return m_renders; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitRoot();

    LayerPtr m_root;
    bool m_transparent = false;
    bool m_rendering = false;
    quint64 m_renders = 0;
};

} // namespace platform
