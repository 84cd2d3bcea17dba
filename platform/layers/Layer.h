#pragma once
// A layer: a rectangle of content in a tree of layers, drawn with 3-D transforms and
// animated implicitly. Layers are held by std::shared_ptr (make them with create());
// a superlayer owns its sublayers, a sublayer knows its superlayer by a plain
// pointer. Main thread only.
//
// Geometry is y-up. A layer sits in its superlayer's coordinates by
// T(position, zPosition) · transform · T(-c), c = bounds origin + anchorPoint × bounds
// size; its sublayers also get T(c) · sublayerTransform · T(-c). Matrices compose
// through the whole tree (depth is kept; siblings paint in zPosition order).
//
// Every property is a key (key-value coding and observing); keys the layer does not
// know (such as "index") are kept as they are given. Changing an animatable property
// of a layer whose creating transaction has committed runs its action (see
// actionForKey()): by default an animation from the presentation value to the new
// model value. The model value changes at once; presentationLayer() shows what is on
// screen.
//
// Animations: addAnimation() keeps a copy under a key; adding under a key in use
// removes the older animation (it stops with finished = false). Stops are reported
// to the animation's delegate from the event loop.
//
// Bad values do not get in: non-finite numbers become the property's default (0, or
// 1 for opacity), negative sizes, widths and radii 0, opacities are clamped to
// [0, 1]; adding a layer under itself or under one of its own sublayers is refused.
#include "platform/foundation/KeyValueObserving.h"
#include "platform/layers/Action.h"
#include "platform/layers/Animation.h"
#include "platform/layers/LayoutConstraint.h"
#include "platform/layers/Transition.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QMatrix4x4>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QVariantHash>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QPainter;

namespace platform {

class Layer;
class LayerDelegate;
class LayerHost;
class LayoutManager;
class AnimationDriver;
using LayerPtr = std::shared_ptr<Layer>;

class Layer : public KeyValueObservable, public std::enable_shared_from_this<Layer>
{
public:
    enum class ContentsGravity {
        Center, Top, Bottom, Left, Right, TopLeft, TopRight, BottomLeft, BottomRight,
        Resize, ResizeAspect, ResizeAspectFill
    };
    // Autoresizing: which of a layer's margins and sizes follow its superlayer's size
    // (y-up: MinYMargin is the bottom margin).
    enum AutoresizingMask {
        NotSizable = 0, MinXMargin = 1, WidthSizable = 2, MaxXMargin = 4,
        MinYMargin = 8, HeightSizable = 16, MaxYMargin = 32
    };
    // Which values geometry questions use: the model's or what is on screen.
    enum class Tree { Model, Presentation };
    struct TransitionState
    {
        Transition::Type type;
        Transition::Subtype subtype;
        qreal progress;
    };

    static LayerPtr create();
    Layer();
    ~Layer() override;

    // Geometry
    QRectF bounds() const { return m_bounds; }
    void setBounds(const QRectF &bounds);
    QPointF position() const { return m_position; }
    void setPosition(const QPointF &position);
    qreal zPosition() const { return m_zPosition; }
    void setZPosition(qreal z);
    QPointF anchorPoint() const { return m_anchorPoint; }
    void setAnchorPoint(const QPointF &anchor);
    QMatrix4x4 transform() const { return m_transform; }
    void setTransform(const QMatrix4x4 &transform);
    QMatrix4x4 sublayerTransform() const { return m_sublayerTransform; }
    void setSublayerTransform(const QMatrix4x4 &transform);
    // The bounding box of the layer in its superlayer (its transform included, its
    // superlayer's sublayer transform not); setting it places position and size.
    QRectF frame() const;
    void setFrame(const QRectF &frame);

