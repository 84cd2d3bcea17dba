#include "FoundationExtensions/NTXCSVAdditions.h"

namespace NTXCSVAdditions {

void trimString_csv(QString &string, QStringView ends)
{
    const qsizetype n = ends.size();
    if (n == 0)
        return;
    if (string.size() < 2 * n) {
        string.clear();
        return;
    }
    string = string.mid(n, string.size() - 2 * n);
}

void trimCharactersInSet_csv(QString &string, const std::function<bool(QChar)> &inSet)
{
    qsizetype begin = 0;
    qsizetype end = string.size();
    while (begin < end && inSet(string.at(begin)))
        ++begin;
    while (end > begin && inSet(string.at(end - 1)))
        --end;
    if (begin != 0 || end != string.size())
        string = string.mid(begin, end - begin);
}

void replaceOccurrencesOfString_csv(QString &string, QStringView target, QStringView replacement)
{
    // One pass into a new string: replacing in place moves the rest of the text for
    // every batch of matches, which is quadratic in long fields.
    if (target.isEmpty())
        return;
    qsizetype match = string.indexOf(target);
    if (match < 0)
        return;
    QString out;
    out.reserve(string.size());
    qsizetype from = 0;
    while (match >= 0) {
        out += QStringView(string).mid(from, match - from);
        out += replacement;
        from = match + target.size();
        match = string.indexOf(target, from);
    }
    out += QStringView(string).mid(from);
    string = std::move(out);
}

} // namespace NTXCSVAdditions
