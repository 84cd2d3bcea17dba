#include "components/flowview/KZFlowViewAccessible.h"

#include "components/flowview/KZFlowView.h"
#include "components/flowview/KZLayerAccessibleInterface.h"

namespace {

QAccessibleInterface *flowViewFactory(const QString &className, QObject *object)
{
    Q_UNUSED(className);
    if (auto *view = qobject_cast<KZFlowView *>(object))
        return new KZFlowViewAccessible(view);
    return nullptr;
}

} // namespace

KZFlowViewAccessible::KZFlowViewAccessible(KZFlowView *view)
    : QAccessibleWidget(view, QAccessible::Pane)
{
}

void KZFlowViewAccessible::installFactory()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(flowViewFactory);
}

KZFlowView *KZFlowViewAccessible::view() const
{
    return static_cast<KZFlowView *>(widget());
}

QList<KZLayerAccessibilityHelper *> KZFlowViewAccessible::contents() const
{
    const KZFlowView *v = view();
    if (!v)
        return {};
    const auto list = KZFlowView::accessibilityElementOfLayer(v->backgroundLayer().get());
    if (!list)
        return {};
    QList<KZLayerAccessibilityHelper *> elements{list.get()};
    if (const auto bar = KZFlowView::accessibilityElementOfLayer(v->scrollBarLayer().get()))
        elements.append(bar.get());
    return elements;
}

QList<KZLayerAccessibilityHelper *> KZFlowViewAccessible::children() const
{
    QList<KZLayerAccessibilityHelper *> elements;
    for (KZLayerAccessibilityHelper *element : contents())
        if (!element->accessibilityIsIgnored())
            elements.append(element);
    return elements;
}

int KZFlowViewAccessible::childCount() const
{
    return int(children().size());
}

QAccessibleInterface *KZFlowViewAccessible::child(int index) const
{
    const auto elements = children();
    return index >= 0 && index < elements.size() ? elements.at(index)->accessibleInterface() : nullptr;
}

int KZFlowViewAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    const auto *ours = dynamic_cast<const KZLayerAccessibleInterface *>(child);
    return ours ? int(children().indexOf(ours->element())) : -1;
}

QAccessibleInterface *KZFlowViewAccessible::childAt(int x, int y) const
{
    const KZFlowView *v = view();
    if (!v || !v->rootLayer())
        return nullptr;
    return KZLayerAccessibleInterface::childOfAt(nullptr, const_cast<KZFlowView *>(v), v->rootLayer().get(),
                                                 QPoint(x, y));
}
