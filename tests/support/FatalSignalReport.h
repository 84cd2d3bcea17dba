#pragma once
// A test program that dies of a fault (a segmentation fault, a bus error, an illegal
// instruction, a division by zero, an abort) says where on standard error before it
// dies: the running test's name and the faulting thread's frames as the C library
// names them (module and offset where the symbol is not exported), then the program's
// own frames among them named by addr2line (in a child, from the program file's
// debugging information). ctest shows only
// "SEGFAULT" otherwise, and a rare crash of a loaded run leaves nothing to look at.
//
// Installed once from main, before the tests run. Async-signal-safe but for the test's
// name, read at the start of each test into a buffer of its own. The process still dies
// of the same signal (the default action is put back and the signal raised again), so
// death tests and the crash reporter's tests see what they expect; a handler a test
// installs itself (the crash reporter's) takes this one's place. Not under the
// sanitizers, whose own reports say more.
namespace testsupport {

void installFatalSignalReport();

} // namespace testsupport
