#pragma once
// Small in-place edits of a string that the CSV parser applies to finished fields.
// Stateless functions; safe from any thread.
#include <QString>
#include <QStringView>

#include <functional>

namespace NTXCSVAdditions {

// Removes as many characters as `ends` has from the start and as many from the
// end, whatever they are; a string too short for both becomes empty.
void trimString_csv(QString &string, QStringView ends);
// Trims the characters for which `inSet` answers true at both ends.
void trimCharactersInSet_csv(QString &string, const std::function<bool(QChar)> &inSet);
// Replaces every occurrence of `target` (literally) by `replacement`.
void replaceOccurrencesOfString_csv(QString &string, QStringView target, QStringView replacement);

} // namespace NTXCSVAdditions
