#pragma once
// Calls of a source list's data source and delegate, code the source list does not
// control: the optional Q_INVOKABLE operations go through platform::askDelegate and
// tellDelegate (looked up by name first, then invoked directly with arguments of
// exactly the declared types), the four operations of the data source's interface
// through askDataSource(). What either raises stops at the call (reported with the
// data source or delegate and the operation's name, counted), which then answers as
// if the operation were missing, so that painting, a selection change or a reload
// goes on. Used by the source list and its model only.
// Threads: GUI thread only.
#include "NTXAppKit/NTXOutlineSourceList/NTXOutlineSourceListDataSource.h"
#include "platform/drawing/DelegateCall.h"

#include <QObject>
#include <optional>

namespace NTXOutlineSourceListCalls {

inline bool implements(const QObject *target, const char *name)
{
    return target && platform::respondsToMethod(target, name);
}

// The answer, or none when the target lacks the operation or raised.
template <typename R, typename... A> std::optional<R> ask(QObject *target, const char *name, const A &...arguments)
{
    R result{};
    if (!platform::askDelegate(target, name, &result, arguments...))
        return std::nullopt;
    return result;
}

// Sends an operation without answer; whether the target had it (and did not raise).
template <typename... A> bool tell(QObject *target, const char *name, const A &...arguments)
{
    return platform::tellDelegate(target, name, arguments...);
}

// The data source's answer through its interface (`call` is given the conforming
// data source), or `fallback` when it does not conform or raised.
template <typename R, typename Call> R askDataSource(QObject *source, const char *name, R fallback, Call &&call)
{
    auto *conforming = qobject_cast<NTXOutlineSourceListDataSource *>(source);
    if (!conforming)
        return fallback;
    return platform::ExceptionBoundary::guardOr(source, name, std::move(fallback), [&] { return call(conforming); });
}

} // namespace NTXOutlineSourceListCalls
