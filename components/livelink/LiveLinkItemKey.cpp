#include "components/livelink/LiveLinkItemKey.h"

#include "components/livelink/LiveLinkApplication.h"
#include "platform/foundation/Clock.h"

#include <QDateTime>

#include <atomic>

namespace {

std::atomic<quint32> itemKeyCounter{0};

} // namespace

QString LiveLinkFormatItemKey(const QString &bundleIdentifier, qint64 secondsSince2001, quint32 counter)
{
    // Two's complement: the low 32 bits of the 64-bit count, for negative counts too.
    const auto seconds = quint32(quint64(secondsSince2001) & 0xffffffffu);
    return bundleIdentifier + QStringLiteral("%1.%2")
                                  .arg(seconds, 8, 16, QLatin1Char('0'))
                                  .arg(counter, 4, 16, QLatin1Char('0'));
}

QString LiveLinkCreateItemKey()
{
    static const QDateTime referenceDate(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    // Whole seconds, truncated toward zero.
    const qint64 seconds = referenceDate.msecsTo(platform::Clock::now()) / 1000;
    return LiveLinkFormatItemKey(LiveLinkApplication::bundleIdentifier(), seconds, itemKeyCounter.fetch_add(1));
}
