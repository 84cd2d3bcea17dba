#pragma once
// Mnemonics for the items of a menu whose titles have none (titles that come from
// string tables without a marked letter, such as a context menu's): each such item
// gets, in the menu's order, the first letter of one of its words that no other item
// of the menu uses yet, else any other unused letter or digit of its title; an item
// whose letters are all taken keeps its title. Titles that mark a letter already
// ("&Edit") keep it, and their letters count as taken. A literal '&' is written
// "&&" in a title and is never a mnemonic.
//
// Plain functions over the menu's actions; GUI thread only (QAction); they cannot
// fail.
#include <QChar>
#include <QString>

class QMenu;

namespace platform::MenuMnemonics {

// The letter a title marks as its mnemonic (lower case); a null QChar when none.
QChar mnemonicOf(const QString &title);

// Gives the unmarked items of the menu (submenu titles included) their mnemonics.
void assign(QMenu *menu);

} // namespace platform::MenuMnemonics
