#include "NTXAppKit/reporting/NTXMultipartForm.h"

namespace NTXMultipartForm {

QByteArray contentType()
{
    return QByteArrayLiteral("multipart/form-data; boundary=") + Boundary;
}

QByteArray body(const QList<QPair<QString, QString>> &parts, const QByteArray &preamble)
{
    QByteArray out = preamble;
    const QByteArray boundary(Boundary);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out += "\r\n";
        out += "--" + boundary + "\r\n";
        out += "Content-Disposition: form-data; name=\"" + parts[i].first.toUtf8() + "\"\r\n\r\n";
        out += parts[i].second.toUtf8();
    }
    out += "\r\n--" + boundary + "--\r\n";
    return out;
}

QByteArray crashReportBody(const QString &crashLog, const QString &description)
{
    return body({{QStringLiteral("crashlog"), crashLog}, {QStringLiteral("description"), description}});
}

QByteArray feedbackBody(const QString &subject, const QString &from, const QString &message, bool sendMeACopy,
                        const QString &appVersion)
{
    return body({{QStringLiteral("subject"), subject},
                 {QStringLiteral("from"), from},
                 {QStringLiteral("message"), message},
                 {QStringLiteral("sendmeacopy"), sendMeACopy ? QStringLiteral("YES") : QStringLiteral("NO")},
                 {QStringLiteral("appversion"), appVersion}},
                "Content-Type: " + contentType() + "\r\n\r\n");
}

platform::HttpRequest request(const QUrl &url, const QString &userAgent, const QByteArray &body, int timeLimitMs)
{
    platform::HttpRequest request(url, QByteArrayLiteral("POST"));
    request.setHeader(QByteArrayLiteral("User-Agent"), userAgent.toUtf8());
    request.setHeader(QByteArrayLiteral("Content-Type"), contentType());
    request.setBody(body);
    request.setTimeLimit(timeLimitMs);
    return request;
}

} // namespace NTXMultipartForm
