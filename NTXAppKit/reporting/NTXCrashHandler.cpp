#include "NTXAppKit/reporting/NTXCrashHandler.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QStandardPaths>
#include <QTimeZone>

#include <csignal>
#include <cstring>
#include <ctime>
#include <execinfo.h>
#include <fcntl.h>
#include <unistd.h>
#include <cstdint>

namespace {

constexpr int HandledSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

char folderPath[NTXCrashHandler::MaxPathBytes];
char executableName[NTXCrashHandler::MaxNameBytes];
char versionText[NTXCrashHandler::MaxNameBytes];
alignas(16) char alternateStack[64 * 1024];
volatile sig_atomic_t handling = 0;
bool installed = false;

// ---- async-signal-safe text helpers ----

size_t textLength(const char *text)
{
    size_t n = 0;
    while (text[n])
        ++n;
    return n;
}

void put(int fd, const char *text)
{
    size_t left = textLength(text);
    while (left > 0) {
        const ssize_t n = ::write(fd, text, left);
        if (n <= 0)
            return;
        text += n;
        left -= size_t(n);
    }
}

// Writes the number in the base (10 or 16) into buf (at least 24 bytes), with at
// least `digits` digits (leading zeros).
const char *number(unsigned long long value, unsigned base, char *buf, int digits = 1)
{
    char *p = buf + 23;
    *p = 0;
    do {
        const unsigned digit = unsigned(value % base);
        *--p = char(digit < 10 ? '0' + digit : 'a' + digit - 10);
        value /= base;
        --digits;
    } while ((value || digits > 0) && p > buf);
    return p;
}

const char *signalName(int sig)
{
    switch (sig) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL";
    case SIGFPE: return "SIGFPE";
    case SIGABRT: return "SIGABRT";
    default: return "signal";
    }
}

// "YYYY-MM-DDTHH:MM:SSZ" of the seconds since 1970, in UTC: the civil date by
// arithmetic alone (no time-zone files, no locks), so the handler may write it. The
// reader shows it in local time (NTXCrashHandler::localTimeLines()).
void putUtcTime(int fd, time_t now)
{
    char buf[24];
    const long long seconds = (long long)now;
    long long days = seconds / 86400;
    long long rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Days since 1970-01-01 to year, month and day (proleptic Gregorian calendar).
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long dayOfEra = z - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long shiftedMonth = (5 * dayOfYear + 2) / 153;
    const long long day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    const long long month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    const long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    put(fd, number((unsigned long long)(year < 0 ? 0 : year), 10, buf, 4));
    put(fd, "-");
    put(fd, number((unsigned long long)month, 10, buf, 2));
    put(fd, "-");
    put(fd, number((unsigned long long)day, 10, buf, 2));
    put(fd, "T");
    put(fd, number((unsigned long long)(rest / 3600), 10, buf, 2));
    put(fd, ":");
    put(fd, number((unsigned long long)(rest / 60 % 60), 10, buf, 2));
    put(fd, ":");
    put(fd, number((unsigned long long)(rest % 60), 10, buf, 2));
    put(fd, "Z");
}

void appendText(char *path, size_t &at, const char *text)
{
    while (*text && at + 1 < sizeof(folderPath) + 256)
        path[at++] = *text++;
    path[at] = 0;
}

