#pragma once
// Item keys: a string that names one item of the client for the life of a link,
// "<bundle identifier><seconds>.<counter>": the whole seconds since 1 January 2001
// 00:00:00 UTC as at least 8 lower-case hexadecimal digits, then a process-wide
// counter from 0 as at least 4. The seconds are counted as a 64-bit integer and
// their low 32 bits written, so a clock before 2001 or after 2137 still gives a key.
// Thread-safe (the counter is atomic; the time comes from platform::Clock).
#include <QString>

// A new key at the clock's "now"; the counter goes up by one.
QString LiveLinkCreateItemKey();

// The key of the given parts (no counter is used up).
QString LiveLinkFormatItemKey(const QString &bundleIdentifier, qint64 secondsSince2001, quint32 counter);
