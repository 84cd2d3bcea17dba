// Mnemonics given to menu items whose titles mark none.
#include "platform/document/MenuMnemonics.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using platform::MenuMnemonics::assign;
using platform::MenuMnemonics::mnemonicOf;

namespace {

QStringList titlesAfterAssign(const QStringList &titles)
{
    QMenu menu;
    for (const QString &title : titles) {
        if (title == QLatin1String("-"))
            menu.addSeparator();
        else
            menu.addAction(title);
    }
    assign(&menu);
    QStringList result;
    for (const QAction *item : menu.actions())
        result << (item->isSeparator() ? QStringLiteral("-") : item->text());
    return result;
}

} // namespace

TEST(MenuMnemonics, TheMarkedLetterIsFoundAndAPairIsNoMarker)
{
    EXPECT_EQ(mnemonicOf(QStringLiteral("&Edit")), QLatin1Char('e'));
    EXPECT_EQ(mnemonicOf(QStringLiteral("Save &As…")), QLatin1Char('a'));
    EXPECT_TRUE(mnemonicOf(QStringLiteral("R&&D")).isNull());
    EXPECT_EQ(mnemonicOf(QStringLiteral("R&&D &notes")), QLatin1Char('n'));
    EXPECT_TRUE(mnemonicOf(QStringLiteral("Trailing&")).isNull());
    EXPECT_TRUE(mnemonicOf(QString()).isNull());
}

TEST(MenuMnemonics, WordStartsFirstThenAnyFreeLetter)
{
    // Start Counter, Edit…, Make Active, New Job, New Group, Delete… : a job's menu.
    EXPECT_EQ(titlesAfterAssign({QStringLiteral("Start Counter"), QStringLiteral("-"), QStringLiteral("Edit…"),
                                 QStringLiteral("Make Active"), QStringLiteral("-"), QStringLiteral("New Job"),
                                 QStringLiteral("New Group"), QStringLiteral("-"), QStringLiteral("Delete…")}),
              (QStringList{QStringLiteral("&Start Counter"), QStringLiteral("-"), QStringLiteral("&Edit…"),
                           QStringLiteral("&Make Active"), QStringLiteral("-"), QStringLiteral("&New Job"),
                           QStringLiteral("New &Group"), QStringLiteral("-"), QStringLiteral("&Delete…")}));
    // No free word start: the next free letter inside a word.
    EXPECT_EQ(titlesAfterAssign({QStringLiteral("Abc"), QStringLiteral("Ab"), QStringLiteral("A")}),
              (QStringList{QStringLiteral("&Abc"), QStringLiteral("A&b"), QStringLiteral("A")}));
}

TEST(MenuMnemonics, MarkedTitlesKeepTheirLetterAndItCountsAsTaken)
{
    EXPECT_EQ(titlesAfterAssign({QStringLiteral("Delete"), QStringLiteral("&Duplicate"), QStringLiteral("R&&D team")}),
              (QStringList{QStringLiteral("D&elete"), QStringLiteral("&Duplicate"), QStringLiteral("&R&&D team")}));
    // Case does not make a second letter, and digits serve too.
    EXPECT_EQ(titlesAfterAssign({QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("A 2")}),
              (QStringList{QStringLiteral("&a"), QStringLiteral("A"), QStringLiteral("A &2")}));
    assign(nullptr); // harmless
}

TEST(MenuMnemonics, TheLetterTriggersTheItemInTheOpenMenu)
{
    QMenu menu;
    QAction *start = menu.addAction(QStringLiteral("Start"));
    QAction *stop = menu.addAction(QStringLiteral("Stop"));
    assign(&menu);
    EXPECT_EQ(QKeySequence::mnemonic(stop->text()), QKeySequence(Qt::ALT | Qt::Key_T));
    QSignalSpy startSpy(start, &QAction::triggered);
    QSignalSpy stopSpy(stop, &QAction::triggered);
    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    QTest::keyClick(&menu, Qt::Key_T);
    EXPECT_EQ(stopSpy.count(), 1);
    EXPECT_EQ(startSpy.count(), 0);
}
