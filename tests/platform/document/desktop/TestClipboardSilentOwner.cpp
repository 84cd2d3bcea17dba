// Another program holds the clipboard and never answers a request for it (an X client
// of the test's own that takes the CLIPBOARD selection and never reads its events):
// keys typed into a text field, the shortcut validation they start and the Edit
// menu's validation never ask for the clipboard, and Paste stays offered; Paste
// itself, by its key or the menu, gives up on its own and pastes nothing, the event
// loop going on meanwhile. One that answers has its text pasted where the cursor is.
// What this application copies itself is read at once again, once per change.
#include "platform/document/ClipboardOffer.h"
#include "platform/document/ClipboardPaste.h"
#include "platform/document/MenuItemValidation.h"
#include "tests/support/ClipboardOwner.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QThreadPool>
#include <QTimer>
#include <QTest>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace menu = platform::MenuItemValidation;

using testsupport::ClipboardOwner;

TEST(ClipboardSilentOwner, KeysAndMenusNeverAskAClipboardOwnerThatDoesNotAnswer)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *field = new QLineEdit;
    layout->addWidget(field);
    // An editable combo box and a spin box hand their keys to their line edit directly.
    auto *combo = new QComboBox;
    combo->setEditable(true);
    layout->addWidget(combo);
    auto *spin = new QSpinBox;
    spin->setRange(0, 100000);
    layout->addWidget(spin);
    QMenu edit(QStringLiteral("Edit"), &window);
    menu::setAutoenablesItems(&edit, true);
    QAction *paste = menu::addItem(&edit, QStringLiteral("Paste"), "paste:", QKeySequence::Paste);
    QAction *selectAll = menu::addItem(&edit, QStringLiteral("Select All"), "selectAll:", QKeySequence::SelectAll);
    window.addAction(paste);
    window.addAction(selectAll);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));
    const platform::ClipboardOffer &offer = platform::ClipboardOffer::shared();
    QClipboard *clipboard = QApplication::clipboard();

    {
        QSignalSpy changes(clipboard, &QClipboard::changed);
        ClipboardOwner owner;
        ASSERT_TRUE(owner.owns());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !changes.isEmpty(); }, 10000));
        const int reads = offer.reads();
        QTest::keyClicks(field, QStringLiteral("Rename"));
        EXPECT_EQ(field->text(), QStringLiteral("Rename"));
        menu::validateMenu(&edit);
        EXPECT_TRUE(paste->isEnabled());
        EXPECT_TRUE(selectAll->isEnabled());
        Q_EMIT edit.aboutToShow();
        EXPECT_TRUE(paste->isEnabled());
        EXPECT_EQ(offer.reads(), reads) << "the clipboard was asked for";

        // Paste, by its key and from the menu, gives up on its own and pastes nothing;
        // the event loop goes on meanwhile.
        int passes = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++passes; });
        ticker.start(10);
        const int busyBefore = QThreadPool::globalInstance()->activeThreadCount();
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(combo, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(spin, Qt::Key_V, Qt::ControlModifier);
        paste->trigger();
        // One pool thread waits for the owner, however often Paste was pressed.
        EXPECT_LE(QThreadPool::globalInstance()->activeThreadCount(), busyBefore + 1);
        std::optional<platform::ClipboardPaste::Contents> read;
        platform::ClipboardPaste::read(field, false, [&](const platform::ClipboardPaste::Contents &c) { read = c; });
        EXPECT_FALSE(read) << "delivered in a later pass";
        ASSERT_TRUE(QTest::qWaitFor([&] { return read.has_value(); }, 10000));
        EXPECT_FALSE(read->answered);
        EXPECT_GT(passes, 10);
        QCoreApplication::processEvents();
        EXPECT_EQ(field->text(), QStringLiteral("Rename"));
        EXPECT_EQ(combo->currentText(), QString());
        EXPECT_EQ(spin->value(), 0);
    }

    // One that answers: its text goes in where the cursor is, by the key and the menu.
    {
        const QString text = QStringLiteral("Grüße \U0001F600");
        ClipboardOwner owner(text.toUtf8());
        ASSERT_TRUE(owner.owns());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !clipboard->ownsClipboard(); }, 10000));
        field->setCursorPosition(0);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return field->text() == text + QStringLiteral("Rename"); }, 10000))
            << field->text().toStdString();
        QTest::keyClick(combo, Qt::Key_V, Qt::ControlModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return combo->currentText() == text; }, 10000)) << combo->currentText().toStdString();
        field->end(false);
        paste->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return field->text() == text + QStringLiteral("Rename") + text; }, 10000))
            << field->text().toStdString();
        // A field made read-only before the answer came gets nothing.
        field->setReadOnly(true);
        paste->trigger();
        platform::ClipboardPaste::paste(field);
        std::optional<platform::ClipboardPaste::Contents> read;
        platform::ClipboardPaste::read(field, false, [&](const platform::ClipboardPaste::Contents &c) { read = c; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return read.has_value(); }, 10000));
        EXPECT_TRUE(read->answered);
        EXPECT_EQ(read->text, text);
        QCoreApplication::processEvents();
        EXPECT_EQ(field->text(), text + QStringLiteral("Rename") + text);
        field->setReadOnly(false);
        field->setText(QStringLiteral("Rename"));
    }

    // This application's own copy is read, once per change, and the offer follows it:
    // HTML alone is nothing a line edit takes.
    auto *html = new QMimeData;
    html->setHtml(QStringLiteral("<b>copied here</b>"));
    clipboard->setMimeData(html);
    ASSERT_TRUE(QTest::qWaitFor([&] { return clipboard->ownsClipboard(); }, 10000));
    const int reads = offer.reads();
    QTest::keyClicks(field, QStringLiteral("s"));
    menu::validateMenu(&edit);
    EXPECT_FALSE(paste->isEnabled());
    clipboard->setText(QStringLiteral("copied here"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return clipboard->ownsClipboard(); }, 10000));
    QTest::keyClicks(field, QStringLiteral("s"));
    menu::validateMenu(&edit);
    EXPECT_TRUE(paste->isEnabled());
    EXPECT_EQ(offer.reads(), reads + 2);
    clipboard->clear();
}

