// Keys and windows as a person meets them on a plain X desktop: the private Xvfb of
// run-in-desktop.sh with openbox managing the windows and no desktop environment,
// so Qt's platform theme binds no key to Save As or Preferences. Keys travel
// through the X server (xdotool); a question about one document waits while the
// person types in another window. Screenshots of the delete assistant and of the
// crash-report offer, with the window manager's decorations, go to
// $CHRONARK_SCREENSHOT_DIR (else next to the test program), at the scale factor of
// the run and at 2 (a second run of this program).
#include "tests/application/controller/TestAppControllerSupport.h"
#include "tests/support/DesktopTestSupport.h"
#include "tests/support/TestSupport.h"

#include "NTXAppKit/preferences/NTXPreferenceWindowController.h"
#include "NTXAppKit/reporting/NTXCrashReporter.h"
#include "NTXAppKit/reporting/NTXModalRunner.h"
#include "application/document/DeleteAssistant.h"
#include "application/sheets/DeleteAssistantSheet.h"
#include "application/controller/ApplicationInfo.h"
#include "application/document/MyDocument.h"
#include "platform/foundation/NotificationCenter.h"
#include "application/base/DefaultsKeys.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <memory>

using namespace appcontrollertest;

namespace {

constexpr int Patience = 15000; // ms to wait for the X server and the window manager

// The decorations the window manager put around the window (_NET_FRAME_EXTENTS, in
// device-independent pixels); none before it manages the window.
QMargins frameExtents(const QWidget *window)
{
    QByteArray output;
    if (desktoptest::runProgram(QStringLiteral("xprop"),
                                {QStringLiteral("-id"), QString::number(window->winId()),
                                 QStringLiteral("_NET_FRAME_EXTENTS")},
                                &output)
        != 0)
        return {};
    const qsizetype at = output.indexOf('=');
    if (at < 0)
        return {};
    const QList<QByteArray> numbers = output.mid(at + 1).trimmed().split(',');
    if (numbers.size() != 4)
        return {};
    const qreal ratio = window->devicePixelRatioF();
    auto side = [&](int i) { return int(std::lround(numbers[i].trimmed().toInt() / ratio)); };
    return QMargins(side(0), side(2), side(1), side(3));
}

// Whether the window manager has framed the window with a title bar.
bool isFramed(const QWidget *window)
{
    return frameExtents(window).top() > 0;
}

bool key(const QString &combination)
{
    return desktoptest::runProgram(QStringLiteral("xdotool"),
                                   {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), combination})
        == 0;
}

bool type(const QString &text)
{
    return desktoptest::runProgram(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"),
                                                               QStringLiteral("30"), text})
        == 0;
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

// The screenshot folder of every test, never the build's.
QString screenshotFolder()
{
    return QFileInfo(testsupport::screenshotPath(QStringLiteral("x"))).path();
}

// The windows as the screen shows them, decorations included (the root window's
// pixels of the united frames).
QImage grabFrames(const QList<const QWidget *> &windows)
{
    QRect area;
    for (const QWidget *window : windows)
        area |= window->geometry().marginsAdded(frameExtents(window));
    QScreen *screen = windows.first()->screen();
    area &= screen->geometry();
    return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

// The frames once the screen shows them settled: two grabs in a row alike (the
// window manager draws its decorations after the window).
QImage grabSettled(const QList<const QWidget *> &windows)
{
    QImage last;
    QImage settled;
    (void)QTest::qWaitFor(
        [&] {
            const QImage now = grabFrames(windows);
            if (!now.isNull() && now == last)
                settled = now;
            last = now;
            return !settled.isNull();
        },
        Patience);
    return settled;
}

QString scaleSuffix()
{
    const QByteArray factor = qgetenv("QT_SCALE_FACTOR");
    return factor.isEmpty() ? QStringLiteral("1") : QString::fromLatin1(factor);
}

} // namespace

class KeysAndMenusDesktop : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run with QT_QPA_PLATFORM=xcb on an X server";
        if (!desktoptest::WindowManager::isInstalled())
            GTEST_SKIP() << "openbox and xprop are needed";
        resetProgramDefaults();
        testDocumentServices()->soundPlayer = [](const QString &) {};
        testDocumentServices()->idleSecondsSource = [] { return 0.0; };
        m_windowManager = std::make_unique<desktoptest::WindowManager>();
        ASSERT_TRUE(m_windowManager->isRunning());
    }
    void TearDown() override
    {
        destroyController(controller);
        controller = nullptr;
        testDocumentServices()->soundPlayer = {};
        testDocumentServices()->idleSecondsSource = {};
        m_windowManager.reset();
    }

    // A shown, active document window with a job, framed by the window manager.
    MyDocument *activeDocument()
    {
        auto *document = qobject_cast<MyDocument *>(controller->openUntitledDocument(true));
        EXPECT_NE(document, nullptr);
        if (!document)
            return nullptr;
        addJob(document, QStringLiteral("Acme"));
        auto *window = qobject_cast<QMainWindow *>(document->mainWindow());
        controller->installApplicationMenu(window->menuBar());
        EXPECT_TRUE(QTest::qWaitFor([window] { return isFramed(window); }, Patience)) << "no window manager";
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window, Patience));
        return window->isActiveWindow() && isFramed(window) ? document : nullptr;
    }

    AppController *controller = nullptr;
    std::unique_ptr<desktoptest::WindowManager> m_windowManager;
};

