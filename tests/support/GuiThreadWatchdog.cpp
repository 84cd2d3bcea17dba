#include "tests/support/GuiThreadWatchdog.h"

#include "tests/support/MachinePace.h"
#include "tests/support/StackNames.h"
#include "tests/support/StackUnwind.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QTimer>
#include <QWidget>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QList>
#include <QPair>
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
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <type_traits>
#include <ucontext.h>
#include <limits>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <elf.h>
#include <thread>
#include <unordered_map>
#include <link.h>
#include <optional>
#include <string>
#include <vector>

// Qt's hooks around every signal's emission (the signal dumper of Qt Test uses them);
// Qt Core exports them without a public header.
struct QSignalSpyCallbackSet
{
    using BeginCallback = void (*)(QObject *caller, int signalOrMethodIndex, void **arguments);
    using EndCallback = void (*)(QObject *caller, int signalOrMethodIndex);
    BeginCallback signal_begin_callback;
    BeginCallback slot_begin_callback;
    EndCallback signal_end_callback;
    EndCallback slot_end_callback;
};
void qt_register_signal_spy_callbacks(QSignalSpyCallbackSet *callbacks);

namespace testsupport {

namespace {

using SteadyClock = std::chrono::steady_clock;

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now().time_since_epoch()).count();
}

// How much of the GUI thread's stack a report looks at, from its top frame, and how many
// of the frames found there it shows. A known call is looked for among all of them: a
// frame's buffer (a text encoder's) may hold more words left by calls that returned
// than a report shows.
constexpr std::size_t StackCopyBytes = 256 * 1024;
constexpr int MaximumFrames = 256;
// How long the GUI thread may wait for the display server's replies in one delivery
// without that counting: a display server that other programs starve answers late,
// but one that does not answer for longer is not the machine's load.
constexpr qint64 DisplayServerWaitBoundNs = qint64(2000) * 1000000;
// How much of it one test may be excused in all (over the deliveries that needed it).
constexpr qint64 TestDisplayServerWaitBoundNs = qint64(3000) * 1000000;
// How much of a waiting thread's stack is looked at for the callers of the wait (from
// the wait to the frame of Qt's that excuses it, or to one of ours).
constexpr std::size_t WaitCallerBytes = 64 * 1024;

// The signal that asks the GUI thread for its stack when it runs its own code: one of
// the real-time signals, which neither Qt nor the libraries under test use.
int stackSignal()
{
    return SIGRTMIN + 5;
}

// What a measured segment of GUI-thread work is: a delivery that notify() began at a
// depth, or the work of a nested event loop's pass at a depth (the loop's own, and the
// code of the delivery that ran the loop once it returns).
enum class SegmentKind { None, Delivery, Pass };

struct WatchdogState
{
    qint64 limitNs = 0;
    pthread_t guiThread{};
    pid_t guiThreadId = 0;
    bool installed = false;
    // The GUI thread's stack: its highest address (stacks grow down).
    quintptr stackTop = 0;

    // GUI thread only: the calls a hold is known to be made in (KnownGuiThreadHold).
    QList<QPair<QByteArray, const char *>> knownHolds;
    // GUI thread only: how deep notify() calls nest, and the segment that runs.
    int depth = 0;
    SegmentKind segment = SegmentKind::None;
    int segmentDepth = 0;
    // GUI thread only: a hold is being reported. The report names its frames with a
    // helper program started through Qt, whose events come through notify() again:
    // they are the report's own work, and start no segment (one that ended past the
    // limit would wait for the copy the report holds, for ever). Nor is the report's
    // time counted in the segment that follows it.
    bool reporting = false;
    qint64 reportEndedNs = 0;

    // Shared with the watcher thread and the signal handler.
    std::atomic<qint64> holdStart{0}; // 0: no measured segment runs
    std::atomic<qint64> stackAskedFor{0}; // the segment whose stack was asked for
    std::atomic<qint64> stackTakenFor{0}; // the segment whose stack the copy holds
    // Who has the copy below: nobody, a writer (the signal handler, or the watcher while
    // the GUI thread waits in a system call) or the GUI thread reading it for a report.
    // Each takes it from Free with one compare-and-swap and gives it back with a release
    // store, so a report never reads a copy half written; a writer that finds it taken
    // gives up (the copy is asked for once a segment, and one that comes late is of no
    // use). The GUI thread holds the stack's signal back while it reads.
    enum CopyOwner : int { Free, Writing, Reading };
    std::atomic<int> copyOwner{Free};
    // The stack as taken: the instruction address, the stack pointer and a copy of the
    // stack from it (written by the signal handler, or by the watcher while the GUI
    // thread waits in a system call), only by the owner of copyOwner.
    quintptr takenPc = 0;
    quintptr takenSp = 0;
    quintptr takenBp = 0; // the frame pointer, when known (taken by the signal's handler)
    bool takenBpKnown = false;
    std::size_t takenBytes = 0;
    unsigned char *stackCopy = nullptr;
    // Whether the stack was taken while the thread waited in a system call (its number).
    long takenInSystemCall = -1;

    std::thread watcher;
    std::mutex mutex; // guards what follows
    std::condition_variable wake;
    bool stop = false;
    // The GUI thread's time waiting for a processor, as the watcher read it on each of
    // its rounds (the latest MaximumSamples).
    QByteArray schedulerStatistics; // the GUI thread's /proc file
    QByteArray systemCallFile; // what the GUI thread waits in, from /proc
    struct Sample
    {
        qint64 at;
        qint64 waited;
    };
    static constexpr int MaximumSamples = 1024;
    Sample samples[MaximumSamples] = {};
    int sampleCount = 0;
    // The time the GUI thread waited for the display server's replies in the measured
    // segment that began at displayWaitFor, as the watcher's rounds saw it, and the
    // watcher's previous round.
    qint64 displayWaitFor = 0;
    qint64 displayWaited = 0;
    // The time the GUI thread, in the segment that began at othersWaitFor, was blocked
    // while other threads of the program were ready to run and waited for a processor
    // (at most the sum of their waits): it waited on them (a pool's work, a thread it
    // joins), and the machine made them wait. The watcher's: each thread's wait as the
    // last round read it.
    // The kernel adds a thread's wait for a processor when the thread gets one, all of
    // it at once: a wait that began in one round may show in a later one. The segment's
    // sums are compared, not each round's.
    qint64 othersWaitFor = 0;
    qint64 othersWaited = 0;
    qint64 othersBlockedSum = 0;
    qint64 othersWaitSum = 0;
    std::unordered_map<pid_t, qint64> othersLast;
    struct Round
    {
        qint64 at = 0;
        qint64 segment = 0;
        qint64 ran = 0; // the thread's time on a processor
        qint64 waited = 0; // its time waiting for one
        bool waitingForTheDisplay = false;
    } previousRound;

    // The watcher's: the executable mappings of the process, and of which kind each is.
    enum class Code { Other, CLibrary, DisplayClient, Qt, Ours };
    struct Mapping
    {
        quintptr start;
        quintptr end;
        Code kind;
    };
    std::vector<Mapping> mappings;
    qint64 mappingsFor = -1; // the segment they were read for
    // The watcher's: for return addresses in Qt's code, whether they lie in one of the
    // frames of Qt where a wait for the display server is excused.
    std::unordered_map<quintptr, bool> excusingQtFrames;

    // GUI thread only: the display server's waits excused in the running test.
    qint64 testDisplayExcused = 0;
    // Each test's own time limit before the machine's pace stretches it (the one the
    // program is built with, or CHRONARK_TEST_CASE_TIME_LIMIT; 0: none), and the
    // running test's name and start (guarded by the mutex; the watcher reads them).
    qint64 testTimeLimitNs = 0;
    std::string runningTest;
    qint64 runningTestStart = 0;

