// Alerts and sheets that end in a completion handler: each handler runs exactly once.
#include "tests/support/TestSupport.h"
#include "AppKitExtensions/NTXNSAlertExtensions.h"
#include "AppKitExtensions/NTXNSApplicationExtension.h"
#include "AppKitExtensions/NTXAlertSheetCompletionHandlerRunner.h"
#include "platform/foundation/AssertionHandler.h"
#include "platform/foundation/Exception.h"
#include "platform/drawing/Sheet.h"

#include <QAbstractButton>
#include <QDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace NTXNSAlertExtensions;
namespace app = NTXNSApplicationExtension;
using app::beginSheet;
using app::endSheet;
using app::isSheetRunning;

namespace {

struct Calls
{
    int count = 0;
    int code = 0;
    QPointer<QMessageBox> alert;
    bool sawNullAlert = false;
};

CompletionHandler recorder(Calls &calls)
{
    return [&calls](QMessageBox *alert, int code) {
        ++calls.count;
        calls.code = code;
        calls.alert = alert;
        calls.sawNullAlert = alert == nullptr;
    };
}

// Lets the event loop run a while after the expected call, so a second call would show.
void settle()
{
    testsupport::settleEvents();
}

QAbstractButton *buttonTitled(QMessageBox *alert, const QString &title)
{
    for (QAbstractButton *button : alert->buttons())
        if (button->text() == title)
            return button;
    return nullptr;
}

} // namespace

TEST(AlertSheet, HandlerGetsTheAlertAndTheButtonsReturnCodeOnce)
{
    QMainWindow window;
    window.show();
    auto *alert = new QMessageBox();
    addButtonWithTitle(alert, QStringLiteral("Save"));
    addButtonWithTitle(alert, QStringLiteral("Cancel"));
    addButtonWithTitle(alert, QStringLiteral("Don't Save"));
    Calls calls;
    beginSheetModalForWindow(alert, &window, recorder(calls));
    EXPECT_EQ(alert->parentWidget(), &window);
    EXPECT_EQ(platform::Sheet::activeSheet(), alert);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(calls.count, 0) << "returns at once";

    buttonTitled(alert, QStringLiteral("Don't Save"))->click();
    ASSERT_TRUE(QTest::qWaitFor([&calls]() { return calls.count > 0; }));
    settle();
    EXPECT_EQ(calls.count, 1);
    EXPECT_EQ(calls.code, AlertThirdButtonReturn);
    EXPECT_EQ(calls.alert, alert);
    EXPECT_FALSE(alert->isVisible());
}

TEST(AlertSheet, TheHandlerMayDeleteOrReuseTheAlert)
{
    QMainWindow window;
    window.show();
    auto *alert = new QMessageBox(&window);
    addButtonWithTitle(alert, QStringLiteral("OK"));
    int runs = 0;
    int codes = 0;
    beginSheetModalForWindow(alert, &window, [&](QMessageBox *ended, int code) {
        ++runs;
        codes += code;
        // reuse: run it once more, then delete it in the second handler
        beginSheetModalForWindow(ended, &window, [&](QMessageBox *again, int secondCode) {
            ++runs;
            codes += secondCode;
            delete again;
        });
    });
    QPointer<QMessageBox> guard(alert);
    buttonTitled(alert, QStringLiteral("OK"))->click();
    ASSERT_TRUE(QTest::qWaitFor([&]() { return runs == 1 && guard && guard->isVisible(); }));
    buttonTitled(alert, QStringLiteral("OK"))->click();
    ASSERT_TRUE(QTest::qWaitFor([&]() { return runs == 2; }));
    settle();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(codes, 2 * AlertFirstButtonReturn);
    EXPECT_TRUE(guard.isNull());
}

TEST(AlertSheet, ClosingTheWindowEndsTheAlertOnce)
{
    QMainWindow window;
    window.show();
    auto *alert = new QMessageBox();
    addButtonWithTitle(alert, QStringLiteral("OK"));
    Calls calls;
    beginSheetModalForWindow(alert, &window, recorder(calls));
    window.close();
    ASSERT_TRUE(QTest::qWaitFor([&calls]() { return calls.count > 0; }));
    settle();
    EXPECT_EQ(calls.count, 1);
    EXPECT_EQ(calls.code, ModalResponseAbort);
    EXPECT_FALSE(alert->isVisible());
    // a later click changes nothing
    buttonTitled(alert, QStringLiteral("OK"))->click();
    settle();
    EXPECT_EQ(calls.count, 1);
}

