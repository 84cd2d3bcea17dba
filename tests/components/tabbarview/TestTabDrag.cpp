// Tab drags offscreen, driven through the buttons' mouse events and the drag session:
// the slide, the detach, drops, the drag windows' fades, the two mended faults; and the
// bar's own drag handling: the resize-indicator room, resizing by the divider, spring
// loading under a drag of another program.
#include "tests/components/tabbarview/TabBarTestSupport.h"

#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZTabBarDivider.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabDragAssistant.h"
#include "components/tabbarview/KZTabDragWindowController.h"
#include "platform/drawing/TabView.h"
#include "platform/drawing/WindowChrome.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/layers/DragSession.h"
#include "platform/layers/DragWindowFade.h"
#include "tests/support/QtWarningCheck.h"

#include <QApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

using platform::TabView;
using platform::TabViewItem;
using platform::DragSession;

class PlainStyle : public KZTabStyle
{
public:
    QString name() const override { return QStringLiteral("Plain"); }
};

class DragDelegate : public KZTabBarViewDelegate
{
public:
    bool allowLeaving = false;
    bool refuseSlides = false;
    int refuseDropAfter = -1; // validate-drop answers refused after this many calls
    int validations = 0;
    bool makesBars = false;
    KZTabBarView *newBar = nullptr;
    QImage content;
    QStringList calls;

    std::optional<bool> tabViewShouldAllowTabViewItemToLeaveTabBarView(TabView *, TabViewItem *, KZTabBarView *) override
    {
        return allowLeaving;
    }
    std::optional<bool> tabViewValidateSlideOfProposedItem(TabView *, TabViewItem *, int, KZTabBarView *) override
    {
        return !refuseSlides;
    }
    std::optional<Qt::DropAction> tabViewValidateDrop(TabView *, const platform::DragInfo &, TabViewItem *, int,
                                                      KZTabBarView *) override
    {
        ++validations;
        if (refuseDropAfter >= 0 && validations > refuseDropAfter)
            return Qt::IgnoreAction;
        return Qt::MoveAction;
    }
    void tabViewDidDropTabViewItem(TabView *, TabViewItem *, KZTabBarView *) override { calls << QStringLiteral("didDrop"); }
    bool implementsNewTabBarViewForDraggedTabViewItem() const override { return makesBars; }
    std::optional<KZTabBarView *> tabViewNewTabBarViewForDraggedTabViewItem(TabView *, TabViewItem *, QPoint) override
    {
        if (!makesBars)
            return {};
        calls << QStringLiteral("newBar");
        return newBar;
    }
    void tabViewCloseWindowForLastTabViewItem(TabView *, TabViewItem *) override { calls << QStringLiteral("close"); }
    std::optional<QImage> tabViewImageForTabViewItem(TabView *, TabViewItem *, QSizeF &offset, unsigned &) override
    {
        if (content.isNull())
            return {};
        offset = QSizeF(10, 30);
        return content;
    }
    std::optional<bool> tabViewAcceptedDraggingInfo(TabView *, const platform::DragInfo &, TabViewItem *) override
    {
        calls << QStringLiteral("accepted");
        return true;
    }
};

// A window with a bar of tabs over its tab view.
struct Window
{
    Window(int tabs, QPoint at, const QString &prefix = QStringLiteral("Tab"))
    {
        window.setGeometry(QRect(at, QSize(512, 200)));
        bar = new KZTabBarView(&window);
        tabView = new TabView(&window);
        bar->setStyle(std::make_shared<PlainStyle>());
        bar->setTabView(tabView);
        tabView->setDelegate(bar);
        bar->setDelegate(&delegate);
        bar->setGeometry(0, 0, 512, 22);
        tabView->setGeometry(0, 22, 512, 178);
        for (int i = 0; i < tabs; ++i) {
            auto item = TabViewItem::create();
            item->setLabel(QStringLiteral("%1 %2").arg(prefix).arg(i + 1));
            tabView->addTabViewItem(item);
        }
        bar->updateTabBar(false);
        window.show();
    }
    QStringList labels() const
    {
        QStringList result;
        for (const auto &item : tabView->tabViewItems())
            result << item->label();
        return result;
    }
    QPoint global(QPoint inBar) const { return bar->mapToGlobal(inBar); }
    QWidget window;
    KZTabBarView *bar;
    TabView *tabView;
    DragDelegate delegate;
};

