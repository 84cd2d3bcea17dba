// Menu items with target/action, tag and represented object, and their validation.
#include "platform/drawing/ActionDispatch.h"
#include "platform/document/ClipboardOffer.h"
#include "platform/document/ClipboardPaste.h"
#include "platform/drawing/WholeTextEdit.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/drawing/Sheet.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QDialog>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

namespace menu = platform::MenuItemValidation;

namespace {

class Receiver : public QObject
{
    Q_OBJECT
public:
    QStringList received;
    QObject *lastSender = nullptr;
    bool allowFrobnicate = false;
    int validations = 0;

    Q_INVOKABLE void frobnicate(QObject *sender)
    {
        received << QStringLiteral("frobnicate");
        lastSender = sender;
    }
    Q_INVOKABLE void polish(QObject *sender)
    {
        received << QStringLiteral("polish");
        lastSender = sender;
    }
    Q_INVOKABLE bool validateMenuItem(QAction *item)
    {
        ++validations;
        if (menu::actionMethodName(item) == "frobnicate")
            return allowFrobnicate;
        return true;
    }
};

// Responds to an action but does not validate: its items are always enabled.
class PlainReceiver : public QObject
{
    Q_OBJECT
public:
    int count = 0;
    Q_INVOKABLE void polish(QObject *) { ++count; }
};

struct ChainReset
{
    ~ChainReset() { platform::setApplicationResponders(nullptr); }
};

} // namespace

TEST(MenuItemValidation, ItemsCarryActionTargetTagAndRepresentedObject)
{
    Receiver receiver;
    QAction *item = menu::makeItem(QStringLiteral("Frob"), "frobnicate:", &receiver,
                                   QKeySequence(QStringLiteral("Ctrl+F")), &receiver, 7);
    EXPECT_EQ(item->text(), QStringLiteral("Frob"));
    EXPECT_EQ(menu::action(item), QByteArray("frobnicate:"));
    EXPECT_EQ(menu::actionMethodName(item), QByteArray("frobnicate"));
    EXPECT_EQ(menu::target(item), &receiver);
    EXPECT_EQ(menu::tag(item), 7);
    EXPECT_EQ(item->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
    menu::setRepresentedObject(item, QStringLiteral("/some/path"));
    EXPECT_EQ(menu::representedObject(item).toString(), QStringLiteral("/some/path"));

    QAction plain;
    EXPECT_TRUE(menu::action(&plain).isEmpty());
    EXPECT_EQ(menu::tag(&plain), 0);
    EXPECT_EQ(menu::target(&plain), nullptr);
    EXPECT_FALSE(menu::representedObject(&plain).isValid());
    EXPECT_EQ(menu::action(nullptr), QByteArray());
    menu::setTag(nullptr, 3); // harmless
}

TEST(MenuItemValidation, AStandardKeyFallsBackToTheItemsOwnKeyOnlyWhereThePlatformBindsNone)
{
    const QKeySequence own(QStringLiteral("Ctrl+Shift+F"));
    EXPECT_EQ(menu::standardShortcuts(QKeySequence::UnknownKey, own), QList<QKeySequence>{own});
    EXPECT_TRUE(menu::standardShortcuts(QKeySequence::UnknownKey, QKeySequence()).isEmpty());
    ASSERT_FALSE(QKeySequence::keyBindings(QKeySequence::Copy).isEmpty());
    EXPECT_EQ(menu::standardShortcuts(QKeySequence::Copy, own), QKeySequence::keyBindings(QKeySequence::Copy));

    QMenu m;
    QAction *item = menu::addItem(&m, QStringLiteral("Frob"), "frobnicate:", QKeySequence::UnknownKey, own);
    EXPECT_EQ(item->shortcuts(), QList<QKeySequence>{own});
    EXPECT_EQ(m.actions(), QList<QAction *>{item});
}

TEST(MenuItemValidation, TriggeringSendsTheActionWithTheItemAsSender)
{
    Receiver receiver;
    QAction *item = menu::makeItem(QStringLiteral("Polish"), "polish:", &receiver, {}, &receiver);
    item->trigger();
    EXPECT_EQ(receiver.received, QStringList{QStringLiteral("polish")});
    EXPECT_EQ(receiver.lastSender, item);

    // Setting the action twice does not send twice.
    menu::setAction(item, "frobnicate:");
    item->trigger();
    EXPECT_EQ(receiver.received, (QStringList{QStringLiteral("polish"), QStringLiteral("frobnicate")}));
}

// An assistive program's press of a menu item of a window that a sheet holds does
// nothing, as a click there would; the same item of the tray's menu of its own acts,
// and the window's acts again once the sheet ended.
TEST(MenuItemValidation, AnItemOfAHeldWindowRefusesAnAccessibilityPress)
{
    PlainReceiver receiver;
    QMainWindow window;
    QMenu *documentMenu = window.menuBar()->addMenu(QStringLiteral("Document"));
    QAction *item = menu::addItem(documentMenu, QStringLiteral("Polish"), "polish:", QKeySequence(), &receiver);
    QMenu tray;
    menu::addItem(&tray, QStringLiteral("Polish"), "polish:", QKeySequence(), &receiver);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto press = [](QMenu *menuOfItem) {
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(menuOfItem);
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->childCount(), 1);
        QAccessibleActionInterface *actions = list->child(0)->actionInterface();
        ASSERT_NE(actions, nullptr);
        actions->doAction(QAccessibleActionInterface::pressAction());
    };

    auto *sheet = new QDialog;
    platform::Sheet::begin(sheet, &window, [](int) {});
    press(documentMenu);
    item->trigger();
    EXPECT_EQ(receiver.count, 0) << "an item of the held window acted";
    press(&tray);
    EXPECT_EQ(receiver.count, 1) << "the tray's item";
    platform::Sheet::end(sheet, 0);
    press(documentMenu);
    EXPECT_EQ(receiver.count, 2) << "the window's item once the sheet ended";
    delete sheet;
}

