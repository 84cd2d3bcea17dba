#include "platform/document/MenuMnemonics.h"

#include <QAction>
#include <QList>
#include <QMenu>
#include <QSet>

namespace platform::MenuMnemonics {

namespace {

// The shown characters of a title with the position each has in the title ("&&" is
// one shown '&').
struct ShownCharacter
{
    qsizetype position;
    QChar character;
};

QList<ShownCharacter> shownCharacters(const QString &title)
{
    QList<ShownCharacter> shown;
    for (qsizetype i = 0; i < title.size(); ++i) {
        if (title.at(i) == QLatin1Char('&')) {
            if (i + 1 < title.size() && title.at(i + 1) == QLatin1Char('&'))
                shown.append({i, QLatin1Char('&')});
            ++i; // a marker or the second '&' of a pair
            continue;
        }
        shown.append({i, title.at(i)});
    }
    return shown;
}

// The position in the title where the '&' goes: word starts first, then any
// letter or digit; -1 when every candidate is taken.
qsizetype choosePosition(const QString &title, const QSet<QChar> &taken)
{
    const QList<ShownCharacter> shown = shownCharacters(title);
    for (int pass = 0; pass < 2; ++pass) {
        for (qsizetype i = 0; i < shown.size(); ++i) {
            const QChar c = shown.at(i).character;
            if (!c.isLetterOrNumber() || taken.contains(c.toLower()))
                continue;
            const bool wordStart = i == 0 || !shown.at(i - 1).character.isLetterOrNumber();
            if (pass == 1 || wordStart)
                return shown.at(i).position;
        }
    }
    return -1;
}

} // namespace

QChar mnemonicOf(const QString &title)
{
    for (qsizetype i = 0; i + 1 < title.size(); ++i) {
        if (title.at(i) != QLatin1Char('&'))
            continue;
        if (title.at(i + 1) == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return title.at(i + 1).toLower();
    }
    return QChar();
}

void assign(QMenu *menu)
{
    if (!menu)
        return;
    QList<QAction *> items;
    for (QAction *item : menu->actions()) {
        if (!item->isSeparator() && !item->text().isEmpty())
            items.append(item);
    }
    QSet<QChar> taken;
    for (const QAction *item : items) {
        if (const QChar letter = mnemonicOf(item->text()); !letter.isNull())
            taken.insert(letter);
    }
    for (QAction *item : items) {
        const QString title = item->text();
        if (!mnemonicOf(title).isNull())
            continue;
        const qsizetype at = choosePosition(title, taken);
        if (at < 0)
            continue;
        taken.insert(title.at(at).toLower());
        item->setText(title.left(at) + QLatin1Char('&') + title.mid(at));
    }
}

} // namespace platform::MenuMnemonics
