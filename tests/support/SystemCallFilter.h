#pragma once
// Asks the kernel (a seccomp filter) to answer some system calls of this process
// with an error, or to kill the process at them, from now on: what a machine without
// /proc, a file system that refuses a call, or a crash at one exact step does to the
// code a test runs. A filter cannot be lifted, so a test runs the filtered code in a
// process of its own: a helper program, or a child forked by runFiltered().
// runTraced() also follows the child's system calls (ptrace): it lists their numbers,
// and can kill the child as it enters the n-th, which puts a crash at every step of
// the code in turn.
//
// Header only (helper programs include it without the test library). Failures:
// filterSystemCalls() answers false when the kernel refuses the filter; runFiltered()
// and runTraced() answer what their child did.
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace testsupport {

#if defined(__x86_64__)
inline constexpr unsigned SystemCallArchitecture = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
inline constexpr unsigned SystemCallArchitecture = AUDIT_ARCH_AARCH64;
#else
#error "the system calls of this architecture are not listed"
#endif

struct FilteredCall
{
    long number; // __NR_…
    int error;   // the error the call answers; 0: the process is killed at it (SIGSYS)
    // Only when this argument (0 to 5; -1: any call) has one of the bits of the mask
    // in its low 32 bits.
    int argument = -1;
    unsigned mask = 0;
};

// The calls that make a thread, refused as the system refuses one it has no room for
// (EAGAIN); processes are still made. The C library asks clone3 first and, told that
// the kernel lacks it, clone, whose flags tell a thread.
inline std::vector<FilteredCall> threadCreationRefused()
{
    return {
#ifdef __NR_clone3
        {__NR_clone3, ENOSYS},
#endif
        {__NR_clone, EAGAIN, 0, 0x00010000 /* CLONE_THREAD */}};
}

// The system calls that rename a file.
inline std::vector<long> renameCalls()
{
    return {
#ifdef __NR_rename
        __NR_rename,
#endif
        __NR_renameat, __NR_renameat2};
}

// The system calls that link a file under another name.
inline std::vector<long> linkCalls()
{
    return {
#ifdef __NR_link
        __NR_link,
#endif
        __NR_linkat};
}

// The system calls that make an unnamed file (open with O_TMPFILE), refused as a
// file system without unnamed files refuses them.
inline std::vector<FilteredCall> noUnnamedFiles()
{
    // O_TMPFILE's own bit (it carries O_DIRECTORY's as well, which opening a folder has).
    constexpr unsigned unnamed = unsigned(O_TMPFILE & ~O_DIRECTORY);
    std::vector<FilteredCall> calls;
#ifdef __NR_open
    calls.push_back({__NR_open, EOPNOTSUPP, 1, unnamed});
#endif
    calls.push_back({__NR_openat, EOPNOTSUPP, 2, unnamed});
    return calls;
}

inline std::vector<FilteredCall> answeredWith(const std::vector<long> &numbers, int error)
{
    std::vector<FilteredCall> calls;
    for (const long number : numbers)
        calls.push_back({number, error});
    return calls;
}

inline bool filterSystemCalls(const std::vector<FilteredCall> &calls)
{
    // A killed process leaves no core file behind.
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    std::vector<sock_filter> filter = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SystemCallArchitecture, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    for (const FilteredCall &call : calls) {
        // The call's answer when the number (and the argument) matches, else on to
        // the next comparison.
        const bool byArgument = call.argument >= 0 && call.argument < 6;
        filter.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)));
        filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, unsigned(call.number), 0, __u8(byArgument ? 3 : 1)));
        if (byArgument) {
            // The low half of the argument (both architectures are little-endian).
            filter.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS,
                                      unsigned(offsetof(seccomp_data, args) + sizeof(__u64) * unsigned(call.argument))));
            filter.push_back(BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, call.mask, 0, 1));
        }
        filter.push_back(BPF_STMT(BPF_RET | BPF_K,
                                  call.error == 0 ? SECCOMP_RET_KILL_PROCESS
                                                  : SECCOMP_RET_ERRNO | (unsigned(call.error) & SECCOMP_RET_DATA)));
    }
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// What a filtered child did: the value `work` answered, or the signal that ended it.
struct FilteredRun
{
    bool filtered = false; // the kernel took the filter
    bool answered = false;
    bool value = false;
    int signal = 0;
};

// Runs `work` in a forked child under the filter and waits for it. The child does
// nothing but `work` (no event loop, no test framework) and ends without cleaning up.
inline FilteredRun runFiltered(const std::vector<FilteredCall> &calls, const std::function<bool()> &work)
{
    FilteredRun run;
    const pid_t child = fork();
    if (child == 0) {
        if (!filterSystemCalls(calls))
            _exit(3);
        _exit(work() ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return run;
    if (WIFSIGNALED(status)) {
        run.filtered = true;
        run.signal = WTERMSIG(status);
    } else if (WIFEXITED(status) && WEXITSTATUS(status) != 3) {
        run.filtered = true;
        run.answered = true;
        run.value = WEXITSTATUS(status) == 0;
    }
    return run;
}

// What a traced child did (FilteredRun), and the numbers of the system calls it
// entered, in order, after the filter was in place (the one it was killed at last).
struct TracedRun
{
    FilteredRun run;
    std::vector<long> calls;
};

// Runs `work` in a forked child under the filter, following its system calls; with
// killAt > 0 the child is killed (SIGKILL) as it enters its killAt-th call, which is
// then not made. The child does nothing but `work` and ends without cleaning up; a
// thread it starts is not followed.
inline TracedRun runTraced(const std::vector<FilteredCall> &calls, std::size_t killAt, const std::function<bool()> &work)
{
    TracedRun traced;
    const pid_t child = fork();
    if (child == 0) {
        if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0 || !filterSystemCalls(calls))
            _exit(3);
        // The parent follows from here on.
        raise(SIGSTOP);
        _exit(work() ? 0 : 1);
    }
    if (child < 0)
        return traced;
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFSTOPPED(status)) {
        waitpid(child, &status, 0);
        return traced;
    }
    ptrace(PTRACE_SETOPTIONS, child, nullptr, reinterpret_cast<void *>(PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL));
    int deliver = 0;
    for (;;) {
        if (ptrace(PTRACE_SYSCALL, child, nullptr, reinterpret_cast<void *>(long(deliver))) != 0)
            break;
        deliver = 0;
        if (waitpid(child, &status, 0) != child)
            break;
        if (WIFEXITED(status) || WIFSIGNALED(status))
            break;
        if (!WIFSTOPPED(status))
            continue;
        if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
            // A signal for the child: passed on.
            deliver = WSTOPSIG(status) == SIGSTOP ? 0 : WSTOPSIG(status);
            continue;
        }
        __ptrace_syscall_info info{};
        if (ptrace(PTRACE_GET_SYSCALL_INFO, child, reinterpret_cast<void *>(sizeof info), &info) <= 0
            || info.op != PTRACE_SYSCALL_INFO_ENTRY)
            continue;
        traced.calls.push_back(long(info.entry.nr));
        if (killAt > 0 && traced.calls.size() == killAt) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
    }
    if (WIFSIGNALED(status)) {
        traced.run.filtered = true;
        traced.run.signal = WTERMSIG(status);
    } else if (WIFEXITED(status) && WEXITSTATUS(status) != 3) {
        traced.run.filtered = true;
        traced.run.answered = true;
        traced.run.value = WEXITSTATUS(status) == 0;
    }
    return traced;
}

} // namespace testsupport
