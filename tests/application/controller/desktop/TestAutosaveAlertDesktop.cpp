// The autosave's question about a document whose file another application changed,
// met on a plain X desktop (openbox on the private Xvfb of run-in-desktop.sh) while
// the person types in another window: the keys stay there, the document's window asks
// for attention, and the question takes the keyboard once the person comes to that
// window. After Cancel the window's title says that the document is not autosaved,
// until it is saved. Keys travel through the X server (xdotool).
#include "tests/application/controller/TestAppControllerSupport.h"
#include "tests/support/DesktopTestSupport.h"
#include "tests/support/TestSupport.h"

#include "application/base/DefaultsKeys.h"
#include "application/document/MyDocument.h"
#include "platform/foundation/NotificationCenter.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace appcontrollertest;

namespace {

constexpr int Patience = 15000; // ms to wait for the X server and the window manager

bool run(const QStringList &arguments)
{
    return desktoptest::runProgram(QStringLiteral("xdotool"), arguments) == 0;
}

// The window manager lists the window among those that demand attention.
bool demandsAttention(const QWidget *window)
{
    QByteArray output;
    desktoptest::runProgram(QStringLiteral("xprop"),
                            {QStringLiteral("-id"), QString::number(window->winId()), QStringLiteral("_NET_WM_STATE")},
                            &output);
    return output.contains("_NET_WM_STATE_DEMANDS_ATTENTION");
}

QMessageBox *shownAlert(const QWidget *window)
{
    for (QMessageBox *box : window->findChildren<QMessageBox *>()) {
        if (box->isVisible())
            return box;
    }
    return nullptr;
}

} // namespace

class AutosaveAlertDesktop : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run with QT_QPA_PLATFORM=xcb on an X server";
        if (!desktoptest::WindowManager::isInstalled())
            GTEST_SKIP() << "openbox and xprop are needed";
        resetProgramDefaults();
        testDocumentServices()->soundPlayer = [](const QString &) {};
        m_windowManager = std::make_unique<desktoptest::WindowManager>();
        ASSERT_TRUE(m_windowManager->isRunning());
    }
    void TearDown() override
    {
        destroyController(controller);
        controller = nullptr;
        testDocumentServices()->soundPlayer = {};
        m_windowManager.reset();
    }

    AppController *controller = nullptr;
    QTemporaryDir files;
    std::unique_ptr<desktoptest::WindowManager> m_windowManager;
};

TEST_F(AutosaveAlertDesktop, TheQuestionWaitsForItsWindowAndTheTitleTellsOfTheCancel)
{
    programDefaults().setInteger(5, AutoSaveTimerKey);
    controller = makeController();
    platform::NotificationCenter::defaultCenter().post(PrefsChangedNotification);
    auto *document = qobject_cast<MyDocument *>(controller->openUntitledDocument(true));
    ASSERT_NE(document, nullptr);
    addJob(document, QStringLiteral("Filed"));
    document->setFilePath(files.filePath(QStringLiteral("shared.chronark")));
    bool saved = false;
    document->saveDocumentWithCompletion([&](bool ok) { saved = ok; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return saved; }, Patience));
    QWidget *window = document->mainWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window, Patience));
    const QString title = window->windowTitle();

    // The person writes in another window; meanwhile the document has changes of its
    // own, and another application changes its file.
    QLineEdit notes;
    notes.setWindowTitle(QStringLiteral("Notes"));
    notes.resize(320, 60);
    notes.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&notes, Patience));
    notes.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&notes, Patience));
    ASSERT_TRUE(run({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), QStringLiteral("abc")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notes.text() == QStringLiteral("abc"); }, Patience));
    addJob(document, QStringLiteral("Mine"));
    document->updateChangeCount(platform::Document::ChangeType::Done);
    QByteArray theirs = testsupport::readFile(document->filePath());
    theirs.replace("Filed", "Their job");
    ASSERT_TRUE(testsupport::writeFile(document->filePath(), theirs));

    controller->doTimer(controller->autoSaveTimer());
    ASSERT_TRUE(QTest::qWaitFor([&] { return demandsAttention(window); }, Patience)) << "the window asks for attention";
    ASSERT_TRUE(run({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), QStringLiteral("def")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notes.text() == QStringLiteral("abcdef"); }, Patience))
        << "the keys stay where the person types: " << notes.text().toStdString();
    EXPECT_TRUE(notes.isActiveWindow());
    EXPECT_EQ(shownAlert(window), nullptr) << "the question waits on its window";

    // The person comes to the document's window: the question shows there with the
    // keyboard, and Escape answers it.
    ASSERT_TRUE(run({QStringLiteral("windowactivate"), QString::number(window->winId())}));
    QMessageBox *box = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            box = shownAlert(window);
            return box && box->isActiveWindow();
        },
        Patience));
    EXPECT_EQ(box->text(), QStringLiteral("The file has been changed by another application since you opened or saved it."));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !demandsAttention(window); }, Patience));
    const QPointer<QMessageBox> question(box);
    ASSERT_TRUE(run({QStringLiteral("key"), QStringLiteral("Escape")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !question || !question->isVisible(); }, Patience));
    EXPECT_EQ(notes.text(), QStringLiteral("abcdef"));

    // Not autosaved, and the title says so until the person saves.
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->windowTitle() != title; }, Patience));
    EXPECT_TRUE(window->windowTitle().contains(QStringLiteral("not autosaved"))) << window->windowTitle().toStdString();
    controller->doTimer(controller->autoSaveTimer());
    testsupport::settleEvents();
    EXPECT_EQ(shownAlert(window), nullptr);
    EXPECT_EQ(testsupport::readFile(document->filePath()), theirs);

    document->saveDocumentWithCompletion([](bool) {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return (box = shownAlert(window)) != nullptr; }, Patience));
    box->button(QMessageBox::Save)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !document->isDocumentEdited(); }, Patience));
    EXPECT_EQ(window->windowTitle(), title);
    EXPECT_TRUE(testsupport::readFile(document->filePath()).contains("Mine"));
}