TEST(MenuItemValidation, AnItemIsEnabledByWhatItsReceiverAnswers)
{
    Receiver receiver;
    QAction frob, polish, none;
    menu::setAction(&frob, "frobnicate:");
    menu::setTarget(&frob, &receiver);
    menu::setAction(&polish, "polish:");
    menu::setTarget(&polish, &receiver);
    menu::setAction(&none, "doesNotExist:");
    menu::setTarget(&none, &receiver);

    EXPECT_FALSE(menu::validateItem(&frob));
    EXPECT_FALSE(frob.isEnabled());
    receiver.allowFrobnicate = true;
    EXPECT_TRUE(menu::validateItem(&frob));
    EXPECT_TRUE(frob.isEnabled());
    EXPECT_TRUE(menu::validateItem(&polish));
    EXPECT_FALSE(menu::validateItem(&none)) << "no receiver: disabled";

    PlainReceiver plain;
    QAction plainItem;
    menu::setAction(&plainItem, "polish:");
    menu::setTarget(&plainItem, &plain);
    plainItem.setEnabled(false);
    EXPECT_TRUE(menu::validateItem(&plainItem)) << "a receiver without validateMenuItem enables the item";

    QAction withoutAction;
    withoutAction.setEnabled(false);
    EXPECT_FALSE(menu::validateItem(&withoutAction)) << "items without an action keep their state";
}

TEST(MenuItemValidation, AnItemWhoseTargetWentAwayIsDisabledAndSendsNothing)
{
    ChainReset reset;
    PlainReceiver chainReceiver;
    platform::setApplicationResponders([&] { return QList<QObject *>{&chainReceiver}; });
    QAction item;
    {
        PlainReceiver target;
        menu::setAction(&item, "polish:");
        menu::setTarget(&item, &target);
        EXPECT_TRUE(menu::validateItem(&item));
    }
    EXPECT_FALSE(menu::validateItem(&item));
    item.setEnabled(true);
    EXPECT_FALSE(menu::sendItemAction(&item));
    EXPECT_EQ(chainReceiver.count, 0) << "not sent along the chain instead";
}

TEST(MenuItemValidation, WithoutTargetTheResponderChainDecides)
{
    ChainReset reset;
    Receiver first;
    PlainReceiver second;
    platform::setApplicationResponders([&] { return QList<QObject *>{&first, &second}; });
    QAction frob, polish;
    menu::setAction(&frob, "frobnicate:");
    menu::setAction(&polish, "polish:");
    EXPECT_EQ(menu::targetForItem(&polish), &first);
    EXPECT_FALSE(menu::validateItem(&frob));
    first.allowFrobnicate = true;
    EXPECT_TRUE(menu::validateItem(&frob));
    polish.trigger();
    EXPECT_EQ(first.received, QStringList{QStringLiteral("polish")});
    EXPECT_EQ(second.count, 0);

    platform::setApplicationResponders([&] { return QList<QObject *>{&second}; });
    EXPECT_FALSE(menu::validateItem(&frob));
    EXPECT_TRUE(menu::validateItem(&polish));
    polish.trigger();
    EXPECT_EQ(second.count, 1);
}

