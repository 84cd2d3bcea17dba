// Saved state texts of split views and their place in the user defaults.
#include "SplitViewTestSupport.h"

#include "platform/foundation/UserDefaults.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <random>

using namespace splitviewtest;

namespace {

// The standard defaults are resolved at first use: keep them out of the user's home.
const testsupport::ScopedXdgHome xdgHome;

QVariant stored(const QString &key)
{
    return platform::UserDefaults::standardUserDefaults().objectForKey(key);
}

TEST(SplitViewState, TextsOfThePanes)
{
    auto view = makeSplitView({200, 150, 300});
    for (unsigned i = 0; i < 3; ++i)
        view->subviewAtPosition(i)->setCanCollapse(true);
    ASSERT_TRUE(view->setStateFromString(u"3 200 150H -300"_qs));
    EXPECT_EQ(along(*view, 0), 200);
    EXPECT_TRUE(view->subviewAtPosition(1)->isHiddenPane());
    EXPECT_TRUE(view->subviewAtPosition(2)->isCollapsed());
    EXPECT_EQ(view->subviewAtPosition(2)->dimension(), 300);
    EXPECT_EQ(view->stringWithSavedState(), u"3 200 150H -300"_qs);

    auto two = makeSplitView({150, 150});
    two->subviewAtPosition(1)->setCanCollapse(true);
    ASSERT_TRUE(two->setStateFromString(u"2 100 -0"_qs));
    EXPECT_EQ(along(*two, 0), 100);
    EXPECT_TRUE(two->subviewAtPosition(1)->isCollapsed());

    ASSERT_TRUE(two->setStateFromString(u"2 99.75 200.25"_qs));
    EXPECT_EQ(along(*two, 0), 99);
    EXPECT_EQ(along(*two, 1), 200);
    EXPECT_EQ(two->stringWithSavedState(), u"2 99.75 200.25"_qs);
}

// A collapsed pane comes back with the size it has, however large its limits make it:
// the text holds every digit of a size that six don't (up to the largest a pane takes).
TEST(SplitViewState, LargeSizesReadBackAsTheyWere)
{
    for (const float minimum : {1234567.0f, 9999999.0f, ZQSplitSubview::LargestDimension}) {
        auto view = makeSplitView({200, 150});
        ZQSplitSubview *pane = view->subviewAtPosition(0);
        pane->setCanCollapse(true);
        pane->setMinDimension(minimum, 0);
        ASSERT_LT(pane->collapse(), 0);
        view->adjustSubviews();
        ASSERT_TRUE(pane->isCollapsed());
        ASSERT_EQ(pane->dimension(), minimum);
        const QString text = view->stringWithSavedState();
        EXPECT_EQ(text.split(u' ').value(1).toDouble(), -double(minimum)) << text.toStdString();

        auto fresh = makeSplitView({200, 150});
        fresh->subviewAtPosition(0)->setCanCollapse(true);
        fresh->subviewAtPosition(0)->setMinDimension(minimum, 0);
        ASSERT_TRUE(fresh->setStateFromString(text)) << text.toStdString();
        fresh->adjustSubviews();
        EXPECT_TRUE(fresh->subviewAtPosition(0)->isCollapsed());
        EXPECT_EQ(fresh->subviewAtPosition(0)->dimension(), minimum);
        EXPECT_EQ(fresh->stringWithSavedState(), text);
    }
}

// Refused texts change nothing, down to the last remainder.
TEST(SplitViewState, BadTextsAreRefusedWhole)
{
    auto view = makeSplitView({100, 100});
    view->subviewAtPosition(1)->setCanCollapse(true);
    ASSERT_TRUE(view->setStateFromString(u"2 120.5 80.5"_qs));
    const QString before = view->stringWithSavedState();
    const QRectF frame0 = view->subviewAtPosition(0)->frame(), frame1 = view->subviewAtPosition(1)->frame();
    for (const char16_t *text :
         {u"", u"2", u"3 100 200", u"2 100 200 300", u"2 nan 100", u"2 100 inf", u"2 -inf 100", u"2 1e39 100",
          u"2 100 -1e300", u"2 100 x", u"2 100 ", u"2  100 100", u"2.0 100 100", u"x 100 100", u"2 100H5 100",
          u"2 100 H", u"2 0x10 100", u"2 100 100HH"}) {
        EXPECT_FALSE(view->setStateFromString(QString::fromUtf16(text))) << QString::fromUtf16(text).toStdString();
        EXPECT_EQ(view->stringWithSavedState(), before) << QString::fromUtf16(text).toStdString();
        EXPECT_EQ(view->subviewAtPosition(0)->frame(), frame0);
        EXPECT_EQ(view->subviewAtPosition(1)->frame(), frame1);
    }
    // Negative numbers stay valid: they mark collapsed panes.
    EXPECT_TRUE(view->setStateFromString(u"2 120 -80"_qs));
    EXPECT_TRUE(view->subviewAtPosition(1)->isCollapsed());
}

TEST(SplitViewState, TextsIgnoreTheProcessLocale)
{
    const std::string old = std::setlocale(LC_ALL, nullptr);
    // A German locale, for its decimal comma: the system's, or one made here from the
    // C library's locale sources (package "locales") when the system has none.
    QTemporaryDir localeDir;
    const QByteArray oldLocPath = qgetenv("LOCPATH");
    const bool hadLocPath = qEnvironmentVariableIsSet("LOCPATH");
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
        QProcess localedef;
        localedef.start(QStringLiteral("localedef"),
                        {QStringLiteral("-c"), QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                         QStringLiteral("UTF-8"), localeDir.filePath(QStringLiteral("de_DE.UTF-8"))});
        localedef.waitForFinished(60000);
        qputenv("LOCPATH", QFile::encodeName(localeDir.path()));
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
            if (hadLocPath)
                qputenv("LOCPATH", oldLocPath);
            else
                qunsetenv("LOCPATH");
            GTEST_SKIP() << "no de_DE.UTF-8 locale and none could be made (localedef, package locales)";
        }
    }
    char printed[32];
    std::snprintf(printed, sizeof printed, "%g", 99.75);
    EXPECT_STREQ(printed, "99,75"); // what printf would have stored
    auto view = makeSplitView({150, 150});
    EXPECT_TRUE(view->setStateFromString(u"2 99.75 200.25"_qs));
    EXPECT_EQ(view->stringWithSavedState(), u"2 99.75 200.25"_qs);
    std::setlocale(LC_ALL, old.c_str());
    if (hadLocPath)
        qputenv("LOCPATH", oldLocPath);
    else
        qunsetenv("LOCPATH");
}

