// What a split view writes of itself reads back to the same panes and is written
// again the same: its state text in the same view, in a new view of the same size
// (the next launch) restored before or after it is shown, and in a view read from its
// keyed archive; and its panes and dividers always fill it, each within its limits
// unless no other pane can make room. The split views stand in shown windows that
// the test resizes; the suite runs again at scale factors 1.25, 1.5 and 2
// (tests/CMakeLists.txt).
#include "tests/components/splitview/SplitViewTestSupport.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <string>

using namespace splitviewtest;

namespace {

const testsupport::ScopedXdgHome xdgHome;

// How a split view is made: orientation, divider, and per pane its first size, its
// limits and whether it may collapse.
struct Design
{
    bool horizontal = false;
    float thickness = 1;
    std::vector<float> sizes;
    std::vector<std::pair<float, float>> limits;
    std::vector<bool> collapsible;
};

// A shown window that a split view fills.
struct Window
{
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    ZQSplitView *view = nullptr;

    Window(ZQSplitView *splitView, const QSize &size)
        : view(splitView)
    {
        auto *layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
        window->resize(size);
    }
    void show()
    {
        window->show();
        settle();
    }
    // Lets the posted layouts run.
    static void settle()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    float length() const { return float(view->isHorizontal() ? view->height() : view->width()); }
};

ZQSplitView *make(const Design &design, const QSize &size = QSize(100, 100))
{
    auto *view = new ZQSplitView(QRectF(QPointF(0, 0), QSizeF(size)));
    view->setHorizontal(design.horizontal);
    view->setDividerThickness(design.thickness);
    for (size_t i = 0; i < design.sizes.size(); ++i) {
        const float s = design.sizes[i];
        auto *pane = new ZQSplitSubview(design.horizontal ? QRectF(0, 0, 100, s) : QRectF(0, 0, s, 100));
        view->addSubview(pane);
        pane->setMinDimension(design.limits[i].first, design.limits[i].second);
        pane->setCanCollapse(design.collapsible[i]);
    }
    return view;
}

QSize windowSize(const Design &design, int length)
{
    return design.horizontal ? QSize(120, length) : QSize(length, 120);
}

struct Panes
{
    std::vector<int> sizes; // the widgets' sizes along the split
    std::vector<bool> collapsed;
    std::vector<bool> hidden;
    bool operator==(const Panes &o) const { return sizes == o.sizes && collapsed == o.collapsed && hidden == o.hidden; }
};

Panes panesOf(const ZQSplitView &view)
{
    Panes panes;
    for (ZQSplitSubview *pane : view.allSubviews()) {
        const bool hidden = pane->isHiddenPane();
        panes.sizes.push_back(hidden ? 0 : (view.isHorizontal() ? pane->height() : pane->width()));
        panes.collapsed.push_back(!hidden && pane->isCollapsed());
        panes.hidden.push_back(hidden);
    }
    return panes;
}

std::string describe(const Design &design)
{
    std::string text = design.horizontal ? "horizontal" : "vertical";
    text += ", dividers " + std::to_string(int(design.thickness)) + ":";
    for (size_t i = 0; i < design.sizes.size(); ++i)
        text += " [" + std::to_string(int(design.limits[i].first)) + ", " + std::to_string(int(design.limits[i].second))
                + (design.collapsible[i] ? "] collapsible" : "]");
    return text;
}

std::string describe(const Panes &panes)
{
    std::string text;
    for (size_t i = 0; i < panes.sizes.size(); ++i)
        text += std::to_string(panes.sizes[i]) + (panes.collapsed[i] ? "c" : "") + (panes.hidden[i] ? "H" : "") + " ";
    return text;
}

// The shown panes' widgets and the dividers tile the split view from end to end, as
// long as there is a pixel for each shown pane.
void expectFills(const ZQSplitView &view, const std::string &where)
{
    const QList<ZQSplitSubview *> shown = view.ZQ___subviews();
    if (shown.isEmpty())
        return;
    const int length = view.isHorizontal() ? view.height() : view.width();
    const int t = int(view.dividerThickness());
    if (length - t * (int(shown.size()) - 1) < int(shown.size()))
        return;
    const QList<QRectF> dividers = view.dividerRects();
    ASSERT_EQ(dividers.size(), shown.size() - 1) << where;
    int position = 0;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const QRect g = shown.at(i)->geometry();
        const int start = view.isHorizontal() ? g.y() : g.x();
        const int size = view.isHorizontal() ? g.height() : g.width();
        EXPECT_EQ(start, position) << where << " pane " << i;
        EXPECT_GE(size, 0) << where << " pane " << i;
        position = start + size;
        if (i + 1 < shown.size()) {
            const QRectF d = dividers.at(i);
            EXPECT_EQ(view.isHorizontal() ? d.y() : d.x(), position) << where << " divider " << i;
            position += t;
        }
    }
    EXPECT_EQ(position, length) << where << ": the panes end inside or outside the view";
}

