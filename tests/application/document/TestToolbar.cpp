// The document window's toolbar: its items, their validation and the saved choice
// of items.
#include "tests/application/document/TestMyDocumentSupport.h"
#include "tests/support/TestSupport.h"
#include "application/document/NodeNameSheets.h"

#include "application/document/DocumentToolbar.h"

#include "NTXAppKit/NTXContextMenuToolbarItem/NTXContextMenuToolbarItem.h"
#include "NTXAppKit/NTXContextMenuToolbarItem/NTXDelayedPopUpButton.h"
#include "NTXAppKit/NTXContextMenuToolbarItem/NTXDelayedPopUpButtonCell.h"
#include "application/sheets/GroupNameSheet.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/document/MenuMnemonics.h"

#include <QSet>
#include <QAbstractEventDispatcher>
#include <QAction>
#include <QDir>
#include <QImage>
#include <QDockWidget>
#include <QPushButton>
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
    for (QAction *item : document->documentToolbar().toolbar()->actions()) {
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
    QToolBar *toolbar = document->documentToolbar().toolbar();
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
    // Its items have mnemonics of their own (New &Job, New &Group).
    EXPECT_NE(platform::MenuMnemonics::mnemonicOf(add->menu()->actions().at(0)->text()),
              platform::MenuMnemonics::mnemonicOf(add->menu()->actions().at(1)->text()));
    EXPECT_FALSE(QKeySequence::mnemonic(add->menu()->actions().at(1)->text()).isEmpty());
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

// Start and stop are enabled exactly as the Document menu's item and the window's
// button: only in a document that holds a job, wherever it stands.
TEST_F(ToolbarTest, StartStopIsOffInADocumentWithoutJobsLikeTheMenuItem)
{
    ProbeDocument *document = newDocument();
    QAction *menuItem = nullptr;
    for (QAction *item : document->documentWindow()->documentMenu()->actions()) {
        if (platform::MenuItemValidation::actionMethodName(item) == "toggleTimer")
            menuItem = item;
    }
    ASSERT_NE(menuItem, nullptr);
    auto states = [&] {
        document->documentToolbar().validateVisibleToolbarItems();
        return QList<bool>{document->documentToolbar().toolbarItem(QStringLiteral("StartStopButton"))->isEnabled(),
                           document->validateMenuItem(menuItem),
                           document->documentWindow()->startStopButton()->isEnabled()};
    };
    const QList<bool> off{false, false, false};
    const QList<bool> on{true, true, true};
    EXPECT_EQ(states(), off) << "an empty document";

    NodePtr group = Node::create(Node::Group);
    group->setItemName(QStringLiteral("Clients"));
    fill(document, {group});
    EXPECT_EQ(states(), off) << "a document of one group";

    NodePtr job = makeJob(QStringLiteral("Acme"), 10.0f, {});
    group->addChild(job);
    document->reloadOutline();
    EXPECT_EQ(states(), on) << "a job inside the group";
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

// An idle document window wakes the process for nothing: no object holds a timer, and redrawing its state does not send the window icon
// again. A click in the window validates the toolbar (the window updated).
TEST_F(ToolbarTest, AnIdleWindowWakesNobodyAndInputValidatesTheToolbar)
{
    struct Counter : QObject
    {
        int timers = 0;
        int iconChanges = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            timers += event->type() == QEvent::Timer;
            iconChanges += event->type() == QEvent::ApplicationWindowIconChange;
            return false;
        }
    } counter;
    ProbeDocument *document = newDocument(true);
    NodePtr job = makeJob(QStringLiteral("J"), 10.0f, {});
    fill(document, {job});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(document->documentWindow()));
    drainEvents();
    document->updateUI();
    qApp->installEventFilter(&counter);
    // Nothing can wake the process: no object of the window, the document or the
    // application holds a timer (a timer event would need one).
    drainEvents();
    QSet<QObject *> objects;
    auto collect = [&objects](QObject *root) {
        objects.insert(root);
        for (QObject *child : root->findChildren<QObject *>())
            objects.insert(child);
    };
    collect(qApp);
    collect(document);
    for (QWidget *widget : QApplication::topLevelWidgets())
        collect(widget);
    QStringList holders;
    for (QObject *object : std::as_const(objects)) {
        if (!QAbstractEventDispatcher::instance()->registeredTimers(object).isEmpty())
            holders << QString::fromLatin1(object->metaObject()->className()) + QLatin1Char(' ') + object->objectName();
    }
    EXPECT_TRUE(holders.isEmpty()) << holders.join(QStringLiteral(", ")).toStdString();
    EXPECT_EQ(counter.timers, 0);
    counter.iconChanges = 0;
    for (int i = 0; i < 5; ++i)
        document->updateUI();
    EXPECT_EQ(counter.iconChanges, 0);

    QAction *remove = document->documentToolbar().toolbarItem(QStringLiteral("RemoveItem"));
    select(document, {job});
    ASSERT_TRUE(remove->isEnabled());
    document->setTimerRunning(true); // no signal: only an update shows it
    EXPECT_TRUE(remove->isEnabled());
    QTest::mouseClick(document->documentWindow()->centralWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !remove->isEnabled(); }, 5000));
    document->setTimerRunning(false);
    qApp->removeEventFilter(&counter);
}

