#include "components/tabbarcontrol/VTTabBarAccessibility.h"

#include "components/tabbarcontrol/VTTabBarCell.h"
#include "components/tabbarcontrol/VTTabBarControl.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

namespace {

class CellInterface : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    CellInterface(VTTabBarControl *control, const std::shared_ptr<VTTabBarCell> &cell)
        : m_control(control), m_cell(cell)
    {
    }

    bool isValid() const override { return m_control && !m_cell.expired(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_control ? m_control->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_control.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *focusChild() const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }

    QString text(QAccessible::Text t) const override
    {
        const auto cell = m_cell.lock();
        if (!cell)
            return {};
        switch (t) {
        case QAccessible::Name:
            return cell->stringValue();
        case QAccessible::Help:
            return cell->accessibilityHelp();
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString &) override {}

    QRect rect() const override
    {
        const auto cell = m_cell.lock();
        if (!cell || !m_control)
            return {};
        const QRect local = cell->frame().toAlignedRect();
        return QRect(m_control->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override { return QAccessible::Button; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        const auto cell = m_cell.lock();
        state.focusable = true;
        state.focused = cell && cell->accessibilityFocused();
        state.invisible = !cell || cell->isInOverflowMenu();
        return state;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }

    QStringList actionNames() const override
    {
        static const QStringList names = {pressAction()};
        return names;
    }
    QString localizedActionDescription(const QString &name) const override
    {
        return QAccessibleActionInterface::localizedActionDescription(name);
    }
    void doAction(const QString &name) override
    {
        if (name != pressAction())
            return;
        if (const auto cell = m_cell.lock())
            cell->accessibilityPress();
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

    const VTTabBarCell *cell() const { return m_cell.lock().get(); }

private:
    QPointer<VTTabBarControl> m_control;
    std::weak_ptr<VTTabBarCell> m_cell;
};

class ControlInterface : public QAccessibleWidget
{
public:
    explicit ControlInterface(VTTabBarControl *control) : QAccessibleWidget(control, QAccessible::Grouping) {}
    ~ControlInterface() override
    {
        for (const QAccessible::Id id : std::as_const(m_children))
            QAccessible::deleteAccessibleInterface(id);
    }

    VTTabBarControl *control() const { return static_cast<VTTabBarControl *>(widget()); }

    int childCount() const override { return int(control()->cells().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const auto &cells = control()->cells();
        if (index < 0 || index >= int(cells.size()))
            return nullptr;
        const auto &cell = cells[size_t(index)];
        if (const QAccessible::Id id = m_children.value(cell.get()))
            if (QAccessibleInterface *existing = QAccessible::accessibleInterface(id); existing && existing->isValid())
                return existing;
        auto *made = new CellInterface(control(), cell);
        m_children.insert(cell.get(), QAccessible::registerAccessibleInterface(made));
        return made;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *cellInterface = dynamic_cast<const CellInterface *>(child);
        const auto &cells = control()->cells();
        for (size_t i = 0; cellInterface && i < cells.size(); ++i)
            if (cells[i].get() == cellInterface->cell())
                return int(i);
        return -1;
    }
    QAccessibleInterface *childAt(int, int) const override
    {
        const auto &cells = control()->cells();
        for (size_t i = 0; i < cells.size(); ++i)
            if (cells[i]->isHighlighted())
                return child(int(i));
        return nullptr;
    }

private:
    mutable QHash<const VTTabBarCell *, QAccessible::Id> m_children;
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (className == QLatin1String("VTTabBarControl"))
        if (auto *control = qobject_cast<VTTabBarControl *>(object))
            return new ControlInterface(control);
    return nullptr;
}

} // namespace

namespace VTTabBarAccessibility {

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace VTTabBarAccessibility
