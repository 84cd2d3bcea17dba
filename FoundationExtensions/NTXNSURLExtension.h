#pragma once
// Whether a web address answers: a HEAD request sent without waiting, its verdict
// handed to a callback. Stateless; called on a thread with an event loop (the GUI
// thread), the verdict arrives there in a later pass (see platform::HttpRequest).
#include "platform/network/HttpRequest.h"

#include <QUrl>

#include <functional>

namespace NTXNSURLExtension {

// Asks; `answer` gets true when the server answers with 200 or 405 (a server that
// refuses HEAD is up), false for any other status, a refusal, a network failure or
// no answer in time. Never called once the context is gone or the check cancelled.
platform::HttpRequest::Pending httpIsValid(const QUrl &url, QObject *context, std::function<void(bool valid)> answer,
                                                int timeLimitMs = platform::HttpRequest::DefaultTimeLimitMs);

} // namespace NTXNSURLExtension
