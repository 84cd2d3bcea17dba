#include "components/flowview/KZLayerAccessibilityHelper.h"

#include "components/flowview/KZLayerAccessibleInterface.h"
#include "platform/drawing/YUpPainter.h"

#include <QMetaEnum>
#include <cmath>

KZLayerAccessibilityHelper::Ptr KZLayerAccessibilityHelper::layerAccesibilityHelperWithRole(
    QAccessible::Role role, KZLayerAccessibilityHelper *parent, const platform::LayerPtr &layer, QWidget *view)
{
    return std::make_shared<KZLayerAccessibilityHelper>(role, parent, layer, view);
}

KZLayerAccessibilityHelper::KZLayerAccessibilityHelper(QAccessible::Role role, KZLayerAccessibilityHelper *parent,
                                                       const platform::LayerPtr &layer, QWidget *view)
    : m_role(role)
    , m_parent(parent)
    , m_layer(layer)
    , m_view(view)
{
    m_id = QAccessible::registerAccessibleInterface(new KZLayerAccessibleInterface(this));
}

KZLayerAccessibilityHelper::~KZLayerAccessibilityHelper()
{
    for (const Ptr &child : std::as_const(m_children))
        if (child->m_parent == this)
            child->m_parent = nullptr;
    QAccessible::deleteAccessibleInterface(m_id);
}

void KZLayerAccessibilityHelper::addHandlerForAttribute(const QString &attribute, GetHandler handler)
{
    m_getHandlers.insert(attribute, std::move(handler));
}

void KZLayerAccessibilityHelper::addHandlerForWritableAttribute(const QString &attribute, SetHandler handler)
{
    m_setHandlers.insert(attribute, std::move(handler));
}

KZLayerAccessibilityHelper::Ptr KZLayerAccessibilityHelper::objectInChildrenAtIndex(qsizetype index) const
{
    return index >= 0 && index < m_children.size() ? m_children.at(index) : nullptr;
}

void KZLayerAccessibilityHelper::adoptChild(const Ptr &child)
{
    if (child->m_parent && child->m_parent != this) {
        KZLayerAccessibilityHelper *old = child->m_parent;
        const qsizetype at = old->indexOfChild(child.get());
        if (at >= 0)
            old->removeObjectFromChildrenAtIndex(at);
    }
    child->m_parent = this;
}

void KZLayerAccessibilityHelper::insertObjectInChildrenAtIndex(const Ptr &child, qsizetype index)
{
    if (!child || child.get() == this || indexOfChild(child.get()) >= 0)
        return;
    adoptChild(child);
    const qsizetype at = std::clamp<qsizetype>(index, 0, m_children.size());
    if (at == m_children.size()) {
        if (m_childIndexValid)
            m_childIndex.insert(child.get(), at);
    } else {
        forgetChildIndex();
    }
    m_children.insert(at, child);
    adjustChildrenAttribute();
}

void KZLayerAccessibilityHelper::removeObjectFromChildrenAtIndex(qsizetype index)
{
    if (index < 0 || index >= m_children.size())
        return;
    const Ptr child = m_children.takeAt(index);
    if (index != m_children.size())
        forgetChildIndex();
    else if (m_childIndexValid)
        m_childIndex.remove(child.get());
    if (child->m_parent == this)
        child->m_parent = nullptr;
    adjustChildrenAttribute();
}

void KZLayerAccessibilityHelper::addChildrenObject(const Ptr &child)
{
    insertObjectInChildrenAtIndex(child, m_children.size());
}

void KZLayerAccessibilityHelper::replaceChild(const KZLayerAccessibilityHelper *old, const Ptr &replacement)
{
    const qsizetype at = indexOfChild(old);
    if (at < 0) {
        addChildrenObject(replacement);
        return;
    }
    if (!replacement || replacement.get() == this) {
        removeObjectFromChildrenAtIndex(at);
        return;
    }
    if (replacement.get() == old)
        return;
    // A replacement that is a child already moves: the list never holds it twice.
    if (const qsizetype already = indexOfChild(replacement.get()); already >= 0)
        removeObjectFromChildrenAtIndex(already);
    adoptChild(replacement);
    const qsizetype now = indexOfChild(old);
    const Ptr previous = m_children.at(now);
    m_children[now] = replacement;
    if (m_childIndexValid) {
        m_childIndex.remove(previous.get());
        m_childIndex.insert(replacement.get(), now);
    }
    if (previous->m_parent == this)
        previous->m_parent = nullptr;
    adjustChildrenAttribute();
}

qsizetype KZLayerAccessibilityHelper::indexOfChild(const KZLayerAccessibilityHelper *child) const
{
    if (!m_childIndexValid) {
        m_childIndex.clear();
        m_childIndex.reserve(m_children.size());
        for (qsizetype i = 0; i < m_children.size(); ++i)
            m_childIndex.insert(m_children.at(i).get(), i);
        m_childIndexValid = true;
    }
    return m_childIndex.value(child, -1);
}