    // Appearance
    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden);
    qreal opacity() const { return m_opacity; }
    void setOpacity(qreal opacity);
    bool isDoubleSided() const { return m_doubleSided; }
    void setDoubleSided(bool doubleSided);
    bool masksToBounds() const { return m_masksToBounds; }
    void setMasksToBounds(bool masks);
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor &color);
    QColor borderColor() const { return m_borderColor; }
    void setBorderColor(const QColor &color);
    qreal borderWidth() const { return m_borderWidth; }
    void setBorderWidth(qreal width);
    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);
    QImage contents() const { return m_contents; }
    void setContents(const QImage &image);
    ContentsGravity contentsGravity() const { return m_contentsGravity; }
    void setContentsGravity(ContentsGravity gravity);
    QColor shadowColor() const { return m_shadowColor; }
    void setShadowColor(const QColor &color);
    qreal shadowOpacity() const { return m_shadowOpacity; }
    void setShadowOpacity(qreal opacity);
    QSizeF shadowOffset() const { return m_shadowOffset; }
    void setShadowOffset(const QSizeF &offset);
    qreal shadowRadius() const { return m_shadowRadius; }
    void setShadowRadius(qreal radius);
    QString name() const { return m_name; }
    void setName(const QString &name);
    // A promise that the layer fills its bounds with opaque colour (kept as given).
    bool isOpaque() const { return m_opaque; }
    void setOpaque(bool opaque);

    // Tree
    Layer *superlayer() const { return m_superlayer; }
    const QList<LayerPtr> &sublayers() const { return m_sublayers; }
    void setSublayers(const QList<LayerPtr> &sublayers);
    void addSublayer(const LayerPtr &layer);
    void insertSublayer(const LayerPtr &layer, qsizetype index);
    void insertSublayerAbove(const LayerPtr &layer, const Layer *sibling);
    void insertSublayerBelow(const LayerPtr &layer, const Layer *sibling);
    void replaceSublayer(const Layer *old, const LayerPtr &replacement);
    virtual void removeFromSuperlayer();
    Layer *rootLayer();
    // The first sublayer of that name, or none.
    LayerPtr sublayerNamed(const QString &name) const;

    // Layout: constraints (see ConstraintLayoutManager), autoresizing, layout manager.
    int autoresizingMask() const { return m_autoresizingMask; }
    void setAutoresizingMask(int mask);
    const QList<LayoutConstraint> &constraints() const { return m_constraints; }
    void setConstraints(const QList<LayoutConstraint> &constraints);
    void addConstraint(const LayoutConstraint &constraint);
    std::shared_ptr<LayoutManager> layoutManager() const { return m_layoutManager; }
    void setLayoutManager(std::shared_ptr<LayoutManager> manager);
    void setNeedsLayout();
    bool needsLayout() const { return m_needsLayout; }
    // Lays out this layer and everything below it that asked for it.
    void layoutIfNeeded();
    // Asks the layout manager to place the sublayers.
    virtual void layoutSublayers();
    void resizeSublayersWithOldSize(const QSizeF &oldSize);
    void resizeWithOldSuperlayerSize(const QSizeF &oldSize);

    // Drawing: a layer that asked for it (setNeedsDisplay) draws itself once into a
    // backing image, which stands in for its contents until it asks again.
    LayerDelegate *delegate() const { return m_delegate; }
    void setDelegate(LayerDelegate *delegate);
    void setNeedsDisplay();
    bool needsDisplay() const { return m_needsDisplay; }
    bool needsDisplayOnBoundsChange() const { return m_needsDisplayOnBoundsChange; }
    void setNeedsDisplayOnBoundsChange(bool on) { m_needsDisplayOnBoundsChange = on; }
    // Draws now at the given scale (device pixels per unit).
    virtual void display(qreal scale = 1);
    // Draws the content in the layer's bounds coordinates, y-up (text drawn through
    // YUpPainter's helpers stands upright); by default asks the delegate.
    virtual void drawInContext(QPainter &painter);
    // Whether a change of the key, or an animation of it, makes the layer (or its
    // presentation copy) draw again.
    virtual bool needsDisplayForKey(const QString &key) const;
    QImage backingImage() const { return m_backing; }
    qreal backingScale() const { return m_backingScale; }

    // Actions and animations
    const QHash<QString, ActionPtr> &actions() const { return m_actions; }
    // A key mapped to a null pointer means "no action".
    void setActions(const QHash<QString, ActionPtr> &actions) { m_actions = actions; }
    // The delegate's answer, else the actions dictionary's, else defaultActionForKey().
    ActionPtr actionForKey(const QString &key);
    virtual ActionPtr defaultActionForKey(const QString &key) const;
    virtual bool isAnimatableKey(const QString &key) const;
    void addAnimation(const AnimationPtr &animation, const QString &key);
    void removeAnimationForKey(const QString &key);
    void removeAllAnimations();
    AnimationPtr animationForKey(const QString &key) const;
    QStringList animationKeys() const;

    // The layer as it is on screen now (a copy with the running animations applied;
    // the same copy until something changes or time moves). A presentation copy
    // answers its model layer; a model layer answers none.
    LayerPtr presentationLayer() const;
    LayerPtr modelLayer() const;
    bool isPresentation() const { return m_isPresentation; }
    // This layer's values in the given tree (itself for the model).
    const Layer &state(Tree tree) const;

    // Key paths that animations use (see BasicAnimation).
    QVariant animatedValueForKeyPath(const QString &keyPath) const;
    void setAnimatedValueForKeyPath(const QVariant &value, const QString &keyPath);
    std::optional<TransitionState> transitionState() const { return m_transitionState; }
    void setTransitionState(const TransitionState &state) { m_transitionState = state; }

    // Geometry between layers of one tree. A point is mapped through the plane of
    // each layer, perspective included; a rectangle gives the bounding box of its
    // mapped corners. A point behind the eye maps to none (a default QPointF).
    QMatrix4x4 matrixToSuperlayer(Tree tree = Tree::Model) const;
    QMatrix4x4 matrixToLayer(const Layer *layer, Tree tree = Tree::Model) const;
    QPointF convertPointToLayer(const QPointF &point, const Layer *layer, Tree tree = Tree::Model) const;
    QPointF convertPointFromLayer(const QPointF &point, const Layer *layer, Tree tree = Tree::Model) const;
    QRectF convertRectToLayer(const QRectF &rect, const Layer *layer, Tree tree = Tree::Model) const;
    QRectF convertRectFromLayer(const QRectF &rect, const Layer *layer, Tree tree = Tree::Model) const;
    // The deepest visible layer under a point of the superlayer's coordinates
    // (through perspective; back faces of single-sided layers and hidden layers are
    // not hit); none when the point misses.
    LayerPtr hitTest(const QPointF &pointInSuperlayer, Tree tree = Tree::Model);
    virtual bool containsPoint(const QPointF &point) const;
    // The part of the bounds not cut off by the nearest enclosing scroll layer.
    QRectF visibleRect(Tree tree = Tree::Model) const;
    // Whether the layer limits what its sublayers show of themselves (scroll layers).
    virtual bool isScrollLayer() const { return false; }

    // Host: the root of a shown tree knows what shows it.
    void setHost(LayerHost *host) { m_host = host; }
    LayerHost *host() const { return m_host; }

    QVariant valueForUndefinedKey(const QString &key) const override;
    void setValueForUndefinedKey(const QVariant &value, const QString &key) override;

    // Engine (renderer): caches a drawing of the layer may keep with it.
    struct RenderCache;
    RenderCache &renderCache() const;

