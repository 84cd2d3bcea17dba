#pragma once
// A failure reported to a caller as a value: a domain naming the subsystem, a code
// within it and user information (a description, a failure reason and whatever the
// domain adds). A default-constructed Error stands for "no error". A plain value:
// copyable, no shared state, usable from any thread.
#include <QString>
#include <QVariantMap>

namespace platform {

class Error
{
public:
    Error() = default;
    Error(QString domain, qint64 code, QVariantMap userInfo = {});

    bool isNull() const { return m_domain.isNull(); }
    const QString &domain() const { return m_domain; }
    qint64 code() const { return m_code; }
    const QVariantMap &userInfo() const { return m_userInfo; }
    // The user information's description, empty when it has none.
    QString localizedDescription() const;

    static inline const QString LocalizedDescriptionKey = QStringLiteral("NSLocalizedDescription");
    static inline const QString LocalizedFailureReasonKey = QStringLiteral("NSLocalizedFailureReason");

private:
    QString m_domain;
    qint64 m_code = 0;
    QVariantMap m_userInfo;
};

} // namespace platform
