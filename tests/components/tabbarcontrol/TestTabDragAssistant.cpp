// Tab drags of the tab bar control, driven through the assistant and the session.
#include "TabBarControlTestSupport.h"

#include "components/tabbarcontrol/VTTabDragAssistant.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/layers/DragSession.h"
#include "platform/layers/DragWindowFade.h"
#include "platform/layers/WindowGrowth.h"

#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

using namespace tabbarcontroltest;

namespace {

class DragDelegate : public RecordingDelegate
{
public:
    bool mayLeaveEveryBar = false;
    bool mayLeaveBar = true;
    bool makesBars = false;
    VTTabBarControl *newBar = nullptr;
    int drops = 0;
    int closeWindows = 0;
    QPointF imageOffset;
    unsigned imageMask = 0;

    std::optional<bool> tabViewShouldDragTabViewItemFromTabBar(TabView *, TabViewItem *, VTTabBarControl *) override { return true; }
    std::optional<bool> tabViewShouldDropTabViewItemInTabBar(TabView *, TabViewItem *, VTTabBarControl *bar) override
    {
        return bar ? true : mayLeaveEveryBar;
    }
    std::optional<bool> tabViewShouldAllowTabViewItemToLeaveTabBar(TabView *, TabViewItem *, VTTabBarControl *) override
    {
        return mayLeaveBar;
    }
    bool canMakeNewTabBarForDraggedTabViewItem() const override { return makesBars; }
    std::optional<VTTabBarControl *> tabViewNewTabBarForDraggedTabViewItemAtPoint(TabView *, TabViewItem *, const QPointF &) override
    {
        if (!makesBars)
            return {};
        return newBar;
    }
    void tabViewDidDropTabViewItemInTabBar(TabView *, TabViewItem *, VTTabBarControl *) override { ++drops; }
    void tabViewCloseWindowForLastTabViewItem(TabView *, TabViewItem *) override { ++closeWindows; }
    std::optional<QImage> tabViewImageForTabViewItem(TabView *, TabViewItem *, QPointF *offset, unsigned *mask) override
    {
        if (imageMask == 0)
            return {};
        *offset = imageOffset;
        if (mask)
            *mask = imageMask;
        QImage image(300, 200, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        return image;
    }
};

struct DragBar : Bar
{
    QWidget window;
    DragDelegate delegate;
    explicit DragBar(int items) : Bar(600, items)
    {
        window.resize(600, 100);
        control->setParent(&window);
        delegate.control = control.get();
        control->setDelegate(&delegate);
        window.show();
        control->updateTabBar(false);
    }
    ~DragBar() { control->setParent(nullptr); }
    QStringList labels() const
    {
        QStringList out;
        for (const auto &item : tabView.tabViewItems())
            out << item->label();
        return out;
    }
    int placeholders() const
    {
        int n = 0;
        for (const auto &cell : control->cells())
            n += cell->isPlaceholder();
        return n;
    }
};

struct NotificationCount
{
    int begins = 0;
    int ends = 0;
    platform::NotificationCenter::Token a, b;
    NotificationCount()
    {
        auto &centre = platform::NotificationCenter::defaultCenter();
        a = centre.addObserver(nullptr, VTTabDragAssistant::DidBeginNotification, nullptr, [this](auto &) { ++begins; });
        b = centre.addObserver(nullptr, VTTabDragAssistant::DidEndNotification, nullptr, [this](auto &) { ++ends; });
    }
    ~NotificationCount()
    {
        platform::NotificationCenter::defaultCenter().removeObserver(a);
        platform::NotificationCenter::defaultCenter().removeObserver(b);
    }
};

VTTabDragAssistant *startDrag(DragBar &bar, int index)
{
    VTTabBarCell *cell = bar.cell(index);
    const QPointF press = cell->frame().center();
    QMouseEvent event(QEvent::MouseButtonPress, press, bar.control->mapToGlobal(press), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    VTTabDragAssistant *assistant = VTTabDragAssistant::sharedDragAssistant();
    assistant->startDraggingCell(cell, bar.control.get(), &event);
    return assistant;
}

// Ends the session (when the test has not) and lets it go: it deletes itself from
// the event loop, which must happen while the application lives.
void endSession()
{
    for (QObject *child : qApp->children())
        if (auto *session = qobject_cast<platform::DragSession *>(child)) {
            if (session->isActive())
                session->cancel();
            delete session; // a sliding-back picture would outlive the test
        }
}

} // namespace

TEST(TabDragAssistant, SineSizesAndPlaceholders)
{
    EXPECT_EQ(VTTabDragAssistant::sineCurveWidthsFor(QRectF(0, 0, 100, 22), 0),
              (std::vector<int>{0, 4, 15, 32, 53, 73, 90, 100}));

    NotificationCount notes;
    DragBar bar(3);
    VTTabDragAssistant *assistant = startDrag(bar, 1);
    ASSERT_TRUE(assistant->isDragging());
    EXPECT_EQ(notes.begins, 1);
    // Two visible tabs left: three placeholders, the dragged one's gap open.
    EXPECT_EQ(bar.control->cells().size(), 5u);
    EXPECT_EQ(bar.placeholders(), 3);
    EXPECT_EQ(bar.control->cells()[2]->currentStep(), VTTabBarCell::MaximumStep);
    // Coming back into a bar that shows placeholders adds no second set.
    assistant->draggingEnteredTabBar(bar.control.get(), bar.control->cells()[2]->frame().center());
    EXPECT_EQ(bar.placeholders(), 3);

    // Dropped where it started: no did-drop.
    for (int i = 0; i < 3; ++i)
        assistant->animateDrag();
    assistant->performDragOperation();
    EXPECT_EQ(bar.labels(), (QStringList{QStringLiteral("Tab 0"), QStringLiteral("Tab 1"), QStringLiteral("Tab 2")}));
    EXPECT_EQ(bar.delegate.drops, 0);
    EXPECT_EQ(notes.ends, 1);
    EXPECT_EQ(bar.placeholders(), 0);
    endSession();
}

TEST(TabDragAssistant, ReorderRefusedLeaveAndPutBack)
{
    NotificationCount notes;
    DragBar bar(3);
    VTTabDragAssistant *assistant = startDrag(bar, 0);
    bar.delegate.mayLeaveBar = false;
    assistant->draggingExitedTabBar(bar.control.get());
    EXPECT_EQ(assistant->destinationTabBar(), bar.control.get());

    // Over the right half of the last tab: the gap opens after it.
    const QRectF last = bar.control->cells()[3]->frame();
    assistant->draggingUpdatedInTabBar(bar.control.get(), QPointF(last.right() - 2, last.center().y()));
    assistant->animateDrag();
    assistant->performDragOperation();
    EXPECT_EQ(bar.labels(), (QStringList{QStringLiteral("Tab 1"), QStringLiteral("Tab 2"), QStringLiteral("Tab 0")}));
    EXPECT_EQ(bar.delegate.drops, 1);
    endSession();

    // Outside every bar where that is not allowed: back at its old index.
    bar.delegate.mayLeaveBar = true;
    startDrag(bar, 1);
    assistant->draggingExitedTabBar(bar.control.get());
    endSession();
    EXPECT_FALSE(assistant->isDragging());
    EXPECT_EQ(bar.labels(), (QStringList{QStringLiteral("Tab 1"), QStringLiteral("Tab 2"), QStringLiteral("Tab 0")}));
    ASSERT_EQ(bar.control->cells().size(), 3u);
    EXPECT_EQ(bar.control->cells()[1]->representedObject()->label(), QStringLiteral("Tab 2"));
    EXPECT_EQ(notes.ends, 2);
}

TEST(TabDragAssistant, DropIntoAnotherBarSkipsPlaceholdersInTheSynchronisation)
{
    NotificationCount notes;
    DragBar a(2);
    DragBar b(1);
    VTTabDragAssistant *assistant = startDrag(a, 0);
    assistant->draggingExitedTabBar(a.control.get());
    assistant->draggingEnteredTabBar(b.control.get(), QPointF(2, 10));
    assistant->animateDrag();
    assistant->performDragOperation();
    EXPECT_EQ(a.labels(), QStringList{QStringLiteral("Tab 1")});
    EXPECT_EQ(b.labels(), (QStringList{QStringLiteral("Tab 0"), QStringLiteral("Tab 0")}));
    EXPECT_EQ(b.control->cells().size(), 2u);
    EXPECT_EQ(b.control->cells()[0]->controlView(), b.control.get());
    EXPECT_EQ(b.tabView.selectedTabViewItem(), b.tabView.tabViewItemAtIndex(0));
    EXPECT_EQ(a.delegate.drops, 1);
    // Neither bar told its delegate of a closed tab (placeholders have no item).
    EXPECT_FALSE(a.delegate.events.join(QLatin1Char(' ')).contains(QStringLiteral("close")));
    EXPECT_FALSE(b.delegate.events.join(QLatin1Char(' ')).contains(QStringLiteral("close")));
    EXPECT_EQ(notes.begins, 1);
    EXPECT_EQ(notes.ends, 1);
    endSession();
}

TEST(TabDragAssistant, OnlyTabWindowTurnsVisibleAgainAndFadeStops)
{
    // The only tab leaves at once and its window turns transparent; put back, the
    // window is visible again.
    DragBar bar(1);
    bar.delegate.mayLeaveEveryBar = true;
    bar.delegate.makesBars = true;
    VTTabDragAssistant *assistant = startDrag(bar, 0);
    ASSERT_NE(assistant->draggedTab(), nullptr);
    ASSERT_NE(assistant->draggedView(), nullptr);
    EXPECT_EQ(platform::WindowGrowth::alpha(&bar.window), 0.0);
    EXPECT_EQ(assistant->draggedView()->window()->alpha(), 0.75);
    assistant->draggingEnteredTabBar(bar.control.get(), QPointF(5, 10));
    EXPECT_TRUE(assistant->fade()->isRunning());
    assistant->performDragOperation();
    EXPECT_EQ(platform::WindowGrowth::alpha(&bar.window), 1.0);
    EXPECT_FALSE(assistant->fade()->isRunning());
    EXPECT_EQ(bar.delegate.closeWindows, 0);
    endSession();
}

TEST(TabDragAssistant, OnlyTabTornOffIntoANewWindow)
{
    NotificationCount notes;
    DragBar bar(1);
    DragBar target(0);
    target.window.hide();
    bar.delegate.mayLeaveEveryBar = true;
    bar.delegate.makesBars = true;
    bar.delegate.newBar = target.control.get();
    bar.control->setTearOffStyle(1);
    VTTabDragAssistant *assistant = startDrag(bar, 0);
    endSession();
    EXPECT_EQ(target.labels(), QStringList{QStringLiteral("Tab 0")});
    EXPECT_TRUE(bar.labels().isEmpty());
    EXPECT_EQ(bar.delegate.drops, 1);
    EXPECT_EQ(bar.delegate.closeWindows, 1);
    EXPECT_EQ(notes.ends, 1);
    ASSERT_NE(assistant->windowGrowth(), nullptr);
    EXPECT_TRUE(target.window.isVisible());
}

TEST(TabDragWindow, TitledImagesSwitchesAndGrowth)
{
    DragBar bar(2);
    bar.delegate.imageMask = 1;
    bar.delegate.imageOffset = QPointF(5, 7);
    VTTabDragAssistant assistant;
    unsigned mask = 0;
    const QImage image = assistant.imageForViewOfCell(bar.cell(0), &mask);
    EXPECT_EQ(mask, 1u);
    EXPECT_EQ(assistant.dragWindowOffset(), QSizeF(5, 29));
    VTTabDragWindowController titled(image, mask, 0);
    EXPECT_EQ(titled.window()->height(), image.height() + 22);
    EXPECT_EQ(titled.window()->alpha(), 0.75);

    QImage small(40, 20, QImage::Format_ARGB32_Premultiplied);
    small.fill(Qt::red);
    VTTabDragWindowController alpha(small, 0, 0);
    alpha.setAlternateImage(image);
    alpha.switchImages();
    EXPECT_FALSE(alpha.isAnimating());
    VTTabDragWindowController mini(small, 0, 1);
    mini.switchImages();
    EXPECT_FALSE(mini.isAnimating());
    // The miniwindow casts a shadow, as a window does; the others do not.
    EXPECT_TRUE(mini.window()->hasShadow());
    EXPECT_FALSE(alpha.window()->hasShadow());
    EXPECT_FALSE(titled.window()->hasShadow());

    platform::Clock::setNow(QDateTime::currentDateTime());
    mini.setAlternateImage(image);
    mini.switchImages();
    ASSERT_TRUE(mini.isAnimating());
    platform::Clock::advance(100);
    const double progress = mini.window()->switchProgress();
    mini.switchImages();
    EXPECT_NEAR(mini.window()->switchProgress(), 1 - progress, 1e-9);

    // Fading out with a transparent view window ends at once.
    VTTabDragWindowController view(image, 0, 0);
    view.window()->setAlpha(0);
    alpha.window()->setAlpha(0.3);
    platform::DragWindowFade fade;
    fade.start(platform::DragWindowFade::Direction::Out, alpha.window(), view.window());
    fade.tick();
    EXPECT_FALSE(fade.isRunning());
    EXPECT_EQ(alpha.window()->alpha(), 0.75);

    // A new window grows from the curve's value at 0.1 to full size and alpha 1.
    QWidget window;
    window.resize(200, 120);
    platform::WindowGrowth *growth = platform::WindowGrowth::start(&window, QPoint(400, 300));
    ASSERT_NE(growth, nullptr);
    EXPECT_EQ(platform::WindowGrowth::alpha(&window), 0.0);
    EXPECT_EQ(window.pos(), QPoint(300, 240));
    EXPECT_NEAR(growth->value(), platform::MediaTimingFunction::named(platform::MediaTimingFunction::Name::EaseInEaseOut).valueAt(0.1), 1e-9);
    ASSERT_NE(growth->overlay(), nullptr);
    platform::Clock::advance(300);
    growth->step();
    EXPECT_FALSE(growth->isRunning());
    EXPECT_EQ(growth->overlay(), nullptr);
    EXPECT_EQ(platform::WindowGrowth::alpha(&window), 1.0);
    EXPECT_EQ(window.size(), QSize(200, 120));
    platform::Clock::useSystemClock();
}

TEST(TabDragAssistant, ArchiveNeverRestoresARunningDrag)
{
    DragBar bar(3);
    VTTabDragAssistant *assistant = startDrag(bar, 1);
    ASSERT_TRUE(assistant->isDragging());
    ASSERT_TRUE(assistant->isAnimationTimerRunning());
    std::shared_ptr<VTTabDragAssistant> shared(assistant, [](VTTabDragAssistant *) {});
    const auto data = platform::KeyedArchiver::archivedData(shared);
    endSession();
    ASSERT_TRUE(data);
    const auto decoded = platform::KeyedUnarchiver::unarchivedObject<VTTabDragAssistant>(*data);
    ASSERT_TRUE(decoded);
    EXPECT_FALSE(decoded->isDragging());
    EXPECT_FALSE(decoded->isAnimationTimerRunning());
    EXPECT_EQ(decoded->draggedCellIndex(), 1);
    ASSERT_NE(decoded->draggedCell(), nullptr);
    EXPECT_EQ(decoded->sineCurveWidths().size(), 8u);
    EXPECT_EQ(decoded->sourceTabBar(), nullptr);
}
