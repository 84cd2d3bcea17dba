#pragma once
// A named exception with a reason, for programming errors that the code raises
// ("NSRangeException", "NSInvalidArgumentException", "KVO/Undefined Key", …).
#include <QString>
#include <exception>
#include <string>

namespace platform {

class Exception : public std::exception
{
public:
    Exception(QString name, QString reason);

    const QString &name() const { return m_name; }
    const QString &reason() const { return m_reason; }
    const char *what() const noexcept override { return m_what.c_str(); }

    static inline const QString RangeException = QStringLiteral("NSRangeException");
    static inline const QString InvalidArgumentException = QStringLiteral("NSInvalidArgumentException");
    static inline const QString InternalInconsistencyException = QStringLiteral("NSInternalInconsistencyException");

private:
    QString m_name;
    QString m_reason;
    std::string m_what;
};

} // namespace platform
