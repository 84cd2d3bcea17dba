#pragma once
// Numbers written in a numbering style: 0 decimal, 1 upper-case letters, 2 lower-case
// letters (A..Z, AA.. as bijective base 26), 3 upper-case and 4 lower-case Roman
// numerals (up to 4999, the thousands as repeated M). Stateless; thread-safe.
#include <QString>
#include <optional>

namespace NTXNSNumberExtensions {

enum NumberingStyle : int { Decimal = 0, UpperLetters = 1, LowerLetters = 2, UpperRoman = 3, LowerRoman = 4 };

// "NUL" for 0 in every style and for Roman numerals of 5000 and more; nothing for
// an unknown style.
std::optional<QString> numberToStringWithType(quint64 value, int type);

} // namespace NTXNSNumberExtensions
