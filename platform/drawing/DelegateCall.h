#pragma once
// Sending an informal delegate operation: a Q_INVOKABLE method of the delegate with
// the operation's name, called directly only when platform::respondsToMethod finds it.
// Answers whether it was sent and answered; the result is written only then.
// The delegate is code its caller does not control: what the operation raises stops
// here (platform::ExceptionBoundary, reported with the delegate and the operation's
// name), and the call answers false as if the delegate lacked the operation.
// Stateless; the thread of the delegate.
#include "platform/drawing/ActionDispatch.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QMetaObject>
#include <QMetaType>
#include <QObject>

namespace platform {

template <typename T>
QGenericArgument delegateArgument(const T &value)
{
    return QGenericArgument(QMetaType::fromType<T>().name(), &value);
}

template <typename... Args>
bool tellDelegate(QObject *delegate, const char *operation, const Args &...args)
{
    if (!delegate || !platform::respondsToMethod(delegate, operation))
        return false;
    return ExceptionBoundary::guardOr(delegate, operation, false, [&] {
        return QMetaObject::invokeMethod(delegate, operation, Qt::DirectConnection, delegateArgument(args)...);
    });
}

template <typename R, typename... Args>
bool askDelegate(QObject *delegate, const char *operation, R *result, const Args &...args)
{
    if (!delegate || !platform::respondsToMethod(delegate, operation))
        return false;
    R answer{};
    if (!ExceptionBoundary::guardOr(delegate, operation, false, [&] {
            return QMetaObject::invokeMethod(delegate, operation, Qt::DirectConnection,
                                             QGenericReturnArgument(QMetaType::fromType<R>().name(), &answer),
                                             delegateArgument(args)...);
        }))
        return false;
    *result = answer;
    return true;
}

} // namespace platform
