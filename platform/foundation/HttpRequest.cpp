#include "platform/foundation/HttpRequest.h"

#include <QBuffer>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <memory>

namespace platform {

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

HttpRequest::Response HttpRequest::send() const
{
    Response response;
    const QString scheme = m_url.scheme().toLower();
    if (!m_url.isValid() || m_url.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        response.error = QStringLiteral("not an http address: %1").arg(m_url.toString());
        return response;
    }

    QNetworkAccessManager manager;
    const QHostAddress address(m_url.host());
    if ((!address.isNull() && address.isLoopback()) || m_url.host() == QLatin1String("localhost"))
        manager.setProxy(QNetworkProxy::NoProxy);
    manager.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkRequest request(m_url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(m_timeLimit);
    for (const auto &header : m_headers)
        request.setRawHeader(header.first, header.second);

    QBuffer upload;
    upload.setData(m_body);
    upload.open(QIODevice::ReadOnly);
    std::unique_ptr<QNetworkReply> reply(manager.sendCustomRequest(request, m_method, &upload));

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QByteArray body;
    bool refused = false;
    const qsizetype limit = m_maxReplyBytes;
    auto refuse = [&](const QString &why) {
        if (refused)
            return;
        refused = true;
        response.error = why;
        reply->abort();
    };
    auto take = [&]() {
        if (refused || !reply->isOpen())
            return;
        body += reply->read(limit + 1 - body.size());
        if (body.size() > limit)
            refuse(QStringLiteral("reply larger than %1 bytes").arg(limit));
    };
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, take);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&deadline, &QTimer::timeout, &loop,
                     [&] { refuse(QStringLiteral("no answer within %1 ms").arg(m_timeLimit)); });
    deadline.start(m_timeLimit);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    deadline.stop();
    if (!refused && reply->isFinished())
        take();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (refused)
        return response;
    if (!status.isValid()) {
        response.error = reply->errorString();
        return response;
    }
    response.received = true;
    response.status = status.toInt();
    response.body = body;
    if (reply->error() != QNetworkReply::NoError)
        response.error = reply->errorString();
    return response;
}

} // namespace platform
