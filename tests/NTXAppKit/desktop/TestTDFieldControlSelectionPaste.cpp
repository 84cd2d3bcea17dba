// X11's middle-click paste into the time and date controls goes through the same
// filter as typing: only what could be typed gets in.
#include "NTXAppKit/TDSmallDateControl/TDSmallDateControl.h"
#include "NTXAppKit/TDTimeControl/TDStepper.h"
#include "NTXAppKit/TDTimeControl/TDTimeControl.h"
#include "NTXAppKit/TDTimeControl/TDTimeFields.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>
#include <memory>

namespace {

// Middle-clicks the editor at its left edge with the text as the primary selection;
// answers the editor's text afterwards.
QString middleClickPaste(QLineEdit *editor, const QString &selection)
{
    QGuiApplication::clipboard()->setText(selection, QClipboard::Selection);
    QTest::mouseClick(editor, Qt::MiddleButton, {}, QPoint(1, editor->height() / 2));
    return editor->text();
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
        control->editOff();
    }
}

} // namespace
