// Offscreen layout of split view panes; geometry in the split view's y-down space.
#include "SplitViewTestSupport.h"

#include "platform/foundation/Clock.h"

#include <QTest>

#include <algorithm>
#include <random>
#include <string>
#include <utility>

#include <gtest/gtest.h>

using namespace splitviewtest;

namespace {

TEST(SplitViewLayout, WideningCarriesRemaindersAndNarrowingComesBack)
{
    auto view = makeSplitView({100, 100, 100});
    ASSERT_EQ(view->frame().width(), 318);
    view->setFrame(QRectF(0, 0, 418, 100));
    EXPECT_EQ(along(*view, 0), 133);
    EXPECT_EQ(along(*view, 1), 133);
    EXPECT_EQ(along(*view, 2), 134);
    EXPECT_NEAR(view->subviewAtPosition(0)->dimension() + 0.3333, 133.3333, 1e-3);
    EXPECT_EQ(view->dividerRects().at(1), QRectF(275, 0, 9, 100));
    EXPECT_EQ(view->stringWithSavedState(), u"3 133.333 133.333 133.333"_qs);
    view->setFrame(QRectF(0, 0, 318, 100));
    for (unsigned i = 0; i < 3; ++i)
        EXPECT_EQ(along(*view, i), 100) << i;
    EXPECT_FALSE(view->isAdjusting());
    EXPECT_FALSE(view->mustAdjust());
}

TEST(SplitViewLayout, LimitsAreWholeAndOrdered)
{
    struct Case { float min, max, wantMin, wantMax; };
    for (const Case c : {Case{0.4f, 0, 1, 1000000}, Case{50.7f, 20, 50, 50}, Case{10, 120.9f, 10, 120}}) {
        ZQSplitSubview pane;
        pane.setMinDimension(c.min, c.max);
        EXPECT_EQ(pane.minDimension(), c.wantMin) << c.min << " " << c.max;
        EXPECT_EQ(pane.maxDimension(), c.wantMax) << c.min << " " << c.max;
    }
}

TEST(SplitViewLayout, PanesStayWithinLimitsAndHiddenPanesLeaveTheLayout)
{
    auto view = makeSplitView({100, 100, 100});
    view->subviewAtPosition(0)->setMinDimension(1, 120);
    view->setFrame(QRectF(0, 0, 618, 100));
    EXPECT_EQ(along(*view, 0), 120);
    EXPECT_EQ(along(*view, 1) + along(*view, 2), 480);

    view->subviewAtPosition(1)->hide();
    EXPECT_EQ(view->ZQ___numberOfSubviews(), 2u);
    EXPECT_EQ(view->dividerRects().size(), 1);
    EXPECT_EQ(along(*view, 0) + along(*view, 2), 609);
    view->subviewAtPosition(1)->show();
    EXPECT_EQ(view->dividerRects().size(), 2);

    // Too little room: a pane that may collapse gives way, one that may not stays at its minimum.
    auto tight = makeSplitView({100, 100});
    tight->subviewAtPosition(0)->setMinDimension(90, 0);
    tight->subviewAtPosition(1)->setMinDimension(90, 0);
    tight->subviewAtPosition(1)->setCanCollapse(true);
    tight->setFrame(QRectF(0, 0, 150, 100));
    EXPECT_EQ(along(*tight, 0), 141);
    EXPECT_TRUE(tight->subviewAtPosition(1)->isCollapsed());
    EXPECT_EQ(tight->subviewAtPosition(1)->status(), 1);
}

TEST(SplitViewLayout, ShrinkingBelowTheMinimumCollapsesOnlyWhenAllowed)
{
    struct Case { bool canCollapse; float to; bool collapsed; float size; };
    for (const Case c : {Case{true, 44, true, 0}, Case{true, 46, false, 100}, Case{false, 44, false, 100}}) {
        auto view = makeSplitView({200, 200});
        ZQSplitSubview *pane = view->subviewAtPosition(0);
        pane->setMinDimension(100, 0);
        pane->setCanCollapse(c.canCollapse);
        pane->changeDimensionBy(c.to - 200, true, false);
        EXPECT_EQ(pane->isCollapsed(), c.collapsed) << c.canCollapse << " " << c.to;
        EXPECT_EQ(along(*view, 0), c.size) << c.canCollapse << " " << c.to;
        if (c.collapsed) {
            EXPECT_EQ(pane->dimension(), 200); // its remembered size
        }
    }
    // Re-expansion takes more than 55 % of the minimum and then gives at least the minimum.
    auto view = makeSplitView({200, 200});
    ZQSplitSubview *pane = view->subviewAtPosition(0);
    pane->setMinDimension(100, 0);
    pane->setCanCollapse(true);
    pane->collapse();
    ASSERT_TRUE(pane->isCollapsed());
    EXPECT_EQ(pane->changeDimensionBy(55, false, false), 0);
    EXPECT_TRUE(pane->isCollapsed());
    EXPECT_EQ(pane->changeDimensionBy(56, false, false), 100);
    EXPECT_EQ(along(*view, 0), 100);
}

TEST(SplitViewLayout, CollapsedPaneExpandsToItsRememberedShare)
{
    auto view = makeSplitView({100, 100, 100});
    ZQSplitSubview *pane = view->subviewAtPosition(1);
    pane->setCanCollapse(true);
    EXPECT_EQ(pane->collapse(), -100);
    view->adjustSubviews();
    EXPECT_EQ(pane->dimension(), 100);
    EXPECT_EQ(along(*view, 0) + along(*view, 2), 300);
    pane->expand();
    view->adjustSubviews();
    for (unsigned i = 0; i < 3; ++i)
        EXPECT_EQ(along(*view, i), 100) << i;
}

TEST(SplitViewLayout, AnimationTakesItsTimeFromTheMediaClock)
{
    platform::Clock::setNow(QDateTime(QDate(2026, 1, 5), QTime(9, 0), Qt::UTC));
    // 12 pixels would take under one frame: no animation.
    auto small = makeSplitView({12, 200});
    small->subviewAtPosition(0)->setCanCollapse(true);
    EXPECT_FALSE(small->subviewAtPosition(0)->collapseWithAnimation());
    EXPECT_TRUE(small->subviewAtPosition(0)->isCollapsed());
    EXPECT_FALSE(ZQSplitSubview::animating());

    auto view = makeSplitView({300, 200});
    ZQSplitSubview *pane = view->subviewAtPosition(0);
    pane->setCanCollapse(true);
    EXPECT_TRUE(pane->collapseWithAnimation());
    EXPECT_EQ(pane->status(), -1);
    EXPECT_TRUE(view->isDragging());
    // (The step taken as the animation begins may already leave 299: the time left is
    // the end less now, in seconds of the process's media clock, not exactly 0.4.)
    platform::Clock::advance(380);
    EXPECT_TRUE(QTest::qWaitFor([&] { return along(*view, 0) <= 15; }));
    EXPECT_EQ(along(*view, 0), 15); // 300 × 0.02 s left of 0.4 s
    EXPECT_TRUE(ZQSplitSubview::animating());
    platform::Clock::advance(20);
    EXPECT_TRUE(QTest::qWaitFor([] { return !ZQSplitSubview::animating(); }));
    EXPECT_EQ(pane->status(), 1);
    EXPECT_FALSE(view->isDragging());

    EXPECT_TRUE(pane->expandWithAnimation());
    EXPECT_EQ(pane->status(), -2);
    // Frame by frame: the pane grows while the others make room.
    for (int frame = 0; frame < 30 && ZQSplitSubview::animating(); ++frame) {
        const float before = along(*view, 0);
        platform::Clock::advance(16);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !ZQSplitSubview::animating() || along(*view, 0) > before; }));
    }
    EXPECT_FALSE(ZQSplitSubview::animating());
    view->adjustSubviews();
    EXPECT_EQ(pane->status(), 0);
    EXPECT_NEAR(along(*view, 0), 300, 4);
    platform::Clock::useSystemClock();
}

