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

#include <clocale>

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

} // namespace
