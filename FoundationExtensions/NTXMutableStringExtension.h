#pragma once
// In-place entity conversions of a string.
#include <QString>

namespace NTXMutableStringExtension {

// Escapes " & ' < > as XML entities, in one pass (inserted text is never examined
// again). A string without any of them is not touched (no detach).
void XMLEntities(QString &string);
// Escapes for HTML: line feed → "<br>", " & < > as entities, U+00A0…U+00FF as their
// HTML 4 names, U+0100…U+FFEF as "&#N;" (each UTF-16 unit by itself); the
// apostrophe and U+FFF0…U+FFFF stay.
void HTMLEntities(QString &string);
// Decodes &quot; &amp; &lt; &gt; &apos; in one left-to-right pass: the text a
// decoded entity produces is never decoded again, so "&amp;lt;" becomes "&lt;".
// Every other "&" stays as it stands.
void XMLEntitiesToChars(QString &string);

} // namespace NTXMutableStringExtension
