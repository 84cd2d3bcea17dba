#pragma once
// Whether a web address answers: a blocking HEAD request (user input held back
// meanwhile). Stateless; any thread without a running event loop of its own.
#include "platform/foundation/HttpRequest.h"

#include <QUrl>

namespace NTXNSURLExtension {

// True when the server answers with 200 or 405 (a server that refuses HEAD is up);
// false for any other status, a refusal, a network failure or no answer in time.
bool httpIsValid(const QUrl &url, int timeLimitMs = platform::HttpRequest::DefaultTimeLimitMs);

} // namespace NTXNSURLExtension
