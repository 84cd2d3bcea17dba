#include "tests/support/GuiThreadWatchdog.h"

#include <QAbstractEventDispatcher>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <cstdlib>
#include <cxxabi.h>
#include <execinfo.h>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace testsupport {

namespace {

using SteadyClock = std::chrono::steady_clock;

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now().time_since_epoch()).count();
}

constexpr int MaximumFrames = 64;
// The signal that asks the GUI thread for its stack: one of the real-time signals,
// which neither Qt nor the libraries under test use.
int stackSignal()
{
    return SIGRTMIN + 5;
}

struct WatchdogState
{
    qint64 limitNs = 0;
    pthread_t guiThread{};
    bool installed = false;

    // GUI thread only: the reason a hold is known (KnownGuiThreadHold), or null.
    const char *knownHold = nullptr;
    // GUI thread only: how deep notify() calls nest, and the depth at which the
    // measured interval began (-1: none runs).
    int depth = 0;
    int intervalDepth = -1;

    // Shared with the watcher thread and the signal handler.
    std::atomic<qint64> holdStart{0}; // 0: no measured interval runs
    std::atomic<qint64> stackAskedFor{0}; // the interval whose stack was asked for
    std::atomic<qint64> stackTakenFor{0}; // the interval whose stack the frames hold
    void *frames[MaximumFrames] = {};
    std::atomic<int> frameCount{0};

    std::thread watcher;
    std::mutex mutex; // guards what follows
    std::condition_variable wake;
    bool stop = false;
    // The GUI thread's time waiting for a processor, as the watcher read it on each of
    // its rounds (the latest MaximumSamples).
    QByteArray schedulerStatistics; // the GUI thread's /proc file
    struct Sample
    {
        qint64 at;
        qint64 waited;
    };
    static constexpr int MaximumSamples = 1024;
    Sample samples[MaximumSamples] = {};
    int sampleCount = 0;
};

// Never destroyed: a program that ends with exit() (a death test's child) ends with the
// watcher thread still running, which then must find its state.
WatchdogState &state()
{
    static WatchdogState *s = new WatchdogState;
    return *s;
}

void takeStack(int)
{
    WatchdogState &s = state();
    const int saved = errno;
    const qint64 asked = s.stackAskedFor.load();
    s.frameCount.store(backtrace(s.frames, MaximumFrames));
    s.stackTakenFor.store(asked);
    errno = saved;
}

QString demangled(const char *symbol)
{
    // "library(mangled+0x12) [0x...]"
    QString line = QString::fromLocal8Bit(symbol);
    const qsizetype open = line.indexOf(QLatin1Char('('));
    const qsizetype plus = line.indexOf(QLatin1Char('+'), open);
    if (open < 0 || plus < 0 || plus == open + 1)
        return line;
    const QByteArray mangled = line.mid(open + 1, plus - open - 1).toLatin1();
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(abi::__cxa_demangle(mangled.constData(), nullptr, nullptr, &status),
                                                     &std::free);
    if (status != 0 || !name)
        return line;
    return line.left(open + 1) + QString::fromLatin1(name.get()) + line.mid(plus);
}

// The frames of one module ("path(+0x1234) [0x…]", no symbol of its own: a program's
// functions are not exported) named by addr2line from its line tables.
void nameByLineTables(QStringList &lines)
{
    static const QRegularExpression unnamed(QStringLiteral(R"(^([^(]+)\(\+(0x[0-9a-f]+)\))"));
    QMap<QString, QList<qsizetype>> byModule;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch match = unnamed.match(lines[i]);
        if (match.hasMatch())
            byModule[match.captured(1)].append(i);
    }
    for (auto it = byModule.cbegin(); it != byModule.cend(); ++it) {
        QStringList arguments{QStringLiteral("-C"), QStringLiteral("-f"), QStringLiteral("-p"), QStringLiteral("-e"), it.key()};
        for (const qsizetype i : it.value())
            arguments << unnamed.match(lines[i]).captured(2);
        QProcess addr2line;
        addr2line.start(QStringLiteral("addr2line"), arguments);
        if (!addr2line.waitForFinished(10000) || addr2line.exitCode() != 0)
            continue;
        const QStringList named = QString::fromLocal8Bit(addr2line.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (qsizetype k = 0; k < it.value().size() && k < named.size(); ++k)
            lines[it.value()[k]] = named[k];
    }
}

