#pragma once
// A time zone as an archive of the old platform stored it: a name (an identifier
// such as "Europe/Berlin" or a fixed form such as "GMT+0100"), possibly the zone's
// rules as compiled zone data (TZif), or nothing at all for the local zone. Answers
// the offset from UTC at any moment, preferring the stored rules, then the zone the
// name identifies here, then a fixed offset in the name, then the local zone.
// Threads: reentrant; no shared state, so separate values may be used on any thread.
#include <QByteArray>
#include <QString>
#include <QTimeZone>
#include <optional>
#include <vector>

namespace platform {

class ArchivedTimeZone
{
public:
    // The local zone.
    ArchivedTimeZone() = default;
    // From what the archive holds; data that is not zone data is ignored.
    ArchivedTimeZone(const QString &name, const QByteArray &zoneData);

    const QString &name() const { return m_name; }
    bool hasRules() const { return !m_offsets.empty(); }
    // Offset from UTC in seconds at the moment (seconds since 1970-01-01 UTC).
    int offsetFromUtc(qint64 unixSeconds) const;

    // A fixed offset in a name such as "GMT+0100", "GMT-05:30", "UTC+1" or "GMT".
    static std::optional<int> fixedOffsetInName(const QString &name);

private:
    bool parseZoneData(const QByteArray &data);

    QString m_name;
    QTimeZone m_zone;
    std::optional<int> m_fixed;
    std::vector<qint64> m_transitions; // ascending
    std::vector<quint8> m_transitionTypes;
    std::vector<int> m_offsets;         // per local time type
    std::vector<bool> m_isDst;
};

} // namespace platform
