// The hold a sheet keeps on its window: nothing there acts while the sheet shows (no
// context menu, wheel, drop or shortcut; the program may still close it); keys that reach the
// window before the sheet has the keyboard go on to the sheet, in order, and are
// dropped once it has it; a sheet waiting for its window holds nothing.
#include "platform/drawing/Sheet.h"
#include "platform/drawing/WholeTextDialog.h"
#include "platform/drawing/WindowHold.h"
#include "tests/support/TestSupport.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <random>

namespace {

// A field that counts the context menus, wheel turns and drops it takes.
class CountingField : public QLineEdit
{
public:
    explicit CountingField(QWidget *parent) : QLineEdit(parent) { setAcceptDrops(true); }
    int acted = 0;

protected:
    void contextMenuEvent(QContextMenuEvent *event) override
    {
        ++acted;
        event->accept();
    }
    void wheelEvent(QWheelEvent *event) override
    {
        ++acted;
        event->accept();
    }
    void dragEnterEvent(QDragEnterEvent *event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent *event) override
    {
        ++acted;
        event->acceptProposedAction();
    }
};

// A document window with a field that has the keyboard and a shortcut of its own.
struct Window
{
    Window()
    {
        field = new CountingField(&main);
        main.setCentralWidget(field);
        auto *action = new QAction(&main);
        action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
        QObject::connect(action, &QAction::triggered, [this] { ++shortcuts; });
        main.addAction(action);
        main.show();
        main.activateWindow();
        field->setFocus();
    }
    QMainWindow main;
    CountingField *field = nullptr;
    int shortcuts = 0;
};

// A sheet with a field, which takes the keyboard first.
QDialog *makeSheet(QLineEdit **field)
{
    auto *sheet = new QDialog;
    auto *layout = new QVBoxLayout(sheet);
    *field = new QLineEdit(sheet);
    layout->addWidget(*field);
    return sheet;
}

void sendOtherInput(CountingField *field)
{
    const QPoint at = field->rect().center();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, field->mapToGlobal(at));
    QApplication::sendEvent(field, &menu);
    QWheelEvent wheel(QPointF(at), QPointF(field->mapToGlobal(at)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(field, &wheel);
    QMimeData data;
    data.setText(QStringLiteral("dropped"));
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &drop);
}

} // namespace

TEST(WindowHold, KeysBeforeTheSheetHasTheKeyboardReachItAndNothingElseActs)
{
    Window window;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window.main));
    QLineEdit *sheetField = nullptr;
    QDialog *sheet = makeSheet(&sheetField);
    QPointer<QDialog> guard(sheet);
    int result = 0;
    platform::Sheet::begin(sheet, &window.main, [&](int r) { result = r; });
    ASSERT_TRUE(sheet->isVisible());
    // The desktop has not given the sheet the keyboard yet: the window still has it.
    ASSERT_EQ(QApplication::activeWindow(), &window.main);
    QTest::keyClicks(window.field, QStringLiteral("ab"));
    QTest::keyClick(window.field, Qt::Key_K, Qt::ControlModifier);
    QTest::keyClicks(window.field, QStringLiteral("c"));
    EXPECT_EQ(sheetField->text(), QStringLiteral("abc"));
    EXPECT_EQ(window.field->text(), QString());
    EXPECT_EQ(window.shortcuts, 0) << "a shortcut of the window fired under the sheet";
    sendOtherInput(window.field);
    EXPECT_EQ(window.field->acted, 0);

    // The sheet has the keyboard: a key sent to the window now goes nowhere.
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == sheet; }));
    QTest::keyClicks(window.field, QStringLiteral("x"));
    EXPECT_EQ(sheetField->text(), QStringLiteral("abc"));
    EXPECT_EQ(window.field->text(), QString());
    // Escape in the sheet ends it.
    QTest::keyClick(sheetField, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return result == QDialog::Rejected && !platform::Sheet::isRunning(sheet); }));
    testsupport::settleEvents();

    // Gone: the window acts again.
    QTest::keyClicks(window.field, QStringLiteral("d"));
    QTest::keyClick(window.field, Qt::Key_K, Qt::ControlModifier);
    sendOtherInput(window.field);
    EXPECT_EQ(window.field->text(), QStringLiteral("d"));
    EXPECT_EQ(window.shortcuts, 1);
    EXPECT_EQ(window.field->acted, 3);
    delete guard.data();
}

