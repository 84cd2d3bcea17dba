// Test entry point: widgets draw offscreen unless a display was asked for on purpose;
// the application object is the program's own.
#include "platform/drawing/Application.h"
#include "tests/support/QtWarningCheck.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    testsupport::installQtWarningCheck();
    // The application object of the program, with its exception boundary.
    platform::Application app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("ChronarkTests"));
    QCoreApplication::setApplicationName(QStringLiteral("ChronarkTests"));
    return RUN_ALL_TESTS();
}
