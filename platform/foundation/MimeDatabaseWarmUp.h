#pragma once
// Qt's MIME database, read once on a pool thread while the program starts. The first
// use of the database reads the system's MIME files (and Qt's own), which takes from
// tens of milliseconds to a second on a busy disk; the file dialogs use it on the GUI
// thread, when they first list a folder. Warmed here, a dialog finds it read (or,
// when it comes while the reading goes on, waits for the rest of it only).
//
// start() from any thread, once or more (only the first call does anything). Nothing
// waits for the warm-up: a failure (memory ran out) is logged by BackgroundTask and
// leaves the database to be read at its first use, as without it.
namespace platform {

class MimeDatabaseWarmUp
{
public:
    static void start();
};

} // namespace platform