TEST(SplitViewState, SavedUnderTheNameOnlyWhenAllowed)
{
    const QString vKey = u"ZQSplitView V Main"_qs;
    auto view = makeSplitView({100, 100, 100});
    auto *nested = new ZQSplitView(QRectF(0, 0, 100, 100), 2);
    view->addSubview(nested, 2);
    EXPECT_EQ(ZQSplitView::defaultsKeyForName(u"Main"_qs, false), vKey);

    view->setAutosaveName(u"Main"_qs, true);
    EXPECT_EQ(nested->autosaveName(), u"Main[2]"_qs);
    EXPECT_FALSE(view->saveState(true)); // before the first restore
    EXPECT_FALSE(stored(vKey).isValid());
    EXPECT_FALSE(view->restoreState(true)); // nothing saved yet
    view->adjustSubviews();
    EXPECT_TRUE(stored(vKey).isValid()); // saved after the layout
    EXPECT_EQ(stored(vKey).toString(), view->stringWithSavedState());
    nested->restoreState(false);
    EXPECT_TRUE(view->saveState(true));
    EXPECT_EQ(stored(u"ZQSplitView H Main[2]"_qs).toString(), nested->stringWithSavedState());

    // Restoring reads the text back.
    platform::UserDefaults::standardUserDefaults().setString(u"4 50 60 70 80"_qs, vKey);
    EXPECT_TRUE(view->restoreState(false));
    EXPECT_EQ(along(*view, 0), 50);

    // Renaming drops the old keys; no name, no saving.
    view->setAutosaveName(u"Other"_qs, true);
    EXPECT_FALSE(stored(vKey).isValid());
    EXPECT_FALSE(stored(u"ZQSplitView H Main[2]"_qs).isValid());
    EXPECT_EQ(nested->autosaveName(), u"Other[2]"_qs);
    view->setAutosaveName(QString(), true);
    EXPECT_EQ(nested->autosaveName(), QString());
    EXPECT_FALSE(view->saveState(false));
}