QByteArray archived(const ZQSplitView &view)
{
    platform::KeyedArchiver archiver;
    view.encodeWithCoder(archiver);
    return archiver.finishEncoding().value_or(QByteArray());
}

// A delegate that lets every pane collapse.
class CollapsingDelegate : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE bool splitViewCanCollapse(ZQSplitView *, ZQSplitSubview *) { return true; }
};

} // namespace

// The report: seven panes in 892 pixels narrowed to 453; the last pane stood past the
// end of the view.
TEST(SplitViewRoundTrips, NarrowedThePanesStillEndAtTheEdge)
{
    Design design;
    design.thickness = 1;
    design.sizes = {81, 410, 235, 31, 5, 122, 2};
    for (size_t i = 0; i < design.sizes.size(); ++i) {
        design.limits.emplace_back(1.0f, 0.0f);
        design.collapsible.push_back(false);
    }
    Window shown(make(design), windowSize(design, 892));
    shown.show();
    ASSERT_EQ(shown.length(), 892);
    expectFills(*shown.view, "892");
    for (const int length : {453, 300, 60, 20, 12, 892}) {
        shown.window->resize(windowSize(design, length));
        Window::settle();
        shown.view->adjustSubviews();
        expectFills(*shown.view, std::to_string(length));
    }
}

// The checks of a seeded run by kind: how many were made, how many missed, and the
// first miss of each kind.
struct Tally
{
    struct Kind
    {
        int checks = 0, misses = 0;
        std::string first;
    };
    std::map<std::string, Kind> kinds;

    void check(const std::string &kind, bool held, const std::string &what)
    {
        Kind &k = kinds[kind];
        ++k.checks;
        if (!held && k.misses++ == 0)
            k.first = what;
    }
    void expectNoMisses() const
    {
        for (const auto &[name, k] : kinds)
            EXPECT_EQ(k.misses, 0) << name << ": " << k.misses << " of " << k.checks << " missed; the first:\n"
                                   << k.first;
    }
};

