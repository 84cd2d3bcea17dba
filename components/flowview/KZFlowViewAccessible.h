#pragma once
// Qt's accessible view of a KZFlowView: a pane whose children are the elements of
// its background layer (the list of items) and its scroll bar layer, and whose
// hit test goes through the layers. Made by the factory that installFactory()
// installs once for the process; QAccessible owns the interfaces it makes.
// Main thread only.
#include <QAccessibleWidget>

class KZFlowView;
class KZLayerAccessibilityHelper;

class KZFlowViewAccessible : public QAccessibleWidget
{
public:
    explicit KZFlowViewAccessible(KZFlowView *view);

    static void installFactory();

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;

    // The elements of the background and scroll bar layers that are not ignored.
    QList<KZLayerAccessibilityHelper *> children() const;
    // The same two, unfiltered.
    QList<KZLayerAccessibilityHelper *> contents() const;

private:
    KZFlowView *view() const;
};