// A field that keeps the native scan codes of the keys it takes.
class ScanCodeField : public QLineEdit
{
public:
    using QLineEdit::QLineEdit;
    QList<quint32> scanCodes;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        scanCodes.append(event->nativeScanCode());
        QLineEdit::keyPressEvent(event);
    }
};

// Keys the desktop still sends to a menu that stood on a window and hid go on to the
// widget with the focus in that window, whole (their native codes too), under the
// same holds as keys typed there: under a sheet they reach the sheet.
TEST(WindowHold, KeysAHiddenMenuGetsGoToTheFocusedWidgetUnderTheWindowsHolds)
{
    QMainWindow main;
    auto *field = new ScanCodeField(&main);
    main.setCentralWidget(field);
    main.show();
    main.activateWindow();
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    const auto hiddenMenuGets = [&](const QString &text) {
        QMenu menu(&main);
        menu.addAction(QStringLiteral("Item"));
        menu.popup(main.mapToGlobal(QPoint(10, 10)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
        menu.hide();
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (c.unicode() - 'a'), Qt::NoModifier, 38 + c.unicode(), 0, 0,
                            QString(c));
            QSpontaneKeyEvent::setSpontaneous(&press);
            QApplication::instance()->notify(&menu, &press);
        }
    };
    hiddenMenuGets(QStringLiteral("typed"));
    EXPECT_EQ(field->text(), QStringLiteral("typed"));
    ASSERT_EQ(field->scanCodes.size(), 5);
    EXPECT_EQ(field->scanCodes.first(), 38u + 't');

    // Under a sheet: to the sheet, not to the window's field.
    QLineEdit *sheetField = nullptr;
    QDialog *sheet = makeSheet(&sheetField);
    QPointer<QDialog> guard(sheet);
    platform::Sheet::begin(sheet, &main, [](int) {});
    ASSERT_TRUE(sheet->isVisible());
    // Before the desktop gave the sheet the keyboard.
    ASSERT_EQ(QApplication::activeWindow(), &main);
    hiddenMenuGets(QStringLiteral("more"));
    EXPECT_EQ(field->text(), QStringLiteral("typed"));
    EXPECT_EQ(sheetField->text(), QStringLiteral("more"));
    platform::Sheet::end(sheet, QDialog::Rejected);
    testsupport::settleEvents();
    delete guard.data();
}

// The program's own close of the window under a sheet goes through, and ends the sheet.
TEST(WindowHold, TheProgramClosesTheWindowUnderASheet)
{
    Window window;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window.main));
    QLineEdit *sheetField = nullptr;
    QDialog *sheet = makeSheet(&sheetField);
    QPointer<QDialog> guard(sheet);
    int result = 0;
    platform::Sheet::begin(sheet, &window.main, [&](int r) { result = r; });
    ASSERT_TRUE(sheet->isVisible());
    EXPECT_TRUE(window.main.close());
    testsupport::settleEvents();
    EXPECT_EQ(result, platform::Sheet::Aborted);
    EXPECT_FALSE(sheet->isVisible());
    delete guard.data();
}

TEST(WindowHold, ASheetWaitingForItsWindowTakesNoKeys)
{
    Window window;
    Window other;
    other.main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other.main));
    QLineEdit *sheetField = nullptr;
    QDialog *sheet = makeSheet(&sheetField);
    QPointer<QDialog> guard(sheet);
    platform::Sheet::begin(sheet, &window.main, [](int) {});
    testsupport::settleEvents();
    ASSERT_FALSE(sheet->isVisible()) << "it waits for its window";
    QTest::keyClicks(other.field, QStringLiteral("xy"));
    EXPECT_EQ(other.field->text(), QStringLiteral("xy"));
    EXPECT_EQ(sheetField->text(), QString());
    platform::Sheet::end(sheet, 0);
    testsupport::settleEvents();
    delete guard.data();
}