// Seeded random splits of 2 to 7 panes with limits and collapsible panes, resized,
// collapsed, expanded, dragged, set to sizes ending in exactly one half and hidden in
// a shown window. After every step the
// panes fill the view, and no limit gives way while another pane could take the
// difference. What the view saved reads back to the same panes and is saved again as
// the same text: in the same view; in new views of the same size (the next launch),
// restored once shown and restored before, while they still have another size and
// lay out at it; and in the view read from its archive (which also comes back as it
// was, before any text is applied).
TEST(SplitViewRoundTrips, WhatTheViewWritesReadsBackEverywhere)
{
    Tally tally;
    int roundTrips = 0, squeezedTrips = 0;
    for (unsigned seed = 1; seed <= 30; ++seed) {
        std::mt19937 random(seed);
        const auto uniform = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        Design design;
        design.horizontal = uniform(0, 1) == 1;
        design.thickness = float(uniform(0, 3) * 3 + 1);
        const int count = uniform(2, 7);
        for (int i = 0; i < count; ++i) {
            design.sizes.push_back(float(uniform(5, 500)));
            const int limited = uniform(0, 8);
            if (limited == 0) {
                design.limits.emplace_back(9999999.0f, 0.0f); // a minimum no room meets
            } else if (limited <= 3) {
                const int minimum = uniform(1, 120);
                design.limits.emplace_back(float(minimum), uniform(0, 1) ? float(minimum + uniform(0, 400)) : 0.0f);
            } else {
                design.limits.emplace_back(1.0f, 0.0f);
            }
            design.collapsible.push_back(uniform(0, 1) == 1);
        }
        int length = uniform(200, 1500);
        Window original(make(design), windowSize(design, length));
        const QString name = u"Round trips"_qs;
        const QString key = ZQSplitView::defaultsKeyForName(name, design.horizontal);
        original.view->setAutosaveName(name, false);
        original.view->restoreState(false);
        original.show();

        for (int step = 0; step < 60; ++step) {
            const std::string where =
                "seed " + std::to_string(seed) + " step " + std::to_string(step) + " (" + describe(design) + ")";
            ZQSplitSubview *pane = original.view->subviewAtPosition(unsigned(uniform(0, count - 1)));
            const int operation = uniform(0, 7);
            if (operation < 2) {
                length = uniform(40, 1500);
                original.window->resize(windowSize(design, length));
            } else if (operation == 7) {
                pane->setDimension(float(uniform(1, 800)) + 0.5f); // an exact half
            } else {
                changePane(*original.view, *pane, operation - 2, uniform, 200, 800, true);
            }
            Window::settle();
            expectFills(*original.view, where);
            const std::string giving = limitsGivingWay(*original.view);
            tally.check("limits", giving.empty(), where + ": " + giving + "\n " + describe(panesOf(*original.view)));

            // What the view saved after its layout (nothing when it was squeezed).
            ZQSplitView::removeStateUsingName(name);
            original.view->adjustSubviews();
            const QString text = platform::UserDefaults::standardUserDefaults().objectForKey(key).toString();
            if (text.isEmpty()) {
                // Squeezed: the view read from its archive shows the same panes.
                const Panes squeezed = panesOf(*original.view);
                platform::KeyedUnarchiver reader(archived(*original.view));
                ZQSplitView *copy = ZQSplitView::fromCoder(reader);
                ASSERT_NE(copy, nullptr) << where;
                Window read(copy, original.window->size());
                read.show();
                tally.check("squeezed, unarchived", panesOf(*read.view) == squeezed,
                            where + "\n expected " + describe(squeezed) + "\n got      " + describe(panesOf(*read.view)));
                ++squeezedTrips;
                continue;
            }
            ASSERT_EQ(text, original.view->stringWithSavedState()) << where;
            const Panes expected = panesOf(*original.view);
            const QSize size = original.window->size();
            const auto same = [&](const std::string &kind, const ZQSplitView &view) {
                const Panes panes = panesOf(view);
                const QString again = view.stringWithSavedState();
                const std::string what = where + "\n text     " + text.toStdString() + "\n again    "
                                         + again.toStdString() + "\n expected " + describe(expected) + "\n got      "
                                         + describe(panes);
                tally.check(kind + ", sizes", panes == expected, what);
                tally.check(kind + ", saved again", again == text, what);
                expectFills(view, where + " " + kind);
            };

            // The same view.
            ASSERT_TRUE(original.view->setStateFromString(text)) << where;
            Window::settle();
            same("same view", *original.view);

            // New views of the same size that start at another, restored when shown and
            // before, with what the event loop has to do done in between.
            const QSize start = windowSize(design, uniform(40, 1500));
            Window shown(make(design, start), size);
            shown.show();
            ASSERT_TRUE(shown.view->setStateFromString(text)) << where;
            Window::settle();
            Window unshown(make(design, start), size);
            ASSERT_TRUE(unshown.view->setStateFromString(text)) << where;
            Window::settle();
            unshown.show();
            ASSERT_EQ(shown.window->size(), size) << where;
            ASSERT_EQ(unshown.window->size(), size) << where;
            same("new view, restored when shown", *shown.view);
            same("new view, restored before shown", *unshown.view);

            // The view read from its archive, as it comes and with the text applied.
            const QByteArray data = archived(*original.view);
            platform::KeyedUnarchiver unarchiver(data);
            ZQSplitView *decoded = ZQSplitView::fromCoder(unarchiver);
            ASSERT_NE(decoded, nullptr) << where;
            Window read(decoded, size);
            read.show();
            same("unarchived", *read.view);
            ASSERT_TRUE(read.view->setStateFromString(text)) << where;
            Window::settle();
            same("unarchived, text applied", *read.view);
            ++roundTrips;
        }
    }
    tally.expectNoMisses();
    EXPECT_GT(roundTrips, 600);
    EXPECT_GT(squeezedTrips, 50);
}

