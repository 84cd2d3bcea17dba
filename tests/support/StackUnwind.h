#pragma once
// Walks a copy of a thread's stack frame by frame, by the call-frame information that
// every module of the process carries for its code (.eh_frame, found through the C++
// runtime's own lookup): the return addresses of the frames that were live when the
// copy was taken, and no word that a call which had already returned left in a frame's
// unused room. The GUI-thread watchdog tells a hold inside a known call this way.
//
// x86-64 only. The walk keeps the stack pointer and the frame pointer (rbp); a frame
// whose frame address needs another register, or rbp where its value is not known (a
// copy taken while the thread waited in a system call gives none), ends it early:
// `complete` then says false. Reentrant; reads the code's call-frame information in
// memory and the copy, nothing else; not for a signal handler (the lookup may lock).
#include <QList>

#include <cstddef>
#include <optional>

namespace testsupport {

struct CopiedStack
{
    quintptr pc = 0; // the instruction the thread was at
    quintptr sp = 0; // the stack pointer; the copy holds the bytes from it up
    std::optional<quintptr> bp; // the frame pointer, when known
    const unsigned char *bytes = nullptr;
    std::size_t size = 0;
};

struct LiveFrames
{
    QList<quintptr> returnAddresses; // innermost first
    bool complete = false; // the walk reached the thread's outermost frame
    quintptr walkedTo = 0; // the stack address up to which the frames were walked
};

LiveFrames liveFrames(const CopiedStack &stack);

// The start of the function whose code holds the address, by its call-frame
// information (0 when it has none): two addresses of one function have the same.
quintptr functionStart(quintptr address);

} // namespace testsupport
