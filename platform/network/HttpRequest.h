#pragma once
// One HTTP/1.1 request, sent without waiting: send() starts the exchange and returns
// at once; the completion gets the Response on the sending thread, in a later pass
// of its event loop, exactly once, unless the request was cancelled or its context
// object went first (then nothing is called). One time limit covers the whole
// exchange from send() on: connecting, redirects, the head and the body, also an
// answer that trickles in, and the connection is closed when it passes.
//
// What a server sends is bounded whatever its framing: the reply is capped (a larger
// reply is refused, not cut, as soon as its announced length or the bytes read after
// its head pass the cap: the body, with or without a Content-Length, chunked or not,
// and every byte of a chunked body's framing, its chunk sizes with their extensions,
// line ends and trailers), the head is bounded (MaxHeaderLineBytes per line without
// its line end, MaxHeaderLines header fields, MaxHeadBytes in all; the trailers of a
// chunked body alike, and its chunk-size lines in length), and at most
// ReadBufferBytes wait unread in the connection: the exchange reads them in each
// pass of the event loop and the kernel holds back the rest, so a fast server costs
// neither memory nor a long pass. A body framed by Content-Length fields that differ
// (or one that is not a number) is refused: where it ends is in doubt, as HTTP/1.1
// says. A server on this machine is asked directly, never
// through a proxy; others through the application's proxy, if one is set.
//
// The program's one HTTP client, in a library of its own: only the libraries that
// send requests link it and Qt's network module with it (platform/foundation does not).
//
// HttpRequest is a value type (reentrant); send() belongs to a thread that runs an
// event loop (the GUI thread in the application). The Pending handle is a cheap
// value of the same thread: cancel() closes the connection (nothing is delivered
// after it returns), and destroying the context does the same. Failures are
// reported in the Response, never thrown; an exception leaving the completion is
// caught and logged (it never unwinds into the event loop).
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>

namespace platform {

class HttpRequest
{
public:
    struct Response
    {
        // False when no answer came: refused, unreachable, timed out, too large,
        // malformed, or cut off before its end.
        bool received = false;
        int status = 0; // the HTTP status of an answer
        QByteArray body;
        QString error; // why nothing usable came (or the status's reason, 400 and up), for logs
        bool isSuccess() const { return received && status >= 200 && status <= 299; }
    };
    using Completion = std::function<void(const Response &response)>;

    // The running exchange of one send(); empty once it delivered or was cancelled.
    class Pending
    {
    public:
        Pending() = default;
        bool isRunning() const;
        void cancel();

    private:
        friend class HttpRequest;
        explicit Pending(QObject *exchange) : m_exchange(exchange) {}
        QPointer<QObject> m_exchange;
    };

    static constexpr int DefaultTimeLimitMs = 60 * 1000;
    static constexpr qsizetype DefaultMaxReplyBytes = 1024 * 1024;
    static constexpr int DefaultMaxRedirects = 5;
    static constexpr qsizetype MaxHeaderLineBytes = 8 * 1024;
    static constexpr int MaxHeaderLines = 100;
    static constexpr qsizetype MaxHeadBytes = 64 * 1024;
    static constexpr qsizetype ReadBufferBytes = 1024 * 1024;

    explicit HttpRequest(QUrl url, QByteArray method = QByteArrayLiteral("GET"));

    // Sets a header (one of the same name, in any case, is replaced). A name that is
    // no token of HTTP (empty, or with a blank, colon or control character) or a value
    // with a control character but the tab (a line end would let a header or a whole
    // request be smuggled in) is not taken: the request then fails when sent, without
    // being sent, delivered like any failure. Headers that carry credentials or the
    // person's identity (Authorization, Proxy-Authorization, Cookie, Cookie2, From)
    // are dropped at the first redirect to another origin (scheme, host or port) and
    // stay dropped, as browsers do.
    void setHeader(const QByteArray &name, const QByteArray &value);
    void setBody(const QByteArray &body) { m_body = body; }
    void setTimeLimit(int msecs) { m_timeLimit = msecs > 0 ? msecs : 1; }
    void setMaxReplyBytes(qsizetype bytes) { m_maxReplyBytes = bytes > 0 ? bytes : 1; }
    // Redirects followed (301, 302, 303, 307, 308; never from https to http). A 303,
    // and a 301 or 302 answering a POST, is followed with a GET without body.
    void setMaxRedirects(int count) { m_maxRedirects = count > 0 ? count : 0; }

    const QUrl &url() const { return m_url; }
    int timeLimit() const { return m_timeLimit; }
    qsizetype maxReplyBytes() const { return m_maxReplyBytes; }

    // Starts the exchange; the completion runs as said above. Only http and https
    // addresses are sent (any other fails, delivered the same way). The context
    // must live on the calling thread.
    Pending send(QObject *context, Completion completion) const;

private:
    QUrl m_url;
    QByteArray m_method;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    QByteArray m_refusedHeader; // the name of the first header not taken
    QByteArray m_body;
    int m_timeLimit = DefaultTimeLimitMs;
    qsizetype m_maxReplyBytes = DefaultMaxReplyBytes;
    int m_maxRedirects = DefaultMaxRedirects;
};

} // namespace platform
