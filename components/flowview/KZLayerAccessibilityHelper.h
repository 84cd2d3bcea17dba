#pragma once
// An accessibility element that stands for one layer of a view: it answers the
// standard attributes (role, parent, window, position, size, focused, enabled,
// children) from the layer's geometry and its own fields, keeps an ordered list of
// child elements, and answers further attributes through handlers its creator adds.
// For Qt's accessibility each element has a QAccessibleInterface of its own
// (KZLayerAccessibleInterface), registered with QAccessible when the element is made
// and deleted with it.
//
// Ownership: held by std::shared_ptr (the layer keeps it under "axHelper", the
// parent element among its children); a parent owns its children, a child knows its
// parent by a plain pointer that the parent clears when it lets the child go. The
// layer and the view are not owned: a gone layer answers no geometry, a gone view
// no window. Handlers must not keep their element alive (they get it as argument).
// Main thread only.
//
// Failures: an attribute with no standard meaning and no get handler answers none;
// setting one without a set handler is ignored.
#include "platform/layers/Layer.h"

#include <QAccessible>
#include <QHash>
#include <QPointer>
#include <QRect>
#include <QSet>
#include <QString>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <memory>

class KZLayerAccessibleInterface;

class KZLayerAccessibilityHelper : public std::enable_shared_from_this<KZLayerAccessibilityHelper>
{
public:
    using Ptr = std::shared_ptr<KZLayerAccessibilityHelper>;
    using GetHandler = std::function<QVariant(KZLayerAccessibilityHelper &element)>;
    using SetHandler = std::function<void(KZLayerAccessibilityHelper &element, const QVariant &value)>;

    // Standard attributes.
    static inline const QString RoleAttribute = QStringLiteral("AXRole");
    static inline const QString RoleDescriptionAttribute = QStringLiteral("AXRoleDescription");
    static inline const QString ParentAttribute = QStringLiteral("AXParent");
    static inline const QString WindowAttribute = QStringLiteral("AXWindow");
    static inline const QString TopLevelUIElementAttribute = QStringLiteral("AXTopLevelUIElement");
    static inline const QString PositionAttribute = QStringLiteral("AXPosition");
    static inline const QString SizeAttribute = QStringLiteral("AXSize");
    static inline const QString FocusedAttribute = QStringLiteral("AXFocused");
    static inline const QString EnabledAttribute = QStringLiteral("AXEnabled");
    static inline const QString ChildrenAttribute = QStringLiteral("AXChildren");
    // Attributes creators commonly add.
    static inline const QString TitleAttribute = QStringLiteral("AXTitle");
    static inline const QString ValueAttribute = QStringLiteral("AXValue");
    static inline const QString SelectedAttribute = QStringLiteral("AXSelected");
    static inline const QString SelectedChildrenAttribute = QStringLiteral("AXSelectedChildren");
    static inline const QString VisibleChildrenAttribute = QStringLiteral("AXVisibleChildren");
    static inline const QString OrientationAttribute = QStringLiteral("AXOrientation");
    static inline const QString HorizontalOrientationValue = QStringLiteral("AXHorizontalOrientation");

    static Ptr layerAccesibilityHelperWithRole(QAccessible::Role role, KZLayerAccessibilityHelper *parent,
                                               const platform::LayerPtr &layer, QWidget *view);
    KZLayerAccessibilityHelper(QAccessible::Role role, KZLayerAccessibilityHelper *parent,
                               const platform::LayerPtr &layer, QWidget *view);
    ~KZLayerAccessibilityHelper();
    KZLayerAccessibilityHelper(const KZLayerAccessibilityHelper &) = delete;
    KZLayerAccessibilityHelper &operator=(const KZLayerAccessibilityHelper &) = delete;