TEST(SplitViewLayout, StructureNestingAndAppearance)
{
    auto view = makeSplitView({100, 100, 100});
    ZQSplitSubview *first = view->subviewAtPosition(0);
    first->setPosition(7);
    EXPECT_EQ(view->subviewAtPosition(2), first);
    EXPECT_EQ(first->position(), 2u);

    // A plain widget is wrapped in a pane that sizes it with the pane.
    auto *label = new QWidget;
    label->resize(50, 40);
    ZQSplitSubview *wrapper = view->addSubview(label, 0);
    EXPECT_EQ(view->subviewAtPosition(0), wrapper);
    EXPECT_EQ(label->parentWidget(), wrapper);
    view->adjustSubviews();
    EXPECT_EQ(label->size(), wrapper->size());

    auto *nested = new ZQSplitView(QRectF(0, 0, 100, 100));
    nested->setHorizontal(false);
    view->addSubview(nested);
    EXPECT_TRUE(nested->isHorizontal());
    EXPECT_TRUE(nested->isCoupled());
    EXPECT_EQ(nested->couplingSplitView(), view.get());
    EXPECT_EQ(nested->outermostSplitView(), view.get());

    view->setBackground(QColor(10, 20, 30, 0));
    EXPECT_FALSE(view->background().isValid());
    view->setBackground(QColor(10, 20, 30, 128));
    EXPECT_FALSE(view->isOpaque());
    view->setBackground(QColor(10, 20, 30));
    EXPECT_TRUE(view->isOpaque());
    EXPECT_EQ(nested->background(), QColor(10, 20, 30));
}


