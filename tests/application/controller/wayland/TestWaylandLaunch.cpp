// The application starts on each compositor as it does from main() and shows its
// untitled document's window: the compositor maps it (the window is exposed). The
// program itself starts there beside an X display that does not answer.
#include "tests/support/TestSupport.h"
#include "tests/application/controller/wayland/WaylandTestSupport.h"

#include "application/base/BuildInfo.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
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

// A Wayland session whose DISPLAY names an X server that does not answer: the
// application does not refuse to start for it, and runs on the compositor (it claims
// its one instance on the session's bus).
TEST(CompositorLaunch, TheApplicationStartsBesideAnXDisplayThatDoesNotAnswer)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        environment.insert(QString::fromLatin1(name), home.path());
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    QString display = QStringLiteral(":6100");
    for (int number = 6100; QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)); ++number)
        display = QStringLiteral(":%1").arg(number + 1);
    environment.insert(QStringLiteral("DISPLAY"), display);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(CHRONARK_EXECUTABLE), {});
    ASSERT_TRUE(process.waitForStarted(Patience));
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    ASSERT_NE(bus, nullptr);
    const QString name = QStringLiteral(CHRONARK_BUNDLE_IDENTIFIER);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bus->isServiceRegistered(name).value() || process.state() != QProcess::Running; },
                                Patience * 2));
    EXPECT_EQ(process.state(), QProcess::Running) << process.readAllStandardError().toStdString();
    EXPECT_TRUE(bus->isServiceRegistered(name).value());
    process.kill();
    process.waitForFinished(Patience);
    EXPECT_FALSE(process.readAllStandardError().contains("cannot open"));
}
