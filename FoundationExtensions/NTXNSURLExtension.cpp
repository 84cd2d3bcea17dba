#include "FoundationExtensions/NTXNSURLExtension.h"

namespace NTXNSURLExtension {

platform::HttpRequest::Pending httpIsValid(const QUrl &url, QObject *context, std::function<void(bool valid)> answer,
                                                int timeLimitMs)
{
    platform::HttpRequest request(url, QByteArrayLiteral("HEAD"));
    request.setTimeLimit(timeLimitMs);
    return request.send(context, [answer = std::move(answer)](const platform::HttpRequest::Response &response) {
        if (answer)
            answer(response.received && (response.status == 200 || response.status == 405));
    });
}

} // namespace NTXNSURLExtension