struct Notifications
{
    Notifications()
    {
        auto &center = platform::NotificationCenter::defaultCenter();
        center.addObserver(&owner, KZTabDragAssistant::DidBeginNotification, nullptr, [this](auto &) { ++begun; });
        center.addObserver(&owner, KZTabDragAssistant::DidEndNotification, nullptr, [this](auto &) { ++ended; });
    }
    ~Notifications() { platform::NotificationCenter::defaultCenter().removeObserver(&owner); }
    QObject owner;
    int begun = 0;
    int ended = 0;
};

void send(QWidget *to, QEvent::Type type, QPoint inBar, KZTabBarView *bar)
{
    const QPointF local = to->mapFrom(bar, inBar);
    QMouseEvent event(type, local, to->mapToGlobal(local), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(to, &event);
}

// Presses the button at a point of the bar and moves through the points (bar coordinates).
KZAttachedTabBarButton *slide(KZTabBarView *bar, QPoint from, const std::vector<QPoint> &path, bool release = true)
{
    KZAttachedTabBarButton *button = bar->attachedButtonAtPoint(from);
    send(button, QEvent::MouseButtonPress, from, bar);
    QPointer<KZAttachedTabBarButton> alive(button);
    for (QPoint p : path) {
        if (alive && alive->parentWidget())
            send(button, QEvent::MouseMove, p, bar);
    }
    if (release && alive && alive->parentWidget())
        send(button, QEvent::MouseButtonRelease, path.empty() ? from : path.back(), bar);
    return button;
}

std::vector<QPoint> steps(QPoint from, QPoint to, int n = 20)
{
    std::vector<QPoint> points;
    for (int i = 1; i <= n; ++i)
        points.push_back(from + (to - from) * i / n);
    return points;
}

void settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// Declared first in a test, so the animations of its bars, gone with them, let the
// animation timer stop before the next test.
struct SettleAtEnd
{
    ~SettleAtEnd() { settle(); }
};

} // namespace

TEST(TabDrag, SlidesReorderWithinTheBar)
{
    SettleAtEnd settleAtEnd;
    Notifications notes;
    {
        Window w(4, QPoint(0, 0)); // buttons of 125 points from x = 6
        slide(w.bar, QPoint(60, 11), {QPoint(63, 11)}); // under 5 points: no drag
        EXPECT_EQ(notes.begun, 0);
        slide(w.bar, QPoint(60, 11), steps(QPoint(60, 11), QPoint(320, 11)));
        EXPECT_EQ(w.labels(), QStringList({"Tab 2", "Tab 3", "Tab 1", "Tab 4"}));
        EXPECT_EQ(notes.begun, 1);
        EXPECT_EQ(notes.ended, 0); // a pure slide posts only the beginning
        EXPECT_FALSE(KZTabDragAssistant::sharedDragAssistant()->isSliding());
    }
    {
        Window w(4, QPoint(0, 0));
        slide(w.bar, QPoint(60, 11), steps(QPoint(60, 11), QPoint(700, 11)));
        EXPECT_EQ(w.labels(), QStringList({"Tab 2", "Tab 3", "Tab 4", "Tab 1"})); // n - 1, never n
    }
    {
        Window w(4, QPoint(0, 0));
        w.delegate.refuseSlides = true;
        slide(w.bar, QPoint(60, 11), steps(QPoint(60, 11), QPoint(320, 11)));
        EXPECT_EQ(w.labels(), QStringList({"Tab 1", "Tab 2", "Tab 3", "Tab 4"}));
    }
    {
        Window w(4, QPoint(0, 0));
        w.bar->setAutomaticallyAnimates(true);
        slide(w.bar, QPoint(60, 11), {QPoint(70, 11), QPoint(80, 11), QPoint(62, 11)});
        KZSlideButtonsAnimation *home = KZTabDragAssistant::sharedDragAssistant()->slideAnimation();
        ASSERT_TRUE(home);
        EXPECT_DOUBLE_EQ(home->duration(), 0.05);
        EXPECT_EQ(w.labels(), QStringList({"Tab 1", "Tab 2", "Tab 3", "Tab 4"}));
        home->stop();
    }
}

