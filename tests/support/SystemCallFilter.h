#pragma once
// Asks the kernel (a seccomp filter) to answer some system calls of this process
// with an error, or to kill the process at them, from now on: what a machine without
// /proc, a file system that refuses a call, or a crash at one exact step does to the
// code a test runs. A filter cannot be lifted, so a test runs the filtered code in a
// process of its own: a helper program, or a child forked by runFiltered().
//
// Header only (helper programs include it without the test library). Failures:
// filterSystemCalls() answers false when the kernel refuses the filter; runFiltered()
// answers what its child did.
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
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
};

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
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
    };
    for (const FilteredCall &call : calls) {
        // The call's answer when the number matches, else on to the next comparison.
        filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, unsigned(call.number), 0, 1));
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

} // namespace testsupport