    // GUI thread only: the emissions of signals outside every delivery (the test's
    // click(), its trigger(), its Q_EMIT; a signal that product code the test calls
    // emits), each measured as a delivery, with the emissions nested in the latest.
    struct Emission
    {
        QObject *sender;
        int signal;
        int depth; // of notify() when it began
        int nested;
        // Its sender is a widget, an action or a timer: a delivery of the test's
        // whoever emits it (a person's input or the event loop would). Else a hold
        // of its slots is the test's only when the test's own code emitted it.
        bool anyEmitter;
        // Where the return address into Qt's code that runs the emission lay when it
        // called signalBegins() (its slots are called from the same frame), or 0.
        quintptr returnSlot;
    };
    QList<Emission> emissions;
    // The start of the function of Qt's that runs a signal's slots (past
    // QMetaObject::activate()), or 0: found once, when the watchdog is installed.
    quintptr emissionRunner = 0;
    // GUI thread only: for each event loop or pass that the program's code runs now
    // (through QCoreApplication::processEvents() or QEventLoop), innermost last, whether
    // it leaves out the person's input.
    QList<bool> loopsLeaveOutInput;
};

// Never destroyed: a program that ends with exit() (a death test's child) ends with the
// watcher thread still running, which then must find its state.
WatchdogState &state()
{
    static WatchdogState *s = new WatchdogState;
    return *s;
}

// Copies what a stack needs to be named later: only async-signal-safe work (plain
// stores and a byte copy of the thread's own stack), no unwinding. The copy reads a
// stack as it lies, its frames' guard zones too: not for the address sanitizer's eyes.
__attribute__((no_sanitize("address"))) void copyStack(quintptr pc, quintptr sp, const quintptr *bp)
{
    WatchdogState &s = state();
    s.takenPc = pc;
    s.takenSp = sp;
    s.takenBpKnown = bp != nullptr;
    s.takenBp = bp ? *bp : 0;
    std::size_t bytes = 0;
    if (sp != 0 && sp < s.stackTop) {
        bytes = std::min<std::size_t>(s.stackTop - sp, StackCopyBytes);
        const auto *from = reinterpret_cast<const volatile unsigned char *>(sp);
        for (std::size_t i = 0; i < bytes; ++i)
            s.stackCopy[i] = from[i];
    }
    s.takenBytes = bytes;
}

// Takes the copy for writing; false when another has it.
bool takeCopyFor(WatchdogState::CopyOwner owner)
{
    int expected = WatchdogState::Free;
    return state().copyOwner.compare_exchange_strong(expected, owner, std::memory_order_acquire,
                                                      std::memory_order_relaxed);
}

void giveCopyBack()
{
    state().copyOwner.store(WatchdogState::Free, std::memory_order_release);
}

void takeStack(int, siginfo_t *, void *context)
{
    WatchdogState &s = state();
    const int saved = errno;
    const qint64 asked = s.stackAskedFor.load();
    // Only for the segment that still runs, and only while nobody else has the copy.
    if (asked != 0 && asked == s.holdStart.load() && takeCopyFor(WatchdogState::Writing)) {
        const auto *registers = static_cast<const ucontext_t *>(context);
        const auto bp = quintptr(registers->uc_mcontext.gregs[REG_RBP]);
        copyStack(quintptr(registers->uc_mcontext.gregs[REG_RIP]), quintptr(registers->uc_mcontext.gregs[REG_RSP]),
                  &bp);
        s.takenInSystemCall = -1;
        s.stackTakenFor.store(asked);
        giveCopyBack();
    }
    errno = saved;
}

// The watcher's copy of the stack of the GUI thread, which waits in a system call: read
// through the kernel (the thread may go on meanwhile; the copy is then only a wrong
// picture, never a read of memory another thread writes).
void copyWaitingStack(quintptr pc, quintptr sp)
{
    WatchdogState &s = state();
    s.takenPc = pc;
    s.takenSp = sp;
    s.takenBpKnown = false;
    s.takenBp = 0;
    std::size_t bytes = 0;
    if (sp != 0 && sp < s.stackTop) {
        iovec local{s.stackCopy, std::min<std::size_t>(s.stackTop - sp, StackCopyBytes)};
        iovec remote{reinterpret_cast<void *>(sp), local.iov_len};
        const ssize_t read = ::process_vm_readv(::getpid(), &local, 1, &remote, 1, 0);
        bytes = read > 0 ? std::size_t(read) : 0;
    }
    s.takenBytes = bytes;
}

// The executable mappings of the process, as (start, end).
QList<QPair<quintptr, quintptr>> codeMappings()
{
    QList<QPair<quintptr, quintptr>> code;
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return code;
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 2 || fields[1].size() < 3 || fields[1][2] != 'x' || fields[1][0] != 'r')
            continue;
        const QList<QByteArray> range = fields[0].split('-');
        if (range.size() == 2)
            code.append({quintptr(range[0].toULongLong(nullptr, 16)), quintptr(range[1].toULongLong(nullptr, 16))});
    }
    return code;
}

// Whether the bytes before `address` in the code end with a call instruction, so that
// `address` is a return address: call rel32 (E8), and the indirect calls through a
// register or memory (FF /2) of 2, 3, 6 and 7 bytes.
bool afterACall(quintptr address, quintptr mappingStart)
{
    if (address < mappingStart + 7)
        return false;
    const auto *code = reinterpret_cast<const unsigned char *>(address);
    if (code[-5] == 0xE8)
        return true;
    const auto indirect = [&](int length) {
        const unsigned char *instruction = code - length;
        int at = 0;
        if ((instruction[0] & 0xF0) == 0x40) // a REX prefix
            ++at;
        return instruction[at] == 0xFF && ((instruction[at + 1] >> 3) & 7) == 2;
    };
    return indirect(2) || indirect(3) || indirect(6) || indirect(7);
}

// The return addresses found in the copy of the GUI thread's stack from `from` bytes
// up (words that point into code just after a call), innermost first, at most `wanted`.
// A word left by a frame that already returned may show too.
QList<void *> returnAddressesInTheCopy(std::size_t from, qsizetype wanted)
{
    WatchdogState &s = state();
    const QList<QPair<quintptr, quintptr>> code = codeMappings();
    const auto mappingOf = [&](quintptr address) -> const QPair<quintptr, quintptr> * {
        for (const auto &m : code) {
            if (address >= m.first && address < m.second)
                return &m;
        }
        return nullptr;
    };
    QList<void *> frames;
    for (std::size_t at = from; at + sizeof(quintptr) <= s.takenBytes && frames.size() < wanted; at += sizeof(quintptr)) {
        quintptr word = 0;
        std::memcpy(&word, s.stackCopy + at, sizeof word);
        if (const auto *m = mappingOf(word); m && afterACall(word, m->first))
            frames.append(reinterpret_cast<void *>(word));
    }
    return frames;
}

// The GUI thread's stack as it was taken, for a report: the instruction it was at,
// then the return addresses found in the copy, the first MaximumFrames.
QStringList takenStack()
{
    WatchdogState &s = state();
    QList<void *> frames;
    if (s.takenPc)
        frames.append(reinterpret_cast<void *>(s.takenPc + 1)); // named as the instruction itself
    frames += returnAddressesInTheCopy(0, MaximumFrames);
    QStringList lines = namedFrames(frames.constData(), int(frames.size()));
    if (s.takenInSystemCall >= 0)
        lines.prepend(QStringLiteral("(waiting in system call %1)").arg(s.takenInSystemCall));
    return lines;
}

// The frames a known call is looked for in (KnownGuiThreadHold), named: the live ones,
// as the walk of the copy by the code's call-frame information finds them, however
// many words that calls which returned left in their room. Where the walk ends early
// (a frame it cannot follow: one that needs the frame pointer of a thread taken in a
// system call), every return address found in the copy past that point as well.
QList<void *> liveFramesOfTheCopy()
{
    WatchdogState &s = state();
    CopiedStack copy;
    copy.pc = s.takenPc;
    copy.sp = s.takenSp;
    if (s.takenBpKnown)
        copy.bp = s.takenBp;
    copy.bytes = s.stackCopy;
    copy.size = s.takenBytes;
    const LiveFrames live = liveFrames(copy);
    QList<void *> frames;
    if (s.takenPc)
        frames.append(reinterpret_cast<void *>(s.takenPc + 1));
    for (const quintptr address : live.returnAddresses)
        frames.append(reinterpret_cast<void *>(address));
    if (!live.complete)
        frames += returnAddressesInTheCopy(live.walkedTo - s.takenSp, std::numeric_limits<qsizetype>::max());
    return frames;
}