void KZLayerAccessibilityHelper::adjustChildrenAttribute()
{
    if (m_children.isEmpty())
        m_attributeNames.remove(ChildrenAttribute);
    else
        m_attributeNames.insert(ChildrenAttribute);
}

QSet<QString> KZLayerAccessibilityHelper::accessibilityAttributeNames() const
{
    static const QSet<QString> standard = {RoleAttribute,      RoleDescriptionAttribute,   ParentAttribute,
                                           WindowAttribute,    TopLevelUIElementAttribute, PositionAttribute,
                                           SizeAttribute,      FocusedAttribute,           EnabledAttribute};
    return standard | m_attributeNames;
}

QVariant KZLayerAccessibilityHelper::accessibilityAttributeValue(const QString &attribute)
{
    if (attribute == RoleAttribute)
        return QVariant::fromValue(m_role);
    if (attribute == RoleDescriptionAttribute)
        return QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(m_role)).toLower();
    if (attribute == ParentAttribute) {
        if (m_parent)
            return QVariant::fromValue(m_parent->shared_from_this());
        return QVariant::fromValue(static_cast<QWidget *>(m_view.data()));
    }
    if (attribute == WindowAttribute || attribute == TopLevelUIElementAttribute) {
        if (m_parent)
            return m_parent->accessibilityAttributeValue(attribute);
        return QVariant::fromValue(m_view ? m_view->window() : nullptr);
    }
    if (attribute == PositionAttribute)
        return screenRect().topLeft();
    if (attribute == FocusedAttribute)
        return m_focused;
    if (attribute == EnabledAttribute)
        return m_enabled;
    if (attribute == SizeAttribute) {
        const platform::LayerPtr layer = m_layer.lock();
        return layer ? layer->bounds().size().toSize() : QSize();
    }
    if (attribute == ChildrenAttribute) {
        QVariantList children;
        for (const Ptr &child : std::as_const(m_children))
            if (!child->accessibilityIsIgnored())
                children.append(toVariant(child));
        return children;
    }
    const auto handler = m_getHandlers.constFind(attribute);
    if (handler == m_getHandlers.cend())
        return QVariant();
    const GetHandler get = *handler; // the handler may replace itself
    return get(*this);
}

bool KZLayerAccessibilityHelper::accessibilityIsAttributeSettable(const QString &attribute) const
{
    return m_writableAttributeNames.contains(attribute);
}

void KZLayerAccessibilityHelper::accessibilitySetValue(const QVariant &value, const QString &attribute)
{
    const auto handler = m_setHandlers.constFind(attribute);
    if (handler == m_setHandlers.cend())
        return;
    const SetHandler set = *handler;
    set(*this, value);
}

QRect KZLayerAccessibilityHelper::screenRect() const
{
    const platform::LayerPtr layer = m_layer.lock();
    if (!layer || !m_view)
        return QRect();
    platform::Layer *root = layer->rootLayer();
    const QRectF inRoot = layer->convertRectToLayer(layer->bounds(), root);
    if (!inRoot.isValid() || !std::isfinite(inRoot.x()) || !std::isfinite(inRoot.y()))
        return QRect();
    const QRectF inView = platform::YUpPainter::rectToView(inRoot, m_view->height());
    return QRect(m_view->mapToGlobal(inView.topLeft().toPoint()), inView.size().toSize());
}

KZLayerAccessibilityHelper *KZLayerAccessibilityHelper::accessibilityHitTest(const QPoint &screenPoint)
{
    Q_UNUSED(screenPoint);
    // Whether the layer there is this element's or another, the answer is this
    // element: its first unignored ancestor, starting with itself, and no element
    // is ignored. Finer hits go through the view (KZFlowView::hitLayerAtPoint).
    return this;
}

QString KZLayerAccessibilityHelper::description() const
{
    return QStringLiteral("<KZLayerAccessibilityHelper> role: %1")
        .arg(QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(m_role)));
}

QAccessibleInterface *KZLayerAccessibilityHelper::accessibleInterface() const
{
    return QAccessible::accessibleInterface(m_id);
}

QVariant KZLayerAccessibilityHelper::toVariant(const Ptr &element)
{
    return element ? QVariant::fromValue(element) : QVariant();
}

KZLayerAccessibilityHelper::Ptr KZLayerAccessibilityHelper::fromVariant(const QVariant &value)
{
    return value.metaType() == QMetaType::fromType<Ptr>() ? value.value<Ptr>() : nullptr;
}

KZLayerAccessibilityHelper::Ptr KZLayerAccessibilityHelper::ofLayer(const platform::Layer *layer)
{
    return layer ? fromVariant(layer->valueForKey(QStringLiteral("axHelper"))) : nullptr;
}
