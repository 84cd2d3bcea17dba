#pragma once
// The accessible interface of a button (any QAbstractButton) as assistive programs see
// it: the one Qt's own widgets give, with its press and its texts refused while a hold
// keeps the button's window from input (WindowHold::refusesInput()), as a click there
// is. Everything else it answers as Qt's interface does, which it wraps.
//
// install() puts the factory in front of Qt's once (later calls do nothing); an
// interface made before it stays Qt's own, so the application object installs it as it
// starts (and every hold does, for a program without it). The interfaces belong to
// Qt's accessibility cache, which deletes each with its button; the wrapped one goes
// with it (at the application's end the cache deletes both, in either order: the
// wrapper answers its object without asking the wrapped one).
//
// Threads: GUI thread only, as all of Qt's accessibility. It cannot fail.
#include <QAccessible>
#include <QPointer>

namespace platform {

class HeldWindowAccessible final : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    static void install();

    ~HeldWindowAccessible() override;

    bool isValid() const override;
    QObject *object() const override;
    QWindow *window() const override;
    QList<QPair<QAccessibleInterface *, QAccessible::Relation>>
    relations(QAccessible::Relation match = QAccessible::AllRelations) const override;
    QAccessibleInterface *focusChild() const override;
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
    QColor foregroundColor() const override;
    QColor backgroundColor() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;
    void virtual_hook(int id, void *data) override;

    QStringList actionNames() const override;
    QString localizedActionName(const QString &name) const override;
    QString localizedActionDescription(const QString &name) const override;
    void doAction(const QString &name) override;
    QStringList keyBindingsForAction(const QString &name) const override;

private:
    explicit HeldWindowAccessible(QAccessibleInterface *wrapped);
    static QAccessibleInterface *make(const QString &className, QObject *object);
    bool refused() const;
    // Qt's interface is still in its cache (not deleted before this one).
    bool wrappedAlive() const;

    QAccessibleInterface *m_wrapped;
    QAccessible::Id m_wrappedId;
    QPointer<QObject> m_object;
};

} // namespace platform