// The GUI thread's stack as it was taken, one line a frame.
QStringList takenStack()
{
    WatchdogState &s = state();
    const int count = s.frameCount.load();
    QStringList lines;
    std::unique_ptr<char *, decltype(&std::free)> symbols(backtrace_symbols(s.frames, count), &std::free);
    if (!symbols)
        return lines;
    for (int i = 0; i < count; ++i)
        lines << demangled(symbols.get()[i]);
    return lines;
}

// Whether an event loop runs under the held delivery: else it was an event the test's
// own code sent between loop passes.
bool loopUnder(const QStringList &stack)
{
    for (const QString &frame : stack) {
        if (frame.contains(QLatin1String("processEvents")) || frame.contains(QLatin1String("QEventLoop::exec"))
            || frame.contains(QLatin1String("g_main_context_dispatch")))
            return true;
    }
    return false;
}

// The nanoseconds the GUI thread spent runnable but waiting for a processor, since it
// started (the kernel's scheduler statistics); -1 where they cannot be read.
qint64 timeWaitingForAProcessor()
{
    const int file = ::open(state().schedulerStatistics.constData(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return -1;
    char text[128] = {};
    const ssize_t got = ::read(file, text, sizeof text - 1);
    ::close(file);
    if (got <= 0)
        return -1;
    // "time on a processor, time waiting for one, time slices"
    const QList<QByteArray> fields = QByteArray(text, got).simplified().split(' ');
    bool ok = false;
    const qint64 waited = fields.size() >= 2 ? fields[1].toLongLong(&ok) : -1;
    return ok ? waited : -1;
}

// How long the GUI thread waited for a processor since `start` (while other programs
// or threads had the machine): that time is not the delivery's. 0 when not known.
qint64 waitedSince(qint64 start)
{
    WatchdogState &s = state();
    const qint64 now = timeWaitingForAProcessor();
    if (now < 0)
        return 0;
    std::lock_guard<std::mutex> lock(s.mutex);
    const int kept = std::min(s.sampleCount, WatchdogState::MaximumSamples);
    // The latest sample taken at or before the start (the watcher's rounds are 10 ms
    // apart); without one, the oldest.
    qint64 before = -1;
    for (int k = 1; k <= kept; ++k) {
        const WatchdogState::Sample &sample = s.samples[(s.sampleCount - k) % WatchdogState::MaximumSamples];
        before = sample.waited;
        if (sample.at <= start)
            break;
    }
    return before < 0 ? 0 : std::max<qint64>(0, now - before);
}

// The measured interval ends now: a failure when it held the thread past the limit
// under an event loop. Time the thread spent waiting for a processor while others ran
// does not count: a loaded machine makes no hold.
void endInterval(qint64 now)
{
    WatchdogState &s = state();
    s.intervalDepth = -1;
    const qint64 start = s.holdStart.exchange(0);
    if (start == 0 || now - start <= s.limitNs)
        return;
    if (now - start - waitedSince(start) <= s.limitNs)
        return;
    if (s.stackTakenFor.load() != start)
        return; // the watcher had not looked yet: too close to the limit to tell
    QStringList stack = takenStack();
    if (!loopUnder(stack))
        return;
    nameByLineTables(stack);
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString name = test ? QStringLiteral("%1.%2").arg(QLatin1String(test->test_suite_name()), QLatin1String(test->name()))
                              : QStringLiteral("(between tests)");
    if (s.knownHold) {
        std::fprintf(stderr, "The GUI thread was held %lld ms by one delivery of its event loop in %s: known (%s)\n",
                     (long long)((now - start) / 1000000), qPrintable(name), s.knownHold);
        return;
    }
    ADD_FAILURE() << "The GUI thread was held " << (now - start) / 1000000 << " ms by one delivery of its event loop "
                  << "(the limit is " << s.limitNs / 1000000 << " ms) in " << name.toStdString()
                  << "; its stack then:\n  " << stack.join(QStringLiteral("\n  ")).toStdString();
}

void startInterval(qint64 now)
{
    WatchdogState &s = state();
    s.intervalDepth = s.depth;
    s.holdStart.store(now);
}

void watch()
{
    WatchdogState &s = state();
    std::unique_lock<std::mutex> lock(s.mutex);
    while (!s.stop) {
        s.wake.wait_for(lock, std::chrono::milliseconds(10));
        lock.unlock();
        const qint64 waited = timeWaitingForAProcessor();
        lock.lock();
        if (waited >= 0)
            s.samples[s.sampleCount++ % WatchdogState::MaximumSamples] = {nowNs(), waited};
        const qint64 start = s.holdStart.load();
        if (start == 0 || nowNs() - start <= s.limitNs || s.stackAskedFor.load() == start)
            continue;
        s.stackAskedFor.store(start);
        pthread_kill(s.guiThread, stackSignal());
    }
}

// A new pass of an event loop on the GUI thread (a delivery that runs a nested loop:
// a modal dialog, processEvents), or the loop about to wait: the delivery gives the
// thread back, its interval ends. The next delivery starts a new one, at whatever depth.
void loopPass()
{
    if (state().intervalDepth >= 0)
        endInterval(nowNs());
}

} // namespace

KnownGuiThreadHold::KnownGuiThreadHold(const char *reason) : m_previous(state().knownHold)
{
    state().knownHold = reason;
}

KnownGuiThreadHold::~KnownGuiThreadHold()
{
    state().knownHold = m_previous;
}

WatchedApplication::WatchedApplication(int &argc, char **argv)
    : platform::Application(argc, argv)
{
}

WatchedApplication::~WatchedApplication() = default;

bool WatchedApplication::notify(QObject *receiver, QEvent *event)
{
    WatchdogState &s = state();
    if (!s.installed || QThread::currentThread() != thread())
        return platform::Application::notify(receiver, event);
    if (s.intervalDepth < 0)
        startInterval(nowNs());
    ++s.depth;
    const bool result = platform::Application::notify(receiver, event);
    if (--s.depth == s.intervalDepth)
        endInterval(nowNs());
    return result;
}

namespace GuiThreadWatchdog {

int limitMs()
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue("CHRONARK_GUI_HOLD_LIMIT_MS", &ok);
    return ok && value >= 0 ? value : 250;
}

void install()
{
    WatchdogState &s = state();
    if (s.installed || limitMs() == 0)
        return;
    s.limitNs = qint64(limitMs()) * 1000000;
    s.guiThread = pthread_self();
    s.schedulerStatistics = QByteArray("/proc/self/task/") + QByteArray::number(qint64(::gettid())) + "/schedstat";
    // The first backtrace() loads the unwinder; the signal handler must not be the one.
    void *warm[4];
    backtrace(warm, 4);
    struct sigaction action = {};
    action.sa_handler = takeStack;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(stackSignal(), &action, nullptr);
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread())) {
        QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, dispatcher, loopPass, Qt::DirectConnection);
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher, loopPass, Qt::DirectConnection);
    }
    s.stop = false;
    s.watcher = std::thread(watch);
    s.installed = true;
}

void uninstall()
{
    WatchdogState &s = state();
    if (!s.installed)
        return;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.stop = true;
    }
    s.wake.notify_all();
    s.watcher.join();
    s.installed = false;
    s.holdStart.store(0);
}

} // namespace GuiThreadWatchdog

} // namespace testsupport
