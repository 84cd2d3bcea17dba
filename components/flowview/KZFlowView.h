#pragma once
// A cover-flow browser: a row of item pictures on layers, the selected item flat and
// in front in the middle, the others turned away and stacked to its left and right,
// with mirror reflections, a title under the row and a small scroll bar. The view is
// a platform::LayerHostWidget whose root is a gradient layer; its tree (see
// setupLayers()) is y-up like every layer tree, and all geometry here is in the
// scroll layer's or the view layer's y-up space.
//
// Items come from a KZFlowViewDataSource (see there); the delegate hears of
// selection changes. Neither is owned: whoever sets one clears it before it dies.
// The view is the scroll layer's layout manager and delegate; a selection change
// scrolls the row and lays the items out for it in one animated transaction of
// scrollDuration. Items far from the visible part of the row before and after a move
// are placed without animation and hidden, so a frame costs the same whatever the
// number of items.
//
// Accessibility: one element (KZLayerAccessibilityHelper) per background, scroll
// bar, knob, item and movie button; the view's own QAccessibleInterface (a pane)
// comes from a factory installed with the first view.
//
// Live resize: X11 has none; a resize starts one, and 200 ms without another ends it
// (viewDidEndLiveResize()). Entering a window (the first show in a window, or a move
// into another) makes a new, empty layer tree.
//
// Content (KZFlowViewContent.cpp): reloadContent() rebuilds the item layers, reusing
// old ones; pictures are made on the view's OperationQueue from GUI-thread copies of
// the representations (prepareRepresentation()) by the class operations of
// KZFlowViewImageMaking.cpp, cached by identifier in a byte-bounded cache, and handed
// back with the item's identifier and the reload they belong to: a picture whose
// item no longer stands at its index is dropped. Cancelled loads deliver nothing,
// but a picture finished after its load was cancelled is still cached.
//
// Input (KZFlowViewInput.cpp): clicks, drags out after the platform's drag distance,
// drops of URI lists, the wheel in whole notches, hover over the selected item
// (platform::TrackingAreas) and the shared preview panel (Space, when allowed).
//
// Bindings (KZFlowViewBindings.cpp): "contentArray" to a platform::ArrayController;
// the items are then read through four key paths and observed at them.
//
// Archive: keyed coders only (encodeWithCoder() raises platform::Exception
// "NSInvalidArchiveOperationException" for any other). Missing or non-finite
// archived values keep their defaults. Main thread only.
#include "components/flowview/KZFlowViewDataSource.h"
#include "components/flowview/KZFlowViewDelegate.h"
#include "components/flowview/KZLayerAccessibilityHelper.h"
#include "platform/foundation/Range.h"
#include "platform/layers/GradientLayer.h"
#include "platform/layers/LayerDelegate.h"
#include "platform/layers/LayerHostWidget.h"
#include "platform/layers/LayoutManager.h"
#include "platform/layers/Movie.h"
#include "platform/layers/MovieLayer.h"
#include "platform/layers/ReplicatorLayer.h"
#include "platform/layers/ScrollLayer.h"
#include "platform/layers/TextLayer.h"
#include "platform/media/PdfPage.h"
#include "platform/media/PreviewPanel.h"

#include <QHash>
#include <QMatrix4x4>
#include <QSet>
#include <QUrl>
#include <QPointer>
#include <QTimer>
#include <QVariantAnimation>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class KZFlowViewImageCache;
class KZVideoOverlayLayer;
class QMimeData;

namespace platform {
class ArrayController;
class BindingObserver;
class Coder;
class KeyValueObservable;
class OperationQueue;
class TrackingAreas;
} // namespace platform

Q_DECLARE_METATYPE(std::shared_ptr<platform::Movie>)

