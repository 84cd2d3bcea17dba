// The outline's data source and delegate: the check box of the executed flag, the
// context menu built per click and the Delete key.
#include "tests/application/document/TestMyDocumentSupport.h"
#include "application/document/DocumentWindowController.h"
#include "application/document/OutlineDataSource.h"

#include "platform/document/MenuItemValidation.h"
#include "platform/document/MenuMnemonics.h"
#include "platform/foundation/UndoManager.h"

#include <QAction>
#include <QKeyEvent>
#include <QSet>

using namespace mydoctest;

namespace {

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

int visibleMessageBoxes(QWidget *window)
{
    int count = 0;
    for (QMessageBox *box : window->findChildren<QMessageBox *>())
        count += box->isVisible() ? 1 : 0;
    return count;
}

// The menu's entries: titles, "-" for separators.
// A menu title as shown: without its mnemonic marker, "&&" as one '&'.
QString shownTitle(QString title)
{
    title.replace(QStringLiteral("&&"), QString(QChar(0xE000)));
    title.remove(QLatin1Char('&'));
    return title.replace(QChar(0xE000), QLatin1Char('&'));
}

QStringList entries(const QMenu *menu)
{
    QStringList list;
    for (const QAction *item : menu->actions())
        list << (item->isSeparator() ? QStringLiteral("-") : shownTitle(item->text()));
    return list;
}

} // namespace

class DataSourceTest : public MyDocumentFixture
{
protected:
    void SetUp() override
    {
        MyDocumentFixture::SetUp();
        NTXOutlineViewExtension::install();
    }

    QModelIndex statusIndex(MyDocument *document, const NodePtr &node)
    {
        DocumentOutlineModel *model = document->outlineModel();
        return model->indexForNode(node.get(), model->columnForIdentifier(QStringLiteral("outlineStatus")));
    }
};

