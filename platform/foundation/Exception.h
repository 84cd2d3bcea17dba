#pragma once
// A named exception with a reason and optional user information, for programming
// errors that the code raises ("NSRangeException", "NSInvalidArgumentException",
// "KVO/Undefined Key", …). A plain value: copyable, no shared state, safe to throw
// from any thread.
#include <QString>
#include <QVariantMap>
#include <exception>
#include <string>

namespace platform {

class Exception : public std::exception
{
public:
    Exception(QString name, QString reason, QVariantMap userInfo = {});

    const QString &name() const { return m_name; }
    const QString &reason() const { return m_reason; }
    // Details for whoever catches it (empty when the raiser gave none).
    const QVariantMap &userInfo() const { return m_userInfo; }
    const char *what() const noexcept override { return m_what.c_str(); }

    static inline const QString RangeException = QStringLiteral("NSRangeException");
    static inline const QString InvalidArgumentException = QStringLiteral("NSInvalidArgumentException");
    static inline const QString InternalInconsistencyException = QStringLiteral("NSInternalInconsistencyException");

private:
    QString m_name;
    QString m_reason;
    QVariantMap m_userInfo;
    std::string m_what;
};

} // namespace platform
