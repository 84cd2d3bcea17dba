// The inspector's field being edited and the time fields while another program owns the
// clipboard and the selection (X clients of the test's own): with owners that never
// answer, Paste by its key and from the Edit menu (neither field has a context menu of
// its own), and the middle button's paste of the selection, each give up on their own
// and change nothing, the event loop going on meanwhile (a delivery holding the window fails the test's
// watchdog); with owners that answer, the text goes in through the field's own checks,
// as typed text does.
#include "NTXAppKit/TDTimeControl/TDStepper.h"
#include "NTXAppKit/TDTimeControl/TDTimeControl.h"
#include "NTXAppKit/TDTimeControl/TDTimeFields.h"
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorText.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTextField.h"
#include "FoundationExtensions/NTXNSTextStorageExtensions.h"
#include "platform/document/ClipboardPaste.h"
#include "platform/document/MenuItemValidation.h"
#include "tests/support/ClipboardOwner.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using testsupport::ClipboardOwner;
namespace menu = platform::MenuItemValidation;
namespace Text = NTXTextViewInspectorText;

namespace {

// Waits until a read of the clipboard and one of the selection have ended: the pastes
// asked for before them have had their answers.
void waitForReads(QObject *receiver)
{
    for (const QClipboard::Mode mode : {QClipboard::Clipboard, QClipboard::Selection}) {
        std::optional<platform::ClipboardPaste::Contents> read;
        platform::ClipboardPaste::read(receiver, mode, false, [&](const platform::ClipboardPaste::Contents &c) { read = c; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return read.has_value(); }, 10000));
    }
    QCoreApplication::processEvents();
}

// The middle button pressed and let go at the point, as the event loop delivers it.
void middleClick(QWidget *target, const QPoint &at)
{
    const QPointF global = target->mapToGlobal(QPointF(at));
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonPress, QPointF(at), global, Qt::MiddleButton,
                                                        Qt::MiddleButton, Qt::NoModifier));
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonRelease, QPointF(at), global, Qt::MiddleButton,
                                                        Qt::NoButton, Qt::NoModifier));
}

// A window with the Edit menu's Paste (sent to the focused widget), shown and active.
struct EditWindow
{
    EditWindow()
    {
        window.resize(360, 280);
        menu::setAutoenablesItems(&edit, true);
        paste = menu::addItem(&edit, QStringLiteral("Paste"), "paste:", QKeySequence());
        window.addAction(paste);
    }
    bool show()
    {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return false;
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
    // The menu's Paste as a click on it sends it: validated first.
    void pasteFromMenu()
    {
        menu::validateMenu(&edit);
        EXPECT_TRUE(paste->isEnabled());
        paste->trigger();
    }
    QWidget window;
    QMenu edit{QStringLiteral("Edit")};
    QAction *paste = nullptr;
};

// Owners of the clipboard and the selection that never answer, taken from this program.
struct SilentOwners
{
    SilentOwners()
    {
        EXPECT_TRUE(clipboard.owns());
        EXPECT_TRUE(selection.owns());
        EXPECT_TRUE(QTest::qWaitFor(
            [] { return !QApplication::clipboard()->ownsClipboard() && !QApplication::clipboard()->ownsSelection(); }, 10000));
    }
    ClipboardOwner clipboard;
    ClipboardOwner selection{std::nullopt, "PRIMARY"};
};

} // namespace

