#include "platform/foundation/GuiThread.h"

#include <QCoreApplication>
#include <QThread>

namespace platform::GuiThread {

bool isCurrent()
{
    const QCoreApplication *application = QCoreApplication::instance();
    return !application || QThread::currentThread() == application->thread();
}

void check([[maybe_unused]] const char *where)
{
    Q_ASSERT_X(isCurrent(), where, "called off the GUI thread");
}

} // namespace platform::GuiThread