TEST(TabDrag, LeavingTheStayZoneDetachesAndALostGrabBringsTheSlideHome)
{
    SettleAtEnd settleAtEnd;
    Notifications notes;
    Window w(3, QPoint(0, 0));
    w.delegate.allowLeaving = true;
    KZTabDragAssistant *assistant = KZTabDragAssistant::sharedDragAssistant();
    KZAttachedTabBarButton *button = slide(w.bar, QPoint(60, 11), {QPoint(60, 20), QPoint(60, 22 + 15)}, false);
    EXPECT_TRUE(assistant->isSliding()); // 15 points across: still sliding
    QEvent ungrab(QEvent::UngrabMouse);
    QApplication::sendEvent(button, &ungrab);
    EXPECT_FALSE(assistant->isSliding());
    EXPECT_FALSE(button->isInDraggedSlide());
    EXPECT_EQ(button->geometry().topLeft(), QPoint(6, 0));

    slide(w.bar, QPoint(60, 11), {QPoint(60, 20), QPoint(60, 22 + 16)}, false);
    EXPECT_TRUE(assistant->isDragging());
    ASSERT_TRUE(DragSession::current());
    EXPECT_EQ(w.bar->numberOfAttachedButtons(), 2);
    DragSession::current()->cancel(); // Escape: back home, no drop
    EXPECT_FALSE(assistant->isDragging());
    EXPECT_EQ(w.bar->numberOfAttachedButtons(), 3);
    EXPECT_EQ(w.labels(), QStringList({"Tab 1", "Tab 2", "Tab 3"}));
    EXPECT_EQ(w.tabView->selectedTabViewItem()->label(), QStringLiteral("Tab 1"));
    EXPECT_EQ(notes.begun, 2);
    EXPECT_EQ(notes.ended, 1);
    settle();
}

TEST(TabDrag, DropsOnBarsOfEitherWindow)
{
    SettleAtEnd settleAtEnd;
    Notifications notes;
    Window a(3, QPoint(0, 0), QStringLiteral("A"));
    Window b(2, QPoint(0, 400), QStringLiteral("B"));
    a.delegate.allowLeaving = true;
    const auto detach = [&] {
        slide(a.bar, QPoint(60, 11), {QPoint(60, 20), QPoint(60, 60)}, false);
        return DragSession::current();
    };

    // Back onto its own bar at its own place: the end notification, no did-drop.
    DragSession *session = detach();
    ASSERT_TRUE(session);
    session->moveTo(a.global(QPoint(20, 11)));
    session->moveTo(a.global(QPoint(30, 11)));
    session->drop();
    EXPECT_EQ(a.labels(), QStringList({"A 1", "A 2", "A 3"}));
    EXPECT_TRUE(a.delegate.calls.isEmpty());
    EXPECT_EQ(notes.ended, 1);
    settle();

    // Onto the other window's bar, after its last tab.
    session = detach();
    session->moveTo(b.global(QPoint(400, 11)));
    session->moveTo(b.global(QPoint(410, 11)));
    EXPECT_EQ(b.bar->destinationIndexForDraggedItem(), 2);
    session->drop();
    EXPECT_EQ(a.labels(), QStringList({"A 2", "A 3"}));
    EXPECT_EQ(b.labels(), QStringList({"B 1", "B 2", "A 1"}));
    EXPECT_EQ(b.tabView->selectedTabViewItem()->label(), QStringLiteral("A 1"));
    EXPECT_EQ(a.delegate.calls, QStringList({"didDrop"}));
    EXPECT_EQ(notes.begun, 2);
    EXPECT_EQ(notes.ended, 2);
    EXPECT_EQ(b.bar->destinationIndexForDraggedItem(), KZTabBarView::NotFound);
    settle();
}

