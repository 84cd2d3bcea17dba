// The tab bar control in the Metal style beside the tab bar view's Metal bar, on a
// real X server, horizontal and vertical: selected, under the pointer, edited,
// processing, counted, with an icon, and enough tabs to overflow. One PNG per
// orientation, for people to look at.
#include "tests/components/tabbargallery/desktop/TabBarGallerySupport.h"

#include "components/tabbarcontrol/VTTabBarControl.h"
#include "platform/foundation/KeyValueObserving.h"

#include <QHBoxLayout>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class TabModel : public platform::KeyValueObservable
{
public:
    QVariant icon;
    bool isEdited = false;
    bool isProcessing = false;
    int objectCount = 0;

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table = {
            {QStringLiteral("icon"), {[](const KeyValueObservable &o) { return self(o).icon; }, {}}},
            {QStringLiteral("isEdited"), {[](const KeyValueObservable &o) { return QVariant(self(o).isEdited); }, {}}},
            {QStringLiteral("isProcessing"),
             {[](const KeyValueObservable &o) { return QVariant(self(o).isProcessing); }, {}}},
            {QStringLiteral("objectCount"),
             {[](const KeyValueObservable &o) { return QVariant(self(o).objectCount); }, {}}},
        };
        return table;
    }

private:
    static const TabModel &self(const KeyValueObservable &o) { return static_cast<const TabModel &>(o); }
};

} // namespace

TEST(TabBarControlGallery, MetalBesideTheTabBarView)
{
    for (const int orientation : {0, 1}) {
        tabbargallery::GalleryWindow view(QStringLiteral("Metal"), unsigned(orientation), 9);
        auto *row = new QWidget(&view.window);
        view.window.layout()->addWidget(row);
        auto *layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        auto *control = new VTTabBarControl(row);
        auto *tabView = new platform::TabView(row);
        tabView->setFixedSize(10, 10);
        control->setTabView(tabView);
        tabView->setDelegate(control);
        control->setOrientation(orientation);
        control->setShowAddTabButton(true);
        if (orientation == 1)
            control->setFixedSize(180, 10 + 22 * 6 + 30);
        else
            control->setFixedSize(620, 22);
        layout->addWidget(control);
        std::vector<std::unique_ptr<TabModel>> models;
        for (int i = 0; i < 9; ++i) {
            models.push_back(std::make_unique<TabModel>());
            TabModel &model = *models.back();
            model.icon = i == 0 ? QVariant(tabbargallery::documentIcon(QColor(120, 160, 220))) : QVariant();
            model.isEdited = i == 1;
            model.isProcessing = i == 2;
            model.objectCount = i == 3 ? 7 : 0;
            auto item = platform::TabViewItem::create(platform::KeyValueObservable::fromObservable(&model));
            item->setLabel(i == 0 ? QStringLiteral("Invoices 2026") : QStringLiteral("Project %1").arg(i + 1));
            tabView->addTabViewItem(item);
        }
        tabView->selectTabViewItemAtIndex(1);
        view.window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view.window));
        view.window.activateWindow();
        control->updateTabBar(false);
        view.bar->updateTabBar(false);
        control->cells().at(2)->setHighlighted(true);
        control->update();
        QTest::qWait(50);
        EXPECT_FALSE(control->cells().at(2)->indicator()->isHidden());
        if (orientation == 0) {
            EXPECT_TRUE(control->cells().back()->isInOverflowMenu());
            EXPECT_FALSE(control->overflowPopUpButton()->isHidden());
        }
        const QImage shot = view.window.grab().toImage();
        const QString name = QStringLiteral("/tabbarcontrol-metal-%1.png")
                                 .arg(orientation == 0 ? QStringLiteral("horizontal") : QStringLiteral("vertical"));
        ASSERT_TRUE(shot.save(tabbargallery::pictureFolder() + name));
        tabView->setDelegate(nullptr);
    }
}
