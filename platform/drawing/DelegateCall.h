#pragma once
// Sending an informal delegate operation: a Q_INVOKABLE method of the delegate with
// the operation's name, called directly only when platform::respondsToMethod finds it.
// Answers whether it was sent; the result is written only then. Stateless.
#include "platform/drawing/ActionDispatch.h"

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
    return QMetaObject::invokeMethod(delegate, operation, Qt::DirectConnection, delegateArgument(args)...);
}

template <typename R, typename... Args>
bool askDelegate(QObject *delegate, const char *operation, R *result, const Args &...args)
{
    if (!delegate || !platform::respondsToMethod(delegate, operation))
        return false;
    R answer{};
    if (!QMetaObject::invokeMethod(delegate, operation, Qt::DirectConnection,
                                   QGenericReturnArgument(QMetaType::fromType<R>().name(), &answer),
                                   delegateArgument(args)...))
        return false;
    *result = answer;
    return true;
}

} // namespace platform
