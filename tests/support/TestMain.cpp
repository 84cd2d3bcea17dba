// Test entry point: widgets draw offscreen unless a display was asked for on purpose;
// the application object is the program's own; the user folders (configuration, data,
// cache, state) are the program's own temporary ones, so no test reads or writes the
// real home's settings, crash logs or caches and no test sees what an earlier one left.
#include "tests/support/GuiThreadWatchdog.h"
#include "tests/support/LoggingStateCheck.h"
#include "tests/support/QtWarningCheck.h"
#include "tests/support/RunStrictness.h"
#include "tests/support/ThrowSites.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

namespace {

// A death test's child is this program run again with the parent's environment; it
// ends without unwinding, so a folder of its own, or one its test made before the
// statement that ends it, would stay behind. It uses the parent's user folders and a
// temporary folder inside them, which the parent removes.
bool deathTestChild(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--gtest_internal_run_death_test", 31) == 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::optional<testsupport::ScopedXdgHome> userFolders;
    if (!deathTestChild(argc, argv)) {
        userFolders.emplace();
    } else if (const QString config = qEnvironmentVariable("XDG_CONFIG_HOME"); !config.isEmpty()) {
        const QString temporary = QFileInfo(config).dir().filePath(QStringLiteral("death-test-temporary"));
        QDir().mkpath(temporary);
        qputenv("TMPDIR", QFile::encodeName(temporary));
    }
    testing::InitGoogleTest(&argc, argv);
    testsupport::installQtWarningCheck();
    testsupport::installLoggingStateCheck();
    testsupport::installThrowReport();
    testsupport::installRunStrictness();
    // The application object of the program, with its exception boundary; each
    // delivery of the GUI thread's event loop is watched.
    testsupport::WatchedApplication app(argc, argv);
    testsupport::GuiThreadWatchdog::install();
    QCoreApplication::setOrganizationName(QStringLiteral("ChronarkTests"));
    QCoreApplication::setApplicationName(QStringLiteral("ChronarkTests"));
    const int result = RUN_ALL_TESTS();
    testsupport::GuiThreadWatchdog::uninstall();
    return result != 0 ? result : testsupport::runStrictnessVerdict();
}
