#include "components/tabbarview/KZTabBarAccessibility.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZTabBarView.h"

#include <QAccessibleWidget>

namespace {

class TabButtonInterface : public QAccessibleWidget
{
public:
    explicit TabButtonInterface(KZAttachedTabBarButton *button)
        : QAccessibleWidget(button, QAccessible::PageTab)
    {
    }

    KZAttachedTabBarButton *button() const { return static_cast<KZAttachedTabBarButton *>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return button()->title();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = button()->state() == platform::Cell::State::On;
        return state;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (name != pressAction())
            return;
        if (KZTabBarView *bar = button()->tabBarView(); bar && button()->tabViewItem())
            bar->selectTabViewItem(button()->tabViewItem().get());
    }
};

class TabBarInterface : public QAccessibleWidget
{
public:
    explicit TabBarInterface(KZTabBarView *bar) : QAccessibleWidget(bar, QAccessible::Grouping) {}

    KZTabBarView *bar() const { return static_cast<KZTabBarView *>(widget()); }

    int childCount() const override { return static_cast<int>(bar()->orderedAttachedButtons().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const std::vector<KZAttachedTabBarButton *> buttons = bar()->orderedAttachedButtons();
        if (index < 0 || index >= static_cast<int>(buttons.size()))
            return nullptr;
        return QAccessible::queryAccessibleInterface(buttons[static_cast<size_t>(index)]);
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        const std::vector<KZAttachedTabBarButton *> buttons = bar()->orderedAttachedButtons();
        for (size_t i = 0; i < buttons.size(); ++i)
            if (buttons[i] == child->object())
                return static_cast<int>(i);
        return -1;
    }
    QAccessibleInterface *childAt(int, int) const override
    {
        for (KZAttachedTabBarButton *button : bar()->orderedAttachedButtons())
            if (button->cell()->isHighlighted())
                return QAccessible::queryAccessibleInterface(button);
        return nullptr;
    }
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (className == QLatin1String("KZTabBarView"))
        if (auto *bar = qobject_cast<KZTabBarView *>(object))
            return new TabBarInterface(bar);
    if (className == QLatin1String("KZAttachedTabBarButton"))
        if (auto *button = qobject_cast<KZAttachedTabBarButton *>(object))
            return new TabButtonInterface(button);
    return nullptr;
}

} // namespace

namespace KZTabBarAccessibility {

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace KZTabBarAccessibility
