// The application starts on each compositor as it does from main() and shows its
// untitled document's window: the compositor maps it (the window is exposed).
#include "tests/support/TestSupport.h"
#include "tests/application/controller/wayland/WaylandTestSupport.h"

#include <QDir>
#include <QTest>

using namespace waylandtest;


TEST_F(CompositorSession, ApplicationStartsAndShowsItsWindow)
{
    controller = appcontrollertest::makeController();
    controller->launch({});
    ASSERT_EQ(controller->documents().size(), 1);
    auto *document = qobject_cast<MyDocument *>(controller->documents().first());
    ASSERT_NE(document, nullptr);
    QWidget *window = document->mainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window, Patience));
    const QString shot = testsupport::screenshotPath(QStringLiteral("wayland-%1-window.png").arg(compositor()));
    EXPECT_TRUE(window->grab().save(shot));
}