QStringList knownCallFrames()
{
    const QList<void *> frames = liveFramesOfTheCopy();
    return namedFrames(frames.constData(), int(frames.size()));
}

// Whether a return address lies in Qt's QMetaObject::activate(), which runs the slots
// of a signal's emission: the exported function, or the one of Qt's own it hands the
// emission on to (by a jump: no frame of activate() stays), found when the watchdog is
// installed (emissionRunner()).
bool inQtsActivate(void *address)
{
    if (const quintptr runner = state().emissionRunner; runner != 0 && functionStart(quintptr(address) - 1) == runner)
        return true;
    Dl_info info{};
    void *entry = nullptr;
    if (dladdr1(static_cast<char *>(address) - 1, &info, &entry, RTLD_DL_SYMENT) == 0 || !info.dli_sname
        || !info.dli_saddr || !entry)
        return false;
    const auto *symbol = static_cast<const ElfW(Sym) *>(entry);
    return std::strncmp(info.dli_sname, "_ZN11QMetaObject8activate", 25) == 0
           && quintptr(address) - 1 < quintptr(info.dli_saddr) + symbol->st_size;
}

// Who emitted the signal whose slots the copied stack runs: past the outermost frame
// of Qt's activate() (the emission measured: no other encloses it), the first frame
// of this program's own code that is neither moc's (a signal's function, a call by
// name) nor a header or source of the system's (Qt's templates, GoogleTest), named by
// the line of its innermost call (a function of the product inlined into a test is the
// product's). The test's own code lies under tests/ of the source tree.
struct Emitter
{
    bool known = false;
    bool theTests = false;
    QString line; // "file:line"
};

Emitter emitterInTheCopy(quintptr returnSlot)
{
    WatchdogState &s = state();
    constexpr qsizetype Looked = 48;
    QList<void *> past;
    // The frame of Qt's code that runs the emission, where its slots return to: from
    // there the frames are walked outward (none of the slot's own, nor the words of
    // the calls made before it, can pass for the emitter).
    quintptr runs = 0;
    if (returnSlot >= s.takenSp && returnSlot + 2 * sizeof(quintptr) <= s.takenSp + s.takenBytes)
        std::memcpy(&runs, s.stackCopy + (returnSlot - s.takenSp), sizeof runs);
    if (runs != 0 && inQtsActivate(reinterpret_cast<void *>(runs))) {
        const std::size_t from = returnSlot + sizeof(quintptr) - s.takenSp;
        CopiedStack copy;
        copy.pc = runs - 1;
        copy.sp = returnSlot + sizeof(quintptr);
        copy.bytes = s.stackCopy + from;
        copy.size = s.takenBytes - from;
        const LiveFrames live = liveFrames(copy);
        for (const quintptr address : live.returnAddresses)
            past.append(reinterpret_cast<void *>(address));
        if (!live.complete)
            past += returnAddressesInTheCopy(live.walkedTo - s.takenSp, Looked);
    } else {
        // Else past the outermost frame of activate() in the stack.
        const QList<void *> frames = liveFramesOfTheCopy();
        qsizetype outermost = -1;
        for (qsizetype i = 0; i < frames.size(); ++i) {
            if (inQtsActivate(frames[i]))
                outermost = i;
        }
        if (outermost < 0)
            return {};
        past = frames.mid(outermost + 1);
    }
    past = past.mid(0, Looked);
    const QStringList named = namedFrames(past.constData(), int(past.size()));
    for (qsizetype k = 0; k < past.size() && k < named.size(); ++k) {
        Dl_info info{};
        if (!dladdr(past[k], &info) || !info.dli_fname)
            continue;
        const QString module = QString::fromLocal8Bit(info.dli_fname);
        if (module.startsWith(QLatin1String("/lib")) || module.startsWith(QLatin1String("/usr/")))
            continue; // Qt's code (its signals' functions, its calls that emit), the system's
        // "function at file:line", then the calls it is inlined in, each "(inlined by)
        // function at file:line": the innermost of this program's own sources decides.
        for (const QString &call : named[k].split(QLatin1Char('\n'))) {
            const qsizetype at = call.lastIndexOf(QLatin1String(" at "));
            if (at < 0)
                continue;
            const QString place = call.mid(at + 4).section(QLatin1String(" (discriminator"), 0, 0);
            const QString file = place.left(place.lastIndexOf(QLatin1Char(':')));
            const QString name = file.mid(file.lastIndexOf(QLatin1Char('/')) + 1);
            if (file.startsWith(QLatin1String("??")) || file.startsWith(QLatin1String("/usr/"))
                || file.contains(QLatin1String("_autogen/")) || name.startsWith(QLatin1String("moc_"))
                || name.startsWith(QLatin1String("mocs_compilation")))
                continue;
            // The source tree's own path, as the build recorded it ("<build>/../tests/…"),
            // or whole, from the tree's folder (a build without ccache's base folder).
            static const QString tree = QDir::cleanPath(QStringLiteral(CHRONARK_TEST_DATA_DIR "/../..")) + QLatin1Char('/');
            const qsizetype up = file.lastIndexOf(QLatin1String("/../"));
            QString inTheTree = up >= 0 ? file.mid(up + 4) : file.startsWith(tree) ? file.mid(tree.size()) : file;
            while (inTheTree.startsWith(QLatin1String("../")))
                inTheTree = inTheTree.mid(3);
            return {true, inTheTree.startsWith(QLatin1String("tests/")), place};
        }
    }
    return {};
}

