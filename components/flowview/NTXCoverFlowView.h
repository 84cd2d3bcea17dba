#pragma once
// A cover-flow browser: the objects of an array as a row of pictures on a black
// stage, the selected one face-on in the middle and the others turned away to the
// left and right, each with a reflection. The user selects with the arrow keys, the
// mouse, the wheel or the view's own scroller; Return or a double click sends the
// action. An optional accessory controller shows a view below the pictures bound to
// the selected object. A wheel event of more than 0.4 notch moves one item; smaller
// ones (a touchpad's) add up until their sum does.
//
// Content objects are QVariants: an image (QImage), encoded image data
// (QByteArray), or an observable object whose value for imageKeyPath is one of
// those. Anything else shows the placeholder.
//
// Keys (key-value coding): "content", "selectionIndex", "selectedObject" (follows
// "selectionIndex"), "imageKeyPath". Bindings: "content" and "selectionIndex"
// (bind()); the accessory's "representedObject" is bound to "selectedObject".
//
// Ownership: the view owns its layer tree, its scroller, its image queue and the
// accessory's view once added; it does not own the accessory controller (it must
// outlive its use here, or be set to none first) nor the observed content objects
// (they must outlive their place in the content).
//
// Threading: GUI thread, except image decoding: the value is read on the GUI thread,
// decoded on the view's one-thread queue (bounded in size), and applied on the GUI
// thread only to a layer that still shows that object for that request. Destruction
// drops pending loads and waits for the running one.
#include "components/flowview/NTXCoverFlowAccessoryController.h"
#include "components/flowview/NTXCoverFlowObjectKey.h"
#include "platform/foundation/Bindings.h"
#include "platform/foundation/KeyValueObserving.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/layers/Layer.h"
#include "platform/layers/LayerHostWidget.h"
#include "platform/layers/ScrollLayer.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QVariantList>
#include <memory>
#include <unordered_map>
#include <vector>


class NTXCoverFlowScroller;

class NTXCoverFlowView : public platform::LayerHostWidget, public platform::KeyValueObservable
{
    Q_OBJECT
public:
    // Encoded image data larger than this is not decoded.
    static constexpr qsizetype MaximumImageDataSize = 64 * 1024 * 1024;
    // Largest decoded image, in megabytes (QImageReader's allocation limit).
    static constexpr int MaximumDecodedImageMegabytes = 256;
    static constexpr int NotFound = -1;

    explicit NTXCoverFlowView(QWidget *parent = nullptr);
    ~NTXCoverFlowView() override;

    QVariantList content() const { return m_content; }
    // A selection index past the new content becomes 0 (announced as a change of
    // "selectionIndex"; set through the binding when it is bound).
    void setContent(const QVariantList &content);
    QString imageKeyPath() const { return m_imageKeyPath; }
    void setImageKeyPath(const QString &keyPath);
    // The picture size in use (configured, or following the height).
    QSizeF itemSize() const;
    void setItemSize(const QSizeF &size);
    bool autoresizesItems() const { return m_autoresizesItems; }
    void setAutoresizesItems(bool autoresizes);
    bool showsScrollbar() const { return m_showsScrollbar; }
    void setShowsScrollbar(bool shows);
    NTXCoverFlowAccessoryController *accessoryController() const { return m_accessoryController; }
    void setAccessoryController(NTXCoverFlowAccessoryController *controller);
    QImage placeholderIcon() const { return m_placeholderIcon; }
    void setPlaceholderIcon(const QImage &icon) { m_placeholderIcon = icon; }
    int selectionIndex() const { return m_selectionIndex; }
    void setSelectionIndex(int index);
    QVariant selectedObject() const;
    void setSelectedObject(const QVariant &object);
    QObject *target() const { return m_target; }
    void setTarget(QObject *target) { m_target = target; }
    QByteArray action() const { return m_action; }
    void setAction(const QByteArray &action) { m_action = action; }

    // Follows (and writes back) a key path of a model object: "content" or
    // "selectionIndex". Other names are ignored.
    void bind(const QString &binding, platform::KeyValueObservable *observed, const QString &keyPath);
    void unbind(const QString &binding);

