// The export panel (CSV chosen) and the print preview with its accessory on a real
// X server, captured to export-panel.png and print-preview.png in the test
// program's folder.
#include "tests/support/DesktopTestSupport.h"
#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "application/export/DocumentExportPanel.h"
#include "application/export/DocumentPrintAccessoryViewController.h"
#include "application/export/DocumentPrintPanel.h"
#include "application/document/DocumentWindow.h"
#include "application/document/MyDocument.h"
#include "platform/document/DocumentController.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QDialog>
#include <QScreen>
#include <QTest>
#include <memory>

namespace {

QImage shotOf(QWidget *window)
{
    return window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(ExportScreenshots, ExportPanelAndPrintPreviewShowTheirAccessories)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    testsupport::ScopedXdgHome home;
    platform::UserDefaults defaults(home.path() + QStringLiteral("/defaults.conf"));
    NTXOutlineViewExtension::install();
    auto controller = std::make_unique<platform::DocumentController>();
    platform::DocumentController::setSharedDocumentController(controller.get());
    controller->setUserDefaults(&defaults);
    controller->addDocumentType(MyDocument::documentType());
    auto *document = qobject_cast<MyDocument *>(controller->openUntitledDocument(true));
    ASSERT_NE(document, nullptr);
    for (const char *name : {"Website relaunch", "Online shop", "Accounting"}) {
        NodePtr job = Node::create(Node::Job, QDateTime(QDate(2024, 3, 4), QTime(8, 0)));
        job->setItemName(QString::fromLatin1(name));
        document->jobList()->addChild(job);
    }
    document->reloadOutline();
    QWidget *window = document->documentWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

    document->saveAsRTFFile(nullptr);
    DocumentExportPanel *exportPanel = document->findChild<DocumentExportPanel *>();
    ASSERT_NE(exportPanel, nullptr);
    auto *format = exportPanel->exportView()->findChild<QComboBox *>(QStringLiteral("exportFormatPopup"));
    format->setCurrentIndex(format->findData(4));
    Q_EMIT format->activated(format->currentIndex());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(exportPanel->savePanel()));
    ASSERT_TRUE(desktoptest::waitUntilShownOnScreen(exportPanel->savePanel()));
    const QImage panelShot = shotOf(exportPanel->savePanel());
    EXPECT_TRUE(panelShot.save(testsupport::screenshotPath(QStringLiteral("export-panel.png"))));
    EXPECT_TRUE(exportPanel->exportView()->isVisible());
    exportPanel->savePanel()->reject();
    QCoreApplication::processEvents();

    document->printDocument(nullptr);
    DocumentPrintPanel *printPanel = document->findChild<DocumentPrintPanel *>();
    ASSERT_NE(printPanel, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(printPanel->previewDialog()));
    ASSERT_TRUE(desktoptest::waitUntilShownOnScreen(printPanel->previewDialog()));
    EXPECT_TRUE(printPanel->printAccessoryViewController()->isVisible());
    const QImage previewShot = shotOf(printPanel->previewDialog());
    EXPECT_TRUE(previewShot.save(testsupport::screenshotPath(QStringLiteral("print-preview.png"))));
    printPanel->previewDialog()->reject();
    QCoreApplication::processEvents();
    document->close();
    platform::DocumentController::setSharedDocumentController(nullptr);
}
