#include "tests/support/ThrowSites.h"

#include "tests/support/StackNames.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <dlfcn.h>
#include <exception>
#include <string_view>
#include <execinfo.h>
#include <typeinfo>

namespace {

constexpr int MaximumFrames = 128;

struct ThrowRecord
{
    void *frames[MaximumFrames];
    int count = 0;
};

thread_local ThrowRecord latestThrow;

// The latest throw of any thread, and the lock of its copy.
ThrowRecord latestOfTheProcess;
std::atomic_flag latestOfTheProcessLocked = ATOMIC_FLAG_INIT;

struct ProcessRecordLock
{
    ProcessRecordLock()
    {
        while (latestOfTheProcessLocked.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~ProcessRecordLock() { latestOfTheProcessLocked.clear(std::memory_order_release); }
};

using RealThrow = void (*)(void *, void *, void (*)(void *));

RealThrow realThrow()
{
    static const RealThrow real = reinterpret_cast<RealThrow>(dlsym(RTLD_NEXT, "__cxa_throw"));
    return real;
}

} // namespace

// Every throw of the process comes here first (the C++ runtime's entry, which this
// program's definition takes the place of); the type is the runtime's std::type_info.
extern "C" [[noreturn]] void __cxa_throw(void *object, void *type, void (*destroy)(void *))
{
    latestThrow.count = backtrace(latestThrow.frames, MaximumFrames);
    {
        const ProcessRecordLock lock;
        latestOfTheProcess = latestThrow;
    }
    const RealThrow real = realThrow();
    if (!real)
        std::abort();
    real(object, type, destroy);
    std::abort(); // the runtime's __cxa_throw does not return
}

namespace testsupport {

QString lastThrowSite()
{
    // The first frame is this program's __cxa_throw.
    if (latestThrow.count <= 1)
        return QString();
    const QStringList frames = namedFrames(latestThrow.frames + 1, latestThrow.count - 1);
    return QStringLiteral("  ") + frames.join(QStringLiteral("\n  "));
}

QString latestThrowSiteOfTheProcess()
{
    ThrowRecord record;
    {
        const ProcessRecordLock lock;
        record = latestOfTheProcess;
    }
    if (record.count <= 1)
        return QString();
    const QStringList frames = namedFrames(record.frames + 1, record.count - 1);
    return QStringLiteral("  ") + frames.join(QStringLiteral("\n  "));
}

namespace {

// Whether main() has begun: before, a throw comes from a static initializer.
bool mainBegan = false;

void reportTermination()
{
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (test)
        std::fprintf(stderr, "\nThe process ends: an exception left %s.%s where nothing may catch it",
                     test->test_suite_name(), test->name());
    else
        std::fprintf(stderr, "\nThe process ends: an exception left %s where nothing may catch it",
                     mainBegan ? "the code between tests" : "a static initializer, before the tests began");
    if (std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception &error) {
            int status = 0;
            char *type = abi::__cxa_demangle(typeid(error).name(), nullptr, nullptr, &status);
            std::fprintf(stderr, " (%s: %s)", status == 0 && type ? type : typeid(error).name(), error.what());
            std::free(type);
        } catch (...) {
        }
    }
    std::fprintf(stderr, "; it was thrown at\n%s\n", qPrintable(lastThrowSite()));
    std::fflush(stderr);
    std::abort();
}

// An exception that escapes the test body (a slot the test calls itself, say) is
// caught by GoogleTest, which says only what it was: the stack of its throw follows.
class EscapedExceptionListener : public testing::EmptyTestEventListener
{
public:
    void OnTestPartResult(const testing::TestPartResult &result) override
    {
        const std::string_view message = result.message();
        if (!result.failed() || message.find("C++ exception") == std::string_view::npos
            || message.find(" thrown in ") == std::string_view::npos)
            return;
        std::fprintf(stdout, "It was thrown at\n%s\n", qPrintable(lastThrowSite()));
        std::fflush(stdout);
    }
};

// Static initializers of the test program run before main(): the report is in place
// before theirs (a priority below the default runs first), so that a throw there names
// its line too.
__attribute__((constructor(101))) void installBeforeStaticInitializers()
{
    std::set_terminate(reportTermination);
}

} // namespace

void installThrowReport()
{
    mainBegan = true;
    std::set_terminate(reportTermination);
    if (!GTEST_FLAG_GET(list_tests))
        testing::UnitTest::GetInstance()->listeners().Append(new EscapedExceptionListener);
}

} // namespace testsupport
