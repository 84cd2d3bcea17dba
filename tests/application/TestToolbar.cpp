// The document window's toolbar: its items, their validation and the saved choice
// of items.
#include "tests/application/TestMyDocumentSupport.h"
#include "application/NodeNameSheets.h"

#include "application/DocumentToolbar.h"

#include "NTXAppKit/NTXContextMenuToolbarItem/NTXContextMenuToolbarItem.h"
#include "application/GroupNameSheet.h"

#include <QAction>
#include <QDockWidget>
#include <QToolBar>

using namespace mydoctest;

namespace {

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

QStringList identifiersShown(MyDocument *document)
{
    QStringList list;
    for (QAction *item : document->toolbar()->actions()) {
        if (auto *contextItem = qobject_cast<NTXContextMenuToolbarItem *>(item))
            list << contextItem->itemIdentifier();
        else
            list << item->property("toolbarItemIdentifier").toString();
    }
    return list;
}

} // namespace

class ToolbarTest : public MyDocumentFixture
{
};

TEST_F(ToolbarTest, TheWindowHasTheDefaultToolbar)
{
    ProbeDocument *document = newDocument();
    QToolBar *toolbar = document->toolbar();
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(toolbar->objectName(), QStringLiteral("XQMainNewToolbar"));
    EXPECT_EQ(toolbar->parent(), document->documentWindow());
    EXPECT_EQ(identifiersShown(document), document->documentToolbar().toolbarDefaultItemIdentifiers());
    EXPECT_EQ(document->documentToolbar().toolbarDefaultItemIdentifiers(),
              (QStringList{"AddItem", "AddGroup", "RemoveItem", "NSToolbarSpaceItem", "StartStopButton",
                           "NSToolbarSpaceItem", "ActivedJob", "NSToolbarFlexibleSpaceItem", "ToggleDrawer"}));
    EXPECT_EQ(document->documentToolbar().toolbarAllowedItemIdentifiers().mid(4),
              (QStringList{"AddItem", "AddGroup", "RemoveItem", "StartStopButton", "ToggleDrawer", "ActivedJob"}));
    QAction *remove = document->documentToolbar().toolbarItem(QStringLiteral("RemoveItem"));
    ASSERT_NE(remove, nullptr);
    EXPECT_EQ(remove->text(), text("LSdeleteEntry"));
    EXPECT_EQ(remove->toolTip(), text("LSTTDeleteEntry"));
    EXPECT_FALSE(remove->icon().isNull());
    // The new-job item pops up a menu of both new commands and validates through
    // the document.
    auto *add = qobject_cast<NTXContextMenuToolbarItem *>(document->documentToolbar().toolbarItem(QStringLiteral("AddItem")));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(NTXContextMenuToolbarItem::toolbarDelegate(toolbar), &document->documentToolbar());
    ASSERT_NE(add->menu(), nullptr);
    EXPECT_EQ(add->menu()->actions().size(), 2);
    EXPECT_EQ(add->action(), QByteArray("newJobEntry:"));
}

TEST_F(ToolbarTest, AnUnknownIdentifierMakesNoItem)
{
    ProbeDocument *document = newDocument();
    EXPECT_EQ(document->documentToolbar().toolbarItemForItemIdentifier(QStringLiteral("PrintItem"), true), nullptr);
    EXPECT_EQ(document->documentToolbar().toolbarItemForItemIdentifier(QString(), true), nullptr);
    std::unique_ptr<QAction> item(document->documentToolbar().toolbarItemForItemIdentifier(QStringLiteral("StartStopButton"), false));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->text(), text("LSstart2"));
}

TEST_F(ToolbarTest, WhileCountingNewAndDeleteAreOffAndStartStopShowsStop)
{
    ProbeDocument *document = newDocument();
    NodePtr job = makeJob(QStringLiteral("J"), 10.0f, {});
    fill(document, {job});
    select(document, {job});
    document->documentToolbar().validateVisibleToolbarItems();
    auto item = [document](const char *identifier) { return document->documentToolbar().toolbarItem(QString::fromLatin1(identifier)); };
    EXPECT_TRUE(item("AddItem")->isEnabled());
    EXPECT_TRUE(item("AddGroup")->isEnabled());
    EXPECT_TRUE(item("RemoveItem")->isEnabled());
    EXPECT_EQ(item("StartStopButton")->text(), text("LSstart2"));
    EXPECT_EQ(item("StartStopButton")->toolTip(), text("LSTTStart"));
    const QImage startImage = item("StartStopButton")->icon().pixmap(32, 32).toImage();

    document->setTimerRunning(true);
    document->documentToolbar().validateVisibleToolbarItems();
    EXPECT_FALSE(item("AddItem")->isEnabled());
    EXPECT_FALSE(item("AddGroup")->isEnabled());
    EXPECT_FALSE(item("RemoveItem")->isEnabled());
    EXPECT_TRUE(item("StartStopButton")->isEnabled());
    EXPECT_EQ(item("StartStopButton")->text(), text("LSstop2"));
    EXPECT_EQ(item("StartStopButton")->toolTip(), text("LSTTStop"));
    EXPECT_NE(item("StartStopButton")->icon().pixmap(32, 32).toImage(), startImage);
    document->setTimerRunning(false);
}

