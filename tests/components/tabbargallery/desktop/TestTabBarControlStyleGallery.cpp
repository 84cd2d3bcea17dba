// The tab bar control in its five styles beside the tab bar view's bar of the same
// style, on a real X server: Metal horizontal and vertical; the others horizontal in a key window and in
// a window that is not key (while another window of the application is) and with the
// application inactive (the X input focus on no window); Adium also vertical, at
// the left and (drawsRight) at the right; Unified under a toolbar with and without its
// separator. PNGs for people to look at.
#include "tests/support/DesktopTestSupport.h"
#include "tests/support/TestSupport.h"
#include "tests/components/tabbargallery/desktop/TabBarGallerySupport.h"

#include "components/tabbarcontrol/VTTabBarControl.h"
#include "components/tabbarcontrol/styles/VTAdiumTabStyle.h"
#include "platform/drawing/WindowChrome.h"
#include "platform/foundation/KeyValueObserving.h"

#include <QHBoxLayout>
#include <QMainWindow>
#include <QTest>
#include <QToolBar>
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
            {QStringLiteral("isProcessing"), {[](const KeyValueObservable &o) { return QVariant(self(o).isProcessing); }, {}}},
            {QStringLiteral("objectCount"), {[](const KeyValueObservable &o) { return QVariant(self(o).objectCount); }, {}}},
        };
        return table;
    }

private:
    static const TabModel &self(const KeyValueObservable &o) { return static_cast<const TabModel &>(o); }
};

// A control of the style over its own tab view of nine tabs in the parent's layout.
struct ControlRow
{
    VTTabBarControl *control = nullptr;
    platform::TabView *tabView = nullptr;
    std::vector<std::unique_ptr<TabModel>> models;

    ControlRow(QWidget *parent, QLayout *layout, const QString &style, int orientation)
    {
        control = new VTTabBarControl(parent);
        tabView = new platform::TabView(parent);
        tabView->setFixedSize(10, 10);
        control->setTabView(tabView);
        tabView->setDelegate(control);
        control->setStyleNamed(style);
        control->setOrientation(orientation);
        control->setShowAddTabButton(true);
        if (orientation == 1)
            control->setFixedSize(180, 10 + control->style()->tabCellHeight() * 6 + 30);
        else
            control->setFixedSize(620, 22);
        layout->addWidget(control);
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
    }
    ~ControlRow() { tabView->setDelegate(nullptr); }
    void settle()
    {
        control->updateTabBar(false);
        control->cells().at(2)->setHighlighted(true);
        control->update();
    }
};

void save(QWidget &window, const QString &name)
{
    testsupport::settleEvents();
    ASSERT_TRUE(window.grab().toImage().save(tabbargallery::pictureFolder() + QStringLiteral("/tabbarcontrol-") + name + QStringLiteral(".png")));
}

} // namespace

TEST(TabBarControlStyleGallery, MetalBesideTheTabBarView)
{
    for (const int orientation : {0, 1}) {
        tabbargallery::GalleryWindow view(QStringLiteral("Metal"), unsigned(orientation), 9);
        auto *row = new QWidget(&view.window);
        view.window.layout()->addWidget(row);
        auto *layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        ControlRow control(row, layout, QStringLiteral("Metal"), orientation);
        view.window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view.window));
        view.window.activateWindow();
        control.settle();
        view.bar->updateTabBar(false);
        testsupport::settleEvents();
        EXPECT_FALSE(control.control->cells().at(2)->indicator()->isHidden());
        if (orientation == 0) {
            EXPECT_TRUE(control.control->cells().back()->isInOverflowMenu());
            EXPECT_FALSE(control.control->overflowPopUpButton()->isHidden());
        }
        save(view.window, orientation == 0 ? QStringLiteral("metal-horizontal") : QStringLiteral("metal-vertical"));
    }
}

TEST(TabBarControlStyleGallery, FourStylesBesideTheTabBarView)
{
    QWidget other;
    other.setWindowTitle(QStringLiteral("Other window"));
    other.resize(200, 100);
    for (const QString &style : {QStringLiteral("Aqua"), QStringLiteral("Adium"), QStringLiteral("Card"), QStringLiteral("Unified")}) {
        tabbargallery::GalleryWindow view(style, 0, 9);
        auto *row = new QWidget(&view.window);
        view.window.layout()->addWidget(row);
        auto *layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        ControlRow control(row, layout, style, 0);
        view.window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view.window));
        view.window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view.window));
        control.settle();
        view.bar->updateTabBar(false);
        const QString lower = style.toLower();
        save(view.window, lower + QStringLiteral("-key"));
        other.show();
        other.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
        save(view.window, lower + QStringLiteral("-nonkey"));
        other.hide();
        const desktoptest::NoInputFocus noFocus;
        ASSERT_TRUE(noFocus.applicationInactive());
        save(view.window, lower + QStringLiteral("-inactive"));
    }
}

TEST(TabBarControlStyleGallery, AdiumVerticalAndUnifiedToolbars)
{
    for (const bool right : {false, true}) {
        tabbargallery::GalleryWindow view(QStringLiteral("Adium"), 1, 9);
        auto *row = new QWidget(&view.window);
        view.window.layout()->addWidget(row);
        auto *layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        ControlRow control(row, layout, QStringLiteral("Adium"), 1);
        std::static_pointer_cast<VTAdiumTabStyle>(control.control->style())->setDrawsRight(right);
        view.window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view.window));
        view.window.activateWindow();
        control.settle();
        view.bar->updateTabBar(false);
        save(view.window, right ? QStringLiteral("adium-vertical-right") : QStringLiteral("adium-vertical-left"));
    }
    for (const bool separator : {true, false}) {
        QMainWindow window;
        QToolBar *toolbar = window.addToolBar(QStringLiteral("Tools"));
        toolbar->addAction(QStringLiteral("New"));
        platform::WindowChrome::setShowsBaselineSeparator(toolbar, separator);
        auto *central = new QWidget(&window);
        auto *layout = new QVBoxLayout(central);
        window.setCentralWidget(central);
        ControlRow control(central, layout, QStringLiteral("Unified"), 0);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        control.settle();
        save(window, separator ? QStringLiteral("unified-separator") : QStringLiteral("unified-no-separator"));
    }
}
