#pragma once
// The bodies of the crash-report and feedback posts: multipart form data with the
// boundary "0xKhTmLbOuNdArY", every text as UTF-8, parts in a fixed order, and the
// request that sends one (User-Agent and Content-Type set). Stateless.
#include "platform/network/HttpRequest.h"

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QUrl>

namespace NTXMultipartForm {

inline constexpr char Boundary[] = "0xKhTmLbOuNdArY";
QByteArray contentType();

// "--B" CR LF, then per part its header and text, parts separated by CR LF "--B"
// CR LF, closed by CR LF "--B--" CR LF; `preamble` comes before the first boundary.
QByteArray body(const QList<QPair<QString, QString>> &parts, const QByteArray &preamble = QByteArray());
QByteArray crashReportBody(const QString &crashLog, const QString &description);
QByteArray feedbackBody(const QString &subject, const QString &from, const QString &message, bool sendMeACopy,
                        const QString &appVersion);

// A POST of the body to the address, "User-Agent" set to the sender's name.
platform::HttpRequest request(const QUrl &url, const QString &userAgent, const QByteArray &body, int timeLimitMs);

} // namespace NTXMultipartForm
