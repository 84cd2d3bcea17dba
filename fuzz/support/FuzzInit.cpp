// libFuzzer start-up: an application object for the code under test (timers,
// string tables, event dispatch and widgets expect one), offscreen.
#include <QApplication>

#include <cstddef>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication *app = new QApplication(*argc, *argv);
    (void)app;
    return 0;
}