TEST(TabDrag, ContentWindowFadesFiveTicksEachWayAndFinishingStopsTheFade)
{
    SettleAtEnd settleAtEnd;
    Window a(2, QPoint(0, 0));
    a.delegate.allowLeaving = true;
    a.delegate.content = QImage(200, 100, QImage::Format_ARGB32_Premultiplied);
    a.delegate.content.fill(Qt::gray);
    KZTabDragAssistant *assistant = KZTabDragAssistant::sharedDragAssistant();
    slide(a.bar, QPoint(60, 11), {QPoint(60, 20), QPoint(60, 60)}, false);
    DragSession *session = DragSession::current();
    ASSERT_TRUE(session);
    const auto ticks = [&] {
        int changing = 0;
        while (assistant->fade()->isRunning()) {
            const double before = assistant->draggedView()->window()->alpha();
            assistant->fade()->tick();
            changing += assistant->draggedView()->window()->alpha() != before;
        }
        return changing;
    };
    session->moveTo(a.global(QPoint(200, 11)));
    session->moveTo(a.global(QPoint(200, 100))); // leaves every bar: the content shows at 0.75 at once
    ASSERT_TRUE(assistant->draggedView());
    EXPECT_EQ(ticks(), 0);
    EXPECT_EQ(assistant->draggedView()->window()->alpha(), 0.75);
    session->moveTo(a.global(QPoint(200, 11)));
    EXPECT_EQ(ticks(), 5);
    EXPECT_EQ(assistant->draggedView()->window()->alpha(), 0.0);
    EXPECT_EQ(assistant->draggedTab()->window()->alpha(), 0.75);
    session->moveTo(a.global(QPoint(200, 100)));
    EXPECT_EQ(ticks(), 5);
    EXPECT_EQ(assistant->draggedTab()->window()->alpha(), 0.0);

    session->moveTo(a.global(QPoint(200, 11)));
    assistant->fade()->tick(); // a fade is running when the drag ends
    EXPECT_TRUE(assistant->fade()->isRunning());
    session->drop();
    EXPECT_FALSE(assistant->fade()->isRunning());
    EXPECT_EQ(assistant->draggedView(), nullptr);
    settle();
}

TEST(TabDrag, TheOnlyTabComesHomeWithItsWindowAndButton)
{
    SettleAtEnd settleAtEnd;
    Notifications notes;
    Window a(1, QPoint(0, 0));
    a.delegate.allowLeaving = true;
    a.delegate.makesBars = true; // ...but answers no bar
    slide(a.bar, QPoint(60, 11), {QPoint(60, 20), QPoint(60, 60)}, false);
    ASSERT_TRUE(DragSession::current());
    EXPECT_FALSE(a.window.isVisible()); // the only tab: its window is hidden at once
    {
        testsupport::ExpectedQtWarning expected(QStringLiteral("Delegate returned no control to add to."));
        DragSession::current()->moveTo(QPoint(900, 900));
        DragSession::current()->drop();
    }
    EXPECT_TRUE(a.window.isVisible());
    EXPECT_EQ(a.bar->numberOfAttachedButtons(), 1);
    EXPECT_TRUE(a.delegate.calls.contains(QStringLiteral("newBar")));
    EXPECT_FALSE(a.delegate.calls.contains(QStringLiteral("close")));
    settle();

    // A drop refused at the last moment.
    a.delegate.makesBars = false;
    a.delegate.refuseDropAfter = 2;
    slide(a.bar, QPoint(60, 11), {QPoint(60, 20), QPoint(60, 60)}, false);
    DragSession *session = DragSession::current();
    session->moveTo(a.global(QPoint(100, 11)));
    session->moveTo(a.global(QPoint(110, 11)));
    session->drop();
    EXPECT_EQ(a.bar->numberOfAttachedButtons(), 1);
    EXPECT_EQ(a.labels(), QStringList({"Tab 1"}));
    EXPECT_EQ(notes.begun, notes.ended);
    settle();
}

