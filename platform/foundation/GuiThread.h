#pragma once
// Which thread may call what. Most of the platform layer is GUI-thread-only: it works
// on QObjects and widgets of the main thread and on registries that hold no lock, and
// its headers say so; in debug builds the registries check it through
// GuiThread::check(). A few classes are thread-safe and say that instead
// (UserDefaults, NotificationCenter, Clock, Bundle's string tables). Work leaves the
// GUI thread only through platform::BackgroundTask.
// Stateless; any thread.

namespace platform::GuiThread {

// Whether the calling thread is the application's main thread (true before an
// application object exists: there is then only the one thread that will make it).
bool isCurrent();

// Debug builds: a fatal assertion naming `where` when called off the GUI thread.
// Release builds: nothing.
void check(const char *where);

} // namespace platform::GuiThread
