#pragma once
// Names the frames of a stack taken as return addresses: the function and, from the
// build's line tables, the file and line of each (addr2line, the program's own
// functions not being exported). The reports of the test support's nets (the GUI-thread
// watchdog, the exception check) name where things happened this way.
//
// Reentrant; starts addr2line processes, so call it where a report is made, never in a
// signal handler.
#include <QStringList>

namespace testsupport {

QStringList namedFrames(void *const *frames, int count);

} // namespace testsupport
