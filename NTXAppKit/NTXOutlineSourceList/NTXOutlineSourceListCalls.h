#pragma once
// Calls of the optional Q_INVOKABLE operations of a source list's data source and
// delegate: each is looked up by name first (platform::respondsToMethod, which also
// honours an object's respondsToSelector), then invoked directly with arguments of
// exactly the declared types. Used by the source list and its model only.
// Threads: GUI thread only.
#include "platform/drawing/ActionDispatch.h"

#include <QMetaObject>
#include <QMetaType>
#include <QObject>
#include <optional>

namespace NTXOutlineSourceListCalls {

template <typename T> QGenericArgument argument(const T &value)
{
    return QGenericArgument(QMetaType::fromType<T>().name(), &value);
}

inline bool implements(const QObject *target, const char *name)
{
    return target && platform::respondsToMethod(target, name);
}

// The answer, or none when the target lacks the operation.
template <typename R, typename... A> std::optional<R> ask(QObject *target, const char *name, const A &...arguments)
{
    if (!implements(target, name))
        return std::nullopt;
    R result{};
    if (!QMetaObject::invokeMethod(target, name, Qt::DirectConnection,
                                   QGenericReturnArgument(QMetaType::fromType<R>().name(), &result),
                                   argument(arguments)...))
        return std::nullopt;
    return result;
}

// Sends an operation without answer; whether the target had it.
template <typename... A> bool tell(QObject *target, const char *name, const A &...arguments)
{
    if (!implements(target, name))
        return false;
    return QMetaObject::invokeMethod(target, name, Qt::DirectConnection, argument(arguments)...);
}

} // namespace NTXOutlineSourceListCalls