// Hears the collapse and expand notices, in order.
class NoticeDelegate : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void splitViewDidCollapse(ZQSplitView *view, ZQSplitSubview *pane) { notices.append({view, pane, u"collapsed"_qs}); }
    Q_INVOKABLE void splitViewDidExpand(ZQSplitView *view, ZQSplitSubview *pane) { notices.append({view, pane, u"expanded"_qs}); }
    struct Notice
    {
        ZQSplitView *view;
        ZQSplitSubview *pane;
        QString what;
        bool operator==(const Notice &) const = default;
    };
    QList<Notice> takeNotices() { return std::exchange(notices, {}); }
    QList<Notice> notices;
};

// The delegate hears each collapse and each expansion of a pane once, whichever way it
// came: asked for, by a divider drag, by the layout when the room shrinks or grows
// again, and at the end of an animation.
TEST(SplitViewLayout, TheDelegateHearsPanesCollapseAndExpand)
{
    using Notice = NoticeDelegate::Notice;
    auto view = makeSplitView({200, 200, 200});
    NoticeDelegate delegate;
    view->setDelegate(&delegate);
    ZQSplitSubview *first = view->subviewAtPosition(0);
    ZQSplitSubview *last = view->subviewAtPosition(2);
    first->setMinDimension(100, 0);
    first->setCanCollapse(true);
    last->setCanCollapse(true);
    view->adjustSubviews();
    delegate.takeNotices();

    first->collapse();
    EXPECT_EQ(delegate.takeNotices(), (QList<Notice>{{view.get(), first, u"collapsed"_qs}}));
    view->adjustSubviews();
    first->expand();
    EXPECT_EQ(delegate.takeNotices(), (QList<Notice>{{view.get(), first, u"expanded"_qs}}));
    view->adjustSubviews();
    EXPECT_TRUE(delegate.takeNotices().isEmpty()) << "a layout that changes no state tells nothing";

    // Dragged below the pane's minimum, then out again.
    first->changeDimensionBy(44 - along(*view, 0), true, false);
    ASSERT_TRUE(first->isCollapsed());
    EXPECT_EQ(delegate.takeNotices(), (QList<Notice>{{view.get(), first, u"collapsed"_qs}}));
    first->changeDimensionBy(120, false, false);
    ASSERT_FALSE(first->isCollapsed());
    EXPECT_EQ(delegate.takeNotices(), (QList<Notice>{{view.get(), first, u"expanded"_qs}}));

    // The room shrinks below what the others leave the one pane that may collapse,
    // then grows past what the others may take.
    for (unsigned i : {1u, 2u})
        view->subviewAtPosition(i)->setMinDimension(150, 300);
    view->adjustSubviews();
    delegate.takeNotices();
    view->setFrame(QRectF(0, 0, 340, 100));
    view->adjustSubviews();
    ASSERT_TRUE(first->isCollapsed());
    EXPECT_EQ(delegate.takeNotices(), (QList<Notice>{{view.get(), first, u"collapsed"_qs}}));
    view->setFrame(QRectF(0, 0, 900, 100));
    view->adjustSubviews();
    ASSERT_FALSE(first->isCollapsed());
    EXPECT_EQ(delegate.takeNotices(), (QList<Notice>{{view.get(), first, u"expanded"_qs}}));

    // Animated: the notice comes when the animation ends, once.
    platform::Clock::setNow(QDateTime(QDate(2026, 1, 5), QTime(9, 0), Qt::UTC));
    ASSERT_TRUE(last->collapseWithAnimation());
    EXPECT_TRUE(delegate.takeNotices().isEmpty()) << "not before the pane has collapsed";
    platform::Clock::advance(400);
    EXPECT_TRUE(QTest::qWaitFor([] { return !ZQSplitSubview::animating(); }));
    EXPECT_TRUE(last->isCollapsed());
    EXPECT_EQ(delegate.takeNotices(), (QList<Notice>{{view.get(), last, u"collapsed"_qs}}));
    ASSERT_TRUE(last->expandWithAnimation());
    for (int frame = 0; frame < 40 && ZQSplitSubview::animating(); ++frame) {
        const float before = along(*view, 2);
        platform::Clock::advance(16);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !ZQSplitSubview::animating() || along(*view, 2) > before; }));
    }
    EXPECT_FALSE(ZQSplitSubview::animating());
    view->adjustSubviews();
    EXPECT_FALSE(last->isCollapsed());
    const QList<Notice> expanded = delegate.takeNotices();
    EXPECT_EQ(expanded.count({view.get(), last, u"expanded"_qs}), 1);
    EXPECT_EQ(expanded.size(), 1);
    platform::Clock::useSystemClock();
}

} // namespace