// A text restored into a view that is not shown yet stays saved through the layouts
// at the sizes the view has until it is shown; shown at the text's size, the view
// has the text's sizes and saves them.
TEST(SplitViewState, ATextWaitingForTheViewToBeShownIsNotSavedOver)
{
    const QString key = u"ZQSplitView V Waiting"_qs;
    const QString text = u"7 28.2178 205.053 27.3133 37 -29 112 288.531"_qs;
    auto view = makeSplitView({10, 10, 10, 10, 10, 10, 10}, 1);
    view->subviewAtPosition(4)->setCanCollapse(true);
    view->subviewAtPosition(4)->setMinDimension(20, 0);
    view->setAutosaveName(u"Waiting"_qs, false);
    platform::UserDefaults::standardUserDefaults().setString(text, key);
    ASSERT_TRUE(view->restoreState(false));
    for (const float width : {500.0f, 1300.0f, 640.0f}) {
        view->setFrame(QRectF(0, 0, width, 300));
        view->adjustSubviews();
        EXPECT_EQ(stored(key).toString(), text) << width;
    }
    view->setFrame(QRectF(0, 0, 704, 300));
    view->show();
    QCoreApplication::processEvents();
    const std::vector<float> expected{28, 205, 27, 37, 0, 112, 289};
    for (unsigned i = 0; i < 7; ++i)
        EXPECT_EQ(along(*view, i), expected[i]) << i;
    EXPECT_EQ(stored(key).toString(), view->stringWithSavedState());
    view->setAutosaveName(QString(), false);
}

TEST(SplitViewState, NoSavingWhileDragging)
{
    auto view = makeSplitView({100, 100});
    QImage image(9, 30, QImage::Format_ARGB32);
    image.fill(Qt::gray);
    view->setDivider(image);
    view->setAutosaveName(u"Drag"_qs, false);
    view->restoreState(false);
    view->adjustSubviews();
    const QString key = u"ZQSplitView V Drag"_qs;
    view->show();
    QTest::mousePress(view.get(), Qt::LeftButton, {}, QPoint(104, 50));
    ASSERT_TRUE(view->isDragging());
    EXPECT_FALSE(view->saveState(false));
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, QPoint(124, 50));
    EXPECT_FALSE(view->isDragging());
    EXPECT_EQ(stored(key).toString(), u"2 120 80"_qs); // saved when the drag ended
}

TEST(SplitViewState, ArraysCoverTheTree)
{
    auto view = makeSplitView({100, 100});
    auto *nested = new ZQSplitView(QRectF(0, 0, 100, 100), 2);
    view->addSubview(nested);
    view->adjustSubviews();
    const QVariantList states = view->arrayWithStates();
    ASSERT_EQ(states.size(), 4);
    EXPECT_FALSE(states.at(1).isValid());
    EXPECT_EQ(states.at(3).toList().size(), 3);
    EXPECT_TRUE(view->setStatesFromArray(states));
    QVariantList wrong = states;
    wrong[1] = QVariantList{u"1 5"_qs};
    EXPECT_FALSE(view->setStatesFromArray(wrong));
    EXPECT_FALSE(view->setStatesFromArray(states.mid(0, 3)));
}

