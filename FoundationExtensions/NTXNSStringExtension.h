#pragma once
// Helpers on strings (QString, indexes in UTF-16 units).
#include "platform/drawing/Shadow.h"
#include "platform/foundation/Range.h"

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <initializer_list>
#include <optional>

class QPainter;

namespace NTXNSStringExtension {

// XML entity conversion. Escapes " & ' < > in one pass. A string without any of
// them is answered as it stands (shared, not copied).
QString stringByConvertCharactersToXML(const QString &string);
// Undoes the five entities &quot; &amp; &lt; &gt; &apos; in one left-to-right pass
// (an entity produced by the decoding is never decoded again).
QString stringByConvertXMLToChars(const QString &string);
QString stringByConvertCharactersToHTML(const QString &string);

// One code point as a string (a surrogate pair above U+FFFF; U+FFFD above U+10FFFF).
QString stringWithCharacter(uint codePoint);

// The string's integer value as C's atoi reads it: leading blanks, an optional sign,
// then decimal digits, up to the first other character; 0 when there are none
// ("0x10" is 0, "1e3" is 1, "3.9" is 3). Beyond the int range: INT_MAX or INT_MIN.
int intValue(QStringView string);

// ---- Construction ----

// The bytes decoded in one of the platform's encoding numbers (see
// NTXStringEncodings.h); a null string when the encoding is unknown or the bytes
// do not decode. Empty bytes give an empty, non-null string.
QString stringWithData(const QByteArray &data, quint32 encoding);
// The string appended `times` times; 0 or fewer gives an empty string.
QString stringWithString(const QString &string, int times);
// The strings concatenated in order.
QString stringWithStrings(std::initializer_list<QString> strings);
QString stringWithStrings(const QStringList &strings);
// A new random UUID in upper-case text form without braces.
QString UUID();
// The MIME type name of the file at the path (what stands in for the type
// identifier here); a null string when the path does not exist.
QString universalTypeForFile(const QString &path);

// Modifier masks of key equivalents (the stored values).
enum ModifierMask : quint64 {
    ShiftKeyMask = 1u << 17,
    ControlKeyMask = 1u << 18,
    AlternateKeyMask = 1u << 19,
    CommandKeyMask = 1u << 20,
};
// The symbols of the modifiers in the mask (command, option, control, shift),
// followed by the key.
QString stringForKeyEquivalent(const QString &key, quint64 modifierMask);
// "Now" as "%Y%m%d%H%M%S%z%F" (no separators).
QString timeStampForFileOperation();
// "-" for 0, otherwise that many U+272D stars, at most five.
QString stringForRating(quint64 rating);

// Cached one-character strings (made once, the same object afterwards).
const QString &horizontalEllipsisString();
const QString &leftPointingDoubleAngleQuotationMarkString();
const QString &rightPointingDoubleAngleQuotationMarkString();
const QString &emdashString();
const QString &endashString();
const QString &commandKeyIndicatorString();
const QString &alternateKeyIndicatorString();
const QString &shiftKeyIndicatorString();

// ---- Unique names ----

// The string itself when the list does not hold it; otherwise the stem (the string
// without a trailing number, the first character never counting as part of it)
// followed by " N" with the first N above the trailing number that the list does
// not hold. A trailing number too large for an int counts as part of the stem.
QString uniqueStringWithString(const QString &string, const QStringList &strings);
// The same for file names: extensions are set aside while comparing and the
// extension of the string is put back.
QString uniqueFilenameWithString(const QString &string, const QStringList &filenames);
// The string with the word for "copy" appended (unless it already holds it), then
// made unique in the list.
QString uniqueCopyStringWithString(const QString &string, const QStringList &strings);

// ---- Validation and addresses ----

bool validateEMailAddress(const QString &address);
bool validateURL(const QString &url);
// The string when it holds "://", otherwise "http://" in front of it.
QString completedURLStringForString(const QString &string);
// Percent escapes decoded as UTF-8, then every character not legal in a URL
// percent-escaped as UTF-8.
QString convertToURLConformString(const QString &string);
// The 18 reserved characters of RFC 3986 percent-escaped; everything else stays.
QString percentEncodedRfc3986String(const QString &string);
// Every percent escape decoded as UTF-8 (an escape that is not two hex digits
// stays as it stands).
QString decodeAllPercentEscapes(const QString &string);

// ---- Transformations ----

// Search options of the platform, as far as they apply here.
enum SearchOption : uint {
    CaseInsensitiveSearch = 1,
    LiteralSearch = 2,
    BackwardsSearch = 4,
    AnchoredSearch = 8,
};
using SearchOptions = uint;

// A set of characters, tested per UTF-16 unit.
using CharacterSet = std::function<bool(QChar)>;
// The set of the characters in the text.
CharacterSet characterSetWithCharactersInString(const QString &characters);

// "/", ":" and "\" each replaced by "-".
QString stringByReplacNotFilenameConformCharacters(const QString &string);
// The string without every character of the set. Case-insensitive search also
// removes characters whose other case is in the set; anchored search removes only
// the leading run of such characters; backwards search is ignored.
QString stringByRemovingCharactersInSet(const QString &string, const CharacterSet &set,
                                        SearchOptions options = 0);
QString stringByRemovingCharacter(const QString &string, QChar character);
QString stringByAppendingEllipsis(const QString &string);
// A copy with the occurrences of target inside the range replaced (options:
// case-insensitive, anchored, backwards). A range outside the string throws
// platform::Exception (RangeException), as the platform's replacement does; an
// empty target replaces nothing.
QString stringByReplaceOccurrencesOfString(const QString &string, const QString &target,
                                           const QString &replacement, SearchOptions options,
                                           platform::Range range);
// At most maxCharacters characters of the string around the range, with an
// ellipsis on each cut side and line breaks turned into blanks. A range that does
// not lie within the string (or one whose location is not found) shows the
// string from its start, as if the range were empty at location 0.
QString displayStringForRange(const QString &string, platform::Range range,
                              qsizetype maxCharacters);
// ISBN conversions. They read the first 10 (13) characters; a shorter string
// throws platform::Exception (RangeException). A character that is not an ASCII
// digit counts with the value 0 in the check digit.
QString convertISBN10ToISBN13(const QString &isbn10);
QString convertISBN13ToISBN10(const QString &isbn13);
// First name(s) and last name, each trimmed (always two strings).
QStringList firstAndLastNameOfNameString(const QString &name);

// ---- Type identifiers (MIME type names here) ----

// Whether the MIME type `type` is or inherits `conformsTo` (aliases resolved).
bool UTIConformsTo(const QString &type, const QString &conformsTo);
// Whether the type conforms to any of the list (false for an empty list).
bool UTIConformsToUTIOf(const QString &type, const QStringList &types);

// ---- Drawing ----

// Attributes of drawn text; what is not given comes from the painter.
struct TextAttributes
{
    std::optional<QFont> font;
    std::optional<QColor> color;
    // Drawn under the text (offset y negative is downward, as for every shadow).
    std::optional<platform::Shadow> shadow;
};

// The size of the string drawn as one line with the attributes: the advance width
// and the line height of the font (the application font when none is given).
QSizeF sizeWithAttributes(const QString &string, const TextAttributes &attributes);

// Text alignment numbers: 1 right, 2 centre, anything else left.
enum TextAlignment : int { LeftTextAlignment = 0, RightTextAlignment = 1, CenterTextAlignment = 2 };

// Draws the string as one line in the rectangle (y-down painter coordinates), cut
// with an ellipsis when it does not fit; at the top of the rectangle or centred
// vertically. The painter's font and pen are restored afterwards.
void drawWithFontAttributes(const QString &string, QPainter &painter,
                            const TextAttributes &attributes, int alignment,
                            bool verticallyCenter, const QRectF &rectangle);
void drawWithFontAttributes(const QString &string, QPainter &painter,
                            const TextAttributes &attributes, int alignment,
                            const QRectF &rectangle);
// The same with a font and a colour, each only when given (not null).
void drawWithFont(const QString &string, QPainter &painter, const QFont *font,
                  const QColor *color, int alignment, bool verticallyCenter,
                  const QRectF &rectangle);
void drawWithFont(const QString &string, QPainter &painter, const QFont *font,
                  const QColor *color, int alignment, const QRectF &rectangle);

} // namespace NTXNSStringExtension
