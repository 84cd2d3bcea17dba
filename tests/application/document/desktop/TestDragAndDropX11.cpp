// On a real X server: a job dragged with the mouse (XTEST events from xdotool) onto
// a group moves into it; and the document window with its toolbar, captured to
// document-window-toolbar.png in the test program's folder.
#include "tests/support/DesktopTestSupport.h"
#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "application/base/DefaultsKeys.h"
#include "application/document/DocumentToolbar.h"
#include "application/document/DocumentWindow.h"
#include "application/document/MyDocument.h"
#include "application/document/OutlineDataSource.h"
#include "platform/foundation/Bundle.h"
#include "platform/document/DocumentController.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QStyleHints>
#include <QStandardPaths>
#include <QTest>
#include <QToolBar>
#include <QTreeView>
#include <iostream>
#include <memory>

namespace {

QDateTime at(int day, int hour, int minute = 0)
{
    return QDateTime(QDate(2024, 3, day), QTime(hour, minute), Qt::OffsetFromUTC, 3600);
}

NodePtr makeNode(int type, const QString &name)
{
    NodePtr n = Node::create(type, at(4, 8));
    n->setItemName(name);
    return n;
}

NodePtr makeJob(const QString &name, float wage, const QList<std::pair<int, int>> &entries)
{
    NodePtr job = makeNode(Node::Job, name);
    job->setWage(wage);
    if (entries.isEmpty())
        return job;
    NodePtr day = Node::create(Node::Day, at(4, 0));
    day->setItemNameByType();
    job->addChild(day);
    for (const auto &[hour, minutes] : entries) {
        NodePtr entry = Node::create(Node::TimeEntry, at(4, hour));
        entry->setlDate(at(4, hour).addSecs(qint64(minutes) * 60));
        entry->setWage(wage);
        day->addChild(entry);
        entry->refreshWorkTime();
        entry->setItemNameByType();
        entry->recalcWorkTime();
    }
    job->recalcTotalWorkTime();
    return job;
}

class DesktopDocument : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        defaults = std::make_unique<platform::UserDefaults>(home.path() + QStringLiteral("/defaults.conf"));
        NTXOutlineViewExtension::install();
        controller = std::make_unique<platform::DocumentController>();
        platform::DocumentController::setSharedDocumentController(controller.get());
        controller->setUserDefaults(defaults.get());
        controller->addDocumentType(MyDocument::documentType());
        document = qobject_cast<MyDocument *>(controller->openUntitledDocument(false));
        ASSERT_NE(document, nullptr);
    }

    void TearDown() override
    {
        if (document)
            document->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        platform::DocumentController::setSharedDocumentController(nullptr);
    }

    void showWindow(int width, int height)
    {
        for (const NodePtr &node : topLevel)
            document->jobList()->addChild(node);
        document->reloadOutline();
        document->updateUI();
        document->showWindows();
        QWidget *window = document->mainWindow();
        window->move(40, 40);
        window->resize(width, height);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }

    // The global position of the middle of a node's name cell.
    QPoint nameCellCenter(const NodePtr &node)
    {
        DocumentOutlineModel *model = document->outlineModel();
        const QModelIndex index =
            model->indexForNode(node.get(), model->columnForIdentifier(QStringLiteral("outlineName")));
        QTreeView *outline = document->outlineView();
        return outline->viewport()->mapToGlobal(outline->visualRect(index).center());
    }

    testsupport::ScopedXdgHome home;
    std::unique_ptr<platform::UserDefaults> defaults;
    std::unique_ptr<platform::DocumentController> controller;
    MyDocument *document = nullptr;
    QList<NodePtr> topLevel;
};

} // namespace