// Narrowed below the sum of the minimums, with no pane that may collapse: the panes
// share the room, none goes below zero or shows collapsed, and the saved state keeps
// the user's sizes for when there is room again.
TEST(SplitViewState, TooNarrowForTheMinimumsThePanesShareTheRoomAndTheStateWaits)
{
    auto view = makeSplitView({227, 227, 228});
    ASSERT_EQ(view->frame().width(), 700);
    for (unsigned i = 0; i < 3; ++i)
        view->subviewAtPosition(i)->setMinDimension(200, 0);
    view->setAutosaveName(u"Narrow"_qs, false);
    view->restoreState(false);
    view->adjustSubviews();
    const QString key = u"ZQSplitView V Narrow"_qs;
    ASSERT_EQ(stored(key).toString(), u"3 227 227 228"_qs);

    view->setFrame(QRectF(0, 0, 400, 100)); // 382 for panes that want 600
    EXPECT_EQ(along(*view, 0) + along(*view, 1) + along(*view, 2), 382);
    for (unsigned i = 0; i < 3; ++i) {
        ZQSplitSubview *pane = view->subviewAtPosition(i);
        EXPECT_NEAR(along(*view, i), 127.3, 1) << i; // a third each, as their minimums are equal
        EXPECT_FALSE(pane->isCollapsed()) << i;
        EXPECT_EQ(pane->status(), 0) << i;
        EXPECT_GE(pane->ZQ___fraction(), -1) << i;
        EXPECT_LE(pane->ZQ___fraction(), 1) << i;
    }
    EXPECT_EQ(view->dividerRects().at(1).right(), 400 - along(*view, 2));
    EXPECT_EQ(stored(key).toString(), u"3 227 227 228"_qs);

    // Not even a pixel each: one each, past the bounds, never less.
    view->setFrame(QRectF(0, 0, 20, 100));
    for (unsigned i = 0; i < 3; ++i)
        EXPECT_EQ(along(*view, i), 1) << i;
    EXPECT_EQ(stored(key).toString(), u"3 227 227 228"_qs);

    // Widened again, the panes are back at the user's sizes, and so is the saved state.
    view->setFrame(QRectF(0, 0, 700, 100));
    EXPECT_EQ(along(*view, 0), 227);
    EXPECT_EQ(along(*view, 1), 227);
    EXPECT_EQ(along(*view, 2), 228);
    ASSERT_TRUE(view->restoreState(false));
    view->adjustSubviews();
    EXPECT_EQ(along(*view, 0), 227);
    EXPECT_EQ(along(*view, 1), 227);
    EXPECT_EQ(along(*view, 2), 228);

    // Panes of unequal minimums share in proportion to them, and come back to the
    // sizes they had (not in proportion to their minimums) through any number of
    // squeezes.
    auto uneven = makeSplitView({120, 250, 312});
    uneven->subviewAtPosition(0)->setMinDimension(100, 0);
    uneven->subviewAtPosition(1)->setMinDimension(100, 0);
    uneven->subviewAtPosition(2)->setMinDimension(200, 0);
    uneven->setFrame(QRectF(0, 0, 218, 100)); // 200 for panes that want 400
    EXPECT_EQ(along(*uneven, 0), 50);
    EXPECT_EQ(along(*uneven, 1), 50);
    EXPECT_EQ(along(*uneven, 2), 100);
    uneven->setFrame(QRectF(0, 0, 118, 100));
    EXPECT_EQ(along(*uneven, 0) + along(*uneven, 1) + along(*uneven, 2), 100);
    uneven->setFrame(QRectF(0, 0, 700, 100));
    EXPECT_EQ(along(*uneven, 0), 120);
    EXPECT_EQ(along(*uneven, 1), 250);
    EXPECT_EQ(along(*uneven, 2), 312);
}

