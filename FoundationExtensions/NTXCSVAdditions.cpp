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
    if (target.isEmpty())
        return;
    string.replace(target.toString(), replacement.toString(), Qt::CaseSensitive);
}

} // namespace NTXCSVAdditions