// The report's relaunch: a state saved at 804 × 1039 and restored in new views of
// that size, whatever sizes their panes start with, gives the sizes it was saved with.
TEST(SplitViewRoundTrips, ARelaunchGivesTheSavedSizes)
{
    std::mt19937 random(804);
    for (int run = 0; run < 720; ++run) {
        const auto uniform = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        Design design;
        design.horizontal = true;
        design.thickness = 7;
        for (int i = 0; i < 4; ++i)
            design.sizes.push_back(float(uniform(1, 1200)));
        design.limits.assign(4, {1.0f, 0.0f});
        design.collapsible = {false, false, true, false};
        const bool shownFirst = run % 2 == 0;
        Window fresh(make(design, QSize(804, 1039)), QSize(804, 1039));
        if (shownFirst)
            fresh.show();
        ASSERT_TRUE(fresh.view->setStateFromString(u"4 381.457 559.315 -2.34023 77.2276"_qs));
        if (!shownFirst)
            fresh.show();
        Window::settle();
        const Panes panes = panesOf(*fresh.view);
        ASSERT_EQ(panes.sizes, (std::vector<int>{381, 559, 0, 78})) << "run " << run << ": " << describe(panes);
        ASSERT_EQ(panes.collapsed, (std::vector<bool>{false, false, true, false})) << describe(panes);
        expectFills(*fresh.view, "relaunch");
    }
}

// The report: two collapsed panes whose minimums don't fit beside a pane held at its
// maximum stay collapsed, and the shown pane takes the room; the state comes back so
// in a new view of that width, restored before or after it is shown.
TEST(SplitViewRoundTrips, CollapsedPanesThatDoNotFitStayCollapsed)
{
    Design design;
    design.thickness = 5;
    design.sizes = {60, 60, 68};
    design.limits = {{183.0f, 0.0f}, {250.0f, 0.0f}, {1.0f, 1.0f}};
    design.collapsible = {true, true, false};
    const QSize size(188, 120); // 178 for the panes
    Window shown(make(design, size), size);
    shown.show();
    shown.view->subviewAtPosition(0)->collapse();
    shown.view->subviewAtPosition(1)->collapse();
    Window::settle();
    shown.view->adjustSubviews();
    const Panes expected{{0, 0, 178}, {true, true, false}, {false, false, false}};
    EXPECT_EQ(panesOf(*shown.view), expected) << describe(panesOf(*shown.view));
    const QString text = shown.view->stringWithSavedState();
    EXPECT_EQ(text, u"3 -183 -250 1"_qs);
    for (const bool shownFirst : {true, false}) {
        Window fresh(make(design, size), size);
        if (shownFirst)
            fresh.show();
        ASSERT_TRUE(fresh.view->setStateFromString(text));
        if (!shownFirst)
            fresh.show();
        Window::settle();
        EXPECT_EQ(panesOf(*fresh.view), expected) << describe(panesOf(*fresh.view));
    }

    // A minimum that fits is taken up again: the pane shows at it.
    shown.view->subviewAtPosition(0)->setMinDimension(120, 0);
    shown.view->adjustSubviews();
    EXPECT_EQ(panesOf(*shown.view), (Panes{{177, 0, 1}, {false, true, false}, {false, false, false}}))
        << describe(panesOf(*shown.view));
    expectFills(*shown.view, "a minimum that fits");
}