TEST(AlertSheet, DestroyingTheAlertEndsItOnce)
{
    auto window = std::make_unique<QMainWindow>();
    window->show();
    auto *alert = new QMessageBox();
    addButtonWithTitle(alert, QStringLiteral("OK"));
    Calls calls;
    beginSheetModalForWindow(alert, window.get(), recorder(calls));
    delete alert;
    ASSERT_TRUE(QTest::qWaitFor([&calls]() { return calls.count > 0; }));
    settle();
    EXPECT_EQ(calls.count, 1);
    EXPECT_TRUE(calls.sawNullAlert);
    EXPECT_EQ(calls.code, ModalResponseAbort);
}

TEST(AlertSheet, DestroyingTheWindowEndsItOnce)
{
    auto *window = new QMainWindow();
    window->show();
    auto *alert = new QMessageBox();
    addButtonWithTitle(alert, QStringLiteral("OK"));
    Calls calls;
    beginSheetModalForWindow(alert, window, recorder(calls));
    delete window; // takes the alert with it
    ASSERT_TRUE(QTest::qWaitFor([&calls]() { return calls.count > 0; }));
    settle();
    EXPECT_EQ(calls.count, 1);
    EXPECT_EQ(calls.code, ModalResponseAbort);
}

TEST(AlertSheet, ANullHandlerIsAllowed)
{
    QMainWindow window;
    window.show();
    auto *alert = new QMessageBox(&window);
    addButtonWithTitle(alert, QStringLiteral("OK"));
    beginSheetModalForWindow(alert, &window, nullptr);
    buttonTitled(alert, QStringLiteral("OK"))->click();
    settle();
    EXPECT_FALSE(alert->isVisible());
}

TEST(AlertSheet, RunnerRefusesAnotherAlert)
{
    QMessageBox own;
    QMessageBox other;
    NTXAlertSheetCompletionHandlerRunner runner(&own, nullptr);
    try {
        runner.alertDidEnd(&other, 1000);
        ADD_FAILURE() << "another alert was taken";
    } catch (const platform::Exception &e) {
        EXPECT_EQ(e.name(), platform::Exception::InternalInconsistencyException);
        EXPECT_EQ(e.userInfo().value(platform::AssertionHandler::FileKey).toString(),
                  QStringLiteral("AppKitExtensions/NTXNSAlert.Extensions"));
        EXPECT_EQ(e.userInfo().value(platform::AssertionHandler::LineKey).toInt(), 46);
    }
    EXPECT_FALSE(runner.hasEnded());
}

TEST(AlertSheet, BeginAlertSheetBuildsButtonsAndText)
{
    QMainWindow window;
    window.show();
    Calls calls;
    NTXBeginAlertSheetWithHandler(QStringLiteral("Delete the job?"), QStringLiteral("Delete"), QString(), QString(),
                                  &window, recorder(calls));
    auto *alert = window.findChild<QMessageBox *>();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->buttons().size(), 1);
    EXPECT_EQ(alert->text(), QStringLiteral("Delete the job?"));
    EXPECT_TRUE(alert->informativeText().isEmpty()) << "no format, no informative text";
    QTest::keyClick(alert, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&calls]() { return calls.count > 0; }));
    EXPECT_EQ(calls.code, AlertFirstButtonReturn);
    // the alert goes after the handler
    EXPECT_TRUE(QTest::qWaitFor([&calls]() { return calls.alert.isNull(); }));

    Calls second;
    NTXBeginAlertSheetWithHandler(QStringLiteral("Save?"), QStringLiteral("Save"), QStringLiteral("Cancel"),
                                  QStringLiteral("Don't Save"), &window, recorder(second),
                                  QStringLiteral("%@ has %d unsaved %s (%.1f h)."),
                                  {QStringLiteral("Report"), 3, QStringLiteral("changes"), 2.26});
    alert = window.findChild<QMessageBox *>();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->buttons().size(), 3);
    EXPECT_EQ(alert->informativeText(), QStringLiteral("Report has 3 unsaved changes (2.3 h)."));
    QTest::keyClick(alert, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&second]() { return second.count > 0; }));
    EXPECT_EQ(second.code, AlertSecondButtonReturn) << "Escape answers the second button";
}

