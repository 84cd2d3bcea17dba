#include "FoundationExtensions/NTXNSURLExtension.h"

namespace NTXNSURLExtension {

bool httpIsValid(const QUrl &url, int timeLimitMs)
{
    platform::HttpRequest request(url, QByteArrayLiteral("HEAD"));
    request.setTimeLimit(timeLimitMs);
    const platform::HttpRequest::Response response = request.send();
    return response.received && (response.status == 200 || response.status == 405);
}

} // namespace NTXNSURLExtension