void crashed(int sig, siginfo_t *info, void *)
{
    if (!handling) {
        handling = 1;
        char path[sizeof(folderPath) + 256];
        char buf[24];
        size_t at = 0;
        appendText(path, at, folderPath);
        appendText(path, at, "/");
        appendText(path, at, executableName);
        appendText(path, at, "_");
        appendText(path, at, number((unsigned long long)time(nullptr), 10, buf));
        appendText(path, at, "_");
        appendText(path, at, number((unsigned long long)getpid(), 10, buf));
        appendText(path, at, ".crash");
        // A new file only: whatever has the name already (a pipe, a link) is left alone.
        const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
        if (fd >= 0) {
            put(fd, "Process: ");
            put(fd, executableName);
            put(fd, " [");
            put(fd, number((unsigned long long)getpid(), 10, buf));
            put(fd, "]\nVersion: ");
            put(fd, versionText);
            put(fd, "\nSignal: ");
            put(fd, number((unsigned long long)sig, 10, buf));
            put(fd, " (");
            put(fd, signalName(sig));
            put(fd, ")\nAddress: ");
            if (info && info->si_code <= 0 && info->si_pid == getpid()) {
                // Raised by the process itself (abort(), raise()): no faulting address.
                put(fd, "none, the program stopped itself with ");
                put(fd, signalName(sig));
            } else if (info && info->si_code <= 0) {
                // Sent by another process (kill): there is no faulting address.
                put(fd, "none, the signal was sent by process ");
                put(fd, number((unsigned long long)info->si_pid, 10, buf));
            } else {
                put(fd, "0x");
                put(fd, number((unsigned long long)(uintptr_t)(info ? info->si_addr : nullptr), 16, buf));
            }
            put(fd, "\nTime: ");
            putUtcTime(fd, time(nullptr));
            put(fd, "\n\nBacktrace:\n");
            void *frames[NTXCrashHandler::MaxFrames];
            const int count = backtrace(frames, NTXCrashHandler::MaxFrames);
            backtrace_symbols_fd(frames, count, fd);
            ::close(fd);
        }
    }
    // The default action: the process dies of the signal as it would have.
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(sig, &action, nullptr);
    raise(sig);
}

void copyInto(char *buffer, size_t size, const QByteArray &bytes)
{
    const size_t n = std::min(size - 1, size_t(bytes.size()));
    std::memcpy(buffer, bytes.constData(), n);
    buffer[n] = 0;
}

} // namespace

QString NTXCrashHandler::defaultFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/Chronark/CrashReporter");
}

bool NTXCrashHandler::install(const QString &folder, const QString &executable, const QString &version)
{
    const QByteArray folderBytes = QFile::encodeName(QDir::cleanPath(folder));
    if (folderBytes.isEmpty() || folderBytes.size() >= MaxPathBytes || !QDir().mkpath(folder))
        return false;
    copyInto(folderPath, sizeof folderPath, folderBytes);
    copyInto(executableName, sizeof executableName, QFile::encodeName(executable));
    copyInto(versionText, sizeof versionText, version.toUtf8());
    if (installed)
        return true;

    // The first call loads the unwinder, which must not happen inside the handler.
    void *frames[2];
    (void)backtrace(frames, 2);

    stack_t stack;
    std::memset(&stack, 0, sizeof stack);
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    sigaltstack(&stack, nullptr);

    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_sigaction = crashed;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int sig : HandledSignals)
        sigaction(sig, &action, nullptr);
    installed = true;
    return true;
}

bool NTXCrashHandler::isInstalled()
{
    return installed;
}

QString NTXCrashHandler::localTimeLines(const QString &report)
{
    // "Time: 2026-12-08T17:06:57Z" as the handler writes it, or the seconds since 1970
    // that earlier reports hold.
    static const QRegularExpression timeLine(
        QStringLiteral("^Time: (?:(\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2})Z|(\\d{1,12}))$"),
        QRegularExpression::MultilineOption);
    QString text;
    qsizetype from = 0;
    for (auto it = timeLine.globalMatch(report); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        QDateTime when;
        if (match.hasCaptured(1)) {
            when = QDateTime::fromString(match.captured(1), Qt::ISODate);
            when.setTimeZone(QTimeZone::utc());
        } else {
            when = QDateTime::fromSecsSinceEpoch(match.captured(2).toLongLong(), QTimeZone::utc());
        }
        if (!when.isValid())
            continue;
        text += QStringView(report).mid(from, match.capturedStart() - from);
        text += QStringLiteral("Time: ") + when.toLocalTime().toString(LocalTimeFormat);
        from = match.capturedEnd();
    }
    text += QStringView(report).mid(from);
    return text;
}
