#pragma once
// The application's console log: a Qt message handler that appends every message as
// one line "<date time> <executable>[<pid>]: <text>" to a file, and then hands it on
// to the handler that was installed before (so messages still reach stderr). The
// file is rolled when it reaches MaxBytes: it becomes "<file>.old" (replacing an
// older one) and a new file starts.
//
// Messages may come from any thread; writes are serialised by a lock. A file that
// cannot be written loses the line, nothing else. install() is for start-up (main
// thread); a second call only changes the file.
#include <QString>

class NTXConsoleLog
{
public:
    // "$XDG_STATE_HOME/Chronark/console.log".
    static QString defaultPath();
    static void install(const QString &path, const QString &executable);
    // Stops writing and puts the earlier handler back (tests).
    static void uninstall();
    // Writes one line as the handler does.
    static void append(const QString &text);

    static constexpr qint64 MaxBytes = 1024 * 1024;
};
