// libFuzzer start-up: a core application object for the code under test (timers,
// string tables and event dispatch expect one).
#include <QCoreApplication>

#include <cstddef>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication *app = new QCoreApplication(*argc, *argv);
    (void)app;
    return 0;
}
