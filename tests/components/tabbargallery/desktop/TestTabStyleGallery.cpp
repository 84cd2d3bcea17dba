// Pictures of the looks that depend on more than the window's activity: the window's
// toolbar and its baseline separator, a vertical Adium bar standing left or right of
// its content, and a tab being slid beside a drop gap. One PNG per case.
#include "tests/support/TestSupport.h"
#include "tests/components/tabbargallery/desktop/TabBarGallerySupport.h"

#include "components/tabbarview/KZTabStyleRegistry.h"
#include "components/tabbarview/styles/KZAdiumTabStyle.h"
#include "platform/drawing/WindowChrome.h"

#include <QMainWindow>
#include <QTest>
#include <QToolBar>
#include <functional>
#include <gtest/gtest.h>

namespace {

enum class Toolbar { None, WithSeparator, WithoutSeparator };

// The gallery bar inside a main window with a toolbar of the given kind.
struct ToolbarGallery
{
    ToolbarGallery(const QString &style, unsigned orientation, Toolbar kind)
        : gallery(style, orientation, 9)
    {
        toolbar = window.addToolBar(QStringLiteral("Tools"));
        toolbar->addAction(QStringLiteral("Start"));
        toolbar->setVisible(kind != Toolbar::None);
        platform::WindowChrome::setShowsBaselineSeparator(toolbar, kind == Toolbar::WithSeparator);
        gallery.window.setParent(&window);
        window.setCentralWidget(&gallery.window);
        window.setWindowTitle(QStringLiteral("Tab bar %1").arg(style));
    }
    ~ToolbarGallery() { gallery.window.setParent(nullptr); }

    QMainWindow window;
    QToolBar *toolbar = nullptr;
    tabbargallery::GalleryWindow gallery;
};

QString toolbarName(Toolbar kind)
{
    switch (kind) {
    case Toolbar::None:
        return QStringLiteral("notoolbar");
    case Toolbar::WithSeparator:
        return QStringLiteral("separator");
    case Toolbar::WithoutSeparator:
        return QStringLiteral("noseparator");
    }
    return {};
}

bool shoot(ToolbarGallery &shot, QWidget &other, bool key, const QString &name,
           const std::function<void(KZTabBarView *)> &prepare = {})
{
    shot.window.show();
    if (!QTest::qWaitForWindowExposed(&shot.window))
        return false;
    QWidget *active = key ? &shot.window : &other;
    active->show();
    active->activateWindow();
    if (!QTest::qWaitFor([&] { return shot.gallery.bar->isWindowActive() == key; }))
        return false;
    KZTabBarView *bar = shot.gallery.bar;
    bar->updateTabBar(false);
    const auto buttons = bar->orderedAttachedButtons();
    if (buttons.size() < 4)
        return false;
    buttons[2]->rolloverCell()->mouseEntered(Qt::NoModifier);
    if (prepare)
        prepare(bar);
    bar->update();
    testsupport::settleEvents();
    const bool saved = shot.window.grab().toImage().save(tabbargallery::pictureFolder() + QStringLiteral("/tabstyle-")
                                                         + name + QStringLiteral(".png"));
    other.hide();
    return saved;
}

} // namespace

TEST(TabStyleGallery, ToolbarsVerticalAdiumAndSlides)
{
    QWidget other;
    other.resize(120, 60);
    // The looks that read the toolbar, in active and inactive windows.
    for (const QString &style : {QStringLiteral("Metal"), QStringLiteral("Unified"), QStringLiteral("LiveChat")}) {
        for (const Toolbar kind : {Toolbar::None, Toolbar::WithSeparator, Toolbar::WithoutSeparator}) {
            for (const bool key : {true, false}) {
                ToolbarGallery shot(style, KZTabBarView::Horizontal, kind);
                EXPECT_TRUE(shoot(shot, other, key,
                                  QStringLiteral("%1-%2-%3").arg(style.toLower(), toolbarName(kind),
                                                                 key ? QStringLiteral("key") : QStringLiteral("notkey"))));
            }
        }
    }
    // A vertical Adium bar left and right of its content, and unified.
    for (const bool right : {false, true}) {
        ToolbarGallery shot(QStringLiteral("Adium"), KZTabBarView::Vertical, Toolbar::None);
        auto *adium = static_cast<KZAdiumTabStyle *>(shot.gallery.bar->style().get());
        adium->setDrawsRight(right);
        EXPECT_TRUE(shoot(shot, other, true, right ? QStringLiteral("adium-vertical-right") : QStringLiteral("adium-vertical-left")));
    }
    {
        ToolbarGallery shot(QStringLiteral("Adium"), KZTabBarView::Horizontal, Toolbar::None);
        static_cast<KZAdiumTabStyle *>(shot.gallery.bar->style().get())->setDrawsUnified(true);
        EXPECT_TRUE(shoot(shot, other, true, QStringLiteral("adium-unified")));
    }
    // Every style with a tab slid by hand and a drop gap after the fifth tab.
    for (const QString &style : KZTabStyleRegistry::registeredTabStyleNames()) {
        ToolbarGallery shot(style, KZTabBarView::Horizontal, Toolbar::None);
        EXPECT_TRUE(shoot(shot, other, true, style.toLower() + QStringLiteral("-slide"), [](KZTabBarView *bar) {
            const auto buttons = bar->orderedAttachedButtons();
            buttons[3]->setIsInDraggedSlide(true);
            buttons[3]->setSlidingFrame(buttons[3]->geometry().translated(14, 0));
            bar->setDestinationIndexForDraggedItem(5);
            bar->updateTabStateMaskOfAttachedButtons();
        }));
        shot.gallery.bar->orderedAttachedButtons()[3]->setIsInDraggedSlide(false);
        shot.gallery.bar->setDestinationIndexForDraggedItem(KZTabBarView::NotFound);
    }
}
