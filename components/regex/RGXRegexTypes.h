#pragma once
// The value types shared by the regular-expression layer: ranges, the "to the end"
// length, the operation words of the dispatcher, the error domain and the keys of
// its user information. Constants only; no state.
#include "platform/foundation/Range.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <limits>

namespace RGXAdditions {

using platform::Range;

// A range length that stands for "up to the end of the subject". It becomes the
// subject's whole length L, whatever the location: {0, UpToEnd} is the whole subject;
// with another location the range ends beyond the subject and is refused.
inline constexpr qsizetype UpToEnd = std::numeric_limits<qsizetype>::max();
inline constexpr Range WholeString{0, UpToEnd};

using RGXDictionary = QHash<QString, QString>;

// The operation word: the code in bits 0-3, in-place replacement in bit 4, one array
// per match in bit 5.
enum RGXRegexOp : std::uint32_t {
    RGXSplitOp = 1,
    RGXReplaceStringOp = 2,
    RGXMatchRangeOp = 3,
    RGXMatchedStringsOp = 4,
    RGXAllCapturesOp = 5,
    RGXCapturesArrayOp = 6,
    RGXCaptureDictionaryOp = 7,
    RGXAllCaptureDictionariesOp = 8,
    RGXRegexOpCodeMask = 0x0F,
    RGXReplaceInPlaceBit = 0x10,
    RGXArrayPerMatchBit = 0x20,
};

inline const QString RGXICURegexErrorDomain = QStringLiteral("RGXICURegexErrorDomain");
inline const QString RGXICURegexException = QStringLiteral("RGXICURegexException");

inline const QString RGXICURegexRegexErrorKey = QStringLiteral("RGXICURegexRegex");
inline const QString RGXICURegexRegexOptionsErrorKey = QStringLiteral("RGXICURegexRegexOptions");
inline const QString RGXICURegexErrorCodeErrorKey = QStringLiteral("RGXICURegexErrorCode");
inline const QString RGXICURegexErrorNameErrorKey = QStringLiteral("RGXICURegexErrorName");
inline const QString RGXICURegexSubjectStringErrorKey = QStringLiteral("RGXICURegexSubjectString");
inline const QString RGXICURegexSubjectRangeErrorKey = QStringLiteral("RGXICURegexSubjectRange");
inline const QString RGXICURegexReplacementStringErrorKey = QStringLiteral("RGXICURegexReplacementString");
inline const QString RGXICURegexReplacedStringErrorKey = QStringLiteral("RGXICURegexReplacedString");
inline const QString RGXICURegexReplacedCountErrorKey = QStringLiteral("RGXICURegexReplacedCount");
inline const QString RGXICURegexEnumerationOptionsErrorKey = QStringLiteral("RGXICURegexEnumerationOptions");
inline const QString RGXICURegexLineErrorKey = QStringLiteral("RGXICURegexLine");
inline const QString RGXICURegexOffsetErrorKey = QStringLiteral("RGXICURegexOffset");
inline const QString RGXICURegexPreContextErrorKey = QStringLiteral("RGXICURegexPreContext");
inline const QString RGXICURegexPostContextErrorKey = QStringLiteral("RGXICURegexPostContext");

} // namespace RGXAdditions