    void refreshLayers();
    // The item under a point of the widget (Qt's coordinates), or NotFound.
    int indexOfItemAtPoint(const QPointF &point) const;
    // The item's picture in the root layer's (y-up) coordinates; empty outside.
    QRectF rectForItemAtIndex(int index) const;

    NTXCoverFlowScroller *scroller() const { return m_scroller; }
    platform::ScrollLayer *scrollLayer() const { return m_scrollLayer.get(); }
    // The item layers by index.
    const std::vector<platform::LayerPtr> &itemLayers() const { return m_items; }
    QImage placeholderImage() const { return m_placeholderRef; }
    // Loads queued or running.
    int pendingImageLoads() const { return m_imageLoadQueue->operationCount(); }
    // The queue of the image loads (a caller that waits for them does so off the GUI thread).
    platform::OperationQueue &imageLoadQueue() const { return *m_imageLoadQueue; }

    QString className() const override;

    // The layout of the scroll layer (the view lays it out).
    void layoutSublayersOfLayer(platform::Layer &layer);

protected:
    const platform::KeyTable &keyTable() const override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    platform::LayerPtr insertLayerInScrollLayer();
    qreal positionOfSelectedItem() const;
    Q_INVOKABLE void scrollerChange(QObject *sender);
    void refreshLayer(const platform::LayerPtr &layer);
    void applyImage(const std::weak_ptr<platform::Layer> &layer, const QVariant &object, quint64 request,
                    const QImage &image, bool hasImage);
    void recachePlaceholder();
    void userSetSelectionIndex(int index);
    void resizeSubviews();
    void rebuildBodyConstraints();
    void rebuildGradientConstraints();
    void observeObject(const QVariant &object);
    void stopObservingObject(const QVariant &object);
    void reloadObject(platform::KeyValueObservable *object);
    void rebuildIndexes();
    bool sendActionIfSet();
    static platform::Layer *imageLayerOf(const platform::Layer &item);

    int m_selectionIndex = 0;
    std::shared_ptr<platform::ScrollLayer> m_scrollLayer;
    platform::LayerPtr m_containerLayer;
    platform::LayerPtr m_gradientHolder;
    platform::LayerPtr m_leftGradientLayer;
    platform::LayerPtr m_rightGradientLayer;
    platform::LayerPtr m_bottomGradientLayer;
    QImage m_shadowImage;
    QMatrix4x4 m_leftTransform;
    QMatrix4x4 m_rightTransform;
    QSizeF m_itemSize{140, 100};
    QPointer<NTXCoverFlowAccessoryController> m_accessoryController;
    QObject *m_formerNextResponder = nullptr;
    std::unique_ptr<platform::BindingObserver> m_accessoryBinding;
    NTXCoverFlowScroller *m_scroller = nullptr;
    bool m_showsScrollbar = false;
    bool m_autoresizesItems = true;
    QImage m_placeholderRef;
    QImage m_placeholderIcon;
    QVariantList m_content;
    QString m_imageKeyPath;
    std::unique_ptr<platform::OperationQueue> m_imageLoadQueue;
    QPointer<QObject> m_target;
    QByteArray m_action;

    std::vector<platform::LayerPtr> m_items;
    QHash<NTXCoverFlowObjectKey, std::vector<int>> m_indexesByObject;
    struct ObjectObservation
    {
        int count = 0;
        std::unique_ptr<platform::BindingObserver> observer;
    };
    std::unordered_map<platform::KeyValueObservable *, ObjectObservation> m_observations;
    QHash<const platform::Layer *, quint64> m_loadRequests;
    quint64 m_nextRequest = 0;
    std::unique_ptr<platform::BindingObserver> m_contentBinding;
    std::unique_ptr<platform::BindingObserver> m_selectionBinding;
    Qt::KeyboardModifiers m_eventModifiers;
    bool m_inEvent = false;
    qreal m_wheelRemainder = 0; // partial wheel notches not yet used
    std::shared_ptr<platform::LayoutManager> m_layout;
};
