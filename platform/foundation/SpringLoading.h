#pragma once
// The delay after which a drag held still over a spring-loaded target (a tab) opens
// it: the user default "SpringingDelayMilliseconds" / 1000 when it is set to a number,
// else 0.668 s. The default is read, never written. Static functions; main thread
// only; a stored value that is no number counts as absent.
#include <QString>

namespace platform {

class SpringLoading
{
public:
    static inline const QString DelayKey = QStringLiteral("SpringingDelayMilliseconds");
    static constexpr double DefaultDelay = 0.668;

    // Seconds.
    static double delay();
};

} // namespace platform