// Seeded random resizes, collapses, expansions, drags, hidings, saves and restores
// of split views of two to five panes. After every step: no pane has a negative or
// infinite size; no limit gives way while another pane could take the difference; a
// collapsed pane's share lies within 0…1; an expanded pane's remainder is a rounding
// one and leaves a size of at least 0 (a pane that takes what panes held at their
// limits leave over carries it as its remainder, so its size in the state stays
// within its limits); a pane that may not collapse shows whenever there
// is a pixel for each; a squeezed layout leaves the stored state as it was; the
// stored text holds sizes within the panes' limits; restoring it gives its sizes
// back; and expanded panes squeezed to a sliver come back to their sizes when
// widened again.
TEST(SplitViewState, RandomOperationsKeepSizesSharesAndSavedStatesSound)
{
    const QString name = u"Random"_qs;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 random(seed);
        const auto uniform = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        const int count = uniform(2, 5);
        std::vector<float> sizes;
        for (int i = 0; i < count; ++i)
            sizes.push_back(float(uniform(20, 300)));
        const bool horizontal = uniform(0, 1) == 1;
        auto view = makeSplitView(sizes, float(uniform(0, 2) * 4 + 1), horizontal);
        // Shown: a text restored into a view not shown yet waits for it, unsaved over.
        view->show();
        for (unsigned i = 0; i < unsigned(count); ++i) {
            ZQSplitSubview *pane = view->subviewAtPosition(i);
            const int minimum = uniform(1, 150);
            pane->setMinDimension(float(minimum), uniform(0, 2) == 0 ? float(minimum + uniform(0, 400)) : 0.0f);
            pane->setCanCollapse(uniform(0, 1) == 1);
        }
        ZQSplitView::removeStateUsingName(name);
        view->setAutosaveName(name, false);
        view->restoreState(false);
        view->adjustSubviews();
        const QString key = ZQSplitView::defaultsKeyForName(name, horizontal);
        const auto length = [&] { return float(horizontal ? view->frame().height() : view->frame().width()); };
        const auto setLength = [&](float value) {
            view->setFrame(horizontal ? QRectF(0, 0, 100, value) : QRectF(0, 0, value, 100));
            view->adjustSubviews();
        };
        const auto nominalSizes = [&] {
            std::vector<double> shown;
            for (ZQSplitSubview *p : view->ZQ___subviews())
                shown.push_back(along(*view, p->position()) + p->ZQ___fraction());
            return shown;
        };
        // Squeezed: the minimums of the shown panes that are not collapsed need at
        // least a pixel more than there is.
        const auto squeezed = [&] {
            double minimums = 0;
            for (ZQSplitSubview *p : view->ZQ___subviews()) {
                if (!p->isCollapsed())
                    minimums += p->minDimension();
            }
            const int gaps = int(view->ZQ___numberOfSubviews()) - 1;
            return minimums - (length() - float(gaps) * view->dividerThickness()) >= 1.0;
        };
        const auto collapsedFlags = [&] {
            std::vector<bool> flags;
            for (ZQSplitSubview *p : view->ZQ___subviews())
                flags.push_back(p->isCollapsed());
            return flags;
        };
        const auto numbers = [](const QString &text) {
            std::vector<std::pair<double, bool>> values;
            const QStringList parts = text.split(u' ');
            for (qsizetype i = 1; i < parts.size(); ++i) {
                const bool hidden = parts.at(i).endsWith(u'H');
                values.emplace_back(QStringView(parts.at(i)).chopped(hidden ? 1 : 0).toDouble(), hidden);
            }
            return values;
        };

        for (int step = 0; step < 150; ++step) {
            const std::string where = "seed " + std::to_string(seed) + " step " + std::to_string(step);
            ZQSplitSubview *pane = view->subviewAtPosition(unsigned(uniform(0, count - 1)));
            const QString storedBefore = stored(key).toString();
            const int operation = uniform(0, 8);
            switch (operation) {
            case 0:
            case 1:
                setLength(float(uniform(1, 1200)));
                break;
            case 2:
            case 3:
            case 4:
            case 5:
            case 6:
                changePane(*view, *pane, operation - 2, uniform, 300, 600, false);
                break;
            case 7: {
                // What the last layout stored comes back when restored.
                if (squeezed())
                    break;
                const QString text = stored(key).toString();
                ASSERT_TRUE(view->restoreState(false)) << where << " " << text.toStdString();
                view->adjustSubviews();
                const auto values = numbers(text);
                for (int i = 0; i < count; ++i) {
                    const ZQSplitSubview *p = view->subviewAtPosition(unsigned(i));
                    EXPECT_EQ(p->isHiddenPane(), values[size_t(i)].second) << where << " " << text.toStdString();
                    if (values[size_t(i)].first > 0 && !p->isHiddenPane()) {
                        // The size with its remainder (a stretched last pane carries the stretch there).
                        EXPECT_NEAR(along(*view, unsigned(i)) + p->ZQ___fraction(), values[size_t(i)].first, 1.0)
                            << where << " pane " << i << " of " << text.toStdString();
                    }
                }
                break;
            }
            default: {
                // Squeezed to a sliver and widened again: the sizes from before (with
                // their remainders; the frames may differ by the pixel the last pane takes).
                const std::vector<bool> collapsedBefore = collapsedFlags();
                if (squeezed() || std::find(collapsedBefore.begin(), collapsedBefore.end(), true) != collapsedBefore.end())
                    break;
                const std::vector<double> before = nominalSizes();
                const float wide = length();
                setLength(float(uniform(1, 30)));
                if (!squeezed())
                    break;
                setLength(wide);
                const std::vector<double> after = nominalSizes();
                ASSERT_EQ(after.size(), before.size()) << where;
                for (size_t i = 0; i < after.size(); ++i)
                    EXPECT_NEAR(after[i], before[i], 1.0) << where << " shown pane " << i;
                break;
            }
            }
            view->adjustSubviews();
            const std::string giving = limitsGivingWay(*view);
            EXPECT_TRUE(giving.empty()) << where << ": " << giving;

            const float room = view->ZQ___dimensionWithoutDividers();
            const unsigned shown = view->ZQ___numberOfSubviews();
            for (ZQSplitSubview *p : view->ZQ___subviews()) {
                const float size = along(*view, p->position());
                ASSERT_TRUE(std::isfinite(size) && size >= 0) << where;
                if (p->isCollapsed()) {
                    EXPECT_GE(p->ZQ___fraction(), 0) << where;
                    EXPECT_LE(p->ZQ___fraction(), 1) << where;
                    if (room >= float(shown)) {
                        EXPECT_TRUE(p->canCollapse()) << where << ": a pane that may not collapse shows collapsed";
                    }
                } else {
                    // Rounding remainders, at most half a pixel for each shown pane.
                    EXPECT_LE(p->ZQ___fraction(), 0.5 * shown + 1) << where;
                    EXPECT_GE(size + p->ZQ___fraction(), 0) << where;
                }
            }
            const QString text = stored(key).toString();
            if (squeezed()) {
                EXPECT_EQ(text, storedBefore) << where << ": a squeezed layout saved its sizes";
            }
            const auto values = numbers(text);
            ASSERT_EQ(values.size(), size_t(count)) << where << " " << text.toStdString();
            for (int i = 0; i < count; ++i) {
                const ZQSplitSubview *p = view->subviewAtPosition(unsigned(i));
                const double value = values[size_t(i)].first;
                EXPECT_TRUE(std::isfinite(value)) << where << " " << text.toStdString();
                if (values[size_t(i)].second)
                    continue; // hidden: what it had when it left the layout
                EXPECT_LE(std::fabs(value), double(p->maxDimension()) + 1) << where << " " << text.toStdString();
                if (value > 0) {
                    EXPECT_GE(value, double(p->minDimension()) - 1) << where << " " << text.toStdString();
                }
            }
        }
    }
}