TEST(MenuItemValidation, AutoenablingMenusValidateBeforeTheyShow)
{
    Receiver receiver;
    QMenu auto_, manual;
    QAction *a = menu::addItem(&auto_, QStringLiteral("Frob"), "frobnicate:", {}, &receiver);
    QAction *separator = auto_.addSeparator();
    QMenu *sub = auto_.addMenu(QStringLiteral("Sub"));
    QAction *m = menu::addItem(&manual, QStringLiteral("Frob"), "frobnicate:", {}, &receiver);
    menu::setAutoenablesItems(&auto_, true);
    EXPECT_TRUE(menu::autoenablesItems(&auto_));
    EXPECT_FALSE(menu::autoenablesItems(&manual));

    Q_EMIT auto_.aboutToShow();
    Q_EMIT manual.aboutToShow();
    EXPECT_FALSE(a->isEnabled());
    EXPECT_TRUE(m->isEnabled()) << "a menu that does not autoenable leaves its items alone";
    EXPECT_TRUE(separator->isEnabled());
    EXPECT_TRUE(sub->menuAction()->isEnabled());

    receiver.allowFrobnicate = true;
    auto_.popup(QPoint(0, 0));
    EXPECT_TRUE(a->isEnabled());
    auto_.hide();

    menu::setAutoenablesItems(&auto_, false);
    receiver.allowFrobnicate = false;
    const int before = receiver.validations;
    Q_EMIT auto_.aboutToShow();
    EXPECT_EQ(receiver.validations, before);
    EXPECT_TRUE(a->isEnabled());
}

TEST(MenuItemValidation, ADisabledItemSendsNothing)
{
    Receiver receiver;
    QAction *item = menu::makeItem(QStringLiteral("Frob"), "frobnicate:", &receiver, {}, &receiver);
    item->setEnabled(false);
    EXPECT_FALSE(menu::sendItemAction(item));
    item->trigger();
    EXPECT_TRUE(receiver.received.isEmpty());
}

TEST(MenuItemValidation, ShortcutsAreValidatedBeforeTheyAreMatched)
{
    auto window = std::make_unique<QMainWindow>();
    window->setCentralWidget(new QWidget);
    Receiver receiver;
    QMenu *m = window->menuBar()->addMenu(QStringLiteral("Things"));
    QAction *item = menu::addItem(m, QStringLiteral("Frob"), "frobnicate:", QKeySequence(QStringLiteral("Ctrl+B")),
                                  &receiver);
    menu::setAutoenablesItems(m, true);
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    // Validated while the receiver said no: the item is disabled.
    menu::validateMenu(m);
    ASSERT_FALSE(item->isEnabled());

    // Now it says yes: the shortcut works without the menu being opened.
    receiver.allowFrobnicate = true;
    QTest::keyClick(window.get(), Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(receiver.received, QStringList{QStringLiteral("frobnicate")});

    // And no again: the shortcut does nothing.
    receiver.allowFrobnicate = false;
    QTest::keyClick(window.get(), Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(receiver.received.size(), 1);
    EXPECT_FALSE(item->isEnabled());
}

TEST(MenuItemValidation, TextWidgetsAreJudgedByTheirOwnState)
{
    ChainReset reset;
    platform::setApplicationResponders(nullptr);
    auto window = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(window.get());
    auto *line = new QLineEdit;
    auto *plain = new QPlainTextEdit;
    layout->addWidget(line);
    layout->addWidget(plain);
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    QAction copy, cut, paste, undo, selectAll;
    menu::setAction(&copy, "copy:");
    menu::setAction(&cut, "cut:");
    menu::setAction(&paste, "paste:");
    menu::setAction(&undo, "undo:");
    menu::setAction(&selectAll, "selectAll:");

    line->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return line->hasFocus(); }));
    EXPECT_EQ(menu::targetForItem(&copy), line);
    EXPECT_FALSE(menu::validateItem(&copy));
    EXPECT_FALSE(menu::validateItem(&selectAll));
    EXPECT_FALSE(menu::validateItem(&undo));
    QTest::keyClicks(line, QStringLiteral("hello"));
    EXPECT_TRUE(menu::validateItem(&undo));
    EXPECT_TRUE(menu::validateItem(&selectAll));
    line->selectAll();
    EXPECT_TRUE(menu::validateItem(&copy));
    EXPECT_TRUE(menu::validateItem(&cut));
    line->setReadOnly(true);
    EXPECT_FALSE(menu::validateItem(&cut));
    EXPECT_TRUE(menu::validateItem(&copy));

    QApplication::clipboard()->setText(QStringLiteral("clip"));
    plain->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return plain->hasFocus(); }));
    EXPECT_EQ(menu::targetForItem(&paste), plain);
    EXPECT_TRUE(menu::validateItem(&paste));
    EXPECT_FALSE(menu::validateItem(&copy));
    paste.trigger();
    // (The clipboard is read and pasted in a later pass.)
    EXPECT_TRUE(QTest::qWaitFor([&] { return plain->toPlainText() == QStringLiteral("clip"); }));
}