TEST_F(DesktopDocument, AJobDraggedWithTheMouseOntoAGroupMovesIntoIt)
{
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    ASSERT_FALSE(xdotool.isEmpty()) << "xdotool is needed for the pointer events";
    NodePtr group = makeNode(Node::Group, QStringLiteral("Clients"));
    NodePtr inside = makeJob(QStringLiteral("Website"), 50.0f, {});
    group->addChild(inside);
    NodePtr job = makeJob(QStringLiteral("Support"), 40.0f, {{9, 60}});
    NodePtr other = makeJob(QStringLiteral("Training"), 0.0f, {});
    topLevel = {group, job, other};
    showWindow(760, 420);

    const QPoint from = nameCellCenter(job);
    const QPoint to = nameCellCenter(group);
    auto arg = [](int value) { return QString::number(value); };
    // Press on the job, move past the drag distance in steps, hover over the group,
    // release.
    const QStringList steps{
        "mousemove", arg(from.x()), arg(from.y()), "sleep", "0.2",  "mousedown", "1",
        "sleep", "0.2", "mousemove", arg(from.x() + 4), arg(from.y() - 2), "sleep", "0.1",
        "mousemove", arg(from.x() + 12), arg(from.y() - 6), "sleep", "0.2",
        "mousemove", arg(to.x() + 6), arg(to.y() + 1), "sleep", "0.3",
        "mousemove", arg(to.x()), arg(to.y()), "sleep", "0.5",
        "mouseup", "1"};
    QProcess pointer;
    pointer.start(xdotool, steps);
    ASSERT_TRUE(pointer.waitForStarted());
    // The drag runs its own event loop here; the tree changes when the button is let go.
    EXPECT_TRUE(QTest::qWaitFor([&] { return job->parent() == group.get(); }, 15000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return pointer.state() == QProcess::NotRunning; }, 15000));
    EXPECT_EQ(pointer.exitCode(), 0) << pointer.readAllStandardError().toStdString();

    // Onto a group: its first place.
    ASSERT_EQ(group->childrenCount(), 2);
    EXPECT_EQ(group->childAtIndex(0), job);
    EXPECT_EQ(group->childAtIndex(1), inside);
    EXPECT_EQ(document->jobList()->children(), (QList<NodePtr>{group, other}));
    EXPECT_EQ(group->hours(), 1);
    EXPECT_FALSE(document->outlineSource().dragSessionInProgress());
    platform::UndoManager *undo = document->undoManager();
    ASSERT_TRUE(QTest::qWaitFor([undo] { return undo->groupingLevel() == 0 && undo->canUndo(); }));
    EXPECT_EQ(undo->undoActionName(), platform::localized(QStringLiteral("LSUDDragAndDrop")));
    undo->undo();
    EXPECT_EQ(document->jobList()->children(), (QList<NodePtr>{group, job, other}));
}

TEST_F(DesktopDocument, TheWindowShowsItsToolbar)
{
    NodePtr group = makeNode(Node::Group, QStringLiteral("Clients"));
    NodePtr website = makeJob(QStringLiteral("Website relaunch"), 85.0f, {{9, 95}, {13, 140}});
    NodePtr shop = makeJob(QStringLiteral("Online shop"), 70.0f, {{9, 180}});
    group->addChild(website);
    group->addChild(shop);
    group->recalcTotalWorkTime();
    NodePtr support = makeJob(QStringLiteral("Support hotline"), 55.0f, {{8, 50}});
    topLevel = {group, support};
    showWindow(820, 460);
    document->setActiveJob(website);
    QTreeView *outline = document->outlineView();
    outline->expandAll();
    NTXOutlineViewExtension::selectItems(outline, {QVariant::fromValue(shop)}, false);
    document->documentToolbar().validateVisibleToolbarItems();
    QToolBar *toolbar = document->documentToolbar().toolbar();
    ASSERT_NE(toolbar, nullptr);
    EXPECT_TRUE(toolbar->isVisible());
    // Every item of the default set has its button on screen.
    for (const char *identifier : {"AddItem", "AddGroup", "RemoveItem", "StartStopButton", "ActivedJob", "ToggleDrawer"}) {
        QAction *item = document->documentToolbar().toolbarItem(QString::fromLatin1(identifier));
        ASSERT_NE(item, nullptr) << identifier;
        QWidget *button = toolbar->widgetForAction(item);
        ASSERT_NE(button, nullptr) << identifier;
        EXPECT_TRUE(button->isVisible()) << identifier;
        EXPECT_GE(button->width(), 32) << identifier;
    }
    // Nothing paints before the event loop had its turn.
    QWidget *window = document->mainWindow();
    ASSERT_TRUE(desktoptest::waitUntilShownOnScreen(window));
    const QImage shot = window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(shot.isNull());
    const QString file = testsupport::screenshotPath(QStringLiteral("document-window-toolbar.png"));
    ASSERT_TRUE(shot.save(file));
    std::cout << "screenshot: " << file.toStdString() << std::endl;
    // The green of the start button is in the toolbar's band.
    const QRect band = toolbar->geometry();
    int green = 0;
    for (int y = band.top(); y <= band.bottom() && y < shot.height(); ++y) {
        for (int x = band.left(); x <= band.right() && x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            green += (std::abs(c.red() - 0x3f) + std::abs(c.green() - 0x9b) + std::abs(c.blue() - 0x3f) < 40) ? 1 : 0;
        }
    }
    EXPECT_GT(green, 100);
}

