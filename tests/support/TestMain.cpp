// Test entry point: widgets draw offscreen unless a display was asked for on purpose.
#include "tests/support/QtWarningCheck.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    testsupport::installQtWarningCheck();
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("ChronarkTests"));
    QCoreApplication::setApplicationName(QStringLiteral("ChronarkTests"));
    return RUN_ALL_TESTS();
}
