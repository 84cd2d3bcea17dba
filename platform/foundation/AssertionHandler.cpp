#include "platform/foundation/AssertionHandler.h"

#include "platform/foundation/Exception.h"

namespace platform {

AssertionHandler &AssertionHandler::current()
{
    static AssertionHandler standard;
    return standard;
}

void AssertionHandler::handleFailureInFunction(const QString &function, const QString &file, qint64 line,
                                               const QString &description)
{
    throw Exception(Exception::InternalInconsistencyException, description,
                    {{FunctionKey, function}, {FileKey, file}, {LineKey, line}});
}

} // namespace platform
