// Test entry point: widgets draw offscreen unless a display was asked for on purpose;
// the application object is the program's own.
#include "platform/drawing/Application.h"
#include "tests/support/QtWarningCheck.h"
#include "tests/support/RunStrictness.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    testsupport::installQtWarningCheck();
    testsupport::installRunStrictness();
    // The application object of the program, with its exception boundary.
    platform::Application app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("ChronarkTests"));
    QCoreApplication::setApplicationName(QStringLiteral("ChronarkTests"));
    const int result = RUN_ALL_TESTS();
    return result != 0 ? result : testsupport::runStrictnessVerdict();
}