// Validation answers from what the clipboard offered at its last change, and never
// reads the clipboard itself: on X11 that asks the owning program, which may hang.
TEST(MenuItemValidation, PasteFollowsTheClipboardWithoutReadingItAtEachValidation)
{
    auto window = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(window.get());
    auto *plain = new QPlainTextEdit;
    auto *rich = new QTextEdit;
    auto *line = new QLineEdit;
    layout->addWidget(plain);
    layout->addWidget(rich);
    layout->addWidget(line);
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QAction paste;
    menu::setAction(&paste, "paste:");
    const platform::ClipboardOffer &offer = platform::ClipboardOffer::shared();

    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !offer.hasText() && !offer.hasHtml(); }));
    for (QWidget *widget : {static_cast<QWidget *>(plain), static_cast<QWidget *>(rich), static_cast<QWidget *>(line)}) {
        widget->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return widget->hasFocus(); }));
        EXPECT_FALSE(menu::validateItem(&paste)) << widget->metaObject()->className();
    }

    clipboard->setText(QStringLiteral("clip"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return offer.hasText(); }));
    const int reads = offer.reads();
    for (QWidget *widget : {static_cast<QWidget *>(plain), static_cast<QWidget *>(rich), static_cast<QWidget *>(line)}) {
        widget->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return widget->hasFocus(); }));
        for (int i = 0; i < 20; ++i)
            EXPECT_TRUE(menu::validateItem(&paste)) << widget->metaObject()->className();
    }
    EXPECT_EQ(offer.reads(), reads);

    // HTML alone goes only where rich text is taken.
    auto *html = new QMimeData;
    html->setHtml(QStringLiteral("<b>bold</b>"));
    clipboard->setMimeData(html);
    ASSERT_TRUE(QTest::qWaitFor([&] { return offer.hasHtml() && !offer.hasText(); }));
    rich->setAcceptRichText(true);
    rich->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return rich->hasFocus(); }));
    EXPECT_TRUE(menu::validateItem(&paste));
    rich->setAcceptRichText(false);
    EXPECT_FALSE(menu::validateItem(&paste));
    plain->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return plain->hasFocus(); }));
    EXPECT_FALSE(menu::validateItem(&paste));
    // Read only: a read-only widget takes nothing.
    clipboard->setText(QStringLiteral("again"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return offer.hasText(); }));
    plain->setReadOnly(true);
    EXPECT_FALSE(menu::validateItem(&paste));
    clipboard->clear();
}

// A change of the clipboard anywhere on the desktop is not read at once: a menu may
// never open. The offer is read once when next asked for, whatever the changes before.
TEST(MenuItemValidation, ClipboardChangesAreReadOnlyWhenPasteIsNextValidated)
{
    auto window = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(window.get());
    auto *plain = new QPlainTextEdit;
    layout->addWidget(plain);
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    plain->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return plain->hasFocus(); }));
    QAction paste;
    menu::setAction(&paste, "paste:");
    const platform::ClipboardOffer &offer = platform::ClipboardOffer::shared();
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    EXPECT_FALSE(menu::validateItem(&paste));

    const int reads = offer.reads();
    for (int i = 0; i < 5; ++i) {
        clipboard->setText(QStringLiteral("copied elsewhere %1").arg(i));
        clipboard->clear();
    }
    clipboard->setText(QStringLiteral("last"));
    QCoreApplication::processEvents();
    EXPECT_EQ(offer.reads(), reads) << "changes only mark the offer stale";
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(menu::validateItem(&paste));
    EXPECT_EQ(offer.reads(), reads + 1) << "read once, when asked for";
    clipboard->clear();
    EXPECT_EQ(offer.reads(), reads + 1);
    EXPECT_FALSE(menu::validateItem(&paste));
    EXPECT_EQ(offer.reads(), reads + 2);
}

// A paste read here goes into a text edit through the edit's own insertion of pasted
// data, as Qt's paste does: an editor that parts long paragraphs keeps the pasted
// breaks and parts the text as given text is, and a read-only one takes nothing.
TEST(MenuItemValidation, APasteGoesInThroughTheEditorsOwnInsertion)
{
    platform::WholeTextEdit editor;
    editor.setLongestBlock(4);
    editor.setWholeText(QStringLiteral("abcd"));
    editor.moveCaretTo(4);
    QGuiApplication::clipboard()->setText(QStringLiteral("12345678\r\n9"));
    platform::ClipboardPaste::paste(&editor);
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor.wholeText() != QStringLiteral("abcd"); }, 10000));
    EXPECT_EQ(editor.wholeText(), QStringLiteral("abcd12345678\r\n9"));
    editor.setReadOnly(true);
    bool read = false;
    platform::ClipboardPaste::paste(&editor);
    platform::ClipboardPaste::read(&editor, false, [&](const platform::ClipboardPaste::Contents &) { read = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return read; }, 10000));
    EXPECT_EQ(editor.wholeText(), QStringLiteral("abcd12345678\r\n9"));
    QGuiApplication::clipboard()->clear();
}

#include "TestMenuItemValidation.moc"
