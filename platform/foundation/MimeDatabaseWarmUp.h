#pragma once
// Qt's MIME database, read once on a pool thread while the program starts. The first
// use of the database reads the system's MIME files (and Qt's own), which takes from
// tens of milliseconds to a second on a busy disk; the file dialogs use it on the GUI
// thread, when they first list a folder. Warmed here, a dialog finds it read (or,
// when it comes while the reading goes on, waits for the rest of it only).
//
// start() from any thread, once or more (only the first call does anything). Nothing
// waits for the warm-up: a failure (memory ran out) is logged by BackgroundTask and
// leaves the database to be read at its first use, as without it. read() reads it on
// the calling thread, at once (a program that forks without exec, such as a test
// program's death tests, reads it before: a child forked while another thread reads
// it inherits the database's lock held for good).
namespace platform {

class MimeDatabaseWarmUp
{
public:
    static void start();
    static void read();
};

} // namespace platform
