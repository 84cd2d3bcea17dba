#include "platform/archive/ArchivedTimeZone.h"

#include <QDateTime>
#include <QRegularExpression>
#include <algorithm>

namespace platform {

namespace {

constexpr int MaxOffsetSeconds = 18 * 3600;

qint64 be32(const uchar *p)
{
    return qint32(quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]));
}

} // namespace

ArchivedTimeZone::ArchivedTimeZone(const QString &name, const QByteArray &zoneData)
    : m_name(name)
{
    if (!zoneData.isEmpty())
        parseZoneData(zoneData);
    if (!name.isEmpty()) {
        const QByteArray id = name.toUtf8();
        if (QTimeZone::isTimeZoneIdAvailable(id))
            m_zone = QTimeZone(id);
        m_fixed = fixedOffsetInName(name);
    }
}

std::optional<int> ArchivedTimeZone::fixedOffsetInName(const QString &name)
{
    static const QRegularExpression re(
        QStringLiteral("^(?:GMT|UTC)(?:([+-])(\\d{1,2})(?::?(\\d{2}))?)?$"));
    const QRegularExpressionMatch m = re.match(name);
    if (!m.hasMatch())
        return std::nullopt;
    if (m.capturedLength(1) == 0)
        return 0;
    const int hours = m.captured(2).toInt();
    const int minutes = m.capturedLength(3) ? m.captured(3).toInt() : 0;
    if (hours > 18 || minutes > 59)
        return std::nullopt;
    const int offset = hours * 3600 + minutes * 60;
    return m.captured(1) == QLatin1String("-") ? -offset : offset;
}

// Compiled zone data: "TZif", a version byte, 15 reserved bytes, six big-endian
// 32-bit counts (UT/local indicators, standard/wall indicators, leap seconds,
// transitions, local time types, abbreviation characters), then the transition
// times (32-bit), one type index per transition, and six bytes per type (32-bit
// offset, DST flag, abbreviation index). The 32-bit section is enough here: the old
// documents' dates lie well inside it.
bool ArchivedTimeZone::parseZoneData(const QByteArray &data)
{
    const auto *p = reinterpret_cast<const uchar *>(data.constData());
    const qsizetype size = data.size();
    if (size < 44 || data.left(4) != "TZif")
        return false;
    const qint64 timeCount = be32(p + 32);
    const qint64 typeCount = be32(p + 36);
    const qint64 charCount = be32(p + 40);
    if (timeCount < 0 || typeCount <= 0 || typeCount > 256 || charCount < 0 || timeCount > size)
        return false;
    const qint64 needed = 44 + timeCount * 5 + typeCount * 6;
    if (needed > size)
        return false;
    std::vector<qint64> transitions;
    std::vector<quint8> types;
    std::vector<int> offsets;
    std::vector<bool> dst;
    const uchar *t = p + 44;
    const uchar *idx = t + timeCount * 4;
    const uchar *info = idx + timeCount;
    for (qint64 i = 0; i < typeCount; ++i) {
        const qint64 off = be32(info + i * 6);
        if (off < -MaxOffsetSeconds || off > MaxOffsetSeconds)
            return false;
        offsets.push_back(int(off));
        dst.push_back(info[i * 6 + 4] != 0);
    }
    for (qint64 i = 0; i < timeCount; ++i) {
        const qint64 when = be32(t + i * 4);
        if (!transitions.empty() && when < transitions.back())
            return false;
        if (idx[i] >= typeCount)
            return false;
        transitions.push_back(when);
        types.push_back(idx[i]);
    }
    m_transitions = std::move(transitions);
    m_transitionTypes = std::move(types);
    m_offsets = std::move(offsets);
    m_isDst = std::move(dst);
    return true;
}

int ArchivedTimeZone::offsetFromUtc(qint64 unixSeconds) const
{
    if (!m_offsets.empty()) {
        const auto it = std::upper_bound(m_transitions.begin(), m_transitions.end(), unixSeconds);
        if (it != m_transitions.begin())
            return m_offsets[m_transitionTypes[size_t(it - m_transitions.begin() - 1)]];
        // Before the first transition: the first standard-time type.
        for (size_t i = 0; i < m_offsets.size(); ++i) {
            if (!m_isDst[i])
                return m_offsets[i];
        }
        return m_offsets.front();
    }
    const QDateTime moment = QDateTime::fromSecsSinceEpoch(unixSeconds, Qt::UTC);
    if (m_zone.isValid())
        return m_zone.offsetFromUtc(moment);
    if (m_fixed)
        return *m_fixed;
    return QTimeZone::systemTimeZone().offsetFromUtc(moment);
}

} // namespace platform
