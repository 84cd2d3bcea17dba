#include "platform/network/HttpRequest.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <cstring>
#include <optional>
#include <utility>

namespace platform {

namespace {

bool isHttpAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// A header's name is a token of HTTP: letters, digits and !#$%&'*+-.^_`|~ (no blank,
// colon or control character).
bool isHeaderName(const QByteArray &name)
{
    static constexpr char Marks[] = "!#$%&'*+-.^_`|~";
    if (name.isEmpty())
        return false;
    for (const char c : name) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
              || (c != '\0' && std::strchr(Marks, c))))
            return false;
    }
    return true;
}

// A header's value holds no control character but the tab: a line end in it would end
// the header, and what follows would be sent as headers or a request of its own.
bool isHeaderValue(const QByteArray &value)
{
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7F)
            return false;
    }
    return true;
}

// The headers that carry the caller's credentials or the person's identity: never
// sent to another origin than the one they were set for.
bool isCredentialHeader(const QByteArray &name)
{
    static const char *const Names[] = {"authorization", "proxy-authorization", "cookie", "cookie2", "from"};
    for (const char *credential : Names) {
        if (name.compare(credential, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Scheme, host and port: what a browser calls the origin of an address.
bool isSameOrigin(const QUrl &a, const QUrl &b)
{
    const auto defaultPort = [](const QUrl &url) {
        return url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80;
    };
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0
        && a.host(QUrl::FullyEncoded).compare(b.host(QUrl::FullyEncoded), Qt::CaseInsensitive) == 0
        && a.port(defaultPort(a)) == b.port(defaultPort(b));
}

// One running exchange: a child of the sender's context, so that the context's end
// ends it. It owns the connection (one per request, closed after the answer) and
// reads the reply as it comes, in bounded steps; it delivers once and goes.
class Exchange : public QObject
{
public:
    struct Request
    {
        QUrl url;
        QByteArray method;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        qsizetype limit = 0;
        int timeLimit = 0;
        int redirectsLeft = 0;
    };

    explicit Exchange(QObject *context, HttpRequest::Completion completion, Request request)
        : QObject(context), m_completion(std::move(completion)), m_request(std::move(request))
    {
        m_deadline.setSingleShot(true);
        connect(&m_deadline, &QTimer::timeout, this, ExceptionBoundary::guarded(this, "the deadline", [this] {
                    fail(QStringLiteral("no answer within %1 ms").arg(m_request.timeLimit));
                }));
    }

    ~Exchange() override { closeConnection(); }

    void start()
    {
        m_deadline.start(m_request.timeLimit);
        connectTo(m_request.url);
    }

    // Fails without a request, in a later pass like any answer.
    void failLater(const QString &why)
    {
        m_response.error = why;
        QTimer::singleShot(0, this, ExceptionBoundary::guarded(this, "a failed send", [this] { deliver(); }));
    }

    // Set once the completion is under way: the exchange is only waiting to go.
    bool m_delivered = false;

private:
    enum class Phase { StatusLine, Headers, Body, ChunkSize, ChunkData, ChunkEnd, Trailers, Done };
    enum class Framing { None, Length, Chunked, UntilClose };

    void connectTo(const QUrl &url)
    {
        closeConnection();
        m_url = url;
        m_in.clear();
        m_phase = Phase::StatusLine;
        m_headLines = 0;
        m_headBytes = 0;
        m_status = 0;
        m_headers.clear();
        m_body.clear();
        m_replyBytes = 0;

        const bool secure = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
        if (secure && !QSslSocket::supportsSsl()) {
            fail(QStringLiteral("no TLS library for %1").arg(url.toString()));
            return;
        }
        QAbstractSocket *socket = secure ? new QSslSocket(this) : new QTcpSocket(this);
        m_socket = socket;
        socket->setReadBufferSize(HttpRequest::ReadBufferBytes);
        const QHostAddress address(url.host());
        if ((!address.isNull() && address.isLoopback()) || url.host() == QLatin1String("localhost"))
            socket->setProxy(QNetworkProxy::NoProxy);
        connect(socket, &QAbstractSocket::readyRead, this,
                ExceptionBoundary::guarded(this, "readyRead", [this] { take(); }));
        connect(socket, &QAbstractSocket::disconnected, this,
                ExceptionBoundary::guarded(this, "disconnected", [this] { closedByServer(); }));
        connect(socket, &QAbstractSocket::errorOccurred, this,
                ExceptionBoundary::guarded(this, "errorOccurred", [this](QAbstractSocket::SocketError error) {
                    if (error == QAbstractSocket::RemoteHostClosedError)
                        closedByServer();
                    else if (m_socket)
                        fail(m_socket->errorString());
                }));
        const quint16 port = quint16(url.port(secure ? 443 : 80));
        if (secure) {
            auto *ssl = static_cast<QSslSocket *>(socket);
            connect(ssl, &QSslSocket::encrypted, this,
                    ExceptionBoundary::guarded(this, "encrypted", [this] { writeRequest(); }));
            ssl->connectToHostEncrypted(url.host(), port);
        } else {
            connect(socket, &QAbstractSocket::connected, this,
                    ExceptionBoundary::guarded(this, "connected", [this] { writeRequest(); }));
            socket->connectToHost(url.host(), port);
        }
    }

    void writeRequest()
    {
        if (!m_socket)
            return;
        QByteArray path = m_url.path(QUrl::FullyEncoded).toLatin1();
        if (path.isEmpty())
            path = "/";
        if (m_url.hasQuery())
            path += '?' + m_url.query(QUrl::FullyEncoded).toLatin1();
        QByteArray host = m_url.host(QUrl::FullyEncoded).toLatin1();
        if (host.contains(':'))
            host = '[' + host + ']';
        if (m_url.port() != -1)
            host += ':' + QByteArray::number(m_url.port());
        QByteArray head = m_request.method + ' ' + path + " HTTP/1.1\r\nHost: " + host + "\r\n";
        for (const auto &header : m_request.headers) {
            const QByteArray name = header.first.toLower();
            if (name == "host" || name == "content-length" || name == "connection")
                continue; // the exchange's own
            head += header.first + ": " + header.second + "\r\n";
        }
        if (!m_request.body.isEmpty() || m_request.method == "POST" || m_request.method == "PUT")
            head += "Content-Length: " + QByteArray::number(m_request.body.size()) + "\r\n";
        head += "Connection: close\r\n\r\n";
        m_socket->write(head + m_request.body);
    }

    // Reads what waits, at most the connection's read buffer per pass.
    void take()
    {
        if (!m_socket || m_phase == Phase::Done)
            return;
        m_in += m_socket->readAll();
        parse();
    }

    void parse()
    {
        while (m_socket && m_phase != Phase::Done) {
            switch (m_phase) {
            case Phase::StatusLine:
            case Phase::Headers:
            case Phase::ChunkSize:
            case Phase::ChunkEnd:
            case Phase::Trailers: {
                // Chunk-size lines and the ends of chunks are bounded in length; the
                // head's and the trailers' lines in number and size too.
                const bool counted = m_phase != Phase::ChunkSize && m_phase != Phase::ChunkEnd;
                const Phase phase = m_phase;
                std::optional<QByteArray> line = takeLine(counted);
                if (!line)
                    return;
                // After the head every byte read counts against the cap: the framing
                // of a chunked body (sizes, their extensions, line ends, trailers) too.
                if (phase != Phase::StatusLine && phase != Phase::Headers && !countReplyBytes(m_lineBytes))
                    return;
                lineRead(*line);
                break;
            }
            case Phase::Body:
            case Phase::ChunkData: {
                if (m_in.isEmpty())
                    return;
                const qsizetype n = m_framing == Framing::UntilClose ? m_in.size() : std::min(m_in.size(), m_left);
                if (!countReplyBytes(n))
                    return;
                m_body += m_in.left(n);
                m_in.remove(0, n);
                if (m_framing == Framing::UntilClose)
                    return;
                m_left -= n;
                if (m_left == 0) {
                    if (m_phase == Phase::Body)
                        complete();
                    else
                        m_phase = Phase::ChunkEnd;
                }
                break;
            }
            case Phase::Done:
                return;
            }
        }
    }

    // One line of the head, a chunk's size or a trailer, without its line end; none
    // while its end has not come. Every line counts against the head's bounds.
    std::optional<QByteArray> takeLine(bool counted)
    {
        const qsizetype end = m_in.indexOf('\n');
        // A line's bound does not count its line end ("\r\n" or "\n").
        const qsizetype length = end < 0 ? m_in.size() - (m_in.endsWith('\r') ? 1 : 0)
                                         : end - (end > 0 && m_in.at(end - 1) == '\r' ? 1 : 0);
        if (length > HttpRequest::MaxHeaderLineBytes) {
            fail(QStringLiteral("a header line longer than %1 bytes").arg(HttpRequest::MaxHeaderLineBytes));
            return std::nullopt;
        }
        if (end < 0)
            return std::nullopt;
        QByteArray line = m_in.left(length);
        m_in.remove(0, end + 1);
        m_lineBytes = end + 1;
        if (!counted)
            return line;
        m_headBytes += end + 1;
        if (m_headBytes > HttpRequest::MaxHeadBytes) {
            fail(QStringLiteral("a head larger than %1 bytes").arg(HttpRequest::MaxHeadBytes));
            return std::nullopt;
        }
        return line;
    }

    void lineRead(const QByteArray &line)
    {
        switch (m_phase) {
        case Phase::StatusLine: {
            // "HTTP/1.1 200 OK"
            const QList<QByteArray> parts = line.split(' ');
            bool ok = false;
            const int status = parts.size() >= 2 && line.startsWith("HTTP/1.") ? parts.at(1).toInt(&ok) : 0;
            if (!ok || status < 100 || status > 999 || parts.at(1).size() != 3) {
                fail(QStringLiteral("not an HTTP answer"));
                return;
            }
            m_status = status;
            m_reason = parts.size() > 2 ? QString::fromLatin1(line.mid(parts.at(0).size() + 5)).left(200) : QString();
            m_phase = Phase::Headers;
            return;
        }
        case Phase::Headers:
            if (line.isEmpty()) {
                headEnded();
                return;
            }
            if (!countHeaderLine())
                return;
            if ((line.startsWith(' ') || line.startsWith('\t')) && !m_headers.isEmpty()) {
                m_headers.last().second += ' ' + line.trimmed(); // a folded line
                return;
            }
            if (const qsizetype colon = line.indexOf(':'); colon > 0) {
                m_headers.append({line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
                return;
            }
            fail(QStringLiteral("a malformed header line"));
            return;
        case Phase::ChunkSize: {
            QByteArray size = line;
            if (const qsizetype extension = size.indexOf(';'); extension >= 0)
                size.truncate(extension);
            size = size.trimmed();
            bool ok = false;
            const qlonglong length = size.size() <= 16 ? size.toLongLong(&ok, 16) : -1;
            if (!ok || length < 0) {
                fail(QStringLiteral("a malformed chunk size"));
                return;
            }
            if (length > m_request.limit - m_replyBytes) {
                fail(tooLarge());
                return;
            }
            m_left = length;
            m_phase = length == 0 ? Phase::Trailers : Phase::ChunkData;
            m_headLines = 0; // the trailers are bounded like a head of their own
            m_headBytes = 0;
            return;
        }
        case Phase::ChunkEnd:
            if (!line.isEmpty()) {
                fail(QStringLiteral("a chunk longer than its size"));
                return;
            }
            m_phase = Phase::ChunkSize;
            return;
        case Phase::Trailers:
            if (line.isEmpty())
                complete();
            else
                countHeaderLine();
            return;
        case Phase::Body:
        case Phase::ChunkData:
        case Phase::Done:
            return;
        }
    }

    // Counts bytes of the reply read after its head; fails once they pass the cap.
    bool countReplyBytes(qsizetype n)
    {
        m_replyBytes += n;
        if (m_replyBytes <= m_request.limit)
            return true;
        fail(tooLarge());
        return false;
    }

    bool countHeaderLine()
    {
        if (++m_headLines <= HttpRequest::MaxHeaderLines)
            return true;
        fail(QStringLiteral("more than %1 header lines").arg(HttpRequest::MaxHeaderLines));
        return false;
    }

    QByteArray header(const char *name) const
    {
        for (const auto &header : m_headers) {
            if (header.first == name)
                return header.second;
        }
        return {};
    }

    // The body's length from every Content-Length field (a field may list values):
    // all must be the same number of digits; -1 when there is none, -2 when they
    // are malformed or differ, which leaves the body's end in doubt.
    qlonglong contentLength() const
    {
        qlonglong length = -1;
        for (const auto &header : m_headers) {
            if (header.first != "content-length")
                continue;
            for (const QByteArray &item : header.second.split(',')) {
                const QByteArray digits = item.trimmed();
                bool ok = !digits.isEmpty() && digits.size() <= 18;
                for (const char c : digits)
                    ok = ok && c >= '0' && c <= '9';
                const qlonglong n = ok ? digits.toLongLong(&ok) : -1;
                if (!ok || (length >= 0 && n != length))
                    return -2;
                length = n;
            }
        }
        return length;
    }

    void headEnded()
    {
        if (m_status < 200 && m_status != 101) { // 100 Continue and its kind: the answer follows
            m_phase = Phase::StatusLine;
            m_headers.clear();
            return;
        }
        if (isRedirect(m_status) && !header("location").isEmpty()) {
            redirect(m_url.resolved(QUrl::fromEncoded(header("location"))));
            return;
        }
        if (m_request.method == "HEAD" || m_status == 204 || m_status == 304 || m_status < 200) {
            m_framing = Framing::None;
        } else if (header("transfer-encoding").toLower().contains("chunked")) {
            m_framing = Framing::Chunked;
        } else if (const qlonglong n = contentLength(); n != -1) {
            if (n < 0) {
                fail(QStringLiteral("a malformed or conflicting Content-Length"));
                return;
            }
            if (n > m_request.limit) {
                fail(tooLarge());
                return;
            }
            m_framing = Framing::Length;
            m_left = n;
            m_body.reserve(n); // known and within the cap: no growth beyond it
        } else {
            m_framing = Framing::UntilClose;
        }
        // The body's framing is not the head's: its lines count afresh.
        m_headLines = 0;
        m_headBytes = 0;
        switch (m_framing) {
        case Framing::None:
            complete();
            return;
        case Framing::Length:
            if (m_left == 0)
                complete();
            else
                m_phase = Phase::Body;
            return;
        case Framing::Chunked:
            m_phase = Phase::ChunkSize;
            return;
        case Framing::UntilClose:
            m_phase = Phase::Body;
            return;
        }
    }

    void redirect(const QUrl &target)
    {
        if (m_request.redirectsLeft <= 0) {
            fail(QStringLiteral("more than %1 redirects").arg(m_redirectsFollowed));
            return;
        }
        if (!isHttpAddress(target)
            || (m_url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0
                && target.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) != 0)) {
            fail(QStringLiteral("a redirect to a less safe address refused: %1").arg(target.toString()));
            return;
        }
        --m_request.redirectsLeft;
        ++m_redirectsFollowed;
        // Credentials go to the origin they were set for, and to no other (nor back
        // to it by way of another).
        if (!isSameOrigin(m_url, target))
            m_request.headers.removeIf([](const auto &header) { return isCredentialHeader(header.first); });
        if (m_status == 303 || ((m_status == 301 || m_status == 302) && m_request.method == "POST")) {
            if (m_request.method != "HEAD")
                m_request.method = "GET";
            m_request.body.clear();
        }
        connectTo(target);
    }

    void closedByServer()
    {
        if (!m_socket || m_phase == Phase::Done)
            return;
        take(); // what came before the end
        if (!m_socket || m_phase == Phase::Done)
            return;
        if (m_phase == Phase::Body && m_framing == Framing::UntilClose)
            complete();
        else
            fail(m_phase == Phase::StatusLine && m_headBytes == 0
                     ? QStringLiteral("the server closed the connection without an answer")
                     : QStringLiteral("the server closed the connection before the answer's end"));
    }

    QString tooLarge() const { return QStringLiteral("reply larger than %1 bytes").arg(m_request.limit); }

    void complete()
    {
        m_phase = Phase::Done;
        m_response.received = true;
        m_response.status = m_status;
        m_response.body = std::move(m_body);
        if (m_status >= 400)
            m_response.error = QStringLiteral("the server answered %1 %2").arg(m_status).arg(m_reason);
        finish();
    }

    void fail(const QString &why)
    {
        if (m_phase == Phase::Done && !m_socket)
            return;
        m_phase = Phase::Done;
        m_response = {};
        m_response.error = why;
        finish();
    }

    void finish()
    {
        m_deadline.stop();
        closeConnection();
        // In a later pass: the failure may be found inside send()'s own call chain.
        QTimer::singleShot(0, this, ExceptionBoundary::guarded(this, "the answer", [this] { deliver(); }));
    }

    void closeConnection()
    {
        if (!m_socket)
            return;
        QAbstractSocket *socket = std::exchange(m_socket, nullptr);
        socket->disconnect(this);
        socket->abort(); // closed at once: the server sees it go now
        socket->deleteLater();
    }

    void deliver()
    {
        // Gone before the completion runs: a completion that ends the context (or
        // cancels) finds nothing left to end.
        m_delivered = true;
        HttpRequest::Completion completion = std::move(m_completion);
        const HttpRequest::Response response = std::move(m_response);
        setParent(nullptr);
        deleteLater();
        if (completion)
            completion(response);
    }

    HttpRequest::Completion m_completion;
    Request m_request;
    HttpRequest::Response m_response;
    QTimer m_deadline{this};
    QAbstractSocket *m_socket = nullptr;
    QUrl m_url;
    QByteArray m_in;          // read and not yet parsed: at most a line's bound and one pass's bytes
    Phase m_phase = Phase::StatusLine;
    Framing m_framing = Framing::None;
    int m_headLines = 0;
    qsizetype m_headBytes = 0;
    int m_status = 0;
    QString m_reason;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    QByteArray m_body;
    qsizetype m_left = 0;     // bytes of the body or the chunk still to come
    qsizetype m_replyBytes = 0; // bytes read after the head: the body and its framing
    qsizetype m_lineBytes = 0;  // bytes of the last line taken, with its line end
    int m_redirectsFollowed = 0;
};

} // namespace

HttpRequest::HttpRequest(QUrl url, QByteArray method) : m_url(std::move(url)), m_method(std::move(method)) {}

void HttpRequest::setHeader(const QByteArray &name, const QByteArray &value)
{
    if (!isHeaderName(name) || !isHeaderValue(value)) {
        if (m_refusedHeader.isEmpty())
            m_refusedHeader = name.isEmpty() ? QByteArrayLiteral("(no name)") : name.left(200);
        return;
    }
    for (auto &header : m_headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0) {
            header.second = value;
            return;
        }
    }
    m_headers.append({name, value});
}

bool HttpRequest::Pending::isRunning() const
{
    return m_exchange && !static_cast<const Exchange *>(m_exchange.data())->m_delivered;
}

void HttpRequest::Pending::cancel()
{
    auto *exchange = static_cast<Exchange *>(m_exchange.data());
    m_exchange.clear();
    // One that delivers goes by itself (perhaps from inside its own completion).
    if (exchange && !exchange->m_delivered)
        delete exchange;
}

HttpRequest::Pending HttpRequest::send(QObject *context, Completion completion) const
{
    auto *exchange = new Exchange(context, std::move(completion),
                                  Exchange::Request{m_url, m_method, m_headers, m_body, m_maxReplyBytes, m_timeLimit,
                                                    m_maxRedirects});
    if (!isHttpAddress(m_url)) {
        exchange->failLater(QStringLiteral("not an http address: %1").arg(m_url.toString()));
        return Pending(exchange);
    }
    if (!m_refusedHeader.isEmpty()) {
        exchange->failLater(QStringLiteral("a header with a control character, or a name that is no token, refused: %1")
                                .arg(QString::fromLatin1(m_refusedHeader.toPercentEncoding("!#$&'*+-.^_`|~"))));
        return Pending(exchange);
    }
    exchange->start();
    return Pending(exchange);
}

} // namespace platform
