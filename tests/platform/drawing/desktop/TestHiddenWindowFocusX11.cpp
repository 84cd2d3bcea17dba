// The keyboard when a dialog hides or ends, on a real X desktop (openbox manages the
// windows): the window the dialog stood on takes it back while the person works in
// this program, and never while another program has it (a plain dialog, and the
// whole-text dialog, which gives the keyboard back itself).
#include "platform/drawing/HiddenWindowFocus.h"
#include "platform/drawing/WholeTextDialog.h"
#include "tests/support/DesktopTestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int Patience = 15000; // ms for the X server and the window manager

bool applicationActive()
{
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

} // namespace

TEST(HiddenWindowFocusX11, ADialogThatHidesTakesNoKeyboardFromAnotherProgram)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    if (!desktoptest::WindowManager::isInstalled())
        GTEST_SKIP() << "openbox and xprop are needed";
    desktoptest::WindowManager windowManager;
    ASSERT_TRUE(windowManager.isRunning());
    platform::HiddenWindowFocus::install();
    QWidget window;
    auto *field = new QLineEdit(&window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window, Patience));
    field->setFocus();
    auto *dialog = new QDialog(&window);

    // A plain dialog, and the whole-text dialog, which gives the keyboard back itself.
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        QPointer<QDialog> whole;
        if (round == 2) {
            whole = new platform::WholeTextDialog(QStringLiteral("Description"), QStringLiteral("text"), &window);
            whole->open();
        } else {
            dialog->show();
        }
        QDialog *shown = whole ? whole.data() : dialog;
        shown->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(shown, Patience));
        {
            // The person goes to another program (a new window of it takes the
            // keyboard); the dialog ends meanwhile.
            desktoptest::ScopedProcess other(QStringLiteral("xmessage"), {QStringLiteral("another program")});
            ASSERT_TRUE(QTest::qWaitFor([] { return !applicationActive(); }, Patience));
            if (whole)
                whole->reject();
            else
                dialog->hide();
            EXPECT_FALSE(QTest::qWaitFor(applicationActive, 1500)) << "the keyboard stays with the other program";
            EXPECT_EQ(QApplication::activeWindow(), nullptr);
        }
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window, Patience));
    }

    // While the person works here, the window under a dialog that hides takes the
    // keyboard back.
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog, Patience));
    dialog->hide();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }, Patience));
}