// Seeded: characters typed into the window before the sheet has the keyboard, mixed
// with the window's shortcut and other input, reach the sheet's field in the order
// typed; nothing else lands anywhere.
TEST(WindowHold, SeededKeysMixedWithOtherInputReachTheSheetInOrder)
{
    std::mt19937 random(20261209);
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        Window window;
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window.main));
        QLineEdit *sheetField = nullptr;
        QDialog *sheet = makeSheet(&sheetField);
        platform::Sheet::begin(sheet, &window.main, [](int) {});
        QString typed;
        for (int step = 0; step < 40; ++step) {
            switch (random() % 4) {
            case 0:
            case 1: {
                const QChar c(QLatin1Char(char('a' + random() % 26)));
                QTest::keyClicks(window.field, QString(c));
                typed += c;
                break;
            }
            case 2:
                QTest::keyClick(window.field, Qt::Key_K, Qt::ControlModifier);
                break;
            default:
                sendOtherInput(window.field);
                break;
            }
            ASSERT_EQ(sheetField->text(), typed);
            ASSERT_EQ(window.field->text(), QString());
            ASSERT_EQ(window.shortcuts, 0);
            ASSERT_EQ(window.field->acted, 0);
        }
        platform::Sheet::end(sheet, 0);
        testsupport::settleEvents();
        delete sheet;
    }
}

// An assistive program's press of a button of the window, its toggle of a check box
// there and a text it sets on one do nothing while a sheet or the whole-text dialog
// holds the window, as a click there does nothing; once the holder ended they act.
TEST(WindowHold, AccessibilityActionsOnTheHeldWindowDoNothing)
{
    Window window;
    auto *button = new QPushButton(QStringLiteral("Go"), &window.main);
    auto *box = new QCheckBox(QStringLiteral("Kept"), &window.main);
    box->move(0, 40);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window.main));
    QAccessibleInterface *pressed = QAccessible::queryAccessibleInterface(button);
    QAccessibleInterface *toggled = QAccessible::queryAccessibleInterface(box);
    ASSERT_NE(pressed, nullptr);
    ASSERT_NE(toggled, nullptr);
    ASSERT_NE(pressed->actionInterface(), nullptr);
    ASSERT_NE(toggled->actionInterface(), nullptr);
    EXPECT_EQ(pressed->role(), QAccessible::Button);
    EXPECT_EQ(pressed->text(QAccessible::Name), QStringLiteral("Go"));
    const auto expectRefused = [&] {
        pressed->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_FALSE(button->isDown()) << "the press began";
        toggled->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        EXPECT_FALSE(box->isChecked());
        pressed->setText(QAccessible::Name, QStringLiteral("Changed"));
        EXPECT_EQ(button->text(), QStringLiteral("Go"));
        EXPECT_EQ(clicks, 0);
    };

    {
        SCOPED_TRACE("a sheet");
        QLineEdit *field = nullptr;
        QDialog *sheet = makeSheet(&field);
        platform::Sheet::begin(sheet, &window.main, [](int) {});
        ASSERT_TRUE(sheet->isVisible());
        expectRefused();
        platform::Sheet::end(sheet, 0);
        testsupport::settleEvents();
        delete sheet;
    }
    {
        SCOPED_TRACE("the whole-text dialog");
        auto *dialog = new platform::WholeTextDialog(QStringLiteral("Description"), QString(), window.field);
        QPointer<platform::WholeTextDialog> guard(dialog);
        dialog->open();
        ASSERT_TRUE(dialog->isVisible());
        expectRefused();
        dialog->reject();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !guard; }));
        testsupport::settleEvents();
    }

    // Nothing holds the window: each acts.
    toggled->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(box->isChecked());
    pressed->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicks == 1; }));
}
