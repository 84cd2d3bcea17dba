#include "platform/foundation/TerminationSignals.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

static_assert(TerminationSignals::Signals[0] == SIGTERM && TerminationSignals::Signals[1] == SIGHUP
              && TerminationSignals::Signals[2] == SIGINT);

namespace {

volatile sig_atomic_t writeEnd = -1;
TerminationSignals *instance = nullptr;
bool ignoring = false;

void noted(int signal)
{
    const int saved = errno;
    const int fd = writeEnd;
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signal);
        // Non-blocking: a full pipe drops the byte.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = saved;
}

void setAction(void (*handler)(int))
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls go on: the work is done in the event loop, not here.
    action.sa_flags = SA_RESTART;
    for (int signal : TerminationSignals::Signals)
        sigaction(signal, &action, nullptr);
}

} // namespace

TerminationSignals *TerminationSignals::install(QObject *parent)
{
    if (instance)
        return instance;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return nullptr;
    instance = new TerminationSignals(fds[0], parent);
    writeEnd = fds[1];
    setAction(noted);
    return instance;
}

TerminationSignals *TerminationSignals::installed()
{
    return instance;
}

TerminationSignals::TerminationSignals(int readEnd, QObject *parent)
    : QObject(parent), m_readEnd(readEnd), m_notifier(new QSocketNotifier(readEnd, QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this,
            ExceptionBoundary::guarded(this, "a termination signal", [this] { readPipe(); }));
}

void TerminationSignals::ignoreFromNow()
{
    ignoring = true;
    setAction(SIG_IGN);
}

TerminationSignals::~TerminationSignals()
{
    if (!ignoring)
        setAction(SIG_DFL);
    const int fd = writeEnd;
    writeEnd = -1;
    ::close(fd);
    ::close(m_readEnd);
    instance = nullptr;
}

const char *TerminationSignals::name(int signal)
{
    switch (signal) {
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    case SIGINT: return "SIGINT";
    default: return "signal";
    }
}

void TerminationSignals::readPipe()
{
    unsigned char bytes[16];
    const ssize_t n = ::read(m_readEnd, bytes, sizeof bytes);
    // Each arrival is told; the receiver decides what a repeated one means.
    for (ssize_t i = 0; i < n; ++i)
        Q_EMIT received(int(bytes[i]));
}

} // namespace platform
