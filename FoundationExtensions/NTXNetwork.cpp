#include "FoundationExtensions/NTXNetwork.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QMetaObject>
#include <QObject>
#include <QUrl>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Any port does: connecting a datagram socket only looks the route up.
constexpr quint16 ProbePort = 9;

bool hasRoute(const QHostAddress &address)
{
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        auto *in = reinterpret_cast<sockaddr_in *>(&storage);
        in->sin_family = AF_INET;
        in->sin_port = htons(ProbePort);
        in->sin_addr.s_addr = htonl(address.toIPv4Address());
        length = sizeof(sockaddr_in);
    } else if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto *in6 = reinterpret_cast<sockaddr_in6 *>(&storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(ProbePort);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&in6->sin6_addr, bytes.c, sizeof bytes.c);
        bool ok = false;
        const uint scope = address.scopeId().toUInt(&ok);
        if (ok)
            in6->sin6_scope_id = scope;
        length = sizeof(sockaddr_in6);
    } else {
        return false;
    }
    const int fd = ::socket(storage.ss_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<const sockaddr *>(&storage), length);
    } while (rc != 0 && errno == EINTR);
    ::close(fd);
    return rc == 0;
}

// The name the resolver is asked for; empty for names that are refused at once.
QString resolvableName(const QString &host)
{
    if (host.isEmpty())
        return QString();
    const QByteArray ace = QUrl::toAce(host);
    if (ace.isEmpty())
        return QString();
    // Names under "invalid" never resolve; spare the resolver the question.
    QByteArray lower = ace.toLower();
    if (lower.endsWith('.'))
        lower.chop(1);
    if (lower == "invalid" || lower.endsWith(".invalid"))
        return QString();
    return QString::fromLatin1(ace);
}

bool isReachable(const QHostInfo &info)
{
    if (info.error() != QHostInfo::NoError)
        return false;
    for (const QHostAddress &address : info.addresses()) {
        if (hasRoute(address))
            return true;
    }
    return false;
}

} // namespace

bool NTXNetwork::checkIfSiteReachable(const QString &host)
{
    const QString name = resolvableName(host);
    return !name.isEmpty() && isReachable(QHostInfo::fromName(name));
}

int NTXNetwork::checkIfSiteReachable(const QString &host, QObject *context, ReachabilityAnswer answer)
{
    const QString name = resolvableName(host);
    if (name.isEmpty()) {
        QMetaObject::invokeMethod(context,
            platform::ExceptionBoundary::guarded(context, "a queued call", [answer = std::move(answer)] { answer(false); }), Qt::QueuedConnection);
        return -1;
    }
    return QHostInfo::lookupHost(name, context,
                                 [answer = std::move(answer)](const QHostInfo &info) { answer(isReachable(info)); });
}

void NTXNetwork::abortCheck(int lookupId)
{
    if (lookupId >= 0)
        QHostInfo::abortHostLookup(lookupId);
}
