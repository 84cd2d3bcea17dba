// Test entry point: widgets draw offscreen unless a display was asked for on purpose;
// the application object is the program's own; the user folders (configuration, data,
// cache, state) are the program's own temporary ones, so no test reads or writes the
// real home's settings, crash logs or caches and no test sees what an earlier one left.
#include "platform/foundation/MimeDatabaseWarmUp.h"
#include "platform/foundation/PoolThreads.h"
#include "platform/foundation/ThreadHeap.h"
#include "platform/foundation/ThreadHandOff.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/FatalSignalReport.h"
#include "tests/support/GuiThreadWatchdog.h"
#include "tests/support/LoggingStateCheck.h"
#include "tests/support/MouseButtonsCheck.h"
#include "tests/support/QtWarningCheck.h"
#include "tests/support/RunStrictness.h"
#include "tests/support/ThrowSites.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <optional>

int main(int argc, char **argv)
{
    // The heap as the program's launch sets it.
    platform::ThreadHeap::mergeFreedBlocksWhereFreed();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::optional<testsupport::ScopedXdgHome> userFolders;
    // A child of a test (a death test's, or the program run again to crash) ends without
    // unwinding: it uses the parent's user folders and a temporary folder inside them,
    // which the parent removes.
    if (!testsupport::isChildOfATest(argc, argv)) {
        userFolders.emplace();
        // The application's defaults are kept in these folders, whichever folders a
        // test makes its own later: a test's home, which goes with the test, would be
        // made again by the defaults' next write.
        platform::UserDefaults::standardFilePath();
    } else {
        // The mark is this process's own too (a death test's child comes without it):
        // the homes its tests make go in the parent's.
        qputenv("CHRONARK_TEST_CHILD", "1");
        if (const QString home = testsupport::parentsHome(); !home.isEmpty()) {
            const QString temporary = QDir(home).filePath(QStringLiteral("child-temporary"));
            QDir().mkpath(temporary);
            qputenv("TMPDIR", QFile::encodeName(temporary));
        }
    }
    testing::InitGoogleTest(&argc, argv);
    testsupport::installFatalSignalReport();
    testsupport::installQtWarningCheck();
    testsupport::installLoggingStateCheck();
    testsupport::installMouseButtonsCheck();
    testsupport::installThrowReport();
    testsupport::installRunStrictness();
    int result = 0;
    {
        // The application object of the program, with its exception boundary; each
        // delivery of the GUI thread's event loop is watched.
        testsupport::WatchedApplication app(argc, argv);
        // The pool's threads are made and kept as the program's launch makes them
        // (unless a test's child is to see a pool the system gave no thread). Not
        // under ThreadSanitizer, which ends a child that starts a thread after a
        // multi-threaded process forks (the file-system tests' children do): there the
        // pool's first task makes them.
#ifndef CHRONARK_THREAD_SANITIZER
        if (qEnvironmentVariableIsEmpty("CHRONARK_TEST_POOL_UNPREPARED")) {
            platform::PoolThreads::prepare();
            // Read as the launch reads it, so that the tests' file dialogs find it read;
            // here, before any test, so that no death test forks while a thread reads it.
            platform::MimeDatabaseWarmUp::read();
        }
#endif
        testsupport::GuiThreadWatchdog::install();
        QCoreApplication::setOrganizationName(QStringLiteral("ChronarkTests"));
        QCoreApplication::setApplicationName(QStringLiteral("ChronarkTests"));
        result = RUN_ALL_TESTS();
        testsupport::GuiThreadWatchdog::uninstall();
    }
    // Everything the tests and the application object's end handed the application's
    // defaults is written while the program's folders are there: their writer has
    // nothing left for its last write, when the defaults go after these folders.
    // Not under ThreadSanitizer, which takes the flush's queueing, under the writer's own
    // lock, for a race with the writer's wait in a program that made the defaults only
    // here; its run leaves no home behind without it.
#ifndef CHRONARK_THREAD_SANITIZER
    if (userFolders)
        platform::UserDefaults::standardUserDefaults().flush();
#endif
    return result != 0 ? result : testsupport::runStrictnessVerdict();
}