TEST(AlertSheet, FormatTextHandlesPositionsAndMissingArguments)
{
    EXPECT_EQ(formatText(QStringLiteral("%2$@ before %1$@"), {QStringLiteral("a"), QStringLiteral("b")}),
              QStringLiteral("b before a"));
    EXPECT_EQ(formatText(QStringLiteral("100%% of %@ and %@"), {QStringLiteral("one")}),
              QStringLiteral("100% of one and "));
    EXPECT_EQ(formatText(QStringLiteral("%05d|%x|%c"), {42, 255, QStringLiteral("Zed")}), QStringLiteral("00042|ff|Z"));
    EXPECT_EQ(formatText(QStringLiteral("trailing %"), {}), QStringLiteral("trailing %"));
    EXPECT_EQ(formatText(QStringLiteral("%ld items"), {7}), QStringLiteral("7 items"));
}

// ---- Sheets of any window ----

TEST(Sheet, EndSheetCallsTheBlockOnceAndLeavesTheSheetShown)
{
    QMainWindow window;
    window.show();
    auto *sheet = new QWidget();
    int calls = 0;
    int code = 0;
    beginSheet(sheet, &window, [&](int returnCode) {
        ++calls;
        code = returnCode;
    });
    EXPECT_EQ(sheet->parentWidget(), &window);
    EXPECT_EQ(platform::Sheet::activeSheet(), sheet);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_TRUE(isSheetRunning(sheet));
    EXPECT_TRUE(endSheet(sheet, app::ModalResponseOK));
    EXPECT_FALSE(endSheet(sheet, app::ModalResponseOK)) << "a sheet ends once";
    settle();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(code, app::ModalResponseOK);
    EXPECT_TRUE(sheet->isVisible()) << "ordering the sheet out is the block's job";
    sheet->hide();
    settle();
    EXPECT_EQ(calls, 1);
}

TEST(Sheet, DialogSheetsEndWithTheirResult)
{
    QMainWindow window;
    window.show();
    auto *dialog = new QDialog();
    QList<int> codes;
    beginSheet(dialog, &window, [&](int returnCode) { codes.append(returnCode); });
    EXPECT_TRUE(dialog->isVisible());
    dialog->done(7);
    settle();
    EXPECT_EQ(codes, (QList<int>{7}));
    EXPECT_FALSE(dialog->isVisible());
}

TEST(Sheet, WindowGoingAwayOrSheetDestroyedAbortsOnce)
{
    QMainWindow window;
    window.show();
    auto *sheet = new QWidget();
    QList<int> codes;
    beginSheet(sheet, &window, [&](int returnCode) { codes.append(returnCode); });
    window.hide();
    settle();
    EXPECT_EQ(codes, (QList<int>{app::ModalResponseAbort}));

    window.show();
    auto *second = new QWidget();
    QList<int> secondCodes;
    beginSheet(second, &window, [&](int returnCode) { secondCodes.append(returnCode); });
    delete second;
    settle();
    EXPECT_EQ(secondCodes, (QList<int>{app::ModalResponseAbort}));
    EXPECT_FALSE(isSheetRunning(second));
}

TEST(Sheet, BeginningAgainEndsTheRunningOne)
{
    QMainWindow window;
    window.show();
    QWidget *sheet = new QWidget();
    QList<int> first, second;
    beginSheet(sheet, &window, [&](int c) { first.append(c); });
    beginSheet(sheet, &window, [&](int c) { second.append(c); });
    endSheet(sheet, 5);
    settle();
    EXPECT_EQ(first, (QList<int>{app::ModalResponseAbort}));
    EXPECT_EQ(second, (QList<int>{5}));
    beginSheet(nullptr, &window, [&](int c) { first.append(c); });
    settle();
    EXPECT_EQ(first.size(), 1);
}
