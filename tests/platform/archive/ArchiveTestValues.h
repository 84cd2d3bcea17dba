#pragma once
// Values shared by the property-list and keyed-archive tests: strings XML finds
// hard, numbers at their edges, and an equality that tells NaN and −0.0 apart.
#include <QString>
#include <QVariant>
#include <vector>

namespace archivetest {

// CR LF, a lone CR, NUL and other control characters, lone surrogates, U+FFFE,
// a surrogate pair, markup characters and outer blanks.
std::vector<QString> hardStrings();
// Doubles: NaN, ±0.0, ±infinity, 1234.567, the smallest subnormal, the largest finite.
std::vector<double> edgeDoubles();
// Same kind and value; NaN equals NaN, −0.0 differs from 0.0, integers compare by value.
bool sameValue(const QVariant &a, const QVariant &b);
// The python3 program run with `script`, fed `input`; its standard output, or a
// null array when it did not exit with 0 (its error output goes to the test log).
QByteArray runPython(const QString &script, const QByteArray &input);

} // namespace archivetest
