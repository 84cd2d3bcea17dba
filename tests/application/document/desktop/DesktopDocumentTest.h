#pragma once
// A new document's window on a real X desktop (openbox manages it), active, for the
// tests that work it with keys sent through the X server (xdotool). Skips where
// openbox is not installed; the document closes after the test.
#include "tests/application/document/TestMyDocumentSupport.h"
#include "tests/support/DesktopTestSupport.h"

#include <memory>

namespace mydoctest {

class DesktopDocumentTest : public ::testing::Test
{
protected:
    static constexpr int Patience = 15000; // ms for the X server and the window manager

    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        if (!desktoptest::WindowManager::isInstalled())
            GTEST_SKIP() << "openbox and xprop are needed";
        windowManager = std::make_unique<desktoptest::WindowManager>();
        ASSERT_TRUE(windowManager->isRunning());
        documents = std::make_unique<RealDocuments>();
        document = documents->openUntitled(true);
        ASSERT_NE(document, nullptr);
        window = document->mainWindow();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window, Patience));
    }

    void TearDown() override
    {
        if (document)
            document->close();
        QCoreApplication::processEvents();
        documents.reset();
        windowManager.reset();
    }

    std::unique_ptr<desktoptest::WindowManager> windowManager;
    std::unique_ptr<RealDocuments> documents;
    MyDocument *document = nullptr;
    QWidget *window = nullptr;
};

} // namespace mydoctest