#include "TestSplitViewLayout.moc"

namespace {
// What a layout decides along the split, as the user sees it and as it is saved:
// each shown pane's place and size, whether it is collapsed or hidden, the dividers'
// places, and the state text.
std::string alongTheSplit(const ZQSplitView &view)
{
    std::string text;
    for (const ZQSplitSubview *pane : view.allSubviews()) {
        // A hidden pane shows nothing; the text says what it comes back with.
        if (pane->isHiddenPane()) {
            text += "H ";
            continue;
        }
        const QRectF f = pane->frame();
        text += std::to_string(view.isHorizontal() ? f.y() : f.x()) + "+" + std::to_string(along(view, pane->position()))
                + (pane->isCollapsed() ? "C " : " ");
    }
    for (const QRectF &r : view.dividerRects())
        text += "|" + std::to_string(view.isHorizontal() ? r.y() : r.x());
    return text + " / " + view.stringWithSavedState().toStdString();
}

// Seeded views of panes with and without limits (also a minimum no room can meet),
// collapsible or not, through resizes and every kind of change to a pane: after each, a layout at the same size, and one
// at a size changed only across the split, change nothing along it; the state text
// the view gives is taken back as the same text and the same sizes, also after the
// view was resized elsewhere and back.
TEST(SplitViewLayout, LayoutsThatChangeNothingAlongTheSplitChangeNothing)
{
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 random(seed);
        const auto uniform = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        auto view = seededSplitView(uniform, 400);
        const int count = int(view->allSubviews().size());
        const bool horizontal = view->isHorizontal();
        const auto setSize = [&](float length, float cross) {
            view->setFrame(horizontal ? QRectF(0, 0, cross, length) : QRectF(0, 0, length, cross));
        };
        float cross = 100;
        for (int step = 0; step < 60; ++step) {
            const std::string where = "seed " + std::to_string(seed) + " step " + std::to_string(step);
            const int operation = uniform(0, 9);
            ZQSplitSubview *pane = view->subviewAtPosition(unsigned(uniform(0, count - 1)));
            if (operation < 2)
                setSize(float(uniform(40, 1800)), cross);
            else if (operation == 9)
                pane->setMinDimension(uniform(0, 1) ? 9999999.0f : float(uniform(1, 120)), 0); // one that cannot be met
            else if (operation == 7)
                pane->setDimension(float(uniform(1, 800)) + 0.5f); // an exact half
            else if (operation == 8)
                setSize(float(uniform(count, 12 * count)), cross); // the panes squeezed
            else
                changePane(*view, *pane, operation - 2, uniform, 200, 800, false);
            view->adjustSubviews();
            const std::string laidOut = alongTheSplit(*view);
            const float length = float(horizontal ? view->frame().height() : view->frame().width());

            view->adjustSubviews();
            ASSERT_EQ(alongTheSplit(*view), laidOut) << where << ": again at the same size";
            cross = float(uniform(50, 900));
            setSize(length, cross);
            view->adjustSubviews();
            ASSERT_EQ(alongTheSplit(*view), laidOut) << where << ": only across the split";
            // A squeezed layout saves no state: its text keeps the sizes from before the
            // squeeze, which is not what it shows.
            const QList<ZQSplitSubview *> shown = view->ZQ___subviews();
            if (std::any_of(shown.begin(), shown.end(), [&view](const ZQSplitSubview *p) {
                    return !p->isCollapsed() && along(*view, p->position()) < p->minDimension();
                }))
                continue;

            const QString text = view->stringWithSavedState();
            ASSERT_TRUE(view->setStateFromString(text)) << where;
            view->adjustSubviews();
            ASSERT_EQ(alongTheSplit(*view), laidOut) << where << ": read back and saved again";

            // Resized elsewhere and back, the text gives the same layout again.
            setSize(float(uniform(40, 1800)), cross);
            view->adjustSubviews();
            setSize(length, cross);
            view->adjustSubviews();
            ASSERT_TRUE(view->setStateFromString(text)) << where;
            view->adjustSubviews();
            ASSERT_EQ(alongTheSplit(*view), laidOut) << where << ": restored after a resize and back";
        }
    }
}