// The nanoseconds the host of the virtual machine the tests run in has taken its
// processors from it since it started (the kernel's "steal"), shared evenly among
// them: the GUI thread's share, no more its own than a wait for a processor. The
// scheduler knows nothing of it (a thread whose processor the host took counts as
// running), and a host that takes the machine for seconds made every test running
// then seem to hold its thread. 0 where it is not told.
qint64 stolenShare()
{
    static const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    static const long processors = ::sysconf(_SC_NPROCESSORS_ONLN);
    if (ticksPerSecond <= 0 || processors <= 0)
        return 0;
    const int file = ::open("/proc/stat", O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return 0;
    // The first line: "cpu  user nice system idle iowait irq softirq steal ..." in ticks.
    char text[512] = {};
    const ssize_t got = ::read(file, text, sizeof text - 1);
    ::close(file);
    if (got <= 0 || std::strncmp(text, "cpu ", 4) != 0)
        return 0;
    const char *at = text + 4;
    long long steal = 0;
    for (int field = 1; field <= 8; ++field) {
        char *end = nullptr;
        const long long value = std::strtoll(at, &end, 10);
        if (end == at)
            return 0;
        steal = value;
        at = end;
    }
    return qint64(steal) * (1000000000 / ticksPerSecond) / processors;
}

// The nanoseconds the GUI thread spent on a processor and runnable but waiting for
// one (or its share of the time the host took the processors), since it started (the
// kernel's scheduler statistics); false where they cannot be read.
bool schedulerTimes(qint64 *ran, qint64 *waited)
{
    const int file = ::open(state().schedulerStatistics.constData(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return false;
    char text[128] = {};
    const ssize_t got = ::read(file, text, sizeof text - 1);
    ::close(file);
    if (got <= 0)
        return false;
    // "time on a processor, time waiting for one, time slices"
    const QList<QByteArray> fields = QByteArray(text, got).simplified().split(' ');
    if (fields.size() < 2)
        return false;
    bool ranRead = false;
    bool waitedRead = false;
    *ran = fields[0].toLongLong(&ranRead);
    *waited = fields[1].toLongLong(&waitedRead) + stolenShare();
    return ranRead && waitedRead;
}

qint64 timeWaitingForAProcessor()
{
    qint64 ran = 0;
    qint64 waited = 0;
    return schedulerTimes(&ran, &waited) ? waited : -1;
}

// The executable mappings of the process, each told as the C library's, a display
// server's client library's (libxcb, libwayland-client) or another's. A sanitizer's
// run-time library counts as the C library's: its interceptors (of poll, say) stand
// between the C library's wait and the client library that called it.
std::vector<WatchdogState::Mapping> kindsOfCode()
{
    std::vector<WatchdogState::Mapping> code;
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return code;
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2 || fields[1].size() < 3 || fields[1][2] != 'x' || fields[1][0] != 'r')
            continue;
        const QList<QByteArray> range = fields[0].split('-');
        if (range.size() != 2)
            continue;
        const QByteArray path = fields.size() >= 6 ? fields.last() : QByteArray();
        const QByteArray file = path.mid(path.lastIndexOf('/') + 1);
        WatchdogState::Code kind = WatchdogState::Code::Other;
        if (file.startsWith("libc.so") || file.startsWith("libasan.so") || file.startsWith("libubsan.so")
            || file.startsWith("liblsan.so") || file.startsWith("libtsan.so"))
            kind = WatchdogState::Code::CLibrary;
        else if (file.startsWith("libxcb") || file.startsWith("libwayland-client.so") || file.startsWith("libX11"))
            kind = WatchdogState::Code::DisplayClient;
        else if (file.startsWith("libQt6") || path.contains("/qt6/plugins/"))
            kind = WatchdogState::Code::Qt;
        else if (path.startsWith('/') && !path.startsWith("/usr/") && !path.startsWith("/lib"))
            kind = WatchdogState::Code::Ours; // the program and the libraries built with it
        code.push_back({quintptr(range[0].toULongLong(nullptr, 16)), quintptr(range[1].toULongLong(nullptr, 16)), kind});
    }
    return code;
}

// The code of this program's own that only passes an event on (the application
// object's notify(), with its exception boundary, and the watchdog's): part of the event
// dispatch, not a function of ours that makes the display server wait. Their ranges come
// from the program file's symbol table (they are not exported), read once.
const std::vector<std::pair<quintptr, quintptr>> &dispatchCodeOfOurs()
{
    static const std::vector<std::pair<quintptr, quintptr>> ranges = [] {
        std::vector<std::pair<quintptr, quintptr>> found;
        quintptr bias = 0;
        dl_iterate_phdr(
            [](dl_phdr_info *info, size_t, void *data) {
                *static_cast<quintptr *>(data) = quintptr(info->dlpi_addr);
                return 1; // the program itself comes first
            },
            &bias);
        const int file = ::open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
        if (file < 0)
            return found;
        struct stat status{};
        void *mapped = ::fstat(file, &status) == 0 ? ::mmap(nullptr, size_t(status.st_size), PROT_READ, MAP_PRIVATE, file, 0)
                                                   : MAP_FAILED;
        ::close(file);
        if (mapped == MAP_FAILED)
            return found;
        const auto *bytes = static_cast<const unsigned char *>(mapped);
        const std::size_t size = std::size_t(status.st_size);
        const auto *header = reinterpret_cast<const ElfW(Ehdr) *>(bytes);
        const bool sound = size >= sizeof(ElfW(Ehdr)) && std::memcmp(header->e_ident, ELFMAG, SELFMAG) == 0
                           && header->e_shoff + std::size_t(header->e_shnum) * sizeof(ElfW(Shdr)) <= size;
        static const char *const passing[] = {"_ZN8platform11Application6notifyEP7QObjectP6QEvent",
                                              "_ZN11testsupport18WatchedApplication6notifyEP7QObjectP6QEvent"};
        for (int k = 0; sound && k < header->e_shnum; ++k) {
            const auto *sections = reinterpret_cast<const ElfW(Shdr) *>(bytes + header->e_shoff);
            const ElfW(Shdr) &table = sections[k];
            if (table.sh_type != SHT_SYMTAB || table.sh_link >= header->e_shnum)
                continue;
            const ElfW(Shdr) &names = sections[table.sh_link];
            if (table.sh_offset + table.sh_size > size || names.sh_offset + names.sh_size > size)
                continue;
            const auto *symbols = reinterpret_cast<const ElfW(Sym) *>(bytes + table.sh_offset);
            for (std::size_t i = 0; i < table.sh_size / sizeof(ElfW(Sym)); ++i) {
                if (ELF64_ST_TYPE(symbols[i].st_info) != STT_FUNC || symbols[i].st_name >= names.sh_size)
                    continue;
                const char *name = reinterpret_cast<const char *>(bytes + names.sh_offset + symbols[i].st_name);
                for (const char *wanted : passing) {
                    // The function and its parts the compiler moved away (".cold").
                    if (std::strncmp(name, wanted, std::strlen(wanted)) == 0)
                        found.emplace_back(bias + symbols[i].st_value, bias + symbols[i].st_value + symbols[i].st_size);
                }
            }
        }
        ::munmap(mapped, size);
        return found;
    }();
    return ranges;
}

bool inDispatchCodeOfOurs(quintptr address)
{
    const auto &ranges = dispatchCodeOfOurs();
    return std::any_of(ranges.begin(), ranges.end(),
                       [&](const auto &range) { return address - 1 >= range.first && address - 1 < range.second; });
}

// Whether a return address in the program's own code lies in its definition of one of
// Qt's calls that run a pass of the event loop (QCoreApplication's and QEventLoop's
// processEvents(), which take the place of Qt's, below): our code pumps the loop there.
bool pumpOfOurs(quintptr address)
{
    Dl_info info{};
    void *entry = nullptr;
    if (dladdr1(reinterpret_cast<void *>(address - 1), &info, &entry, RTLD_DL_SYMENT) == 0 || !info.dli_sname
        || !info.dli_saddr || !entry)
        return false;
    const auto *symbol = static_cast<const ElfW(Sym) *>(entry);
    return address - 1 < quintptr(info.dli_saddr) + symbol->st_size
           && (std::strncmp(info.dli_sname, "_ZN16QCoreApplication13processEvents", 36) == 0
               || std::strncmp(info.dli_sname, "_ZN10QEventLoop13processEvents", 30) == 0);
}

// Whether a return address in Qt's code lies in one of the frames of Qt where a wait
// for the display server is Qt's own: the event dispatch (the platform's events read and
// delivered) and the backing store's flush. Told by the exported function that holds it
// (its size from the dynamic symbol table: an address past a function's end, in one
// that is not exported, is in none of them).
bool inAnExcusingFrameOfQt(quintptr address)
{
    WatchdogState &s = state();
    if (const auto known = s.excusingQtFrames.find(address); known != s.excusingQtFrames.end())
        return known->second;
    // The dispatch: an event dispatcher's pass (Qt Core's and the platform's, whatever
    // it delivers: timers, posted events, the window system's), the platform's events
    // read and handed on; the flush of a backing store, by the widgets or a window.
    static const char *const excusing[] = {
        "processXcbEvents", "sendWindowSystemEvents", "QBackingStore5flush", "QPlatformBackingStore5flush",
        "composeAndFlush",  "QWidgetRepaintManager5flush",
    };
    bool found = false;
    Dl_info info{};
    void *entry = nullptr;
    const bool named = dladdr1(reinterpret_cast<void *>(address - 1), &info, &entry, RTLD_DL_SYMENT) != 0;
    const auto *symbol = static_cast<const ElfW(Sym) *>(entry);
    if (named
        && info.dli_sname && symbol && info.dli_saddr
        && address - 1 < quintptr(info.dli_saddr) + symbol->st_size) {
        for (const char *name : excusing)
            found = found || std::strstr(info.dli_sname, name) != nullptr;
        found = found
                || (std::strstr(info.dli_sname, "EventDispatcher") && std::strstr(info.dli_sname, "13processEvents"));
    }
    s.excusingQtFrames.emplace(address, found);
    return found;
}

// Whether the GUI thread, in the segment that began at `segment`, waits in a system
// call for the display server where Qt's own frames wait: the first caller of the wait
// outside the C library is the display server's client library, which waits there for
// the server's reply (or for its turn to read one, while Qt's reader thread reads), and
// above it, before any function of this program, lies a frame of Qt's event dispatch or
// of the backing store's flush (inAnExcusingFrameOfQt()); the application object's
// notify(), which only passes events on, is part of the dispatch. A wait that a function
// of ours causes (it calls the client library, or a Qt call that waits; an event
// handler of ours that does) is the program's own.
// The callers are the live frames as the code's call-frame information walks them
// (StackUnwind.h), then, where the walk ends early, the return addresses found in the
// words above. Read from /proc and from the stack while the thread stands still in the
// call; the words are read through the kernel, so that a thread that went on meanwhile
// makes only a wrong answer for this round.
bool waitingForTheDisplayServer(qint64 segment)
{
    WatchdogState &s = state();
    char text[256] = {};
    const int file = ::open(s.systemCallFile.constData(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return false;
    const ssize_t got = ::read(file, text, sizeof text - 1);
    ::close(file);
    if (got <= 0 || std::strncmp(text, "running", 7) == 0 || text[0] == '-')
        return false;
    // "number arguments... stack-pointer program-counter"
    const QList<QByteArray> fields = QByteArray(text, got).simplified().split(' ');
    if (fields.size() < 3)
        return false;
    const quintptr sp = quintptr(std::strtoull(fields[fields.size() - 2].constData(), nullptr, 16));
    if (sp == 0 || sp >= s.stackTop)
        return false;
    if (s.mappingsFor != segment) {
        s.mappings = kindsOfCode();
        s.mappingsFor = segment;
    }
    static std::vector<quintptr> words; // the watcher's, kept from round to round
    words.assign((std::min<std::size_t>(s.stackTop - sp, WaitCallerBytes)) / sizeof(quintptr), 0);
    iovec local{words.data(), words.size() * sizeof(quintptr)};
    iovec remote{reinterpret_cast<void *>(sp), local.iov_len};
    const ssize_t read = ::process_vm_readv(::getpid(), &local, 1, &remote, 1, 0);
    if (read <= 0)
        return false;
    words.resize(std::size_t(read) / sizeof(quintptr));
    const auto kindOf = [&](quintptr address, bool needsACall) -> std::optional<WatchdogState::Code> {
        const auto mapping = std::find_if(s.mappings.begin(), s.mappings.end(), [&](const WatchdogState::Mapping &m) {
            return address >= m.start && address < m.end;
        });
        if (mapping == s.mappings.end() || (needsACall && !afterACall(address, mapping->start)))
            return std::nullopt;
        return mapping->kind;
    };
    // The live frames first, then the words past the point where their walk ended.
    CopiedStack copy;
    copy.pc = quintptr(std::strtoull(fields.last().constData(), nullptr, 16));
    copy.sp = sp;
    copy.bytes = reinterpret_cast<const unsigned char *>(words.data());
    copy.size = words.size() * sizeof(quintptr);
    const LiveFrames live = liveFrames(copy);
    std::vector<std::pair<quintptr, bool>> callers; // (address, found as a word only)
    for (const quintptr address : live.returnAddresses)
        callers.emplace_back(address, false);
    if (!live.complete) {
        for (std::size_t at = (live.walkedTo > sp ? (live.walkedTo - sp) / sizeof(quintptr) : 0); at < words.size(); ++at)
            callers.emplace_back(words[at], true);
    }
    bool inTheClient = false;
    bool inQtsFrames = false;
    for (std::size_t k = 0; k < callers.size(); ++k) {
        const auto &[address, word] = callers[k];
        const std::optional<WatchdogState::Code> kind = kindOf(address, word);
        if (!kind)
            continue;
        if (!inTheClient) {
            if (*kind == WatchdogState::Code::CLibrary)
                continue;
            if (*kind != WatchdogState::Code::DisplayClient)
                return false;
            inTheClient = true;
            continue;
        }
        if (*kind == WatchdogState::Code::Ours && inDispatchCodeOfOurs(address))
            continue;
        if ((*kind == WatchdogState::Code::Qt || *kind == WatchdogState::Code::Ours) && inAnExcusingFrameOfQt(address)) {
            inQtsFrames = true;
            continue;
        }
        if (*kind != WatchdogState::Code::Ours)
            continue;
        // The first function of ours: inside Qt's frames, the one that ran the event
        // loop whose pass waits. A pass that our code pumps itself (processEvents) inside
        // a delivery is its own work, the waits in it too (it may have flooded the server
        // itself just before); the loop of the test's, or of a modal dialog, is not.
        if (!inQtsFrames)
            return false;
        if (!pumpOfOurs(address))
            return true;
        for (std::size_t outer = k + 1; outer < callers.size(); ++outer) {
            const std::optional<WatchdogState::Code> outerKind = kindOf(callers[outer].first, callers[outer].second);
            if (outerKind == WatchdogState::Code::Ours && inDispatchCodeOfOurs(callers[outer].first))
                return false; // a delivery runs it
        }
        return true;
    }
    return inQtsFrames;
}

// How much longer the program's other threads (not the GUI thread's, nor the watcher's)
// waited for a processor since the watcher's last look, in nanoseconds. The segment's
// first look counts nothing; a thread first seen at a later look was made since the
// one before, and all of its wait is counted (a pool's thread made for the work the
// GUI thread waits on).
qint64 othersWaitedSinceTheLastLook(pid_t watcher, bool firstLook)
{
    WatchdogState &s = state();
    qint64 more = 0;
    DIR *tasks = ::opendir("/proc/self/task");
    if (!tasks)
        return 0;
    std::unordered_map<pid_t, qint64> seen;
    while (const dirent *entry = ::readdir(tasks)) {
        const pid_t task = pid_t(std::strtol(entry->d_name, nullptr, 10));
        if (task <= 0 || task == s.guiThreadId || task == watcher)
            continue;
        char path[64];
        std::snprintf(path, sizeof path, "/proc/self/task/%d/schedstat", int(task));
        const int file = ::open(path, O_RDONLY | O_CLOEXEC);
        if (file < 0)
            continue;
        char text[128] = {};
        const ssize_t got = ::read(file, text, sizeof text - 1);
        ::close(file);
        char *end = nullptr;
        if (got <= 0)
            continue;
        (void)std::strtoll(text, &end, 10);
        const qint64 waited = std::strtoll(end, nullptr, 10);
        seen[task] = waited;
        if (const auto last = s.othersLast.find(task); last != s.othersLast.end())
            more += std::max<qint64>(0, waited - last->second);
        else if (!firstLook)
            more += std::max<qint64>(0, waited);
    }
    ::closedir(tasks);
    s.othersLast.swap(seen);
    return more;
}

// The time the GUI thread waited on threads of the program that waited for a processor
// in the segment that began at `start`.
qint64 othersWaitedIn(qint64 start)
{
    WatchdogState &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.othersWaitFor == start ? s.othersWaited : 0;
}

// The time the GUI thread waited for the display server in the segment that began at
// `start`, up to the bound.
qint64 displayWaitedIn(qint64 start)
{
    WatchdogState &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.displayWaitFor == start ? std::min(s.displayWaited, DisplayServerWaitBoundNs) : 0;
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

// The call a held stack was known to be in (KnownGuiThreadHold), or null.
const char *knownReason()
{
    if (state().knownHolds.isEmpty())
        return nullptr;
    const QStringList stack = knownCallFrames();
    for (const auto &known : std::as_const(state().knownHolds)) {
        for (const QString &frame : stack) {
            if (frame.contains(QLatin1String(known.first)))
                return known.second;
        }
    }
    return nullptr;
}

// The limit as a report tells it: the limit, the machine's pace that stretched it, and
// what they make.
std::string limitText(double pace)
{
    const qint64 limitMs = state().limitNs / 1000000;
    return QStringLiteral("%1 ms × %2, the machine's pace then, = %3 ms")
        .arg(limitMs)
        .arg(pace, 0, 'f', 2)
        .arg(qint64(double(limitMs) * pace))
        .toStdString();
}

// The measured segment ends now: a failure when it held the thread past the limit.
// Time the thread spent waiting for a processor while others ran does not count: a
// loaded machine makes no hold.
void endSegment(qint64 now)
{
    WatchdogState &s = state();
    // The segment is the work of an emission outside every delivery whose emitter is
    // told by who emitted it: its slots, or the rest of them after a nested loop
    // (not a delivery of that loop).
    const WatchdogState::Emission *emission = s.emissions.isEmpty() ? nullptr : &s.emissions.first();
    const bool emittersOwn = emission && !emission->anyEmitter
                             && ((s.segment == SegmentKind::Delivery && s.segmentDepth == emission->depth)
                                 || (s.segment == SegmentKind::Pass && s.segmentDepth == emission->depth + 1));
    s.segment = SegmentKind::None;
    const qint64 start = s.holdStart.exchange(0);
    if (start == 0 || now - start <= s.limitNs)
        return;
    // The limit stretched by the machine's pace over the hold: the time a processor
    // slowed by the programs beside it took is the machine's, not the program's.
    const double pace = MachinePace::holdFactor(start, now);
    const qint64 limit = qint64(double(s.limitNs) * pace);
    // Its own waits for a processor, and its waits on threads of the program while
    // they waited for one.
    const qint64 forOurThreads = othersWaitedIn(start);
    const qint64 forAProcessor = waitedSince(start) + forOurThreads;
    const qint64 forTheDisplay = displayWaitedIn(start);
    if (now - start - forAProcessor <= limit)
        return;
    // Past the limit on the program's own time but for the display server's waits in
    // Qt's frames: excused, while the test's excused waits stay within their bound.
    bool pastTheTestsBound = false;
    if (now - start - forAProcessor - forTheDisplay <= limit) {
        s.testDisplayExcused += forTheDisplay;
        if (s.testDisplayExcused <= TestDisplayServerWaitBoundNs)
            return;
        pastTheTestsBound = true;
    }
    // The copy is this thread's while it reads it: the stack's signal held back (one
    // sent for this segment comes after, and finds it ended), and a copy the watcher
    // makes waited for.
    sigset_t stackSignalOnly;
    sigset_t before;
    sigemptyset(&stackSignalOnly);
    sigaddset(&stackSignalOnly, stackSignal());
    pthread_sigmask(SIG_BLOCK, &stackSignalOnly, &before);
    while (!takeCopyFor(WatchdogState::Reading))
        std::this_thread::yield();
    s.reporting = true;
    struct GiveBack
    {
        sigset_t mask;
        ~GiveBack()
        {
            state().reporting = false;
            state().reportEndedNs = nowNs();
            giveCopyBack();
            pthread_sigmask(SIG_SETMASK, &mask, nullptr);
        }
    } giveBack{before};
    // A hold past the limit whose stack the watcher had no time to take (a machine too
    // loaded for it to run) is reported all the same.
    const bool taken = s.stackTakenFor.load() == start;
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString name = test ? QStringLiteral("%1.%2").arg(QLatin1String(test->test_suite_name()), QLatin1String(test->name()))
                              : QStringLiteral("(between tests)");
    if (const char *reason = taken ? knownReason() : nullptr) {
        std::fprintf(stderr, "The GUI thread was held %lld ms in %s: known (%s)\n",
                     (long long)((now - start) / 1000000), qPrintable(name), reason);
        return;
    }
    // Slots of a signal that product code emitted in a call of the test's: that call's
    // own work, which the test makes outside every delivery (told, not counted).
    QString emittedAt;
    if (emittersOwn && taken) {
        const Emitter emitter = emitterInTheCopy(emission->returnSlot);
        if (emitter.known && !emitter.theTests) {
            std::fprintf(stderr,
                         "The GUI thread was held %lld ms in %s by the slots of a signal that the program's code emitted "
                         "(at %s) in a call the test made itself: the call's own work, not counted\n",
                         (long long)((now - start) / 1000000), qPrintable(name), qPrintable(emitter.line));
            return;
        }
        if (emitter.known)
            emittedAt = QStringLiteral(", in the slots of a signal the test emitted itself at ") + emitter.line;
    }
    const QStringList stack = taken ? takenStack() : QStringList{QStringLiteral("(ended before its stack was taken)")};
    QStringList shown = stack.mid(0, MaximumFrames);
    if (stack.size() > MaximumFrames)
        shown << QStringLiteral("(%1 more)").arg(stack.size() - MaximumFrames);
    if (pastTheTestsBound) {
        ADD_FAILURE() << "The GUI thread was held " << (now - start) / 1000000 << " ms by one delivery of its event loop "
                      << "(the limit is " << limitText(pace) << "; " << forAProcessor / 1000000
                      << " ms of it waiting for a processor, " << forOurThreads / 1000000
                      << " ms of that on threads of the program that waited for one) in " << name.toStdString() << ", and its "
                      << forTheDisplay / 1000000 << " ms of waiting for the display server in Qt's frames brought "
                      << "the test's excused waits to " << s.testDisplayExcused / 1000000 << " ms (a test is excused "
                      << TestDisplayServerWaitBoundNs / 1000000 << " ms in all)" << emittedAt.toStdString()
                      << "; its stack then:\n  "
                      << shown.join(QStringLiteral("\n  ")).toStdString();
        return;
    }
    ADD_FAILURE() << "The GUI thread was held " << (now - start) / 1000000 << " ms by one delivery of its event loop "
                  << "(the limit is " << limitText(pace) << "; " << forAProcessor / 1000000
                  << " ms of it waiting for a processor (" << forOurThreads / 1000000
                  << " ms of that on threads of the program that waited for one) and " << forTheDisplay / 1000000
                  << " ms for the display server in Qt's frames, which do not count) in " << name.toStdString()
                  << emittedAt.toStdString() << "; its stack then:\n  " << shown.join(QStringLiteral("\n  ")).toStdString();
}

void startSegment(SegmentKind kind, int depth, qint64 now)
{
    WatchdogState &s = state();
    if (s.reporting)
        return;
    s.segment = kind;
    s.segmentDepth = depth;
    s.holdStart.store(std::max(now, s.reportEndedNs));
}

// Asks for the GUI thread's stack without waking it from a wait: while it waits in a
// system call its registers are in /proc and its stack stands still, and the watcher
// copies it; only while it runs its own code is it sent the signal.
void askForStack(qint64 segment)
{
    WatchdogState &s = state();
    s.stackAskedFor.store(segment);
    char text[256] = {};
    const int file = ::open(s.systemCallFile.constData(), O_RDONLY | O_CLOEXEC);
    ssize_t got = -1;
    if (file >= 0) {
        got = ::read(file, text, sizeof text - 1);
        ::close(file);
    }
    if (got > 0 && std::strncmp(text, "running", 7) != 0) {
        // "number arguments... stack-pointer program-counter"
        const QList<QByteArray> fields = QByteArray(text, got).simplified().split(' ');
        if (fields.size() >= 3) {
            if (!takeCopyFor(WatchdogState::Writing))
                return; // the GUI thread reads a report: this segment has ended
            s.takenInSystemCall = fields[0].toLong();
            copyWaitingStack(quintptr(std::strtoull(fields.last().constData(), nullptr, 16)),
                             quintptr(std::strtoull(fields[fields.size() - 2].constData(), nullptr, 16)));
            s.stackTakenFor.store(segment);
            giveCopyBack();
            return;
        }
    }
    pthread_kill(s.guiThread, stackSignal());
}

// The watcher's: a test that runs longer than its time limit, stretched by the machine's
// pace over the test (the processors slowed and shared by the programs beside it), ends
// the program as ctest would end it at its own limit, which is the limit stretched by the
// most the pace may, and names the test and the pace.
void checkTheTestsTime()
{
    WatchdogState &s = state();
    std::string test;
    qint64 start = 0;
    {
        const std::lock_guard<std::mutex> lock(s.mutex);
        test = s.runningTest;
        start = s.runningTestStart;
    }
    const qint64 now = nowNs();
    if (s.testTimeLimitNs <= 0 || start == 0 || now - start <= s.testTimeLimitNs)
        return;
    const double pace = MachinePace::testFactor(start, now);
    const qint64 limit = qint64(double(s.testTimeLimitNs) * pace);
    if (now - start <= limit)
        return;
    std::fprintf(stderr,
                 "%s ran %.1f s, longer than its time limit (%lld s × %.2f, the machine's pace over the test, = "
                 "%.1f s): ended\n",
                 test.c_str(), double(now - start) / 1e9, (long long)(s.testTimeLimitNs / 1000000000), pace,
                 double(limit) / 1e9);
    std::fflush(stderr);
    std::fflush(stdout);
    std::_Exit(1);
}

void watch()
{
    WatchdogState &s = state();
    const pid_t watcher = ::gettid();
    std::unique_lock<std::mutex> lock(s.mutex);
    for (unsigned round = 0; !s.stop; ++round) {
        s.wake.wait_for(lock, std::chrono::milliseconds(10));
        lock.unlock();
        // The machine's pace, a tenth of a second apart (about a hundredth of one
        // processor on a quiet machine), and each test's time against its limit.
        if (round % 10 == 0) {
            MachinePace::sample();
            checkTheTestsTime();
        }
        qint64 ran = 0;
        qint64 waited = 0;
        const bool timesRead = schedulerTimes(&ran, &waited);
        const qint64 segment = s.holdStart.load();
        const bool display = segment != 0 && waitingForTheDisplayServer(segment);
        const qint64 at = nowNs();
        // The other threads' waits for a processor, only in a segment already long (a
        // look reads a file of each thread).
        const bool lookAtOthers = segment != 0 && at - segment > s.limitNs / 5;
        const bool firstLook = lookAtOthers && s.othersWaitFor != segment;
        if (firstLook)
            s.othersLast.clear();
        const qint64 othersWaited = lookAtOthers ? othersWaitedSinceTheLastLook(watcher, firstLook) : 0;
        lock.lock();
        if (timesRead) {
            s.samples[s.sampleCount++ % WatchdogState::MaximumSamples] = {at, waited};
            // Between two rounds that both found the thread waiting for the display
            // server in the same segment, the time it was neither on a processor nor
            // waiting for one was that wait. A segment's figure stays until the next
            // segment begins: the GUI thread reads it after it has ended the segment
            // (endSegment()), and a round in between must not take it away.
            const WatchdogState::Round &previous = s.previousRound;
            if (segment == 0) {
                // none runs: the last one's figure is kept for its end
            } else if (s.displayWaitFor != segment) {
                s.displayWaitFor = segment;
                s.displayWaited = 0;
            } else if (display && previous.waitingForTheDisplay && previous.segment == segment) {
                s.displayWaited += std::max<qint64>(0, (at - previous.at) - (ran - previous.ran) - (waited - previous.waited));
            } else if (lookAtOthers && s.othersWaitFor == segment && previous.segment == segment) {
                // Blocked meanwhile, not waiting for the display server: as long as the
                // other threads waited for a processor, at most, was the machine's.
                const qint64 blocked = (at - previous.at) - (ran - previous.ran) - (waited - previous.waited);
                s.othersBlockedSum += std::max<qint64>(0, blocked);
                s.othersWaitSum += std::max<qint64>(0, othersWaited);
                s.othersWaited = std::min(s.othersBlockedSum, s.othersWaitSum);
            }
            if (lookAtOthers && s.othersWaitFor != segment) {
                s.othersWaitFor = segment;
                s.othersWaited = 0;
                s.othersBlockedSum = 0;
                s.othersWaitSum = 0;
            }
            s.previousRound = {at, segment, ran, waited, display};
        }
        const qint64 start = s.holdStart.load();
        // The stack is taken at four fifths of the limit: the watcher looks every 10 ms,
        // and a hold that ends just past the limit (an export's known write, say) would
        // else end before its stack was taken, and could not be told known.
        if (start == 0 || nowNs() - start <= s.limitNs / 5 * 4 || s.stackAskedFor.load() == start)
            continue;
        askForStack(start);
    }
}

// Whether the GUI thread's innermost event loop, run inside a delivery, leaves out the
// person's input (ExcludeUserInputEvents): its passes do not answer the person, and the
// delivery's segment goes on through them.
bool passLeavesOutInput()
{
    const WatchdogState &s = state();
    return s.depth > 0 && !s.loopsLeaveOutInput.isEmpty() && s.loopsLeaveOutInput.last();
}

// A pass of an event loop on the GUI thread begins: the segment that runs ends there, for
// the thread answers. Inside a delivery (a nested loop: a modal dialog, processEvents) a
// new segment begins: the loop's own work and, when the loop returns, the rest of the
// delivery that ran it.
void loopAwake()
{
    WatchdogState &s = state();
    if (passLeavesOutInput())
        return;
    const qint64 now = nowNs();
    if (s.segment != SegmentKind::None)
        endSegment(now);
    if (s.depth > 0)
        startSegment(SegmentKind::Pass, s.depth, now);
}

// The loop is about to wait: the segment that runs ends; none runs while it waits.
void loopAboutToBlock()
{
    WatchdogState &s = state();
    if (passLeavesOutInput())
        return;
    if (s.segment != SegmentKind::None)
        endSegment(nowNs());
}

// A delivery begins on the GUI thread (an event that notify() delivers, a signal that
// the test emits itself): a segment of its own, but for an event that a delivery's code
// sends itself, which is part of that delivery. An event the test sends (QTest's keys
// and clicks, sendEvent) is a delivery like one of the loop's. Answers the depth it
// began at, for deliveryEnds().
int deliveryBegins()
{
    WatchdogState &s = state();
    const int at = s.depth;
    if (s.segment == SegmentKind::None) {
        startSegment(SegmentKind::Delivery, at, nowNs());
    } else if (s.segment == SegmentKind::Pass && s.segmentDepth == at) {
        const qint64 now = nowNs();
        endSegment(now);
        startSegment(SegmentKind::Delivery, at, now);
    }
    ++s.depth;
    return at;
}

void deliveryEnds(int at)
{
    WatchdogState &s = state();
    --s.depth;
    if (s.segment != SegmentKind::None && s.segmentDepth >= at
        && !(s.segment == SegmentKind::Pass && s.segmentDepth == at)) {
        // This delivery's own segment, or one of a nested loop it ran that has returned
        // (the rest of the delivery after the loop): it ends with the delivery.
        const qint64 now = nowNs();
        endSegment(now);
        if (at > 0)
            startSegment(SegmentKind::Pass, at, now);
    } else if (s.segment == SegmentKind::None && at > 0) {
        // A nested loop ended the delivery's segment: what follows in the code of the
        // delivery at this depth is measured again.
        startSegment(SegmentKind::Pass, at, nowNs());
    }
}

// A signal is emitted, on any thread. One that the GUI thread emits outside every
// delivery runs its slots as a delivery would, and is measured as one: the test's own
// emission (a button's click(), an action's trigger(), a Q_EMIT of a field's
// returnPressed() or of a model's dataChanged(), a timer's timeout called directly, a
// plain object's signal), what a person's input or the event loop would deliver. A
// hold in the slots of a signal that product code the test calls emits inside that
// call (a document's, a model's) is the call's own work: told apart when a hold is
// found, by the code that emitted it (emitterInTheCopy()); a widget's, an action's or
// a timer's signal is the test's delivery whoever emits it. The event dispatcher's
// own signals (the watchdog's, awake and aboutToBlock) are the loop's.
void signalBegins(QObject *sender, int signal, void **)
{
    WatchdogState &s = state();
    if (!pthread_equal(pthread_self(), s.guiThread) || !s.installed)
        return;
    if (!s.emissions.isEmpty()) {
        ++s.emissions.last().nested;
        return;
    }
    if (s.depth != 0 || s.segment != SegmentKind::None || qobject_cast<QAbstractEventDispatcher *>(sender))
        return;
    const bool anyEmitter =
        qobject_cast<QWidget *>(sender) || qobject_cast<QAction *>(sender) || qobject_cast<QTimer *>(sender);
    // This function's return address lies just above its frame.
    auto *returnSlot = static_cast<void **>(__builtin_frame_address(0)) + 1;
    const bool slotFound = *returnSlot == __builtin_return_address(0);
    s.emissions.append({sender, signal, deliveryBegins(), 0, anyEmitter, slotFound ? quintptr(returnSlot) : 0});
}

void signalEnds(QObject *sender, int signal)
{
    WatchdogState &s = state();
    if (!pthread_equal(pthread_self(), s.guiThread) || !s.installed || s.emissions.isEmpty())
        return;
    WatchdogState::Emission &latest = s.emissions.last();
    if (latest.nested > 0) {
        --latest.nested;
        return;
    }
    if (latest.sender != sender || latest.signal != signal)
        return;
    // Its segment ends while it is still known as the emission's.
    deliveryEnds(latest.depth);
    s.emissions.removeLast();
}

// An exception that left such an emission (into the test body, which failed) left no
// end: the next test begins outside every delivery.
class EmissionsListener : public testing::EmptyTestEventListener
{
public:
    // Each test has its own bound of excused waits for the display server, and its own
    // time limit.
    void OnTestStart(const testing::TestInfo &test) override
    {
        WatchdogState &s = state();
        s.testDisplayExcused = 0;
        const std::lock_guard<std::mutex> lock(s.mutex);
        s.runningTest = std::string(test.test_suite_name()) + "." + test.name();
        s.runningTestStart = nowNs();
    }

    void OnTestEnd(const testing::TestInfo &) override
    {
        WatchdogState &s = state();
        {
            const std::lock_guard<std::mutex> lock(s.mutex);
            s.runningTest.clear();
            s.runningTestStart = 0;
        }
        if (s.emissions.isEmpty())
            return;
        s.emissions.clear();
        s.depth = 0;
        if (s.segment != SegmentKind::None)
            endSegment(nowNs());
    }
};

} // namespace

KnownGuiThreadHold::KnownGuiThreadHold(const char *call, const char *reason)
{
    state().knownHolds.append({QByteArray(call), reason});
}

KnownGuiThreadHold::~KnownGuiThreadHold()
{
    state().knownHolds.removeLast();
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
    const int at = deliveryBegins();
    const bool result = platform::Application::notify(receiver, event);
    deliveryEnds(at);
    return result;
}

namespace {

// Runs a loop or a pass of Qt's (`real`, found past this program's own definition),
// noting whether it leaves out the person's input while it runs on the GUI thread.
template <typename Result, typename Call>
Result runLoop(QEventLoop::ProcessEventsFlags flags, Call real)
{
    WatchdogState &s = state();
    if (!s.installed || !pthread_equal(pthread_self(), s.guiThread))
        return real();
    s.loopsLeaveOutInput.append(flags.testFlag(QEventLoop::ExcludeUserInputEvents));
    struct Pop
    {
        WatchdogState &s;
        ~Pop() { s.loopsLeaveOutInput.removeLast(); }
    } pop{s};
    return real();
}

template <typename Function>
Function qtsOwn(const char *symbol)
{
    static_assert(std::is_pointer_v<Function>);
    void *found = dlsym(RTLD_NEXT, symbol);
    if (!found)
        std::abort();
    return reinterpret_cast<Function>(found);
}

// The start of the function of Qt Core that calls a signal's slots (Qt's activate()
// hands an emission on to it by a jump, so that no frame of activate() itself stays on
// the stack): the first frame of Qt Core under a slot, found by emitting a signal once
// (the spy's callbacks registered, as they stay). 0 when it cannot be told.
quintptr emissionRunner()
{
    QObject probe;
    quintptr found = 0;
    QObject::connect(&probe, &QObject::objectNameChanged, &probe, [&found] {
        void *frames[16] = {};
        const int count = ::backtrace(frames, 16);
        for (int i = 1; i < count && found == 0; ++i) {
            Dl_info info{};
            if (dladdr(frames[i], &info) && info.dli_fname && std::strstr(info.dli_fname, "libQt6Core"))
                found = functionStart(quintptr(frames[i]) - 1);
        }
    }, Qt::DirectConnection);
    probe.setObjectName(QStringLiteral("probe"));
    return found;
}

} // namespace

} // namespace testsupport

// The event loops of Qt that the program's code runs: this program's definitions take
// the place of Qt Core's (as ThrowSites.cpp's __cxa_throw takes the runtime's), note
// whether the loop leaves out the person's input, and run Qt's own.
void QCoreApplication::processEvents(QEventLoop::ProcessEventsFlags flags)
{
    static const auto real = testsupport::qtsOwn<void (*)(QEventLoop::ProcessEventsFlags)>(
        "_ZN16QCoreApplication13processEventsE6QFlagsIN10QEventLoop17ProcessEventsFlagEE");
    testsupport::runLoop<void>(flags, [&] { real(flags); });
}

void QCoreApplication::processEvents(QEventLoop::ProcessEventsFlags flags, int ms)
{
    static const auto real = testsupport::qtsOwn<void (*)(QEventLoop::ProcessEventsFlags, int)>(
        "_ZN16QCoreApplication13processEventsE6QFlagsIN10QEventLoop17ProcessEventsFlagEEi");
    testsupport::runLoop<void>(flags, [&] { real(flags, ms); });
}

bool QEventLoop::processEvents(ProcessEventsFlags flags)
{
    static const auto real = testsupport::qtsOwn<bool (*)(QEventLoop *, ProcessEventsFlags)>(
        "_ZN10QEventLoop13processEventsE6QFlagsINS_17ProcessEventsFlagEE");
    return testsupport::runLoop<bool>(flags, [&] { return real(this, flags); });
}

int QEventLoop::exec(ProcessEventsFlags flags)
{
    static const auto real = testsupport::qtsOwn<int (*)(QEventLoop *, ProcessEventsFlags)>(
        "_ZN10QEventLoop4execE6QFlagsINS_17ProcessEventsFlagEE");
    return testsupport::runLoop<int>(flags, [&] { return real(this, flags); });
}

// The time limit of each of the program's tests, in seconds, where its build gives it
// one (tests/CMakeLists.txt generates the definition for each test program).
extern "C" __attribute__((weak)) const int chronarkTestCaseTimeLimitSeconds;

namespace testsupport {

namespace {

// The time limit of each test (0: none): CHRONARK_TEST_CASE_TIME_LIMIT when set, else the
// one the program is built with; none while a debugger holds the program (a stop at a
// breakpoint is no test's time).
int testTimeLimitSeconds()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("TracerPid:") && line.mid(10).trimmed() != "0")
                return 0;
        }
    }
    bool set = false;
    const int given = qEnvironmentVariableIntValue("CHRONARK_TEST_CASE_TIME_LIMIT", &set);
    if (set)
        return std::max(0, given);
    return &chronarkTestCaseTimeLimitSeconds ? chronarkTestCaseTimeLimitSeconds : 0;
}

} // namespace

