#pragma once
// Where failed internal checks end up. Code that finds one of its own conditions
// broken hands the failing function's signature, the source file, the line and a
// description to AssertionHandler::current(); the standard handler raises an
// Exception named "NSInternalInconsistencyException" whose reason is the description
// and whose user information holds the function, file and line.
//
// The handler is stateless and shared by all threads; it never returns normally.
#include <QString>

namespace platform {

class AssertionHandler
{
public:
    virtual ~AssertionHandler() = default;

    static AssertionHandler &current();

    // Raises; never returns.
    [[noreturn]] virtual void handleFailureInFunction(const QString &function, const QString &file,
                                                      qint64 line, const QString &description);

    static inline const QString FunctionKey = QStringLiteral("function");
    static inline const QString FileKey = QStringLiteral("file");
    static inline const QString LineKey = QStringLiteral("line");
};

} // namespace platform
