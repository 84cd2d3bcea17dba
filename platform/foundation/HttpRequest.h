#pragma once
// One blocking HTTP request: the calling thread waits in a local event loop that
// holds user input back (clicks and keys wait until the answer is in), so a window
// cannot be used meanwhile but keeps painting. One time limit covers the whole
// exchange (60 s unless set), and the reply body is capped (a larger reply is
// refused, not cut). A server on this machine is asked directly, never through a
// proxy.
//
// Value type; send() may run on any thread that has no event loop of its own
// running (it makes its own). Failures are reported in the Response, never thrown.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

namespace platform {

class HttpRequest
{
public:
    struct Response
    {
        // False when no answer came: refused, unreachable, timed out, too large.
        bool received = false;
        int status = 0; // the HTTP status of an answer
        QByteArray body;
        QString error; // why nothing usable came, for logs
        bool isSuccess() const { return received && status >= 200 && status <= 299; }
    };

    static constexpr int DefaultTimeLimitMs = 60 * 1000;
    static constexpr qsizetype DefaultMaxReplyBytes = 1024 * 1024;

    explicit HttpRequest(QUrl url, QByteArray method = QByteArrayLiteral("GET"));

    void setHeader(const QByteArray &name, const QByteArray &value);
    void setBody(const QByteArray &body) { m_body = body; }
    void setTimeLimit(int msecs) { m_timeLimit = msecs; }
    void setMaxReplyBytes(qsizetype bytes) { m_maxReplyBytes = bytes; }

    const QUrl &url() const { return m_url; }
    int timeLimit() const { return m_timeLimit; }

    // Sends and waits for the answer. Only http and https addresses are sent.
    Response send() const;

private:
    QUrl m_url;
    QByteArray m_method;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    QByteArray m_body;
    int m_timeLimit = DefaultTimeLimitMs;
    qsizetype m_maxReplyBytes = DefaultMaxReplyBytes;
};

} // namespace platform