TEST_F(ToolbarTest, ActivatingWantsExactlyOneSelectedJob)
{
    ProbeDocument *document = newDocument();
    NodePtr a = makeJob(QStringLiteral("A"), 10.0f, {{9, 30}});
    NodePtr b = makeJob(QStringLiteral("B"), 10.0f, {});
    fill(document, {a, b});
    QAction *activate = document->documentToolbar().toolbarItem(QStringLiteral("ActivedJob"));
    ASSERT_NE(activate, nullptr);
    EXPECT_FALSE(document->documentToolbar().validateToolbarItem(activate));
    select(document, {a});
    EXPECT_TRUE(document->documentToolbar().validateToolbarItem(activate));
    select(document, {a, b});
    EXPECT_FALSE(document->documentToolbar().validateToolbarItem(activate));
    select(document, {a->childAtIndex(0)});
    EXPECT_FALSE(document->documentToolbar().validateToolbarItem(activate));
    // The selection change validates the items at once.
    select(document, {b});
    EXPECT_TRUE(activate->isEnabled());
    activate->trigger();
    EXPECT_EQ(document->getActiveJob(), b);
}

TEST_F(ToolbarTest, TheDrawerItemShowsWhatItWouldDo)
{
    ProbeDocument *document = newDocument(true);
    QAction *drawer = document->documentToolbar().toolbarItem(QStringLiteral("ToggleDrawer"));
    ASSERT_NE(drawer, nullptr);
    document->documentToolbar().validateVisibleToolbarItems();
    EXPECT_EQ(drawer->text(), text("LSShowDetails"));
    drawer->trigger();
    EXPECT_TRUE(document->documentWindow()->windowDrawer()->isVisible());
    document->documentToolbar().validateVisibleToolbarItems();
    EXPECT_EQ(drawer->text(), text("LSHideDetails"));
    EXPECT_EQ(drawer->toolTip(), text("LSDetailsToolTip"));
}

TEST_F(ToolbarTest, TheContextMenuItemValidatesThroughTheDocument)
{
    ProbeDocument *document = newDocument();
    auto *add = qobject_cast<NTXContextMenuToolbarItem *>(document->documentToolbar().toolbarItem(QStringLiteral("AddItem")));
    ASSERT_NE(add, nullptr);
    document->setTimerRunning(true);
    add->validate();
    EXPECT_FALSE(add->isEnabled());
    document->setTimerRunning(false);
    add->validate();
    EXPECT_TRUE(add->isEnabled());
}

TEST_F(ToolbarTest, TheNewGroupItemOpensTheGroupSheet)
{
    ProbeDocument *document = newDocument(true);
    document->documentToolbar().toolbarItem(QStringLiteral("AddGroup"))->trigger();
    GroupNameSheet *sheet = document->nameSheets().groupNameWindow();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    sheet->reject();
}

TEST_F(ToolbarTest, TheChoiceOfItemsIsKeptForTheNextWindow)
{
    ProbeDocument *document = newDocument();
    document->documentToolbar().setToolbarItemIdentifiers({"StartStopButton", "Bogus", "NSToolbarSeparatorItem", "RemoveItem"});
    EXPECT_EQ(identifiersShown(document), (QStringList{"StartStopButton", "NSToolbarSeparatorItem", "RemoveItem"}));
    ProbeDocument *next = newDocument();
    EXPECT_EQ(identifiersShown(next), (QStringList{"StartStopButton", "NSToolbarSeparatorItem", "RemoveItem"}));
    next->documentToolbar().setToolbarItemIdentifiers(next->documentToolbar().toolbarDefaultItemIdentifiers());
    ProbeDocument *third = newDocument();
    EXPECT_EQ(identifiersShown(third), third->documentToolbar().toolbarDefaultItemIdentifiers());
}
