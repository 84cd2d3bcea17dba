// Sheets: one at a time per window, the end handler once and one pass later, and
// every sheet of a window that goes away aborted.
#include "platform/drawing/Sheet.h"
#include "tests/support/TestSupport.h"

#include <QDialog>
#include <QMainWindow>
#include <QPointer>
#include <gtest/gtest.h>

namespace {

using platform::Sheet::Aborted;

TEST(Sheet, ASecondSheetWaitsUntilTheFirstOnesHandlerRan)
{
    QMainWindow window;
    window.show();
    auto *first = new QDialog;
    auto *second = new QDialog;
    QList<QString> log;
    platform::Sheet::begin(first, &window, [&](int result) {
        log.append(QStringLiteral("first %1, second %2").arg(result).arg(second->isVisible() ? "shown" : "waiting"));
    });
    platform::Sheet::begin(second, &window, [&](int result) { log.append(QStringLiteral("second %1").arg(result)); });
    EXPECT_EQ(platform::Sheet::sheetOfWindow(&window), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(second->isVisible()) << "one sheet per window";
    EXPECT_TRUE(platform::Sheet::isRunning(second));

    first->done(3);
    EXPECT_TRUE(log.isEmpty()) << "the handler runs in the next pass, not inside done()";
    testsupport::settleEvents();
    EXPECT_EQ(log, QList<QString>{QStringLiteral("first 3, second waiting")});
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(second->windowModality(), Qt::WindowModal);
    EXPECT_EQ(platform::Sheet::sheetOfWindow(&window), second);

    second->done(4);
    testsupport::settleEvents();
    EXPECT_EQ(log.size(), 2);
    EXPECT_EQ(log.last(), QStringLiteral("second 4"));
    EXPECT_EQ(platform::Sheet::sheetOfWindow(&window), nullptr);
}

TEST(Sheet, AWindowThatGoesAbortsItsShownAndWaitingSheetsOnce)
{
    auto *window = new QMainWindow;
    window->show();
    QPointer<QDialog> shown = new QDialog;
    QPointer<QDialog> waiting = new QDialog;
    QList<int> shownResults;
    QList<int> waitingResults;
    platform::Sheet::begin(shown, window, [&](int result) { shownResults.append(result); });
    platform::Sheet::begin(waiting, window, [&](int result) { waitingResults.append(result); });
    EXPECT_EQ(shown->parentWidget(), window) << "the sheet becomes the window's";

    delete window;
    EXPECT_TRUE(shown.isNull());
    EXPECT_TRUE(waiting.isNull());
    testsupport::settleEvents();
    EXPECT_EQ(shownResults, QList<int>{Aborted});
    EXPECT_EQ(waitingResults, QList<int>{Aborted});
}

TEST(Sheet, WithoutAWindowTheSheetIsApplicationModal)
{
    QDialog dialog;
    int result = 0;
    platform::Sheet::begin(&dialog, nullptr, [&](int r) { result = r; });
    EXPECT_EQ(dialog.windowModality(), Qt::ApplicationModal);
    EXPECT_TRUE(dialog.isVisible());
    dialog.accept();
    testsupport::settleEvents();
    EXPECT_EQ(result, int(QDialog::Accepted));
}

} // namespace
