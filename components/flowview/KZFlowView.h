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

#include <QMatrix4x4>
#include <QPointer>
#include <QTimer>
#include <QVariantAnimation>
#include <memory>

class KZVideoOverlayLayer;

namespace platform {
class Coder;
class KeyValueObservable;
} // namespace platform

class KZFlowView : public platform::LayerHostWidget, public platform::LayerDelegate
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
    // How long a pause between resizes ends a live resize.
    static constexpr int LiveResizeEndMs = 200;
    static constexpr int PropertyAnimationMs = 250;

    explicit KZFlowView(QWidget *parent = nullptr);
    ~KZFlowView() override;

    // Archive.
    void encodeWithCoder(platform::Coder &coder) const;
    // A view read from the coder (the defaults for a coder without keyed coding).
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
    platform::KeyValueObservable *imageItemForIndex(quint32 index);
    QVariant imageUIDForItem(const platform::KeyValueObservable *item) const;
    QVariant imageRepresentationForItem(const platform::KeyValueObservable *item) const;
    QVariant imageRepresentationTypeForItem(const platform::KeyValueObservable *item) const;
    QString imageTitleForItem(const platform::KeyValueObservable *item) const;
    QString titleAtIndex(quint32 index);

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

private:
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
};