// The sizes of every pane along the split direction, and which are collapsed or hidden.
struct Layout
{
    std::vector<float> sizes;
    std::vector<bool> collapsed;
    std::vector<bool> hidden;
    std::vector<std::pair<float, float>> limits;
    bool operator==(const Layout &o) const { return sizes == o.sizes && collapsed == o.collapsed && hidden == o.hidden; }
};

Layout layoutOf(const ZQSplitView &view)
{
    Layout layout;
    for (ZQSplitSubview *pane : view.allSubviews()) {
        // A hidden pane is out of the layout: it has no size to show.
        const bool hidden = pane->isHiddenPane();
        layout.sizes.push_back(hidden ? 0.0f : along(view, pane->position()));
        layout.collapsed.push_back(!hidden && pane->isCollapsed());
        layout.limits.emplace_back(pane->minDimension(), pane->maxDimension());
        layout.hidden.push_back(pane->isHiddenPane());
    }
    return layout;
}

std::string describe(const Layout &layout)
{
    std::string text;
    for (size_t i = 0; i < layout.limits.size(); ++i)
        text += "[" + std::to_string(int(layout.limits[i].first)) + "," + std::to_string(int(layout.limits[i].second)) + "] ";
    for (size_t i = 0; i < layout.sizes.size(); ++i)
        text += QString::number(layout.sizes[i]).toStdString() + (layout.collapsed[i] ? "C" : "") + (layout.hidden[i] ? "H " : " ");
    return text;
}