TEST(TabDrag, ResizeRoomDividerAndSpringLoading)
{
    SettleAtEnd settleAtEnd;
    Window w(3, QPoint(0, 0));
    for (const auto &[textured, indicator, room] : {std::tuple{true, true, 20}, {false, true, 8}, {false, false, 0}}) {
        w.bar->setGeometry(0, 178, 512, 22); // down in the corner
        platform::WindowChrome::setTexturedBackground(&w.window, textured);
        platform::WindowChrome::setShowsResizeIndicator(&w.window, indicator);
        w.bar->checkWindowFrame();
        EXPECT_EQ(w.bar->resizeAreaCompensation(), room);
    }

    QWidget partner(&w.window);
    partner.setGeometry(150, 0, 362, 200);
    w.bar->setPartnerView(&partner);
    w.bar->setOrientation(KZTabBarView::Vertical);
    w.bar->setGeometry(0, 0, 150, 200);
    ASSERT_TRUE(w.bar->divider()->isVisible());
    EXPECT_EQ(w.bar->divider()->geometry(), QRect(147, 0, 3, 178));
    EXPECT_EQ(w.bar->divider()->cursor().shape(), Qt::SizeHorCursor);
    for (int i = 0; i < 20; ++i)
        w.bar->dividerDragged(w.bar->width() - 10, -10);
    EXPECT_EQ(w.bar->width(), 100);
    EXPECT_EQ(partner.geometry(), QRect(100, 0, 412, 200));
    for (int i = 0; i < 30; ++i)
        w.bar->dividerDragged(w.bar->width() + 10, 10);
    EXPECT_EQ(w.bar->width(), 280);
    EXPECT_EQ(partner.x(), 280);

    // A file dragged by another program (carrying the private tab type as well) springs
    // the tab under it after the delay, and restarts on another tab.
    w.bar->setOrientation(KZTabBarView::Horizontal);
    w.bar->setGeometry(0, 0, 512, 22);
    w.bar->updateTabBar(false);
    platform::UserDefaults::standardUserDefaults().removeObjectForKey(KZTabBarView::SpringingDelayKey);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.txt"))});
    data.setData(platform::DragInfo::formatForPasteboardType(KZTabBarView::AttachedTabBarButtonPasteboardType), "x");
    QDragEnterEvent enter(QPoint(100, 11), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w.bar, &enter);
    const auto over = [&](int x) {
        QDragMoveEvent move(QPoint(x, 11), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w.bar, &move);
        return move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
    };
    EXPECT_EQ(over(200), Qt::CopyAction);
    ASSERT_TRUE(w.bar->springTimer());
    EXPECT_EQ(w.bar->springTimer()->interval(), 668);
    QTimer *first = w.bar->springTimer();
    over(210);
    EXPECT_EQ(w.bar->springTimer(), first);
    over(300);
    ASSERT_NE(w.bar->springTimer(), first); // another tab: the delay starts again
    w.bar->fireSpring(w.bar->springTimer());
    EXPECT_EQ(w.tabView->selectedTabViewItem()->label(), QStringLiteral("Tab 3"));
    EXPECT_FALSE(w.bar->springTimer());
    QDropEvent drop(QPointF(60, 11), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w.bar, &drop);
    EXPECT_EQ(w.delegate.calls, QStringList({"accepted"})); // a foreign drop, never a tab drop
    settle();
}

// The divider's cursor tells which way the bar may still go: only wider at the
// minimum button width, only narrower at the maximum, both ways between.
TEST(TabDrag, DividerCursorFollowsTheWidthLimits)
{
    SettleAtEnd settleAtEnd;
    Window w(3, QPoint(0, 0));
    w.bar->setOrientation(KZTabBarView::Vertical);
    const auto picture = [](const QCursor &cursor) { return cursor.pixmap().toImage(); };
    struct Case
    {
        int width;
        KZTabBarDivider::Cursor cursor;
    };
    for (const Case &c : {Case{100, KZTabBarDivider::Cursor::ResizeRight}, Case{150, KZTabBarDivider::Cursor::ResizeLeftRight},
                          Case{280, KZTabBarDivider::Cursor::ResizeLeft}, Case{90, KZTabBarDivider::Cursor::ResizeRight},
                          Case{300, KZTabBarDivider::Cursor::ResizeLeft}}) {
        SCOPED_TRACE(c.width);
        w.bar->setGeometry(0, 0, c.width, 200);
        EXPECT_EQ(w.bar->resizingMouseCursor(), static_cast<int>(c.cursor));
        const QCursor expected = KZTabBarDivider::cursorOf(c.cursor);
        EXPECT_EQ(w.bar->divider()->cursor().shape(), expected.shape());
        EXPECT_EQ(picture(w.bar->divider()->cursor()), picture(expected));
    }
    // Three different cursors: the one-way ones are pictures, mirror images of each other.
    const QImage right = picture(KZTabBarDivider::cursorOf(KZTabBarDivider::Cursor::ResizeRight));
    const QImage left = picture(KZTabBarDivider::cursorOf(KZTabBarDivider::Cursor::ResizeLeft));
    EXPECT_EQ(KZTabBarDivider::cursorOf(KZTabBarDivider::Cursor::ResizeRight).shape(), Qt::BitmapCursor);
    EXPECT_EQ(KZTabBarDivider::cursorOf(KZTabBarDivider::Cursor::ResizeLeftRight).shape(), Qt::SizeHorCursor);
    EXPECT_NE(right, left);
    EXPECT_EQ(right.mirrored(true, false), left);
    // The limits move with the button widths.
    w.bar->setGeometry(0, 0, 150, 200);
    w.bar->setButtonMaxWidth(150);
    w.bar->updateTabBar(false);
    EXPECT_EQ(w.bar->resizingMouseCursor(), static_cast<int>(KZTabBarDivider::Cursor::ResizeLeft));
    EXPECT_EQ(picture(w.bar->divider()->cursor()), left);
}

