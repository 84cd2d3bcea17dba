#include "components/flowview/KZLayerAccessibleInterface.h"

#include "components/flowview/KZLayerAccessibilityHelper.h"
#include "platform/drawing/YUpPainter.h"

#include <QWidget>
#include <QWindow>

using Helper = KZLayerAccessibilityHelper;

KZLayerAccessibleInterface::KZLayerAccessibleInterface(KZLayerAccessibilityHelper *element)
    : m_element(element)
{
}

QWindow *KZLayerAccessibleInterface::window() const
{
    QWidget *view = m_element->view();
    return view && view->window() ? view->window()->windowHandle() : nullptr;
}

QAccessibleInterface *KZLayerAccessibleInterface::childOfAt(const KZLayerAccessibilityHelper *ancestor, QWidget *view,
                                                            platform::Layer *root, const QPoint &screenPoint)
{
    if (!view || !root)
        return nullptr;
    const QPointF yUp = platform::YUpPainter::pointFromView(view->mapFromGlobal(QPointF(screenPoint)), view->height());
    const QPointF inSuper = yUp - root->bounds().topLeft() + root->position();
    const platform::LayerPtr layer = root->hitTest(inSuper, platform::Layer::Tree::Presentation);
    Helper::Ptr element;
    for (platform::Layer *l = layer.get(); l && !element; l = l->superlayer())
        element = Helper::ofLayer(l);
    for (Helper *e = element.get(); e; e = e->parent())
        if (e->parent() == ancestor)
            return e->accessibleInterface();
    return nullptr;
}

QAccessibleInterface *KZLayerAccessibleInterface::childAt(int x, int y) const
{
    const platform::LayerPtr layer = m_element->layer();
    if (!layer)
        return nullptr;
    return childOfAt(m_element, m_element->view(), layer->rootLayer(), QPoint(x, y));
}

QAccessibleInterface *KZLayerAccessibleInterface::parent() const
{
    if (Helper *parent = m_element->parent())
        return parent->accessibleInterface();
    return m_element->view() ? QAccessible::queryAccessibleInterface(m_element->view()) : nullptr;
}

QAccessibleInterface *KZLayerAccessibleInterface::child(int index) const
{
    const Helper::Ptr child = m_element->objectInChildrenAtIndex(index);
    return child ? child->accessibleInterface() : nullptr;
}

int KZLayerAccessibleInterface::childCount() const
{
    return int(m_element->countOfChildren());
}

int KZLayerAccessibleInterface::indexOfChild(const QAccessibleInterface *child) const
{
    const auto *ours = dynamic_cast<const KZLayerAccessibleInterface *>(child);
    return ours ? int(m_element->indexOfChild(ours->m_element)) : -1;
}

QString KZLayerAccessibleInterface::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        return m_element->accessibilityAttributeValue(Helper::TitleAttribute).toString();
    case QAccessible::Value: {
        const QVariant value = m_element->accessibilityAttributeValue(Helper::ValueAttribute);
        return value.isValid() ? value.toString() : QString();
    }
    case QAccessible::Description:
        return m_element->accessibilityAttributeValue(Helper::RoleDescriptionAttribute).toString();
    default:
        return QString();
    }
}

void KZLayerAccessibleInterface::setText(QAccessible::Text t, const QString &text)
{
    Q_UNUSED(t);
    Q_UNUSED(text);
}

QRect KZLayerAccessibleInterface::rect() const
{
    return m_element->screenRect();
}

QAccessible::Role KZLayerAccessibleInterface::role() const
{
    return m_element->role();
}

QAccessible::State KZLayerAccessibleInterface::state() const
{
    QAccessible::State s;
    s.disabled = !m_element->isEnabled();
    s.focused = m_element->isFocused();
    const QSet<QString> names = m_element->accessibilityAttributeNames();
    if (names.contains(Helper::SelectedAttribute)) {
        s.selectable = true;
        s.selected = m_element->accessibilityAttributeValue(Helper::SelectedAttribute).toBool();
    }
    if (m_element->role() == QAccessible::CheckBox) {
        s.checkable = true;
        s.checked = m_element->accessibilityAttributeValue(Helper::ValueAttribute).toInt() == 1;
    }
    return s;
}

void *KZLayerAccessibleInterface::interface_cast(QAccessible::InterfaceType type)
{
    const QAccessible::Role role = m_element->role();
    if (type == QAccessible::ValueInterface
        && (role == QAccessible::Indicator || role == QAccessible::ScrollBar || role == QAccessible::CheckBox))
        return static_cast<QAccessibleValueInterface *>(this);
    if (type == QAccessible::ActionInterface && (role == QAccessible::Graphic || role == QAccessible::CheckBox))
        return static_cast<QAccessibleActionInterface *>(this);
    return nullptr;
}

QVariant KZLayerAccessibleInterface::currentValue() const
{
    return m_element->accessibilityAttributeValue(Helper::ValueAttribute);
}

void KZLayerAccessibleInterface::setCurrentValue(const QVariant &value)
{
    if (m_element->accessibilityIsAttributeSettable(Helper::ValueAttribute))
        m_element->accessibilitySetValue(value, Helper::ValueAttribute);
}

QVariant KZLayerAccessibleInterface::maximumValue() const
{
    return 1.0;
}

QVariant KZLayerAccessibleInterface::minimumValue() const
{
    return 0.0;
}

QVariant KZLayerAccessibleInterface::minimumStepSize() const
{
    return QVariant();
}

QStringList KZLayerAccessibleInterface::actionNames() const
{
    if (m_element->role() == QAccessible::Graphic
        && m_element->accessibilityIsAttributeSettable(Helper::SelectedAttribute))
        return {pressAction()};
    if (m_element->role() == QAccessible::CheckBox
        && m_element->accessibilityIsAttributeSettable(Helper::ValueAttribute))
        return {toggleAction()};
    return {};
}

void KZLayerAccessibleInterface::doAction(const QString &actionName)
{
    if (!actionNames().contains(actionName))
        return;
    if (actionName == pressAction()) {
        m_element->accessibilitySetValue(true, Helper::SelectedAttribute);
    } else if (actionName == toggleAction()) {
        const int state = m_element->accessibilityAttributeValue(Helper::ValueAttribute).toInt();
        m_element->accessibilitySetValue(state == 1 ? 0 : 1, Helper::ValueAttribute);
    }
}

QStringList KZLayerAccessibleInterface::keyBindingsForAction(const QString &actionName) const
{
    Q_UNUSED(actionName);
    return {};
}