namespace {

// The widget a text widget's mouse events reach: the viewport of a text edit.
QWidget *mouseTarget(QWidget *widget)
{
    if (auto *area = qobject_cast<QAbstractScrollArea *>(widget))
        return area->viewport();
    return widget;
}

QString textOf(QWidget *widget)
{
    if (auto *line = qobject_cast<QLineEdit *>(widget))
        return line->text();
    if (auto *rich = qobject_cast<QTextEdit *>(widget))
        return rich->toPlainText();
    return qobject_cast<QPlainTextEdit *>(widget)->toPlainText();
}

// The context menu of the widget, asked for as a right click asks (delivered by the
// event loop, where the watchdog times it); null when none showed.
QMenu *contextMenuOf(QWidget *widget)
{
    QWidget *target = mouseTarget(widget);
    const QPoint at(4, 4);
    QCoreApplication::postEvent(target, new QContextMenuEvent(QContextMenuEvent::Mouse, at, target->mapToGlobal(at)));
    if (!QTest::qWaitFor([] { return qobject_cast<QMenu *>(QApplication::activePopupWidget()) != nullptr; }, 10000))
        return nullptr;
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

QAction *itemNamed(QMenu *menu, const QString &name)
{
    for (QAction *item : menu->actions()) {
        if (item->objectName() == name)
            return item;
    }
    return nullptr;
}

// The middle button pressed and let go at the start of the widget's text, as the event
// loop delivers it.
void middleClick(QWidget *widget)
{
    QWidget *target = mouseTarget(widget);
    const QPointF at(2, 4);
    const QPointF global = target->mapToGlobal(at);
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::MiddleButton,
                                                        Qt::MiddleButton, Qt::NoModifier));
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::MiddleButton,
                                                        Qt::NoButton, Qt::NoModifier));
}

// Waits until a read of the clipboard and one of the selection have ended: the pastes
// asked for before them have had their answers.
void waitForReads(QWidget *widget)
{
    for (const QClipboard::Mode mode : {QClipboard::Clipboard, QClipboard::Selection}) {
        std::optional<platform::ClipboardPaste::Contents> read;
        platform::ClipboardPaste::read(widget, mode, false, [&](const platform::ClipboardPaste::Contents &c) { read = c; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return read.has_value(); }, 10000));
    }
    QCoreApplication::processEvents();
}

} // namespace

