#pragma once
// Helpers of the tab bar control tests: a tab model with the keys the control binds,
// a delegate that records what it hears, and a control over a tab view of n items.
#include "components/tabbarcontrol/VTArchivedView.h"
#include "components/tabbarcontrol/VTTabBarControl.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/drawing/TabView.h"
#include "platform/foundation/KeyValueObserving.h"

#include <QColor>
#include <QIcon>
#include <QStringList>
#include <memory>

namespace tabbarcontroltest {

class TabModel : public platform::KeyValueObservable
{
public:
    bool isProcessing = false;
    int objectCount = 0;
    QColor countColor;
    bool isEdited = false;
    QIcon icon;

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table = {
            {QStringLiteral("isProcessing"),
             {[](const KeyValueObservable &o) { return QVariant(self(o).isProcessing); },
              [](KeyValueObservable &o, const QVariant &v) { self(o).isProcessing = v.toBool(); }}},
            {QStringLiteral("objectCount"),
             {[](const KeyValueObservable &o) { return QVariant(self(o).objectCount); },
              [](KeyValueObservable &o, const QVariant &v) { self(o).objectCount = v.toInt(); }}},
            {QStringLiteral("countColor"),
             {[](const KeyValueObservable &o) { return self(o).countColor.isValid() ? QVariant(self(o).countColor) : QVariant(); },
              [](KeyValueObservable &o, const QVariant &v) { self(o).countColor = v.value<QColor>(); }}},
            {QStringLiteral("isEdited"),
             {[](const KeyValueObservable &o) { return QVariant(self(o).isEdited); },
              [](KeyValueObservable &o, const QVariant &v) { self(o).isEdited = v.toBool(); }}},
            {QStringLiteral("icon"),
             {[](const KeyValueObservable &o) { return self(o).icon.isNull() ? QVariant() : QVariant(self(o).icon); },
              [](KeyValueObservable &o, const QVariant &v) { self(o).icon = v.value<QIcon>(); }}},
        };
        return table;
    }

private:
    static TabModel &self(KeyValueObservable &o) { return static_cast<TabModel &>(o); }
    static const TabModel &self(const KeyValueObservable &o) { return static_cast<const TabModel &>(o); }
};

class RecordingDelegate : public VTTabBarControlDelegate
{
public:
    QStringList events;
    VTTabBarControl *control = nullptr;

    void tabViewDidCloseTabViewItem(TabView *, TabViewItem *item) override
    {
        events << QStringLiteral("close %1 cells=%2").arg(item->label()).arg(control ? control->cells().size() : 0);
    }
    void tabViewDidChangeNumberOfTabViewItems(TabView *) override { events << QStringLiteral("number"); }
    std::optional<bool> tabViewShouldSelectTabViewItem(TabView *, TabViewItem *item) override
    {
        events << QStringLiteral("should %1").arg(item->label());
        return {};
    }
    void tabViewWillSelectTabViewItem(TabView *, TabViewItem *item) override
    {
        events << QStringLiteral("will %1").arg(item->label());
    }
    void tabViewDidSelectTabViewItem(TabView *, TabViewItem *item) override
    {
        events << QStringLiteral("did %1").arg(item->label());
    }
    void tabViewTabViewItemIsInOverflowMenu(VTTabBarControl *, TabViewItem *item, bool in) override
    {
        events << QStringLiteral("overflow %1 %2").arg(item->label()).arg(in);
    }
    std::optional<QString> accessibilityStringForTabViewObjectCount(TabView *, int) override
    {
        return QStringLiteral("messages");
    }
};

// A control of the given width over a tab view of n items "Tab 0" .. "Tab n-1".
struct Bar
{
    platform::TabView tabView;
    std::unique_ptr<VTTabBarControl> control = std::make_unique<VTTabBarControl>();

    explicit Bar(int width, int items = 0, int height = 22)
    {
        control->resize(width, height);
        control->setTabView(&tabView);
        tabView.setDelegate(control.get());
        for (int i = 0; i < items; ++i)
            add(QStringLiteral("Tab %1").arg(i));
    }
    ~Bar() { tabView.setDelegate(nullptr); }

    platform::TabViewItemPtr add(const QString &label, platform::KeyValueObservable *model = nullptr)
    {
        auto item = platform::TabViewItem::create(model ? platform::KeyValueObservable::fromObservable(model) : QVariant());
        item->setLabel(label);
        tabView.addTabViewItem(item);
        return item;
    }
    VTTabBarCell *cell(int i) const { return control->cells().at(size_t(i)).get(); }
};

// The control's keyed archive (empty when it could not be written).
inline QByteArray archived(VTTabBarControl &control)
{
    return platform::KeyedArchiver::archivedData(VTArchivedView::forWidget(&control)).value_or(QByteArray());
}

// The control read back from an archive, with the tab view it refers to (held by the
// decoded object that is handed back too); null when the archive is refused.
inline std::unique_ptr<VTTabBarControl> unarchived(const QByteArray &data, std::shared_ptr<VTArchivedView> *decoded = nullptr)
{
    auto object = platform::KeyedUnarchiver::unarchivedObject<VTArchivedView>(data);
    if (!object)
        return nullptr;
    if (decoded)
        *decoded = object;
    std::unique_ptr<QWidget> widget = object->takeWidget();
    return std::unique_ptr<VTTabBarControl>(qobject_cast<VTTabBarControl *>(widget.release()));
}

} // namespace tabbarcontroltest