// While a counter runs the window names the job that counts: no other job can be
// made active, by the toolbar, the menu or the action itself.
TEST_F(ToolbarTest, WhileCountingNoOtherJobBecomesActive)
{
    ProbeDocument *document = newDocument();
    NodePtr design = makeJob(QStringLiteral("Design"), 10.0f, {});
    NodePtr support = makeJob(QStringLiteral("Support"), 10.0f, {});
    fill(document, {design, support});
    document->setActiveJob(design);
    document->setTimerRunning(true);
    select(document, {support});
    QAction *activate = document->documentToolbar().toolbarItem(QStringLiteral("ActivedJob"));
    EXPECT_FALSE(document->documentToolbar().validateToolbarItem(activate));
    QAction *menuItem = platform::MenuItemValidation::makeItem(QStringLiteral("m"), "activedSelectedJob:", nullptr);
    EXPECT_FALSE(document->validateMenuItem(menuItem));
    document->activedSelectedJob(nullptr);
    EXPECT_EQ(document->getActiveJob(), design);
    select(document, {design});
    EXPECT_TRUE(document->documentToolbar().validateToolbarItem(activate));
    document->setTimerRunning(false);
    select(document, {support});
    EXPECT_TRUE(document->validateMenuItem(menuItem));
    delete menuItem;
}

// The items show their labels under their images, as desktop toolbars do; the
// context menu's choice of image only or label only is kept for the next window.
TEST_F(ToolbarTest, LabelsShowUnderTheImagesAndTheDisplayModeIsKept)
{
    ProbeDocument *document = newDocument();
    auto *add = qobject_cast<NTXContextMenuToolbarItem *>(document->documentToolbar().toolbarItem(QStringLiteral("AddItem")));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(document->documentToolbar().toolbar()->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_EQ(add->popupCell()->title(), add->label());
    EXPECT_GT(add->button()->height(), NTXContextMenuToolbarItem::RegularImageSide);

    document->documentToolbar().setDisplayMode(2);
    EXPECT_EQ(document->documentToolbar().toolbar()->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_TRUE(add->popupCell()->title().isEmpty());
    EXPECT_EQ(add->button()->size(), QSize(32, 32));
    ProbeDocument *next = newDocument();
    EXPECT_EQ(next->documentToolbar().displayMode(), 2);
    EXPECT_EQ(next->documentToolbar().toolbar()->toolButtonStyle(), Qt::ToolButtonIconOnly);
    next->documentToolbar().setDisplayMode(3);
    EXPECT_EQ(next->documentToolbar().toolbar()->toolButtonStyle(), Qt::ToolButtonTextOnly);
    next->documentToolbar().setDisplayMode(9); // not a mode: nothing changes
    EXPECT_EQ(newDocument()->documentToolbar().displayMode(), 3);
}

// At a device pixel ratio of 2 the window draws the same picture with twice the
// pixels: the toolbar's images are drawn whole from their sources, not magnified.
TEST_F(ToolbarTest, TheWindowDrawsTheSameAtDevicePixelRatioTwo)
{
    ProbeDocument *document = newDocument(true);
    fill(document, {makeJob(QStringLiteral("Design"), 10.0f, {})});
    QWidget *window = document->documentWindow();
    window->resize(720, 420);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    drainEvents();
    auto render = [window](qreal ratio) {
        QImage image(window->size() * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        window->render(&image);
        image.save(testsupport::screenshotPath(QStringLiteral("chronark-window-ratio%1.png").arg(ratio)));
        return image;
    };
    const QImage single = render(1);
    const QImage twice = render(2);
    auto *add = qobject_cast<NTXContextMenuToolbarItem *>(document->documentToolbar().toolbarItem(QStringLiteral("AddItem")));
    ASSERT_NE(add, nullptr);
    const QRect button(add->button()->mapTo(window, QPoint(0, 0)), add->button()->size());
    const QImage a = single.copy(button).convertToFormat(QImage::Format_ARGB32);
    const QImage b = twice.copy(QRect(button.topLeft() * 2, button.size() * 2))
                         .scaled(button.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_ARGB32);
    qint64 difference = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            difference += qAbs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
    EXPECT_LT(double(difference) / (a.width() * a.height()), 12.0) << "the button's picture differs at ratio 2";
}
