#pragma once
// The process's own crash log: a handler of SIGSEGV, SIGBUS, SIGILL, SIGFPE and
// SIGABRT, run on an alternate stack, that writes
// "<folder>/<executable>_<epoch>_<pid>.crash" (signal, faulting address, version,
// backtrace, time) and then re-raises the signal with the default action, so the
// process still dies of it. A signal that a process sent (kill(), raise(), abort():
// a si_code of 0 or less) has no faulting address; the report says instead that the
// program stopped itself (naming the signal) when it raised it itself, else names
// the sender's process id. The time is written in UTC ("Time:
// 2026-12-08T17:06:57Z"), worked out by arithmetic; localTimeLines() shows it in
// local time when the report is read.
//
// Everything the handler needs (folder, names, the first backtrace() call that loads
// the unwinder) is prepared by install(); the handler itself only uses
// async-signal-safe calls (open, write, close, time, getpid, backtrace_symbols_fd,
// sigaction, raise). install() is for the main thread at start-up; a second call
// only updates the prepared texts. localTimeLines() is re-entrant.
#include <QString>

class NTXCrashHandler
{
public:
    // "$XDG_STATE_HOME/Chronark/CrashReporter" ($XDG_STATE_HOME defaults to
    // ~/.local/state).
    static QString defaultFolder();
    // Installs the handler; false when the folder cannot be made (nothing installed).
    static bool install(const QString &folder, const QString &executable, const QString &version);
    static bool isInstalled();

    // The report with its "Time:" line (the handler's UTC time, or the seconds since
    // 1970 of an earlier report) as a local date and time in LocalTimeFormat; other
    // lines as they are.
    static QString localTimeLines(const QString &report);
    static inline const QString LocalTimeFormat = QStringLiteral("dd.MM.yyyy HH:mm:ss t");

    // Longest folder path, executable name and version that the prepared buffers hold.
    static constexpr int MaxPathBytes = 3072;
    static constexpr int MaxNameBytes = 128;
    // Frames written to the report.
    static constexpr int MaxFrames = 64;
};