class KZFlowView : public platform::LayerHostWidget,
                   public platform::LayerDelegate,
                   public platform::PreviewPanelDataSource,
                   public platform::PreviewPanelDelegate
{
    Q_OBJECT
public:
    static constexpr quint32 NotFound = 2147483647;
    static inline const QString ContentLayerName = QStringLiteral("KZFlowViewContentLayer");
    static inline const QString ContainerLayerName = QStringLiteral("KZFlowViewContainerLayer");
    static inline const QString TitleLayerName = QStringLiteral("KZFlowViewTitleLayer");
    static inline const QString ScrollBarLayerName = QStringLiteral("KZFlowViewScrollBarLayerName");
    static inline const QString ScrollKnobLayerName = QStringLiteral("KZFlowViewScrollKnobLayerName");
    static inline const QString OverlayLayerName = QStringLiteral("KZFlowViewOverlayLayerName");
    // Content kinds (suffixes of the content layer's name).
    static inline const QString ImageKind = QStringLiteral("Image");
    static inline const QString MovieKind = QStringLiteral("Movie");
    static inline const QString CompositionKind = QStringLiteral("QCComposition");

    // Representation types. What each representation is here: URL and the path types
    // a QUrl or a path QString; CGImage, NSImage and NSBitmap a QImage; NSData a
    // QByteArray of an encoded image; PDFPage a platform::PdfPage; QTMovie a
    // std::shared_ptr<platform::Movie>; IconRef a QIcon; compositions none here.
    static inline const QString URLRepresentationType = QStringLiteral("KZFlowViewURLRepresentationType");
    static inline const QString CGImageRepresentationType = QStringLiteral("KZFlowViewCGImageRepresentationType");
    static inline const QString PDFPageRepresentationType = QStringLiteral("KZFlowViewPDFPageRepresentationType");
    static inline const QString PathRepresentationType = QStringLiteral("KZFlowViewPathRepresentationType");
    static inline const QString NSImageRepresentationType = QStringLiteral("KZFlowViewNSImageRepresentationType");
    static inline const QString NSDataRepresentationType = QStringLiteral("KZFlowViewNSDataRepresentationType");
    static inline const QString NSBitmapRepresentationType = QStringLiteral("KZFlowViewNSBitmapRepresentationType");
    static inline const QString QTMovieRepresentationType = QStringLiteral("KZFlowViewQTMovieRepresentationType");
    static inline const QString QTMoviePathRepresentationType = QStringLiteral("KZFlowViewQTMoviePathRepresentationType");
    static inline const QString QCCompositionRepresentationType = QStringLiteral("KZFlowViewQCCompositionRepresentationType");
    static inline const QString QCCompositionPathRepresentationType =
        QStringLiteral("KZFlowViewQCCompositionPathRepresentationType");
    static inline const QString QuickLookPathRepresentationType =
        QStringLiteral("KZFlowViewQuickLookPathRepresentationType");
    static inline const QString IconRefPathRepresentationType = QStringLiteral("KZFlowViewIconRefPathRepresentationType");
    static inline const QString IconRefRepresentationType = QStringLiteral("KZFlowViewIconRefRepresentationType");
    // Kinds (MIME type names) of the representations that are no files.
    static inline const QString ImageKindType = QStringLiteral("image/x-generic");
    static inline const QString PdfKindType = QStringLiteral("application/pdf");
    static inline const QString MovieKindType = QStringLiteral("video/x-generic");
    static inline const QString CompositionKindType = QStringLiteral("application/x-quartzcomposer");
    // The drag of an item of a data-source type carries its data as
    // "application/x-<type>"; file items as "text/uri-list".
    static QString mimeTypeForRepresentationType(const QString &type);
    // How long a movie's first picture may take.
    static constexpr int MoviePosterTimeoutMs = 5000;
    // The name of the selection-change notification. The view itself posts none:
    // selection changes reach the delegate and the bound controller.
    static inline const QString SelectionDidChangeNotification = QStringLiteral("KZFlowViewSelectionDidChangeNotification");
    // Bindings.
    static inline const QString ContentArrayBinding = QStringLiteral("contentArray");
    // How long a pause between resizes ends a live resize.
    static constexpr int LiveResizeEndMs = 200;
    static constexpr int PropertyAnimationMs = 250;

    explicit KZFlowView(QWidget *parent = nullptr);
    ~KZFlowView() override;

    // Archive.
    void encodeWithCoder(platform::Coder &coder) const;
    // A view read from the coder (the defaults for a coder without keyed coding). It
    // takes no drops: a decoded view registers no drag types.
    static KZFlowView *fromCoder(platform::Coder &coder, QWidget *parent = nullptr);

    // Title.
    QString title() const;
    void setTitle(const QString &title);
    void setTitleFont(const QFont &font);
    void setTitleSize(qreal size);
    void setTitleColor(const QColor &color);

    KZFlowViewDataSource *dataSource() const { return m_dataSource; }
    void setDataSource(KZFlowViewDataSource *dataSource) { m_dataSource = dataSource; }
    KZFlowViewDelegate *delegate() const { return m_delegate; }
    void setDelegate(KZFlowViewDelegate *delegate) { m_delegate = delegate; }
    // Sent on a double click of the selected item when the delegate does not take it.
    void setAction(std::function<void(KZFlowView &)> action) { m_action = std::move(action); }

    // Look and geometry.
    float stackedAngle() const { return m_stackedAngle; }
    void setStackedAngle(float degrees);
    float spacing() const { return m_spacing; }
    void setSpacing(float spacing);
    float stackedScale() const { return m_stackedScale; }
    void setStackedScale(float scale);
    float selectedScale() const { return m_selectedScale; }
    void setSelectedScale(float scale);
    float reflectionOffset() const { return m_reflectionOffset; }
    void setReflectionOffset(float offset);
    float itemScale() const { return m_itemScale; }
    void setItemScale(float scale);
    float previewScale() const { return m_previewScale; }
    void setPreviewScale(float scale);
    double scrollDuration() const { return m_scrollDuration; }
    void setScrollDuration(double seconds);
    bool showsReflection() const { return m_showsReflection; }
    void setShowsReflection(bool shows);
    bool canControlQuickLookPanel() const { return m_canControlQuickLookPanel; }
    void setCanControlQuickLookPanel(bool can) { m_canControlQuickLookPanel = can; }
    QMatrix4x4 leftTransform() const { return m_leftTransform; }
    void setLeftTransform(const QMatrix4x4 &transform) { m_leftTransform = transform; }
    QMatrix4x4 rightTransform() const { return m_rightTransform; }
    void setRightTransform(const QMatrix4x4 &transform) { m_rightTransform = transform; }
    QMatrix4x4 perspective() const { return m_perspective; }
    void setPerspective(const QMatrix4x4 &transform) { m_perspective = transform; }
    // Animates "spacing" or "stackedAngle" to the value over 0.25 s (any other key is
    // set at once); defaultAnimationForKey() gives the animation.
    void animateToValue(float value, const QString &key);
    static std::unique_ptr<QVariantAnimation> defaultAnimationForKey(const QString &key);
    const QVariantAnimation *runningAnimationForKey(const QString &key) const;

    // Items and selection.
    quint32 selectedIndex() const { return m_selectedIndex; }
    void setSelectedIndex(quint32 index);
    quint32 numberOfItems() const { return m_numberOfItems; }
    void setNumberOfItems(quint32 count) { m_numberOfItems = count; }
    void moveLeft();
    void moveRight();
    platform::Range visibleItemIndexes() const { return m_visibleItemIndexes; }
    quint32 maximumNumberOfStackedVisibleItems() const;
    // None for an index at or past the number of items: the data source is never
    // asked for an item it does not have.
    platform::KeyValueObservable *imageItemForIndex(quint32 index);
    QVariant imageUIDForItem(const platform::KeyValueObservable *item) const;
    QVariant imageRepresentationForItem(const platform::KeyValueObservable *item) const;
    QVariant imageRepresentationTypeForItem(const platform::KeyValueObservable *item) const;
    QString imageTitleForItem(const platform::KeyValueObservable *item) const;
    QString titleAtIndex(quint32 index);

    // Representations and pictures. The class operations run on any thread.
    static const QSet<QString> &pathRepresentationTypes();
    static const QHash<QString, QString> &uniformTypesDictionary();
    static bool isPathType(const QString &type);
    // The file of a path representation (a QUrl or a path string); empty for others.
    static QString pathOfRepresentation(const QVariant &representation);
    // `cancelled`, when given, ends a wait for a movie's first picture early.
    static QImage newImageFromRepresentation(const QVariant &representation, const QString &type, const QSizeF &size,
                                             const std::function<bool()> &cancelled = {});
    static QImage newImageFromURL(const QUrl &url, const QSizeF &size);
    static QImage newImageFromPath(const QString &path, const QSizeF &size, const std::function<bool()> &cancelled = {});
    static QImage newImageFromData(const QByteArray &data, const QSizeF &size);
    static QImage newImageFromImage(const QImage &image, const QSizeF &size);
    static QImage newImageFromPDFPage(const platform::PdfPage &page, const QSizeF &size, bool transparentBackground);
    static const QImage &defaultImage();
    // GUI thread: a copy of the representation that a loading thread may use (an
    // icon becomes its picture at the size, a movie its current picture).
    static QVariant prepareRepresentation(const QVariant &representation, const QString &type, const QSizeF &size);
    // GUI thread.
    static std::shared_ptr<platform::Movie> movieFromRepresentation(const QVariant &representation, const QString &type);
    QString uniformTypeIdentifierAtIndex(quint32 index);
    bool isMovieAtIndex(quint32 index);
    bool isQCCompositionAtIndex(quint32 index);
    QImage defaultImageForItem(platform::KeyValueObservable *item, const QSizeF &size);

    // Content and pictures.
    void reloadContent();
    void updateImages();
    void updateImageLayerAtIndex(quint32 index);
    void setImage(const QImage &image, quint32 index);
    static qreal differenceForImage(const QImage &image, const QSizeF &desiredSize);
    void cacheImage(const QImage &image, const QVariant &uid);
    KZFlowViewImageCache &imageCache() const { return *m_imageCache; }
    platform::OperationQueue &operationQueue() const { return *m_operationQueue; }
    const QList<platform::LayerPtr> &layerQueue() const { return m_layerQueue; }
    void enqeueItemLayer(const platform::LayerPtr &layer);
    platform::LayerPtr deqeueItemLayer();
    void selectLayerAtIndex(quint32 index);
    void deselectLayerAtIndex(quint32 index);
    void updateMovieLayerAtIndex(quint32 index);
    // How many reloads ran (pictures made before the last one are checked against it).
    quint64 reloadCount() const { return m_reloadCount; }
    // How many item layers were made since the view was.
    quint64 itemLayersMade() const { return m_itemLayersMade; }

    // Input, drag and drop, preview.
    void setupTrackingAreas();
    platform::TrackingAreas *trackingAreas() const { return m_trackingAreas; }
    void mouseEnteredLayerAtIndex(quint32 index);
    void mouseExitedLayerAtIndex(quint32 index);
    // The selected index moved by a wheel or swipe delta (whole items, toward zero).
    void scrollByDelta(qreal delta);
    // The data a drag of the item carries (empty when nothing wrote any).
    std::unique_ptr<QMimeData> dragDataForIndex(quint32 index);
    void draggedItemWasDeleted();
    void togglePreviewPanel();
    bool acceptsPreviewPanelControl();
    void beginPreviewPanelControl(platform::PreviewPanel &panel);
    void endPreviewPanelControl(platform::PreviewPanel &panel);
    int numberOfPreviewItemsInPreviewPanel(platform::PreviewPanel &panel) override;
    QUrl previewItemAtIndex(platform::PreviewPanel &panel, int index) override;
    bool previewPanelHandleEvent(platform::PreviewPanel &panel, QEvent *event) override;
    QRect previewPanelSourceFrameOnScreen();

    // Bindings.
    void bind(const QString &binding, platform::KeyValueObservable *observable, const QString &keyPath,
              const QVariantMap &options = {});
    void unbind(const QString &binding);
    bool bindingsEnabled() const { return m_contentController != nullptr; }
    platform::ArrayController *contentArrayController() const { return m_contentController; }
    QString contentArrayKeyPath() const { return m_contentKeyPath; }
    QVariantList contentArray() const;
    QString imageRepresentationKeyPath() const { return m_keyPaths[0]; }
    void setImageRepresentationKeyPath(const QString &keyPath) { setItemKeyPath(0, keyPath); }
    QString imageRepresentationTypeKeyPath() const { return m_keyPaths[1]; }
    void setImageRepresentationTypeKeyPath(const QString &keyPath) { setItemKeyPath(1, keyPath); }
    QString imageUIDKeyPath() const { return m_keyPaths[2]; }
    void setImageUIDKeyPath(const QString &keyPath) { setItemKeyPath(2, keyPath); }
    QString imageTitleKeyPath() const { return m_keyPaths[3]; }
    void setImageTitleKeyPath(const QString &keyPath) { setItemKeyPath(3, keyPath); }
    QStringList observedItemKeyPaths() const;
    // How many observations of items run now.
    qsizetype itemObservationCount() const;

    // Layers.
    std::shared_ptr<platform::GradientLayer> backgroundLayer() const { return m_backgroundLayer; }
    std::shared_ptr<platform::TextLayer> titleLayer() const { return m_titleLayer; }
    platform::LayerPtr containerLayer() const { return m_containerLayer; }
    std::shared_ptr<platform::ScrollLayer> scrollLayer() const { return m_scrollLayer; }
    platform::LayerPtr scrollBarLayer() const { return m_scrollBarLayer; }
    platform::LayerPtr selectedLayer() const { return m_selectedLayer; }
    void setSelectedLayer(const platform::LayerPtr &layer);
    platform::LayerPtr highlightedLayer() const { return m_highlightedLayer; }
    void setHighlightedLayer(const platform::LayerPtr &layer);
    static void highlightLayer(platform::Layer &layer, bool highlighted, qreal cornerRadius, const QColor &color);

    void setupLayers();
    std::shared_ptr<platform::ReplicatorLayer> createItemLayerWithIndex(quint32 index);
    platform::LayerPtr createImageLayer();
    void setAttributesForItemContentLayer(platform::Layer &layer, quint32 index);
    static void setAttributesForSublayer(platform::Layer &layer);
    std::shared_ptr<platform::MovieLayer> createMovieLayerWithMovie(const std::shared_ptr<platform::Movie> &movie,
                                                                    quint32 index);
    std::shared_ptr<KZVideoOverlayLayer> createMovieOverlayLayerWithIndex(quint32 index);
    platform::LayerPtr itemLayerAtIndex(quint32 index) const;
    platform::LayerPtr imageLayerAtIndex(quint32 index) const;
    std::shared_ptr<platform::MovieLayer> movieLayerAtIndex(quint32 index) const;
    std::shared_ptr<KZVideoOverlayLayer> overlayLayerAtIndex(quint32 index) const;

    // Layout and geometry (the scroll layer's space, y up).
    QSizeF itemSizeForRect(const QRectF &rect) const;
    static qreal angleScaleForAngle(qreal degrees);
    static qreal horizontalOffsetForItem(quint32 index, qreal itemWidth, qreal stackedAngle, qreal spacing,
                                         quint32 selectedIndex);
    QPointF originForItem(quint32 index, const QSizeF &itemSize, qreal stackedAngle, qreal spacing,
                          quint32 selectedIndex) const;
    QRectF rectForItem(quint32 index, const QSizeF &itemSize) const;
    QPointF selectedScrollPoint() const;
    static QRectF boundsFromContentWithAspectRatio(qreal aspectRatio, const QRectF &itemRect);
    void setFrameForLayer(platform::Layer &itemLayer, quint32 index, const QSizeF &itemSize);
    void layoutItemLayersInRange(platform::Range range);
    void layoutSublayersOfLayer(platform::Layer &layer);
    void updateSelectionInRange(platform::Range range);
    std::optional<platform::ActionPtr> actionForLayer(platform::Layer &layer, const QString &key) override;
    void calculateVisibleItems();
    void updateReflection();
    void updateScrollKnob();
    // Conversions to the view layer's space (y up).
    QRectF itemFrameAtIndex(quint32 index) const;
    QRectF rectInViewForLayer(const platform::Layer *layer) const;
    platform::LayerPtr hitLayerAtPoint(const QPointF &pointInViewLayer) const;
    quint32 indexOfItemAtPoint(const QPointF &pointInViewLayer) const;

    bool inLiveResize() const { return m_liveResize.isActive(); }
    bool draggingKnob() const { return m_draggingKnob; }
    void setDraggingKnob(bool dragging);
    float mouseDownInKnob() const { return m_mouseDownInKnob; }
    void setMouseDownInKnob(float x) { m_mouseDownInKnob = x; }

    // What the accessibility element of a layer answers (none when it has none).
    static KZLayerAccessibilityHelper::Ptr accessibilityElementOfLayer(const platform::Layer *layer);

Q_SIGNALS:
    // The pictures of the items are due for an update: an animated layout pass has
    // finished, a live resize has ended or the preview scale changed.
    void imagesNeedUpdate();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    struct ItemObservation
    {
        platform::KeyValueObservable *item = nullptr;
        QString keyPath;
        std::unique_ptr<platform::BindingObserver> observer;
    };
    void setItemKeyPath(int which, const QString &keyPath);
    void contentArrayChanged();
    void observeItems(const QVariantList &items, const QStringList &keyPaths);
    void stopObservingItems(const QVariantList &items, const QStringList &keyPaths);
    void itemKeyPathChanged(platform::KeyValueObservable *item, const QString &keyPath);
    void unbindAll();
    void rebuildListElements();
    // Stops the movie of the content layer's live content and removes it, with the
    // accessibility elements of what it removed.
    static void removeLiveContent(platform::Layer &content);
    // Gives the item layer the view's reflection: a second, tinted instance while
    // reflections are shown, none otherwise.
    void applyReflection(platform::ReplicatorLayer &item) const;
    void cancelLoads();
    void deliverLoadedImage(const QImage &image, quint32 index, const QVariant &uid, quint64 reload);
    QString contentKindAtIndex(quint32 index);
    QPointF toViewLayer(const QPointF &widgetPoint) const;
    void pressOnSelectedItem(QMouseEvent *event, quint32 index);
    void startDrag(quint32 index);
    quint32 dropIndexAt(const QPointF &widgetPoint) const;
    bool isOwnDrag(const QDropEvent *event) const;
    class ScrollLayout;
    struct Defaults;
    void setDefaults();
    void commonInit();
    void viewDidEndLiveResize();
    void viewWillMoveToWindow(QWidget *window);
    void markScrollLayerForLayout();
    std::shared_ptr<platform::LayoutManager> scrollLayoutManager() const;
    void openLayoutTransaction();
    std::shared_ptr<platform::GradientLayer> createBackgroundLayer();
    std::shared_ptr<platform::TextLayer> createTitleLayer();
    platform::LayerPtr createContainerLayer();
    std::shared_ptr<platform::ScrollLayer> createScrollLayer();
    platform::LayerPtr createScrollBarLayer();
    void readFromCoder(platform::Coder &coder);
    // The indexes whose slots lie within the visible row before or after the move.
    std::pair<qint64, qint64> shownIndexes(const QSizeF &itemSize) const;

    QMatrix4x4 m_leftTransform;
    QMatrix4x4 m_rightTransform;
    QMatrix4x4 m_perspective;
    std::shared_ptr<platform::GradientLayer> m_backgroundLayer;
    std::shared_ptr<platform::TextLayer> m_titleLayer;
    std::shared_ptr<platform::ScrollLayer> m_scrollLayer;
    platform::LayerPtr m_containerLayer;
    platform::LayerPtr m_scrollBarLayer;
    platform::LayerPtr m_selectedLayer;
    platform::LayerPtr m_highlightedLayer;
    KZFlowViewDataSource *m_dataSource = nullptr;
    KZFlowViewDelegate *m_delegate = nullptr;
    float m_stackedAngle = 0;
    float m_spacing = 0;
    float m_stackedScale = 0;
    float m_selectedScale = 0;
    float m_reflectionOffset = 0;
    float m_itemScale = 1;
    float m_mouseDownInKnob = 0;
    float m_previewScale = 1;
    double m_scrollDuration = 0;
    quint32 m_selectedIndex = NotFound;
    quint32 m_numberOfItems = 0;
    bool m_showsReflection = false;
    bool m_draggingKnob = false;
    bool m_canControlQuickLookPanel = false;
    platform::Range m_visibleItemIndexes{0, 0};
    std::shared_ptr<ScrollLayout> m_scrollLayout;
    QTimer m_liveResize;
    QPointer<QWidget> m_window;
    QHash<QString, QVariantAnimation *> m_animations;
    std::function<void(KZFlowView &)> m_action;
    // Shared with the picture operations, which may outlive the view.
    std::shared_ptr<KZFlowViewImageCache> m_imageCache;
    std::unique_ptr<platform::OperationQueue> m_operationQueue;
    QList<platform::LayerPtr> m_layerQueue;
    quint64 m_reloadCount = 0;
    quint64 m_loadGeneration = 0; // grows with every cancelLoads()
    quint64 m_itemLayersMade = 0;
    platform::TrackingAreas *m_trackingAreas = nullptr;
    // A press on the selected item waits for the drag distance before it drags.
    std::optional<QPoint> m_pressOnSelected;
    quint32 m_pressIndex = NotFound;
    qreal m_wheelRemainder = 0;
    platform::ArrayController *m_contentController = nullptr;
    QString m_contentKeyPath;
    std::unique_ptr<platform::BindingObserver> m_contentObserver;
    QVariantList m_observedItems;
    QString m_keyPaths[4];
    std::vector<std::unique_ptr<ItemObservation>> m_itemObservations;
    std::unique_ptr<platform::BindingObserver> m_keyPathObservers[4];
};
