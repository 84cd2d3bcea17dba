#pragma once
// A thread that opens a named pipe's one end and waits in open() for a process to
// open the other end, as a program writing to (or reading from) a pipe put in the
// place of a file does. Tests hand the pipe to code that must not open it, and then
// ask whether the thread still waits: opening the other end, even without waiting
// and only for a moment, lets it through.
//
// isWaitingInOpen() reads the kernel's word on the thread (/proc/self/task/ID): it
// sleeps in the open system call. The kernel wakes the waiting end within the
// open() that lets it through, so right after a call that opened the pipe the thread
// is no longer asleep there. The destructor lets the thread through itself (opening
// both ends) and joins it.
#include "tests/support/ThreadState.h"

#include <QFile>
#include <QString>

#include <atomic>
#include <fcntl.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

class PipeOpener
{
public:
    // `flags`: O_WRONLY for a writer, O_RDONLY for a reader.
    PipeOpener(const QString &pipe, int flags) : m_native(QFile::encodeName(pipe))
    {
        m_thread = std::thread([this, flags] {
            m_tid = pid_t(::syscall(SYS_gettid));
            const int fd = ::open(m_native.constData(), flags | O_CLOEXEC);
            m_opened = true;
            if (fd >= 0)
                ::close(fd);
        });
    }
    ~PipeOpener()
    {
        const int both = ::open(m_native.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        m_thread.join();
        if (both >= 0)
            ::close(both);
    }
    PipeOpener(const PipeOpener &) = delete;
    PipeOpener &operator=(const PipeOpener &) = delete;

    // Whether the thread sleeps in open() now.
    bool isWaitingInOpen() const
    {
        const pid_t tid = m_tid;
        if (tid == 0 || m_opened)
            return false;
        const long call = systemCallSleptIn(tid);
        return call == SYS_openat || call == SYS_open;
    }
    // Whether open() came back (the pipe was opened at its other end).
    bool hasOpened() const { return m_opened; }

private:
    QByteArray m_native;
    std::atomic<pid_t> m_tid{0};
    std::atomic<bool> m_opened{false};
    std::thread m_thread;
};

} // namespace testsupport
