#pragma once
// Whether the system can reach a host.
#include <QString>

class NTXNetwork
{
public:
    // Resolves the host name (blocking) and answers whether the kernel has a route
    // to any of its addresses. Nothing is sent to the host. A name without an ASCII
    // (IDNA) form, an empty name and names under the reserved domain "invalid"
    // answer false.
    static bool checkIfSiteReachable(const QString &host);
};
