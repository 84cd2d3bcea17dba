#pragma once
// Where a call from Qt enters our code: a slot or lambda connected to a signal, an
// event handler, a timer, a queued call, a completion. Such an entry runs its body
// through guard(), which catches whatever the body throws before it reaches Qt's
// frames (unwinding through them is undefined and leaks what they hold), reports it
// the way the application object does (qCritical on "chronark.exceptions": the
// receiver's class and name, the entry, what() said; the count goes up) and returns,
// so the program goes on. Code that calls our own operations directly keeps getting
// their exceptions (platform::Exception stays catchable by callers); only the entry
// from Qt stops them.
//
//     connect(button, &QPushButton::clicked, this,
//             platform::ExceptionBoundary::guarded(this, "clicked", [this] { remove(index); }));
//     void View::mousePressEvent(QMouseEvent *event) override
//     {
//         platform::ExceptionBoundary::guard(this, "mousePressEvent", [&] { press(event); });
//     }
//
// A whole handler may be a function-try-block instead, which leaves its body as it is:
//
//     void View::keyPressEvent(QKeyEvent *event)
//     try {
//         move(event->key());
//     } catch (...) {
//         platform::ExceptionBoundary::caught(this, "keyPressEvent");
//     }
//
// and a member function connected as a slot goes through guarded() as well:
//
//     connect(timer, &QTimer::timeout, this, platform::ExceptionBoundary::guarded(this, "step", &View::step));
//
// An entry that cannot throw may be noexcept instead, with a comment saying why
// ("cannot throw: ..."). Where our code calls code it does not control (a delegate, a
// data source, a notification's observer), the call goes through guard() or guardOr()
// once, for every caller. tools/check-exceptions (ctest "exceptions") holds every throw of the
// product code to tools/throws.txt and, as a quick lint, the entries from Qt in the
// files that can reach one to these forms.
//
// Thread-safe (the count is atomic; the log is Qt's). guard() never throws.
#include <QObject>
#include <QString>

#include <cstddef>
#include <exception>
#include <functional>
#include <tuple>
#include <type_traits>
#include <utility>

namespace platform {

class ExceptionBoundary
{
public:
    // Runs the body; false when it threw (the exception was reported).
    template <typename Body>
    static bool guard(const QObject *receiver, const char *entry, Body &&body) noexcept;
    // The same for an entry that answers Qt (an item model's data(), a drop): the
    // body's answer, or `fallback` when it threw.
    template <typename Result, typename Body>
    static Result guardOr(const QObject *receiver, const char *entry, Result fallback, Body &&body) noexcept;
    // The body wrapped for connect(), QTimer::singleShot() or invokeMethod(): the
    // leading arguments of the signal that the body takes, run through guard(); a
    // result is dropped.
    template <typename Body>
        requires(!std::is_member_function_pointer_v<Body>)
    static auto guarded(const QObject *receiver, const char *entry, Body body);
    // The same for a member function of the receiver (a slot): called on the receiver
    // with the leading arguments of the signal it takes.
    template <typename Object, typename Member>
        requires std::is_member_function_pointer_v<Member>
    static auto guarded(Object *receiver, const char *entry, Member slot);

    // Inside the catch (...) of an entry's function-try-block: reports the exception
    // being handled, as guard() does.
    static void caught(const QObject *receiver, const char *entry) noexcept;

    // Reports an exception caught at an entry (what guard() does; notify() too).
    static void report(const QObject *receiver, const QString &entry, const QString &what) noexcept;
    // Exceptions reported in this process so far.
    static int caughtCount() noexcept;

private:
    static void reportCurrent(const QObject *receiver, const char *entry) noexcept;
};

template <typename Body>
bool ExceptionBoundary::guard(const QObject *receiver, const char *entry, Body &&body) noexcept
{
    try {
        std::forward<Body>(body)();
        return true;
    } catch (...) {
        reportCurrent(receiver, entry);
    }
    return false;
}

template <typename Result, typename Body>
Result ExceptionBoundary::guardOr(const QObject *receiver, const char *entry, Result fallback, Body &&body) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        reportCurrent(receiver, entry);
    }
    return fallback;
}

namespace exceptionboundarydetail {

template <typename Body, typename Tuple, std::size_t... I>
constexpr bool takes(std::index_sequence<I...>)
{
    return std::is_invocable_v<Body &, std::tuple_element_t<I, Tuple>...>;
}

// Calls the body with the longest leading part of the arguments it takes (a slot may
// ignore the last arguments of its signal, Qt's private-signal tag among them).
template <std::size_t N, typename Body, typename Tuple>
void callWithLeading(Body &body, Tuple &arguments)
{
    if constexpr (takes<Body, Tuple>(std::make_index_sequence<N>())) {
        [&]<std::size_t... I>(std::index_sequence<I...>) {
            (void)body(std::get<I>(arguments)...);
        }(std::make_index_sequence<N>());
    } else {
        static_assert(N > 0, "the body takes none of the arguments it is called with");
        if constexpr (N > 0)
            callWithLeading<N - 1>(body, arguments);
    }
}

} // namespace exceptionboundarydetail

template <typename Body>
    requires(!std::is_member_function_pointer_v<Body>)
auto ExceptionBoundary::guarded(const QObject *receiver, const char *entry, Body body)
{
    return [receiver, entry, body = std::move(body)](auto &&...arguments) mutable -> void {
        guard(receiver, entry, [&] {
            auto all = std::forward_as_tuple(std::forward<decltype(arguments)>(arguments)...);
            exceptionboundarydetail::callWithLeading<sizeof...(arguments)>(body, all);
        });
    };
}

template <typename Object, typename Member>
    requires std::is_member_function_pointer_v<Member>
auto ExceptionBoundary::guarded(Object *receiver, const char *entry, Member slot)
{
    auto call = [receiver, slot](auto &&...arguments)
        requires std::is_invocable_v<Member, Object *, decltype(arguments)...>
    { std::invoke(slot, receiver, std::forward<decltype(arguments)>(arguments)...); };
    return guarded(receiver, entry, std::move(call));
}

} // namespace platform