// A right click on a row (XTEST events from xdotool, through the X server) opens the
// row's context menu, with the counter idle and right after it started; the click does
// not select the row. Two clicks of one button at one spot within the double-click
// interval make the second a double click, which the menu the first opened takes as a
// click outside it and closes (as any Qt menu does): the clicks here land far enough
// apart, as a person's do.
TEST_F(DesktopDocument, ARightClickOnARowOpensItsMenu)
{
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    ASSERT_FALSE(xdotool.isEmpty()) << "xdotool is needed for the pointer events";
    NodePtr job = makeJob(QStringLiteral("Support"), 40.0f, {{9, 60}});
    NodePtr other = makeJob(QStringLiteral("Training"), 0.0f, {});
    topLevel = {job, other};
    defaults->setBool(true, AllwaysMutelyKey);
    showWindow(760, 420);
    QTreeView *outline = document->outlineView();
    NTXOutlineViewExtension::selectItems(outline, {QVariant::fromValue(other)}, false);
    auto nameCell = [&](const NodePtr &node) {
        DocumentOutlineModel *model = document->outlineModel();
        return outline->visualRect(model->indexForNode(node.get(), model->columnForIdentifier(QStringLiteral("outlineName"))));
    };
    // At the left or the right part of the row's name cell.
    auto rightClick = [&](const NodePtr &node, bool left) -> QMenu * {
        const QRect cell = nameCell(node);
        const QPoint at = outline->viewport()->mapToGlobal(
            QPoint(left ? cell.left() + cell.width() / 4 : cell.right() - cell.width() / 4, cell.center().y()));
        QProcess pointer;
        pointer.start(xdotool, {"mousemove", QString::number(at.x()), QString::number(at.y()), "sleep", "0.1",
                                "click", "3"});
        EXPECT_TRUE(pointer.waitForStarted());
        const bool shown = QTest::qWaitFor(
            [&] { return qobject_cast<QMenu *>(QApplication::activePopupWidget()) != nullptr; }, 15000);
        EXPECT_TRUE(QTest::qWaitFor([&] { return pointer.state() == QProcess::NotRunning; }, 15000));
        EXPECT_EQ(pointer.exitCode(), 0) << pointer.readAllStandardError().toStdString();
        return shown ? qobject_cast<QMenu *>(QApplication::activePopupWidget()) : nullptr;
    };
    auto itemTexts = [](QMenu *menu) {
        QStringList texts;
        for (QAction *item : menu->actions()) {
            if (!item->isSeparator())
                texts << item->text();
        }
        return texts;
    };
    // Escape, through the X server, closes the menu.
    auto close = [&] {
        return QProcess::execute(xdotool, {"key", "Escape"}) == 0
               && QTest::qWaitFor([] { return QApplication::activePopupWidget() == nullptr; }, 15000);
    };
    ASSERT_GT(nameCell(job).width() / 2,
              3 * QGuiApplication::styleHints()->mouseDoubleClickDistance());

    QMenu *menu = rightClick(job, true);
    ASSERT_NE(menu, nullptr) << "no menu opened";
    const QStringList idle = itemTexts(menu);
    ASSERT_FALSE(idle.isEmpty());
    EXPECT_TRUE(menu->actions().first()->isEnabled());
    EXPECT_EQ(NTXOutlineViewExtension::allSelectedItems(outline), QList<QVariant>{QVariant::fromValue(other)});
    ASSERT_TRUE(close());
    menu = rightClick(job, false);
    ASSERT_NE(menu, nullptr) << "no menu opened the second time";
    EXPECT_EQ(itemTexts(menu), idle);
    ASSERT_TRUE(close());

    // Counting on the job: the menu opens at once, its first item now stopping the count.
    document->setActiveJob(job);
    document->toggleTimer(nullptr);
    ASSERT_TRUE(document->timerIsRunning());
    menu = rightClick(job, true);
    ASSERT_NE(menu, nullptr) << "no menu opened with the counter running";
    const QStringList counting = itemTexts(menu);
    ASSERT_EQ(counting.size(), idle.size());
    EXPECT_NE(counting.first(), idle.first());
    ASSERT_TRUE(close());
    document->toggleTimer(nullptr);
    EXPECT_FALSE(document->timerIsRunning());
}
