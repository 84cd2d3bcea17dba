#include "platform/foundation/HttpRequest.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QBuffer>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace platform {

namespace {

// One running exchange: a child of the sender's context, so that the context's end
// ends it. It owns the manager, the reply and the upload; it delivers once and goes.
class Exchange : public QObject
{
public:
    Exchange(QObject *context, HttpRequest::Completion completion, qsizetype limit, int timeLimit)
        : QObject(context), m_completion(std::move(completion)), m_limit(limit), m_timeLimit(timeLimit)
    {
        m_deadline.setSingleShot(true);
        connect(&m_deadline, &QTimer::timeout, this, ExceptionBoundary::guarded(this, "the deadline", [this] {
                    refuse(QStringLiteral("no answer within %1 ms").arg(m_timeLimit));
                }));
    }

    ~Exchange() override
    {
        if (m_reply) {
            m_reply->disconnect(this);
            m_reply->abort();
        }
    }

    void start(QNetworkReply *reply)
    {
        m_reply = reply; // a child of m_manager
        connect(reply, &QNetworkReply::metaDataChanged, this, ExceptionBoundary::guarded(this, "metaDataChanged", [this] {
                    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
                    if (length.isValid() && length.toLongLong() > m_limit)
                        refuse(QStringLiteral("reply larger than %1 bytes").arg(m_limit));
                }));
        connect(reply, &QNetworkReply::readyRead, this,
                ExceptionBoundary::guarded(this, "readyRead", [this] { take(); }));
        connect(reply, &QNetworkReply::finished, this,
                ExceptionBoundary::guarded(this, "finished", [this] { finish(); }));
        m_deadline.start(m_timeLimit);
    }

    // Fails without a request, in a later pass like any answer.
    void failLater(const QString &why)
    {
        m_response.error = why;
        QTimer::singleShot(0, this, ExceptionBoundary::guarded(this, "a failed send", [this] { deliver(); }));
    }

    QNetworkAccessManager m_manager{this};
    QBuffer m_upload{this};
    // Set once the completion is under way: the exchange is only waiting to go.
    bool m_delivered = false;

private:
    void take()
    {
        if (m_refused || !m_reply->isOpen())
            return;
        m_body += m_reply->read(m_limit + 1 - m_body.size());
        if (m_body.size() > m_limit)
            refuse(QStringLiteral("reply larger than %1 bytes").arg(m_limit));
    }

    void refuse(const QString &why)
    {
        if (m_refused)
            return;
        m_refused = true;
        m_response.error = why;
        m_reply->abort(); // finished follows, at once
    }

    void finish()
    {
        m_deadline.stop();
        if (!m_refused)
            take();
        if (!m_refused) {
            const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (!status.isValid()) {
                m_response.error = m_reply->errorString();
            } else {
                m_response.received = true;
                m_response.status = status.toInt();
                m_response.body = m_body;
                if (m_reply->error() != QNetworkReply::NoError)
                    m_response.error = m_reply->errorString();
            }
        }
        m_reply->disconnect(this);
        m_reply->deleteLater();
        m_reply = nullptr;
        deliver();
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
    HttpRequest::Response m_response;
    QNetworkReply *m_reply = nullptr;
    QTimer m_deadline{this};
    QByteArray m_body;
    const qsizetype m_limit;
    const int m_timeLimit;
    bool m_refused = false;
};

} // namespace

HttpRequest::HttpRequest(QUrl url, QByteArray method) : m_url(std::move(url)), m_method(std::move(method)) {}

void HttpRequest::setHeader(const QByteArray &name, const QByteArray &value)
{
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
    auto *exchange = new Exchange(context, std::move(completion), m_maxReplyBytes, m_timeLimit);
    const QString scheme = m_url.scheme().toLower();
    if (!m_url.isValid() || m_url.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        exchange->failLater(QStringLiteral("not an http address: %1").arg(m_url.toString()));
        return Pending(exchange);
    }

    QNetworkAccessManager &manager = exchange->m_manager;
    const QHostAddress address(m_url.host());
    if ((!address.isNull() && address.isLoopback()) || m_url.host() == QLatin1String("localhost"))
        manager.setProxy(QNetworkProxy::NoProxy);
    manager.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkRequest request(m_url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setMaximumRedirectsAllowed(m_maxRedirects);
    // The exchange's deadline covers the whole exchange, silence and trickle alike.
    for (const auto &header : m_headers)
        request.setRawHeader(header.first, header.second);

    exchange->m_upload.setData(m_body);
    exchange->m_upload.open(QIODevice::ReadOnly);
    exchange->start(manager.sendCustomRequest(request, m_method, &exchange->m_upload));
    return Pending(exchange);
}

} // namespace platform
