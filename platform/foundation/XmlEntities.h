#pragma once
// The five entities of XML (&quot; &amp; &apos; &lt; &gt;): escaping a string for
// an attribute or text node, and decoding them again.
// Threads: reentrant; no shared state, so separate strings may be used on any thread.
// Never throws.
#include <QLatin1String>
#include <QString>

namespace platform::XmlEntities {

// The entity of one of " & ' < >; an empty string for every other unit.
QLatin1String entity(char16_t c);
// Escapes " & ' < > as entities, in one pass (inserted text is never examined
// again). A string without any of them is not touched (no detach).
void escape(QString &string);
// Decodes &quot; &amp; &lt; &gt; &apos; in one left-to-right pass: the text a
// decoded entity produces is never decoded again, so "&amp;lt;" becomes "&lt;".
// Every other "&" stays as it stands.
void unescape(QString &string);

// The same conversions on a copy (shared with the argument when nothing changes).
QString escaped(const QString &string);
QString unescaped(const QString &string);

} // namespace platform::XmlEntities
