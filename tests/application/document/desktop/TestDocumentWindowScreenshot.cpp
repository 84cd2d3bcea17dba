// The document window on a real X server: a document with groups, jobs, days, time
// entries, colour labels and executed marks, captured to document-window.png in the
// test program's folder.
#include "tests/support/DesktopTestSupport.h"
#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelColors.h"
#include "application/document/DocumentWindow.h"
#include "application/document/DocumentTotals.h"
#include "application/document/MyDocument.h"
#include "application/document/OutlineColumns.h"
#include "platform/document/DocumentController.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDockWidget>
#include <QHeaderView>
#include <QScreen>
#include <QTest>
#include <QTreeView>
#include <iostream>
#include <memory>

namespace {

QDateTime at(int day, int hour, int minute = 0)
{
    return QDateTime(QDate(2024, 3, day), QTime(hour, minute), Qt::OffsetFromUTC, 3600);
}

NodePtr node(int type, const QString &name, const QDateTime &created = at(4, 8))
{
    NodePtr n = Node::create(type, created);
    n->setItemName(name);
    return n;
}

// A job with days of time entries: each day is (day of March, list of (start hour,
// minutes)).
NodePtr job(const QString &name, float wage, const QList<std::pair<int, QList<std::pair<int, int>>>> &days)
{
    NodePtr j = node(Node::Job, name);
    j->setWage(wage);
    for (const auto &[day, entries] : days) {
        NodePtr d = node(Node::Day, QString(), at(day, 0));
        d->setItemNameByType();
        j->addChild(d);
        for (const auto &[hour, minutes] : entries) {
            NodePtr e = node(Node::TimeEntry, QString(), at(day, hour));
            e->setlDate(at(day, hour).addSecs(qint64(minutes) * 60));
            e->setWage(wage);
            d->addChild(e);
            e->refreshWorkTime();
            e->setItemNameByType();
            e->recalcWorkTime();
        }
    }
    j->recalcTotalWorkTime();
    return j;
}

// Pixels of the image within a small distance of the colour.
int pixelsNear(const QImage &image, const QColor &color, int tolerance = 40)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            if (std::abs(qRed(p) - color.red()) + std::abs(qGreen(p) - color.green())
                    + std::abs(qBlue(p) - color.blue())
                <= tolerance)
                ++count;
        }
    }
    return count;
}

} // namespace

TEST(DocumentWindowScreenshot, ShowsTheTreeWithImagesLabelsAndTotals)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    testsupport::ScopedXdgHome home;
    platform::UserDefaults defaults(home.path() + QStringLiteral("/defaults.conf"));
    NTXOutlineViewExtension::install();
    auto controller = std::make_unique<platform::DocumentController>();
    platform::DocumentController::setSharedDocumentController(controller.get());
    controller->setUserDefaults(&defaults);
    controller->addDocumentType(MyDocument::documentType());

    auto *document = qobject_cast<MyDocument *>(controller->openUntitledDocument(false));
    ASSERT_NE(document, nullptr);

    NodePtr clients = node(Node::Group, QStringLiteral("Clients"));
    NodePtr website = job(QStringLiteral("Website relaunch"), 85.0f,
                          {{4, {{9, 95}, {13, 140}}}, {5, {{8, 60}, {10, 45}, {14, 30}}}});
    NodePtr shop = job(QStringLiteral("Online shop"), 70.0f, {{6, {{9, 180}}}});
    NodePtr internal = node(Node::Group, QStringLiteral("Internal"));
    NodePtr accounting = job(QStringLiteral("Accounting"), 0.0f, {{7, {{16, 75}}}});
    NodePtr training = job(QStringLiteral("Training"), 0.0f, {});
    internal->addChild(accounting);
    internal->addChild(training);
    clients->addChild(website);
    clients->addChild(shop);
    clients->addChild(internal);
    clients->recalcTotalWorkTime();
    internal->recalcTotalWorkTime();
    NodePtr support = job(QStringLiteral("Support hotline"), 55.0f, {{8, {{8, 50}}}});
    document->jobList()->addChild(clients);
    document->jobList()->addChild(support);
    website->setColorLabel(1);
    shop->setColorLabel(5);
    accounting->setColorLabel(4);
    website->childAtIndex(1)->childAtIndex(0)->setColorLabel(3);
    support->setColorLabel(2);
    training->setExecuted(true);
    shop->setExecuted(true);
    document->setActiveJob(website);
    document->reloadOutline();
    document->updateUI();

    document->showWindows();
    QWidget *window = document->mainWindow();
    window->resize(820, 600);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QTreeView *outline = document->outlineView();
    outline->expandAll();
    outline->collapse(document->outlineModel()->indexForNode(website->childAtIndex(0).get()));
    NTXOutlineViewExtension::selectItems(outline, {QVariant::fromValue(shop)}, false);
    ASSERT_TRUE(desktoptest::waitUntilShownOnScreen(window));

    const QImage shot = window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(shot.isNull());
    const QString file = testsupport::screenshotPath(QStringLiteral("document-window.png"));
    ASSERT_TRUE(shot.save(file));
    std::cout << "screenshot: " << file.toStdString() << std::endl;

    EXPECT_GE(shot.width(), 800);
    EXPECT_GE(shot.height(), 560);
    // The label colours of the unselected labelled rows are on screen.
    for (int label : {1, 4, 2}) {
        const QColor color = NTXColorLabelColors::getLabelColorForLabelType(label);
        EXPECT_GT(pixelsNear(shot, color), 30) << "label " << label;
    }
    // The totals row carries the document's totals.
    int hours = 0;
    int minutes = 0;
    addTimeWithCarry(&hours, &minutes, clients->hours(), clients->minutes());
    addTimeWithCarry(&hours, &minutes, support->hours(), support->minutes());
    QHeaderView *totals = document->totals().tableHeaderView();
    ASSERT_NE(totals, nullptr);
    const int timeColumn = OutlineColumns::logicalIndexForColumnIdentifier(totals, QStringLiteral("outlineTime"));
    EXPECT_EQ(totals->model()->headerData(timeColumn, Qt::Horizontal).toString(),
              DocumentTotals::workTimeText(hours, minutes));
    EXPECT_TRUE(totals->isVisible());
    EXPECT_EQ(totals->sectionViewportPosition(OutlineColumns::logicalIndexForColumnIdentifier(
                  totals, QStringLiteral("outlineTime"))),
              outline->header()->sectionViewportPosition(OutlineColumns::logicalIndexForColumnIdentifier(
                  outline->header(), QStringLiteral("outlineTime"))));

    document->close();
    testsupport::settleEvents();
    platform::DocumentController::setSharedDocumentController(nullptr);
}
