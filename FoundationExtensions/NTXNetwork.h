#pragma once
// Whether the system can reach a host.
#include <QString>

#include <functional>

class QObject;

class NTXNetwork
{
public:
    // Resolves the host name (blocking) and answers whether the kernel has a route
    // to any of its addresses. Nothing is sent to the host. A name without an ASCII
    // (IDNA) form, an empty name and names under the reserved domain "invalid"
    // answer false.
    static bool checkIfSiteReachable(const QString &host);

    // The same without blocking: the name is resolved on Qt's lookup threads and the
    // answer comes in a later pass of the context's event loop (also for names that
    // are refused at once), never after the context is gone. Answers the lookup's id
    // for abortCheck(), or -1 when no lookup was started.
    using ReachabilityAnswer = std::function<void(bool reachable)>;
    static int checkIfSiteReachable(const QString &host, QObject *context, ReachabilityAnswer answer);
    // Stops waiting for a lookup (its answer is never given); -1 does nothing.
    static void abortCheck(int lookupId);
};