// The text of the report: three panes 183, 524 and 75 wide, the middle one with a
// remainder of a third and the last one stretched by the pixel the others left.
TEST(SplitViewState, ATextRestoredAtItsSizeMovesNoPixel)
{
    auto view = makeSplitView({183, 524, 75});
    ASSERT_TRUE(view->setStateFromString(u"3 183 524.33 74"_qs));
    view->adjustSubviews();
    EXPECT_EQ(along(*view, 0), 183);
    EXPECT_EQ(along(*view, 1), 524);
    EXPECT_EQ(along(*view, 2), 75);

    // Six digits would read a remainder just past one half as one half: the text
    // says which way the pane rounds.
    auto halves = makeSplitView({101, 100});
    ASSERT_TRUE(halves->setStateFromString(u"2 100.5000001 100"_qs));
    halves->adjustSubviews();
    ASSERT_EQ(along(*halves, 0), 101);
    const QString text = halves->stringWithSavedState();
    EXPECT_EQ(text.split(u' ').value(1), u"100.501"_qs);
    ASSERT_TRUE(halves->setStateFromString(text));
    halves->adjustSubviews();
    EXPECT_EQ(along(*halves, 0), 101);
    EXPECT_EQ(along(*halves, 1), 100);

    // Restored at another size the panes share the change as before.
    ASSERT_TRUE(view->setStateFromString(u"3 183 524.33 74"_qs));
    view->setFrame(QRectF(0, 0, 1600, 100));
    view->adjustSubviews();
    EXPECT_GT(along(*view, 0), 183 * 1.9);
    EXPECT_GT(along(*view, 1), 524 * 1.9);
    EXPECT_GT(along(*view, 2), 74 * 1.9);
}

// Whatever the panes went through, the state saved after a layout and restored at the
// same size gives every pane the size it had, collapsed and hidden panes included.
TEST(SplitViewState, SavedAndRestoredAtTheSameSizeGivesTheSameSizes)
{
    int roundTrips = 0;
    for (unsigned seed = 1; seed <= 60; ++seed) {
        std::mt19937 random(seed);
        const auto uniform = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        auto view = seededSplitView(uniform, 700);
        const int count = int(view->allSubviews().size());
        const bool horizontal = view->isHorizontal();
        const auto setLength = [&](float value) {
            view->setFrame(horizontal ? QRectF(0, 0, 100, value) : QRectF(0, 0, value, 100));
        };
        const QString name = u"Round trip"_qs;
        const QString key = ZQSplitView::defaultsKeyForName(name, horizontal);
        view->setAutosaveName(name, false);
        view->restoreState(false);
        for (int step = 0; step < 120; ++step) {
            const std::string where = "seed " + std::to_string(seed) + " step " + std::to_string(step);
            ZQSplitSubview *pane = view->subviewAtPosition(unsigned(uniform(0, count - 1)));
            const int operation = uniform(0, 6);
            switch (operation) {
            case 0:
            case 1:
                setLength(float(uniform(40, 2500)));
                break;
            default:
                changePane(*view, *pane, operation - 2, uniform, 200, 800, false);
                break;
            }
            // What the layout saved, if it saved (a squeezed layout keeps no state).
            ZQSplitView::removeStateUsingName(name);
            view->adjustSubviews();
            const QString text = stored(key).toString();
            if (text.isEmpty())
                continue;
            ASSERT_EQ(text, view->stringWithSavedState()) << where;

            const Layout before = layoutOf(*view);
            ASSERT_TRUE(view->restoreState(false)) << where << " " << text.toStdString();
            view->adjustSubviews();
            const Layout after = layoutOf(*view);
            ASSERT_EQ(after, before) << where << "\n text  " << text.toStdString() << "\n before " << describe(before)
                                     << "\n after  " << describe(after);
            ++roundTrips;
        }
    }
    EXPECT_GT(roundTrips, 3000);
}

} // namespace