// Limits are whole numbers within what a frame may be: an infinite or huge one is
// cut to the largest, one that is not a number falls back to the defaults; and an
// archive whose limit is past a float's range is refused, not read as infinite.
TEST(SplitViewRoundTrips, LimitsStayWithinWhatAFrameMayBe)
{
    ZQSplitSubview pane;
    pane.setMinDimension(2.5f, std::numeric_limits<float>::infinity());
    EXPECT_EQ(pane.minDimension(), 2);
    EXPECT_EQ(pane.maxDimension(), ZQSplitSubview::LargestDimension);
    pane.setMinDimension(3e38f, 0);
    EXPECT_EQ(pane.minDimension(), ZQSplitSubview::LargestDimension);
    EXPECT_EQ(pane.maxDimension(), ZQSplitSubview::LargestDimension);
    pane.setMinDimension(std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(pane.minDimension(), 1);
    EXPECT_EQ(pane.maxDimension(), 1000000);

    const auto paneArchive = [](double minimum, double maximum) {
        platform::KeyedArchiver archiver;
        archiver.encodeRect(QRectF(0, 0, 140, 100), u"frame"_qs);
        archiver.encodeDouble(minimum, u"minDimension"_qs);
        archiver.encodeDouble(maximum, u"maxDimension"_qs);
        return archiver.finishEncoding().value_or(QByteArray());
    };
    {
        platform::KeyedUnarchiver reader(paneArchive(60, 1e86));
        EXPECT_EQ(std::unique_ptr<ZQSplitSubview>(ZQSplitSubview::fromCoder(reader)), nullptr);
    }
    {
        platform::KeyedUnarchiver reader(paneArchive(1e39, 200));
        EXPECT_EQ(std::unique_ptr<ZQSplitSubview>(ZQSplitSubview::fromCoder(reader)), nullptr);
    }
    platform::KeyedUnarchiver reader(paneArchive(60, 3e38));
    const std::unique_ptr<ZQSplitSubview> decoded(ZQSplitSubview::fromCoder(reader));
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->maxDimension(), ZQSplitSubview::LargestDimension);

    // A split view with the largest limits writes a state and an archive it reads back.
    Design design;
    design.sizes = {300, 200};
    design.limits = {{1.0f, 3e38f}, {1e9f, 0.0f}};
    design.collapsible = {true, false};
    Window shown(make(design, QSize(509, 120)), QSize(509, 120));
    shown.show();
    const QString text = shown.view->stringWithSavedState();
    const Panes before = panesOf(*shown.view);
    Window fresh(make(design, QSize(509, 120)), QSize(509, 120));
    fresh.show();
    ASSERT_TRUE(fresh.view->setStateFromString(text)) << text.toStdString();
    Window::settle();
    EXPECT_EQ(panesOf(*fresh.view), before) << text.toStdString();
    platform::KeyedUnarchiver viewReader(archived(*shown.view));
    ZQSplitView *copy = ZQSplitView::fromCoder(viewReader);
    ASSERT_NE(copy, nullptr);
    Window read(copy, QSize(509, 120));
    read.show();
    EXPECT_EQ(panesOf(*read.view), before);
}

// A pane alone in its split view (the only one shown) never collapses, whatever its
// own flag or the delegate says and however it is asked: it fills the view.
TEST(SplitViewRoundTrips, APaneAloneNeverCollapses)
{
    Design design;
    design.sizes = {300, 200};
    design.limits = {{100.0f, 0.0f}, {1.0f, 0.0f}};
    design.collapsible = {true, true};
    Window shown(make(design, QSize(509, 120)), QSize(509, 120));
    shown.show();
    ZQSplitSubview *pane = shown.view->subviewAtPosition(0);
    shown.view->subviewAtPosition(1)->setVisible(false);
    Window::settle();
    const auto alone = [&](const char *what) {
        Window::settle();
        shown.view->adjustSubviews();
        EXPECT_FALSE(pane->isCollapsed()) << what;
        EXPECT_EQ(pane->width(), shown.view->width()) << what;
        expectFills(*shown.view, what);
    };
    alone("hidden neighbour");
    EXPECT_FALSE(pane->canCollapse());
    EXPECT_EQ(pane->collapse(), 0.0f);
    alone("collapse");
    EXPECT_FALSE(pane->collapseWithAnimation(false, true));
    alone("collapse, not animated");
    pane->changeDimensionBy(-480, true, false);
    alone("shrunk past its minimum");
    ASSERT_TRUE(shown.view->setStateFromString(u"2 -300 200H"_qs));
    alone("a state that says collapsed");
    CollapsingDelegate delegate;
    shown.view->setDelegate(&delegate);
    EXPECT_FALSE(pane->canCollapse());
    pane->collapse();
    alone("the delegate says yes");
    shown.window->resize(40, 120);
    alone("narrowed below its minimum");
    shown.view->setDelegate(nullptr);
}

#include "TestSplitViewRoundTrips.moc"