TEST_F(DataSourceTest, OnlyJobsAndGroupsHaveAnEditableCheckBox)
{
    ProbeDocument *document = newDocument();
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    NodePtr job = makeJob(QStringLiteral("J"), 10.0f, {{9, 30}});
    group->addChild(job);
    fill(document, {group});
    DocumentOutlineModel *model = document->outlineModel();
    EXPECT_TRUE(model->flags(statusIndex(document, group)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model->flags(statusIndex(document, job)) & Qt::ItemIsEditable);
    NodePtr day = job->childAtIndex(0);
    NodePtr entry = day->childAtIndex(0);
    EXPECT_FALSE(model->flags(statusIndex(document, day)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->setData(statusIndex(document, entry), 1, Qt::EditRole));
    EXPECT_FALSE(entry->executed());
    // Other columns take no value.
    const QModelIndex name = model->indexForNode(job.get(), model->columnForIdentifier(QStringLiteral("outlineName")));
    EXPECT_FALSE(model->flags(name) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->setData(name, QStringLiteral("X"), Qt::EditRole));
    EXPECT_EQ(job->itemName(), QStringLiteral("J"));
}

TEST_F(DataSourceTest, UntickingAJobUnticksItsGroupsInOneUndoStep)
{
    ProbeDocument *document = newDocument();
    NodePtr outer = makeNode(Node::Group, QStringLiteral("Outer"));
    NodePtr inner = makeNode(Node::Group, QStringLiteral("Inner"));
    NodePtr job = makeJob(QStringLiteral("J"), 10.0f, {});
    outer->addChild(inner);
    inner->addChild(job);
    outer->setExecuted(true);
    inner->setExecuted(true);
    job->setExecuted(true);
    fill(document, {outer});
    ASSERT_TRUE(document->outlineModel()->setData(statusIndex(document, job), 0, Qt::EditRole));
    EXPECT_FALSE(job->executed());
    EXPECT_FALSE(inner->executed());
    EXPECT_FALSE(outer->executed());
    platform::UndoManager *undo = document->undoManager();
    ASSERT_TRUE(QTest::qWaitFor([undo] { return undo->groupingLevel() == 0; }));
    EXPECT_EQ(undo->undoActionName(), text("LSUDExecuted"));
    undo->undo();
    EXPECT_TRUE(job->executed());
    EXPECT_TRUE(inner->executed());
    EXPECT_TRUE(outer->executed());
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(undo->redoActionName(), text("LSUDExecuted"));
}

TEST_F(DataSourceTest, ClickingTheCheckBoxTicksTheJob)
{
    ProbeDocument *document = newDocument(true);
    NodePtr job = makeJob(QStringLiteral("J"), 10.0f, {});
    fill(document, {job});
    QTreeView *view = outline(document);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(document->documentWindow()));
    const QRect cell = view->visualRect(statusIndex(document, job));
    ASSERT_TRUE(cell.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    EXPECT_TRUE(job->executed());
    platform::UndoManager *undo = document->undoManager();
    ASSERT_TRUE(QTest::qWaitFor([undo] { return undo->groupingLevel() == 0; }));
    EXPECT_EQ(undo->undoActionName(), text("LSUDExecuted"));
    undo->undo();
    EXPECT_FALSE(job->executed());
}

TEST_F(DataSourceTest, TheDeleteKeyAsksToDeleteExceptWhileCounting)
{
    ProbeDocument *document = newDocument(true);
    NodePtr a = makeJob(QStringLiteral("A"), 10.0f, {});
    NodePtr b = makeJob(QStringLiteral("B"), 10.0f, {});
    fill(document, {a, b});
    QTreeView *view = outline(document);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(document->documentWindow()));
    view->setFocus();

    // Nothing selected: nothing asked.
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(visibleMessageBoxes(document->documentWindow()), 0);

    select(document, {a});
    document->setTimerRunning(true);
    QTest::keyClick(view, Qt::Key_Delete);
    QTest::keyClick(view, Qt::Key_Backspace);
    EXPECT_EQ(visibleMessageBoxes(document->documentWindow()), 0);
    EXPECT_EQ(document->jobList()->childrenCount(), 2);

    document->setTimerRunning(false);
    QTest::keyClick(view, Qt::Key_Delete);
    QMessageBox *box = waitForMessageBox(document->documentWindow());
    ASSERT_NE(box, nullptr);
    clickButton(box, text("LSyes"));
    EXPECT_EQ(document->jobList()->childrenCount(), 1);
    EXPECT_EQ(document->jobList()->childAtIndex(0), b);
}

TEST_F(DataSourceTest, TheContextMenuOfAJobFollowsTheCounter)
{
    ProbeDocument *document = newDocument();
    NodePtr a = makeJob(QStringLiteral("A"), 10.0f, {{9, 30}});
    NodePtr b = makeJob(QStringLiteral("B"), 10.0f, {});
    fill(document, {a, b});
    document->setActiveJob(a);
    QTreeView *view = outline(document);

    QMenu *menu = document->outlineSource().outlineViewMenuForTableColumnItem(view, 1, QVariant::fromValue(a));
    ASSERT_EQ(menu, document->windowController().outlineMenu());
    const QStringList jobEntries{text("LSCstart"), "-", text("LSCEdit"), text("LSCActived"), "-", text("LSaddEntry"),
                                 text("LSaddGroup"), "-", text("LSCDelete")};
    EXPECT_EQ(entries(menu), jobEntries);
    for (QAction *item : menu->actions()) {
        if (item->isSeparator())
            continue;
        EXPECT_TRUE(item->isEnabled()) << item->text().toStdString();
        EXPECT_EQ(platform::MenuItemValidation::representedObject(item).value<NodePtr>(), a);
    }
    EXPECT_EQ(platform::MenuItemValidation::action(menu->actions().at(0)), QByteArray("menuSelected:"));
    EXPECT_EQ(platform::MenuItemValidation::target(menu->actions().at(0)), nullptr);
    EXPECT_EQ(platform::MenuItemValidation::target(menu->actions().at(2)), document);

    // The running job offers to stop; another job offers to start, the rest waits.
    document->setTimerRunning(true);
    menu = document->outlineSource().outlineViewMenuForTableColumnItem(view, 1, QVariant::fromValue(a));
    EXPECT_EQ(shownTitle(menu->actions().at(0)->text()), text("LSCstop"));
    EXPECT_EQ(platform::MenuItemValidation::action(menu->actions().at(0)), QByteArray("menuToggleSelected:"));
    menu = document->outlineSource().outlineViewMenuForTableColumnItem(view, 1, QVariant::fromValue(b));
    EXPECT_EQ(shownTitle(menu->actions().at(0)->text()), text("LSCstart"));
    EXPECT_TRUE(menu->actions().at(0)->isEnabled());
    for (QAction *item : menu->actions().mid(1)) {
        if (!item->isSeparator()) {
            EXPECT_FALSE(item->isEnabled()) << item->text().toStdString();
        }
    }
    document->setTimerRunning(false);

    // Rebuilt for every click: a day gets its own, shorter menu.
    NodePtr day = a->childAtIndex(0);
    menu = document->outlineSource().outlineViewMenuForTableColumnItem(view, 1, QVariant::fromValue(day));
    EXPECT_EQ(entries(menu), (QStringList{text("LSaddEntry"), text("LSaddGroup"), "-", text("LSCDelete")}));
    menu = document->outlineSource().outlineViewMenuForTableColumnItem(view, 1, QVariant::fromValue(day->childAtIndex(0)));
    EXPECT_EQ(entries(menu).first(), text("LSCEdit"));
    EXPECT_EQ(document->outlineSource().outlineViewMenuForTableColumnItem(view, 1, QVariant()), nullptr);
    EXPECT_EQ(document->outlineSource().outlineViewMenuForTableColumnItem(view, 1, QVariant::fromValue(document->jobList())), nullptr);
    EXPECT_TRUE(document->windowController().outlineMenu()->actions().isEmpty());
}

TEST_F(DataSourceTest, EveryContextMenuItemHasItsOwnMnemonic)
{
    ProbeDocument *document = newDocument();
    NodePtr group = Node::create(Node::Group);
    group->setItemName(QStringLiteral("Clients"));
    NodePtr a = makeJob(QStringLiteral("A"), 10.0f, {{9, 30}});
    fill(document, {a, group});
    QTreeView *view = outline(document);
    for (const NodePtr &node : {a, a->childAtIndex(0), a->childAtIndex(0)->childAtIndex(0), group}) {
        for (bool running : {false, true}) {
            document->setTimerRunning(running);
            QMenu *menu = document->outlineSource().outlineViewMenuForTableColumnItem(view, 1, QVariant::fromValue(node));
            ASSERT_NE(menu, nullptr);
            QSet<QChar> letters;
            for (const QAction *item : menu->actions()) {
                if (item->isSeparator())
                    continue;
                const QKeySequence mnemonic = QKeySequence::mnemonic(item->text());
                EXPECT_FALSE(mnemonic.isEmpty()) << item->text().toStdString();
                const QChar letter = platform::MenuMnemonics::mnemonicOf(item->text());
                EXPECT_FALSE(letters.contains(letter)) << item->text().toStdString();
                letters.insert(letter);
            }
        }
    }
    document->setTimerRunning(false);
    // The letter opens the item: E for Edit… on the job's menu.
    QMenu *menu = document->outlineSource().outlineViewMenuForTableColumnItem(view, 1, QVariant::fromValue(a));
    QStringList marked;
    for (const QAction *item : menu->actions())
        marked << item->text();
    EXPECT_TRUE(marked.contains(QLatin1Char('&') + text("LSCEdit"))) << marked.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(marked.contains(QLatin1Char('&') + text("LSCDelete"))) << marked.join(QLatin1Char('|')).toStdString();
}

TEST_F(DataSourceTest, TheMenuItemsActOnTheClickedNode)
{
    ProbeDocument *document = newDocument(true);
    NodePtr a = makeJob(QStringLiteral("A"), 10.0f, {});
    NodePtr b = makeJob(QStringLiteral("B"), 10.0f, {});
    fill(document, {a, b});
    select(document, {a});
    QTreeView *view = outline(document);
    // A right click on B's row asks with B, whatever is selected.
    const QRect rowOfB = view->visualRect(document->outlineModel()->indexForNode(b.get()));
    QMenu *menu = NTXOutlineViewExtension::menuForEvent(view, rowOfB.center());
    ASSERT_NE(menu, nullptr);
    QAction *activate = nullptr;
    for (QAction *item : menu->actions()) {
        if (shownTitle(item->text()) == text("LSCActived"))
            activate = item;
    }
    ASSERT_NE(activate, nullptr);
    activate->trigger();
    EXPECT_EQ(document->getActiveJob(), b);
    EXPECT_EQ(NTXOutlineViewExtension::selectedItem(view).value<NodePtr>(), a);
}
