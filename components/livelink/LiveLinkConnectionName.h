#pragma once
// The well-known D-Bus name under which an application publishes a live-link server
// and under which clients look for it, made from the bundle identifier and the
// server name. Publishing and connecting both build it here.
//
// A bus name is two or more dot-joined elements of [A-Za-z0-9_-], none starting with
// a digit, at most 255 characters. The name is built so that any pair of strings
// gives a valid name and different pairs give different names: the identifier's
// dot-separated elements, then the server name as one more element; in each element
// the UTF-8 bytes outside [A-Za-z0-9] (and "_") become "_xx" (two lower-case hex
// digits; an unpaired surrogate counts as the three bytes of its code point), and
// so does a leading digit; an empty element is "_". A longer result is
// cut after whole elements and ends in "._h" and the SHA-256 of the pair in hex.
// Stateless; reentrant.
#include <QString>

QString LiveLinkServerConnectionName(const QString &bundleIdentifier, const QString &serverName);

namespace LiveLinkConnectionName {

constexpr qsizetype MaxLength = 255;

// Whether the text is a valid well-known bus name.
bool isValidBusName(const QString &name);

} // namespace LiveLinkConnectionName