namespace GuiThreadWatchdog {

int limitMs()
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue("CHRONARK_GUI_HOLD_LIMIT_MS", &ok);
    return ok && value >= 0 ? value : 250;
}

int longestLimitMs()
{
    return int(limitMs() * MachinePace::HoldFactorCap);
}

void install()
{
    WatchdogState &s = state();
    if (s.installed || limitMs() == 0)
        return;
    s.limitNs = qint64(limitMs()) * 1000000;
    s.testTimeLimitNs = qint64(testTimeLimitSeconds()) * 1000000000;
    s.guiThread = pthread_self();
    s.guiThreadId = ::gettid();
    const QByteArray task = QByteArray("/proc/self/task/") + QByteArray::number(qint64(s.guiThreadId));
    s.schedulerStatistics = task + "/schedstat";
    s.systemCallFile = task + "/syscall";
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
        void *base = nullptr;
        size_t size = 0;
        if (pthread_attr_getstack(&attributes, &base, &size) == 0)
            s.stackTop = quintptr(base) + size;
        pthread_attr_destroy(&attributes);
    }
    s.stackCopy = new unsigned char[StackCopyBytes];
    struct sigaction action = {};
    action.sa_sigaction = takeStack;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_SIGINFO;
    sigaction(stackSignal(), &action, nullptr);
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread())) {
        QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, dispatcher, loopAwake, Qt::DirectConnection);
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher, loopAboutToBlock,
                         Qt::DirectConnection);
    }
    static QSignalSpyCallbackSet emissions{signalBegins, nullptr, signalEnds, nullptr};
    qt_register_signal_spy_callbacks(&emissions);
    s.emissionRunner = emissionRunner();
    if (!GTEST_FLAG_GET(list_tests))
        testing::UnitTest::GetInstance()->listeners().Append(new EmissionsListener);
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
    qt_register_signal_spy_callbacks(nullptr);
    s.installed = false;
    s.holdStart.store(0);
}

} // namespace GuiThreadWatchdog

} // namespace testsupport
