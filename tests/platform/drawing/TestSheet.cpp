// Sheets: one at a time per window (and one at a time without a window), the end
// handler once and one pass later, and every sheet of a window that goes away aborted.
#include "platform/drawing/Sheet.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <memory>
#include <random>
#include <vector>

#include <QDialog>
#include <QMainWindow>
#include <QPointer>
#include <QTest>
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
    EXPECT_EQ(platform::Sheet::activeSheet(), second);
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

// Several sheets without a window (alerts of requests that came one after another)
// take turns: one shows at a time, in front, the next once the one before it was
// answered; each handler runs once. Random begins, answers and hidings, checked after
// every step.
TEST(Sheet, WithoutAWindowSheetsTakeTurnsOneAtATime)
{
    std::mt19937 random(20261208);
    struct Begun
    {
        QPointer<QDialog> dialog;
        int handled = 0;
    };
    std::vector<std::unique_ptr<Begun>> begun;
    // The sheets begun and not answered yet, in the order they were begun.
    auto unanswered = [&] {
        std::vector<Begun *> found;
        for (const auto &b : begun) {
            if (b->handled == 0)
                found.push_back(b.get());
        }
        return found;
    };
    for (int step = 0; step < 200; ++step) {
        SCOPED_TRACE(step);
        const int action = std::uniform_int_distribution<int>(0, 3)(random);
        const std::vector<Begun *> waiting = unanswered();
        if (action <= 1 || waiting.empty()) {
            auto entry = std::make_unique<Begun>();
            entry->dialog = new QDialog;
            entry->dialog->setAttribute(Qt::WA_DeleteOnClose);
            Begun *raw = entry.get();
            begun.push_back(std::move(entry));
            platform::Sheet::begin(raw->dialog, nullptr, [raw](int) { ++raw->handled; });
        } else if (action == 2) {
            // The one shown is answered (a key, a button).
            if (QDialog *front = waiting.front()->dialog)
                front->accept();
        } else {
            // One that waits, or the one shown, goes away unanswered.
            Begun *any = waiting[size_t(std::uniform_int_distribution<int>(0, int(waiting.size()) - 1)(random))];
            delete any->dialog.data();
        }
        testsupport::settleEvents();
        const std::vector<Begun *> now = unanswered();
        int visible = 0;
        for (const auto &b : begun) {
            EXPECT_LE(b->handled, 1);
            visible += b->dialog && b->dialog->isVisible() ? 1 : 0;
        }
        // The first of those still open shows; the others wait hidden.
        EXPECT_EQ(visible, now.empty() ? 0 : 1);
        if (!now.empty()) {
            ASSERT_TRUE(now.front()->dialog);
            EXPECT_TRUE(now.front()->dialog->isVisible());
            EXPECT_EQ(now.front()->dialog->windowModality(), Qt::ApplicationModal);
            EXPECT_EQ(QApplication::activeModalWidget(), now.front()->dialog.data());
        }
    }
    for (const auto &b : begun)
        delete b->dialog.data();
    testsupport::settleEvents();
    for (const auto &b : begun)
        EXPECT_EQ(b->handled, 1);
}

} // namespace

// The person types in another window of the application: a sheet begun on a window
// that is not the active one waits, leaving the keyboard where it is, and shows with
// the keyboard once its window becomes active. A sheet on the active window, or on a
// window while one of its own sheets is active, shows at once.
TEST(Sheet, ASheetWaitsForItsWindowWhileThePersonWorksInAnother)
{
    QMainWindow document;
    document.setWindowTitle(QStringLiteral("document"));
    QMainWindow other;
    other.setWindowTitle(QStringLiteral("other"));
    document.show();
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));

    auto *alert = new QDialog;
    int result = 0;
    platform::Sheet::begin(alert, &document, [&](int r) { result = r; });
    testsupport::settleEvents();
    EXPECT_EQ(platform::Sheet::sheetOfWindow(&document), alert);
    EXPECT_FALSE(alert->isVisible()) << "it waits for its window";
    EXPECT_EQ(QApplication::activeWindow(), &other) << "the keyboard stays where the person types";

    document.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return alert->isVisible() && alert->isActiveWindow(); }));
    EXPECT_EQ(platform::Sheet::activeSheet(), alert);

    // The person goes to the other window and comes back by activating the document
    // window itself: the keyboard goes on to its sheet.
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    document.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return alert->isActiveWindow(); })) << "the sheet has the keyboard";

    // A second sheet of the same window, begun while the first is active, waits only
    // for the first to end.
    auto *next = new QDialog;
    platform::Sheet::begin(next, &document, [&](int r) { result = r; });
    alert->done(7);
    ASSERT_TRUE(QTest::qWaitFor([&] { return next->isVisible(); }));
    next->done(8);
    testsupport::settleEvents();
    EXPECT_EQ(result, 8);
    delete alert;
    delete next;
}

// A dialog begun on a sheet (or a dialog) of a window shows at once, also while the
// window under that sheet is still the active one, as when the desktop has not yet
// activated the sheet: the keyboard stays within the window's family.
TEST(Sheet, ADialogBegunOnASheetShowsAtOnceWhileTheWindowUnderItIsActive)
{
    QMainWindow document;
    document.show();
    auto *sheet = new QDialog(&document);
    sheet->show();
    document.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&document));
    ASSERT_TRUE(sheet->isVisible());

    auto *dialog = new QDialog;
    int result = 0;
    platform::Sheet::begin(dialog, sheet, [&](int r) { result = r; });
    EXPECT_TRUE(dialog->isVisible()) << "no waiting for the sheet to become active";
    dialog->done(5);
    testsupport::settleEvents();
    EXPECT_EQ(result, 5);
    delete dialog;
    delete sheet;
}
