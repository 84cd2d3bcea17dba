#pragma once
// Helpers on strings (QString, indexes in UTF-16 units).
#include <QString>

namespace NTXNSStringExtension {

// XML entity conversion. Escapes " & ' < > in one pass.
QString stringByConvertCharactersToXML(const QString &string);
// Undoes the five entities &quot; &amp; &lt; &gt; &apos; in one left-to-right pass
// (an entity produced by the decoding is never decoded again).
QString stringByConvertXMLToChars(const QString &string);
QString stringByConvertCharactersToHTML(const QString &string);

// One code point as a string (a surrogate pair above U+FFFF; U+FFFD above U+10FFFF).
QString stringWithCharacter(uint codePoint);

} // namespace NTXNSStringExtension