// Preparing a drop: a tab drag is taken only where the drag assistant has a bar to
// drop it on; a drag of other data is always taken, so that a drop on a tab reaches
// the delegate (tabViewAcceptedDraggingInfo) through performDrop.
TEST(TabDrag, PreparingADropTakesForeignDragsAndTabDragsOverABar)
{
    SettleAtEnd settleAtEnd;
    Window w(3, QPoint(0, 0));
    w.delegate.allowLeaving = true;
    QMimeData file;
    file.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.txt"))});
    const platform::DragInfo foreign(&file, w.global(QPoint(60, 11)), Qt::CopyAction);
    EXPECT_TRUE(w.bar->prepareForDrop(foreign));
    EXPECT_TRUE(w.bar->performDrop(foreign));
    EXPECT_EQ(w.delegate.calls, QStringList({"accepted"}));

    slide(w.bar, QPoint(60, 11), {QPoint(60, 20), QPoint(60, 60)}, false);
    DragSession *session = DragSession::current();
    ASSERT_TRUE(session);
    const auto here = [session] {
        return platform::DragInfo(session->mimeData(), session->location(), session->sourceOperationMask(), session);
    };
    session->moveTo(QPoint(900, 900)); // over no bar
    EXPECT_FALSE(w.bar->prepareForDrop(here()));
    session->moveTo(w.global(QPoint(300, 11)));
    session->moveTo(w.global(QPoint(310, 11)));
    EXPECT_TRUE(w.bar->prepareForDrop(here()));
    session->cancel();
    EXPECT_EQ(w.labels(), QStringList({"Tab 1", "Tab 2", "Tab 3"}));
    settle();
}

// The miniwindow of a torn-off tab, as it shows over a white window: the tab at its
// place, a soft grey shadow below it fading out towards the far corners (the offscreen
// platform composites); the tab window of the content-window style is the tab alone.
TEST(TabDragWindow, TheMiniwindowShowsASoftShadowOverWhatLiesBelow)
{
    QImage tab(40, 20, QImage::Format_ARGB32_Premultiplied);
    tab.fill(Qt::blue);
    const auto seen = [](QWidget *window) {
        QImage picture(window->size(), QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::white);
        window->render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
        return picture;
    };
    const KZTabDragWindowController mini(tab, 0, KZTabDragWindowController::KZTearOffStyleMiniwindow);
    const QImage picture = seen(mini.window());
    const int m = mini.window()->shadowMargin();
    ASSERT_GT(m, 0);
    EXPECT_EQ(picture.size(), QSize(40 + 2 * m, 20 + 2 * m));
    EXPECT_EQ(picture.pixel(m + 20, m + 10), qRgb(0, 0, 255)) << "the tab";
    const int under = qGray(picture.pixel(m + 20, m + 20 + 1));
    EXPECT_LT(under, 250) << "a shadow just below the tab";
    EXPECT_GT(under, 100) << "soft, not a black frame";
    EXPECT_LT(under, qGray(picture.pixel(m + 20, m - 2))) << "darker below than above";
    for (const QPoint corner : {QPoint(0, 0), QPoint(picture.width() - 1, 0), QPoint(0, picture.height() - 1)})
        EXPECT_EQ(picture.pixel(corner), qRgb(255, 255, 255)) << "nothing at the far corners";

    const KZTabDragWindowController content(tab, 0, KZTabDragWindowController::KZTearOffStyleContentWindow);
    const QImage plain = seen(content.window());
    EXPECT_EQ(plain.size(), QSize(40, 20));
    EXPECT_EQ(plain.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(plain.pixel(39, 19), qRgb(0, 0, 255));
}
