#pragma once
// Qt's view of one KZLayerAccessibilityHelper: role, name, value, state, rectangle,
// children and hit tests as the element answers them. Images are selectable (the
// press action selects), check boxes checkable (the toggle action flips "state"),
// value indicators and scroll bars give a value interface. Made and registered by
// its element, deleted by QAccessible when the element goes; it never outlives it.
// Main thread only.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleInterface>
#include <QAccessibleValueInterface>

class KZLayerAccessibilityHelper;
class QWidget;

namespace platform {
class Layer;
}

class KZLayerAccessibleInterface : public QAccessibleInterface,
                                   public QAccessibleValueInterface,
                                   public QAccessibleActionInterface
{
public:
    explicit KZLayerAccessibleInterface(KZLayerAccessibilityHelper *element);

    KZLayerAccessibilityHelper *element() const { return m_element; }

    bool isValid() const override { return m_element != nullptr; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString &text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant &value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

    // The deepest layer of the view's tree at a point of the screen that carries an
    // element, and that element's child of `ancestor` on the way up (none when the
    // element there is not below `ancestor`). Shared with the view's own interface.
    static QAccessibleInterface *childOfAt(const KZLayerAccessibilityHelper *ancestor, QWidget *view,
                                           platform::Layer *root, const QPoint &screenPoint);

private:
    KZLayerAccessibilityHelper *m_element;
};