protected:
    struct PresentationCopy {};
    // A presentation copy of the model: every property, no tree, no animations.
    // Subclasses with state of their own extend it and override makePresentationCopy().
    Layer(const Layer &model, PresentationCopy);
    virtual LayerPtr makePresentationCopy() const;
    const KeyTable &keyTable() const override;

    // Setters of subclasses: change the member, tell observers, run the action.
    template <typename T>
    void changeProperty(T &member, const T &value, const QString &key)
    {
        if (member == value)
            return;
        const QVariant previous = previousValueForAction(key);
        willChangeValueForKey(key);
        member = value;
        didChangeValueForKey(key);
        propertyDidChange(key, previous);
    }
    QVariant previousValueForAction(const QString &key) const;
    void propertyDidChange(const QString &key, const QVariant &previous);
    // Something about the drawing changed: the host renders again.
    void markNeedsRender();

private:
    friend class AnimationDriver;
    bool isLive() const;
    bool canRunActions() const;
    void attachSublayer(const LayerPtr &layer, qsizetype index);
    void insertSublayerNextTo(const LayerPtr &layer, const Layer *sibling, bool above);
    void detachFromSuperlayer(bool runOrderOut);
    void runOrderAction(const QString &key);
    void stopAnimation(const AnimationPtr &animation, bool finished);
    // Engine (AnimationDriver): moves animations to the media time; answers whether
    // any is still running.
    bool advanceAnimations(double mediaTime);
    void changed();

    QRectF m_bounds;
    QPointF m_position;
    qreal m_zPosition = 0;
    QPointF m_anchorPoint{0.5, 0.5};
    QMatrix4x4 m_transform;
    QMatrix4x4 m_sublayerTransform;
    bool m_hidden = false;
    qreal m_opacity = 1;
    bool m_doubleSided = true;
    bool m_masksToBounds = false;
    QColor m_backgroundColor;
    QColor m_borderColor{Qt::black};
    qreal m_borderWidth = 0;
    qreal m_cornerRadius = 0;
    QImage m_contents;
    ContentsGravity m_contentsGravity = ContentsGravity::Resize;
    QColor m_shadowColor{Qt::black};
    qreal m_shadowOpacity = 0;
    QSizeF m_shadowOffset{0, -3};
    qreal m_shadowRadius = 3;
    QString m_name;
    bool m_opaque = false;
    int m_autoresizingMask = NotSizable;
    QList<LayoutConstraint> m_constraints;
    std::shared_ptr<LayoutManager> m_layoutManager;
    LayerDelegate *m_delegate = nullptr;
    QHash<QString, ActionPtr> m_actions;
    QVariantHash m_extras;

    Layer *m_superlayer = nullptr;
    QList<LayerPtr> m_sublayers;
    LayerHost *m_host = nullptr;

    bool m_needsLayout = false;
    bool m_needsDisplay = false;
    bool m_needsDisplayOnBoundsChange = false;
    QImage m_backing;
    qreal m_backingScale = 0;

    std::vector<std::pair<QString, AnimationPtr>> m_animations;
    bool m_inDriver = false;
    quint64 m_version = 0;
    quint64 m_createdAtCommit = 0;
    bool m_isPresentation = false;
    std::weak_ptr<Layer> m_model;
    std::optional<TransitionState> m_transitionState;
    mutable LayerPtr m_presentation;
    mutable double m_presentationTime = -1;
    mutable quint64 m_presentationVersion = 0;
    mutable std::shared_ptr<RenderCache> m_renderCache;
};

} // namespace platform
