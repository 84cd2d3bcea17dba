// User texts as menu titles: a menu shows exactly the text, on one line.
#include "platform/drawing/MenuItemTitle.h"

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <gtest/gtest.h>

using platform::MenuItemTitle::fromUserText;

TEST(MenuItemTitle, AmpersandsDoubledAndBreaksShownAsBlanks)
{
    const struct {
        const char16_t *text;
        const char16_t *title;
    } cases[] = {
        {u"", u""},
        {u"Design", u"Design"},
        {u"R&D", u"R&&D"},
        {u"Clients & <Co>", u"Clients && <Co>"},
        {u"&&", u"&&&&"},
        {u"Tab\there", u"Tab here"},
        {u"Two\nlines", u"Two lines"},
        {u"CR LF\r\nonce", u"CR LF once"},
        {u"CR\r\rtwice", u"CR  twice"},
        {u"a\u2028b\u2029c\u0085d\ve\ff", u"a b c d e f"},
    };
    for (const auto &c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(fromUserText(text), QString::fromUtf16(c.title)) << text.toStdString();
    }
}

TEST(MenuItemTitle, MenuShowsTheTextItselfAndNoMnemonic)
{
    QMenu menu;
    QAction *item = menu.addAction(fromUserText(QStringLiteral("R&D\tnotes")));
    // Qt strips one '&' of each pair when it draws; the shortcut column stays empty.
    EXPECT_EQ(item->iconText(), QStringLiteral("R&D notes"));
    EXPECT_TRUE(item->shortcut().isEmpty());
}