// The report: two panes in 359 points with a divider of one, the first set to 148.5.
// The layout gives it a whole size and keeps the half in its remainder; one more
// layout, and the text restored into the same view or a new one, give the same
// sizes.
TEST(SplitViewLayout, AnExactHalfIsKeptAtAnUnchangedSize)
{
    auto view = makeSplitView({179, 179}, 1);
    ASSERT_EQ(view->frame().width(), 359);
    view->subviewAtPosition(0)->setDimension(148.5f);
    const std::string laidOut = alongTheSplit(*view);
    const int first = view->subviewAtPosition(0)->width();
    EXPECT_TRUE(first == 148 || first == 149) << laidOut;
    EXPECT_EQ(first + view->subviewAtPosition(1)->width(), 358) << laidOut;
    EXPECT_EQ(view->subviewAtPosition(0)->frame().width(), first) << "a whole size: " << laidOut;
    view->adjustSubviews();
    EXPECT_EQ(alongTheSplit(*view), laidOut) << "one more layout";
    const QString text = view->stringWithSavedState();
    ASSERT_TRUE(view->setStateFromString(text));
    view->adjustSubviews();
    EXPECT_EQ(alongTheSplit(*view), laidOut) << "restored";
    auto fresh = makeSplitView({100, 258}, 1);
    ASSERT_TRUE(fresh->setStateFromString(text));
    fresh->adjustSubviews();
    EXPECT_EQ(alongTheSplit(*fresh), laidOut) << "restored in a new view";
}