// No desktop environment: Qt binds no key to Save As or Preferences, the menus give
// them Ctrl+Shift+S and Ctrl+,, and the keys pressed on the X server reach them.
TEST_F(KeysAndMenusDesktop, SaveAsAndPreferencesKeysWorkUnderAPlainWindowManager)
{
    controller = makeController();
    MyDocument *document = activeDocument();
    ASSERT_NE(document, nullptr);
    QWidget *window = document->mainWindow();
    EXPECT_TRUE(QKeySequence::keyBindings(QKeySequence::SaveAs).isEmpty()) << "a desktop environment's theme";

    ASSERT_TRUE(key(QStringLiteral("ctrl+shift+s")));
    QFileDialog *dialog = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (QFileDialog *found : window->findChildren<QFileDialog *>()) {
                if (found->isVisible())
                    dialog = found;
            }
            return dialog != nullptr;
        },
        Patience));
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    dialog->reject();
    ASSERT_TRUE(QTest::qWaitFor([dialog = QPointer(dialog)] { return !dialog || !dialog->isVisible(); }, Patience));

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window, Patience));
    ASSERT_TRUE(key(QStringLiteral("ctrl+comma")));
    ASSERT_TRUE(QTest::qWaitFor(
        [this] {
            NTXPreferenceWindowController *preferences = controller->preferenceController();
            return preferences && preferences->existingWindow() && preferences->existingWindow()->isVisible();
        },
        Patience));
    controller->preferenceController()->existingWindow()->close();
}

// The delete assistant's question and the crash-report offer as the screen shows
// them under openbox; the offer's frame holds its whole title. The run at scale
// factor 1 makes the pictures at 2 in a second run of this program.
TEST_F(KeysAndMenusDesktop, DeleteAssistantAndCrashOfferScreenshots)
{
    controller = makeController();
    MyDocument *document = activeDocument();
    ASSERT_NE(document, nullptr);
    QWidget *window = document->mainWindow();
    const QString suffix = scaleSuffix();
    ApplicationInfo::install();

    document->deleteAssistantSheet().deleteAssistant(nullptr);
    DeleteAssistantSheet *sheet = document->deleteAssistantSheet().deleteWindow();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet, Patience));
    ASSERT_TRUE(QTest::qWaitFor([sheet] { return isFramed(sheet) || sheet->windowFlags().testFlag(Qt::FramelessWindowHint); }, Patience));
    EXPECT_EQ(sheet->kindTag(), 3);
    EXPECT_EQ(sheet->conditionTag(), 1);
    const QImage question = grabSettled({window, sheet});
    ASSERT_FALSE(question.isNull());
    const QString questionFile = screenshotFolder() + QStringLiteral("/delete-assistant-x%1.png").arg(suffix);
    ASSERT_TRUE(question.save(questionFile));
    std::cout << "screenshot: " << questionFile.toStdString() << std::endl;
    sheet->reject();

    std::unique_ptr<QMessageBox> offer = NTXCrashReporter::makeCrashAlert();
    offer->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(offer.get(), Patience));
    ASSERT_TRUE(QTest::qWaitFor([&] { return isFramed(offer.get()); }, Patience));
    EXPECT_GE(offer->width(), NTXModalRunner::minimumAlertWidth(*offer));
    EXPECT_TRUE(offer->informativeText().contains(NTXCrashReporter::displayName()));
    const QImage shot = grabSettled({offer.get()});
    ASSERT_FALSE(shot.isNull());
    const QString offerFile = screenshotFolder() + QStringLiteral("/crash-offer-x%1.png").arg(suffix);
    ASSERT_TRUE(shot.save(offerFile));
    std::cout << "screenshot: " << offerFile.toStdString() << std::endl;
    offer->hide();

    if (!qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR"))
        return;
    // The same at scale factor 2, in a program of its own (the factor is read at start).
    destroyController(controller);
    controller = nullptr;
    m_windowManager.reset();
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    environment.insert(QStringLiteral("CHRONARK_SCREENSHOT_DIR"), screenshotFolder());
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=KeysAndMenusDesktop.DeleteAssistantAndCrashOfferScreenshots")});
    ASSERT_TRUE(child.waitForStarted(Patience));
    ASSERT_TRUE(child.waitForFinished(120000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0);
}

// The autosave's question about a document whose file another application changed,
// while the person types in another window: the keys stay there, the document's
// window asks for attention, and the question takes the keyboard once the person
// comes to that window. After Cancel the window's title says that the document is
// not autosaved, until it is saved.
TEST_F(KeysAndMenusDesktop, TheAutosaveQuestionWaitsForItsWindowAndTheTitleTellsOfTheCancel)
{
    programDefaults().setInteger(5, AutoSaveTimerKey);
    controller = makeController();
    platform::NotificationCenter::defaultCenter().post(PrefsChangedNotification);
    auto *document = qobject_cast<MyDocument *>(controller->openUntitledDocument(true));
    ASSERT_NE(document, nullptr);
    addJob(document, QStringLiteral("Filed"));
    QTemporaryDir files;
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
    ASSERT_TRUE(type(QStringLiteral("abc")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notes.text() == QStringLiteral("abc"); }, Patience));
    const QByteArray theirs = changeHereAndElsewhere(document);

    controller->doTimer(controller->autoSaveTimer());
    ASSERT_TRUE(QTest::qWaitFor([&] { return demandsAttention(window); }, Patience)) << "the window asks for attention";
    ASSERT_TRUE(type(QStringLiteral("def")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notes.text() == QStringLiteral("abcdef"); }, Patience))
        << "the keys stay where the person types: " << notes.text().toStdString();
    EXPECT_TRUE(notes.isActiveWindow());
    EXPECT_EQ(shownAlert(window), nullptr) << "the question waits on its window";

    // The person comes to the document's window: the question shows there with the
    // keyboard, and Escape answers it.
    ASSERT_TRUE(desktoptest::runProgram(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QString::number(window->winId())}) == 0);
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
    ASSERT_TRUE(key(QStringLiteral("Escape")));
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