    QAccessible::Role role() const { return m_role; }
    void setRole(QAccessible::Role role) { m_role = role; }
    // The parent element; none means the view is the parent.
    KZLayerAccessibilityHelper *parent() const { return m_parent; }
    void setParent(KZLayerAccessibilityHelper *parent) { m_parent = parent; }
    platform::LayerPtr layer() const { return m_layer.lock(); }
    void setLayer(const platform::LayerPtr &layer) { m_layer = layer; }
    QWidget *view() const { return m_view; }
    void setView(QWidget *view) { m_view = view; }
    bool isFocused() const { return m_focused; }
    void setFocused(bool focused) { m_focused = focused; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    QSet<QString> attributeNames() const { return m_attributeNames; }
    void setAttributeNames(const QSet<QString> &names) { m_attributeNames = names; }
    QSet<QString> writableAttributeNames() const { return m_writableAttributeNames; }
    void setWritableAttributeNames(const QSet<QString> &names) { m_writableAttributeNames = names; }

    void addHandlerForAttribute(const QString &attribute, GetHandler handler);
    void addHandlerForWritableAttribute(const QString &attribute, SetHandler handler);

    // Children, in order. Inserting sets the child's parent to this element,
    // removing clears it; the children attribute is named exactly while there are any.
    // An element is among the children at most once. Finding a child's index (and so
    // the check for a duplicate) costs the same however many children there are, as
    // long as children are added and removed at the end or replaced in place; a change
    // in the middle makes the next look-up rebuild the index.
    const QList<Ptr> &children() const { return m_children; }
    qsizetype countOfChildren() const { return m_children.size(); }
    Ptr objectInChildrenAtIndex(qsizetype index) const;
    void insertObjectInChildrenAtIndex(const Ptr &child, qsizetype index);
    void removeObjectFromChildrenAtIndex(qsizetype index);
    void addChildrenObject(const Ptr &child);
    // Puts the replacement where the old child stands (added at the end when the old
    // one is not a child); the old child's parent is cleared.
    void replaceChild(const KZLayerAccessibilityHelper *old, const Ptr &replacement);
    qsizetype indexOfChild(const KZLayerAccessibilityHelper *child) const;

    // The accessibility protocol.
    bool accessibilityIsIgnored() const { return false; }
    QSet<QString> accessibilityAttributeNames() const;
    QVariant accessibilityAttributeValue(const QString &attribute);
    bool accessibilityIsAttributeSettable(const QString &attribute) const;
    void accessibilitySetValue(const QVariant &value, const QString &attribute);
    // The element at a point of the screen: this one (see the source).
    KZLayerAccessibilityHelper *accessibilityHitTest(const QPoint &screenPoint);
    KZLayerAccessibilityHelper *accessibilityFocusedUIElement() { return this; }
    QString description() const;

    // The layer's rectangle on the screen (Qt's coordinates: y down); empty without
    // a layer in the view's tree.
    QRect screenRect() const;

    QAccessibleInterface *accessibleInterface() const;
    QAccessible::Id accessibleId() const { return m_id; }

    // Carrying elements on layers.
    static QVariant toVariant(const Ptr &element);
    static Ptr fromVariant(const QVariant &value);
    static Ptr ofLayer(const platform::Layer *layer);

private:
    void adoptChild(const Ptr &child);
    void adjustChildrenAttribute();
    void forgetChildIndex() { m_childIndexValid = false; }


    QAccessible::Role m_role;
    KZLayerAccessibilityHelper *m_parent;
    std::weak_ptr<platform::Layer> m_layer;
    QPointer<QWidget> m_view;
    QList<Ptr> m_children;
    // Index of each child in m_children, while m_childIndexValid.
    mutable QHash<const KZLayerAccessibilityHelper *, qsizetype> m_childIndex;
    mutable bool m_childIndexValid = true;
    QSet<QString> m_writableAttributeNames;
    QSet<QString> m_attributeNames;
    QHash<QString, GetHandler> m_getHandlers;
    QHash<QString, SetHandler> m_setHandlers;
    bool m_focused = false;
    bool m_enabled = true;
    QAccessible::Id m_id = 0;
};

Q_DECLARE_METATYPE(KZLayerAccessibilityHelper::Ptr)
