// X11's middle-click paste and the Paste key into the time and date controls go through
// the same filter as typing: only what could be typed gets in. Both read off the GUI
// thread (platform::ClipboardPaste): the text comes in a later pass.
#include "NTXAppKit/TDSmallDateControl/TDSmallDateControl.h"
#include "NTXAppKit/TDTimeControl/TDStepper.h"
#include "NTXAppKit/TDTimeControl/TDTimeControl.h"
#include "NTXAppKit/TDTimeControl/TDTimeFields.h"

#include "platform/document/ClipboardPaste.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>
#include <memory>

namespace {

// The editor's text once the pastes asked for so far have had their answers (a read
// asked for after them ends after them).
QString textAfterPastes(QLineEdit *editor, QClipboard::Mode mode)
{
    bool read = false;
    platform::ClipboardPaste::read(editor, mode, false, [&](const platform::ClipboardPaste::Contents &) { read = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return read; }, 10000));
    return editor->text();
}

// Middle-clicks the editor at its left edge with the text as the primary selection;
// answers the editor's text afterwards.
QString middleClickPaste(QLineEdit *editor, const QString &selection)
{
    QGuiApplication::clipboard()->setText(selection, QClipboard::Selection);
    QTest::mouseClick(editor, Qt::MiddleButton, {}, QPoint(1, editor->height() / 2));
    return textAfterPastes(editor, QClipboard::Selection);
}

// The Paste key with the text on the clipboard, the cursor at the editor's start.
QString keyPaste(QLineEdit *editor, const QString &text)
{
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
    editor->setCursorPosition(0);
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    return textAfterPastes(editor, QClipboard::Clipboard);
}

TEST(TDFieldControlSelectionPaste, OnlyTypableTextGetsIn)
{
    ASSERT_TRUE(QGuiApplication::clipboard()->supportsSelection()) << "needs the X server";
    auto window = std::make_unique<QWidget>();
    window->setLocale(QLocale(QStringLiteral("en_US")));
    window->resize(300, 80);
    auto *time = new TDTimeControl(window.get());
    time->move(10, 10);
    time->setDate(QDateTime(QDate(2009, 3, 14), QTime(9, 30, 0), Qt::LocalTime));
    auto *date = new TDSmallDateControl(window.get());
    date->move(10, 45);
    date->setDate(QDateTime(QDate(2009, 3, 14), QTime(9, 30, 0), Qt::LocalTime));
    time->awakeFromNib();
    date->awakeFromNib();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    for (TDFieldControl *control : {static_cast<TDFieldControl *>(time), static_cast<TDFieldControl *>(date)}) {
        control->editCell(TDTimeFields::MinuteField);
        QLineEdit *editor = control->fieldEditor();
        ASSERT_NE(editor, nullptr);
        const QString before = editor->text();
        for (const char *refused : {"xyzPM", "7abc00", " 5", "-1", "\t"})
            EXPECT_EQ(middleClickPaste(editor, QString::fromLatin1(refused)), before) << refused;
        // Digits are what typing lets in; they go in at the click.
        EXPECT_EQ(middleClickPaste(editor, QStringLiteral("1")), QStringLiteral("1") + before);
        const QString afterClick = editor->text();
        for (const char *refused : {"xyzPM", "7abc00", " 5"})
            EXPECT_EQ(keyPaste(editor, QString::fromLatin1(refused)), afterClick) << refused;
        control->editOff();
    }
}

} // namespace
