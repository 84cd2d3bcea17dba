#include "tests/support/FatalSignalReport.h"

#include <gtest/gtest.h>

#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <execinfo.h>
#include <link.h>
#include <sys/wait.h>
#include <unistd.h>

// Not under the sanitizers, whose own reports say more.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || defined(CHRONARK_THREAD_SANITIZER)
#define CHRONARK_FATAL_SIGNAL_REPORT 0
#else
#define CHRONARK_FATAL_SIGNAL_REPORT 1
#endif

namespace testsupport {

#if CHRONARK_FATAL_SIGNAL_REPORT
namespace {

constexpr int Reported[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr int MaximumFrames = 64;

// The running test, as "Suite.Name", written by the listener on the test's thread.
char runningTest[512] = "(between tests)";
// The handler's own stack: a fault of a stack that overflowed is reported too.
alignas(16) char handlerStack[64 * 1024];

void put(const char *text)
{
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, text, left);
        if (written <= 0)
            return;
        text += written;
        left -= std::size_t(written);
    }
}

// The program's own code (its loaded, executable segments) and where it was loaded:
// its frames are named by addr2line, from the program file's debugging information.
struct ProgramCode
{
    quintptr bias = 0;
    quintptr start = ~quintptr(0);
    quintptr end = 0;
} program;

void readProgramCode()
{
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *) {
            program.bias = quintptr(info->dlpi_addr);
            for (int k = 0; k < info->dlpi_phnum; ++k) {
                const ElfW(Phdr) &segment = info->dlpi_phdr[k];
                if (segment.p_type != PT_LOAD || !(segment.p_flags & PF_X))
                    continue;
                program.start = std::min<quintptr>(program.start, program.bias + segment.p_vaddr);
                program.end = std::max<quintptr>(program.end, program.bias + segment.p_vaddr + segment.p_memsz);
            }
            return 1; // the program itself comes first
        },
        nullptr);
}

// "0x" and the number in hexadecimal, into `text` (at least 19 bytes).
void hex(quintptr value, char *text)
{
    char digits[16];
    int count = 0;
    do {
        digits[count++] = "0123456789abcdef"[value & 15];
        value >>= 4;
    } while (value != 0);
    *text++ = '0';
    *text++ = 'x';
    while (count > 0)
        *text++ = digits[--count];
    *text = '\0';
}

// The program's frames named, innermost first, by addr2line in a child (its output goes
// to standard error); nothing when it cannot be run.
void nameProgramFrames(void *const *frames, int count)
{
    static char addresses[MaximumFrames][20];
    static char *arguments[MaximumFrames + 8];
    int argument = 0;
    arguments[argument++] = const_cast<char *>("addr2line");
    arguments[argument++] = const_cast<char *>("-f");
    arguments[argument++] = const_cast<char *>("-C");
    arguments[argument++] = const_cast<char *>("-i");
    arguments[argument++] = const_cast<char *>("-p");
    arguments[argument++] = const_cast<char *>("-e");
    // The program file as this process has it (the child's /proc/self is addr2line).
    static char file[32] = "/proc/";
    char number[20];
    int digits = 0;
    for (auto pid = unsigned(::getpid()); digits == 0 || pid != 0; pid /= 10)
        number[digits++] = char('0' + pid % 10);
    int at = 6;
    while (digits > 0)
        file[at++] = number[--digits];
    std::memcpy(file + at, "/exe", 5);
    arguments[argument++] = file;
    const int first = argument;
    for (int k = 0; k < count; ++k) {
        const auto address = quintptr(frames[k]);
        if (address < program.start || address >= program.end)
            continue;
        // A return address: the call lies just before it.
        hex(address - program.bias - (k > 0 ? 1 : 0), addresses[k]);
        arguments[argument++] = addresses[k];
    }
    if (argument == first)
        return;
    arguments[argument] = nullptr;
    put("The program's frames among them, named:\n");
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
        ::execvp("addr2line", arguments);
        ::_exit(127);
    }
    if (child > 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

void died(int signal)
{
    put("\n*** The test program died of SIG");
    put(sigabbrev_np(signal) ? sigabbrev_np(signal) : "(unknown)");
    put(" in ");
    put(runningTest);
    put("; the frames of the faulting thread:\n");
    void *frames[MaximumFrames];
    const int count = ::backtrace(frames, MaximumFrames);
    ::backtrace_symbols_fd(frames, count, STDERR_FILENO);
    nameProgramFrames(frames, count);
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    ::raise(signal);
}

class RunningTestListener : public ::testing::EmptyTestEventListener
{
    void OnTestStart(const ::testing::TestInfo &test) override
    {
        std::snprintf(runningTest, sizeof runningTest, "%s.%s", test.test_suite_name(), test.name());
    }
    void OnTestEnd(const ::testing::TestInfo &) override
    {
        std::snprintf(runningTest, sizeof runningTest, "(between tests)");
    }
};

} // namespace
#endif

void installFatalSignalReport()
{
#if CHRONARK_FATAL_SIGNAL_REPORT
    // The first call loads the unwinder, which must not happen inside the handler.
    void *frames[2];
    (void)::backtrace(frames, 2);
    readProgramCode();
    stack_t stack {};
    stack.ss_sp = handlerStack;
    stack.ss_size = sizeof handlerStack;
    ::sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_handler = died;
    action.sa_flags = SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (const int signal : Reported)
        ::sigaction(signal, &action, nullptr);
    ::testing::UnitTest::GetInstance()->listeners().Append(new RunningTestListener);
#endif
}

} // namespace testsupport