TEST(FieldPastesFromOtherOwners, TheInspectorsFieldBeingEdited)
{
    ASSERT_TRUE(QApplication::clipboard()->supportsSelection()) << "needs the X server";
    platform::ClipboardPaste::install();
    EditWindow shown;
    auto *inspector = new NTXTextViewInspector;
    (new QVBoxLayout(&shown.window))->addWidget(inspector);
    auto descr = std::make_shared<NTXTextViewInspectorTextField>(
        QStringLiteral("descr"), QStringLiteral("Say more"),
        NTXTextViewInspectorFieldLabel::fieldLabelWithString(QStringLiteral("Description")));
    inspector->beginFieldEditing();
    inspector->addFieldsArray({descr});
    inspector->endFieldEditing();
    inspector->setEditableState(true);
    ASSERT_TRUE(shown.show());
    const auto valueRange = [&] {
        return NTXNSTextStorageExtensions::rangeForAttribute(*inspector->document(), Text::PlaceholderProperty,
                                                             inspector->charRangeOfField(descr.get()));
    };
    const auto value = [&] { return Text::text(*inspector->document(), valueRange()); };
    const auto pointOf = [&](qsizetype index) {
        QTextCursor cursor(inspector->document());
        cursor.setPosition(int(index));
        const QRect rect = inspector->cursorRect(cursor);
        return QPoint(rect.left() + 2, rect.center().y());
    };
    inspector->setFocus();
    QTest::mouseClick(inspector->viewport(), Qt::LeftButton, {}, pointOf(valueRange().location + 1));
    ASSERT_TRUE(inspector->isEditing());
    QTest::keyClicks(inspector, QStringLiteral("kept"));
    ASSERT_EQ(value(), QStringLiteral("kept"));

    {
        SilentOwners owners;
        int passes = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++passes; });
        ticker.start(10);
        QTest::keyClick(inspector, Qt::Key_V, Qt::ControlModifier);
        shown.pasteFromMenu();
        middleClick(inspector->viewport(), pointOf(valueRange().location));
        waitForReads(inspector);
        EXPECT_GT(passes, 10) << "the event loop went on";
        EXPECT_TRUE(inspector->isEditing());
        EXPECT_EQ(value(), QStringLiteral("kept"));
    }

    // Answered: the text goes in at the caret as pasted text does, a tab made a space
    // and a line break too (the field takes no line breaks).
    ClipboardOwner owner(QByteArrayLiteral("a\tb"));
    ClipboardOwner selectionOwner(QByteArrayLiteral("c\nd"), "PRIMARY");
    ASSERT_TRUE(owner.owns());
    ASSERT_TRUE(selectionOwner.owns());
    QTest::keyClick(inspector, Qt::Key_End);
    QTest::keyClick(inspector, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return value() == QStringLiteral("kepta b"); }, 10000)) << value().toStdString();
    shown.pasteFromMenu();
    ASSERT_TRUE(QTest::qWaitFor([&] { return value() == QStringLiteral("kepta ba b"); }, 10000)) << value().toStdString();
    // The middle button's paste goes in where it was let go: at the value's start.
    middleClick(inspector->viewport(), pointOf(valueRange().location));
    ASSERT_TRUE(QTest::qWaitFor([&] { return value() == QStringLiteral("c dkepta ba b"); }, 10000)) << value().toStdString();
    inspector->endEditing();
    EXPECT_EQ(descr->value().toString(), QStringLiteral("c dkepta ba b"));
}

TEST(FieldPastesFromOtherOwners, TheTimeFields)
{
    ASSERT_TRUE(QApplication::clipboard()->supportsSelection()) << "needs the X server";
    platform::ClipboardPaste::install();
    EditWindow shown;
    shown.window.setLocale(QLocale(QStringLiteral("en_US")));
    auto *time = new TDTimeControl(&shown.window);
    time->move(10, 10);
    time->setDate(QDateTime(QDate(2009, 3, 14), QTime(9, 30, 0), Qt::LocalTime));
    time->awakeFromNib();
    ASSERT_TRUE(shown.show());
    time->editCell(TDTimeFields::MinuteField);
    QLineEdit *editor = time->fieldEditor();
    ASSERT_NE(editor, nullptr);
    editor->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor->hasFocus(); }));
    const QString before = editor->text();
    const QPoint start(1, editor->height() / 2);

    {
        SilentOwners owners;
        int passes = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++passes; });
        ticker.start(10);
        editor->setCursorPosition(0);
        QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
        shown.pasteFromMenu();
        middleClick(editor, start);
        waitForReads(editor);
        EXPECT_GT(passes, 10) << "the event loop went on";
        EXPECT_EQ(editor->text(), before);
    }

    // Answered: digits go in, as typing lets them, where the cursor is (the middle button:
    // where it was let go); letters are refused.
    {
        ClipboardOwner owner(QByteArrayLiteral("1"));
        ClipboardOwner selectionOwner(QByteArrayLiteral("2"), "PRIMARY");
        ASSERT_TRUE(owner.owns());
        ASSERT_TRUE(selectionOwner.owns());
        editor->setCursorPosition(0);
        QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return editor->text() == QStringLiteral("1") + before; }, 10000))
            << editor->text().toStdString();
        editor->setCursorPosition(0);
        shown.pasteFromMenu();
        ASSERT_TRUE(QTest::qWaitFor([&] { return editor->text() == QStringLiteral("11") + before; }, 10000))
            << editor->text().toStdString();
        middleClick(editor, start);
        ASSERT_TRUE(QTest::qWaitFor([&] { return editor->text() == QStringLiteral("211") + before; }, 10000))
            << editor->text().toStdString();
    }
    const QString typed = editor->text();
    ClipboardOwner refused(QByteArrayLiteral("7abc"));
    ASSERT_TRUE(refused.owns());
    ASSERT_TRUE(QTest::qWaitFor([] { return !QApplication::clipboard()->ownsClipboard(); }, 10000));
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    waitForReads(editor);
    EXPECT_EQ(editor->text(), typed);
    time->editOff();
}