// The context menu of a line edit, a text edit and a plain text edit, and the middle
// button's paste of the selection, while other programs own the clipboard and the
// selection: with owners that never answer, the menu shows at once (Paste offered) and
// its Paste and the middle button give up on their own, changing nothing, the event
// loop going on meanwhile; with owners that answer, the clipboard's text goes in where
// the cursor is, and the selection's where the middle button was let go.
TEST(ClipboardSilentOwner, ContextMenusAndTheMiddleButtonNeverWaitForTheOwners)
{
    platform::ClipboardPaste::install();
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *field = new QLineEdit(QStringLiteral("kept"));
    auto *rich = new QTextEdit;
    rich->setPlainText(QStringLiteral("kept"));
    auto *plain = new QPlainTextEdit(QStringLiteral("kept"));
    auto *spin = new QSpinBox;
    spin->setRange(0, 100);
    for (QWidget *widget : {static_cast<QWidget *>(field), static_cast<QWidget *>(rich), static_cast<QWidget *>(plain),
                            static_cast<QWidget *>(spin)})
        layout->addWidget(widget);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QClipboard *clipboard = QApplication::clipboard();
    ASSERT_TRUE(clipboard->supportsSelection());
    const QList<QWidget *> widgets{field, rich, plain};

    {
        ClipboardOwner owner;
        ClipboardOwner selectionOwner(std::nullopt, "PRIMARY");
        ASSERT_TRUE(owner.owns());
        ASSERT_TRUE(selectionOwner.owns());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !clipboard->ownsClipboard() && !clipboard->ownsSelection(); }, 10000));
        int passes = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++passes; });
        ticker.start(10);
        for (QWidget *widget : widgets) {
            SCOPED_TRACE(widget->metaObject()->className());
            widget->setFocus();
            QMenu *menu = contextMenuOf(widget);
            ASSERT_NE(menu, nullptr);
            QAction *paste = itemNamed(menu, QStringLiteral("edit-paste"));
            ASSERT_NE(paste, nullptr);
            EXPECT_TRUE(paste->isEnabled());
            EXPECT_NE(itemNamed(menu, QStringLiteral("select-all")), nullptr);
            QTimer::singleShot(0, paste, &QAction::trigger);
            QTimer::singleShot(0, menu, &QMenu::close);
            ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() == nullptr; }, 10000));
            middleClick(widget);
        }
        // A spin box's menu, asked for on its line edit, has Paste and its steps.
        QMenu *spinMenu = contextMenuOf(spin->findChild<QLineEdit *>());
        ASSERT_NE(spinMenu, nullptr);
        ASSERT_NE(itemNamed(spinMenu, QStringLiteral("edit-paste")), nullptr);
        QTimer::singleShot(0, itemNamed(spinMenu, QStringLiteral("edit-paste")), &QAction::trigger);
        QTimer::singleShot(0, spinMenu, &QMenu::close);
        ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() == nullptr; }, 10000));
        waitForReads(field);
        EXPECT_GT(passes, 10);
        EXPECT_EQ(spin->value(), 0);
        for (QWidget *widget : widgets)
            EXPECT_EQ(textOf(widget), QStringLiteral("kept")) << widget->metaObject()->className();
    }

    {
        const QString text = QStringLiteral("Grüße");
        const QString selected = QStringLiteral("picked");
        ClipboardOwner owner(text.toUtf8());
        ClipboardOwner selectionOwner(selected.toUtf8(), "PRIMARY");
        ASSERT_TRUE(owner.owns());
        ASSERT_TRUE(selectionOwner.owns());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !clipboard->ownsClipboard() && !clipboard->ownsSelection(); }, 10000));
        for (QWidget *widget : widgets) {
            SCOPED_TRACE(widget->metaObject()->className());
            widget->setFocus();
            // The cursor at the end: Paste puts the clipboard's text there.
            if (auto *line = qobject_cast<QLineEdit *>(widget))
                line->end(false);
            else if (auto *edit = qobject_cast<QTextEdit *>(widget))
                edit->moveCursor(QTextCursor::End);
            else
                qobject_cast<QPlainTextEdit *>(widget)->moveCursor(QTextCursor::End);
            QMenu *menu = contextMenuOf(widget);
            ASSERT_NE(menu, nullptr);
            QAction *paste = itemNamed(menu, QStringLiteral("edit-paste"));
            ASSERT_NE(paste, nullptr);
            QTimer::singleShot(0, paste, &QAction::trigger);
            QTimer::singleShot(0, menu, &QMenu::close);
            ASSERT_TRUE(QTest::qWaitFor([&] { return textOf(widget) == QStringLiteral("kept") + text; }, 10000))
                << textOf(widget).toStdString();
            // The middle button at the start of the text puts the selection there.
            middleClick(widget);
            ASSERT_TRUE(QTest::qWaitFor([&] { return textOf(widget) == selected + QStringLiteral("kept") + text; }, 10000))
                << textOf(widget).toStdString();
        }
    }
}