// Collapsing a pane and expanding it at an unchanged size puts every pane back where
// it was, and collapsing it again puts the other panes back where the first collapse
// had put them (also where the expansion held one of them at a limit), in seeded views
// of 2 to 7 panes with and without limits.
TEST(SplitViewLayout, CollapsingAgainPutsTheOtherPanesBack)
{
    int cycles = 0, unlimited = 0, held = 0;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::mt19937 random(seed);
        const auto uniform = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        auto view = seededSplitView(uniform, 400);
        const int count = int(view->allSubviews().size());
        if (uniform(0, 1) == 1)
            view->setFrame(QRectF(QPointF(0, 0), view->frame().size() + QSizeF(uniform(0, 300), uniform(0, 300))));
        view->adjustSubviews();
        ZQSplitSubview *pane = view->subviewAtPosition(unsigned(uniform(0, count - 1)));
        pane->setCanCollapse(true);
        const std::string where = "seed " + std::to_string(seed) + " pane " + std::to_string(pane->position());
        if (ZQSplitSubview *other = view->subviewAtPosition(unsigned(uniform(0, count - 1))); other != pane && uniform(0, 3) == 0) {
            other->setMinDimension(9999999, 0); // a minimum no room meets
            other->setCanCollapse(true);
            view->adjustSubviews();
        }
        // The panes' places and sizes (not the remainders that the text adds).
        const auto places = [&view] {
            const std::string text = alongTheSplit(*view);
            return text.substr(0, text.find(" / "));
        };
        const std::string before = places();
        if (!pane->canCollapse() || pane->isCollapsed())
            continue; // alone in the layout, or collapsed by it
        ASSERT_LT(pane->collapse(), 0) << where;
        view->adjustSubviews();
        const std::string collapsed = places();
        if (!pane->isCollapsed())
            continue; // shown again: the others cannot fill the room within their limits
        pane->expand();
        view->adjustSubviews();
        const std::string expanded = alongTheSplit(*view);
        if (pane->isCollapsed())
            continue; // its minimum doesn't fit beside the others' minimums
        // Also where the expansion holds a pane at a limit (it loses its remainder
        // there): collapsing again undoes the expansion.
        const QList<ZQSplitSubview *> shown = view->ZQ___subviews();
        if (std::any_of(shown.begin(), shown.end(), [&](const ZQSplitSubview *p) {
                const float size = along(*view, p->position());
                return p != pane && (size == p->minDimension() || size == p->maxDimension());
            }))
            ++held;
        ++cycles;
        // Expanded, it takes back the share it had, and the others their sizes (where
        // no limit held a pane on the way).
        const QList<ZQSplitSubview *> all = view->allSubviews();
        if (std::all_of(all.begin(), all.end(), [](const ZQSplitSubview *p) {
                return p->minDimension() == 1 && p->maxDimension() == 1000000;
            })) {
            ++unlimited;
            EXPECT_EQ(places(), before) << where << ": expanded again, " << expanded;
        }
        ASSERT_LT(pane->collapse(), 0) << where;
        view->adjustSubviews();
        EXPECT_EQ(places(), collapsed) << where << "\n expanded between: " << expanded;
    }
    EXPECT_GT(cycles, 250);
    EXPECT_GT(unlimited, 40);
    EXPECT_GT(held, 20);
}

// A pane given a minimum that no room can meet collapses, and the other panes share
// the room as they would had their user collapsed it: from the sizes they had, with
// the remainders that earlier layouts left them (seeded views of 2 to 6 panes,
// resized to sizes that leave remainders, in twins: one pane given that minimum in
// the one, collapsed in the other).
TEST(SplitViewLayout, APaneNoRoomCanHoldLeavesTheOthersAsCollapsingItWould)
{
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 random(seed);
        const auto uniform = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        const int count = uniform(2, 6);
        std::vector<float> sizes;
        for (int i = 0; i < count; ++i)
            sizes.push_back(float(uniform(20, 300)));
        const float thickness = float(uniform(1, 9));
        const bool horizontal = uniform(0, 1) == 1;
        const unsigned chosen = unsigned(uniform(0, count - 1));
        std::vector<float> resizes;
        for (int step = uniform(1, 3); step > 0; --step)
            resizes.push_back(float(uniform(count * 40, 2000)));
        const auto twin = [&] {
            auto view = makeSplitView(sizes, thickness, horizontal);
            for (const float length : resizes)
                view->setFrame(horizontal ? QRectF(0, 0, 100, length) : QRectF(0, 0, length, 100));
            view->subviewAtPosition(chosen)->setCanCollapse(true);
            return view;
        };
        const std::string where = "seed " + std::to_string(seed) + " pane " + std::to_string(chosen);
        auto unmet = twin();
        auto collapsed = twin();
        ASSERT_EQ(alongTheSplit(*unmet), alongTheSplit(*collapsed)) << where;
        unmet->subviewAtPosition(chosen)->setMinDimension(9999999, 0);
        unmet->adjustSubviews();
        ASSERT_TRUE(unmet->subviewAtPosition(chosen)->isCollapsed()) << where << ": " << alongTheSplit(*unmet);
        ASSERT_LT(collapsed->subviewAtPosition(chosen)->collapse(), 0) << where;
        collapsed->adjustSubviews();
        // The other panes' sizes and texts (the collapsed pane comes back at its new
        // minimum in the one, at its old size in the other).
        const auto others = [chosen](const ZQSplitView &view) {
            std::string text;
            const QStringList texts = view.stringWithSavedState().split(u' ');
            for (unsigned i = 0; i < unsigned(view.allSubviews().size()); ++i) {
                if (i != chosen)
                    text += std::to_string(along(view, i)) + "=" + texts.value(qsizetype(i) + 1).toStdString() + " ";
            }
            return text;
        };
        ASSERT_EQ(others(*unmet), others(*collapsed)) << where;
    }
}

} // namespace
